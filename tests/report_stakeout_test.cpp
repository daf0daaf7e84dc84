// The stakeout files: the point names the crew sees on the controller, and the bytes CASS and
// the controllers read.

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/data_error.h"
#include "base/platform.h"
#include "report/field/stakeout.h"

namespace qelt {
namespace {

BoreholeRecord hole(int group_number, int serial, std::string name = {}) {
    BoreholeRecord b;
    b.group = "第" + std::to_string(group_number) + "组";
    b.group_number = group_number;
    b.serial = serial;
    b.name = std::move(name);
    return b;
}

TEST(StakeoutNames, GroupLettersCountOnPastZ) {
    const std::pair<int, const char*> cases[] = {{1, "A"},   {2, "B"},   {26, "Z"},   {27, "AA"},
                                                 {52, "AZ"}, {53, "BA"}, {702, "ZZ"}, {703, "AAA"}};
    for (const auto& [n, letters] : cases) EXPECT_EQ(group_letter(n), letters) << n;
}

// Planned boreholes by group letter and serial (a group without boreholes keeps its letter, as
// the table shows it); surveyed holes by their own names, a shared name told apart by group,
// and never a made-up name that is some other hole's own.
TEST(StakeoutNames, UniqueAndShort) {
    const struct {
        const char* what;
        std::vector<BoreholeRecord> holes;
        std::vector<std::string> names;
    } cases[] = {
        {"planned",
         {hole(1, 1), hole(1, 2), hole(3, 1), hole(3, 12), hole(28, 1)},
         {"A1", "A2", "C1", "C12", "AB1"}},
        {"surveyed",
         {hole(1, 1, "ZK1"), hole(1, 2, "ZK2"), hole(2, 1, "ZK1"), hole(2, 2, "ZK3")},
         {"ZK1-A", "ZK2", "ZK1-B", "ZK3"}},
        {"made-up names taken",
         {hole(1, 1, "ZK1"), hole(2, 1, "ZK1"), hole(3, 1, "ZK1-B"), hole(1, 2, "ZK2"),
          hole(1, 3, "ZK2")},
         {"ZK1-A", "ZK1-B1", "ZK1-B", "ZK2-A", "ZK2-A3"}},
    };
    for (const auto& c : cases) {
        const std::vector<std::string> names = stakeout_names(c.holes);
        EXPECT_EQ(names, c.names) << c.what;
        EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size()) << c.what;
    }
}

TEST(StakeoutFile, CassAndPointsCsvBytes) {
    BoreholeRecord a = hole(1, 1), b = hole(2, 1, "ZK\"7");
    a.group = "青龙河大桥";
    a.station = "K11+150.000";
    a.x = 3513057.06104;
    a.y = 38498953.03496;
    b.group = "涵洞, 左";
    b.station = "BK13+470.000";
    b.x = 12.5;
    b.y = -0.00004;
    a.point_name = "A1";
    b.point_name = b.name;
    const std::vector<BoreholeRecord> holes{a, b};
    std::ostringstream dat, csv;
    write_stakeout_file(dat, StakeoutFormat::cass_dat, holes);
    write_stakeout_file(csv, StakeoutFormat::points_csv, holes);
    // Easting first, code and height empty, a tenth of a millimetre, CR LF.
    EXPECT_EQ(dat.str(),
              "A1,,38498953.0350,3513057.0610,\r\n"
              "ZK\"7,,0.0000,12.5000,\r\n");
    // Northing first, elevation empty, the description (GBK) group and station.
    EXPECT_EQ(csv.str(),
              "A1,3513057.0610,38498953.0350,,"
              "\xC7\xE0\xC1\xFA\xBA\xD3\xB4\xF3\xC7\xC5 K11+150.000\r\n"
              "\"ZK\"\"7\",12.5000,0.0000,,\"\xBA\xAD\xB6\xB4, \xD7\xF3 BK13+470.000\"\r\n");
}

// A name GBK has no code for is refused, and nothing of the file is written.
TEST(StakeoutFile, RefusesWhatGbkCannotHold) {
    std::vector<BoreholeRecord> holes{hole(1, 1, "ZK1"), hole(1, 2,
                                                              "\xF0\xA0\x80\x80"
                                                              "1")};
    for (BoreholeRecord& h : holes) h.point_name = h.name;
    for (StakeoutFormat format : {StakeoutFormat::cass_dat, StakeoutFormat::points_csv}) {
        std::ostringstream out;
        EXPECT_THROW(write_stakeout_file(out, format, holes), DataError);
        EXPECT_EQ(out.str(), "");
    }
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"ZK1", "ZK1"},
        {"桥", "\xC7\xC5"},
        {"\xF0\xA0\x80\x80", std::nullopt},  // U+20000, in GB18030 only
        {"\xFF", std::nullopt},              // not UTF-8
    };
    for (const auto& [utf8, gbk] : cases) EXPECT_EQ(utf8_to_gbk(utf8), gbk) << utf8;
}

}  // namespace
}  // namespace qelt
