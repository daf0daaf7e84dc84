#include "input/survey/terrain_readers.h"

#include <algorithm>

#include "base/data_error.h"
#include "base/line_reader.h"
#include "base/text.h"
#include "base/utf8_path.h"
#include "input/formats.h"
#include "input/landxml/landxml_document.h"
#include "input/landxml/landxml_surfaces.h"
#include "input/survey/surveyed_points.h"
#include "terrain/delaunay.h"

namespace qelt {

namespace {

// The "点名 X Y H" line of a plain points file.
TerrainPoint blank_separated_point(const std::string& line) {
    const std::vector<std::string> f = split_fields(line);
    if (f.size() != 4)
        throw DataError("地面点的一行应为“点名 X Y H” 4 项，这一行有 " + std::to_string(f.size()) +
                        " 项");
    const auto value = [&](std::size_t i, const char* what) {
        if (auto v = parse_folded_number(f[i])) return *v;
        throw DataError(std::string(what) + "“" + f[i] + "”不是数");
    };
    return {value(1, "X（北坐标）"), value(2, "Y（东坐标）"), value(3, "H（高程）")};
}

}  // namespace

Terrain read_terrain_points(Documents& documents, const std::string& path) {
    const std::string& first = documents.first_line(path);
    const PointsLayoutChoice choice =
        points_layout(path, first.empty() ? std::nullopt : std::optional<std::string>(first));
    DetectedFile file = documents.text(path);
    std::vector<TerrainPoint> points;
    std::vector<long> lines;
    std::string line;
    while (file.next(line)) {
        if (trim_blanks(line).empty()) continue;
        const long at = file.line_number();
        try {
            if (choice.layout == PointsLayout::grouped) {
                points.push_back(blank_separated_point(line));
            } else {
                const SurveyedPoint p = surveyed_point(choice, line);
                if (!p.height) throw DataError("点“" + p.name + "”没有 H（高程）：地面点须有高程");
                points.push_back({p.point.x, p.point.y, *p.height});
            }
        } catch (const DataError& e) {
            throw DataError(std::string("地面点文件：") + e.what(), path, at);
        }
        lines.push_back(at);
    }

    // Repeated shots: one point where they agree, a refusal naming both lines where they do not.
    std::vector<std::size_t> order(points.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        if (points[a].x != points[b].x) return points[a].x < points[b].x;
        if (points[a].y != points[b].y) return points[a].y < points[b].y;
        return a < b;
    });
    std::vector<bool> repeated(points.size(), false);
    for (std::size_t k = 1; k < order.size(); ++k) {
        const TerrainPoint &a = points[order[k - 1]], &b = points[order[k]];
        if (a.x != b.x || a.y != b.y) continue;
        if (a.z != b.z)
            throw DataError("地面点文件第 " + std::to_string(lines[order[k - 1]]) + " 行与第 " +
                                std::to_string(lines[order[k]]) + " 行的点 X、Y 相同而高程不同（" +
                                shortest_number(a.z) + "、" + shortest_number(b.z) +
                                "）：不知哪个是地面",
                            path, lines[order[k]]);
        repeated[order[k]] = true;
    }
    std::vector<TerrainPoint> distinct;
    distinct.reserve(points.size());
    for (std::size_t i = 0; i < points.size(); ++i)
        if (!repeated[i]) distinct.push_back(points[i]);
    points = {};

    std::vector<TerrainFace> faces = delaunay_faces(distinct);
    if (faces.empty())
        throw DataError("地面点文件只有 " + std::to_string(distinct.size()) + " 个不同的点" +
                            (distinct.size() >= 3 ? "，且都在一条直线上" : "") +
                            "：至少要有不在一条直线上的 3 个点才能构成地面",
                        path, lines.empty() ? 0 : lines.back());
    return Terrain(std::move(distinct), std::move(faces), utf8_of(path_from_utf8(path).filename()));
}

std::vector<SurfaceSummary> surfaces_in_line_file(Documents& documents, const std::string& path) {
    if (documents.format(path) != FileFormat::xml) return {};
    return landxml_surfaces(documents.landxml(path));
}

Terrain read_terrain(Documents& documents, const std::string& path,
                     const std::optional<std::string>& surface_name) {
    refuse_other_kind(path, documents.kind(path), FileStep::ground);
    if (documents.format(path) == FileFormat::xml)
        return landxml_terrain(documents.landxml(path), surface_name);
    // A 纬地 ground is the line's: its stations need the line (hintcad_read_ground).
    if (documents.format(path) == FileFormat::hintcad)
        throw DataError(
            "纬地的地面线（.dmx）和横断面（.hdm）随线路读取：命令行请用 "
            "--ground-line 和 --sections 给出，不用 --terrain",
            path, 1);
    return read_terrain_points(documents, path);
}

}  // namespace qelt
