// What the run reads of the LandXML file that gives its line: the parts of it the run does not
// use (the ground line (ProfSurf) where no section is drawn, another alignment) do not stop it
// when they are damaged; the run says what it skipped and why.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>

#include "app/run.h"
#include "support/scripted_run_ui.h"
#include "test_files.h"

namespace qelt {
namespace {

const std::string examples = std::string(QELT_SOURCE_DIR) + "/examples/";

class NoRecords : public RecordSink {
  public:
    void record(const BoreholeRecord&) override {}
};

// The table run of the interchange's main line from `xml`, the list `list`.
RunResult run(const std::string& xml, const std::string& list, bool section, bool heights) {
    const testing::TempDir dir;
    testing::ScriptedRunUi ui;
    ui.files = {{DialogRole::alignment, dir.write("line.xml", xml)},
                {DialogRole::boreholes, examples + list}};
    RunOptions options;
    options.alignment_name = "主线";
    options.draws_section = section;
    options.heights = heights;
    const auto source = make_alignment_source(Method::intersection_points);
    Alignment line;
    NoRecords records;
    return run_coordinate_table(ui, options, *source, line, records);
}

std::string interchange() {
    std::stringstream whole;
    whole << std::ifstream(examples + "interchange.xml", std::ios::binary).rdbuf();
    return whole.str();
}

// The notices that hold every one of `words`.
long notices_with(const RunResult& result, std::initializer_list<std::string> words) {
    return std::count_if(result.notices.begin(), result.notices.end(), [&](const std::string& n) {
        return std::all_of(words.begin(), words.end(),
                           [&](const std::string& w) { return n.find(w) != std::string::npos; });
    });
}

TEST(RunLineFile, ADamagedGroundLineStopsOnlyTheSectionThatDrawsIt) {
    std::string xml = interchange();
    // A negative height cut in two by a line end.
    xml.insert(xml.find("<ProfAlign name=\"设计线\">"),
               "<ProfSurf name=\"地面线\"><PntList2D>10000 101.5 10500 -\n1.5</PntList2D>"
               "</ProfSurf>");
    const long cut = 1 + std::count(xml.begin(), xml.begin() + xml.find("-\n1.5"), '\n');
    const std::string why = "PntList2D 的第 4 项“-”不是数";
    const RunResult table = run(xml, "interchange-boreholes.txt", false, true);
    EXPECT_EQ(table.outcome, RunOutcome::complete) << table.message;
    EXPECT_GT(table.boreholes, 0);
    EXPECT_EQ(notices_with(table, {why, "第 " + std::to_string(cut) + " 行", "地面线未读入"}), 1);
    const RunResult section = run(xml, "interchange-boreholes.txt", true, true);
    EXPECT_EQ(section.outcome, RunOutcome::data_error);
    EXPECT_NE(section.message.find(why), std::string::npos) << section.message;
    EXPECT_EQ(section.line, cut);
}

TEST(RunLineFile, ADamagedAlignmentNotChosenIsSkippedWithANotice) {
    std::string xml = interchange();
    xml.insert(xml.find("<Start>", xml.find("name=\"A匝道\"")) + 7, "x");
    const RunResult result = run(xml, "mainline-boreholes.txt", false, false);
    EXPECT_EQ(result.outcome, RunOutcome::complete) << result.message;
    EXPECT_EQ(result.notices.size(), 1u);
    EXPECT_EQ(notices_with(result, {"线路“A匝道”", "这条线路有误，未读"}), 1);
}

}  // namespace
}  // namespace qelt
