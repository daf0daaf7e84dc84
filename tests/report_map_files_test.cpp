// The map files: the centre line's sampling against the located line, the KML read back with
// pugixml and the GeoJSON with Python's json module, their coordinates against the Krüger
// series, and the maps that are refused (naming the point) rather than drawn in the wrong place.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <pugixml.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "base/data_error.h"
#include "krueger_series.h"
#include "report/field/map_files.h"
#include "report/field/stakeout.h"
#include "station/station.h"
#include "test_files.h"

namespace qelt {
namespace {

using testing::ground_distance;
using testing::kGrs80;
using testing::KruegerSeries;

// Distance of `p` from the chord a–b, metres.
double from_chord(Point p, Point a, Point b) {
    const double dx = b.x - a.x, dy = b.y - a.y, length2 = dx * dx + dy * dy;
    double t = length2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / length2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy);
}

TEST(MapCentreLine, WithinFiveCentimetresOfTheCurve) {
    // A tight arc (R 15 m), transitions both ways, a long straight, a gap filled by the straight
    // along the end tangent and a piece taking over before the end so far.
    LocatedLine line;
    line.reset(500, {3512000, 39498500}, 0.4);
    line.append(0, 0, 1000);
    line.append(0, 1.0 / 300, 80);
    line.append(1.0 / 300, 1.0 / 300, 150);
    line.append(1.0 / 300, -1.0 / 15, 60);
    line.append(-1.0 / 15, -1.0 / 15, 40);
    const Point after_gap = place(line.end_point(), line.end_azimuth(), 7, 0);
    line.append(Piece{line.end_mileage() + 7, after_gap, line.end_azimuth(), 0, 1.0 / 800, 100});
    Piece overlap{line.end_mileage() - 4, {}, 0, 1.0 / 800, 1.0 / 800, 90};
    line.locate(overlap.start_mileage, overlap.start, overlap.start_azimuth);
    line.append(overlap);

    const std::vector<double> mileages = centre_line_mileages(line, 0.05);
    EXPECT_EQ(mileages.front(), line.start_mileage());
    EXPECT_EQ(mileages.back(), line.end_mileage());
    double worst = 0, longest = 0;
    for (std::size_t i = 1; i < mileages.size(); ++i) {
        ASSERT_GT(mileages[i], mileages[i - 1]);
        longest = std::max(longest, mileages[i] - mileages[i - 1]);
        Point a, b, p;
        double azimuth = 0;
        line.locate(mileages[i - 1], a, azimuth);
        line.locate(mileages[i], b, azimuth);
        for (int j = 1; j < 16; ++j) {
            line.locate(mileages[i - 1] + (mileages[i] - mileages[i - 1]) * j / 16, p, azimuth);
            worst = std::max(worst, from_chord(p, a, b));
        }
    }
    EXPECT_LE(worst, 0.05);
    EXPECT_GT(worst, 0.02);  // not drawn ten times finer than asked
    EXPECT_LE(longest, 200);
}

// A main line near 117°E, 31.7°N (zone 39, its Y with the prefix unless told otherwise) and its
// table, a group title met again after another group among it.
struct Road {
    Alignment alignment;
    std::vector<BoreholeRecord> holes;

    explicit Road(double y0 = 39498500) {
        LocatedLine& line = alignment.line;
        line.reset(0, {3512000, y0}, 0.3);
        for (double k : {0.0, 1.0 / 600}) line.append(k, 1.0 / 600 - k, 100);
        line.append(1.0 / 600, 1.0 / 600, 250);
        line.append(1.0 / 600, 0, 100);
        alignment.key_points = element_key_points(line);
        dl_complete(alignment.breaks, line.start_mileage(), line.end_mileage());
        add("一号桥", 1, "", 100, 0, "0", "0#桥台");
        add("一号桥", 2, "", 120, -6.5, "-6.5", "1#墩 <左> & \"右\"\x01");
        add("二号涵", 1, "ZK3", 500, 12, "12", "");
        add("一号桥", 1, "", 520, 3, "3.0", "");
    }
    void add(const char* group, int serial, const char* name, double mileage, double offset,
             const char* offset_text, const char* remark) {
        Point c;
        double azimuth = 0;
        alignment.line.locate(mileage, c, azimuth);
        const Point p = place(c, azimuth, 0, -offset);
        holes.push_back({group, serial, name, zh_station_of(alignment.breaks, mileage).text,
                         mileage, offset, offset_text, p.x, p.y, remark});
        holes.back().point_name = stakeout_names(holes).back();
    }
};

const KruegerSeries kZone39({kGrs80, 117, 0, 1, 39500000, 0});

// "lon,lat" with at least 8 decimals each.
GeoPoint parse_lon_lat(const std::string& text) {
    const std::size_t comma = text.find(',');
    EXPECT_NE(comma, std::string::npos) << text;
    for (const std::string& part : {text.substr(0, comma), text.substr(comma + 1)})
        EXPECT_GE(part.size() - part.find('.') - 1, 8u) << text;
    return {std::stod(text.substr(0, comma)), std::stod(text.substr(comma + 1))};
}

TEST(MapFiles, KmlReadBackHasTheTableAtItsPlaces) {
    const Road road;
    std::ostringstream out;
    write_map_file(out, MapFormat::kml, road.alignment, road.holes, {}, "某高速 <一标>");
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(out.str().c_str())) << out.str().substr(0, 400);
    EXPECT_STREQ(doc.child("kml").attribute("xmlns").value(), "http://www.opengis.net/kml/2.2");
    const pugi::xml_node document = doc.child("kml").child("Document");
    EXPECT_STREQ(document.child_value("name"), "某高速 <一标>");

    std::vector<std::string> folders;
    for (pugi::xml_node f : document.children("Folder")) folders.push_back(f.child_value("name"));
    EXPECT_EQ(folders,
              (std::vector<std::string>{"线路中线", "曲线主点", "一号桥", "二号涵", "一号桥"}));

    // The centre line: one point per sampled mileage, the last at the line's end.
    std::istringstream line(
        document.child("Folder").child("Placemark").child("LineString").child_value("coordinates"));
    std::vector<std::string> points{std::istream_iterator<std::string>(line), {}};
    EXPECT_EQ(points.size(), centre_line_mileages(road.alignment.line, 0.05).size());
    const Point end = road.alignment.line.end_point();
    EXPECT_LT(ground_distance(parse_lon_lat(points.back()), kZone39.inverse(end)), 1e-3);

    // Key points named as on the drawing.
    const pugi::xml_node keys = document.child("Folder").next_sibling("Folder");
    EXPECT_STREQ(keys.child("Placemark").child_value("name"), "起点 K0+000");

    // Every borehole in its group's folder, named by its stakeout point name (the crew's name
    // for it in the controller), its row as the description.
    std::size_t k = 0;
    for (pugi::xml_node folder = keys.next_sibling("Folder"); folder;
         folder = folder.next_sibling("Folder")) {
        for (pugi::xml_node placemark : folder.children("Placemark")) {
            ASSERT_LT(k, road.holes.size());
            const BoreholeRecord& b = road.holes[k];
            EXPECT_EQ(folder.child_value("name"), b.group);
            EXPECT_EQ(placemark.child_value("name"), b.point_name);
            ++k;
            const std::string description = placemark.child_value("description");
            for (const std::string& part : {b.group, b.station, b.offset_text})
                EXPECT_NE(description.find(part), std::string::npos) << description;
            const GeoPoint at = parse_lon_lat(placemark.child("Point").child_value("coordinates"));
            EXPECT_LT(ground_distance(at, kZone39.inverse({b.x, b.y})), 1e-3) << b.station;
        }
    }
    EXPECT_EQ(k, road.holes.size());
    // Markup characters come back as typed; a control character, which XML cannot carry at
    // all, as a blank.
    EXPECT_NE(out.str().find("1#墩 &lt;左&gt; &amp; \"右\" </description>"), std::string::npos);
}

#ifndef _WIN32
TEST(MapFiles, GeoJsonReadBackWithPython) {
    const Road road;
    std::ostringstream out;
    write_map_file(out, MapFormat::geojson, road.alignment, road.holes, {}, "某高速\\一标");
    ASSERT_NE(out.str().substr(0, 3), "\xEF\xBB\xBF");
    const testing::TempDir dir;
    // Python's json module prints the collection's name, then a line per borehole.
    const std::string command =
        "/usr/bin/python3 -c \"import json,sys\n"
        "d=json.load(open(sys.argv[1],encoding='utf-8')); print(d['type'], d['name'])\n"
        "for f in d['features']:\n"
        "  p=f['properties']; c=f['geometry']['coordinates']\n"
        "  if p['kind']=='borehole': print(p['station'], repr(c[0]), repr(c[1]), repr(p['remark']))"
        "\" " +
        dir.write("map.json", out.str());
    std::FILE* pipe = popen(command.c_str(), "r");
    ASSERT_TRUE(pipe);
    std::string text;
    for (int c; (c = std::fgetc(pipe)) != EOF;) text += static_cast<char>(c);
    ASSERT_EQ(pclose(pipe), 0);
    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "FeatureCollection 某高速\\一标");
    for (const BoreholeRecord& b : road.holes) {
        ASSERT_TRUE(std::getline(lines, line));
        std::istringstream fields(line);
        std::string station;
        double lon = 0, lat = 0;
        fields >> station >> lon >> lat;
        EXPECT_EQ(station, b.station);
        EXPECT_LT(ground_distance({lon, lat}, kZone39.inverse({b.x, b.y})), 1e-3) << b.station;
        if (b.serial == 2) {
            EXPECT_NE(line.find("'1#墩 <左> & \"右\"\\x01'"), std::string::npos) << line;
        }
    }
}
#endif

TEST(MapFiles, RefusedNamingThePointRatherThanMisplaced) {
    struct Case {
        const char* what;
        GridSystem system;
        double y0;                      // where the road starts east
        double hole_dy;                 // the second borehole moved east by this much
        std::vector<std::string> says;  // empty: written
    };
    const char* const who = "钻孔“一号桥”第 2 号（K0+120）的";
    const Case cases[] = {
        {"zone from the prefix", {}, 39498500, 0, {}},
        {"EPSG:4527, prefixed", {"EPSG:4527", {}}, 39498500, 0, {}},
        {"meridian, no prefix", {"", 117.0}, 498500, 0, {}},
        {"no system, no prefix",
         {},
         498500,
         0,
         {"--crs EPSG:4527", "--central-meridian 114", "桌面"}},
        {"mixed prefixes",
         {},
         39498500,
         -1e6,
         {who, "带号 38 与坐标系 CGCS2000 3° 带第 39 带", "39 不符"}},
        {"3.6° out", {}, 39498500, 350000, {who, "超出", "已有 3.6"}},
        {"meridian, prefixed Y", {"", 117.0}, 39498500, 0, {"带有带号 39", "不带带号"}},
        {"EPSG:4548, prefixed Y", {"EPSG:4548", {}}, 39498500, 0, {"带有带号 39", "不带带号"}},
        {"both given", {"EPSG:4527", 117.0}, 39498500, 0, {"只能给一个"}},
        {"Xi'an 80", {"EPSG:2383", {}}, 498500, 0, {"西安 80"}},
    };
    for (const Case& c : cases) {
        Road r(c.y0);
        r.holes[1].y += c.hole_dy;
        const std::optional<std::string> problem = map_file_problem(r.alignment, r.holes, c.system);
        std::ostringstream out;
        if (c.says.empty()) {
            EXPECT_FALSE(problem) << c.what << ": " << *problem;
            continue;
        }
        ASSERT_TRUE(problem) << c.what;
        for (const std::string& part : c.says)
            EXPECT_NE(problem->find(part), std::string::npos) << c.what << ": " << *problem;
        EXPECT_THROW(write_map_file(out, MapFormat::kml, r.alignment, r.holes, c.system, "t"),
                     DataError);
        EXPECT_TRUE(out.str().empty()) << c.what;
    }
}

}  // namespace
}  // namespace qelt
