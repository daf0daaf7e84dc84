// The table runs with a scripted user, a straight road and the in-memory sheet: the order of
// their dialogs, their one error path, what their sink hears and where they stop. How a list
// reads and how a row is placed are the list's and the placement's own tests
// (input_list_events_test, alignment_placement_test).
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "app/run.h"
#include "app/run_output.h"
#include "base/data_error.h"
#include "base/text.h"
#include "report/tables/headers.h"
#include "report/record_fanout.h"
#include "support/sheet_model.h"
#include "test_files.h"

namespace qelt {
namespace {

using testing::TempDir;

// A user who answers each dialog by its role and remembers every message.
class ScriptedUi : public RunUi {
  public:
    std::map<DialogRole, std::string> files;  // a role without a file: the dialog is cancelled
    std::vector<std::string> dialogs_shown;
    std::vector<std::string> events;  // "error:<title>:<text>", "data:<text>", "front"

    std::optional<std::string> choose_file(const FileDialog& dialog) override {
        dialogs_shown.push_back(dialog.title);
        const auto file = files.find(dialog.role);
        if (file == files.end()) return std::nullopt;
        return file->second;
    }
    void show_error_box(const std::string& text, const std::string& title) override {
        events.push_back("error:" + title + ":" + text);
    }
    void show_data_message(const std::string& text) override { events.push_back("data:" + text); }
    void bring_main_window_to_front() override { events.push_back("front"); }
};

// A straight road heading north from (0, 0) at station 0; its file is read but ignored,
// except that the word "bad" makes the read fail and "unbuildable" the build.
class StraightRoad : public AlignmentSource {
  public:
    double end = 3000;
    double heading = 0;
    bool chain_breaks = true;
    bool built = false;
    // Where the chain breaks come from when not from the file (chain_breaks true) or none, and
    // the line's own.
    std::optional<ChainBreakSource> source;
    ChainBreaks own;
    Documents files;
    Documents& documents() override { return files; }
    Alignment read(const std::string& path, const RunOptions&, RunUi&) override {
        LineReader file(path);
        std::string line;
        bool unbuildable = false;
        while (file.next(line))
            if (line == "bad")
                throw DataError("bad record", file.path(), file.line_number());
            else if (line == "unbuildable")
                unbuildable = true;
        if (unbuildable) throw DataError("radius 0");
        built = true;
        Alignment road;
        road.line.reset(0, {0, 0}, heading);
        road.line.append(0, 0, end);
        road.break_source = chain_breaks ? ChainBreakSource::file : ChainBreakSource::none;
        if (source) road.break_source = *source;
        if (road.break_source == ChainBreakSource::line) road.breaks = own;
        return road;
    }
};

const DialogRole kRoles[] = {DialogRole::alignment, DialogRole::chain_breaks,
                             DialogRole::boreholes};

struct Fixture {
    TempDir dir;
    ScriptedUi ui;
    RunOptions options;
    StraightRoad road;
    Alignment line;  // what the run built from the road
    ChainBreaks& breaks = line.breaks;
    SheetModel sheet;
    SheetModel& sink = sheet;

    RunResult run() { return run_coordinate_table(ui, options, road, line, sink); }
    // The files answered so far given up front instead, as the command line gives them.
    void give_up_front() {
        options.up_front = true;
        for (const auto& [role, path] : ui.files) options.file(role) = path;
    }
    // The alignment, chain-break and borehole files in turn; nothing cancels that dialog.
    void answer(std::initializer_list<std::optional<std::string>> files) {
        ui.files.clear();
        const DialogRole* role = kRoles;
        for (const auto& file : files) {
            if (file) ui.files[*role] = *file;
            ++role;
        }
    }
    std::string file(const std::string& name, const std::string& text) {
        return dir.write(name, text);
    }
    std::string text(long row, int col) const {
        auto* v = sheet.cell(row, col);
        return v && std::holds_alternative<std::string>(*v) ? std::get<std::string>(*v) : "<none>";
    }
    double number(long row, int col) const {
        auto* v = sheet.cell(row, col);
        return v && std::holds_alternative<double>(*v) ? std::get<double>(*v) : NAN;
    }
};

const char* kTwoGroups =
    "某项目\r\n桥1 2\r\n1200 5.5 ZK1\r\n1250 -5.5\r\n涵洞 3\r\n100 0\r\n200 10 左\r\n300 -10\r\n";

TEST(Run, TwoGroupsLayOutTheTable) {
    Fixture f;
    f.answer({f.file("jd.txt", "x"), f.file("dl.txt", "-1 -1\r\n"), f.file("zk.txt", kTwoGroups)});
    RunResult r = f.run();
    ASSERT_EQ(r.outcome, RunOutcome::complete) << r.message;
    EXPECT_EQ(f.ui.dialogs_shown,
              (std::vector<std::string>{"读取平面资料", "读取断链资料", "读取钻孔资料"}));
    EXPECT_TRUE(f.ui.events.empty());
    EXPECT_EQ(f.sheet.merged_title_rows, (std::vector<long>{1, 6}));
    EXPECT_EQ(f.text(1, 1), "桥1");
    EXPECT_EQ(f.text(2, 3), "距中线距离（米）");
    EXPECT_EQ(f.text(6, 1), "涵洞");
    EXPECT_EQ(f.text(7, 1), "序号");
    // Rows 3-4 and 8-10 hold the boreholes.
    EXPECT_EQ(f.number(3, 1), 1);
    EXPECT_EQ(f.text(3, 2), "K1+200");
    EXPECT_EQ(f.number(3, 3), 5.5);
    EXPECT_EQ(f.text(3, 6), "ZK1");
    EXPECT_EQ(f.text(4, 6), "");
    EXPECT_EQ(f.number(10, 1), 3);
    EXPECT_EQ(f.text(10, 2), "K0+300");
    EXPECT_EQ(f.sheet.frames, (std::vector<std::pair<long, long>>{{1, 4}, {6, 10}}));
    EXPECT_EQ(f.sheet.note_row, 12);
    EXPECT_EQ(f.sink.last_data_row(), 10);
    EXPECT_TRUE(f.sheet.page_line_rows.empty());
    EXPECT_EQ(f.sheet.left_header, "&10\n\n     某项目");
    EXPECT_EQ(f.sheet.right_header, "&10\n\n第 &P 页 共 &N 页");
}

TEST(Run, RejectedThirdBoreholeKeepsTheRowsBefore) {
    Fixture f;
    f.answer({f.file("jd.txt", "x"), f.file("dl.txt", "-1 -1\n"),
              f.file("zk.txt", "p\n桥1 4\n100 1\n200 1\nA300 1\n400 1\n")});
    RunResult r = f.run();
    EXPECT_EQ(r.outcome, RunOutcome::station_rejected);
    EXPECT_EQ(f.ui.events,
              (std::vector<std::string>{"front", "data:桩号A300有误，不存在断链，请修改！"}));
    EXPECT_EQ(f.text(3, 2), "K0+100");
    EXPECT_EQ(f.text(4, 2), "K0+200");
    EXPECT_EQ(f.number(5, 1), 3);
    EXPECT_EQ(f.sheet.cell(5, 2), nullptr);
    EXPECT_EQ(f.sheet.cell(6, 1), nullptr);
    EXPECT_TRUE(f.sheet.frames.empty());
    EXPECT_FALSE(f.sheet.note_row);
    // Headed as incomplete, so that no printed page of it passes for the whole table.
    EXPECT_EQ(f.sheet.left_header, left_header_text("p"));
    EXPECT_EQ(f.sheet.center_header, center_header_text("钻孔数量及位置表（未完成）"));
    EXPECT_EQ(r.line, 5);
}

// A sink that writes down what it hears.
struct EventLog : RecordSink {
    std::vector<std::string> log;
    void begin_table() override { log.push_back("table"); }
    void begin_group(const GroupHead& g) override {
        log.push_back("group " + g.title + " " + std::to_string(g.count) + " #" +
                      std::to_string(g.number));
    }
    void begin_row(int serial) override { log.push_back("row " + std::to_string(serial)); }
    void record(const BoreholeRecord& b) override {
        log.push_back("record " + b.group + " #" + std::to_string(b.group_number) + " " +
                      std::to_string(b.serial) + " " + b.name + "|" + b.station + "|" +
                      shortest_number(b.station_value) + "|" + shortest_number(b.offset) + "|" +
                      b.offset_text + "|" + shortest_number(b.x) + "|" + shortest_number(b.y) +
                      "|" + b.remark);
    }
    void end_group() override { log.push_back("end group"); }
    void finish(const std::string& project_line) override {
        log.push_back("finish " + project_line);
    }
};

// The sink hears the list's events in the order of the file, and a record for every row
// written, with its group, the group's place (groups without boreholes counted, as the table
// shows them) and its serial. A row that stops the run has its serial begun and no record; a
// stopped run never finishes the table.
TEST(Run, TheSinkHearsTheListAndEveryRecord) {
    const struct {
        const char* name;
        bool points;  // the as-drilled run
        const char* list;
        RunOutcome outcome;
        std::vector<std::string> log;
    } cases[] = {
        // The road heads north from (0, 0) at station 0: X is the mileage, left is -Y.
        {"complete",
         false,
         "p \n空组 0\n桥1 2\n100 1.5 ZK\n200 -1.0\n",
         RunOutcome::complete,
         {"table", "group 空组 0 #1", "end group", "group 桥1 2 #2", "row 1",
          "record 桥1 #2 1 |K0+100|100|1.5|1.5|100|-1.5|ZK", "row 2",
          "record 桥1 #2 2 |K0+200|200|-1|-1.0|200|1|", "end group", "finish p "}},
        {"the project line alone",
         false,
         "仅项目\r\n",
         RunOutcome::complete,
         {"table", "finish 仅项目"}},
        {"a station rejected",
         false,
         "p\n桥1 2\n100 1\nA300 1\n",
         RunOutcome::station_rejected,
         {"table", "group 桥1 2 #1", "row 1", "record 桥1 #1 1 |K0+100|100|1|1|100|-1|", "row 2"}},
        {"the file ends inside a group",
         false,
         "p\n桥1 2\n100 1\n",
         RunOutcome::borehole_failure,
         {"table", "group 桥1 2 #1", "row 1", "record 桥1 #1 1 |K0+100|100|1|1|100|-1|", "row 2"}},
        {"a group line that does not read",
         false,
         "p\n桥1\n",
         RunOutcome::borehole_failure,
         {"table"}},
        // A hole east of the road lies to its right.
        {"a surveyed hole",
         true,
         "p\ng 1\nZK1 100 2 r\n",
         RunOutcome::complete,
         {"table", "group g 1 #1", "row 1", "record g #1 1 ZK1|K0+100|100|-2||100|2|r", "end group",
          "finish p"}},
    };
    for (const auto& c : cases) {
        Fixture f;
        EventLog sink;
        f.ui.files = {
            {DialogRole::alignment, f.file("jd.txt", "x")},
            {DialogRole::chain_breaks, f.file("dl.txt", "-1 -1\n")},
            {c.points ? DialogRole::points : DialogRole::boreholes, f.file("list.txt", c.list)}};
        const RunResult r = c.points ? run_as_drilled_table(f.ui, f.options, f.road, f.line, sink)
                                     : run_coordinate_table(f.ui, f.options, f.road, f.line, sink);
        EXPECT_EQ(r.outcome, c.outcome) << c.name << ": " << r.message;
        EXPECT_EQ(sink.log, c.log) << c.name;
    }
}

TEST(Run, ChainBreakDialogOnlyForAnAlignmentThatUsesChainBreaks) {
    struct Case {
        bool uses_chain_breaks;
        const char* boreholes;
        RunOutcome outcome;
        std::vector<std::string> dialogs;
        int dl_count;  // after the run; 3 beforehand
        std::string last_event;
    };
    const std::vector<std::string> three = {"读取平面资料", "读取断链资料", "读取钻孔资料"};
    const std::vector<std::string> two = {"读取平面资料", "读取钻孔资料"};
    const Case cases[] = {
        {true, "p\ng 2\n50 0\nB1060 0\n", RunOutcome::complete, three, 1, ""},
        // A ramp has no chain breaks: a lettered station names none, whatever the table held.
        {false, "p\ng 2\n50 0\nB1060 0\n", RunOutcome::station_rejected, two, 0,
         "data:桩号B1060有误，不存在断链，请修改！"},
        {false, "p\ng 2\n50 0\n1060 0\n", RunOutcome::complete, two, 0, ""},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.road.chain_breaks = c.uses_chain_breaks;
        f.breaks.dl_count = 3;
        f.answer({f.file("ht.txt", "x"), f.file("dl.txt", "1100 1050\n"),
                  f.file("zk.txt", c.boreholes)});
        const RunResult r = f.run();
        EXPECT_EQ(r.outcome, c.outcome) << c.boreholes;
        EXPECT_EQ(f.ui.dialogs_shown, c.dialogs) << c.uses_chain_breaks;
        EXPECT_EQ(f.breaks.dl_count, c.dl_count) << c.uses_chain_breaks;
        EXPECT_TRUE(f.road.built);
        EXPECT_EQ(f.ui.events.empty() ? "" : f.ui.events.back(), c.last_event);
    }
}

// A line that numbers itself (LandXML's station equations) takes no chain-break file; one that
// may do without takes one where the user gives it, asks where a dialog can.
TEST(Run, ChainBreaksFromWhereTheLineTakesThem) {
    struct Case {
        ChainBreakSource source;
        bool up_front;    // the command line
        bool file_given;  // the chain-break file "1100 1050" is given
        RunOutcome outcome;
        std::size_t dialogs;
        int dl_count;
    };
    const Case cases[] = {
        {ChainBreakSource::line, false, false, RunOutcome::complete, 2, 1},
        {ChainBreakSource::line, true, false, RunOutcome::complete, 2, 1},
        {ChainBreakSource::line, true, true, RunOutcome::data_error, 1, 1},
        {ChainBreakSource::file_or_none, true, false, RunOutcome::complete, 2, 0},
        {ChainBreakSource::file_or_none, true, true, RunOutcome::complete, 3, 1},
        {ChainBreakSource::file_or_none, false, true, RunOutcome::complete, 3, 1},
        {ChainBreakSource::file_or_none, false, false, RunOutcome::data_error, 2, 0},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.road.source = c.source;
        f.road.own.dl_count = 1;
        f.road.own.dl_before[1] = 1100;
        f.road.own.dl_after[1] = 1050;
        f.answer(
            {f.file("jd.xml", "x"),
             c.file_given ? std::optional(f.file("dl.txt", "1100 1050\n")) : std::nullopt,
             f.file("zk.txt", "p\ng 1\n" + std::string(c.dl_count ? "B1060" : "1060") + " 0\n")});
        if (c.up_front) f.give_up_front();
        const RunResult r = f.run();
        const std::string what = std::to_string(static_cast<int>(c.source)) + " " +
                                 std::to_string(c.up_front) + std::to_string(c.file_given);
        EXPECT_EQ(r.outcome, c.outcome) << what << ": " << r.message;
        EXPECT_EQ(f.ui.dialogs_shown.size(), c.dialogs) << what;
        if (r.outcome == RunOutcome::complete) {
            EXPECT_EQ(f.breaks.dl_count, c.dl_count) << what;
            EXPECT_DOUBLE_EQ(f.number(3, 4), 1060 + 50 * c.dl_count) << what;
        }
    }
    Fixture twice;
    twice.road.source = ChainBreakSource::line;
    twice.answer(
        {twice.file("jd.xml", "x"), twice.file("dl.txt", "-1 -1\n"), twice.file("zk.txt", "p\n")});
    twice.give_up_front();
    EXPECT_NE(twice.run().message.find("不能再用断链资料文件"), std::string::npos);
}

// The job runs the alignment of the chosen method, on the example files.
TEST(TableJob, EachMethodItsOwnAlignment) {
    struct Case {
        Method method;
        const char* alignment;
        const char* boreholes;
        RunOutcome outcome;
        std::size_t dialogs;
        long boreholes_done;
        std::string message;  // the reason, when the run stops
    };
    const Case cases[] = {
        {Method::intersection_points, "mainline-jd.txt", "mainline-boreholes.txt",
         RunOutcome::complete, 3, 15, ""},
        {Method::building_blocks, "ramp-elements.txt", "ramp-boreholes.txt", RunOutcome::complete,
         2, 8, ""},
        // Each method's reader refuses the other's file, and says which method it is for.
        {Method::building_blocks, "mainline-jd.txt", "mainline-boreholes.txt",
         RunOutcome::data_error, 1, 0,
         "这像是交点法的平面资料：请选“交点法―主线”（命令行 --method jd）"},
        {Method::intersection_points, "ramp-elements.txt", "ramp-boreholes.txt",
         RunOutcome::data_error, 1, 0,
         "这像是积木法的平面资料（线元）：请选“积木法―互通”（命令行 --method ht）"},
    };
    const std::string examples = QELT_SOURCE_DIR "/examples/";
    for (const Case& c : cases) {
        ScriptedUi ui;
        ui.files = {{DialogRole::alignment, examples + c.alignment},
                    {DialogRole::chain_breaks, examples + "mainline-dl.txt"},
                    {DialogRole::boreholes, examples + c.boreholes}};
        SheetModel sheet;
        SheetModel& sink = sheet;
        const RunResult r = TableJob(c.method).run(ui, {}, sink);
        EXPECT_EQ(r.outcome, c.outcome) << c.alignment << ": " << r.message;
        EXPECT_EQ(ui.dialogs_shown.size(), c.dialogs) << c.alignment;
        EXPECT_EQ(r.boreholes, c.boreholes_done) << c.alignment;
        EXPECT_EQ(r.message, c.message) << c.alignment;
    }
}

TEST(Run, EveryFailureBeforeTheTableTakesTheOneErrorPath) {
    struct Case {
        const char* name;
        std::vector<std::optional<std::string>> files;  // names resolved below; nullopt = cancel
        std::vector<std::string> dialogs;
        long line;
        // Where the box says the failure is, below the system's sentence; null: a cancelled
        // dialog, the sentence alone.
        const char* where;
    };
    const std::vector<std::string> all = {"读取平面资料", "读取断链资料", "读取钻孔资料"};
    const Case cases[] = {
        {"cancel alignment", {std::nullopt}, {"读取平面资料"}, 0, nullptr},
        {"unreadable alignment", {"bad.txt"}, {"读取平面资料"}, 2, "bad.txt 第 2 行"},
        {"unbuildable", {"unbuildable.txt"}, {"读取平面资料"}, 0, "unbuildable.txt"},
        {"missing alignment", {"missing.txt"}, {"读取平面资料"}, 0, "missing.txt"},
        {"cancel chain breaks",
         {"jd.txt", std::nullopt},
         {"读取平面资料", "读取断链资料"},
         0,
         nullptr},
        {"bad chain breaks",
         {"jd.txt", "baddl.txt"},
         {"读取平面资料", "读取断链资料"},
         1,
         "baddl.txt 第 1 行"},
        {"cancel boreholes", {"jd.txt", "dl.txt", std::nullopt}, all, 0, nullptr},
        {"borehole folder", {"jd.txt", "dl.txt", "."}, all, 0, "."},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.file("jd.txt", "x");
        f.file("bad.txt", "ok\nbad\n");
        f.file("unbuildable.txt", "unbuildable\n");
        f.file("dl.txt", "-1 -1\n");
        f.file("baddl.txt", "1100\n");
        const DialogRole* role = kRoles;
        for (const auto& name : c.files) {
            if (name) f.ui.files[*role] = f.dir.path(*name);
            ++role;
        }
        RunResult r = f.run();
        EXPECT_EQ(r.outcome, RunOutcome::data_error) << c.name;
        EXPECT_EQ(f.ui.dialogs_shown, c.dialogs) << c.name;
        const std::string box = "error:错误:数据文件格式有误或操作不当！";
        EXPECT_EQ(
            f.ui.events,
            (std::vector<std::string>{
                "front", c.where ? box + "\n\n位置：" + c.where + "\n原因：" + r.message : box}))
            << c.name;
        EXPECT_FALSE(f.sheet.opened) << c.name;
        EXPECT_TRUE(f.sheet.cells.empty()) << c.name;
        EXPECT_EQ(r.line, c.line) << c.name;
    }
}

TEST(Run, BoreholePhaseFailuresNameTheLineAndKeepTheRows) {
    struct Case {
        const char* name;
        std::string boreholes;
        long line;
        long rows_kept;  // last data row
    };
    const Case cases[] = {
        {"empty file", "", 1, 0},
        {"file ends inside a group", "p\n桥1 3\n100 1\n200 1\n", 5, 4},
        {"second group bad", "p\n桥1 1\n100 1\n桥2 1\n100\n", 5, 3},
        // A line that cannot be decoded, once a NUL cutting a remark short in the workbook.
        {"NUL byte in a remark", std::string("p\n桥1 2\n100 1\n200 1 a\0b\n", 25), 4, 3},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.answer(
            {f.file("jd.txt", "x"), f.file("dl.txt", "-1 -1\n"), f.file("zk.txt", c.boreholes)});
        RunResult r = f.run();
        EXPECT_EQ(r.outcome, RunOutcome::borehole_failure) << c.name;
        EXPECT_EQ(r.line, c.line) << c.name;
        EXPECT_EQ(f.sink.last_data_row(), c.rows_kept) << c.name;
        EXPECT_TRUE(f.sheet.opened) << c.name;
        EXPECT_FALSE(f.sheet.note_row) << c.name;
        ASSERT_EQ(f.ui.events.size(), 2u) << c.name;
        EXPECT_NE(f.ui.events[1].find("zk.txt”第 " + std::to_string(c.line) + " 行"),
                  std::string::npos)
            << f.ui.events[1];
    }
}

// The notices of the list and of each row's placement join the result in the order of the file,
// each naming its file and line.
TEST(Run, NoticesOfTheListAndOfThePlacementInOrder) {
    Fixture f;
    f.answer({f.file("jd.txt", "x"), f.file("dl.txt", "-1 -1\n"),
              f.file("zk.txt", "p\n桥 1\n-0.5 1\n300 0\n\n桥2 1\n400 1\n")});
    const RunResult r = f.run();
    EXPECT_EQ(r.outcome, RunOutcome::complete);
    EXPECT_EQ(r.notices,
              (std::vector<std::string>{
                  "钻孔资料文件“zk.txt”第 3 行：桩号-K0+000.500位于线路起点之前 0.500 "
                  "米，坐标按起点切线的延长线算出",
                  "钻孔资料文件“zk.txt”第 4 行：分组“300”的钻孔数为 0，而这一行也读作一个钻孔："
                  "它可能是分组“桥”的钻孔，请核对该组的钻孔数",
                  "钻孔资料文件“zk.txt”第 5 行是空行，钻孔资料到此结束；其后从第 6 行起的 2 "
                  "行未读入（若仍是钻孔资料，请删去空行）"}));
}

TEST(Run, ChainBreaksOutOfOrderAreRefusedBeforeTheTable) {
    Fixture f;
    f.answer({f.file("jd.txt", "x"), f.file("dl.txt", "2000 2100\n1100 1050\n"),
              f.file("zk.txt", kTwoGroups)});
    const RunResult r = f.run();
    EXPECT_EQ(r.outcome, RunOutcome::data_error);
    EXPECT_EQ(r.line, 2);
    EXPECT_NE(r.file.find("dl.txt"), std::string::npos);
    EXPECT_FALSE(f.sheet.opened);
}

TEST(Run, NonFiniteCoordinatesAreAFailureNotARow) {
    Fixture f;
    f.road.heading = NAN;
    f.answer(
        {f.file("jd.txt", "x"), f.file("dl.txt", "-1 -1\n"), f.file("zk.txt", "p\ng 1\n100 1\n")});
    RunResult r = f.run();
    EXPECT_EQ(r.outcome, RunOutcome::borehole_failure);
    EXPECT_EQ(f.sheet.cell(3, 2), nullptr);
}

// A sheet of only 20 rows, so that the limit is reached with a small file.
class SmallSheet : public SheetModel {
  public:
    long max_rows() const override { return 20; }
};

TEST(Run, TableBeyondTheSheetIsRefusedBeforeItsRows) {
    struct Case {
        const char* boreholes;
        RunOutcome outcome;
        long last_row;  // highest row written
    };
    const Case cases[] = {
        // 1 + 1 + 18 = row 20 is the last row of the group: fits, but the note row does not.
        {"p\ng 18\n", RunOutcome::borehole_failure, 20},
        // Rows 1..19 and the note row 21 > 20: refused after the group.
        {"p\ng 17\n", RunOutcome::borehole_failure, 19},
        // Rows 1..18, note row 20: fits exactly.
        {"p\ng 16\n", RunOutcome::complete, 20},
        // A second group that would cross the limit is refused before its title row.
        {"p\ng 5\ng 12\n", RunOutcome::borehole_failure, 7},
    };
    for (const Case& c : cases) {
        // Each group line is followed by exactly its borehole lines.
        Fixture f;
        std::string file = "p\n";
        std::istringstream groups(std::string(c.boreholes).substr(2));
        std::string group;
        while (std::getline(groups, group)) {
            file += group + "\n";
            int n = std::stoi(group.substr(2));
            for (int k = 0; k < n; ++k) file += "1 0\n";
        }
        SmallSheet sheet;
        SheetModel& sink = sheet;
        f.answer({f.file("jd.txt", "x"), f.file("dl.txt", "-1 -1\n"), f.file("zk.txt", file)});
        RunResult r = run_coordinate_table(f.ui, f.options, f.road, f.line, sink);
        EXPECT_EQ(r.outcome, c.outcome) << c.boreholes;
        EXPECT_EQ(sheet.last_row(), c.last_row) << c.boreholes;
        if (c.outcome != RunOutcome::complete) {
            EXPECT_NE(r.message.find("最大行数 20"), std::string::npos) << r.message;
        }
    }
}

// The as-drilled run (坐标反算) on the straight road: the points file in place of the borehole
// file, and an as-drilled sheet.
struct AsDrilled : Fixture {
    SheetModel points{kAsDrilledTable};
    SheetModel& points_sink = points;

    RunResult run(const std::string& chain_breaks, const std::string& points_file) {
        ui.files = {{DialogRole::alignment, file("jd.txt", "x")},
                    {DialogRole::chain_breaks, file("dl.txt", chain_breaks)},
                    {DialogRole::points, file("pt.txt", points_file)}};
        return run_as_drilled_table(ui, options, road, line, points_sink);
    }
    const CellValue* at(long row, int col) const { return points.cell(row, col); }
};

std::string text_of(const CellValue* v) {
    return v && std::holds_alternative<std::string>(*v) ? std::get<std::string>(*v) : "<none>";
}
double number_of(const CellValue* v) {
    return v && std::holds_alternative<double>(*v) ? std::get<double>(*v) : NAN;
}

TEST(AsDrilledRun, HolesBackToStationAndOffset) {
    AsDrilled f;
    // The road heads north: X is the mileage, a hole east of it (+Y) lies to the right.
    const RunResult r = f.run("1100 1050\n",
                              "某项目\n桥1 3\nZK1 1120 -5 补孔 重叠段\nZK2 500 2.5\n"
                              "ZK3 1200.1234 0\n涵洞 2\nZK4 3010 1\nZK5 -20 0\n");
    ASSERT_EQ(r.outcome, RunOutcome::complete) << r.message;
    EXPECT_EQ(r.boreholes, 5);
    EXPECT_EQ(f.ui.dialogs_shown,
              (std::vector<std::string>{"读取平面资料", "读取断链资料", "读取实测坐标资料"}));
    EXPECT_EQ(f.points.merged_title_rows, (std::vector<long>{1, 7}));
    const struct {
        long row;
        int col;
        std::string text;  // or the number
        double number;
    } cells[] = {
        {2, 2, "孔号", 0},       {2, 6, "距中线距离（米）", 0},
        {3, 1, "", 1},           {3, 2, "ZK1", 0},
        {3, 3, "", 1120},        {3, 4, "", -5},
        {3, 5, "BK1+070", 0},  // mileage 1120 lies in the long chain's overlap 1050..1100
        {3, 6, "", 5},           {3, 7, "补孔 重叠段", 0},
        {4, 5, "K0+500", 0},     {4, 6, "", -2.5},
        {5, 5, "K1+150.123", 0}, {5, 6, "", 0},
        {9, 5, "K2+960", 0},     {10, 5, "-K0+020", 0},
    };
    for (const auto& c : cells)
        if (c.text.empty())
            EXPECT_DOUBLE_EQ(number_of(f.at(c.row, c.col)), c.number) << c.row << "," << c.col;
        else
            EXPECT_EQ(text_of(f.at(c.row, c.col)), c.text) << c.row << "," << c.col;
    EXPECT_EQ(r.notices,
              (std::vector<std::string>{
                  "实测坐标资料文件“pt.txt”第 7 行：孔号ZK4的垂足（桩号K2+960）位于线路终点之后 "
                  "10.000 米，桩号和距中线距离按终点切线的延长线算出",
                  "实测坐标资料文件“pt.txt”第 8 行：孔号ZK5的垂足（桩号-K0+020）位于线路起点之前 "
                  "20.000 米，桩号和距中线距离按起点切线的延长线算出"}));
    EXPECT_EQ(f.points.note_row, 12);
    EXPECT_EQ(f.points.center_header, "&\"宋体,粗体\"&16钻孔桩号及偏距表");
    EXPECT_EQ(f.points.left_header, "&10\n\n     某项目");
}

TEST(AsDrilledRun, CancellingThePointsDialogStopsBeforeTheTable) {
    AsDrilled cancelled;
    cancelled.run("-1 -1\n", "p\n");
    cancelled.ui.files.erase(DialogRole::points);
    cancelled.ui.dialogs_shown.clear();
    const RunResult r = run_as_drilled_table(cancelled.ui, cancelled.options, cancelled.road,
                                             cancelled.line, cancelled.points_sink);
    EXPECT_EQ(r.outcome, RunOutcome::data_error);
    EXPECT_EQ(r.message, "未选择实测坐标资料文件");
    EXPECT_EQ(cancelled.ui.dialogs_shown.back(), "读取实测坐标资料");
}

// The file's bytes, or "<none>" when there is no such file.
std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "<none>";
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// An output becomes its target only when committed, replaces nothing when told not to, and
// leaves no temporary file behind whichever way it ends.
TEST(PendingFile, DeliveredOnlyWhenCommitted) {
    enum class End { commit, commit_no_replace, abandon };
    struct Case {
        const char* name;
        bool target_there;  // holding "old"
        End end;
        int result;  // commit: 0 for true; commit_no_replace: its errno value
        const char* target_after;
    };
    const Case cases[] = {
        {"replaced", true, End::commit, 0, "new"},
        {"free name", false, End::commit_no_replace, 0, "new"},
        {"name taken", true, End::commit_no_replace, EEXIST, "old"},
        {"abandoned", true, End::abandon, 0, "old"},
        {"abandoned, no target", false, End::abandon, 0, "<none>"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string target = c.target_there ? dir.write("t.csv", "old") : dir.path("t.csv");
        {
            PendingFile file(target);
            ASSERT_TRUE(file.create(true)) << c.name;
            std::ostream(&file) << "new";
            ASSERT_TRUE(file.close()) << c.name;
            const int result = c.end == End::commit_no_replace ? file.commit_no_replace(target)
                               : c.end == End::commit          ? (file.commit() ? 0 : 1)
                                                               : 0;
            EXPECT_EQ(result, c.result) << c.name;
            EXPECT_FALSE(file.failed()) << c.name;
        }
        EXPECT_EQ(contents(target), c.target_after) << c.name;
        const auto entries = std::distance(
            std::filesystem::directory_iterator(std::filesystem::path(target).parent_path()),
            std::filesystem::directory_iterator());
        EXPECT_EQ(entries, contents(target) == "<none>" ? 0 : 1) << c.name;
    }
}

TEST(PendingWorkbook, WrittenOrTheReasonWhyNot) {
    TempDir dir;
    PendingWorkbook written(dir.path("t.xlsx"));
    ASSERT_TRUE(written.create());
    written.table().begin_table();
    ASSERT_TRUE(written.close());
    ASSERT_TRUE(written.file().commit());
    EXPECT_EQ(contents(dir.path("t.xlsx")).substr(0, 2), "PK");  // a zip container, as .xlsx is

    PendingWorkbook below_a_file(dir.path("t.xlsx") + "/t.xlsx");
    EXPECT_FALSE(below_a_file.create());
    EXPECT_FALSE(below_a_file.close());
    EXPECT_EQ(below_a_file.file().failure_reason(),
              "文件夹不存在（路径中有一项是文件，不是文件夹）");
    EXPECT_FALSE(below_a_file.file().commit());
    EXPECT_EQ(below_a_file.file().commit_no_replace(dir.path("u.xlsx")), ENOTDIR);
    EXPECT_EQ(contents(dir.path("u.xlsx")), "<none>");
}

}  // namespace
}  // namespace qelt
