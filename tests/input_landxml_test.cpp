// The LandXML reader: lines designed here, their points found by an independent integration
// of the curvature and written as LandXML, read back and compared; the checks at their
// thresholds and every refusal.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <memory>
#include <numbers>

#include "base/text.h"
#include "input/landxml/landxml_alignments.h"
#include "input/text/readers.h"
#include "station/station.h"
#include "test_files.h"
#include "zxbas/zxbas.h"

namespace qelt {
namespace {

using testing::TempDir;

// What an element of a design leaves out of its file.
constexpr unsigned kNoLength = 1, kNoRadius = 2, kNoPi = 4;

struct Design {
    const char* kind;       // Line, Curve, Spiral
    double length, r0, r1;  // metres; a radius of 0 is a straight end
    int turn;               // +1 to the right (cw), −1 to the left (ccw)
    unsigned omit = 0;
    const char* straight = "INF";       // how a spiral's straight end is written
    const char* spi_type = "clothoid";  // "" for none
};

struct Pose {
    double x, y, a;
};

double curvature(double r, int turn) {
    return r == 0 ? 0 : turn / r;
}

// The pose s metres into an element from p: Simpson's rule on the unit tangent of the
// azimuth a + k0·u + (k1 − k0)·u²/(2·length).
Pose advance(Pose p, double k0, double k1, double length, double s) {
    if (s == 0) return p;
    const auto azimuth = [&](double u) { return p.a + k0 * u + (k1 - k0) * u * u / (2 * length); };
    const int n = 512;
    const double h = s / n;
    double x = 0, y = 0;
    for (int i = 0; i <= n; ++i) {
        const double w = i == 0 || i == n ? 1 : i % 2 ? 4 : 2;
        x += w * std::cos(azimuth(i * h));
        y += w * std::sin(azimuth(i * h));
    }
    return {p.x + x * h / 3, p.y + y * h / 3, azimuth(s)};
}

Pose reference(const std::vector<Design>& line, Pose p, double s) {
    for (const Design& d : line) {
        const double k0 = curvature(d.r0, d.turn), k1 = curvature(d.r1, d.turn);
        if (s <= d.length || &d == &line.back()) return advance(p, k0, k1, d.length, s);
        p = advance(p, k0, k1, d.length, d.length);
        s -= d.length;
    }
    return p;
}

// The elements of a design as CoordGeom lines, numbers in units of `scale` per metre; the dir
// attributes (which the reader must not trust) in convention `dirs`: 0 none, 1 degrees
// clockwise from north, 2 degrees counter-clockwise from east, 3 radians 2π − azimuth, 4 words.
std::string coord_geom(const std::vector<Design>& line, Pose p, double scale = 1, int dirs = 0) {
    const auto num = [&](double v) {
        char text[40];
        std::snprintf(text, sizeof text, "%.17g", v * scale);
        return std::string(text);
    };
    const auto pt = [&](const char* tag, double x, double y) {
        return std::string("<") + tag + ">" + num(x) + " " + num(y) + " 12.5</" + tag + ">";
    };
    const auto dir = [&](const char* name, double a) {
        const double conventions[] = {0, a * 180 / std::numbers::pi,
                                      90 - a * 180 / std::numbers::pi, 2 * std::numbers::pi - a};
        return dirs == 0 ? std::string()
               : dirs == 4
                   ? std::string(" ") + name + "=\"north\""
                   : std::string(" ") + name + "=\"" + std::to_string(conventions[dirs]) + "\"";
    };
    std::string text;
    for (const Design& d : line) {
        const double k0 = curvature(d.r0, d.turn), k1 = curvature(d.r1, d.turn);
        const Pose e = advance(p, k0, k1, d.length, d.length);
        const std::string kind = d.kind;
        text += "<" + kind + (d.omit & kNoLength ? "" : " length=\"" + num(d.length) + "\"");
        if (kind != "Line") text += d.turn > 0 ? " rot=\"cw\"" : " rot=\"ccw\"";
        if (kind == "Curve" && !(d.omit & kNoRadius)) text += " radius=\"" + num(d.r0) + "\"";
        if (kind == "Spiral") {
            text += " radiusStart=\"" + (d.r0 == 0 ? std::string(d.straight) : num(d.r0)) +
                    "\" radiusEnd=\"" + (d.r1 == 0 ? std::string(d.straight) : num(d.r1)) + "\"";
            if (*d.spi_type) text += std::string(" spiType=\"") + d.spi_type + "\"";
        }
        text += kind == "Line" ? dir("dir", p.a) : dir("dirStart", p.a) + dir("dirEnd", e.a);
        text += ">" + pt("Start", p.x, p.y);
        if (kind == "Curve")
            text += pt("Center", p.x - d.turn * d.r0 * std::sin(p.a),
                       p.y + d.turn * d.r0 * std::cos(p.a));
        if (kind == "Spiral" && !(d.omit & kNoPi)) {
            // Where the start and end tangents meet.
            const double t =
                ((e.x - p.x) * std::sin(e.a) - (e.y - p.y) * std::cos(e.a)) / std::sin(e.a - p.a);
            text += pt("PI", p.x + t * std::cos(p.a), p.y + t * std::sin(p.a));
        }
        text += pt("End", e.x, e.y) + "</" + kind + ">\n";
        p = e;
    }
    return text;
}

// A LandXML file: line 3 holds the units, line 5 the first Alignment and, with one-line
// elements, line 6 + k its k-th element.
std::string landxml(const std::string& alignments,
                    const std::string& units = "<Metric linearUnit=\"meter\"/>") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<LandXML xmlns=\"http://www.landxml.org/schema/LandXML-1.2\" version=\"1.2\">\n"
           "<Units>" +
           units + "</Units>\n<Alignments>\n" + alignments + "</Alignments>\n</LandXML>\n";
}

std::string alignment(const std::string& geometry, const std::string& after = "",
                      const std::string& attributes = "name=\"A\" staStart=\"1000\"") {
    return "<Alignment " + attributes + ">\n<CoordGeom>\n" + geometry + "</CoordGeom>\n" + after +
           "</Alignment>\n";
}

// The alignments of the LandXML file holding `text`.
LandXmlAlignments read_all(const TempDir& dir, const std::string& text) {
    LineReader file(dir.write("line.xml", text));
    return LandXmlAlignments(LandXmlDocument(file));
}

Alignment read(const TempDir& dir, const std::string& text) {
    return read_all(dir, text).build(0);
}

// UTF-16LE with a byte-order mark, as Notepad saves "Unicode"; the BMP suffices here.
std::string utf16le(const std::string& utf8) {
    std::string bytes = "\xFF\xFE";
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t c = next_utf8(utf8, i).value();
        bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    }
    return bytes;
}

const Pose kStart{200, 300, 1.2};

TEST(LandXml, PlacesEachElementAtItsOwnStartInAnyUnitsAndEncoding) {
    // Every kind and rotation, transitions between two finite radii, a spiral of equal radii,
    // the ways of writing a straight end, elements of length 0, and elements that leave out
    // what their coordinates give.
    // clang-format off
    const std::vector<Design> line = {
        {"Line", 120, 0, 0, 1}, {"Spiral", 80, 0, 400, 1}, {"Curve", 150, 400, 400, 1},
        {"Spiral", 60, 400, 800, 1}, {"Spiral", 70, 800, 0, 1, kNoPi, "infinity"},
        {"Line", 0, 0, 0, 1}, {"Line", 50, 0, 0, 1, kNoLength}, {"Spiral", 90, 0, 300, -1, 0, "0", ""},
        {"Spiral", 40, 300, 300, -1}, {"Curve", 100, 300, 300, -1, kNoLength | kNoRadius},
        {"Spiral", 0, 300, 0, -1, kNoPi}, {"Spiral", 90, 300, 0, -1, 0, "Inf"}, {"Line", 100, 0, 0, 1}};
    // clang-format on
    struct Case {
        const char* units;
        double per_metre;
        int dirs;
        bool utf16;
    };
    const char* const metres = "<Metric linearUnit=\"meter\"/>";
    const Case cases[] = {{metres, 1, 0, false},
                          {metres, 1, 1, false},
                          {metres, 1, 2, false},
                          {metres, 1, 3, false},
                          {metres, 1, 4, true},
                          {"<Imperial linearUnit=\"USSurveyFoot\"/>", 3937.0 / 1200, 0, false},
                          {"<Imperial linearUnit=\"foot\"/>", 1 / 0.3048, 2, false},
                          {"<Metric linearUnit=\"millimeter\"/>", 1000, 0, false}};
    TempDir dir;
    std::vector<Point> metric;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.units << " dirs " << c.dirs << " utf16 " << c.utf16);
        char attributes[80];
        std::snprintf(attributes, sizeof attributes, "name=\"匝道A\" staStart=\"%.17g\"",
                      1000 * c.per_metre);
        const std::string text = landxml(
            alignment(coord_geom(line, kStart, c.per_metre, c.dirs), "", attributes), c.units);
        const Alignment a = read(dir, c.utf16 ? utf16le(text) : text);
        EXPECT_EQ(a.name, "匝道A");
        EXPECT_EQ(a.line.pieces().size(), 11u);
        EXPECT_TRUE(a.notices.empty());
        EXPECT_EQ(a.break_source, ChainBreakSource::file_or_none);
        std::size_t k = 0;
        for (double s = 0; s <= 1050; s += 7.5, ++k) {
            Point p;
            double azimuth = 0;
            a.line.locate(1000 + s, p, azimuth);
            if (&c == cases) {
                // The metric file against the integration, every other file against it.
                const Pose r = reference(line, kStart, s);
                EXPECT_NEAR(std::hypot(p.x - r.x, p.y - r.y), 0, 1e-6) << s;
                EXPECT_NEAR(std::remainder(azimuth - r.a, 2 * std::numbers::pi), 0, 1e-9) << s;
                metric.push_back(p);
            }
            EXPECT_NEAR(std::hypot(p.x - metric[k].x, p.y - metric[k].y), 0, 1e-9) << s;
        }
    }
}

// Two straights of 100 m; the second starts `lateral` metres to the side of the first's end
// and turned `seconds`.
std::string two_lines(double lateral, double seconds) {
    const double a = seconds / 206264.80624709636;
    char text[300];
    std::snprintf(text, sizeof text,
                  "<Line><Start>0 0</Start><End>100 0</End></Line>\n"
                  "<Line><Start>100 %.9f</Start><End>%.12f %.12f</End></Line>\n",
                  lateral, 100 + 100 * std::cos(a), lateral + 100 * std::sin(a));
    return landxml(alignment(text));
}

TEST(LandXml, SeamsAreToldOrRefused) {
    struct Case {
        double lateral, seconds;
        std::size_t told;  // notices; 2 for refused
    };
    const Case cases[] = {{0.0009, 0, 0}, {0.0011, 0, 1}, {0.099, 0, 1},   {0.101, 0, 2},
                          {0, 9.5, 0},    {0, 10.5, 1},   {-0.05, 3600, 1}};
    TempDir dir;
    for (const Case& c : cases) {
        char text[300];
        std::snprintf(text, sizeof text,
                      "LandXML 文件“line.xml”第 8 行：线路“A”第 2 个线元 Line（K1+100）的起点与"
                      "第 1 个线元 Line 算得的终点相距 %.1f mm，方向相差 %.1f″",
                      std::abs(c.lateral) * 1000, c.seconds);
        try {
            const Alignment a = read(dir, two_lines(c.lateral, c.seconds));
            EXPECT_EQ(a.notices, std::vector<std::string>(c.told, text)) << c.lateral;
        } catch (const DataError& e) {
            EXPECT_EQ(c.told, 2u) << e.what();
            EXPECT_EQ(e.line(), 8);
            EXPECT_NE(std::string(e.what()).find("0.101 m"), std::string::npos) << e.what();
        }
    }
}

TEST(LandXml, Refusals) {
    const std::string line = "<Line><Start>0 0</Start><End>100 0</End></Line>";
    const auto with = [&](const std::string& elements, const std::string& after = "") {
        return landxml(alignment(elements + "\n", after));
    };
    std::string twenty;
    for (int i = 1; i <= 20; ++i)
        twenty += "<StaEquation staInternal=\"" + std::to_string(1000 + 4 * i) + "\" staAhead=\"" +
                  std::to_string(1000 + 4 * i) + "\"/>\n";
    struct Case {
        std::string text;
        long line;
        const char* says;
    };
    // clang-format off
    const Case cases[] = {
        {with("<Line><Start>0 0</Start></Lin>"), 7, "不配对"},
        {"<?xml version=\"1.0\"?>\n<gml/>\n", 2, "<gml>"},
        {landxml(""), 2, "没有线路"},
        {landxml(alignment(line), "<Imperial linearUnit=\"inch\"/>"), 3, "inch"},
        {landxml(alignment(line), "<Metric/>"), 3, "linearUnit"},
        {landxml(alignment(line), ""), 3, "Metric"},
        {with("<Line length=\"0\"><Start>0 0</Start><End>0 0</End></Line>"), 5, "没有线元"},
        {with(line + "\n<Line><End>100 0</End></Line>"), 8, "第 2 个线元 Line 缺少 <Start>"},
        {with("<Curve rot=\"cw\"><Start>0 0</Start><End>1 1</End></Curve>"), 7, "<Center>"},
        {with("<Curve length=\"5\"><Start>0 0</Start><Center>0 9</Center></Curve>"), 7, "rot"},
        {with("<Spiral spiType=\"bloss\" length=\"9\"><Start>0 0</Start></Spiral>"), 7, "bloss"},
        {with("<Spiral radiusStart=\"INF\" radiusEnd=\"9\"><Start>0 0</Start></Spiral>"), 7, "length"},
        {with(line + "\n<Chain/>"), 8, "Chain"},
        {with("<IrregularLine/>"), 7, "IrregularLine"},
        {with("<Line length=\"12m\"><Start>0 0</Start><End>12 0</End></Line>"), 7, "length“12m”"},
        {with("<Line><Start>0 0 x</Start><End>12 0</End></Line>"), 7, "高程“x”"},
        {with("<Line><Start>0</Start><End>12 0</End></Line>"), 7, "<Start>“0”"},
        {with("<Line length=\"100.15\"><Start>0 0</Start><End>100 0</End></Line>"), 7, "150.0 mm"},
        {with(line, "<StaEquation staInternal=\"1050\" staBack=\"1049.9\" staAhead=\"1060\"/>"), 9, "staBack"},
        {with(line, "<StaEquation staInternal=\"1101\" staAhead=\"1060\"/>"), 9, "staInternal"},
        {with(line, twenty), 28, "断链超过 19 个"},
    };
    // clang-format on
    TempDir dir;
    for (const Case& c : cases) {
        try {
            read(dir, c.text);
            ADD_FAILURE() << "accepted: " << c.says;
        } catch (const DataError& e) {
            EXPECT_EQ(e.line(), c.line) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
            EXPECT_EQ(e.file(), dir.path("line.xml"));
        }
    }
}

TEST(LandXml, ListsEveryAlignmentAndTakesItsStationEquations) {
    // The second: 1000 m from station 1000; at mileage 1400 the numbering goes back 50 m (a long
    // chain, its staBack left out as exporters do), at 1700 forward 150 m (a short chain);
    // listed out of order. The third cannot be built, which leaves the others usable.
    const std::string equations =
        "<StaEquation staInternal=\"1700\" staBack=\"1650\" staAhead=\"1800\"/>\n"
        "<StaEquation staInternal=\"1400\" staAhead=\"1350\"/>\n";
    TempDir dir;
    const LandXmlAlignments file(read_all(
        dir,
        landxml(alignment(coord_geom({{"Line", 100, 0, 0, 1}}, kStart), "",
                          "name=\"主线\" staStart=\"-20\"") +
                alignment(coord_geom({{"Line", 600, 0, 0, 1}, {"Curve", 400, 900, 900, 1}}, kStart),
                          equations, "staStart=\"1000\"") +
                alignment("<Spiral spiType=\"cubic\" length=\"1\"/>\n", "", "name=\"C\""))));
    std::string listed;
    for (const LandXmlAlignmentInfo& i : file.alignments())
        listed += i.name + " " + std::to_string(i.line) + " " + shortest_number(i.length) + " " +
                  shortest_number(i.start_station) + " " + shortest_number(i.end_station) + "\n";
    EXPECT_EQ(listed, "主线 5 100 -20 80\n 10 1000 1000 2100\nC 18 nan nan nan\n");
    EXPECT_THROW(file.build(2), DataError);
    Alignment a = file.build(1);
    EXPECT_EQ(a.break_source, ChainBreakSource::line);
    ASSERT_EQ(a.breaks.dl_count, 2);
    const ChainBreaks& b = a.breaks;
    EXPECT_EQ((std::vector{b.dl_before[1], b.dl_after[1], b.dl_before[2], b.dl_after[2]}),
              (std::vector<double>{1400, 1350, 1650, 1800}));
    dl_complete(a.breaks, a.start_mileage(), a.end_mileage());
    for (auto [mileage, text] : {std::pair{1200.0, "K1+200"},
                                 {1430.0, "BK1+380"},
                                 {1800.0, "K1+900"},
                                 {2000.0, "K2+100"}}) {
        const StationOfMileage s = zh_station_of(a.breaks, mileage);
        EXPECT_EQ(s.text, text) << mileage;
        double back = 0;
        zh_mileage(a.breaks, std::string(1, s.letter) + shortest_number(s.number), back);
        EXPECT_NEAR(back, mileage, 1e-9) << text;
    }
}

// A main line by its JDs, as a JD file types it: X, Y, R, Ls1, Ls2, R1, R2.
struct Jd {
    const char* name;
    double x, y, r, ls1, ls2, r1, r2;
};
// clang-format off
const Jd kMainLine[] = {
    {"QD", 0, 0, 0, 0, 0, 0, 0},
    {"JD1", 800, 200, 600, 100, 80, 0, 0},
    {"JD2", 1600, 0, 900, 0, 0, 0, 0},
    {"JD3", 2400, 250, 500, 90, 120, 2000, 0},
    {"ZD", 3200, 100, 0, 0, 0, 0, 0},
};
// clang-format on

// The same line as LandXML AlignPIs, JD k (0 for QD) on line 7 + k of the file; `edit` may
// change the line of JD k (its text, without the line end) before it is written.
std::string align_pis(const std::function<void(std::size_t, std::string&)>& edit = {}) {
    std::string text = "<AlignPIs>\n";
    for (std::size_t k = 0; k < std::size(kMainLine); ++k) {
        const Jd& j = kMainLine[k];
        const auto radius = [](double r) {
            return r == 0 ? std::string("INF") : shortest_number(r);
        };
        std::string line = std::string("<AlignPI name=\"") + j.name + "\"><PI>" +
                           shortest_number(j.x) + " " + shortest_number(j.y) + " 30</PI>";
        if (j.ls1 > 0)
            line += "<InSpiral><Spiral length=\"" + shortest_number(j.ls1) + "\" radiusStart=\"" +
                    radius(j.r1) + "\" radiusEnd=\"" + radius(j.r) + "\"/></InSpiral>";
        if (j.r > 0) line += "<Curve1><Curve radius=\"" + shortest_number(j.r) + "\"/></Curve1>";
        if (j.ls2 > 0)
            line += "<OutSpiral><Spiral length=\"" + shortest_number(j.ls2) + "\" radiusStart=\"" +
                    radius(j.r) + "\" radiusEnd=\"" + radius(j.r2) + "\"/></OutSpiral>";
        if (k == 0) line += "<Station>1000</Station>";
        line += "</AlignPI>";
        if (edit) edit(k, line);
        text += line + "\n";
    }
    return text + "</AlignPIs>\n";
}

// The oracle: the same JDs typed as a JD file and built as every JD file is.
Alignment jd_file_line(const TempDir& dir) {
    std::string text = "起点,1000\n";
    for (const Jd& j : kMainLine) {
        char row[200];
        std::snprintf(row, sizeof row, "%s,%.17g %.17g %.17g %.17g %.17g %.17g %.17g\n", j.name,
                      j.x, j.y, j.r, j.ls1, j.ls2, j.r1, j.r2);
        text += row;
    }
    LineReader file(dir.write("jd.txt", text));
    auto line = std::make_unique<MainLine>();
    zx_read_alignment(file, *line);
    zx_build(*line);
    return zx_alignment(*line);
}

// The elements of a built line, as a design program exports them.
std::vector<Design> designs_of(const Alignment& a) {
    std::vector<Design> designs;
    for (const Piece& p : a.line.pieces()) {
        if (p.length == 0) continue;
        const int turn = p.k0 + p.k1 < 0 ? -1 : 1;
        const auto r = [](double k) { return k == 0 ? 0.0 : 1 / std::abs(k); };
        const char* kind = p.k0 == 0 && p.k1 == 0 ? "Line" : p.k0 == p.k1 ? "Curve" : "Spiral";
        designs.push_back({kind, p.length, r(p.k0), r(p.k1), turn});
    }
    return designs;
}

TEST(LandXml, AnAlignmentByItsIntersectionPointsIsTheMainLineOfItsJdFile) {
    TempDir dir;
    const Alignment oracle = jd_file_line(dir);
    const Piece& first = oracle.line.pieces().front();
    const std::string elements =
        "<CoordGeom>\n" +
        coord_geom(designs_of(oracle), {first.start.x, first.start.y, first.start_azimuth}) +
        "</CoordGeom>\n";
    const auto pis_line = [](const std::string& pis, const std::string& after = "") {
        return landxml("<Alignment name=\"主线\">\n" + pis + after + "</Alignment>\n");
    };
    const auto replaced = [](std::size_t at, const std::string& from, const std::string& to) {
        return align_pis([=](std::size_t k, std::string& line) {
            if (k == at) line.replace(line.find(from), from.size(), to);
        });
    };
    struct Case {
        const char* what;
        std::string text;
        std::size_t notices;  // where read
        bool has_jds = true;  // serves the curve table
        long refused_at = 0;  // the line of the refusal, where refused
        const char* says = "";
    };
    const Case cases[] = {
        {"points alone", pis_line(align_pis()), 0},
        {"points and elements", pis_line(align_pis(), elements), 0},
        {"JD2 5 mm off the elements", pis_line(replaced(2, "1600 0", "1600.005 0"), elements), 1,
         false, 0, "相距 "},
        {"points that cannot be built beside elements",
         pis_line(replaced(2, "1600 0", "800 200"), elements), 1, false, 0, "位于同一点"},
        {"the polygon alone beside the elements",
         pis_line("<AlignPIs><AlignPI><PI>0 0</PI></AlignPI><AlignPI><PI>5 5</PI></AlignPI>"
                  "<AlignPI><PI>9 0</PI></AlignPI></AlignPIs>\n",
                  elements),
         0, false},
        {"one point", pis_line("<AlignPIs>\n<AlignPI><PI>0 0</PI></AlignPI>\n</AlignPIs>\n"), 0,
         false, 6, "只有 1 个交点"},
        {"a JD without a curve",
         pis_line(replaced(2, "<Curve1><Curve radius=\"900\"/></Curve1>", "")), 0, false, 9,
         "第 3 个 AlignPI（JD2）没有圆曲线"},
        {"curves that overlap", pis_line(replaced(2, "radius=\"900\"", "radius=\"9000\"")), 0,
         false, 9, "JD"},
        {"a curve at the start",
         pis_line(replaced(0, "<Station>", "<Curve1><Curve radius=\"50\"/></Curve1><Station>")), 0,
         false, 7, "起点交点"},
        {"rot against the legs",
         pis_line(replaced(2, "radius=\"900\"", "radius=\"900\" rot=\"ccw\"")), 0, false, 9,
         "rot 为“ccw”"},
        {"a compound curve", pis_line(replaced(2, "</Curve1>", "</Curve1><Curve2/>")), 0, false, 9,
         "<Curve2>"},
        {"a transition not meeting its arc",
         pis_line(replaced(1, "radiusEnd=\"600\"", "radiusEnd=\"650\"")), 0, false, 8,
         "radiusEnd“650”"},
        {"a cubic transition", pis_line(replaced(1, "<Spiral ", "<Spiral spiType=\"cubic\" ")), 0,
         false, 8, "cubic"},
    };
    for (const Case& c : cases) {
        try {
            const Alignment a = read(dir, c.text);
            EXPECT_EQ(c.refused_at, 0) << c.what;
            EXPECT_EQ(a.notices.size(), c.notices) << c.what;
            for (const std::string& n : a.notices)
                EXPECT_NE(n.find(c.says), std::string::npos) << c.what << ": " << n;
            EXPECT_EQ(a.jds.size(), c.has_jds ? std::size(kMainLine) : 0u) << c.what;
            if (!c.has_jds) continue;
            EXPECT_NEAR(a.start_mileage(), oracle.start_mileage(), 1e-9) << c.what;
            EXPECT_NEAR(a.end_mileage(), oracle.end_mileage(), 1e-6) << c.what;
            for (double m = 1000; m <= oracle.end_mileage(); m += 13.7) {
                Point p, q;
                double pa = 0, qa = 0;
                a.line.locate(m, p, pa);
                oracle.line.locate(m, q, qa);
                ASSERT_NEAR(std::hypot(p.x - q.x, p.y - q.y), 0, 1e-6) << c.what << " at " << m;
            }
            ASSERT_EQ(a.key_points.size(), oracle.key_points.size()) << c.what;
            for (std::size_t k = 0; k < a.key_points.size(); ++k) {
                EXPECT_EQ(a.key_points[k].jd + a.key_points[k].name,
                          oracle.key_points[k].jd + oracle.key_points[k].name);
                EXPECT_NEAR(a.key_points[k].mileage, oracle.key_points[k].mileage, 1e-6);
            }
        } catch (const DataError& e) {
            EXPECT_EQ(e.line(), c.refused_at) << c.what << ": " << e.what();
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos)
                << c.what << ": " << e.what();
        }
    }
}

// Three straights of 100 m from (0, 0) northwards, on lines 7, 8 and 9, with the staStart each
// writes (none where NaN) and the second's length as written.
std::string three_lines(double first, double second, double third, const char* length = "100",
                        const std::string& after = "",
                        const char* attributes = "name=\"A\" staStart=\"1000\"") {
    const auto sta = [](double v) {
        return std::isnan(v) ? std::string() : " staStart=\"" + shortest_number(v) + "\"";
    };
    return landxml(alignment("<Line" + sta(first) + "><Start>0 0</Start><End>100 0</End></Line>\n" +
                                 "<Line" + sta(second) + " length=\"" + length +
                                 "\"><Start>100 0</Start><End>200 0</End></Line>\n" + "<Line" +
                                 sta(third) + "><Start>200 0</Start><End>300 0</End></Line>\n",
                             after, attributes));
}

TEST(LandXml, StationsTheFileWritesAgreeWithItsLengthsOrAreToldOrRefused) {
    const double none = std::numeric_limits<double>::quiet_NaN();
    // A long chain at continuous mileage 1150: K1+150 = K1+140.
    const std::string chain =
        "<StaEquation staInternal=\"1150\" staBack=\"1150\" staAhead=\"1140\"/>\n";
    const std::string at9 = "LandXML 文件“line.xml”第 9 行：线路“A”第 3 个线元 Line 的 staStart ";
    struct Case {
        const char* what;
        std::string text;
        std::vector<std::string> notices;
        double start = 1000;  // where read
        long refused_at = 0;
        const char* says = "";
    };
    const Case cases[] = {
        {"agreeing", three_lines(1000, 1100, 1200), {}},
        {"within a millimetre", three_lines(1000, 1100.0009, 1199.9991), {}},
        {"5 mm late",
         three_lines(1000, 1100, 1200.005),
         {at9 + "1200.005 与按前面线元的长度与断链算得的桩号 K1+200 相差 5.0 mm"}},
        {"the third 10 m late", three_lines(1000, 1100, 1210), {}, 0, 9, "10.000 m（超过 0.1 m"},
        {"after a chain, its own numbering", three_lines(1000, 1100, 1190, "100", chain), {}},
        {"after a chain, continuous", three_lines(1000, 1100, 1200, "100", chain), {}},
        {"after a chain, neither", three_lines(1000, 1100, 1195, "100", chain), {}, 0, 9, "K1+190"},
        {"the first against the alignment's",
         three_lines(1000.004, none, none),
         {"LandXML 文件“line.xml”第 7 行：线路“A”第 1 个线元 Line 的 staStart 1000.004 与线路的 "
          "staStart K1+000 相差 4.0 mm"}},
        {"the first against the alignment's by a metre",
         three_lines(1001, none, none),
         {},
         0,
         7,
         "1.000 m"},
        {"the first gives the stations",
         three_lines(500, 600, 700, "100", "", "name=\"A\""),
         {},
         500},
        {"a Line 5 mm longer than its ends",
         three_lines(none, none, none, "100.005"),
         {"LandXML 文件“line.xml”第 8 行：线路“A”第 2 个线元 Line 的 length 100.005 与其 "
          "<Start>、<End> 间的距离 100.000 相差 5.0 mm",
          "LandXML 文件“line.xml”第 9 行：线路“A”第 3 个线元 Line（K1+200.005）的起点与第 2 个线元 "
          "Line 算得的终点相距 5.0 mm，方向相差 0.0″"}},
        {"a Line 0.2 m longer than its ends",
         three_lines(none, none, none, "100.2"),
         {},
         0,
         8,
         "200.0 mm（超过 0.1 m）"},
        {"the first PI's Station against the alignment's",
         landxml("<Alignment name=\"A\" staStart=\"1000.003\">\n" + align_pis() + "</Alignment>\n"),
         {"LandXML 文件“line.xml”第 7 行：线路“A”第 1 个 AlignPI 的 <Station> 1000.000 与线路的 "
          "staStart K1+000.003 相差 3.0 mm"},
         1000.003},
    };
    TempDir dir;
    for (const Case& c : cases) {
        try {
            const Alignment a = read(dir, c.text);
            EXPECT_EQ(c.refused_at, 0) << c.what;
            EXPECT_EQ(a.notices, c.notices) << c.what;
            EXPECT_EQ(a.start_mileage(), c.start) << c.what;
        } catch (const DataError& e) {
            EXPECT_EQ(e.line(), c.refused_at) << c.what << ": " << e.what();
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos)
                << c.what << ": " << e.what();
        }
    }
}

}  // namespace
}  // namespace qelt
