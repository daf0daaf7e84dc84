#include "input/alignment_choice.h"

#include <cmath>
#include <limits>

#include "base/data_error.h"
#include "base/text.h"
#include "station/station.h"

namespace qelt {

namespace {

std::string station_text(double station) {
    std::string printed;
    zh_format(shortest_number(station), printed);
    return printed;
}

// "A匝道（长 1234.567 米，K0+000～K1+234.567）、B匝道（…）", for the messages that refuse a
// choice.
std::string choices_text(const std::vector<AlignmentChoice>& choices) {
    std::string text;
    for (const AlignmentChoice& c : choices) {
        if (!text.empty()) text += "、";
        text += "“" + c.name + "”";
        if (std::isfinite(c.length))
            text += "（长 " + fixed_text(c.length, 3) + " 米，" + c.start_station + "～" +
                    c.end_station + "）";
        else
            text += "（数据有误）";
    }
    return text;
}

}  // namespace

void FileAlignments::add(std::string name, long line, const std::function<Alignment()>& build) {
    AlignmentInfo info;
    info.name = std::move(name);
    info.line = line;
    Built built;
    try {
        built.alignment = build();
        const Alignment& a = built.alignment;
        info.length = a.end_mileage() - a.start_mileage();
        info.start_station = a.start_mileage();
        info.end_station = a.end_mileage() - dl_shift(a.breaks, a.breaks.dl_count);
    } catch (const DataError& e) {
        built.error = e;
        info.length = info.start_station = info.end_station =
            std::numeric_limits<double>::quiet_NaN();
    }
    infos_.push_back(std::move(info));
    built_.push_back(std::move(built));
}

Alignment FileAlignments::build(std::size_t index) const {
    const Built& built = built_.at(index);
    if (built.error) throw *built.error;
    return built.alignment;
}

AlignmentChoice alignment_choice(const std::string& name, double length, double start_station,
                                 double end_station) {
    return {name, length, station_text(start_station), station_text(end_station)};
}

std::size_t chosen_alignment(const std::vector<AlignmentChoice>& choices, const std::string& path,
                             const AlignmentAnswer& answer) {
    if (answer.name) {
        for (std::size_t i = 0; i < choices.size(); ++i)
            if (choices[i].name == *answer.name) return i;
        throw DataError(
            "文件中没有名为“" + *answer.name + "”的线路；文件中的线路：" + choices_text(choices),
            path);
    }
    if (choices.size() == 1) return 0;
    if (answer.ask)
        if (const auto i = answer.ask(choices); i && *i < choices.size()) return *i;
    throw DataError("文件中有 " + std::to_string(choices.size()) + " 条线路：" +
                        choices_text(choices) +
                        "，未选定其中一条（命令行用 --alignment-name 给出线路名称）",
                    path);
}

}  // namespace qelt
