#include "input/text/profile_text.h"

#include <string>
#include <vector>

#include "base/data_error.h"
#include "base/text.h"
#include "base/utf8_path.h"
#include "station/station.h"

namespace qelt {

namespace {

const char* const kLineForm = "变坡点行应为“桩号 高程 [竖曲线半径]”，如“K5+030 427.68 2000”";

// A grade point line taken apart: the station as written, its continuous mileage through the
// chain breaks, the elevation and the radius (0 when none is written).
struct GradePointLine {
    std::string station;
    double mileage = 0, elevation = 0, radius = 0;
};

// Whether a first line reads as a grade point: then the title line is missing, and taking it
// for the title would drop the start of the grade line without a word.
bool looks_like_grade_point(const std::vector<std::string_view>& fields) {
    if (fields.size() < 2 || fields.size() > 3 || !parse_station(fields[0])) return false;
    for (std::size_t i = 1; i < fields.size(); ++i)
        if (!parse_number(fields[i])) return false;
    return true;
}

GradePointLine read_line(const std::vector<std::string_view>& fields, const ChainBreaks& breaks,
                         const LineSource& file) {
    const auto refuse = [&](const std::string& why) {
        throw DataError(why, file.path(), file.line_number());
    };
    if (fields.size() < 2 || fields.size() > 3)
        refuse(std::string(kLineForm) + "，实有 " + std::to_string(fields.size()) + " 项");
    GradePointLine line;
    line.station = fields[0];
    if (!parse_station(line.station))
        refuse("桩号“" + line.station + "”不是有效的桩号：" + kStationForms);
    // The station is read exactly as a borehole's: a lettered one must lie in its interval, an
    // unlettered one must not lie in a short chain's gap nor in a long chain's overlap.
    std::string message;
    if (!zh_check(breaks, line.station, message)) refuse(message);
    const LetteredStation lettered = zh_dlstr(breaks, line.station);
    if (!lettered) refuse(lettered.message);
    zh_mileage(breaks, lettered.station, line.mileage);
    const auto number = [&](std::string_view field, const char* what, const char* form) {
        const auto value = parse_number(field);
        if (!value) refuse(std::string(what) + "“" + std::string(field) + "”不是数" + form);
        return *value;
    };
    line.elevation = number(fields[1], "高程", "（应为以米计的设计高程，如 427.68）");
    if (fields.size() == 3)
        line.radius =
            number(fields[2], "竖曲线半径", "（应为以米计的半径，如 2000；不设竖曲线写 0 或不写）");
    return line;
}

}  // namespace

Profile zdm_read_profile(LineSource& file, const ChainBreaks& breaks) {
    std::string text;
    if (!file.next(text)) throw DataError("文件为空，缺少标题行", file.path(), 1);
    if (looks_like_grade_point(field_views(text)))
        throw DataError("第一行应为标题（任意文字）；这一行像是变坡点行，请在变坡点之前加上标题行",
                        file.path(), file.line_number());
    const std::string title(trim_blanks(text));

    std::vector<GradePoint> points;
    std::vector<std::string> short_stations;
    long blank_line = 0;
    while (file.next(text)) {
        const std::vector<std::string_view> fields = field_views(text);
        if (fields.empty()) {
            if (blank_line == 0) blank_line = file.line_number();
            continue;
        }
        // A blank line inside the list would cut the grade line short there: the points after
        // it left out, the design elevations beyond the cut missing.
        if (blank_line != 0)
            throw DataError("第 " + std::to_string(blank_line) +
                                " 行是空行，而其后仍有变坡点：变坡点之间不应有空行，请删去空行",
                            file.path(), file.line_number());
        const GradePointLine line = read_line(fields, breaks, file);
        GradePoint point;
        point.mileage = line.mileage;
        point.elevation = line.elevation;
        if (line.radius != 0) {
            point.curve = VerticalCurveKind::parabola;
            point.radius = line.radius;
        }
        point.station = line.station;
        point.line = file.line_number();
        if (auto notice = short_metres_notice(line.station))
            short_stations.push_back("第 " + std::to_string(point.line) + " 行：" + *notice);
        points.push_back(std::move(point));
    }

    Profile profile = build_profile(std::move(points), file.path());
    profile.name = title;
    profile.notices.insert(profile.notices.begin(), short_stations.begin(), short_stations.end());
    const std::string prefix =
        "纵断面资料文件“" + utf8_of(path_from_utf8(file.path()).filename()) + "”：";
    for (std::string& notice : profile.notices) notice.insert(0, prefix);
    return profile;
}

}  // namespace qelt
