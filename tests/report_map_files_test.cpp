// The map files: the centre line's sampling against the located line, the KML read back with
// pugixml and the GeoJSON with Python's json module, their coordinates against the Krüger
// series, and the maps that are refused (naming the point) rather than drawn in the wrong place.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <pugixml.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "base/data_error.h"
#include "krueger_series.h"
#include "report/map_files.h"
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
    Piece gap{line.end_mileage() + 7,
              place(line.end_point(), line.end_azimuth(), 7, 0),
              line.end_azimuth(),
              0,
              1.0 / 800,
              100};
    line.append(gap);
    Piece overlap{line.end_mileage() - 4, {}, 0, 1.0 / 800, 1.0 / 800, 90};
    line.locate(overlap.start_mileage, overlap.start, overlap.start_azimuth);
    line.append(overlap);

    const std::vector<double> mileages = centre_line_mileages(line, 0.05);
    ASSERT_GE(mileages.size(), 2u);
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

// A main line in zone 39 with its prefix (near 117°E, 31.7°N) and its table of boreholes.
struct Road {
    Alignment alignment;
    std::vector<BoreholeRecord> holes;

    Road() {
        LocatedLine& line = alignment.line;
        line.reset(0, {3512000, 39498500}, 0.3);
        line.append(0, 0, 300);
        line.append(0, 1.0 / 600, 100);
        line.append(1.0 / 600, 1.0 / 600, 250);
        line.append(1.0 / 600, 0, 100);
        line.append(0, 0, 200);
        alignment.key_points = element_key_points(line);
        dl_complete(alignment.breaks, line.start_mileage(), line.end_mileage());
        add("一号桥", 1, "", 100, 0, "0", "0#桥台");
        add("一号桥", 2, "", 120, -6.5, "-6.5", "1#墩 <左> & \"右\"\x01");
        add("二号涵", 1, "ZK3", 500, 12, "12", "");
        add("一号桥", 1, "", 800, 3, "3.0", "又一组同名");
    }
    void add(const char* group, int serial, const char* name, double mileage, double offset,
             const char* offset_text, const char* remark) {
        Point c;
        double azimuth = 0;
        alignment.line.locate(mileage, c, azimuth);
        const Point p = place(c, azimuth, 0, -offset);
        holes.push_back({group, serial, name, zh_station_of(alignment.breaks, mileage).text,
                         mileage, offset, offset_text, p.x, p.y, remark});
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
    const pugi::xml_node kml = doc.child("kml");
    EXPECT_STREQ(kml.attribute("xmlns").value(), "http://www.opengis.net/kml/2.2");
    const pugi::xml_node document = kml.child("Document");
    EXPECT_STREQ(document.child_value("name"), "某高速 <一标>");

    std::vector<std::string> folders;
    for (pugi::xml_node f : document.children("Folder")) folders.push_back(f.child_value("name"));
    EXPECT_EQ(folders,
              (std::vector<std::string>{"线路中线", "曲线主点", "一号桥", "二号涵", "一号桥"}));

    // The centre line, point by point, against the series' longitude and latitude.
    const std::vector<double> mileages = centre_line_mileages(road.alignment.line, 0.05);
    std::istringstream coordinates(
        document.child("Folder").child("Placemark").child("LineString").child_value("coordinates"));
    std::size_t n = 0;
    double worst = 0;
    for (std::string token; coordinates >> token; ++n) {
        ASSERT_LT(n, mileages.size());
        Point p;
        double azimuth = 0;
        road.alignment.line.locate(mileages[n], p, azimuth);
        worst = std::max(worst, ground_distance(parse_lon_lat(token), kZone39.inverse(p)));
    }
    EXPECT_EQ(n, mileages.size());
    EXPECT_LT(worst, 1e-3);

    // Key points named as on the drawing.
    const pugi::xml_node keys = document.child("Folder").next_sibling("Folder");
    EXPECT_STREQ(keys.child("Placemark").child_value("name"), "起点 K0+000");

    // Every borehole in its group's folder, named by its serial or its own name, its row as
    // the description.
    std::size_t k = 0;
    for (pugi::xml_node folder = keys.next_sibling("Folder"); folder;
         folder = folder.next_sibling("Folder")) {
        for (pugi::xml_node placemark : folder.children("Placemark")) {
            ASSERT_LT(k, road.holes.size());
            const BoreholeRecord& b = road.holes[k++];
            EXPECT_EQ(folder.child_value("name"), b.group);
            EXPECT_EQ(placemark.child_value("name"),
                      b.name.empty() ? std::to_string(b.serial) : b.name);
            const std::string description = placemark.child_value("description");
            for (const std::string& part : {b.group, b.station, b.offset_text})
                EXPECT_NE(description.find(part), std::string::npos) << description;
            const GeoPoint at = parse_lon_lat(placemark.child("Point").child_value("coordinates"));
            EXPECT_LT(ground_distance(at, kZone39.inverse({b.x, b.y})), 1e-3) << b.station;
        }
    }
    EXPECT_EQ(k, road.holes.size());
    // The remark's markup characters come back as typed; the control character, which XML
    // cannot carry, as a blank.
    const std::string all = out.str();
    EXPECT_NE(std::string(doc.select_node("//Placemark[name='2']/description").node().child_value())
                  .find("1#墩 <左> & \"右\" "),
              std::string::npos);
    EXPECT_EQ(all.find('\x01'), std::string::npos);
}

#ifndef _WIN32
TEST(MapFiles, GeoJsonReadBackWithPython) {
    const Road road;
    std::ostringstream out;
    write_map_file(out, MapFormat::geojson, road.alignment, road.holes, {}, "某高速\\一标");
    const std::string text = out.str();
    ASSERT_NE(text.substr(0, 3), "\xEF\xBB\xBF");
    const testing::TempDir dir;
    const std::string path = dir.write("map.json", text);
    // Python's json module prints what the file holds: one line per feature.
    const std::string command =
        "/usr/bin/python3 -c \"import json,sys\n"
        "d=json.load(open(sys.argv[1],encoding='utf-8'))\n"
        "print(d['type'], d['name'])\n"
        "for f in d['features']:\n"
        "  p=f['properties']; g=f['geometry']; c=g['coordinates']\n"
        "  c=c if g['type']=='Point' else c[len(c)//2]\n"
        "  print(p['kind'], g['type'], repr(c[0]), repr(c[1]), p.get('station',''),"
        " json.dumps(p.get('remark',''),ensure_ascii=False))\n\" " +
        path;
    std::FILE* pipe = popen(command.c_str(), "r");
    ASSERT_TRUE(pipe);
    std::vector<std::string> lines;
    std::string line;
    for (int c; (c = std::fgetc(pipe)) != EOF;) {
        if (c != '\n') {
            line += static_cast<char>(c);
        } else {
            lines.push_back(line);
            line.clear();
        }
    }
    ASSERT_EQ(pclose(pipe), 0);
    const std::size_t keys = road.alignment.key_points.size();
    ASSERT_EQ(lines.size(), 2 + keys + road.holes.size());
    EXPECT_EQ(lines[0], "FeatureCollection 某高速\\一标");
    EXPECT_EQ(lines[1].substr(0, 23), "centre_line LineString ");
    for (std::size_t i = 0; i < road.holes.size(); ++i) {
        const BoreholeRecord& b = road.holes[i];
        std::istringstream fields(lines[2 + keys + i]);
        std::string kind, type, station;
        double lon = 0, lat = 0;
        fields >> kind >> type >> lon >> lat >> station;
        EXPECT_EQ(kind + " " + type, "borehole Point");
        EXPECT_EQ(station, b.station);
        EXPECT_LT(ground_distance({lon, lat}, kZone39.inverse({b.x, b.y})), 1e-3) << b.station;
    }
    EXPECT_NE(lines[3 + keys].find("\"1#墩 <左> & \\\"右\\\"\\u0001\""), std::string::npos)
        << lines[3 + keys];
}
#endif

TEST(MapFiles, RefusedNamingThePointRatherThanMisplaced) {
    struct Case {
        const char* what;
        GridSystem system;
        Point moved;  // where the second borehole is moved to; {0, 0}: stays
        std::vector<std::string> says;
    };
    const Road road;
    const Point second{road.holes[1].x, road.holes[1].y};
    const char* const who = "钻孔“一号桥”第 2 号（K0+120）的";
    const Case cases[] = {
        {"zone from the prefix", {}, {}, {}},
        {"no system, no prefix",
         {},
         {-1, -1},
         {"不知道", "--crs EPSG:4527", "--central-meridian 114", "桌面程序"}},
        {"mixed prefixes",
         {},
         {second.x, second.y - 1e6},
         {who, "带号 38 与坐标系 CGCS2000 3° 带第 39 带", "带号 39 不符"}},
        {"3.6° from the meridian", {}, {second.x, 39500000 + 342000}, {who, "超出", "3.6"}},
        {"meridian with a prefixed Y", {"", 117.0}, {}, {"带有带号 39", "不带带号"}},
        {"EPSG:4527 for a prefixed Y", {"EPSG:4527", {}}, {}, {}},
        {"EPSG:4548 for a prefixed Y", {"EPSG:4548", {}}, {}, {"带有带号 39", "不带带号"}},
        {"both given", {"EPSG:4527", 117.0}, {}, {"只能给一个"}},
        {"Xi'an 80", {"EPSG:2383", {}}, {}, {"西安 80"}},
    };
    for (const Case& c : cases) {
        Road r;
        if (c.moved.x == -1) {
            // The same road without the zone number in front of Y.
            for (BoreholeRecord& b : r.holes) b.y -= 39e6;
            LocatedLine& line = r.alignment.line;
            LocatedLine shifted;
            const Piece& first = line.pieces().front();
            shifted.reset(first.start_mileage, {first.start.x, first.start.y - 39e6},
                          first.start_azimuth);
            for (const Piece& p : line.pieces()) shifted.append(p.k0, p.k1, p.length);
            line = shifted;
        } else if (c.moved.x != 0) {
            r.holes[1].x = c.moved.x;
            r.holes[1].y = c.moved.y;
        }
        const std::optional<std::string> problem = map_file_problem(r.alignment, r.holes, c.system);
        if (c.says.empty()) {
            EXPECT_FALSE(problem) << c.what << ": " << *problem;
            continue;
        }
        ASSERT_TRUE(problem) << c.what;
        for (const std::string& part : c.says)
            EXPECT_NE(problem->find(part), std::string::npos) << c.what << ": " << *problem;
        std::ostringstream out;
        EXPECT_THROW(write_map_file(out, MapFormat::kml, r.alignment, r.holes, c.system, "t"),
                     DataError)
            << c.what;
        EXPECT_TRUE(out.str().empty()) << c.what;
    }
}

}  // namespace
}  // namespace qelt
