// The placement of a borehole, both ways, on an S-shaped road with a long chain, checked against
// the independent curvature-profile model of the same road (tests/curvature_profile.h).

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "alignment/placement.h"
#include "curvature_profile.h"
#include "station/station.h"

namespace qelt {
namespace {

// Stations K1+000..K2+000 heading 30° east of north from (3512000, 498000): a straight, a
// left-hand curve of R 300 between transitions of 100 m, a straight, a right-hand curve of
// R 500 without transitions, a straight. The long chain "1500 1450" makes stations 1450..1500
// occur twice: interval A up to mileage 1500, interval B (station + 50) after it.
const double kHeading = 30 * std::numbers::pi / 180;
const Point kOrigin{3512000, 498000};
const std::vector<test::Piece> kPieces = {
    {1000, 200, 0, 0},          {1200, 100, 0, -1.0 / 300}, {1300, 200, -1.0 / 300, -1.0 / 300},
    {1500, 100, -1.0 / 300, 0}, {1600, 100, 0, 0},          {1700, 200, 1.0 / 500, 1.0 / 500},
    {1900, 100, 0, 0},
};

Alignment road() {
    Alignment a;
    a.line.reset(1000, kOrigin, kHeading);
    for (const test::Piece& p : kPieces) a.line.append(p.k0, p.k1, p.length);
    a.breaks.dl_count = 1;
    a.breaks.dl_before[1] = 1500;
    a.breaks.dl_after[1] = 1450;
    dl_complete(a.breaks, a.start_mileage(), a.end_mileage());
    return a;
}

// The point `offset` metres to the left of the model's line at `mileage`.
Point beside(double mileage, double offset) {
    static const test::Profile model(1000, kOrigin, kHeading, kPieces);
    const test::Located c = model.at(mileage);
    return {c.x + offset * std::sin(c.azimuth), c.y - offset * std::cos(c.azimuth)};
}

// A line that has no direction: no point on it can be computed.
Alignment line_without_direction() {
    Alignment a;
    a.line.reset(0, {0, 0}, NAN);
    a.line.append(0, 0, 1000);
    dl_complete(a.breaks, 0, 1000);
    return a;
}

TEST(Placement, StationAndOffsetToCoordinates) {
    const struct {
        const char* station;
        double offset;
        double mileage;
        const char* printed;
        double value;
    } cases[] = {
        {"1100", 5, 1100, "K1+100", 1100},                  // the first straight
        {"K1+250.5", -7.25, 1250.5, "K1+250.500", 1250.5},  // the entry transition
        {"1400", 12, 1400, "K1+400", 1400},                 // the left-hand arc
        {"A1480", 3, 1480, "K1+480", 1480},                 // the chain's overlap, first pass
        {"BK1+480", 3, 1530, "K1+480", 1480},               // and second pass
        {"1800", -20, 1850, "K1+800", 1800},                // the right-hand arc, interval B
        {"1949.5", 0, 1999.5, "K1+949.500", 1949.5},        // just before the end
    };
    const Alignment a = road();
    for (const auto& c : cases) {
        const PlacedBorehole p = place_borehole(a, {c.station, c.offset, "x"});
        ASSERT_EQ(p.outcome, PlacementOutcome::placed) << c.station << ": " << p.message;
        EXPECT_EQ(p.mileage, c.mileage) << c.station;
        EXPECT_EQ(p.station, c.printed) << c.station;
        EXPECT_EQ(p.station_value, c.value) << c.station;
        EXPECT_EQ(p.offset, c.offset) << c.station;
        const Point expected = beside(c.mileage, c.offset);
        EXPECT_NEAR(p.point.x, expected.x, 1e-6) << c.station;
        EXPECT_NEAR(p.point.y, expected.y, 1e-6) << c.station;
        EXPECT_TRUE(p.notices.empty()) << c.station << ": " << p.notices.front();
    }
}

// A hole on a skewed pier axis: the axis turns its left half θ from the direction of increasing
// station, so the hole lies at azimuth (tangent − θ) from the centre-line point, `offset` metres
// out; the station printed is the axis's. On a straight, the entry transition and the arc.
TEST(Placement, SkewedAxis) {
    const struct {
        const char* station;
        double mileage;
        double offset;
        double theta;  // degrees
    } cases[] = {
        {"1100", 1100, 8, 60},        {"1100", 1100, -8, 60},         {"1100", 1100, 0, 60},
        {"1100", 1100, 6.5, 120},     {"1100", 1100, -6.5, 45.5},     {"1100", 1100, 6.5, 90},
        {"K1+250.5", 1250.5, 12, 60}, {"K1+250.5", 1250.5, -12, 120}, {"K1+250.5", 1250.5, 5, 45.5},
        {"1400", 1400, 20, 60},       {"1400", 1400, -20, 120},       {"1400", 1400, 7, 45.5},
        {"1400", 1400, -7, 90},       {"1400", 1400, 0, 120},
    };
    static const test::Profile model(1000, kOrigin, kHeading, kPieces);
    const Alignment a = road();
    for (const auto& c : cases) {
        StationOffset at{c.station, c.offset, "x"};
        at.crossing_angle = c.theta;
        const PlacedBorehole p = place_borehole(a, at);
        ASSERT_EQ(p.outcome, PlacementOutcome::placed) << c.station << ": " << p.message;
        const test::Located centre = model.at(c.mileage);
        const double axis = centre.azimuth - c.theta * std::numbers::pi / 180;
        const std::string label =
            std::string(c.station) + " " + std::to_string(c.offset) + " " + std::to_string(c.theta);
        EXPECT_NEAR(p.point.x, centre.x + c.offset * std::cos(axis), 1e-6) << label;
        EXPECT_NEAR(p.point.y, centre.y + c.offset * std::sin(axis), 1e-6) << label;
        EXPECT_NEAR(p.centre.x, centre.x, 1e-6) << label;
        EXPECT_NEAR(p.centre.y, centre.y, 1e-6) << label;
        EXPECT_EQ(p.offset, c.offset) << label;
    }
}

TEST(Placement, SurveyedPointsToStationAndOffset) {
    const struct {
        double mileage, offset;  // where the model puts the surveyed point
        const char* station;     // the foot's printed station
        double value;
        const char* notice;  // or nullptr
    } cases[] = {
        // A foot's station is computed, never quite whole: off the whole metre, it prints the
        // same whatever the last bits.
        {1100.25, 5, "K1+100.250", 1100.25, nullptr},
        {1400.5, -30, "K1+400.500", 1400.5, nullptr},
        // In the overlap the letter says which pass: read back it gives this point again.
        {1480.125, -3, "AK1+480.125", 1480.125, nullptr},
        {1530.125, 3, "BK1+480.125", 1480.125, nullptr},
        {1850.75, -20, "K1+800.750", 1800.75, nullptr},
        {990.5, 2, "K0+990.500", 990.5,
         "孔号ZK1的垂足（桩号K0+990.500）位于线路起点之前 9.500 米，"
         "桩号和距中线距离按起点切线的延长线算出"},
        {2010.25, 0, "K1+960.250", 1960.25,
         "孔号ZK1的垂足（桩号K1+960.250）位于线路终点之后 10.250 米，"
         "桩号和距中线距离按终点切线的延长线算出"},
    };
    const Alignment a = road();
    for (const auto& c : cases) {
        const Point surveyed = beside(c.mileage, c.offset);
        const PlacedBorehole p = place_surveyed(a, "ZK1", surveyed);
        ASSERT_EQ(p.outcome, PlacementOutcome::placed) << c.mileage << ": " << p.message;
        EXPECT_NEAR(p.mileage, c.mileage, 1e-6) << c.mileage;
        EXPECT_NEAR(p.offset, c.offset, 1e-6) << c.mileage;
        EXPECT_EQ(p.station, c.station) << c.mileage;
        EXPECT_NEAR(p.station_value, c.value, 1e-6) << c.mileage;
        EXPECT_EQ(p.point.x, surveyed.x);
        EXPECT_EQ(p.point.y, surveyed.y);
        EXPECT_EQ(p.notices,
                  c.notice ? std::vector<std::string>{c.notice} : std::vector<std::string>{})
            << c.mileage;
    }
}

// What the engineer must hear about a placed borehole: computed all the same, told once.
TEST(Placement, NoticesOfAPlacedBorehole) {
    const std::string kCentre =
        " 已到达或越过圆心：坐标照算，但此点离中线最近处不在此桩号，桩号和距中线距离已不能说明它的"
        "位置，请核对距中线距离";
    const struct {
        const char* station;
        double offset;
        const char* offset_text;
        std::string notice;  // empty: none
    } cases[] = {
        {"900", 0, "0", "桩号K0+900位于线路起点之前 100.000 米，坐标按起点切线的延长线算出"},
        {"1960", 1, "1", "桩号K1+960位于线路终点之后 10.000 米，坐标按终点切线的延长线算出"},
        // The left-hand curve has its centre 300 m to the left: an offset of 300 reaches it.
        {"1400", 299.9, "299.9", ""},
        {"1400", 300, "300",
         "桩号K1+400处曲线半径 300.000 米，圆心在中线左侧；距中线距离 300" + kCentre},
        {"1400", -1000, "-1000", ""},  // the outside of the curve
        // Half-way along the transition the radius is twice the arc's.
        {"1250", 601, "601",
         "桩号K1+250处曲线半径 600.000 米，圆心在中线左侧；距中线距离 601" + kCentre},
        // The right-hand curve, its offset quoted as written.
        {"1800", -500, "-500.0",
         "桩号K1+800处曲线半径 500.000 米，圆心在中线右侧；距中线距离 -500.0" + kCentre},
        {"1100", 5000, "5000", ""},  // a straight has no centre
    };
    const Alignment a = road();
    for (const auto& c : cases) {
        const PlacedBorehole p = place_borehole(a, {c.station, c.offset, c.offset_text});
        ASSERT_EQ(p.outcome, PlacementOutcome::placed) << c.station;
        EXPECT_EQ(p.notices, c.notice.empty() ? std::vector<std::string>{}
                                              : std::vector<std::string>{c.notice})
            << c.station << " " << c.offset;
        EXPECT_TRUE(std::isfinite(p.point.x) && std::isfinite(p.point.y)) << c.station;
    }
}

// A borehole that is not placed says why, in the text the user is shown.
TEST(Placement, BoreholesNotPlaced) {
    const Alignment a = road(), nowhere = line_without_direction();
    const struct {
        const Alignment& line;
        bool surveyed;  // place_surveyed of (100, 0) named ZK1, else place_borehole
        const char* station;
        PlacementOutcome outcome;
        const char* message;
    } cases[] = {
        {a, false, "C1100", PlacementOutcome::station_rejected, "桩号C1100断链标识有误，请修改！"},
        {a, false, "1480", PlacementOutcome::station_rejected,
         "程序不能判断桩号1480所属的断链区间，需添加断链标识A、B、C..."},
        {a, false, "B1960", PlacementOutcome::station_rejected,
         "桩号B1960超出所在断链区间，请修改！"},
        {nowhere, false, "100", PlacementOutcome::not_computable,
         "桩号100的坐标无法计算（线形数据在此处无解）"},
        {nowhere, true, "", PlacementOutcome::not_computable,
         "孔号ZK1的桩号无法计算（线形数据在此处无解）"},
    };
    for (const auto& c : cases) {
        const PlacedBorehole p = c.surveyed ? place_surveyed(c.line, "ZK1", {100, 0})
                                            : place_borehole(c.line, {c.station, 1, "1"});
        EXPECT_EQ(p.outcome, c.outcome) << c.station;
        EXPECT_EQ(p.message, c.message) << c.station;
    }
}

// A point farther than a kilometre beyond the ends or five kilometres to the side is a typing
// error, refused with how far it is; exchanged X and Y are recognised by the point they give
// when exchanged back. At the limits themselves the point is still placed.
TEST(Placement, PointsThatCannotBeHolesOfTheLine) {
    const std::string kNotOurs = "，不会是本线路的钻孔，请核对坐标";
    // Far to the side of the curved road the nearest point is on an extended tangent: across
    // is shown on a straight heading north from (0, 0), stations 0 to 1000.
    Alignment straight;
    straight.line.reset(0, {0, 0}, 0);
    straight.line.append(0, 0, 1000);
    dl_complete(straight.breaks, 0, 1000);
    const Alignment a = road();
    const struct {
        const char* what;
        const Alignment& line;
        Point point;
        std::string message;  // empty: placed
    } cases[] = {
        {"behind, just inside", a, beside(0.5, 3), ""},
        {"behind", a, beside(-0.5, 3),
         "孔号ZK1的垂足（桩号-K0+000.500）位于线路起点之前 1000.500 米，超出线路两端 1 公里" +
             kNotOurs},
        {"ahead, just inside", a, beside(2999.5, -2), ""},
        {"ahead", a, beside(3000.25, -2),
         "孔号ZK1的垂足（桩号K2+950.250）位于线路终点之后 1000.250 米，超出线路两端 1 公里" +
             kNotOurs},
        {"across, just inside", straight, {500, 4999.5}, ""},
        {"across",
         straight,
         {500, -5000.5},
         "孔号ZK1距中线 5000.500 米，超出中线两侧 5 公里" + kNotOurs},
        // X and Y exchanged: back they lie 5 m beside the line, 600 m beyond its end.
        {"swapped",
         a,
         {beside(1100, 5).y, beside(1100, 5).x},
         "X、Y 可能写反了（对调后距线路 5.000 米），请核对坐标"},
        {"swapped, beyond the end",
         a,
         {beside(2600, 0).y, beside(2600, 0).x},
         "X、Y 可能写反了（对调后距线路 600.000 米），请核对坐标"},
    };
    for (const auto& c : cases) {
        const PlacedBorehole placed = place_surveyed(c.line, "ZK1", c.point);
        if (c.message.empty()) {
            EXPECT_EQ(placed.outcome, PlacementOutcome::placed) << c.what << ": " << placed.message;
            continue;
        }
        EXPECT_EQ(placed.outcome, PlacementOutcome::not_on_line) << c.what;
        if (c.message.starts_with("X"))  // where the exchanged point lies is no matter here
            EXPECT_TRUE(placed.message.ends_with("，不会是本线路的钻孔：" + c.message))
                << c.what << ": " << placed.message;
        else
            EXPECT_EQ(placed.message, c.message) << c.what;
    }
    // The borehole list's own offset: five kilometres to the side is a typing error.
    const PlacedBorehole far = place_borehole(a, {"1100", 5000.5, "5000.50"});
    EXPECT_EQ(far.outcome, PlacementOutcome::not_on_line);
    EXPECT_EQ(
        far.message,
        "桩号1100的距中线距离 5000.50 米超出中线两侧 5 公里，不会是本线路的钻孔，请核对距中线距离");
}

}  // namespace
}  // namespace qelt
