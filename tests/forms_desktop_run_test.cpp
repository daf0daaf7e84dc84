// The desktop runs with the desktop scripted (dialog answers from a list, messages and opened
// documents recorded) on real files: the as-drilled workbook beside the points file with the
// holes' rows in it, the plan drawing beside the coordinate table's workbook, nothing at all
// when a dialog is cancelled, where each open-file dialog starts run after run, and what the
// box that announces the workbook says when the run stopped part-way.

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/forms/desktop_run.h"
#include "base/utf8_path.h"
#include "report/tables/table_columns.h"
#include "test_files.h"
#include "xlsx_read_back.h"

using namespace qelt;
using namespace qelt::forms;
namespace test = qelt::testing;

namespace {

// The main window's boxes 设计高程, 对比计划 and 地面高程 as the user ticked them.
RunOptions ticked(bool heights, bool planned, bool ground) {
    RunOptions options;
    options.heights = heights;
    options.compare_planned = planned;
    options.ground = ground;
    return options;
}

struct Shown {
    MessageKind kind;
    std::string title, text;
};

struct FakeDesktop : Desktop {
    // The dialogs' answers in turn: names in `folder` (whole paths when it is ""), "" cancels.
    std::deque<std::string> answers;
    std::string folder, documents = "Documents", last_file;
    std::vector<std::string> titles, start_folders, opened;
    std::vector<std::pair<MessageKind, std::string>> messages;
    std::vector<Shown> boxes;  // the same messages with their titles
    bool writable = true;
    bool opens = true;  // whether a spreadsheet application opens the workbook

    std::optional<std::string> choose_file(const std::string& title, const std::string&,
                                           const std::string& start_folder) override {
        titles.push_back(title);
        start_folders.push_back(start_folder);
        const std::string answer = answers.empty() ? "" : answers.front();
        if (!answers.empty()) answers.pop_front();
        if (answer.empty()) return std::nullopt;
        return folder.empty() ? answer : join_path(folder, answer, path_style());
    }
    std::string& last_chosen_file() override { return last_file; }
    // The list window's answer (nothing cancels it), and what it listed.
    std::optional<std::size_t> list_choice;
    std::vector<std::string> listed;
    std::function<void()> on_list;  // called as each list shows, before it is answered
    std::optional<std::size_t> choose_from_list(const std::string& title, const std::string&,
                                                const std::vector<std::string>& items) override {
        titles.push_back(title);
        listed = items;
        if (on_list) on_list();
        return list_choice;
    }
    void show_message(MessageKind kind, const std::string& title,
                      const std::string& text) override {
        messages.emplace_back(kind, text);
        boxes.push_back({kind, title, text});
        if (on_message) on_message();
    }
    std::function<void()> on_message;  // called as each message shows
    void bring_to_front() override {}
    void set_busy(bool) override {}
    bool open_document(const std::string& path) override {
        opened.push_back(path);
        return opens;
    }
    bool folder_writable(const std::string&) override { return writable; }
    std::string documents_folder() override { return documents; }
    void make_folder(const std::string& f) override {
        std::error_code ec;
        std::filesystem::create_directories(path_from_utf8(f), ec);
    }
    bool exists(const std::string& path) override {
        std::error_code ec;
        return std::filesystem::exists(path_from_utf8(path), ec);
    }
    PathStyle path_style() const override {
#ifdef _WIN32
        return PathStyle::windows;
#else
        return PathStyle::posix;
#endif
    }
};

std::string read_file(const std::string& path) {
    std::ostringstream bytes;
    bytes << std::ifstream(path_from_utf8(path), std::ios::binary).rdbuf();
    return bytes.str();
}

// A folder of the test's own holding the examples (GB18030, as users save them), and `more`.
void fill(const test::TempDir& dir, const std::vector<std::string>& more = {}) {
    for (const char* name :
         {"mainline-jd.txt", "mainline-dl.txt", "mainline-boreholes.txt", "mainline-points.txt",
          "ramp-elements.txt", "ramp-boreholes.txt", "ramp-points.txt"})
        dir.write(name, read_file(std::string(QELT_SOURCE_DIR "/examples/") + name));
    for (const std::string& name : more) dir.write(name, "someone else's");
}

// The names in `folder` that are not inputs (*.txt) nor `more`: what the run left there.
std::set<std::string> written(const std::string& folder,
                              const std::vector<std::string>& more = {}) {
    std::set<std::string> out;
    for (const auto& entry : std::filesystem::directory_iterator(path_from_utf8(folder)))
        out.insert(utf8_of(entry.path().filename()));
    std::erase_if(out, [&](const std::string& n) {
        return n.ends_with(".txt") || std::find(more.begin(), more.end(), n) != more.end();
    });
    return out;
}

// The lines of a file whose every line ends in CR LF; a line without it fails the test.
std::vector<std::string> crlf_lines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    for (std::size_t end; (end = bytes.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(bytes.substr(at, end - at));
    EXPECT_EQ(at, bytes.size()) << "a line without CR LF";
    return lines;
}

// The boreholes a plan drawing shows: one circle each.
long circles(const std::string& dxf) {
    long n = 0;
    for (std::size_t at = 0; (at = dxf.find("\nCIRCLE\r\n", at)) != std::string::npos; ++at) ++n;
    return n;
}

std::string example(const char* name) {
    return join_path(QELT_SOURCE_DIR "/examples", name,
#ifdef _WIN32
                     PathStyle::windows
#else
                     PathStyle::posix
#endif
    );
}

}  // namespace

// Cancelling any dialog of either job writes nothing and ends the run without a box: the user
// knows what he did not choose.
TEST(DesktopRun, CancelAtAnyDialogWritesNothing) {
    const Method jd = Method::intersection_points, ht = Method::building_blocks;
    const struct {
        bool inverse;
        Method method;
        std::deque<std::string> answers;
        std::string cancelled;  // the title of the dialog cancelled
    } cases[] = {
        {false, jd, {""}, "读取平面资料"},
        {false, jd, {"mainline-jd.txt", ""}, "读取断链资料"},
        {false, jd, {"mainline-jd.txt", "mainline-dl.txt", ""}, "读取钻孔资料"},
        {true, jd, {"mainline-jd.txt", ""}, "读取断链资料"},
        {true, jd, {"mainline-jd.txt", "mainline-dl.txt", ""}, "读取实测坐标资料"},
        {true, ht, {""}, "读取平面资料"},
        {true, ht, {"ramp-elements.txt", ""}, "读取实测坐标资料"},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        fill(dir);
        FakeDesktop desktop;
        desktop.folder = dir.path("");
        desktop.answers = c.answers;
        const TableRunResult r =
            c.inverse ? run_inverse(desktop, c.method) : run_table(desktop, c.method);
        const std::string what = std::to_string(c.inverse) + "/" + c.answers.front();
        EXPECT_EQ(desktop.titles.size(), c.answers.size()) << what;
        EXPECT_EQ(desktop.titles.back(), c.cancelled) << what;
        EXPECT_TRUE(desktop.messages.empty()) << what;
        EXPECT_EQ(written(dir.path("")), std::set<std::string>{}) << what;
        EXPECT_TRUE(desktop.opened.empty() && r.workbook.empty() && r.drawing.empty()) << what;
    }
}

// A LandXML file of a whole interchange, whatever the method: the borehole list is asked for
// before the list window, and where its every group names its line (@主线, @A匝道) no window is
// shown; a LandXML line never asks for a chain-break file; with heights each line takes its
// profile from the file, a line the file gives none goes without and is told, never a dialog;
// cancelling the list window ends the run without a box.
TEST(DesktopRun, LandXmlLinesFromTheListOrTheListWindow) {
    const std::string no_profile = "线路“A匝道”在文件“interchange.xml”中没有纵断面";
    const struct {
        const char* what;
        std::optional<std::size_t> choice;
        const char* list;  // the borehole list answered after the alignment file
        bool heights;
        std::vector<std::string> titles;  // after 读取平面资料, 读取钻孔资料
        long boreholes;                   // -1: cancelled
        bool told_no_profile;
    } cases[] = {
        {"main line chosen", 0, "mainline-boreholes.txt", false, {"选择线路"}, 15, false},
        {"ramp chosen, no chain breaks", 1, "ramp-boreholes.txt", false, {"选择线路"}, 8, false},
        {"ramp chosen with heights", 1, "ramp-boreholes.txt", true, {"选择线路"}, 8, true},
        {"every group names its line",
         std::nullopt,
         "interchange-boreholes.txt",
         true,
         {},
         20,
         true},
        {"list window cancelled",
         std::nullopt,
         "mainline-boreholes.txt",
         false,
         {"选择线路"},
         -1,
         false},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        fill(dir);
        for (const char* name : {"interchange.xml", "interchange-boreholes.txt"})
            dir.write(name, read_file(std::string(QELT_SOURCE_DIR "/examples/") + name));
        FakeDesktop desktop;
        desktop.folder = dir.path("");
        desktop.answers = {"interchange.xml", c.list};
        desktop.list_choice = c.choice;
        const TableRunResult r =
            run_table(desktop, Method::building_blocks, ticked(c.heights, false, false));
        std::vector<std::string> titles{"读取平面资料", "读取钻孔资料"};
        titles.insert(titles.end(), c.titles.begin(), c.titles.end());
        EXPECT_EQ(desktop.titles, titles) << c.what;
        if (!c.titles.empty()) {
            ASSERT_EQ(desktop.listed.size(), 2u) << c.what;
            EXPECT_TRUE(desktop.listed[0].starts_with("主线    长 9165.380 米    K10+000 ～ K"))
                << desktop.listed[0];
            EXPECT_TRUE(desktop.listed[1].starts_with("A匝道    长 ")) << desktop.listed[1];
        }
        if (c.boreholes < 0) {
            EXPECT_EQ(r.run.outcome, RunOutcome::data_error) << c.what;
            EXPECT_TRUE(desktop.messages.empty()) << c.what;
            EXPECT_EQ(written(dir.path(""), {"interchange.xml"}), std::set<std::string>{});
            continue;
        }
        EXPECT_EQ(r.run.outcome, RunOutcome::complete) << c.what << ": " << r.run.message;
        EXPECT_EQ(r.run.boreholes, c.boreholes) << c.what;
        EXPECT_EQ(circles(read_file(r.drawing)), c.boreholes) << c.what;
        const bool told =
            std::any_of(r.run.notices.begin(), r.run.notices.end(),
                        [&](const std::string& n) { return n.starts_with(no_profile); });
        EXPECT_EQ(told, c.told_no_profile) << c.what;
    }
}

// Two alignments of one name are two rows the user can tell apart by their place in the file.
TEST(DesktopRun, TheListNamesTwinAlignmentsByTheirPlace) {
    AlignmentChoice twin = alignment_choice("主线", 300, 1000, 1300);
    twin.line = 80;
    twin.twin = 2;
    const struct {
        AlignmentChoice choice;
        const char* row;
    } cases[] = {
        {alignment_choice("A匝道", 100, 0, 100), "A匝道    长 100.000 米    K0+000 ～ K0+100"},
        {twin, "主线#2（第 80 行）    长 300.000 米    K1+000 ～ K1+300"},
        {alignment_choice("", 100, 0, 100), "（无名称）    长 100.000 米    K0+000 ～ K0+100"},
    };
    for (const auto& c : cases) EXPECT_EQ(alignment_choice_text(c.choice), c.row);
}

// The as-drilled rows reach the workbook beside the points file: the surveyed holes back at the
// stations they were set out from, lettered in the long chain's overlap.
TEST(DesktopRun, InverseDeliversTheAsDrilledWorkbook) {
    const struct {
        Method method;
        std::deque<std::string> answers;
        std::string workbook;
        long holes;
        std::vector<std::pair<std::string, std::string>> cells;
    } cases[] = {
        {Method::intersection_points,
         {"mainline-jd.txt", "mainline-dl.txt", "mainline-points.txt"},
         "mainline-points_钻孔桩号及偏距表.xlsx",
         15,
         {{"A1", "s:青龙河大桥"},
          {"B3", "s:ZK1"},
          {"E3", "s:K11+150.052"},
          {"E18", "s:BK13+470.041"}}},
        {Method::building_blocks,
         {"ramp-elements.txt", "ramp-points.txt"},
         "ramp-points_钻孔桩号及偏距表.xlsx",
         8,
         {{"B3", "s:AZK1"}, {"E3", "s:K0+020.026"}, {"G3", "s:0#桥台"}}},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        fill(dir);
        FakeDesktop desktop;
        desktop.folder = dir.path("");
        desktop.answers = c.answers;
        const TableRunResult r = run_inverse(desktop, c.method);
        EXPECT_EQ(r.run.boreholes, c.holes);
        EXPECT_EQ(desktop.opened, std::vector<std::string>{dir.path(c.workbook)});
        // The surveyed holes go to the crew's controller under their own names too.
        const std::string dat = c.workbook.substr(0, c.workbook.find('_')) + "_放样点.dat";
        EXPECT_EQ(written(dir.path("")), (std::set<std::string>{c.workbook, dat}));
        EXPECT_EQ(r.stakeout, dir.path(dat));
        const std::vector<std::string> lines = crlf_lines(read_file(r.stakeout));
        EXPECT_EQ(static_cast<long>(lines.size()), c.holes);
        EXPECT_TRUE(lines.front().starts_with(c.method == Method::intersection_points ? "ZK1,,498"
                                                                                      : "AZK1,,"))
            << lines.front();
        ASSERT_EQ(desktop.boxes.size(), 1u);
        EXPECT_TRUE(
            desktop.boxes[0].text.starts_with("放样点文件（南方 CASS 格式）已写入：" + r.stakeout));
        test::Dump dump = test::read_back(r.workbook);
        EXPECT_EQ(dump["sheet"], "钻孔桩号及偏距表");
        for (const auto& [cell, value] : c.cells) EXPECT_EQ(dump[cell + ".v"], value) << cell;
    }
}

// The crew's CASS file as it comes: read as such (the closing box says so), its H in the
// 孔口高程 column the desktop adds for a file that has heights.
TEST(DesktopRun, InverseReadsTheCrewsCassFile) {
    test::TempDir dir;
    fill(dir);
    dir.write("实测.dat", "ZK1,,498953.035,3513057.061,412.5\r\nZK2,,498970.834,3513082.013,\r\n");
    FakeDesktop desktop;
    desktop.folder = dir.path("");
    desktop.answers = {"mainline-jd.txt", "mainline-dl.txt", "实测.dat"};
    const TableRunResult r = run_inverse(desktop, Method::intersection_points);
    EXPECT_EQ(r.run.outcome, RunOutcome::complete) << r.run.message;
    EXPECT_EQ(r.run.boreholes, 2);
    ASSERT_EQ(desktop.boxes.size(), 1u);
    EXPECT_NE(desktop.boxes[0].text.find("实测坐标资料文件“实测.dat”按 CASS 坐标文件读入"),
              std::string::npos)
        << desktop.boxes[0].text;
    test::Dump dump = test::read_back(r.workbook);
    const std::pair<std::string, std::string> cells[] = {{"A1", "s:实测"},  {"G2", "s:孔口高程"},
                                                         {"H2", "s:备注"},  {"B3", "s:ZK1"},
                                                         {"G3", "n:412.5"}, {"G4", "blank"}};
    for (const auto& [cell, value] : cells) EXPECT_EQ(dump[cell + ".v"], value) << cell;
}

// 对比计划 ticked: the planned borehole list is asked for after the points file, the table
// follows the planned holes and the closing box begins with the comparison's count.
TEST(DesktopRun, InverseComparedWithThePlannedHoles) {
    test::TempDir dir;
    fill(dir);
    dir.write("实测.dat",
              "A1,,498953.0072,3513057.0168,412.5\r\nA3,,498958.8503,3513088.6516,\r\n");
    FakeDesktop desktop;
    desktop.folder = dir.path("");
    desktop.answers = {"mainline-jd.txt", "mainline-dl.txt", "实测.dat", "mainline-boreholes.txt"};
    const TableRunResult r =
        run_inverse(desktop, Method::intersection_points, ticked(false, true, false));
    EXPECT_EQ(r.run.outcome, RunOutcome::complete) << r.run.message;
    EXPECT_EQ(desktop.titles.back(), kPlannedDialog.title);
    ASSERT_EQ(desktop.boxes.size(), 1u);
    EXPECT_EQ(desktop.boxes[0].text.rfind(
                  "计划 15 孔，实测 2 孔：超限 1 孔（限差 1.000 米），未钻 13 孔，计划外 0 孔", 0),
              0u)
        << desktop.boxes[0].text;
    test::Dump dump = test::read_back(r.workbook);
    const std::pair<std::string, std::string> cells[] = {
        {"A1", "s:青龙河大桥"}, {"C2", "s:计划桩号"}, {"B3", "s:A1"}, {"J3", "n:412.5"},
        {"B4", "s:A3"},         {"K4", "s:超限"},     {"K3", "blank"}};
    for (const auto& [cell, value] : cells) EXPECT_EQ(dump[cell + ".v"], value) << cell;
}

// The plan drawing goes with every delivered coordinate table, into the workbook's folder under
// the first name free for it; no workbook, no drawing.
TEST(DesktopRun, PlanDrawingBesideTheWorkbook) {
    const std::string zk = "mainline-boreholes_钻孔", xlsx = zk + "数量及位置表.xlsx",
                      xlsx2 = zk + "数量及位置表 (2).xlsx", dxf = zk + "平面布置图.dxf",
                      dxf2 = zk + "平面布置图 (2).dxf", dat = "mainline-boreholes_放样点.dat",
                      dat2 = "mainline-boreholes_放样点 (2).dat";
    const struct {
        std::vector<std::string> present;  // files there before the run
        std::string answer;                // the borehole file
        int where;                         // 0 the folder, 1 Documents, 2 nowhere
        std::set<std::string> written;
        long circles;
    } cases[] = {
        {{}, "mainline-boreholes.txt", 0, {xlsx, dxf, dat}, 15},
        // The table, its drawing and its points share their number: a name taken for any
        // moves them all.
        {{dxf}, "mainline-boreholes.txt", 0, {xlsx2, dxf2, dat2}, 15},
        {{xlsx}, "mainline-boreholes.txt", 0, {xlsx2, dxf2, dat2}, 15},
        {{dat}, "mainline-boreholes.txt", 0, {xlsx2, dxf2, dat2}, 15},
        {{}, "mainline-boreholes.txt", 1, {xlsx, dxf, dat}, 15},
        {{}, "mainline-boreholes.txt", 2, {}, 0},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        fill(dir, c.present);
        FakeDesktop desktop;
        desktop.folder = dir.path("");
        desktop.answers = {"mainline-jd.txt", "mainline-dl.txt", c.answer};
        desktop.writable = c.where == 0;
        // Where Documents lies below a regular file, nothing can be written.
        desktop.documents = dir.path(c.where == 1 ? "文档" : "mainline-jd.txt/文档");
        const TableRunResult r = run_table(desktop, Method::intersection_points);
        const std::string out = c.where == 1 ? desktop.documents : dir.path("");
        EXPECT_EQ(written(out, c.present), c.written) << c.answer << c.where;
        if (c.where == 2) {
            EXPECT_TRUE(r.drawing.empty() && r.workbook.empty());
            continue;
        }
        const auto drawing = std::find_if(c.written.begin(), c.written.end(),
                                          [](const std::string& n) { return n.ends_with(".dxf"); });
        EXPECT_EQ(r.drawing, join_path(out, *drawing, desktop.path_style()));
        EXPECT_EQ(circles(read_file(r.drawing)), c.circles) << c.answer;
        // One line per borehole, named by group letter and serial: 青龙河大桥 A, the culvert
        // B, 长链后 C, 石门坎路堑 D.
        const std::vector<std::string> points = crlf_lines(read_file(r.stakeout));
        EXPECT_EQ(static_cast<long>(points.size()), c.circles);
        if (c.circles == 15) {
            EXPECT_TRUE(points[0].starts_with("A1,,498")) << points[0];
            EXPECT_TRUE(points[6].starts_with("B1,,")) << points[6];
            EXPECT_TRUE(points[14].starts_with("D4,,")) << points[14];
        }
        // The closing box: where the drawing and the points went, and why no map came (the
        // examples' Y carries no zone number).
        EXPECT_EQ(desktop.messages.back().first, MessageKind::information);
        EXPECT_TRUE(desktop.messages.back().second.starts_with(
            "钻孔平面布置图已写入：" + r.drawing + "\n放样点文件（南方 CASS 格式）已写入：" +
            r.stakeout + "\n未写出钻孔位置 KML：不知道 X、Y 坐标所在的坐标系"))
            << desktop.messages.back().second;
        // It tells a desktop user what to do, not the command line's options.
        const std::string& closing = desktop.messages.back().second;
        EXPECT_EQ(closing.find("--"), std::string::npos) << closing;
        EXPECT_NE(closing.find("请在平面资料的 Y 坐标前写上投影带带号"), std::string::npos)
            << closing;
        EXPECT_TRUE(r.map.empty());
        for (const std::string& name : c.present)
            EXPECT_EQ(read_file(dir.path(name)), "someone else's");
    }
}

// Where Y carries its zone number the coordinate system is known, and the map goes beside the
// table with the drawing and the points, numbered with them; the box lists all three.
TEST(DesktopRun, MapBesideTheTableWhenYCarriesTheZone) {
    test::TempDir dir;
    // The examples' main line moved into 3° zone 38 (central meridian 114°).
    dir.write("zone-jd.txt",
              "起点,10000\r\nQD,3512000.000 38498500.000 0 0 0\r\n"
              "JD1,3513400.000 38499100.000 800 150 150\r\nZD,3514900.000 38498900.000 0 0 0\r\n");
    dir.write("zone-dl.txt", "-1 -1\r\n");
    dir.write("zk.txt", "某项目\r\n桥 2\r\n10100 0\r\n10200 5 左\r\n");
    dir.write("zk_钻孔位置.kml", "someone else's");
    FakeDesktop desktop;
    desktop.folder = dir.path("");
    desktop.answers = {"zone-jd.txt", "zone-dl.txt", "zk.txt"};
    const TableRunResult r = run_table(desktop, Method::intersection_points);
    ASSERT_EQ(r.run.outcome, RunOutcome::complete) << r.run.message;
    EXPECT_EQ(written(dir.path(""), {"zk_钻孔位置.kml"}),
              (std::set<std::string>{"zk_钻孔数量及位置表 (2).xlsx", "zk_钻孔平面布置图 (2).dxf",
                                     "zk_放样点 (2).dat", "zk_钻孔位置 (2).kml"}));
    EXPECT_EQ(r.map, dir.path("zk_钻孔位置 (2).kml"));
    EXPECT_NE(read_file(r.map).find("<kml"), std::string::npos);
    EXPECT_EQ(desktop.messages.back().second,
              "钻孔平面布置图已写入：" + r.drawing + "\n放样点文件（南方 CASS 格式）已写入：" +
                  r.stakeout + "\n钻孔位置 KML（Google Earth、奥维互动地图）已写入：" + r.map);
}

// A line from an IFC model: the holes go into a copy of that model beside the table.
TEST(DesktopRun, HolesModelBesideTheTableWhenTheLineCameFromIfc) {
    test::TempDir dir;
    fill(dir);
    const std::string model = read_file(QELT_SOURCE_DIR "/examples/interchange.ifc");
    dir.write("interchange.ifc", model);
    FakeDesktop desktop;
    desktop.folder = dir.path("");
    desktop.answers = {"interchange.ifc", "mainline-boreholes.txt"};
    desktop.list_choice = 0;
    const TableRunResult r = run_table(desktop, Method::building_blocks);
    ASSERT_EQ(r.run.outcome, RunOutcome::complete) << r.run.message;
    EXPECT_EQ(r.model, dir.path("mainline-boreholes_钻孔模型.ifc"));
    const std::string kept = model.substr(0, model.rfind("ENDSEC;"));
    EXPECT_EQ(read_file(r.model).substr(0, kept.size()), kept);
    EXPECT_NE(desktop.messages.back().second.find("含钻孔的 IFC 模型已写入：" + r.model),
              std::string::npos);
}

TEST(DesktopRun, DialogsStartWhereTheUserWas) {
    qelt::testing::TempDir dir;
    const std::string ramp = example("ramp-elements.txt");
    const std::string boreholes = dir.write("zk.txt", "某互通\n桥 1\n100 0\n");
    const std::string examples = folder_of(ramp), project = folder_of(boreholes);
    FakeDesktop desktop;
    // Run 1: the program's first dialog starts in Documents, the borehole dialog in the
    // alignment's folder. Run 2 starts where run 1 ended, in the boreholes' folder. Run 3 is
    // cancelled at once, which changes nothing: run 4 starts there too.
    desktop.answers = {ramp, boreholes, ramp, boreholes, ""};
    for (int run = 0; run < 3; ++run) run_table(desktop, Method::building_blocks);
    desktop.answers = {""};
    run_table(desktop, Method::building_blocks);
    EXPECT_EQ(desktop.start_folders, (std::vector<std::string>{"Documents", examples, project,
                                                               examples, project, project}));
    EXPECT_EQ(desktop.last_file, boreholes);
}

TEST(DesktopRun, StoppedRunSaysTheTableIsPartial) {
    const std::string partial = "zk_钻孔数量及位置表（未完成）.xlsx";
    const std::string partial_box =
        "钻孔数量及位置表未完成，文件名带“（未完成）”；钻孔不全，所以未生成钻孔平面布置图、放样点和"
        "地图文件。改正后重新计算即可得到全部文件。";
    struct Case {
        const char* what;
        const char* boreholes;  // the borehole file, on the ramp of the examples
        RunOutcome outcome;
        std::string headline;         // of the box that says where the workbook is; "": no workbook
        std::set<std::string> files;  // in the folder after the run, temporary files included
        std::string closing;          // how the last box begins
    };
    const Case cases[] = {
        {"complete",
         "某互通\n桥 2\n100 0\n120 0\n",
         RunOutcome::complete,
         "钻孔数量及位置表已写入：",
         {"zk_钻孔数量及位置表.xlsx", "zk_钻孔平面布置图.dxf", "zk_放样点.dat"},
         "钻孔平面布置图已写入："},
        // Rows: title 1, headings 2, boreholes 3 and 4 (the second rejected: its serial only).
        {"station rejected",
         "某互通\n桥 2\n100 0\nA150 0\n",
         RunOutcome::station_rejected,
         "表格只写到第 3 行（1 个钻孔），已写入：",
         {partial},
         partial_box},
        {"rejected in the second group",
         "某互通\n桥 2\n100 0\n120 0\n涵洞 2\n130 0\nB1 0\n",
         RunOutcome::station_rejected,
         "表格只写到第 8 行（3 个钻孔），已写入：",
         {partial},
         partial_box},
        {"borehole line without offset",
         "某互通\n桥 2\n100 0\n150\n",
         RunOutcome::borehole_failure,
         "表格只写到第 3 行（1 个钻孔），已写入：",
         {partial},
         partial_box},
        // No row written: no file at all, and the box says so.
        {"first borehole rejected",
         "某互通\n桥 1\nA100 0\n",
         RunOutcome::station_rejected,
         "",
         {},
         "没有写出任何钻孔：未生成钻孔数量及位置表，也未生成图形、放样点和地图文件。"},
        {"refused on its second line",
         "某互通\n桥 两个\n100 0\n",
         RunOutcome::borehole_failure,
         "",
         {},
         "没有写出任何钻孔：未生成钻孔数量及位置表，也未生成图形、放样点和地图文件。"},
    };
    for (const Case& c : cases) {
        qelt::testing::TempDir dir;
        FakeDesktop desktop;
        desktop.opens = false;
        // Every file the run leaves is counted when its last box shows.
        std::set<std::string> at_last_box;
        desktop.on_message = [&] {
            at_last_box.clear();
            for (const auto& e : std::filesystem::directory_iterator(path_from_utf8(dir.path(""))))
                if (!e.path().filename().string().ends_with(".txt"))
                    at_last_box.insert(utf8_of(e.path().filename()));
        };
        desktop.answers = {example("ramp-elements.txt"), dir.write("zk.txt", c.boreholes)};
        const TableRunResult result = run_table(desktop, Method::building_blocks);
        EXPECT_EQ(result.run.outcome, c.outcome) << c.what;
        EXPECT_EQ(at_last_box, c.files) << c.what;
        EXPECT_TRUE(desktop.boxes.back().text.starts_with(c.closing))
            << c.what << ": " << desktop.boxes.back().text;
        if (c.headline.empty()) {
            EXPECT_TRUE(result.workbook.empty()) << c.what;
            continue;
        }
        // The stop's own message (if any) first, then the box naming the workbook.
        const auto named = std::find_if(desktop.boxes.begin(), desktop.boxes.end(),
                                        [](const Shown& b) { return b.title == kTableTitle; });
        ASSERT_NE(named, desktop.boxes.end()) << c.what;
        const Shown& box = *named;
        EXPECT_EQ(box.kind, MessageKind::information) << c.what;
        EXPECT_EQ(box.text,
                  c.headline + "\n" + result.workbook + "\n\n没有找到打开它的电子表格程序。")
            << c.what;
    }
}

// 线形表: both tables beside the alignment file, named after it, under one number free for both;
// into Documents where the folder cannot be written; nothing at all when a dialog is cancelled
// (and no box) or neither folder can be written.
TEST(DesktopRun, LineTablesBesideTheAlignment) {
    const std::string curves = "mainline-jd_直线曲线及转角表", stakes = "mainline-jd_逐桩坐标表";
    const std::deque<std::string> jd{"mainline-jd.txt", "mainline-dl.txt"};
    const Method by_jds = Method::intersection_points, ramp = Method::building_blocks;
    const std::string cancelled;  // no box at all
    const struct {
        Method method;
        std::deque<std::string> answers;
        std::vector<std::string> present;  // files there before the run
        const char* documents;             // "": the folder can be written
        std::vector<std::string> written;  // the geometry table first
        std::string project;               // in the page headers; none written: the error box
    } cases[] = {
        {by_jds, jd, {}, "", {curves + ".xlsx", stakes + ".xlsx"}, "mainline-jd.txt"},
        // A number taken for either table moves both.
        {by_jds,
         jd,
         {stakes + ".xlsx"},
         "",
         {curves + " (2).xlsx", stakes + " (2).xlsx"},
         "mainline-jd.txt"},
        {by_jds,
         jd,
         {curves + ".xlsx", curves + " (2).xlsx"},
         "",
         {curves + " (3).xlsx", stakes + " (3).xlsx"},
         "mainline-jd.txt"},
        {by_jds, jd, {}, "文档", {curves + ".xlsx", stakes + ".xlsx"}, "mainline-jd.txt"},
        {ramp,
         {"ramp-elements.txt"},
         {},
         "",
         {"ramp-elements_线元表.xlsx", "ramp-elements_逐桩坐标表.xlsx"},
         "ramp-elements.txt"},
        // A LandXML line numbers itself: no chain-break dialog.
        {ramp,
         {"interchange.xml"},
         {},
         "",
         {"interchange_线元表.xlsx", "interchange_逐桩坐标表.xlsx"},
         "interchange.xml A匝道"},
        {by_jds, {"mainline-jd.txt", ""}, {}, "", {}, cancelled},
        {ramp, {""}, {}, "", {}, cancelled},
        // Documents below a regular file: nowhere to write.
        {by_jds, jd, {}, "mainline-jd.txt/文档", {}, "无法写入 "},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        fill(dir, c.present);
        dir.write("interchange.xml", read_file(QELT_SOURCE_DIR "/examples/interchange.xml"));
        dir.write("none-dl.txt", "-1 -1\r\n");
        FakeDesktop desktop;
        desktop.folder = dir.path("");
        desktop.answers = c.answers;
        desktop.list_choice = 1;  // A匝道
        desktop.writable = !*c.documents;
        desktop.documents = dir.path(c.documents);
        const LineTablesResult r = run_line_tables(desktop, c.method);
        const std::string what = c.answers.front() + " " + c.documents;
        const std::string out =
            desktop.writable || c.written.empty() ? dir.path("") : desktop.documents;
        std::vector<std::string> paths;
        for (const std::string& name : c.written)
            paths.push_back(join_path(out, name, desktop.path_style()));
        EXPECT_EQ(r.workbooks, paths) << what << " " << r.run.message;
        std::vector<std::string> inputs = c.present;
        inputs.push_back("interchange.xml");
        if (!paths.empty()) inputs.push_back(c.documents);
        EXPECT_EQ(written(out, inputs), std::set<std::string>(c.written.begin(), c.written.end()))
            << what;
        for (const std::string& name : c.present)
            EXPECT_EQ(read_file(dir.path(name)), "someone else's") << what;
        if (c.written.empty() && c.project.empty()) {
            EXPECT_TRUE(desktop.messages.empty() && desktop.opened.empty()) << what;
            continue;
        }
        if (c.written.empty()) {
            ASSERT_EQ(desktop.messages.size(), 1u) << what;
            EXPECT_EQ(desktop.messages[0].first, MessageKind::error) << what;
            EXPECT_TRUE(desktop.messages[0].second.starts_with(c.project))
                << what << desktop.messages[0].second;
            EXPECT_TRUE(desktop.opened.empty()) << what;
            continue;
        }
        EXPECT_EQ(desktop.opened, std::vector<std::string>{paths[0]}) << what;
        EXPECT_EQ(desktop.messages, (decltype(desktop.messages){{MessageKind::information,
                                                                 "逐桩坐标表已写入：" + paths[1]}}))
            << what;
        for (const std::string& path : paths)
            EXPECT_NE(test::read_back(path)["header"].find(c.project), std::string::npos) << path;
    }
}

// With 设计高程 ticked the runs read a design profile after the line: from the profile's dialog,
// or from the LandXML line's own ProfAlign without a dialog; the table gains the column and the
// line tables the 纵坡、竖曲线表. With 地面高程 ticked too the ground's dialog follows the
// profile's and the table shows 地面高程 and 填挖高 after 设计高程, the stake table 地面高程.
TEST(DesktopRun, HeightsFromTheProfileDialogOrTheLinesOwn) {
    test::TempDir dir;
    fill(dir);
    for (const char* name : {"mainline-profile.txt", "interchange.xml", "mainline-ground.dat"})
        dir.write(name, read_file(std::string(QELT_SOURCE_DIR "/examples/") + name));
    // The interchange exported with the existing ground: one TIN, or two to choose from; each a
    // wide plane of one height over the main line's start, told apart by that height.
    const auto with_surfaces = [&](const std::vector<std::pair<std::string, int>>& surfaces) {
        std::string xml = read_file(QELT_SOURCE_DIR "/examples/interchange.xml");
        std::string block = "<Surfaces>\n";
        for (const auto& [name, z] : surfaces) {
            const std::string h = " " + std::to_string(z) + "</P>";
            block += "<Surface name=\"" + name + "\"><Definition surfType=\"TIN\"><Pnts>" +
                     "<P id=\"1\">3500000 490000" + h + "<P id=\"2\">3530000 490000" + h +
                     "<P id=\"3\">3530000 510000" + h + "<P id=\"4\">3500000 510000" + h +
                     "</Pnts><Faces><F>1 2 3</F><F>1 3 4</F></Faces></Definition></Surface>\n";
        }
        xml.insert(xml.rfind("</LandXML>"), block + "</Surfaces>\n");
        return xml;
    };
    dir.write("one-ground.xml", with_surfaces({{"EG", 300}}));
    dir.write("two-grounds.xml", with_surfaces({{"EG-2019", 300}, {"EG-2024", 310}}));
    struct Case {
        const char* what;
        std::deque<std::string> answers;
        std::vector<std::string> titles;  // the dialogs and list windows shown, in turn
        bool ground = false;
        const char* g2 = "s:备注";  // the column after 设计高程
        const char* notice = "";    // a line the closing box says
        std::size_t surface = 0;    // the list's answer for the ground
    };
    const Case cases[] = {
        {"JD line and its profile file",
         {"mainline-jd.txt", "mainline-dl.txt", "mainline-profile.txt", "mainline-boreholes.txt"},
         {"读取平面资料", "读取断链资料", "读取纵断面资料", "读取钻孔资料"}},
        {"LandXML main line with its ProfAlign",
         {"interchange.xml", "mainline-boreholes.txt"},
         {"读取平面资料", "读取钻孔资料", kAlignmentListTitle}},
        {"JD line, its profile and the ground",
         {"mainline-jd.txt", "mainline-dl.txt", "mainline-profile.txt", "mainline-ground.dat",
          "mainline-boreholes.txt"},
         {"读取平面资料", "读取断链资料", "读取纵断面资料", "读取地面资料", "读取钻孔资料"},
         true,
         "s:地面高程"},
        // The line's own ground, not the 读取地面资料 dialog: taken where it is the only one,
        // chosen from a list where there are several.
        {"LandXML line with its one surface",
         {"one-ground.xml", "mainline-boreholes.txt"},
         {"读取平面资料", "读取钻孔资料", kAlignmentListTitle},
         true,
         "s:地面高程",
         "地面高程取自平面资料文件“one-ground.xml”中的地面模型“EG”"},
        {"LandXML line with two surfaces, the second chosen",
         {"two-grounds.xml", "mainline-boreholes.txt"},
         {"读取平面资料", "读取钻孔资料", kAlignmentListTitle, kSurfaceListTitle},
         true,
         "s:地面高程",
         "地面高程取自平面资料文件“two-grounds.xml”中的地面模型“EG-2024”",
         1},
    };
    for (const Case& c : cases) {
        FakeDesktop desktop;
        desktop.folder = dir.path("");
        desktop.answers = c.answers;
        desktop.list_choice = 0;  // 主线
        // The surface list follows the line's: answered as the case says.
        desktop.on_list = [&desktop, &c] {
            if (desktop.titles.back() == kSurfaceListTitle) desktop.list_choice = c.surface;
        };
        const TableRunResult r =
            run_table(desktop, Method::intersection_points, ticked(true, false, c.ground));
        ASSERT_EQ(r.run.outcome, RunOutcome::complete) << c.what << ": " << r.run.message;
        EXPECT_EQ(desktop.titles, c.titles) << c.what;
        test::Dump dump = test::read_back(r.workbook);
        EXPECT_EQ(dump["F2.v"], "s:设计高程") << c.what;
        EXPECT_EQ(dump["G2.v"], c.g2) << c.what;
        if (*c.notice) {
            ASSERT_FALSE(desktop.boxes.empty()) << c.what;
            EXPECT_NE(desktop.boxes.back().text.find(c.notice), std::string::npos)
                << c.what << ": " << desktop.boxes.back().text;
            // The chosen plane's height under the first hole.
            EXPECT_EQ(dump["G3.v"], c.surface ? "n:310" : "n:300") << c.what;
        }
        // The note row names the ground's file (chosen before the borehole list) as the CLI's.
        const std::string note = "地面高程取自地面模型“" + c.answers[c.answers.size() - 2] + "”";
        EXPECT_EQ(c.ground, std::any_of(dump.begin(), dump.end(),
                                        [&](const auto& cell) {
                                            return cell.second.find(note) != std::string::npos;
                                        }))
            << c.what;
    }
    FakeDesktop desktop;
    desktop.folder = dir.path("");
    desktop.answers = {"mainline-jd.txt", "mainline-dl.txt", "mainline-profile.txt",
                       "mainline-ground.dat"};
    const LineTablesResult lines =
        run_line_tables(desktop, Method::intersection_points, ticked(true, false, true));
    ASSERT_EQ(lines.workbooks.size(), 3u) << lines.run.message;
    EXPECT_EQ(lines.workbooks[2], dir.path("mainline-jd_纵坡竖曲线表.xlsx"));
    EXPECT_EQ(desktop.titles.back(), "读取地面资料");
    test::Dump stakes = test::read_back(lines.workbooks[1]);
    EXPECT_EQ(stakes["E1.v"], "s:设计高程\n（米）");
    EXPECT_EQ(stakes["F1.v"], "s:地面高程\n（米）");
}
