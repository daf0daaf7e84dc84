// The plan drawing: its strings as DXF R2000 carries them, and a centre line with every kind of
// piece, gaps and overlaps read back with dxflib's reader and compared with the located line.

#include <dl_creationadapter.h>
#include <dl_dxf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <locale>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "report/drawings/dxf_drawing.h"

namespace qelt {
namespace {

constexpr double kPi = std::numbers::pi;

TEST(DxfText, ChineseAsUpperCaseEscapes) {
    // ezdxf decodes only upper-case hex; AutoCAD writes upper case too.
    EXPECT_EQ(dxf_text("K11+150 青龙河大桥"), "K11+150 \\U+9752\\U+9F99\\U+6CB3\\U+5927\\U+6865");
    EXPECT_EQ(dxf_text("1#墩"), "1#\\U+58A9");
    EXPECT_EQ(dxf_text("（左）"), "\\U+FF08\\U+5DE6\\U+FF09");
}

TEST(DxfText, NothingOfTheUsersReadsAsAnEscapeOrControlCode) {
    // A literal backslash, as a remark may hold one ("D:\U+…" would otherwise be decoded).
    EXPECT_EQ(dxf_text("a\\U+0041"), "a\\U+005CU+0041");
    // Tabs and other control characters cannot stand in a DXF string.
    EXPECT_EQ(dxf_text("a\tb\rc"), "a b c");
    // A lone percent sign is text; "%%c" would draw ⌀ and "%%u" start underlining.
    EXPECT_EQ(dxf_text("含水率20%"),
              "\\U+542B\\U+6C34\\U+7387"
              "20%");
    EXPECT_EQ(dxf_text("%%c50"), "%%%%%%c50");
    EXPECT_EQ(dxf_text("100%%"), "100%%%%%%");
}

TEST(DxfText, BeyondTheBasicPlaneAndBrokenBytes) {
    // U+20000 (CJK Extension B) as its UTF-16 halves.
    EXPECT_EQ(dxf_text("\xF0\xA0\x80\x80"), "\\U+D840\\U+DC00");
    EXPECT_EQ(dxf_text("a\xFF"
                       "b"),
              "a\\U+FFFDb");
    EXPECT_EQ(dxf_text("\xE9\x9D"), "\\U+FFFD\\U+FFFD");              // cut short
    EXPECT_EQ(dxf_text("\xC0\x80"), "\\U+FFFD\\U+FFFD");              // overlong NUL
    EXPECT_EQ(dxf_text("\xED\xA0\x80"), "\\U+FFFD\\U+FFFD\\U+FFFD");  // a surrogate
}

// --- The centre line read back ---------------------------------------------------------------

// What dxflib's reader finds on the centre line's layer, in drawing coordinates.
struct ReadBack : DL_CreationAdapter {
    struct Segment {
        double x1, y1, x2, y2;
    };
    struct Arc {
        double cx, cy, r, a1, a2;  // degrees, counter-clockwise
    };
    std::vector<Segment> segments;  // LINEs and polyline chords
    std::vector<Arc> arcs;
    std::vector<std::vector<std::pair<double, double>>> polylines;
    std::vector<std::string> layers;
    int lines = 0;

    bool on_line() { return getAttributes().getLayer() == dxf_text(kLayerCentreLine); }
    void addLayer(const DL_LayerData& d) override { layers.push_back(d.name); }
    void addLine(const DL_LineData& d) override {
        if (!on_line()) return;
        ++lines;
        segments.push_back({d.x1, d.y1, d.x2, d.y2});
    }
    void addArc(const DL_ArcData& d) override {
        if (on_line()) arcs.push_back({d.cx, d.cy, d.radius, d.angle1, d.angle2});
    }
    void addPolyline(const DL_PolylineData&) override {
        polylines.emplace_back();
        in_line_polyline_ = on_line();
    }
    void addVertex(const DL_VertexData& d) override {
        if (in_line_polyline_) polylines.back().emplace_back(d.x, d.y);
    }
    void endEntity() override {
        if (!in_line_polyline_ || polylines.empty()) return;
        const auto& p = polylines.back();
        for (std::size_t i = 1; i < p.size(); ++i)
            segments.push_back({p[i - 1].first, p[i - 1].second, p[i].first, p[i].second});
        in_line_polyline_ = false;
    }

    double distance(double x, double y) const {
        double best = INFINITY;
        for (const Segment& s : segments) {
            const double dx = s.x2 - s.x1, dy = s.y2 - s.y1;
            const double len2 = dx * dx + dy * dy;
            double t = len2 > 0 ? ((x - s.x1) * dx + (y - s.y1) * dy) / len2 : 0;
            t = std::clamp(t, 0.0, 1.0);
            best = std::min(best, std::hypot(x - s.x1 - t * dx, y - s.y1 - t * dy));
        }
        for (const Arc& a : arcs) {
            double angle = std::atan2(y - a.cy, x - a.cx) * 180 / kPi;
            const double sweep = std::fmod(a.a2 - a.a1 + 720, 360);
            const double from_start = std::fmod(angle - a.a1 + 720, 360);
            if (from_start <= sweep) {
                best = std::min(best, std::fabs(std::hypot(x - a.cx, y - a.cy) - a.r));
            } else {
                for (double end : {a.a1, a.a2}) {
                    angle = end * kPi / 180;
                    best = std::min(best, std::hypot(x - a.cx - a.r * std::cos(angle),
                                                     y - a.cy - a.r * std::sin(angle)));
                }
            }
        }
        return best;
    }
    double length() const {
        double total = 0;
        for (const Segment& s : segments) total += std::hypot(s.x2 - s.x1, s.y2 - s.y1);
        for (const Arc& a : arcs) total += a.r * std::fmod(a.a2 - a.a1 + 720, 360) * kPi / 180;
        return total;
    }

  private:
    bool in_line_polyline_ = false;
};

// A numbering with a comma for a decimal point and thousands grouped: what a stream could carry
// from the user's locale.
struct GermanNumbers : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

TEST(PlanDrawing, CentreLineWithinAMillimetreOfTheLocatedLine) {
    // Every kind of piece: straights, a transition into an arc, a transition through an
    // inflection, an arc of 300° (a loop), an arc so flat it is drawn straight, a piece starting
    // after the end so far (the gap is the straight along the end tangent) and one starting
    // before it (it takes over from its own start).
    LocatedLine line;
    line.reset(1000, {3512000.25, 498500.5}, 0.3);
    line.append(0, 0, 120);
    line.append(0, 1.0 / 300, 80);
    line.append(1.0 / 300, 1.0 / 300, 150);
    line.append(1.0 / 300, -1.0 / 500, 90);
    Piece gap_after{line.end_mileage() + 5,
                    place(line.end_point(), line.end_azimuth(), 5, 0),
                    line.end_azimuth(),
                    -1.0 / 500,
                    -1.0 / 500,
                    200};
    line.append(gap_after);
    Piece overlap{line.end_mileage() - 3, {}, 0, 0, 0, 60};
    line.locate(overlap.start_mileage, overlap.start, overlap.start_azimuth);
    line.append(overlap);
    line.append(1.0 / 50, 1.0 / 50, 50 * 300 * kPi / 180);
    line.append(1e-12, 1e-12, 500);
    line.append(-1.0 / 1000, 0, 70);

    Alignment alignment;
    alignment.line = line;
    alignment.key_points = {{"起点", line.start_mileage()}, {"终点", line.end_mileage()}};
    std::vector<BoreholeRecord> holes(1);
    holes[0].group = "一号桥";
    holes[0].serial = 1;
    holes[0].station = "K1+100";
    holes[0].offset_text = "0";
    holes[0].x = 3512100;
    holes[0].y = 498530;
    holes[0].remark = "0#桥台";

    std::ostringstream out;
    out.imbue(std::locale(out.getloc(), new GermanNumbers));
    write_plan_drawing(out, alignment, holes);
    const std::string text = out.str();
    EXPECT_EQ(text.find(','), std::string::npos);
    EXPECT_NE(text.find("$INSUNITS\r\n 70\r\n6\r\n"), std::string::npos);

    ReadBack read;
    std::istringstream in(text);
    DL_Dxf dxf;
    ASSERT_TRUE(dxf.in(in, &read));
    EXPECT_EQ(read.layers.size(), 7u);
    EXPECT_EQ(read.arcs.size(), 4u);  // two arcs, the loop in two halves; the flat one a LINE
    EXPECT_EQ(read.lines, 4);         // two straights, the gap and the flat arc

    const double start = line.start_mileage(), end = line.end_mileage();
    EXPECT_NEAR(read.length(), end - start, 1e-3);
    double worst = 0;
    for (int i = 0; i <= 4000; ++i) {
        Point p;
        double azimuth = 0;
        line.locate(start + (end - start) * i / 4000, p, azimuth);
        worst = std::max(worst, read.distance(p.y, p.x));  // drawing x = Y, y = X
    }
    EXPECT_LT(worst, 1e-3);
}

}  // namespace
}  // namespace qelt
