// The ground of a 纬地 line: the centre line's (.dmx) and across it (.hdm), as the route group's
// field survey measured it at the stakes.
#include <algorithm>
#include <string>
#include <vector>

#include "base/data_error.h"
#include "base/utf8_path.h"
#include "input/formats.h"
#include "input/hintcad/hintcad_lines.h"

namespace qelt {

namespace {

std::vector<CentreGroundPoint> read_centre_line(const std::string& path,
                                                const ChainBreaks& breaks) {
    DetectedFile file = detect_format(path);
    HintcadLines in(file, HintcadKind::ground_line);
    std::vector<CentreGroundPoint> points;
    while (in.next()) {
        in.expect_fields(2, "桩号 地面高程");
        CentreGroundPoint point;
        point.mileage = in.mileage(0, breaks, point.station);
        point.elevation = in.number(1, "地面高程");
        if (!points.empty())
            in.refuse_unless_after(point.mileage, points.back().mileage,
                                   "上一行的桩号 " + points.back().station, "桩号应递增");
        points.push_back(std::move(point));
    }
    if (points.size() < 2) in.refuse("地面线至少要有两个桩号");
    return points;
}

// One side of a section: "n d1 h1 … dn hn", each distance and height from the point before.
std::vector<SectionPoint> read_side(const HintcadLines& in, const char* side, double centre) {
    const std::vector<std::string>& f = in.fields();
    const long n = in.count(0, side);
    if (static_cast<long>(f.size()) != 1 + 2 * n)
        in.refuse(std::string(side) + "的点数为 " + f[0] + "，其后应有 " + std::to_string(2 * n) +
                  " 个数（" + std::to_string(n) + " 对“平距 高差”），实有 " +
                  std::to_string(f.size() - 1) + " 个");
    std::vector<SectionPoint> points;
    double distance = 0, elevation = centre;
    for (long j = 0; j < n; ++j) {
        const std::size_t i = 1 + 2 * static_cast<std::size_t>(j);
        distance += in.distance(
            i, (std::string(side) + "第 " + std::to_string(j + 1) + " 点的平距").c_str());
        elevation += in.number(
            i + 1, (std::string(side) + "第 " + std::to_string(j + 1) + " 点的高差").c_str());
        points.push_back({distance, elevation});
    }
    return points;
}

std::vector<GroundSection> read_sections(const std::string& path, const ChainBreaks& breaks,
                                         const SectionGround& centre_line) {
    DetectedFile file = detect_format(path);
    HintcadLines in(file, HintcadKind::sections);
    std::vector<GroundSection> sections;
    while (in.next()) {
        in.expect_fields(1, "断面桩号");
        GroundSection section;
        section.mileage = in.mileage(0, breaks, section.station);
        if (!sections.empty())
            in.refuse_unless_after(section.mileage, sections.back().mileage,
                                   "上一断面的桩号 " + sections.back().station, "断面的桩号应递增");
        // The heights of a section are from its centre stake, whose ground the centre line's
        // survey gives.
        const SectionGroundAnswer centre = centre_line.at(section.mileage, 0);
        if (!centre.elevation)
            in.refuse("断面 " + section.station +
                      " 不在纵向地面线的桩号范围内，中桩的地面高程无从得知");
        section.centre = *centre.elevation;
        const long station_line = in.line();
        if (!in.next())
            throw DataError(hintcad_file_name(HintcadKind::sections) + "：断面 " + section.station +
                                " 缺少左侧和右侧的行（每个断面三行：桩号、左侧、右侧）",
                            in.path(), station_line);
        section.left = read_side(in, "左侧", section.centre);
        if (!in.next())
            throw DataError(hintcad_file_name(HintcadKind::sections) + "：断面 " + section.station +
                                " 缺少右侧的行（每个断面三行：桩号、左侧、右侧）",
                            in.path(), in.line());
        section.right = read_side(in, "右侧", section.centre);
        sections.push_back(std::move(section));
    }
    if (sections.empty()) in.refuse("第一行之后没有断面");
    return sections;
}

}  // namespace

Terrain hintcad_read_ground(const std::string& ground_line,
                            const std::optional<std::string>& sections,
                            const Alignment& alignment) {
    SectionGround centre(alignment.line, read_centre_line(ground_line, alignment.breaks), {});
    const std::string& source = sections ? *sections : ground_line;
    const std::string name = utf8_of(path_from_utf8(source).filename());
    if (!sections) return Terrain(std::move(centre), name);
    std::vector<GroundSection> across = read_sections(*sections, alignment.breaks, centre);
    return Terrain(SectionGround(alignment.line, centre.centre_line(), std::move(across)), name);
}

}  // namespace qelt
