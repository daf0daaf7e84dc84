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

class Records : public RecordSink {
  public:
    long count = 0;
    void record(const BoreholeRecord&) override { ++count; }
};

class SectionUi : public testing::ScriptedRunUi {
  public:
    bool section = false;
    std::optional<std::string> alignment_name() const override { return "主线"; }
    bool draws_section() const override { return section; }
};

const std::string examples = std::string(QELT_SOURCE_DIR) + "/examples/";

std::string interchange() {
    std::stringstream whole;
    whole << std::ifstream(examples + "interchange.xml", std::ios::binary).rdbuf();
    return whole.str();
}

TEST(RunLineFile, ADamagedGroundLineStopsOnlyTheSectionThatDrawsIt) {
    std::string xml = interchange();
    // A negative height cut in two by a line end.
    const std::string design = "<ProfAlign name=\"设计线\">";
    xml.insert(xml.find(design),
               "<ProfSurf name=\"地面线\"><PntList2D>10000 101.5 10500 -\n1.5</PntList2D>"
               "</ProfSurf>");
    const long cut_line = 1 + std::count(xml.begin(), xml.begin() + xml.find("-\n1.5"), '\n');
    const testing::TempDir dir;
    SectionUi ui;
    ui.files = {{DialogRole::alignment, dir.write("line.xml", xml)},
                {DialogRole::boreholes, examples + "interchange-boreholes.txt"}};
    const std::string why = "PntList2D 的第 4 项“-”不是数";
    for (const bool section : {false, true}) {
        ui.section = section;
        const auto source = make_alignment_source(Method::intersection_points);
        Alignment line;
        Records records;
        const RunResult result = run_coordinate_table(ui, *source, line, records);
        if (section) {
            EXPECT_EQ(result.outcome, RunOutcome::data_error);
            EXPECT_NE(result.message.find(why), std::string::npos) << result.message;
            EXPECT_EQ(result.line, cut_line);
            continue;
        }
        EXPECT_EQ(result.outcome, RunOutcome::complete) << result.message;
        EXPECT_GT(records.count, 0);
        int skipped = 0;
        for (const std::string& notice : result.notices)
            if (notice.find(why) != std::string::npos &&
                notice.find("第 " + std::to_string(cut_line) + " 行") != std::string::npos &&
                notice.find("地面线未读入") != std::string::npos)
                ++skipped;
        EXPECT_EQ(skipped, 1);
    }
}

TEST(RunLineFile, ADamagedAlignmentNotChosenIsSkippedWithANotice) {
    std::string xml = interchange();
    xml.insert(xml.find("<Start>", xml.find("name=\"A匝道\"")) + 7, "x");
    const testing::TempDir dir;
    SectionUi ui;
    ui.profile = false;
    ui.files = {{DialogRole::alignment, dir.write("line.xml", xml)},
                {DialogRole::boreholes, examples + "mainline-boreholes.txt"}};
    const auto source = make_alignment_source(Method::intersection_points);
    Alignment line;
    Records records;
    const RunResult result = run_coordinate_table(ui, *source, line, records);
    EXPECT_EQ(result.outcome, RunOutcome::complete) << result.message;
    ASSERT_EQ(result.notices.size(), 1u);
    EXPECT_NE(result.notices[0].find("线路“A匝道”"), std::string::npos) << result.notices[0];
    EXPECT_NE(result.notices[0].find("这条线路有误，未读"), std::string::npos) << result.notices[0];
}

}  // namespace
}  // namespace qelt
