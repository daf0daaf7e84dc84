// The CSV writer and the fan-out of record sinks.

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "report/tables/csv_table.h"
#include "report/record_fanout.h"

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
TEST(CsvTable, OneLinePerRecord) {
    std::ostringstream csv;
    CsvTable records(csv);
    records.begin_table();
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
              "\"二号\"\"涵\"\"\",1,K0+200.250,-3,10000000,0.1,\"备注 \"\"见图\"\"\"\n"
              "\"二号\"\"涵\"\"\",2,K0+210,0,2,3,\"a,b\"\n");
}

// The as-drilled table's CSV: the printed station with its letter, the station number of its
// interval and the offset in full, shortest round-trip form.
TEST(CsvTable, AsDrilledRows) {
    std::ostringstream csv;
    CsvTable records(csv, kAsDrilledTable);
    records.begin_table();
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
              "长链后,2,\"ZK \"\"2\"\"\",10000000,0.5,K14+300,14300,0.3333333333333333,\n");
}

// The columns of the optional fields come after the others, only where the run gives them;
// a record without a value has an empty field.
TEST(CsvTable, OptionalColumnsOnlyWhereTheRunGivesThem) {
    BoreholeRecord with, without;
    with.group = without.group = "桥";
    with.serial = 1;
    without.serial = 2;
    with.design_elevation = 123.25;
    with.ground_elevation = 120.5;
    const struct {
        const TableLayout* layout;
        FieldSet present;
        const char* text;
    } cases[] = {
        {&kBoreholeTable,
         {RecordField::design_elevation},
         "group,serial,station,offset,x,y,remark,design_elevation\n"
         "桥,1,,,0,0,,123.25\n桥,2,,,0,0,,\n"},
        {&kBoreholeTable,
         {RecordField::ground_elevation, RecordField::design_elevation},
         "group,serial,station,offset,x,y,remark,design_elevation,ground_elevation\n"
         "桥,1,,,0,0,,123.25,120.5\n桥,2,,,0,0,,,\n"},
        {&kAsDrilledTable,
         {RecordField::ground_elevation},
         "group,serial,name,x,y,station,station_value,offset,remark,ground_elevation\n"
         "桥,1,,0,0,,0,0,,120.5\n桥,2,,0,0,,0,0,,\n"},
    };
    for (const auto& c : cases) {
        std::ostringstream csv;
        CsvTable table(csv, *c.layout, c.present);
        table.begin_table();
        table.record(with);
        table.record(without);
        EXPECT_EQ(csv.str(), std::string("\xEF\xBB\xBF") + c.text) << c.text;
    }
}

// Every event reaches each sink in turn; a group fits only where it fits every one, and the
// rows that can be held are the fewest any holds.
TEST(RecordFanout, EveryEventToEverySink) {
    struct Log : RecordSink {
        explicit Log(long rows) : rows(rows) {}
        long rows;
        std::string events;
        void begin_table() override { events += "table "; }
        bool group_fits(int count) const override { return count + 3 <= rows; }
        void begin_group(const GroupHead& g) override { events += g.title + " "; }
        void begin_row(int serial) override { events += std::to_string(serial) + " "; }
        void record(const BoreholeRecord& b) override { events += b.station + " "; }
        void end_group() override { events += "end "; }
        bool note_fits() const override { return rows > 10; }
        void finish(const std::string& project) override { events += project; }
        long max_rows() const override { return rows; }
    } roomy(100), small(8);
    RecordFanout both{&roomy, &small};
    both.begin_table();
    both.begin_group({"桥", 1, 1});
    both.begin_row(1);
    BoreholeRecord b;
    b.station = "K0+100";
    both.record(b);
    both.end_group();
    both.finish("项目");
    for (const Log* log : {&roomy, &small})
        EXPECT_EQ(log->events, "table 桥 1 K0+100 end 项目") << log->rows;
    const std::pair<int, bool> groups[] = {{5, true}, {6, false}};
    for (const auto& [count, fits] : groups) EXPECT_EQ(both.group_fits(count), fits) << count;
    EXPECT_FALSE(both.note_fits());
    EXPECT_EQ(both.max_rows(), 8);
}

}  // namespace
}  // namespace qelt
