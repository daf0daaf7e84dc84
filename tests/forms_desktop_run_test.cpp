// The desktop runs with the desktop scripted: the dialogs answer from a list, messages and
// opened documents are recorded, the files are real. What is delivered where: the as-drilled
// workbook beside the points file with the holes' rows in it, the plan drawing beside the
// coordinate table's workbook, and nothing at all when a dialog is cancelled.

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/forms/desktop_run.h"
#include "base/utf8_path.h"
#include "test_files.h"
#include "xlsx_read_back.h"

using namespace qelt;
using namespace qelt::forms;

namespace {

struct Message {
    MessageKind kind;
    std::string title, text;
};

class FakeDesktop : public Desktop {
  public:
    std::deque<std::string> answers;  // the open-file dialogs' answers in turn; "" cancels
    std::vector<std::string> titles;
    std::vector<Message> messages;
    std::vector<std::string> opened;
    bool writable = true;
    std::string documents;
    bool busy = false;

    std::optional<std::string> choose_file(const std::string& title, const std::string&) override {
        EXPECT_FALSE(busy) << "the wait cursor over a dialog";
        titles.push_back(title);
        const std::string answer = answers.empty() ? "" : answers.front();
        if (!answers.empty()) answers.pop_front();
        if (answer.empty()) return std::nullopt;
        return answer;
    }
    void show_message(MessageKind kind, const std::string& title,
                      const std::string& text) override {
        messages.push_back({kind, title, text});
    }
    void bring_to_front() override {}
    void set_busy(bool on) override { busy = on; }
    bool open_document(const std::string& path) override {
        opened.push_back(path);
        return true;
    }
    bool folder_writable(const std::string&) override { return writable; }
    std::string documents_folder() override { return documents; }
    void make_folder(const std::string& folder) override {
        std::error_code ec;
        std::filesystem::create_directories(path_from_utf8(folder), ec);
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

// The example files (GB18030, as users save them) copied into a folder of the test's own.
class ExampleFolder {
  public:
    ExampleFolder() {
        for (const char* name :
             {"mainline-jd.txt", "mainline-dl.txt", "mainline-boreholes.txt", "mainline-points.txt",
              "ramp-elements.txt", "ramp-boreholes.txt", "ramp-points.txt"}) {
            std::ifstream in(path_from_utf8(std::string(QELT_SOURCE_DIR "/examples/") + name),
                             std::ios::binary);
            std::ostringstream bytes;
            bytes << in.rdbuf();
            dir_.write(name, bytes.str());
        }
        inputs_ = names();
    }
    std::string path(const std::string& name) const { return dir_.path(name); }
    std::string write(const std::string& name, const std::string& bytes) {
        std::string p = dir_.write(name, bytes);
        inputs_ = names();
        return p;
    }
    // What the runs wrote: every name in the folder but the inputs, temporary files included.
    std::set<std::string> written() const {
        std::set<std::string> all = names(), out;
        std::set_difference(all.begin(), all.end(), inputs_.begin(), inputs_.end(),
                            std::inserter(out, out.end()));
        return out;
    }

  private:
    std::set<std::string> names() const {
        std::set<std::string> all;
        for (const auto& entry : std::filesystem::directory_iterator(path_from_utf8(dir_.path(""))))
            all.insert(utf8_of(entry.path().filename()));
        return all;
    }
    qelt::testing::TempDir dir_;
    std::set<std::string> inputs_;
};

std::string read_file(const std::string& path) {
    std::ifstream in(path_from_utf8(path), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string file_name(const std::string& path) {
    return std::string(file_name_of(path));
}

// The boreholes a plan drawing shows: one circle each.
long circles(const std::string& dxf) {
    long n = 0;
    for (std::size_t at = 0; (at = dxf.find("\nCIRCLE\r\n", at)) != std::string::npos; ++at) ++n;
    return n;
}

enum class Job { table, inverse };

TableRunResult run(Job job, FakeDesktop& desktop, Method method) {
    return job == Job::table ? run_table(desktop, method) : run_inverse(desktop, method);
}

const std::string kAlignmentTitle = "读取平面资料", kChainBreakTitle = "读取断链资料",
                  kBoreholeTitle = "读取钻孔资料", kPointsTitle = "读取实测坐标资料";
const std::string kJd = "mainline-jd.txt", kDl = "mainline-dl.txt";

}  // namespace

// Every way a run can end before its table is begun writes nothing, for both jobs and methods.
TEST(DesktopRun, CancelAtAnyDialogWritesNothing) {
    struct Case {
        Job job;
        Method method;
        std::vector<std::string> answers;  // the last one, "", cancels
        std::vector<std::string> titles;
    };
    const Method jd = Method::intersection_points, ht = Method::building_blocks;
    const Case cases[] = {
        {Job::table, jd, {""}, {kAlignmentTitle}},
        {Job::table, jd, {kJd, ""}, {kAlignmentTitle, kChainBreakTitle}},
        {Job::table, jd, {kJd, kDl, ""}, {kAlignmentTitle, kChainBreakTitle, kBoreholeTitle}},
        {Job::table, ht, {"ramp-elements.txt", ""}, {kAlignmentTitle, kBoreholeTitle}},
        {Job::inverse, jd, {""}, {kAlignmentTitle}},
        {Job::inverse, jd, {kJd, ""}, {kAlignmentTitle, kChainBreakTitle}},
        {Job::inverse, jd, {kJd, kDl, ""}, {kAlignmentTitle, kChainBreakTitle, kPointsTitle}},
        {Job::inverse, ht, {""}, {kAlignmentTitle}},
        {Job::inverse, ht, {"ramp-elements.txt", ""}, {kAlignmentTitle, kPointsTitle}},
    };
    for (const Case& c : cases) {
        const std::string what = (c.job == Job::table ? "table, " : "inverse, ") +
                                 std::to_string(c.answers.size()) + " dialogs";
        ExampleFolder folder;
        FakeDesktop desktop;
        for (const std::string& a : c.answers)
            desktop.answers.push_back(a.empty() ? a : folder.path(a));
        const TableRunResult result = run(c.job, desktop, c.method);
        EXPECT_EQ(desktop.titles, c.titles) << what;
        EXPECT_EQ(result.run.outcome, RunOutcome::data_error) << what;
        ASSERT_EQ(desktop.messages.size(), 1u) << what;
        EXPECT_EQ(desktop.messages[0].kind, MessageKind::error) << what;
        EXPECT_EQ(desktop.messages[0].text, "数据文件格式有误或操作不当！") << what;
        EXPECT_EQ(folder.written(), std::set<std::string>{}) << what;
        EXPECT_TRUE(desktop.opened.empty()) << what;
        EXPECT_TRUE(result.workbook.empty() && result.drawing.empty()) << what;
        EXPECT_FALSE(desktop.busy) << what;
    }
}

// The as-drilled table reaches its workbook, named after the points file and beside it: the
// surveyed holes back at the stations and offsets they were planned at (the examples' points
// were set out from the examples' boreholes).
TEST(DesktopRun, InverseDeliversTheAsDrilledWorkbook) {
    struct Row {
        const char* cell;  // a cell of the workbook and what it holds
        const char* value;
    };
    struct Case {
        Method method;
        std::vector<std::string> answers;
        std::string workbook;
        long holes;
        std::vector<Row> rows;
    };
    const Case cases[] = {
        {Method::intersection_points,
         {kJd, kDl, "mainline-points.txt"},
         "mainline-points_钻孔桩号及偏距表.xlsx",
         15,
         {{"A1", "s:青龙河大桥"},
          {"B3", "s:ZK1"},
          {"E3", "s:K11+150.052"},
          {"G3", "s:0#桥台"},
          {"E18", "s:BK13+470.041"}}},  // in the long chain's overlap: lettered
        {Method::building_blocks,
         {"ramp-elements.txt", "ramp-points.txt"},
         "ramp-points_钻孔桩号及偏距表.xlsx",
         8,
         {{"B3", "s:AZK1"}, {"E3", "s:K0+020.026"}}},
    };
    for (const Case& c : cases) {
        ExampleFolder folder;
        FakeDesktop desktop;
        for (const std::string& a : c.answers) desktop.answers.push_back(folder.path(a));
        const TableRunResult result = run_inverse(desktop, c.method);
        EXPECT_EQ(result.run.outcome, RunOutcome::complete) << c.workbook;
        EXPECT_EQ(result.run.boreholes, c.holes) << c.workbook;
        EXPECT_EQ(desktop.titles.back(), kPointsTitle);
        EXPECT_EQ(result.workbook, folder.path(c.workbook));
        EXPECT_EQ(desktop.opened, std::vector<std::string>{folder.path(c.workbook)});
        EXPECT_TRUE(result.drawing.empty()) << "the as-drilled table has no drawing";
        EXPECT_EQ(folder.written(), std::set<std::string>{c.workbook});

        qelt::testing::Dump dump = qelt::testing::read_back(result.workbook);
        EXPECT_EQ(dump["sheet"], "钻孔桩号及偏距表");
        long numbered = 0;  // rows whose column A holds a serial number
        for (const auto& [key, value] : dump)
            if (key.size() > 3 && key[0] == 'A' && key.ends_with(".v") && value.starts_with("n:"))
                ++numbered;
        EXPECT_EQ(numbered, c.holes) << c.workbook;
        for (const Row& row : c.rows)
            EXPECT_EQ(dump[std::string(row.cell) + ".v"], row.value) << c.workbook << row.cell;
    }
}

// Every coordinate table the desktop delivers comes with its plan drawing, in the workbook's
// folder and numbered like it, and the box at the end says where it is.
TEST(DesktopRun, TableWritesThePlanDrawingBesideTheWorkbook) {
    const std::string table = "mainline-boreholes_钻孔数量及位置表",
                      drawing = "mainline-boreholes_钻孔平面布置图";
    struct Case {
        const char* what;
        std::vector<std::string> present;  // files there before the run
        bool writable;                     // the borehole file's folder
        std::string workbook, dxf;         // names the run delivers
    };
    const Case cases[] = {
        {"free names", {}, true, table + ".xlsx", drawing + ".dxf"},
        {"both taken",
         {table + ".xlsx", drawing + ".dxf"},
         true,
         table + " (2).xlsx",
         drawing + " (2).dxf"},
        // Each file takes the first name free for it.
        {"only the drawing's taken",
         {drawing + ".dxf"},
         true,
         table + ".xlsx",
         drawing + " (2).dxf"},
        {"folder not writable", {}, false, table + ".xlsx", drawing + ".dxf"},
    };
    for (const Case& c : cases) {
        ExampleFolder folder;
        for (const std::string& name : c.present) folder.write(name, "someone else's");
        const std::string documents = folder.path("文档");
        FakeDesktop desktop;
        desktop.writable = c.writable;
        desktop.documents = documents;
        desktop.answers = {folder.path(kJd), folder.path(kDl),
                           folder.path("mainline-boreholes.txt")};
        const TableRunResult result = run_table(desktop, Method::intersection_points);
        EXPECT_EQ(result.run.outcome, RunOutcome::complete) << c.what;
        const auto place = [&](const std::string& name) {
            return c.writable ? folder.path(name)
                              : join_path(documents, name, desktop.path_style());
        };
        EXPECT_EQ(result.workbook, place(c.workbook)) << c.what;
        EXPECT_EQ(result.drawing, place(c.dxf)) << c.what;
        const std::string dxf = read_file(result.drawing);
        EXPECT_EQ(circles(dxf), 15) << c.what;
        EXPECT_EQ(desktop.opened, std::vector<std::string>{result.workbook}) << c.what;
        // Nothing opens the drawing: the user is told where it is.
        ASSERT_EQ(desktop.messages.size(), 1u) << c.what;
        EXPECT_EQ(desktop.messages[0].kind, MessageKind::information);
        EXPECT_EQ(desktop.messages[0].title, "提示");
        EXPECT_EQ(desktop.messages[0].text, "钻孔平面布置图已写入：" + result.drawing);
        for (const std::string& name : c.present)
            EXPECT_EQ(read_file(folder.path(name)), "someone else's") << c.what;
        if (c.writable) {
            EXPECT_EQ(folder.written(), (std::set<std::string>{file_name(result.workbook),
                                                               file_name(result.drawing)}))
                << c.what;
        } else {
            EXPECT_EQ(folder.written(), std::set<std::string>{"文档"}) << c.what;
        }
    }
}

// A table stopped by a rejected station delivers what it wrote, drawing included; a workbook
// that cannot be delivered takes its drawing with it.
TEST(DesktopRun, DrawingGoesWithTheWorkbook) {
    ExampleFolder folder;
    const std::string lettered =
        folder.write("lettered.txt", "某互通\n桥 3\n100 0\n120 5\nA150 0\n");
    FakeDesktop desktop;
    desktop.answers = {folder.path("ramp-elements.txt"), lettered};
    const TableRunResult stopped = run_table(desktop, Method::building_blocks);
    EXPECT_EQ(stopped.run.outcome, RunOutcome::station_rejected);
    EXPECT_EQ(circles(read_file(stopped.drawing)), 2);
    EXPECT_EQ(folder.written(), (std::set<std::string>{"lettered_钻孔平面布置图.dxf",
                                                       "lettered_钻孔数量及位置表.xlsx"}));
    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_EQ(desktop.messages[0].title, "数据有误");
    EXPECT_EQ(desktop.messages[1].text, "钻孔平面布置图已写入：" + stopped.drawing);

    // The folder is not writable and "Documents" lies below a regular file.
    ExampleFolder blocked;
    FakeDesktop nowhere;
    nowhere.writable = false;
    nowhere.documents = join_path(blocked.path("ramp-elements.txt"), "文档", nowhere.path_style());
    nowhere.answers = {blocked.path("ramp-elements.txt"), blocked.path("ramp-boreholes.txt")};
    const TableRunResult failed = run_table(nowhere, Method::building_blocks);
    EXPECT_TRUE(failed.workbook.empty() && failed.drawing.empty());
    ASSERT_EQ(nowhere.messages.size(), 1u);
    EXPECT_EQ(nowhere.messages[0].kind, MessageKind::error);
    EXPECT_EQ(blocked.written(), std::set<std::string>{});
}
