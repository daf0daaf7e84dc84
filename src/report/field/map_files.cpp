// The map files: every point is first turned into longitude and latitude and checked against
// its zone, so that a refused map writes nothing; then the KML document is built with pugixml,
// or the GeoJSON text written out.

#include "report/field/map_files.h"

#include <algorithm>
#include <cmath>
#include <pugixml.hpp>
#include <sstream>

#include "base/data_error.h"
#include "base/text.h"
#include "report/drawings/plan_layout.h"
#include "station/station.h"

namespace qelt {
namespace {

constexpr double kLineTolerance = 0.05;   // the centre line within 5 cm of the true curve
constexpr double kMaxStraightStep = 200;  // metres between points on a straight
constexpr double kMaxChords = 100000;     // per stretch: only nonsensical data needs more
constexpr int kDegreeDecimals = 9;        // 1e-9° is 0.1 mm on the ground

template <typename Refusal = DataError>
[[noreturn]] void refuse(const std::string& why) {
    throw Refusal("地图文件（KML、GeoJSON）无法写出：" + why);
}

const std::string kNoSystem =
    std::string(kMapWithoutSystem) +
    "命令行请用 --crs 给出坐标系（如 --crs EPSG:4527，CGCS2000 3° 带第 39 带，Y 带带号），"
    "或用 --central-meridian 给出 CGCS2000 高斯–克吕格投影的中央子午线（如 "
    "--central-meridian 114，假东 500 km，Y 不带带号）；桌面程序只在 Y 带带号时写地图文件";

// A point of the map, with what messages call it.
struct MapPoint {
    Point grid;
    std::string who;
    GeoPoint geo;
};

// Every point of the map, in longitude and latitude.
struct MapData {
    std::vector<MapPoint> line;   // the centre line, start to end
    std::vector<MapPoint> keys;   // the key points, named as the drawing names them
    std::vector<MapPoint> holes;  // one per borehole record
};

std::string borehole_who(const BoreholeRecord& b) {
    if (!b.name.empty()) return "钻孔 " + b.name + "（" + b.group + "，" + b.station + "）";
    return "钻孔“" + b.group + "”第 " + std::to_string(b.serial) + " 号（" + b.station + "）";
}

MapData collect(const Alignment& alignment, std::span<const BoreholeRecord> boreholes) {
    MapData data;
    double ignored = 0;
    for (double mileage : centre_line_mileages(alignment.line, kLineTolerance)) {
        MapPoint p;
        alignment.line.locate(mileage, p.grid, ignored);
        p.who = "中线 " + zh_station_of(alignment.breaks, mileage).text + " 处";
        data.line.push_back(std::move(p));
    }
    for (const KeyPoint& key : alignment.key_points) {
        MapPoint p;
        alignment.line.locate(key.mileage, p.grid, ignored);
        p.who = key.name + " " + zh_station_of(alignment.breaks, key.mileage).text;
        data.keys.push_back(std::move(p));
    }
    for (const BoreholeRecord& b : boreholes)
        data.holes.push_back({{b.x, b.y}, borehole_who(b), {}});
    return data;
}

template <typename F>
void each_point(MapData& data, F f) {
    for (std::vector<MapPoint>* points : {&data.holes, &data.keys, &data.line})
        for (MapPoint& p : *points) f(p);
}

// The grid system of the map: as the user gave it, or read from the first point's prefix.
GridZone resolve(const GridSystem& system, MapData& data) {
    if (!system.crs.empty() && system.central_meridian) refuse("坐标系和中央子午线只能给一个");
    if (!system.crs.empty()) return crs_zone(system.crs);
    std::optional<int> prefix;
    std::string first;
    if (system.central_meridian) return meridian_zone(*system.central_meridian);
    // The first point's prefix; a point with another one is refused as it is projected.
    each_point(data, [&](const MapPoint& p) {
        if (!first.empty()) return;
        first = p.who;
        prefix = zone_prefix(p.grid.y);
    });
    if (first.empty() || !prefix) refuse<MapWithoutSystem>(kNoSystem);
    std::optional<GridZone> zone = prefixed_zone(*prefix);
    if (!zone)
        refuse(first + "的 Y 的带号 " + std::to_string(*prefix) +
               " 不是 CGCS2000 高斯–克吕格投影的带号（6° 带 13–23，3° 带 25–45）");
    return *zone;
}

// Turns every point into longitude and latitude; throws for the first that does not belong.
MapData project(const Alignment& alignment, std::span<const BoreholeRecord> boreholes,
                const GridSystem& system) {
    MapData data = collect(alignment, boreholes);
    each_point(data, [](const MapPoint& p) {
        if (!std::isfinite(p.grid.x) || !std::isfinite(p.grid.y))
            refuse(p.who + "的坐标不是有限数");
    });
    const GridProjection projection(resolve(system, data));
    each_point(data, [&](MapPoint& p) {
        p.geo = projection.geodetic(p.grid);
        if (std::optional<std::string> why = projection.misfit(p.grid, p.geo))
            refuse(p.who + (static_cast<unsigned char>(why->front()) < 0x80 ? "的 " : "的") + *why);
    });
    return data;
}

// --- KML 2.2 --------------------------------------------------------------------------------

// Text as XML 1.0 may carry it: control characters other than tab and line end cannot stand
// in an XML document at all, escaped or not.
std::string xml_text(const std::string& text) {
    std::string out;
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        out += (u < 0x20 && c != '\t' && c != '\n') || u == 0x7F ? ' ' : c;
    }
    return out;
}

std::string lon_lat(GeoPoint g) {
    return fixed_text(g.longitude, kDegreeDecimals) + "," + fixed_text(g.latitude, kDegreeDecimals);
}

void add_text(pugi::xml_node parent, const char* name, const std::string& text) {
    parent.append_child(name).text().set(xml_text(text).c_str());
}

void add_style(pugi::xml_node document, const char* id, const char* icon_colour, double scale,
               const char* line_colour) {
    pugi::xml_node style = document.append_child("Style");
    style.append_attribute("id").set_value(id);
    if (icon_colour) {
        pugi::xml_node icon = style.append_child("IconStyle");
        add_text(icon, "color", icon_colour);
        add_text(icon, "scale", fixed_text(scale, 1));
        add_text(style.append_child("LabelStyle"), "scale", "0.8");
    }
    if (line_colour) {
        pugi::xml_node line = style.append_child("LineStyle");
        add_text(line, "color", line_colour);
        add_text(line, "width", "3");
    }
}

pugi::xml_node add_point_placemark(pugi::xml_node folder, const std::string& name,
                                   const char* style, GeoPoint at) {
    pugi::xml_node placemark = folder.append_child("Placemark");
    add_text(placemark, "name", name);
    add_text(placemark, "styleUrl", style);
    add_text(placemark.append_child("Point"), "coordinates", lon_lat(at));
    return placemark;
}

// Whether the list plans its holes' depths or types: only then do the holes carry the
// properties depth and hole_type (each hole, empty where it gives none), so that the maps of
// other lists stay as they were.
bool plans_holes(std::span<const BoreholeRecord> holes) {
    for (const BoreholeRecord& b : holes)
        if (b.depth || !b.hole_type.empty()) return true;
    return false;
}

void add_data(pugi::xml_node extended, const char* name, const std::string& value) {
    pugi::xml_node data = extended.append_child("Data");
    data.append_attribute("name").set_value(name);
    add_text(data, "value", value);
}

void write_kml(std::ostream& out, const MapData& data, std::span<const BoreholeRecord> holes,
               const std::string& title) {
    pugi::xml_document doc;
    pugi::xml_node declaration = doc.append_child(pugi::node_declaration);
    declaration.append_attribute("version").set_value("1.0");
    declaration.append_attribute("encoding").set_value("UTF-8");
    pugi::xml_node kml = doc.append_child("kml");
    kml.append_attribute("xmlns").set_value("http://www.opengis.net/kml/2.2");
    pugi::xml_node document = kml.append_child("Document");
    add_text(document, "name", title);
    // KML colours are aabbggrr: the centre line red, key points blue, boreholes yellow.
    add_style(document, "centre-line", nullptr, 0, "ff0000ff");
    add_style(document, "key-point", "ffff8000", 0.7, nullptr);
    add_style(document, "borehole", "ff00ffff", 1.0, nullptr);

    pugi::xml_node line_folder = document.append_child("Folder");
    add_text(line_folder, "name", kLayerCentreLine);
    pugi::xml_node line = line_folder.append_child("Placemark");
    add_text(line, "name", kLayerCentreLine);
    add_text(line, "styleUrl", "#centre-line");
    pugi::xml_node line_string = line.append_child("LineString");
    add_text(line_string, "tessellate", "1");
    std::string coordinates;
    for (const MapPoint& p : data.line) coordinates += lon_lat(p.geo) + "\n";
    add_text(line_string, "coordinates", coordinates);

    pugi::xml_node key_folder = document.append_child("Folder");
    add_text(key_folder, "name", kLayerKeyPoints);
    for (const MapPoint& p : data.keys) add_point_placemark(key_folder, p.who, "#key-point", p.geo);

    // A folder per group, in the order of the table; a group title met again after another
    // group starts a folder of its own, as the table has a group of its own there.
    // Each hole is named on the map by its stakeout point name (A1, ZK1-B), the name the crew
    // has in the controller, so that map, controller and table speak of the same hole.
    const bool planned = plans_holes(holes);
    pugi::xml_node folder;
    for (std::size_t i = 0; i < holes.size(); ++i) {
        const BoreholeRecord& b = holes[i];
        if (i == 0 || b.group != holes[i - 1].group) {
            folder = document.append_child("Folder");
            add_text(folder, "name", b.group);
        }
        const std::string serial = std::to_string(b.serial);
        pugi::xml_node placemark =
            add_point_placemark(folder, b.point_name, "#borehole", data.holes[i].geo);
        std::string description =
            "点名：" + b.point_name + "\n分组：" + b.group + "\n序号：" + serial;
        if (!b.name.empty()) description += "\n孔号：" + b.name;
        description += "\n桩号：" + b.station + "\n距中线：" + b.offset_text +
                       " m（左为正，右为负）\nX：" + fixed_text(b.x, 3) + "\nY：" +
                       fixed_text(b.y, 3);
        if (!b.remark.empty()) description += "\n备注：" + b.remark;
        if (b.depth) description += "\n孔深：" + fixed_text(*b.depth, 2) + " m";
        if (!b.hole_type.empty()) description += "\n类别：" + b.hole_type;
        // The description after the name, before the point, as the schema orders them.
        placemark.insert_child_after("description", placemark.child("name"))
            .text()
            .set(xml_text(description).c_str());
        pugi::xml_node extended =
            placemark.insert_child_after("ExtendedData", placemark.child("styleUrl"));
        add_data(extended, "point", b.point_name);
        add_data(extended, "group", b.group);
        add_data(extended, "serial", serial);
        add_data(extended, "name", b.name);
        add_data(extended, "station", b.station);
        add_data(extended, "offset", b.offset_text);
        add_data(extended, "remark", b.remark);
        if (planned) {
            add_data(extended, "depth", b.depth ? shortest_number(*b.depth) : "");
            add_data(extended, "hole_type", b.hole_type);
        }
    }
    doc.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
}

// --- GeoJSON (RFC 7946) ---------------------------------------------------------------------

// A JSON string: quotes, backslashes and control characters escaped, everything else (UTF-8
// Chinese among it) as it is.
std::string json_string(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (u < 0x20) {
            const char* const hex = "0123456789abcdef";
            out += "\\u00";
            out += hex[u >> 4];
            out += hex[u & 15];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// A number as JSON has them: the shortest text that reads back, and no "-0".
std::string json_number(double value) {
    return shortest_number(value == 0 ? 0.0 : value);
}

std::string json_position(GeoPoint g) {
    // Appended piece by piece: `"[" + text` makes g++ 12 at -O3 warn of an overlapping copy (a
    // false -Wrestrict) and stop an optimised build.
    std::string text(1, '[');
    text += fixed_text(g.longitude, kDegreeDecimals);
    text += ',';
    text += fixed_text(g.latitude, kDegreeDecimals);
    text += ']';
    return text;
}

void write_geojson(std::ostream& out, const MapData& data, std::span<const BoreholeRecord> holes,
                   const std::string& title) {
    std::string text =
        "{\"type\":\"FeatureCollection\",\"name\":" + json_string(title) + ",\"features\":[\n";
    text += "{\"type\":\"Feature\",\"properties\":{\"kind\":\"centre_line\",\"name\":" +
            json_string(kLayerCentreLine) +
            "},\"geometry\":{\"type\":\"LineString\",\"coordinates\":[";
    for (std::size_t i = 0; i < data.line.size(); ++i) {
        if (i) text += ',';
        text += json_position(data.line[i].geo);
    }
    text += "]}}";
    for (std::size_t i = 0; i < data.keys.size(); ++i) {
        text += ",\n{\"type\":\"Feature\",\"properties\":{\"kind\":\"key_point\",\"name\":" +
                json_string(data.keys[i].who) + "},\"geometry\":{\"type\":\"Point\"," +
                "\"coordinates\":" + json_position(data.keys[i].geo) + "}}";
    }
    const bool planned = plans_holes(holes);
    for (std::size_t i = 0; i < holes.size(); ++i) {
        const BoreholeRecord& b = holes[i];
        text += ",\n{\"type\":\"Feature\",\"properties\":{\"kind\":\"borehole\",\"point\":" +
                json_string(b.point_name) + ",\"group\":" + json_string(b.group) +
                ",\"serial\":" + std::to_string(b.serial) + ",\"name\":" + json_string(b.name) +
                ",\"station\":" + json_string(b.station) +
                ",\"station_value\":" + json_number(b.station_value) +
                ",\"offset\":" + json_number(b.offset) + ",\"x\":" + json_number(b.x) +
                ",\"y\":" + json_number(b.y) + ",\"remark\":" + json_string(b.remark) +
                (planned ? ",\"depth\":" + (b.depth ? json_number(*b.depth) : "null") +
                               ",\"hole_type\":" + json_string(b.hole_type)
                         : std::string()) +
                "},\"geometry\":{\"type\":\"Point\",\"coordinates\":" +
                json_position(data.holes[i].geo) + "}}";
    }
    text += "\n]}\n";
    out << text;
}

}  // namespace

std::vector<double> centre_line_mileages(const LocatedLine& line, double tolerance) {
    std::vector<double> mileages{line.start_mileage()};
    // From the last point so far to `to`, along a stretch whose curvature is at most k_max.
    const auto stretch = [&](double to, double k_max) {
        const double from = mileages.back();
        if (!(to > from)) return;
        double step = kMaxStraightStep;
        if (k_max > 0) step = std::min(step, chord_for_sagitta(k_max, tolerance));
        const double n = std::min(std::ceil((to - from) / step), kMaxChords);
        const long count = n >= 1 ? static_cast<long>(n) : 1L;
        for (long j = 1; j < count; ++j)
            mileages.push_back(from +
                               (to - from) * static_cast<double>(j) / static_cast<double>(count));
        mileages.push_back(to);
    };
    // Each piece as far as it runs before the next takes over (a piece starting before the
    // end of the one before cuts it short), and the straight that fills a gap after it.
    const std::vector<Piece>& pieces = line.pieces();
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const Piece& p = pieces[i];
        stretch(p.start_mileage, 0);
        const double next =
            i + 1 < pieces.size() ? pieces[i + 1].start_mileage : line.end_mileage();
        const double own_end = std::min(p.start_mileage + p.length, next);
        const double k_end = p.k0 + (p.k1 - p.k0) * (own_end - p.start_mileage) / p.length;
        stretch(own_end, std::max(std::fabs(p.k0), std::fabs(k_end)));
    }
    stretch(line.end_mileage(), 0);
    return mileages;
}

void write_map_file(std::ostream& out, MapFormat format, const Alignment& alignment,
                    std::span<const BoreholeRecord> boreholes, const GridSystem& system,
                    const std::string& title) {
    const MapData data = project(alignment, boreholes, system);
    if (format == MapFormat::kml)
        write_kml(out, data, boreholes, title);
    else
        write_geojson(out, data, boreholes, title);
}

std::optional<std::string> map_file_problem(const Alignment& alignment,
                                            std::span<const BoreholeRecord> boreholes,
                                            const GridSystem& system) {
    try {
        project(alignment, boreholes, system);
    } catch (const DataError& e) {
        return std::string(e.what());
    }
    return std::nullopt;
}

}  // namespace qelt
