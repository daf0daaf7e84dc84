#include "input/alignment_choice.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <map>
#include <string_view>

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
// choice; an alignment whose name is shared by its "名称#k" and its line in the file.
std::string choices_text(const std::vector<AlignmentChoice>& choices) {
    std::string text;
    for (const AlignmentChoice& c : choices) {
        if (!text.empty()) text += "、";
        text += "“" + c.name + (c.twin > 0 ? twin_mark(c.twin) : std::string()) + "”（";
        if (c.twin > 0) text += "第 " + std::to_string(c.line) + " 行，";
        if (std::isfinite(c.length))
            text += "长 " + fixed_text(c.length, 3) + " 米，" + c.start_station + "～" +
                    c.end_station + "）";
        else
            text += "数据有误）";
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

std::string twin_mark(int twin) {
    // Built by appending: g++ 12 at -O3 takes "#" + std::string for an overlapping copy.
    std::string mark = "#";
    mark += std::to_string(twin);
    return mark;
}

std::vector<AlignmentChoice> alignment_choices(const std::vector<AlignmentInfo>& alignments) {
    std::vector<AlignmentChoice> choices;
    for (const AlignmentInfo& a : alignments) {
        AlignmentChoice c = alignment_choice(a.name, a.length, a.start_station, a.end_station);
        c.line = a.line;
        choices.push_back(std::move(c));
    }
    std::map<std::string, int> seen;
    for (const AlignmentChoice& c : choices) ++seen[c.name];
    std::map<std::string, int> place;
    for (AlignmentChoice& c : choices)
        if (seen[c.name] > 1) c.twin = ++place[c.name];
    return choices;
}

std::vector<std::size_t> alignments_named(const std::vector<std::string>& names,
                                          const std::string& wanted) {
    std::vector<std::size_t> found;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == wanted) found.push_back(i);
    if (!found.empty()) return found;
    // "名称#k": the name itself may hold a '#', the last one counts.
    const std::size_t hash = wanted.rfind('#');
    if (hash == std::string::npos) return {};
    const std::string base = wanted.substr(0, hash);
    const std::string_view digits = std::string_view(wanted).substr(hash + 1);
    std::size_t k = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), k);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || k == 0)
        return {};
    for (std::size_t i = 0; i < names.size(); ++i)
        if ((base.empty() || names[i] == base) && --k == 0) return {i};
    return {};
}

std::size_t chosen_alignment(const std::vector<AlignmentChoice>& choices, const std::string& path,
                             const AlignmentAnswer& answer) {
    if (answer.name) {
        std::vector<std::string> names;
        for (const AlignmentChoice& c : choices) names.push_back(c.name);
        const std::vector<std::size_t> found = alignments_named(names, *answer.name);
        if (found.size() == 1) return found.front();
        if (found.size() > 1) {
            // Either could be meant: a run on the wrong one would place every borehole on
            // another line without a word.
            std::vector<AlignmentChoice> shared;
            for (std::size_t i : found) shared.push_back(choices[i]);
            throw DataError("文件中有 " + std::to_string(found.size()) + " 条线路名为“" +
                                *answer.name + "”：" + choices_text(shared) +
                                "，不知用哪一条；请用 --alignment-name “" + *answer.name +
                                "#1”、“" + *answer.name + "#2”… 按同名线路在文件中的先后选定",
                            path);
        }
        throw DataError(
            "文件中没有名为“" + *answer.name + "”的线路；文件中的线路：" + choices_text(choices),
            path);
    }
    if (choices.size() == 1) return 0;
    if (answer.ask)
        if (const auto i = answer.ask(choices); i && *i < choices.size()) return *i;
    throw DataError("文件中有 " + std::to_string(choices.size()) + " 条线路：" +
                        choices_text(choices) +
                        "，未选定其中一条（命令行用 --alignment-name 给出线路名称" +
                        (std::any_of(choices.begin(), choices.end(),
                                     [](const AlignmentChoice& c) { return c.twin > 0; })
                             ? std::string("，同名的线路写作“名称#2”")
                             : std::string()) +
                        "）",
                    path);
}

}  // namespace qelt
