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

// The lines of the borehole table: quoting where a field needs it, numbers in their shortest
// round-trip form, and the header before the first record (a table stopped before its first
// borehole still has it).
TEST(CsvRecords, OneLinePerRecord) {
    std::ostringstream csv;
    CsvRecords records(csv);
    records.begin();
    EXPECT_EQ(csv.str(), "\xEF\xBB\xBFgroup,serial,station,offset,x,y,remark\n");
    const auto borehole = [](std::string group, int serial, std::string station, std::string offset,
                             double x, double y, std::string remark) {
        BoreholeRecord b;
        b.group = std::move(group);
        b.serial = serial;
        b.station = std::move(station);
        b.offset_text = std::move(offset);
        b.x = x;
        b.y = y;
        b.remark = std::move(remark);
        return b;
    };
    records.record(borehole("一号桥, 左幅", 1, "K0+100", "+12.50", 3512345.678912, 512345.5, ""));
    records.record(borehole("二号\"涵\"", 1, "K0+200.250", "-3", 1e7, 0.1, "备注 \"见图\""));
    records.record(borehole("二号\"涵\"", 2, "K0+210", "0", 2, 3, "a,b"));
    EXPECT_EQ(csv.str(),
              "\xEF\xBB\xBFgroup,serial,station,offset,x,y,remark\n"
              "\"一号桥, 左幅\",1,K0+100,+12.50,3512345.678912,512345.5,\n"
              "\"二号\"\"涵\"\"\",1,K0+200.250,-3,1e+07,0.1,\"备注 \"\"见图\"\"\"\n"
              "\"二号\"\"涵\"\"\",2,K0+210,0,2,3,\"a,b\"\n");
}

// The as-drilled table's CSV: the printed station with its letter, the station number of its
// interval and the offset in full, shortest round-trip form.
TEST(CsvRecords, AsDrilledRows) {
    std::ostringstream csv;
    CsvRecords records(csv, kAsDrilledTable);
    records.begin();
    const auto hole = [](int serial, std::string name, double x, double y, std::string station,
                         double value, double offset, std::string remark) {
        BoreholeRecord b;
        b.group = "长链后";
        b.serial = serial;
        b.name = std::move(name);
        b.x = x;
        b.y = y;
        b.station = std::move(station);
        b.station_value = value;
        b.offset = offset;
        b.remark = std::move(remark);
        return b;
    };
    records.record(hole(1, "ZK1", 3513057.0168, 499120.25, "BK13+470.000", 13470.000000000002, -0.1,
                        "重叠段, 补孔"));
    records.record(hole(2, "ZK \"2\"", 1e7, 0.5, "K14+300", 14300, 1.0 / 3, ""));
    EXPECT_EQ(csv.str(),
              "\xEF\xBB\xBFgroup,serial,name,x,y,station,station_value,offset,remark\n"
              "长链后,1,ZK1,3513057.0168,499120.25,BK13+470.000,13470.000000000002,-0.1,"
              "\"重叠段, 补孔\"\n"
              "长链后,2,\"ZK \"\"2\"\"\",1e+07,0.5,K14+300,14300,0.3333333333333333,\n");
}

// The fan-out hands every operation to each of its sheets.
TEST(SheetFanout, EveryOperationToEverySheet) {
    SheetModel first, second;
    SheetFanout sheet({&first, &second});
    sheet.report_open();
    sheet.report_group_head(1, "一号桥");
    sheet.report_serial(3, 1);
    sheet.report_row(3, {"K0+100", 12.5, "+12.50", 3512345.678912, 512345.5, ""});
    sheet.report_group_frame(1, 3);
    for (const SheetModel* model : {&first, &second}) {
        EXPECT_TRUE(model->opened);
        EXPECT_EQ(model->frames.size(), 1u);
        EXPECT_EQ(model->last_row(), 3);
    }
}

}  // namespace
}  // namespace qelt
