// The IFC 4.3 alignment reader: segments traced by an independent integration in IFC's own
// frame (x east, y north, counter-clockwise) and read back in Qelt's; units against their
// definitions; the bundled lines written as IFC and read back against the typed line; the
// stationing, the vertical, the georeferencing and every refusal.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <numbers>
#include <regex>
#include <sstream>

#include "input/alignment_readers.h"
#include "input/ifc/ifc_alignments.h"
#include "input/text/profile_text.h"
#include "input/text/readers.h"
#include "station/station.h"
#include "support/ifc_writer.h"
#include "test_files.h"

namespace qelt {
namespace {

using testing::IfcAlignmentData;
using testing::IfcHorizontalSegment;
using testing::IfcModelData;
using testing::IfcStation;
using testing::TempDir;
constexpr double kPi = std::numbers::pi;
const std::string kExamples = std::string(QELT_SOURCE_DIR) + "/examples";

// The alignment `name` of a model, read as the run reads an alignment file.
Alignment read_model(const IfcModelData& model, const std::string& name = {}) {
    TempDir dir;
    const std::string path = dir.write(model.file_name, testing::ifc_text(model));
    Documents documents;
    return alignment_reader(documents.format(path), AlignmentFormat::jd_text)
        .read(documents, path, {name.empty() ? std::nullopt : std::optional(name), {}});
}

// The refusal of a model (or of its text, changed by `edit`); "" when it reads.
std::string refusal(const IfcModelData& model, const std::function<void(std::string&)>& edit = {}) {
    TempDir dir;
    std::string text = testing::ifc_text(model);
    if (edit) edit(text);
    try {
        const std::string path = dir.write("model.ifc", text);
        Documents documents;
        alignment_reader(documents.format(path), AlignmentFormat::jd_text)
            .read(documents, path, {});
        return "";
    } catch (const DataError& e) {
        return e.what();
    }
}

// A point and heading of IFC's frame: metres east and north, radians counter-clockwise from
// east.
struct Pose {
    double east, north, direction;
};

// The pose s metres into a segment from p with curvatures k0 → k1 (1/m, + to the left, as
// 1/radius in IFC): Simpson's rule on the unit tangent.
Pose advance(Pose p, double k0, double k1, double length, double s) {
    const auto heading = [&](double u) {
        return p.direction + k0 * u + (k1 - k0) * u * u / (2 * length);
    };
    const int n = 2048;
    const double h = s / n;
    double e = 0, north = 0;
    for (int i = 0; i <= n; ++i) {
        const double w = i == 0 || i == n ? 1 : i % 2 ? 4 : 2;
        e += w * std::cos(heading(i * h));
        north += w * std::sin(heading(i * h));
    }
    return {p.east + e * h / 3, p.north + north * h / 3, heading(s)};
}

double inverse(double radius) {
    return radius == 0 ? 0 : 1 / radius;
}

// One segment from `start`, closed by the zero-length segment at its traced end.
IfcModelData one_segment(const IfcHorizontalSegment& s) {
    IfcModelData model;
    IfcAlignmentData a;
    a.name = "L";
    a.horizontal.push_back(s);
    const Pose end = advance({s.x, s.y, s.direction}, inverse(s.start_radius),
                             inverse(s.end_radius), s.length, s.length);
    a.horizontal.push_back({end.east, end.north, end.direction, 0, 0, 0, "LINE"});
    model.alignments.push_back(a);
    return model;
}

// Each segment type, turning either way from any direction: its points, read in Qelt's frame,
// against the trace in IFC's.
TEST(Ifc, EachSegmentTypeEitherTurnInQeltsFrame) {
    const IfcHorizontalSegment kSegments[] = {
        {3000, 2000, kPi / 6, 0, 0, 120, "LINE"},           {3000, 2000, 4.0, 0, 0, 120, "LINE"},
        {3000, 2000, 0, 50, 50, 25 * kPi, "CIRCULARARC"},    // a quarter turn left
        {3000, 2000, 0, -50, -50, 25 * kPi, "CIRCULARARC"},  // and right
        {3000, 2000, 5.5, 0, 200, 60, "CLOTHOID"},           // into a left curve
        {3000, 2000, 5.5, 0, -200, 60, "CLOTHOID"},          // into a right one
        {3000, 2000, 2.0, 300, 0, 80, "CLOTHOID"},           // out of a left curve
        {3000, 2000, 2.0, -300, 150, 70, "CLOTHOID"},        // arc to arc
        {3000, 2000, 1.0, 300, -300, 90, "CLOTHOID"},        // through an inflection
    };
    for (const IfcHorizontalSegment& s : kSegments) {
        const Alignment a = read_model(one_segment(s));
        ASSERT_EQ(a.line.pieces().size(), 1u);
        EXPECT_TRUE(a.notices.empty()) << a.notices.front();
        for (double f : {0.0, 0.25, 0.5, 0.75, 1.0}) {
            const Pose p = advance({s.x, s.y, s.direction}, inverse(s.start_radius),
                                   inverse(s.end_radius), s.length, f * s.length);
            Point at;
            double azimuth = 0;
            a.line.locate(a.start_mileage() + f * s.length, at, azimuth);
            const std::string what = s.type + " R " + std::to_string(s.start_radius) + "→" +
                                     std::to_string(s.end_radius) + " at " + std::to_string(f);
            EXPECT_NEAR(at.x, p.north, 1e-9) << what;
            EXPECT_NEAR(at.y, p.east, 1e-9) << what;
            EXPECT_NEAR(reduced_turn(azimuth - (kPi / 2 - p.direction)), 0, 1e-12) << what;
        }
        // A left turn (positive radius) is a negative curvature in Qelt's clockwise frame.
        const Piece& piece = a.line.pieces().front();
        EXPECT_DOUBLE_EQ(piece.k0, -inverse(s.start_radius));
        EXPECT_DOUBLE_EQ(piece.k1, -inverse(s.end_radius));
    }
}

// Lengths and angles in the units the project declares, converted by their definitions.
TEST(Ifc, UnitsConvertedByTheirDefinitions) {
    struct Case {
        testing::IfcUnitData length, angle;
        double metres, radians;  // one unit in metres, in radians, as defined
    };
    const Case kUnits[] = {
        {{"MILLI", "", 1}, {}, 0.001, 1},
        {{"KILO", "", 1}, {}, 1000, 1},
        {{"", "FOOT", 0.3048}, {}, 0.3048, 1},
        {{"", "US SURVEY FOOT", 0.304800609601219}, {}, 1200.0 / 3937, 1},
        {{}, {"", "DEGREE", 0.0174532925199433}, 1, kPi / 180},
        {{}, {"", "grad", 0.015707963267949}, 1, kPi / 200},
    };
    const IfcHorizontalSegment metric = {3000, 2000, 2.0, -300, 150, 70, "CLOTHOID"};
    const Alignment expected = read_model(one_segment(metric));
    for (const Case& c : kUnits) {
        IfcModelData model = one_segment(metric);
        model.length = c.length;
        model.angle = c.angle;
        for (IfcHorizontalSegment& s : model.alignments[0].horizontal) {
            for (double* v : {&s.x, &s.y, &s.start_radius, &s.end_radius, &s.length})
                *v /= c.metres;
            s.direction /= c.radians;
        }
        const Alignment a = read_model(model);
        const std::string what = c.length.prefix + c.length.name + c.angle.name;
        const Piece &p = a.line.pieces().front(), &q = expected.line.pieces().front();
        EXPECT_NEAR(p.start.x, q.start.x, 1e-9) << what;
        EXPECT_NEAR(p.start.y, q.start.y, 1e-9) << what;
        EXPECT_NEAR(p.start_azimuth, q.start_azimuth, 1e-14) << what;
        EXPECT_NEAR(p.k0, q.k0, 1e-16) << what;
        EXPECT_NEAR(p.length, q.length, 1e-12) << what;
    }
    // A factor that is not the named unit's.
    IfcModelData wrong = one_segment(metric);
    wrong.length = {"", "FOOT", 0.3};
    EXPECT_NE(refusal(wrong).find("的换算系数 0.3 与“FOOT”的 0.3048 不符"), std::string::npos);
}

// The bundled main line (its chain breaks and its profile) and ramp, written as IFC, read back:
// the line within 1e-9 m of the typed one at every metre, the stations and elevations too.
TEST(Ifc, TheBundledLinesReadBackAsTyped) {
    const IfcModelData model = testing::bundled_interchange(kExamples);
    Documents documents;
    Alignment typed = alignment_reader(FileFormat::text, AlignmentFormat::jd_text)
                          .read(documents, kExamples + "/mainline-jd.txt", {});
    LineReader dl(kExamples + "/mainline-dl.txt");
    dl_read_file(dl, typed.breaks);
    dl_complete(typed.breaks, typed.start_mileage(), typed.end_mileage());
    LineReader zdm(kExamples + "/mainline-profile.txt");
    const Profile profile = zdm_read_profile(zdm, typed.breaks);
    const Alignment ramp = alignment_reader(FileFormat::text, AlignmentFormat::element_text)
                               .read(documents, kExamples + "/ramp-elements.txt", {});

    struct Case {
        const char* name;
        const Alignment* typed;
        const Profile* profile;
        ChainBreakSource breaks;
    };
    for (const Case& c : {Case{"主线", &typed, &profile, ChainBreakSource::line},
                          Case{"A匝道", &ramp, nullptr, ChainBreakSource::file_or_none}}) {
        Alignment read = read_model(model, c.name);
        EXPECT_EQ(read.break_source, c.breaks) << c.name;
        EXPECT_EQ(read.notices.size(), 1u) << c.name;  // the coordinate system only
        EXPECT_DOUBLE_EQ(read.start_mileage(), c.typed->start_mileage()) << c.name;
        EXPECT_NEAR(read.end_mileage(), c.typed->end_mileage(), 1e-9) << c.name;
        dl_complete(read.breaks, read.start_mileage(), read.end_mileage());
        ASSERT_EQ(read.breaks.dl_count, c.typed->breaks.dl_count) << c.name;
        for (int i = 1; i <= read.breaks.dl_count; ++i) {
            EXPECT_NEAR(read.breaks.dl_before[i], c.typed->breaks.dl_before[i], 1e-9) << c.name;
            EXPECT_DOUBLE_EQ(read.breaks.dl_after[i], c.typed->breaks.dl_after[i]) << c.name;
        }
        double worst = 0, worst_height = 0;
        for (double m = read.start_mileage(); m <= read.end_mileage(); m += 1) {
            Point p, q;
            double a = 0, b = 0;
            read.line.locate(m, p, a);
            c.typed->line.locate(m, q, b);
            worst = std::max({worst, std::abs(p.x - q.x), std::abs(p.y - q.y)});
            if (c.profile && m >= c.profile->start_mileage() && m <= c.profile->end_mileage())
                worst_height = std::max(
                    worst_height, std::abs(*read.profile->elevation(m) - *c.profile->elevation(m)));
        }
        EXPECT_LE(worst, 1e-9) << c.name;
        EXPECT_LE(worst_height, 1e-9) << c.name;
        EXPECT_EQ(read.profile.has_value(), c.profile != nullptr) << c.name;
    }
}

// examples/interchange.ifc is what the writer makes of the bundled lines
// (tests/support/write_interchange_ifc.cpp writes it anew). Its reals are the shortest that read
// back, and another C library may round the last digit of a sine or a square root the other
// way (MinGW's against glibc's): the text is compared exactly between the reals, the reals to
// 1e-12 of their size.
TEST(Ifc, TheExampleIsTheBundledLinesAsWritten) {
    std::ifstream file(kExamples + "/interchange.ifc", std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    const std::string committed = text.str();
    const std::string written = testing::ifc_text(testing::bundled_interchange(kExamples));
    const std::regex real(R"([-+]?[0-9]+\.[0-9]*(E[-+]?[0-9]+)?)");
    const auto split = [&](const std::string& s, std::vector<std::string>& between,
                           std::vector<double>& reals) {
        std::size_t at = 0;
        for (auto m = std::sregex_iterator(s.begin(), s.end(), real); m != std::sregex_iterator();
             ++m) {
            between.push_back(s.substr(at, static_cast<std::size_t>(m->position()) - at));
            reals.push_back(std::stod(m->str()));
            at = static_cast<std::size_t>(m->position() + m->length());
        }
        between.push_back(s.substr(at));
    };
    std::vector<std::string> between_committed, between_written;
    std::vector<double> reals_committed, reals_written;
    split(committed, between_committed, reals_committed);
    split(written, between_written, reals_written);
    EXPECT_EQ(between_committed, between_written);
    ASSERT_EQ(reals_committed.size(), reals_written.size());
    for (std::size_t i = 0; i < reals_committed.size(); ++i)
        EXPECT_NEAR(reals_committed[i], reals_written[i],
                    1e-12 * std::max(1.0, std::abs(reals_committed[i])))
            << i;
}

// Each vertical segment type into grade points: a grade line with a circular curve, a parabola
// and a grade point without a curve, through the writer and back.
TEST(Ifc, VerticalSegmentsAsGradePoints) {
    std::vector<GradePoint> points(5);
    const double stations[] = {0, 300, 520, 800, 1000}, heights[] = {100, 109, 102.4, 108, 104};
    for (int k = 0; k < 5; ++k) {
        points[k].mileage = stations[k];
        points[k].elevation = heights[k];
    }
    points[1].curve = VerticalCurveKind::circle;
    points[1].radius = 3000;
    points[2].curve = VerticalCurveKind::parabola;
    points[2].radius = 4000;
    const Profile profile = build_profile(points);
    IfcModelData model = one_segment({0, 0, 0, 0, 0, 1000, "LINE"});
    IfcAlignmentData& a = model.alignments[0];
    a.vertical = testing::ifc_alignment("L", read_model(model), &profile).vertical;
    std::vector<std::string> types;
    for (const auto& s : a.vertical) types.push_back(s.type);
    EXPECT_EQ(types, (std::vector<std::string>{
                         "CONSTANTGRADIENT", "CIRCULARARC", "CONSTANTGRADIENT", "PARABOLICARC",
                         "CONSTANTGRADIENT", "CONSTANTGRADIENT", "CONSTANTGRADIENT"}));
    const Alignment read = read_model(model);
    ASSERT_TRUE(read.profile);
    EXPECT_TRUE(read.notices.empty()) << read.notices.front();
    for (double m = 0; m <= 1000; m += 1)
        EXPECT_NEAR(*read.profile->elevation(m), *profile.elevation(m), 1e-9) << m;
    // A vertical that cannot be read leaves the line without heights, and says why.
    IfcModelData clothoid = model;
    clothoid.alignments[0].vertical[1].type = "CLOTHOID";
    const Alignment plane = read_model(clothoid);
    EXPECT_FALSE(plane.profile);
    ASSERT_EQ(plane.notices.size(), 1u);
    EXPECT_NE(
        plane.notices[0].find(
            "第 30 行：线路“L”：#23=IFCALIGNMENTVERTICALSEGMENT 的类型为 .CLOTHOID.：只能读坡段"
            "（CONSTANTGRADIENT）、抛物线竖曲线（PARABOLICARC）和圆曲线竖曲线（CIRCULARARC）"
            "：纵断面未读入，线路没有设计高程"),
        std::string::npos)
        << plane.notices[0];
    // The arc's radius follows from its gradients and length where the file leaves it out.
    a.vertical[1].radius.reset();
    const Alignment without = read_model(model);
    for (double m = 0; m <= 1000; m += 1)
        EXPECT_NEAR(*without.profile->elevation(m), *profile.elevation(m), 1e-9) << m;
}

// The start station and the chain breaks from the STATION referents.
TEST(Ifc, StationingFromTheReferents) {
    struct Case {
        const char* what;
        std::vector<IfcStation> stations;
        double start;
        std::vector<std::pair<double, double>> breaks;  // back, ahead
    };
    const Case kCases[] = {
        {"none: distance along is the station", {}, 0, {}},
        {"the start", {{0, 500, {}}}, 500, {}},
        {"a station further on", {{100, 600, {}}}, 500, {}},
        {"a station marker", {{0, 500, {}}, {200, 700, 700}}, 500, {}},
        {"a long chain", {{0, 500, {}}, {300, 750, 800}}, 500, {{800, 750}}},
        {"a short chain, the back station left out",
         {{0, 500, {}}, {300, 900, {}}},
         500,
         {{800, 900}}},
        {"two, out of order",
         {{600, 1000, 1050}, {0, 500, {}}, {300, 750, 800}},
         500,
         {{800, 750}, {1050, 1000}}},
    };
    for (const Case& c : kCases) {
        IfcModelData model = one_segment({0, 0, 0, 0, 0, 1000, "LINE"});
        model.alignments[0].stations = c.stations;
        const Alignment a = read_model(model);
        EXPECT_EQ(a.start_mileage(), c.start) << c.what;
        ASSERT_EQ(a.breaks.dl_count, static_cast<int>(c.breaks.size())) << c.what;
        for (std::size_t i = 0; i < c.breaks.size(); ++i) {
            EXPECT_EQ(a.breaks.dl_before[i + 1], c.breaks[i].first) << c.what;
            EXPECT_EQ(a.breaks.dl_after[i + 1], c.breaks[i].second) << c.what;
        }
        EXPECT_EQ(a.break_source,
                  c.breaks.empty() ? ChainBreakSource::file_or_none : ChainBreakSource::line)
            << c.what;
    }
}

// The project's coordinates turned and moved onto the map grid by the map conversion, or the
// alignment's coordinates onto the project's by its placement: the ramp written in its own
// coordinates reads back on the grid.
TEST(Ifc, MapConversionAndPlacementPutTheLineOnTheGrid) {
    const double east = 499000, north = 3515000;
    const std::string crs =
        "IFC 文件“interchange.ifc”：线路“A匝道”的坐标系为“EPSG:4547”（IfcProjectedCRS）";
    struct Case {
        const char* what;
        double turn;  // radians, counter-clockwise
        std::function<void(IfcModelData&, double turn)> place;
        std::string notice;
    };
    const Case kCases[] = {
        {"map conversion", 0.3,
         [&](IfcModelData& m, double turn) {
             m.eastings = east;
             m.northings = north;
             m.abscissa = std::cos(turn);
             m.ordinate = std::sin(turn);
         },
         crs + "，平面坐标已按 IfcMapConversion 换算到该坐标系"},
        {"the alignment's placement", 0.3,
         [&](IfcModelData& m, double turn) {
             m.placement_east = east;
             m.placement_north = north;
             m.placement_turn = turn;
         },
         crs},
        {"a rigid operation", 0,
         [&](IfcModelData& m, double) {
             m.rigid_operation = true;
             m.eastings = east;
             m.northings = north;
         },
         crs + "，平面坐标已按 IfcRigidOperation 换算到该坐标系"},
    };
    const Alignment grid = read_model(testing::bundled_interchange(kExamples), "A匝道");
    for (const Case& c : kCases) {
        IfcModelData model = testing::bundled_interchange(kExamples);
        model.alignments.erase(model.alignments.begin());
        c.place(model, c.turn);
        for (IfcHorizontalSegment& s : model.alignments[0].horizontal) {
            const double e = s.x - east, n = s.y - north;
            s.x = std::cos(c.turn) * e + std::sin(c.turn) * n;
            s.y = -std::sin(c.turn) * e + std::cos(c.turn) * n;
            s.direction -= c.turn;
        }
        const Alignment read = read_model(model);
        double worst = 0, worst_turn = 0;
        for (double m = read.start_mileage(); m <= read.end_mileage(); m += 1) {
            Point p, q;
            double a = 0, b = 0;
            read.line.locate(m, p, a);
            grid.line.locate(m, q, b);
            worst = std::max({worst, std::abs(p.x - q.x), std::abs(p.y - q.y)});
            worst_turn = std::max(worst_turn, std::abs(reduced_turn(a - b)));
        }
        EXPECT_LE(worst, 1e-8) << c.what;
        EXPECT_LE(worst_turn, 1e-12) << c.what;
        EXPECT_EQ(read.notices, std::vector<std::string>{c.notice}) << c.what;
        EXPECT_EQ(read.crs, "EPSG:4547") << c.what;
    }
}

// Where two segments meet: told above a millimetre (or the model's coarser Precision) or 10″,
// refused above 0.1 m.
TEST(Ifc, SeamsAreToldOrRefused) {
    struct Case {
        double gap, turn;  // metres north, radians, where the second segment starts
        std::optional<double> precision;
        const char* told;      // what the notice or refusal says; "" for nothing
        bool closing = false;  // the gap before the closing segment instead, at the line's end
    };
    const Case kCases[] = {
        {0.0009, 0, {}, ""},
        {0.002,
         0,
         {},
         "线路“L”第 2 个平面线元（#16 LINE）（K0+100）的起点与第 1 个平面线元（#13 LINE）"
         "算得的终点相距 2.0 mm，方向相差 0.0″"},
        {0.002, 0, 0.005, ""},
        {0, 12 / 206264.80624709636, {}, "相距 0.0 mm，方向相差 12.0″"},
        {0.15, 0, {}, "相距 0.150 m（超过 0.1 m）：这些线元连不成一条线路"},
        {0.002,
         0,
         {},
         "第 3 个平面线元（#19 LINE）（K0+150）的起点与第 2 个平面线元（#16 LINE）"
         "算得的终点相距 2.0 mm",
         true},
    };
    for (const Case& c : kCases) {
        IfcModelData model = one_segment({0, 0, 0, 0, 0, 100, "LINE"});
        model.precision = c.precision;
        auto& h = model.alignments[0].horizontal;
        const double second = c.closing ? 0 : c.gap;
        h.insert(h.begin() + 1, {100, second, c.turn, 0, 0, 50, "LINE"});
        h.back() = {
            100 + 50 * std::cos(c.turn), c.gap + 50 * std::sin(c.turn), c.turn, 0, 0, 0, "LINE"};
        std::string told;
        try {
            const Alignment a = read_model(model);
            if (!a.notices.empty()) told = a.notices.front();
            EXPECT_LE(a.notices.size(), 1u);
        } catch (const DataError& e) {
            told = e.what();
        }
        if (*c.told == 0) {
            EXPECT_EQ(told, "") << c.gap;
        } else {
            EXPECT_NE(told.find(c.told), std::string::npos) << told;
        }
    }
}

// What the reader refuses, naming it.
TEST(Ifc, Refusals) {
    const IfcModelData line = one_segment({0, 0, 0, 0, 0, 100, "LINE"});
    const auto replace = [](std::string from, std::string to) {
        return [=](std::string& text) { text.replace(text.find(from), from.size(), to); };
    };
    struct Case {
        const char* what;
        std::function<void(IfcModelData&)> change;
        std::function<void(std::string&)> edit;
        const char* refused;
    };
    const Case kCases[] = {
        {"a release candidate",
         {},
         replace("'IFC4X3_ADD2'", "'IFC4X3_RC2'"),
         "HEADER 中的 FILE_SCHEMA 为 “IFC4X3_RC2”：只能读 IFC 4.3（IFC4X3、IFC4X3_ADD1、"
         "IFC4X3_ADD2）文件中的线路"},
        {"IFC 4", {}, replace("'IFC4X3_ADD2'", "'IFC4'"), "为 “IFC4”："},
        {"no alignment",
         {},
         replace("IFCALIGNMENT(", "IFCBUILDING("),
         "文件中没有线路（IFCALIGNMENT）"},
        {"a straight with a radius",
         [](IfcModelData& m) { m.alignments[0].horizontal[0].end_radius = 100; },
         {},
         "是直线（LINE），其半径却不为 0"},
        {"a grid scale",
         [](IfcModelData& m) {
             m.crs = "EPSG:4547";
             m.scale = 0.9996;
         },
         {},
         "#9=IFCMAPCONVERSION 的比例 0.9996 不为 1"},
        {"a rigid operation onto longitude and latitude",
         [](IfcModelData& m) { m.crs = "EPSG:4258"; },
         replace("IFCMAPCONVERSION(#3,#8,0.,0.,0.,1.,0.,1.)",
                 "IFCRIGIDOPERATION(#3,#8,IFCPLANEANGLEMEASURE(14.09),IFCPLANEANGLEMEASURE(46.36),"
                 "475.)"),
         "#9=IFCRIGIDOPERATION 的第 3 个属性 FirstCoordinate 为 "
         "IFCPLANEANGLEMEASURE：地理坐标（经纬度）不是平面坐标"},
        {"an IncomingStation that is not the station reached",
         [](IfcModelData& m) {
             m.alignments[0].stations = {{0, 500, {}}, {50, 600, 551}};
         },
         {},
         "的 IncomingStation 551 与该处的桩号 550 相差 1.000 m"},
    };
    for (const Case& c : kCases) {
        IfcModelData model = line;
        if (c.change) c.change(model);
        const std::string got = refusal(model, c.edit);
        EXPECT_NE(got.find(c.refused), std::string::npos) << c.what << ": " << got;
    }
    // The horizontal types the reader does not trace, named.
    for (const char* type :
         {"CUBIC", "HELMERTCURVE", "BLOSSCURVE", "COSINECURVE", "SINECURVE", "VIENNESEBEND"}) {
        IfcModelData model = line;
        model.alignments[0].horizontal[0].type = type;
        EXPECT_NE(
            refusal(model).find("的类型为 ." + std::string(type) +
                                ".：只能读直线（LINE）、圆曲线（CIRCULARARC）和回旋线（CLOTHOID）"),
            std::string::npos)
            << type;
    }
}

}  // namespace
}  // namespace qelt
