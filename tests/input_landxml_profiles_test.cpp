// The LandXML profile reader: ProfAligns written here, read back and evaluated against the
// textbook geometry of each vertical curve worked out in the test (the parabola from its
// start, the circle from its centre); units, the choice among several, and every refusal.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "base/data_error.h"
#include "base/line_reader.h"
#include "input/landxml/landxml_document.h"
#include "input/landxml/landxml_profiles.h"
#include "station/station.h"
#include "test_files.h"

namespace qelt {
namespace {

using testing::TempDir;

// A LandXML file of one or more alignments, each with the given Profile contents; `unit` the
// Metric or Imperial linear unit.
std::string landxml(const std::vector<std::pair<std::string, std::string>>& alignments,
                    const std::string& unit = "<Metric linearUnit=\"meter\"/>") {
    std::string text =
        "<?xml version=\"1.0\"?>\n<LandXML xmlns=\"http://www.landxml.org/schema/LandXML-1.2\">\n"
        "<Units>" +
        unit + "</Units>\n<Alignments>\n";
    for (const auto& [name, profile] : alignments)
        text += "<Alignment name=\"" + name +
                "\" staStart=\"1000\" length=\"2000\">\n<CoordGeom><Line><Start>0 0</Start>"
                "<End>2000 0</End></Line></CoordGeom>\n<Profile>\n" +
                profile + "</Profile>\n</Alignment>\n";
    return text + "</Alignments>\n</LandXML>\n";
}

// The chain breaks of the line of landxml() (staStart 1000, 2000 m long): none, or a long chain
// of 50 m at station 2050 (continuous mileage 2050), completed as the run completes them.
ChainBreaks line_breaks(bool long_chain = false) {
    ChainBreaks breaks;
    if (long_chain) {
        breaks.dl_count = 1;
        breaks.dl_before[1] = 2050;
        breaks.dl_after[1] = 2000;
    }
    dl_complete(breaks, 1000, 3000);
    return breaks;
}

Profile read(const std::string& text, const std::string& alignment = "主线",
             const std::optional<std::string>& name = std::nullopt,
             const ChainBreaks& breaks = line_breaks()) {
    TempDir dir;
    LineReader file(dir.write("road.xml", text));
    const LandXmlDocument document(file);
    return landxml_profile(document, alignment, name, breaks);
}

// Grades either side of the curve's grade point: 1000 → 100 m, 1400 → 120 m (+5 %),
// 1800 → 104 m (−4 %).
constexpr double kS0 = 1000, kZ0 = 100, kS1 = 1400, kZ1 = 120, kS2 = 1800, kZ2 = 104;
constexpr double kI1 = 0.05, kI2 = -0.04;

std::string three_points(const std::string& middle) {
    return "<ProfAlign name=\"设计线\">\n<PVI>1000 100</PVI>\n" + middle +
           "\n<PVI>1800 104</PVI>\n</ProfAlign>\n";
}

// The elevation on the grades alone.
double on_grades(double s) {
    return s <= kS1 ? kZ1 + kI1 * (s - kS1) : kZ1 + kI2 * (s - kS1);
}

// A parabola of length l1 in and l2 out under the grade point: the symmetric one is l1 = l2.
// From its start the rise is i1·x + a·x² with the parabola's constant a; for two parabolas
// meeting under the grade point with one tangent there, the offset at the grade point is
// l1·l2·(i2 − i1)/(2(l1 + l2)), each side growing with the square of the distance from its end.
double unsym_parabola(double s, double l1, double l2) {
    const double e = l1 * l2 * (kI2 - kI1) / (2 * (l1 + l2));
    if (s <= kS1 - l1 || s >= kS1 + l2) return on_grades(s);
    const double u = s <= kS1 ? (s - (kS1 - l1)) / l1 : ((kS1 + l2) - s) / l2;
    return on_grades(s) + e * u * u;
}

// A crest circle of radius r tangent to both grades: its centre lies r below the incoming
// grade, square to it, from the point where it touches that grade.
double crest_circle(double s, double r) {
    const double a1 = std::atan(kI1), a2 = std::atan(kI2);
    const double t = r * std::tan((a1 - a2) / 2);
    const double ts = kS1 - t * std::cos(a1), tz = kZ1 - t * std::sin(a1);
    const double cs = ts + r * std::sin(a1), cz = tz - r * std::cos(a1);
    const double te = kS1 + t * std::cos(a2);
    if (s <= ts || s >= te) return on_grades(s);
    return cz + std::sqrt(r * r - (s - cs) * (s - cs));
}

struct CurveCase {
    const char* element;  // the middle grade point as the file writes it
    double (*expected)(double s);
};

const CurveCase kCurves[] = {
    {"<PVI>1400 120</PVI>", on_grades},
    {"<ParaCurve length=\"180\">1400 120</ParaCurve>",
     [](double s) { return unsym_parabola(s, 90, 90); }},
    {"<UnsymParaCurve lengthIn=\"120\" lengthOut=\"60\">1400 120</UnsymParaCurve>",
     [](double s) { return unsym_parabola(s, 120, 60); }},
    // The radius signed negative, as some exporters sign a crest: the grades decide.
    {"<CircCurve radius=\"-2000\">1400 120</CircCurve>",
     [](double s) { return crest_circle(s, 2000); }},
    // The length written as the arc R·|α|, as its horizontal extent, or as R·|i2 − i1|.
    {"<CircCurve radius=\"2000\" length=\"179.8742\">1400 120</CircCurve>",
     [](double s) { return crest_circle(s, 2000); }},
    {"<CircCurve radius=\"2000\" length=\"179.8113\">1400 120</CircCurve>",
     [](double s) { return crest_circle(s, 2000); }},
    {"<CircCurve radius=\"2000\" length=\"180\">1400 120</CircCurve>",
     [](double s) { return crest_circle(s, 2000); }},
};

TEST(LandXmlProfile, EachCurveKindAgainstItsGeometry) {
    for (const CurveCase& c : kCurves) {
        const Profile p = read(landxml({{"主线", three_points(c.element)}}));
        EXPECT_EQ(p.name, "设计线");
        for (double s = kS0; s <= kS2; s += 7.5)
            EXPECT_NEAR(*p.elevation(s), c.expected(s), 1e-9) << c.element << " at " << s;
        EXPECT_FALSE(p.elevation(kS0 - 0.001));
        EXPECT_FALSE(p.elevation(kS2 + 0.001));
    }
}

// Stations and elevations in feet come out in metres; stations are internal (staStart plus
// the distance along), whatever the alignment's equations would print.
TEST(LandXmlProfile, FeetConverted) {
    const Profile p = read(landxml({{"主线",
                                     "<ProfAlign name=\"ft\"><PVI>1000 100</PVI>"
                                     "<ParaCurve length=\"200\">2000 150</ParaCurve>"
                                     "<PVI>3000 100</PVI></ProfAlign>"}},
                                   "<Imperial linearUnit=\"foot\"/>"));
    EXPECT_DOUBLE_EQ(p.start_mileage(), 304.8);
    EXPECT_DOUBLE_EQ(p.points()[1].mileage, 609.6);
    EXPECT_DOUBLE_EQ(p.points()[1].elevation, 45.72);
    EXPECT_NEAR(p.curves()[1].length, 60.96, 1e-9);
}

// Several profiles: the one named; several alignments: the one of the run's name. A ProfSurf
// is never the design.
TEST(LandXmlProfile, ChosenByName) {
    const std::string a =
        "<ProfAlign name=\"方案一\"><PVI>1000 100</PVI><PVI>2000 110</PVI>"
        "</ProfAlign>\n";
    const std::string b =
        "<ProfAlign name=\"方案二\"><PVI>1100 90</PVI><PVI>2900 95</PVI>"
        "</ProfAlign>\n";
    const std::string ground =
        "<ProfSurf name=\"地面线\"><PntList2D>1000 99 2000 98"
        "</PntList2D></ProfSurf>\n";
    const std::string file = landxml({{"A匝道", ground + a}, {"主线", ground + a + b}});
    EXPECT_EQ(read(file, "主线", "方案二").name, "方案二");
    EXPECT_EQ(read(file, "A匝道").name, "方案一");
    EXPECT_DOUBLE_EQ(read(file, "主线", "方案二").start_mileage(), 1100);
    // Two alignments of one name: the run's line is named by its place among them.
    const std::string twins = landxml({{"主线", ground + a}, {"主线", ground + b}});
    EXPECT_EQ(read(twins, "主线#1").name, "方案一");
    EXPECT_EQ(read(twins, "主线#2").name, "方案二");
}

struct Refusal {
    std::string file;
    const char* alignment;
    std::optional<std::string> name;
    const char* message;  // a part of the message
    long line;
};

TEST(LandXmlProfile, Refusals) {
    const std::string two =
        "<ProfAlign name=\"方案一\"><PVI>1000 100</PVI><PVI>2000 110</PVI>"
        "</ProfAlign>\n<ProfAlign name=\"方案二\"><PVI>1100 90</PVI>"
        "<PVI>2900 95</PVI></ProfAlign>\n";
    const Refusal kRefusals[] = {
        {landxml({{"主线", two}}), "主线", std::nullopt,
         "有 2 条设计纵断面：“方案一”（K1+000～K2+000）、“方案二”（K1+100～K2+900），未选定", 5},
        {landxml({{"主线", two}}), "主线", "方案三", "没有名为“方案三”的设计纵断面", 5},
        {landxml({{"主线", "<ProfSurf name=\"g\"><PntList2D>0 1 2 3</PntList2D></ProfSurf>"}}),
         "主线", std::nullopt, "没有设计纵断面", 5},
        {landxml({{"A", two}, {"B", two}}), "主线", std::nullopt, "没有与所用线路同名", 2},
        {landxml({{"主线", two}, {"主线", two}}), "主线", std::nullopt, "2 条线路名为“主线”", 2},
        // A CircCurve whose length is neither its arc (179.874), its horizontal extent
        // (179.811) nor R·|i2 − i1| (180).
        {landxml({{"主线", three_points("<CircCurve radius=\"2000\" length=\"179.9\">1400 120"
                                        "</CircCurve>")}}),
         "主线", std::nullopt, "至少相差 25.8 mm：圆形竖曲线的数据自相矛盾", 10},
        {landxml({{"主线", three_points("<ParaCurve>1400 120</ParaCurve>")}}), "主线", std::nullopt,
         "第 2 个变坡点 ParaCurve 缺少 length", 10},
        {landxml({{"主线", three_points("<PVI>1400</PVI>")}}), "主线", std::nullopt,
         "应写“桩号 高程”两个数，实有 1 个", 10},
        {landxml({{"主线", three_points("<PVI>1400 1２0x</PVI>")}}), "主线", std::nullopt,
         "高程“1２0x”不是数", 10},
        {landxml({{"主线", three_points("<Curve>1400 120</Curve>")}}), "主线", std::nullopt,
         "纵断面只能由 PVI、ParaCurve、UnsymParaCurve 和 CircCurve 组成", 10},
        // The grade line's own refusals, with the file's line.
        {landxml({{"主线", three_points("<ParaCurve length=\"900\">1400 120</ParaCurve>")}}),
         "主线", std::nullopt, "越过了变坡点 1000", 10},
    };
    for (const Refusal& r : kRefusals) {
        try {
            read(r.file, r.alignment, r.name);
            ADD_FAILURE() << "not refused: " << r.message;
        } catch (const DataError& e) {
            EXPECT_NE(std::string(e.what()).find(r.message), std::string::npos)
                << e.what() << "\nexpected: " << r.message;
            EXPECT_EQ(e.line(), r.line) << r.message;
            EXPECT_NE(e.file().find("road.xml"), std::string::npos);
        }
    }
}

// The list of ProfAligns that refuses an unchosen one gives their ends as the line's stations,
// not as the continuous mileages the file writes: past a long chain of 50 m, mileage 2900 is
// station K2+850.
TEST(LandXmlProfile, ListGivesStationsInTheLinesNumbering) {
    const std::string two =
        "<ProfAlign name=\"方案一\"><PVI>1000 100</PVI><PVI>2000 110</PVI>"
        "</ProfAlign>\n<ProfAlign name=\"方案二\"><PVI>1100 90</PVI>"
        "<PVI>2900 95</PVI></ProfAlign>\n";
    try {
        read(landxml({{"主线", two}}), "主线", std::nullopt, line_breaks(true));
        ADD_FAILURE() << "not refused";
    } catch (const DataError& e) {
        EXPECT_NE(std::string(e.what()).find("“方案二”（K1+100～K2+850）"), std::string::npos)
            << e.what();
    }
}

}  // namespace
}  // namespace qelt

namespace qelt {
namespace {

// The ground line (ProfSurf) beside the design: its points in metres, or the refusal with the
// file's line (line 8 the ProfSurf, 9 and on its elements).
TEST(LandXmlProfile, GroundLineReadOrRefused) {
    using Points = std::vector<std::pair<double, double>>;
    struct Case {
        std::string profile;
        std::string unit;
        Points points;             // the mileages and elevations read
        const char* message = "";  // or the refusal and its line
        long line = 0;
    };
    const std::string metric = "<Metric linearUnit=\"meter\"/>";
    const auto surf = [](const std::string& inside) {
        return "<ProfSurf name=\"EG\">\n" + inside + "</ProfSurf>\n";
    };
    const Case kCases[] = {
        {surf("<PVI>1000 98.5</PVI>\n<Feature/>\n<PVI>1500 101.25</PVI>\n"),
         metric,
         {{1000, 98.5}, {1500, 101.25}}},
        {surf("<PntList2D>1000 100 2000 150</PntList2D>\n"),
         "<Imperial linearUnit=\"foot\"/>",
         {{304.8, 30.48}, {609.6, 45.72}}},
        // The design beside it is not the ground; no ProfSurf, no ground line.
        {"<ProfAlign name=\"设计线\"><PVI>1000 100</PVI><PVI>2000 90</PVI></ProfAlign>\n" +
             surf("<PVI>1000 99</PVI>\n<PVI>3000 97</PVI>\n"),
         metric,
         {{1000, 99}, {3000, 97}}},
        {"<ProfAlign name=\"设计线\"><PVI>1000 100</PVI><PVI>2000 90</PVI></ProfAlign>\n",
         metric,
         {}},
        {surf("<PVI>1000 98</PVI>\n<ParaCurve length=\"100\">1200 99</ParaCurve>\n"),
         metric,
         {},
         "<ParaCurve> 不是地面线的点；地面线只能由 PVI 或 PntList2D 组成",
         10},
        {surf("<PVI>1000</PVI>\n<PVI>1200 99</PVI>\n"),
         metric,
         {},
         "PVI 应写“桩号 高程”两个数，实有 1 个",
         9},
        {surf("<PntList2D>1000 98 1200</PntList2D>\n"), metric, {}, "实有 3 个数", 9},
        // Numbers wrapped across line ends, a negative one starting a line, read as written;
        // a number cut in two by a line end is refused where the piece stands.
        {surf("<PntList2D>1000 98 1200\n-1.5 1300\n96</PntList2D>\n"),
         metric,
         {{1000, 98}, {1200, -1.5}, {1300, 96}}},
        {surf("<PntList2D>1000 98\n1200 -\n1.5 1300 96</PntList2D>\n"),
         metric,
         {},
         "PntList2D 的第 4 项“-”不是数",
         10},
        {surf("<PVI>1000 98</PVI>\n<PVI>1000 99x</PVI>\n"), metric, {}, "高程“99x”不是数", 10},
        {surf("<PntList2D>1000 98 1200 99 1150 97</PntList2D>\n"),
         metric,
         {},
         "第 3 个地面点的桩号 1150 小于前一点的桩号",
         9},
        // Civil 3D repeats the last point; two heights at one station are a step in the ground.
        {surf("<PntList2D>1000 98 1200 99 1200 99 1200 97 1300 96</PntList2D>\n"),
         metric,
         {{1000, 98}, {1200, 99}, {1200, 97}, {1300, 96}}},
        {surf("<PVI>1000 98</PVI>\n"), metric, {}, "只有 1 个点，地面线至少要有 2 个点", 8},
    };
    for (const Case& c : kCases) {
        TempDir dir;
        LineReader file(dir.write("road.xml", landxml({{"主线", c.profile}}, c.unit)));
        const LandXmlDocument document(file);
        std::string source;
        try {
            const auto read = landxml_ground_line(document, "主线", source);
            EXPECT_STREQ(c.message, "") << "not refused: " << c.profile;
            ASSERT_EQ(read.size(), c.points.size()) << c.profile;
            for (std::size_t i = 0; i < read.size(); ++i) {
                EXPECT_NEAR(read[i].mileage, c.points[i].first, 1e-9) << c.profile;
                EXPECT_NEAR(read[i].elevation, c.points[i].second, 1e-9) << c.profile;
            }
            if (!read.empty()) {
                EXPECT_EQ(source, "LandXML 文件“road.xml”线路“主线”的地面线“EG”（ProfSurf）");
            }
        } catch (const DataError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
                << e.what() << "\nexpected: " << c.message;
            EXPECT_NE(std::string(c.message), "") << e.what();
            EXPECT_EQ(e.line(), c.line) << c.message;
        }
    }
}

}  // namespace
}  // namespace qelt
