// The LandXML writer: lines of every kind of piece read back with pugixml, each element rebuilt
// from what the file says alone (Start and End; Center, radius and rot; Start, PI and the radii)
// and compared with the located line; the header, the station equations, the name as written.

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <numbers>
#include <pugixml.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "base/data_error.h"
#include "report/models/landxml_export.h"

namespace qelt {
namespace {

constexpr double kPi = std::numbers::pi;
const LandXmlTime kWritten{"2024-05-17", "14:03:09"};

double number(pugi::xml_attribute a) {
    double value = std::nan("");
    const char* text = a.value();
    const char* end = text + std::char_traits<char>::length(text);
    EXPECT_EQ(std::from_chars(text, end, value).ptr, end) << a.name() << "=\"" << text << '"';
    return value;
}

// A point's "northing easting".
Point point(pugi::xml_node parent, const char* name) {
    Point p{std::nan(""), std::nan("")};
    const char* text = parent.child(name).text().get();
    const char* end = text + std::char_traits<char>::length(text);
    const auto x = std::from_chars(text, end, p.x);
    const bool blank = x.ptr != end && *x.ptr == ' ';
    EXPECT_TRUE(blank && std::from_chars(x.ptr + 1, end, p.y).ptr == end) << name << ": " << text;
    return p;
}

double distance(Point a, Point b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

// What an element is: "Line", "Curve cw 300", "Spiral ccw INF-500" (radii to 6 digits).
std::string summary(pugi::xml_node e) {
    const auto radius = [&](const char* name) -> std::string {
        if (std::string(e.attribute(name).value()) == "INF") return "INF";
        char text[32];
        std::snprintf(text, sizeof text, "%.6g", number(e.attribute(name)));
        return text;
    };
    std::string s = e.name();
    if (e.attribute("rot")) s += std::string(" ") + e.attribute("rot").value();
    if (e.attribute("radius")) s += " " + radius("radius");
    if (e.attribute("radiusStart")) s += " " + radius("radiusStart") + "-" + radius("radiusEnd");
    return s;
}

// The point s metres along an element, from the file alone.
Point read_back(pugi::xml_node e, double s) {
    const Point start = point(e, "Start");
    const double turning = std::string(e.attribute("rot").value()) == "cw" ? 1 : -1;
    if (std::string(e.name()) == "Curve") {
        const Point c = point(e, "Center");
        const double a = turning * s / number(e.attribute("radius"));
        const double vx = start.x - c.x, vy = start.y - c.y;
        return {c.x + vx * std::cos(a) - vy * std::sin(a),
                c.y + vx * std::sin(a) + vy * std::cos(a)};
    }
    // A straight towards its End, a transition towards its PI.
    const Point ahead = point(e, std::string(e.name()) == "Line" ? "End" : "PI");
    const auto curvature = [&](const char* name) {
        const std::string text = e.attribute(name).value();
        return text.empty() || text == "INF" ? 0 : turning / number(e.attribute(name));
    };
    double along = 0, right = 0, turned = 0;
    piece_local(curvature("radiusStart"), curvature("radiusEnd"), number(e.attribute("length")), s,
                along, right, turned);
    return place(start, std::atan2(ahead.y - start.y, ahead.x - start.x), along, right);
}

// Distance of p from the line's tangent at a mileage.
double off_tangent(const LocatedLine& line, double mileage, Point p) {
    Point at;
    double azimuth = 0;
    line.locate(mileage, at, azimuth);
    return std::abs((p.x - at.x) * std::sin(azimuth) - (p.y - at.y) * std::cos(azimuth));
}

// A piece appended with its own start, taken from the line as it is at that mileage.
void append_from_line(LocatedLine& l, double mileage, double k0, double k1, double length) {
    Piece piece{mileage, {}, 0, k0, k1, length};
    l.locate(mileage, piece.start, piece.start_azimuth);
    l.append(piece);
}

struct Case {
    const char* what;
    std::function<void(LocatedLine&)> build;
    std::vector<std::string> elements;
};

const Case kCases[] = {
    {"straights and arcs both ways",
     [](LocatedLine& l) {
         l.reset(1000, {3512000.25, 498500.5}, 0.3);
         l.append(0, 0, 120);
         l.append(1.0 / 300, 1.0 / 300, 150);
         l.append(-1.0 / 450, -1.0 / 450, 200);
         l.append(0, 0, 30);
     },
     {"Line", "Curve cw 300", "Curve ccw 450", "Line"}},
    {"transitions in, out, between two radii and through an inflection (in two)",
     [](LocatedLine& l) {
         l.reset(-50, {2998000, 40500.125}, 4.0);
         l.append(0, 1.0 / 300, 80);
         l.append(1.0 / 300, 1.0 / 800, 60);
         l.append(1.0 / 800, 1.0 / 800, 100);
         l.append(1.0 / 800, -1.0 / 500, 90);
         l.append(-1.0 / 500, 0, 70);
     },
     {"Spiral cw INF-300", "Spiral cw 300-800", "Curve cw 800", "Spiral cw 800-INF",
      "Spiral ccw INF-500", "Spiral ccw 500-INF"}},
    {"a loop: a transition turning 2 rad in two parts, an arc of 300° without PI",
     [](LocatedLine& l) {
         l.reset(0, {3400000.5, 520000.75}, 6.1);
         l.append(0, 1.0 / 50, 200);
         l.append(1.0 / 50, 1.0 / 50, 50 * 300 * kPi / 180);
     },
     {"Spiral cw INF-100", "Spiral cw 100-50", "Curve cw 50"}},
    {"a start before the first piece, a gap, a transition cut short by a piece taking over",
     [](LocatedLine& l) {
         l.reset(500, {3512000.25, 498500.5}, 1.2);
         append_from_line(l, 520, -1.0 / 400, -1.0 / 400, 100);
         append_from_line(l, l.end_mileage() + 5, -1.0 / 400, 0, 60);
         append_from_line(l, l.end_mileage() - 3, 0, 0, 40);
     },
     {"Line", "Curve ccw 400", "Line", "Spiral ccw 400-8000", "Line"}},
};

TEST(LandXmlExport, EveryElementRebuiltFromTheFileIsTheLocatedLine) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        Alignment alignment;
        c.build(alignment.line);
        const LocatedLine& line = alignment.line;
        std::ostringstream out;
        write_landxml(out, alignment, "K线", kWritten);
        pugi::xml_document doc;
        ASSERT_TRUE(doc.load_string(out.str().c_str()));
        const pugi::xml_node road = doc.child("LandXML").child("Alignments").child("Alignment");
        EXPECT_EQ(number(road.attribute("staStart")), line.start_mileage());
        EXPECT_NEAR(number(road.attribute("length")), line.end_mileage() - line.start_mileage(),
                    1e-9);

        std::vector<std::string> elements;
        double mileage = line.start_mileage();
        for (pugi::xml_node e : road.child("CoordGeom").children()) {
            elements.push_back(summary(e));
            SCOPED_TRACE(elements.back());
            const double sta = number(e.attribute("staStart")),
                         length = number(e.attribute("length"));
            EXPECT_NEAR(sta, mileage, 1e-9);
            mileage = sta + length;
            for (double t : {0.0, 1.0 / 3, 2.0 / 3}) {
                Point on_line;
                double azimuth = 0;
                line.locate(sta + t * length, on_line, azimuth);
                EXPECT_LT(distance(read_back(e, t * length), on_line), 1e-9) << "t = " << t;
            }
            // The lines are continuous: an element ends where the located line goes on.
            Point next;
            double azimuth = 0;
            line.locate(mileage, next, azimuth);
            EXPECT_LT(distance(point(e, "End"), next), 1e-9);
            if (e.child("Center")) {
                for (const char* end : {"Start", "End"})
                    EXPECT_NEAR(distance(point(e, "Center"), point(e, end)),
                                number(e.attribute("radius")), 1e-9);
            }
            const bool has_pi = std::string(e.name()) == "Spiral" ||
                                (e.child("Center") && length / number(e.attribute("radius")) < kPi);
            ASSERT_EQ(bool(e.child("PI")), has_pi);
            if (has_pi) {
                const double before_end =
                    std::nextafter(mileage, -std::numeric_limits<double>::infinity());
                EXPECT_LT(off_tangent(line, sta, point(e, "PI")), 1e-9);
                EXPECT_LT(off_tangent(line, before_end, point(e, "PI")), 1e-9);
            }
        }
        EXPECT_EQ(elements, c.elements);
        EXPECT_NEAR(mileage, line.end_mileage(), 1e-9);
    }
}

TEST(LandXmlExport, HeaderUnitsNameDirectionAndChainBreaksOfBothKinds) {
    Alignment alignment;
    alignment.line.reset(1000, {3000000, 500000}, kPi / 2);  // heading east
    alignment.line.append(0, 0, 500);
    alignment.breaks.dl_count = 2;
    alignment.breaks.dl_before[1] = 1100, alignment.breaks.dl_after[1] = 1150;  // short chain
    alignment.breaks.dl_before[2] = 1300, alignment.breaks.dl_after[2] = 1280;  // long chain
    std::ostringstream out;
    write_landxml(out, alignment, "A&B<线>\"引\"\x01\xff", kWritten);
    const std::string text = out.str();
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u);
    EXPECT_EQ(text.find('\x01'), std::string::npos);

    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(text.c_str()));
    const pugi::xml_node root = doc.child("LandXML");
    const std::pair<pugi::xml_attribute, const char*> kWant[] = {
        {root.attribute("xmlns"), "http://www.landxml.org/schema/LandXML-1.2"},
        {root.attribute("version"), "1.2"},
        {root.attribute("date"), "2024-05-17"},
        {root.attribute("time"), "14:03:09"},
        {root.child("Units").child("Metric").attribute("linearUnit"), "meter"},
        {root.child("Units").child("Metric").attribute("angularUnit"), "radians"},
        {root.child("Units").child("Metric").attribute("directionUnit"), "radians"},
        {root.child("Application").attribute("name"), "Qelt"},
        {root.child("Alignments").child("Alignment").attribute("name"),
         "A&B<线>\"引\" \xEF\xBF\xBD"},
    };
    for (const auto& [attribute, value] : kWant) EXPECT_STREQ(attribute.value(), value);

    const pugi::xml_node road = root.child("Alignments").child("Alignment");
    // East is three quarter turns counter-clockwise from north.
    EXPECT_NEAR(number(road.child("CoordGeom").child("Line").attribute("dir")), 1.5 * kPi, 1e-15);
    std::vector<std::vector<double>> equations;
    for (pugi::xml_node e : road.children("StaEquation")) {
        equations.push_back({number(e.attribute("staBack")), number(e.attribute("staAhead")),
                             number(e.attribute("staInternal"))});
    }
    EXPECT_EQ(equations,
              (std::vector<std::vector<double>>{{1100, 1150, 1100}, {1300, 1280, 1250}}));
}

TEST(LandXmlExport, RefusesWhatItCannotWriteTrulyAndWritesNothing) {
    const std::function<void(LocatedLine&)> kRefused[] = {
        [](LocatedLine& l) {
            l.reset(0, {0, 0}, 0);
        },  // no length
        [](LocatedLine& l) {
            l.reset(0, {0, 0}, 0);
            l.append(0, 0, -5);  // spoiled
        },
        [](LocatedLine& l) {
            // A piece of length 0 inside a gap moves the line sideways; pieces() do not show it.
            l.reset(0, {0, 0}, 0);
            l.append(0, 0, 100);
            l.append(Piece{110, {110, 2}, 0, 0, 0, 0});
            l.append(Piece{120, {120, 2}, 0, 0, 0, 50});
        },
    };
    for (const auto& build : kRefused) {
        Alignment alignment;
        build(alignment.line);
        std::ostringstream out;
        EXPECT_THROW(write_landxml(out, alignment, "x", kWritten), DataError);
        EXPECT_TRUE(out.str().empty());
    }
}

}  // namespace
}  // namespace qelt
