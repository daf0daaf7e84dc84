// The runs with a ground surface: each hole's ground at its own X, Y (against the plane the
// test's ground shots are taken from), its 填挖高 with the sign that says fill or cut, a hole
// outside the ground left without one and named, and the table's columns and note row.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "app/run.h"
#include "base/text.h"
#include "report/record_fanout.h"
#include "support/scripted_run_ui.h"
#include "support/sheet_model.h"
#include "test_files.h"

namespace qelt {
namespace {

using testing::TempDir;
using Ui = testing::ScriptedRunUi;

std::string main_line(const char* name) {
    return std::string(QELT_SOURCE_DIR) + "/examples/" + name;
}

// A level grade line at 347.5 m, and a ground over the stretch that falls
// 1 m in 100 m northwards and rises 2 m in 100 m eastwards from 350 m at (3513000, 499000),
// surveyed as a CASS file on a 50 m grid.
double ground(double x, double y) {
    return 350 - 0.01 * (x - 3513000) + 0.02 * (y - 499000);
}

std::string ground_shots() {
    std::string text;
    int n = 0;
    for (double x = 3512700; x <= 3514100; x += 50)
        for (double y = 498700; y <= 499600; y += 50)
            text += "G" + std::to_string(++n) + ",," + shortest_number(y) + "," +
                    shortest_number(x) + "," + shortest_number(ground(x, y)) + "\n";
    return text;
}

TEST(RunTerrain, GroundAndCutOrFillAtEachHole) {
    struct Hole {
        const char* line;  // station and offset
        const char* kind;  // "填" fill, "挖" cut, "" no ground
    };
    // The ground at the first two holes is 348.69 and 348.73 m, above the grade (cut), at the
    // third 346.36 m, below it (fill); K16+000 lies kilometres beyond the surveyed ground.
    const Hole holes[] = {
        {"K11+000 0", "挖"}, {"K11+300 -20", "挖"}, {"K11+600 15", "填"}, {"K16+000 0", ""}};
    TempDir dir;
    std::string list = "工程\n孔 " + std::to_string(std::size(holes)) + "\n";
    for (const Hole& h : holes) list += std::string(h.line) + "\n";
    Ui ui;
    RunOptions options;
    options.heights = true;  // the 设计高程 and 地面高程 boxes
    options.ground = true;
    ui.files = {{DialogRole::alignment, main_line("mainline-jd.txt")},
                {DialogRole::chain_breaks, main_line("mainline-dl.txt")},
                {DialogRole::profile, dir.write("p.txt", "平\nK11+000 347.5\nK17+000 347.5\n")},
                {DialogRole::terrain, dir.write("地面.dat", ground_shots())},
                {DialogRole::boreholes, dir.write("b.txt", list)}};
    const auto source = make_alignment_source(Method::intersection_points);
    Alignment line;
    const FieldSet present{RecordField::design_elevation, RecordField::ground_elevation};
    SheetModel sheet(kBoreholeTable, present);
    RecordList records;
    RecordFanout both{&sheet, &records};
    const RunResult result = run_coordinate_table(ui, options, *source, line, both);
    ASSERT_EQ(result.outcome, RunOutcome::complete) << result.message;
    EXPECT_EQ(ui.dialogs,
              (std::vector<std::string>{"读取平面资料", "读取断链资料", "读取纵断面资料",
                                        "读取地面资料", "读取钻孔资料"}));
    ASSERT_EQ(records.all.size(), std::size(holes));
    for (std::size_t i = 0; i < std::size(holes); ++i) {
        const BoreholeRecord& r = records.all[i];
        const std::optional<double> cut_fill = field_number(r, RecordField::cut_fill);
        if (std::string(holes[i].kind).empty()) {
            EXPECT_FALSE(r.ground_elevation) << holes[i].line;
            EXPECT_FALSE(cut_fill) << holes[i].line;
            continue;
        }
        ASSERT_TRUE(r.ground_elevation && cut_fill) << holes[i].line;
        EXPECT_NEAR(*r.ground_elevation, ground(r.x, r.y), 1e-9) << holes[i].line;
        EXPECT_NEAR(*cut_fill, 347.5 - ground(r.x, r.y), 1e-9) << holes[i].line;
        EXPECT_EQ(*cut_fill > 0 ? "填" : "挖", std::string(holes[i].kind)) << holes[i].line;
    }
    // The hole outside, named by its line.
    ASSERT_EQ(result.notices.size(), 1u);
    EXPECT_NE(result.notices[0].find("第 6 行"), std::string::npos) << result.notices[0];
    EXPECT_NE(result.notices[0].find("“地面.dat”的范围之外"), std::string::npos);

    // The columns after 设计高程, the note row naming the ground's file and the one on the sign.
    const auto text = [&](long row, int column) {
        const CellValue* v = sheet.cell(row, column);
        return v && std::holds_alternative<std::string>(*v) ? std::get<std::string>(*v) : "";
    };
    EXPECT_EQ(text(2, 7), "地面高程");
    EXPECT_EQ(text(2, 8), "填(+)挖(−)");
    EXPECT_EQ(text(sheet.last_row(), 2), kCutFillNote);
    EXPECT_NE(text(sheet.last_row() - 1, 2).find("地面高程取自地面模型“地面.dat”"),
              std::string::npos);
    EXPECT_EQ(text(sheet.last_row() - 2, 2), kDesignElevationNote);

    // The holes back from the field with their surveyed heights some way off the model's
    // ground: the model's ground beside each and the difference, surveyed − model; collars
    // more than 5 m off named in one notice that points at the height datum, the first five.
    const std::pair<std::vector<double>, const char*> cases[] = {
        {{-190.2, 4.99, 5.01},
         "2 个钻孔的孔口高程与地面模型“地面.dat”相差超过 5 米（实测−模型）：ZK1 "
         "-190.200 米、ZK3 5.010 米。1956 黄海高程系"},
        {{12, 12, 12, 12, 12, 12, 12},
         "7 个钻孔的孔口高程与地面模型“地面.dat”相差超过 5 米（实测−"
         "模型）：ZK1 12.000 米、ZK2 12.000 米、ZK3 12.000 米、ZK4 "
         "12.000 米、ZK5 12.000 米 等。"}};
    ui.files.erase(DialogRole::boreholes);
    for (const auto& [off, notice] : cases) {
        std::string cass;  // beside the table's holes inside the ground, 2 m apart
        for (std::size_t i = 0; i < off.size(); ++i) {
            const BoreholeRecord& r = records.all[i % 3];
            const double x = r.x + 2.0 * static_cast<double>(i / 3);
            cass += "ZK" + std::to_string(i + 1) + ",," + shortest_number(r.y) + "," +
                    shortest_number(x) + "," + shortest_number(ground(x, r.y) + off[i]) + "\n";
        }
        ui.files[DialogRole::points] = dir.write("实测.dat", cass);
        RecordList drilled;
        const RunResult run = run_as_drilled_table(ui, options, *source, line, drilled);
        ASSERT_EQ(drilled.all.size(), off.size()) << run.message;
        for (std::size_t i = 0; i < off.size(); ++i)
            EXPECT_NEAR(field_number(drilled.all[i], RecordField::ground_check).value_or(NAN),
                        off[i], 1e-6);
        // One notice for them all, the last of the run.
        EXPECT_EQ(std::count_if(run.notices.begin(), run.notices.end(),
                                [](const std::string& n) { return n.find("高程系") != n.npos; }),
                  1);
        EXPECT_EQ(run.notices.back().rfind(notice, 0), 0u) << run.notices.back();
        EXPECT_NE(run.notices.back().find("文件“实测.dat”的 H 用了另一高程系统"),
                  std::string::npos);
    }
}

}  // namespace
}  // namespace qelt
