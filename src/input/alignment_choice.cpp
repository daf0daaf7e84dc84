#include "input/alignment_choice.h"

#include <cmath>

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
