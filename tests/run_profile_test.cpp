// The runs with a design profile: each borehole's record carries the design elevation at its
// station, each surveyed hole's at its foot, on the bundled main line with its two chain breaks
// (a grade line worked by hand below), and without a profile the runs ask for none.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "app/run.h"
#include "base/text.h"
#include "support/scripted_run_ui.h"
#include "test_files.h"

namespace qelt {
namespace {

using testing::ScriptedRunUi;
using testing::TempDir;

using Ui = ScriptedRunUi;

class Records : public RecordSink {
  public:
    std::vector<BoreholeRecord> records;
    void record(const BoreholeRecord& r) override { records.push_back(r); }
};

// K11+000 at 351 m, K12+500 at 360 m with R = 10000, K14+000 at 350.7 m. K14+000 lies beyond
// the long chain AK13+500 = BK13+450, 1550 m of mileage after K12+500: the grades are
// +9/1500 = +0.6 % and −9.3/1550 = −0.6 %, the curve L = 10000 · 0.012 = 120 m from K12+440 to
// K12+560, E = 60²/20000 = 0.18 m; BK13+480 lies 50 m further along than AK13+480.
const char* const kProfile = "手算纵断面\nK11+000 351\nK12+500 360 10000\nK14+000 350.7\n";

struct Hole {
    const char* station;
    double design;  // metres; NaN: beyond the profile
};
const Hole kHoles[] = {
    {"K11+000", 351},
    {"K11+750", 355.5},
    {"K12+440", 359.64},
    {"K12+470", 359.64 + 0.006 * 30 - 0.012 * 30 * 30 / (2 * 120)},
    {"K12+500", 359.82},
    {"A13480", 360 - 0.006 * 980},
    {"BK13+480", 360 - 0.006 * 1030},
    {"K14+000", 350.7},
    {"K10+999", NAN},
    {"K16+300", NAN},
};

std::string main_line(const char* name) {
    return std::string(QELT_SOURCE_DIR) + "/examples/" + name;
}

TEST(RunProfile, DesignElevationsOfBoreholesAndSurveyedHoles) {
    TempDir dir;
    std::string list = "工程\n孔 " + std::to_string(std::size(kHoles)) + "\n";
    for (const Hole& h : kHoles) list += std::string(h.station) + " 5\n";
    Ui ui;
    RunOptions options;
    options.heights = true;  // the 设计高程 box
    ui.files = {{DialogRole::alignment, main_line("mainline-jd.txt")},
                {DialogRole::chain_breaks, main_line("mainline-dl.txt")},
                {DialogRole::profile, dir.write("p.txt", kProfile)},
                {DialogRole::boreholes, dir.write("b.txt", list)}};
    const auto source = make_alignment_source(Method::intersection_points);
    Alignment line;
    Records table;
    const RunResult result = run_coordinate_table(ui, options, *source, line, table);
    ASSERT_EQ(result.outcome, RunOutcome::complete) << result.message;
    EXPECT_EQ(ui.dialogs, (std::vector<std::string>{"读取平面资料", "读取断链资料",
                                                    "读取纵断面资料", "读取钻孔资料"}));
    ASSERT_EQ(table.records.size(), std::size(kHoles));
    std::string points = "实测\n孔 " + std::to_string(std::size(kHoles)) + "\n";
    for (std::size_t i = 0; i < std::size(kHoles); ++i) {
        const BoreholeRecord& r = table.records[i];
        if (std::isnan(kHoles[i].design))
            EXPECT_FALSE(r.design_elevation) << kHoles[i].station;
        else
            EXPECT_NEAR(r.design_elevation.value_or(NAN), kHoles[i].design, 1e-9)
                << kHoles[i].station;
        points += "ZK" + std::to_string(i + 1) + " " + shortest_number(r.x) + " " +
                  shortest_number(r.y) + "\n";
    }
    // One notice for each hole beyond the profile.
    EXPECT_EQ(result.notices.size(), 2u);

    // The surveyed holes at the same places: the design elevation at the foot.
    ui.files.erase(DialogRole::boreholes);
    ui.files[DialogRole::points] = dir.write("z.txt", points);
    Records drilled;
    const RunResult inverse = run_as_drilled_table(ui, options, *source, line, drilled);
    ASSERT_EQ(inverse.outcome, RunOutcome::complete) << inverse.message;
    ASSERT_EQ(drilled.records.size(), std::size(kHoles));
    for (std::size_t i = 0; i < std::size(kHoles); ++i)
        if (std::isnan(kHoles[i].design))
            EXPECT_FALSE(drilled.records[i].design_elevation) << kHoles[i].station;
        else
            EXPECT_NEAR(drilled.records[i].design_elevation.value_or(NAN), kHoles[i].design, 1e-6)
                << kHoles[i].station;
    EXPECT_EQ(inverse.notices.size(), 2u);

    // Without heights asked for, no dialog and no design elevation.
    options.heights = false;
    ui.dialogs.clear();
    Records plain;
    run_as_drilled_table(ui, options, *source, line, plain);
    EXPECT_EQ(ui.dialogs,
              (std::vector<std::string>{"读取平面资料", "读取断链资料", "读取实测坐标资料"}));
    EXPECT_FALSE(plain.records.front().design_elevation);
}

// A grade point more than a kilometre off either end of the line (K10+000 to K19+175.380) is a
// typing error, refused naming it; one nearer is read. Two digits of metres are read as written
// and noticed with the file and line.
TEST(RunProfile, GradePointsOffTheLineAndShortStations) {
    struct Case {
        const char* first;
        const char* last;
        const char* refusal;  // a part of it; null: read
        long line;
    };
    const Case cases[] = {
        {"K9+100 350", "K20+170 405", nullptr, 0},
        {"K8+900 350", "K19+180 405", "变坡点 K8+900（第 2 行）位于线路起点之前 1100.000 米", 2},
        {"K10+000 352.4", "K91+180 404.8", "变坡点 K91+180（第 4 行）位于线路终点之后", 4},
    };
    for (const Case& c : cases) {
        TempDir dir;
        Ui ui;
        ui.files = {
            {DialogRole::alignment, main_line("mainline-jd.txt")},
            {DialogRole::chain_breaks, main_line("mainline-dl.txt")},
            {DialogRole::profile, dir.write("p.txt", std::string("纵断面\n") + c.first +
                                                         "\nK12+70 360 10000\n" + c.last + "\n")},
            {DialogRole::boreholes, dir.write("b.txt", "工程\n孔 1\nK12+700 0\n")}};
        const auto source = make_alignment_source(Method::intersection_points);
        Alignment line;
        Records table;
        RunOptions options;
        options.heights = true;
        const RunResult result = run_coordinate_table(ui, options, *source, line, table);
        if (!c.refusal) {
            ASSERT_EQ(result.outcome, RunOutcome::complete) << result.message;
            ASSERT_EQ(result.notices.size(), 1u);
            EXPECT_EQ(result.notices[0],
                      "纵断面资料文件“p.txt”：第 3 行：桩号“K12+70”“+”后的米数不足三位，已按 "
                      "K12+070 读取；若是少写了一位数字，请改正");
            continue;
        }
        EXPECT_EQ(result.outcome, RunOutcome::data_error) << c.first;
        EXPECT_NE(result.message.find(c.refusal), std::string::npos) << result.message;
        EXPECT_NE(result.file.find("p.txt"), std::string::npos) << result.file;
        EXPECT_EQ(result.line, c.line) << c.refusal;
        EXPECT_TRUE(table.records.empty());
    }
}

}  // namespace
}  // namespace qelt
