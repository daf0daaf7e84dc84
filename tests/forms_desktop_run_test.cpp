// The coordinate-table run as the desktop programs start it, with the desktop faked: where each
// open-file dialog starts, run after run, and what the message that announces the workbook says
// when the run stopped part-way.

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "app/forms/desktop_run.h"
#include "test_files.h"

using namespace qelt;
using namespace qelt::forms;

namespace {

#ifdef _WIN32
constexpr PathStyle kStyle = PathStyle::windows;
#else
constexpr PathStyle kStyle = PathStyle::posix;
#endif

struct Shown {
    MessageKind kind;
    std::string title, text;
};

// The desktop as the tests script it: dialogs answer from a list ("" cancels) and say where
// they were asked to start; messages are recorded; nothing opens a workbook unless told.
class FakeDesktop : public Desktop {
  public:
    std::deque<std::string> answers;
    std::vector<std::string> start_folders;
    std::vector<Shown> shown;
    std::string last_file;
    std::string documents = "Documents";
    bool opens = false;

    std::optional<std::string> choose_file(const std::string&, const std::string&,
                                           const std::string& start_folder) override {
        start_folders.push_back(start_folder);
        std::string answer = answers.empty() ? "" : answers.front();
        if (!answers.empty()) answers.pop_front();
        if (answer.empty()) return std::nullopt;
        return answer;
    }
    std::string& last_chosen_file() override { return last_file; }
    void show_message(MessageKind kind, const std::string& title,
                      const std::string& text) override {
        shown.push_back({kind, title, text});
    }
    void bring_to_front() override {}
    void set_busy(bool) override {}
    bool open_document(const std::string&) override { return opens; }
    bool folder_writable(const std::string&) override { return true; }
    std::string documents_folder() override { return documents; }
    void make_folder(const std::string&) override {}
    bool exists(const std::string& path) override {
        return std::filesystem::exists(qelt::path_from_utf8(path));
    }
    PathStyle path_style() const override { return kStyle; }
};

std::string example(const char* name) {
    return join_path(QELT_SOURCE_DIR "/examples", name, kStyle);
}

}  // namespace

TEST(DesktopRun, DialogsStartWhereTheUserWas) {
    qelt::testing::TempDir dir;
    const std::string ramp = example("ramp-elements.txt");
    const std::string boreholes = dir.write("zk.txt", "某互通\n桥 1\n100 0\n");
    const std::string examples = folder_of(ramp), project = folder_of(boreholes);
    FakeDesktop desktop;
    desktop.opens = true;
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
    struct Case {
        const char* what;
        const char* boreholes;  // the borehole file, on the ramp of the examples
        RunOutcome outcome;
        std::string headline;  // of the box that says where the workbook is
    };
    const Case cases[] = {
        {"complete", "某互通\n桥 2\n100 0\n120 0\n", RunOutcome::complete,
         "钻孔数量及位置表已写入："},
        // Rows: title 1, headings 2, boreholes 3 and 4 (the second rejected: its serial only).
        {"station rejected", "某互通\n桥 2\n100 0\nA150 0\n", RunOutcome::station_rejected,
         "表格只写到第 3 行（1 个钻孔），已写入："},
        {"rejected in the second group", "某互通\n桥 2\n100 0\n120 0\n涵洞 2\n130 0\nB1 0\n",
         RunOutcome::station_rejected, "表格只写到第 8 行（3 个钻孔），已写入："},
        {"borehole line without offset", "某互通\n桥 2\n100 0\n150\n", RunOutcome::borehole_failure,
         "表格只写到第 3 行（1 个钻孔），已写入："},
        {"first borehole rejected", "某互通\n桥 1\nA100 0\n", RunOutcome::station_rejected,
         "表格只写到第 0 行（0 个钻孔），已写入："},
    };
    for (const Case& c : cases) {
        qelt::testing::TempDir dir;
        FakeDesktop desktop;
        desktop.answers = {example("ramp-elements.txt"), dir.write("zk.txt", c.boreholes)};
        const TableRunResult result = run_table(desktop, Method::building_blocks);
        EXPECT_EQ(result.run.outcome, c.outcome) << c.what;
        ASSERT_FALSE(result.workbook.empty()) << c.what;
        // The stop's own message (if any) first, then the box naming the workbook.
        ASSERT_FALSE(desktop.shown.empty()) << c.what;
        const Shown& box = desktop.shown.back();
        EXPECT_EQ(box.kind, MessageKind::information) << c.what;
        EXPECT_EQ(box.text,
                  c.headline + "\n" + result.workbook + "\n\n没有找到打开它的电子表格程序。")
            << c.what;
        EXPECT_EQ(file_name_of(result.workbook), "zk_钻孔数量及位置表.xlsx") << c.what;
    }
}
