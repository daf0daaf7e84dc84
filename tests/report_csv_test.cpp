// The CSV writer and the fan-out.

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "report/csv_sheet.h"
#include "report/sheet_fanout.h"
#include "support/sheet_model.h"

namespace qelt {
namespace {

TEST(CsvField, QuotesOnlyWhatRfc4180Requires) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"K1+234.500", "K1+234.500"},
        {"桥台, 左侧", "\"桥台, 左侧\""},
        {"\"A\"号", "\"\"\"A\"\"号\""},
        {"a\rb", "\"a\rb\""},
        {"a\nb", "\"a\nb\""},
        {"tab\there", "tab\there"},
    };
    for (const auto& [text, field] : cases) EXPECT_EQ(csv_field(text), field) << text;
}

// One group of three whose third station is rejected after a complete group of one, fed through
// the fan-out to the CSV writer and the in-memory sheet at once.
TEST(CsvSheet, OneLinePerBoreholeRowThroughTheFanout) {
    std::ostringstream csv;
    CsvSheet csv_sheet(csv);
    SheetModel model;
    SheetFanout sheet({&csv_sheet, &model});
    sheet.report_open();
    sheet.report_group_head(1, "一号桥, 左幅");
    sheet.report_serial(3, 1);
    sheet.report_row(3, {"K0+100", 12.5, "+12.50", 3512345.678912, 512345.5, ""});
    sheet.report_group_frame(1, 3);
    sheet.report_group_head(5, "二号\"涵\"");
    sheet.report_serial(7, 1);
    sheet.report_row(7, {"K0+200.250", -3, "-3", 1e7, 0.1, "备注 \"见图\""});
    sheet.report_serial(8, 2);
    sheet.report_row(8, {"K0+210", 0, "0", 2, 3, "a,b"});
    sheet.report_serial(9, 3);  // station rejected: the run stops here

    EXPECT_EQ(csv.str(),
              "\xEF\xBB\xBFgroup,serial,station,offset,x,y,remark\n"
              "\"一号桥, 左幅\",1,K0+100,+12.50,3512345.678912,512345.5,\n"
              "\"二号\"\"涵\"\"\",1,K0+200.250,-3,1e+07,0.1,\"备注 \"\"见图\"\"\"\n"
              "\"二号\"\"涵\"\"\",2,K0+210,0,2,3,\"a,b\"\n");
    EXPECT_TRUE(model.opened);
    EXPECT_EQ(model.frames.size(), 1u);
    EXPECT_EQ(model.last_row(), 9);
}

TEST(CsvSheet, LayoutOperationsWriteNothing) {
    std::ostringstream csv;
    CsvSheet sheet(csv);
    sheet.report_group_frame(1, 5);
    sheet.report_note(7);
    sheet.report_page_lines(120);
    sheet.report_headers("项目");
    EXPECT_EQ(csv.str(), "");
}

// The as-drilled table's CSV: the printed station with its letter, the station number of its
// interval and the offset in full, shortest round-trip form.
TEST(CsvSheet, AsDrilledRows) {
    std::ostringstream csv;
    CsvSheet sheet(csv, kAsDrilledTable);
    sheet.report_open();
    sheet.report_group_head(1, "长链后");
    sheet.report_serial(3, 1);
    sheet.report_point_row(3, {"ZK1", 3513057.0168, 499120.25, "BK13+470.000", 13470.000000000002,
                               -0.1, "重叠段, 补孔"});
    sheet.report_serial(4, 2);
    sheet.report_point_row(4, {"ZK \"2\"", 1e7, 0.5, "K14+300", 14300, 1.0 / 3, ""});
    EXPECT_EQ(csv.str(),
              "\xEF\xBB\xBFgroup,serial,name,x,y,station,station_value,offset,remark\n"
              "长链后,1,ZK1,3513057.0168,499120.25,BK13+470.000,13470.000000000002,-0.1,"
              "\"重叠段, 补孔\"\n"
              "长链后,2,\"ZK \"\"2\"\"\",1e+07,0.5,K14+300,14300,0.3333333333333333,\n");
}

}  // namespace
}  // namespace qelt
