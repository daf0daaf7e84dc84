// The readers of the alignment, element, chain-break and borehole files: good files in the
// layouts users write, and every way a file can be refused.
#include <gtest/gtest.h>

#include <memory>

#include "base/data_error.h"
#include "base/limits.h"
#include "input/text/readers.h"
#include "test_files.h"

namespace qelt {
namespace {

using testing::TempDir;

std::unique_ptr<MainLine> read_alignment(const std::string& bytes) {
    TempDir dir;
    LineReader file(dir.write("jd.txt", bytes));
    auto line = std::make_unique<MainLine>();
    zx_read_alignment(file, *line);
    return line;
}

TEST(AlignmentFile, ReadsRecordsAndFlags) {
    auto line = read_alignment(
        "起点,1000\r\nQD,3000 2000 0 0 0\r\nJD1,3500 2500 600 150 150\r\nZD,3800 3000 0 0 0\r\n");
    EXPECT_EQ(line->jd_start_station, 1000);
    EXPECT_EQ(line->jd_count, 3);
    EXPECT_EQ(line->jd_r[2], 600);
    EXPECT_EQ(line->jd_ls1[2], 150);
    EXPECT_EQ(line->jd_x[3], 3800);
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(line->jd_r1[i] + line->jd_r2[i], 0);

    // Runs of blanks anywhere, a blank before the comma, seven values, quoted first field.
    line = read_alignment(
        "\"K0, 起点\",  500  \r\n  QD , 3000   2000 0 0 0  \r\nJD3 ,1 2 3 4 5 6 7\r\nZD,9 9 0 0 "
        "0\r\n");
    EXPECT_EQ(line->jd_start_station, 500);
    EXPECT_EQ(line->jd_count, 3);
    EXPECT_EQ(line->jd_r1[2], 6);
    EXPECT_EQ(line->jd_r2[2], 7);
    EXPECT_EQ(line->jd_hairpin[2], 0);
    EXPECT_EQ(line->jd_name[3], "ZD");

    // Typed with a Chinese input method left in full-width mode.
    line = read_alignment(
        "起点，１０００\nQD，3000　2000 0 0 0\nJD1，３５００\t2500 600 150 150\nZD,9 9 0 0 0\n");
    EXPECT_EQ(line->jd_start_station, 1000);
    EXPECT_EQ(line->jd_x[2], 3500);
    EXPECT_EQ(line->jd_name[2], "JD1");
}

TEST(AlignmentFile, HairpinMarks) {
    struct Case {
        const char* name;
        double hairpin, keep_in, keep_out;
    };
    const Case cases[] = {
        {"JD7HT10", 1, 1, 0}, {"JD7HT", 1, 0, 0},  {"JD8", 0, 0, 0}, {"jd5ht01", 1, 0, 1},
        {"HT11", 1, 1, 1},    {"回头HT", 1, 0, 0}, {"H", 0, 0, 0},   {"JD1", 0, 0, 0},
    };
    for (const Case& c : cases) {
        auto line = read_alignment(std::string("s,0\n") + c.name + ",1 2 3 4 5\n");
        EXPECT_EQ(line->jd_hairpin[1], c.hairpin) << c.name;
        EXPECT_EQ(line->jd_keep_in[1], c.keep_in) << c.name;
        EXPECT_EQ(line->jd_keep_out[1], c.keep_out) << c.name;
    }
}

TEST(AlignmentFile, BlankLineEndsTheList) {
    std::string text = "s,0\n";
    for (int i = 0; i < 4; ++i) text += "JD,1 2 3 4 5\n";
    auto line = read_alignment(text + "\nJD,1 2 3 4 5\n");
    EXPECT_EQ(line->jd_count, 4);
    EXPECT_EQ(read_alignment("s,0\n")->jd_count, 0);
    EXPECT_EQ(read_alignment("s,0\n,1 2 3 4 5\n")->jd_count, 0);
}

TEST(AlignmentFile, RefusesBadFiles) {
    std::string thousand = "s,0\n";
    for (int i = 0; i < 1000; ++i) thousand += "JD,1 2 3 4 5\n";
    EXPECT_EQ(read_alignment(thousand)->jd_count, 1000);
    struct Case {
        std::string bytes;
        long line;
    };
    const Case cases[] = {
        {"", 1},
        {"起点 1000\n", 1},
        {"起点,abc\n", 1},
        {"起点,\n", 1},
        {"QD,3000 2000 0 0 0\nJD1,3500 2500 600 150 150\n", 1},
        {"起点,10000 1\n", 1},
        {"s,0\nJD,1 2 3 4\n", 2},
        {"s,0\nJD,1 2 3 4 5 6\n", 2},
        {"s,0\nJD,1 2 3 4 5\nJD,1 2 x 4 5\n", 3},
        {"s,0\nJD 1 2 3 4 5\n", 2},
        {"s,0\nJD,1 2 3 4 nan\n", 2},
        {thousand + "JD,1 2 3 4 5\n", 1002},
    };
    for (const Case& c : cases) {
        try {
            read_alignment(c.bytes);
            ADD_FAILURE() << "accepted: " << c.bytes.substr(0, 40);
        } catch (const DataError& e) {
            EXPECT_EQ(e.line(), c.line) << c.bytes.substr(0, 40);
            EXPECT_FALSE(e.file().empty());
        }
    }
}

std::unique_ptr<ElementChain> read_elements(const std::string& bytes) {
    TempDir dir;
    LineReader file(dir.write("ht.txt", bytes));
    auto chain = std::make_unique<ElementChain>();
    ht_read_elements(file, *chain);
    return chain;
}

TEST(ElementFile, CommasBlanksOrLineBreaks) {
    for (const char* text :
         {"1000,3000,2000,45.3015\r\n9999,9999,100\r\n9999,500,80\r\n500,500,120\r\n",
          "1000 3000 2000 45.3015\n9999 9999 100\n9999  500 80\n500 500 120\n\n",
          "1000, 3000 ,2000,45.3015 9999,9999,100 9999,500,80 500,500,120",
          "1000\n3000\n2000\n45.3015\n9999\n9999\n100\n9999\n500\n80\n500\n500\n120",
          "1000，3000，2000，45.3015\n9999，9999，100\n9999　500　80\n500,500,１２０\n"}) {
        auto chain = read_elements(text);
        EXPECT_EQ(chain->ht_start_station, 1000) << text;
        EXPECT_EQ(chain->ht_start_x, 3000);
        EXPECT_EQ(chain->ht_start_y, 2000);
        EXPECT_EQ(chain->ht_start_azimuth, 45.3015);
        EXPECT_EQ(chain->ht_in_count, 3);
        EXPECT_EQ(chain->ht_in_r2[2], 500);
        EXPECT_EQ(chain->ht_in_len[3], 120);
    }
    EXPECT_EQ(read_elements("0,0,0,0\n")->ht_in_count, 0);
}

TEST(ElementFile, RefusesBadFiles) {
    std::string many = "0 0 0 0\n";
    for (int i = 0; i < 1000; ++i) many += "9999 9999 1\n";
    EXPECT_EQ(read_elements(many)->ht_in_count, 1000);
    for (const std::string& text :
         {std::string(""), std::string("1000,3000,2000"), std::string("0 0 0 0\n9999 9999"),
          std::string("0 0 0 0\n9999 abc 100"), std::string("0,,0,0,0"),
          std::string("0 0 0 0\n9999 9999 100\n结束"), many + "9999 9999 1\n"})
        EXPECT_THROW(read_elements(text), DataError) << text.substr(0, 40);
}

TEST(ElementFile, StartAzimuthMinutesAndSecondsBelowSixty) {
    struct Case {
        const char* azimuth;  // as typed in the file
        const char* reads;    // how the refusal reads it; nullptr: accepted
    };
    const Case cases[] = {
        {"45.7530", "45°75′30″，其中分 75 不小于 60"},
        {"45.3075", "45°30′75″，其中秒 75 不小于 60"},
        {"45.6075", "45°60′75″，其中分 60、秒 75 不小于 60"},
        // The double nearest 45.3060 is 45.30599…: the digits as written decide.
        {"45.3060", "45°30′60″"},
        {"45.6", "45°60′00″"},
        {"45.30755", "45°30′75.5″"},
        {"-45.7530", "-45°75′30″"},
        {"＋４５．７５３０", "“＋４５．７５３０”读作 45°75′30″"},
        {"4.57530e1", "45°75′30.0000″"},
        {".7530", "0°75′30″"},
        {"45.3059", nullptr},
        {"45.30599999", nullptr},
        {"45.5959999", nullptr},
        {"359.5959", nullptr},
        {"45.59", nullptr},
        {"45", nullptr},
        {"45.", nullptr},
        {"-0.3015", nullptr},
    };
    for (const Case& c : cases) {
        // The azimuth alone on the second line: the refusal names that line.
        const std::string text = std::string("1000 3000 2000\n") + c.azimuth + "\n9999 9999 10\n";
        try {
            const auto chain = read_elements(text);
            EXPECT_FALSE(c.reads) << c.azimuth << " accepted";
            EXPECT_EQ(chain->ht_in_line[1], 3);
        } catch (const DataError& e) {
            ASSERT_TRUE(c.reads) << c.azimuth << ": " << e.what();
            const std::string message = e.what();
            EXPECT_EQ(message.rfind("起点方位角“", 0), 0u) << message;
            EXPECT_NE(message.find(c.reads), std::string::npos) << message;
            EXPECT_NE(message.find("ddd.mmss"), std::string::npos) << message;
            EXPECT_EQ(e.line(), 2) << c.azimuth;
            EXPECT_FALSE(e.file().empty());
        }
    }
}

TEST(ElementFile, LineOfEachElementsStartRadius) {
    const auto chain = read_elements("0 0 0 0 9999\n9999 10\n9999 300\n60\n\n300 300 120 ");
    ASSERT_EQ(chain->ht_in_count, 3);
    EXPECT_EQ(chain->ht_in_line[1], 1);
    EXPECT_EQ(chain->ht_in_line[2], 3);
    EXPECT_EQ(chain->ht_in_line[3], 6);
}

std::unique_ptr<ChainBreaks> read_breaks(const std::string& bytes) {
    TempDir dir;
    LineReader file(dir.write("dl.txt", bytes));
    auto breaks = std::make_unique<ChainBreaks>();
    breaks->dl_count = 5;
    dl_read_file(file, *breaks);
    return breaks;
}

TEST(ChainBreakFile, ReadsLinesUntilBlank) {
    auto b = read_breaks("1100 1050\r\n");
    EXPECT_EQ(b->dl_count, 1);
    EXPECT_EQ(b->dl_before[1], 1100);
    EXPECT_EQ(b->dl_after[1], 1050);
    b = read_breaks("   1100    1050  extra\r\n2000 2100\r\n\r\n3000 3100\r\n");
    EXPECT_EQ(b->dl_count, 2);
    EXPECT_EQ(b->dl_after[2], 2100);
    EXPECT_EQ(read_breaks("-1 -1\r\n")->dl_before[1], -1);
    EXPECT_EQ(read_breaks("")->dl_count, 0);
    EXPECT_EQ(read_breaks("\r\n1100 1050\r\n")->dl_count, 0);
}

TEST(ChainBreakFile, NineteenFitTwentyDoNot) {
    std::string lines;
    for (int i = 1; i <= 19; ++i)
        lines += std::to_string(i * 100) + " " + std::to_string(i * 100 + 10) + "\n";
    EXPECT_EQ(read_breaks(lines)->dl_count, 19);
    EXPECT_THROW(read_breaks(lines + "5000 5010\n"), DataError);
    for (const char* bad : {"1100\n", "1100 abc\n", "x 1050\n", "1100 1050\n1200\n"})
        EXPECT_THROW(read_breaks(bad), DataError) << bad;
}

TEST(BoreholeLines, GroupLine) {
    struct Case {
        const char* line;
        const char* title;
        int count;
    };
    const Case cases[] = {{"桥1 2", "桥1", 2},        {"  桥2   0  ", "桥2", 0},
                          {"涵洞 3.0", "涵洞", 3},    {"涵洞　３", "涵洞", 3},
                          {"路堑 3 其他", "路堑", 3}, {"a 32767", "a", 32767}};
    for (const Case& c : cases) {
        std::string title;
        std::int16_t count = -1;
        bh_parse_group(c.line, title, count);
        EXPECT_EQ(title, c.title) << c.line;
        EXPECT_EQ(count, c.count) << c.line;
    }
    // A count of 2.5 is a typing error: neither two nor three boreholes.
    for (const char* bad : {"桥1", "桥1 x", "a 32768", "a -1", "a 1e9", "", "涵洞 2.5", "桥 3个"}) {
        std::string title;
        std::int16_t count;
        EXPECT_THROW(bh_parse_group(bad, title, count), DataError) << bad;
    }
}

TEST(BoreholeLines, BoreholeLine) {
    struct Case {
        const char* line;
        const char* station;
        double offset;
        const char* remark;
    };
    const Case cases[] = {
        {"1200 5.5 ZK1", "1200", 5.5, "ZK1"},
        {"1250 -5.5", "1250", -5.5, ""},
        {"1300 0 ZK 2", "1300", 0, "ZK 2"},
        {"  B856.25   +3   右侧  ", "B856.25", 3, "右侧"},
        {"K11+150.6\t-6.5\t0# 桥台\t", "K11+150.6", -6.5, "0# 桥台"},
        {"１１１５０　－５．５　０#　桥台", "１１１５０", -5.5, "０#　桥台"},
    };
    for (const Case& c : cases) {
        std::string station, offset_text, remark = "stale";
        double offset = 99;
        bh_parse_borehole(c.line, station, offset, offset_text, remark);
        EXPECT_EQ(station, c.station) << c.line;
        EXPECT_EQ(offset, c.offset) << c.line;
        EXPECT_EQ(remark, c.remark) << c.line;
    }
    // Each of these once became a plausible row at station 0 or a wrong offset.
    for (const char* bad : {"1200", "1200 abc", "", "桩号 5", "a13480 5", "11,150 5", "A 13480 0",
                            "\"K11+150.600\" 5", "1200 6.5m", "14+700+1 2", "路堑 2"}) {
        std::string s, t, r;
        double o;
        EXPECT_THROW(bh_parse_borehole(bad, s, o, t, r), DataError) << bad;
    }
}

TEST(BoreholeLineRegressions, TextLongerThanACellIsRefused) {
    // A title beyond the cell limit vanished from the workbook's merged title row; a remark
    // beyond it made the whole workbook unwritable after the run had reported success.
    const std::string fits(kMaxCellText, 'x');
    std::string wide;
    for (std::size_t i = 0; i < kMaxCellText; ++i) wide += "备";  // 3 bytes, 1 character
    std::string title, station, offset_text, remark;
    std::int16_t count = 0;
    double offset = 0;

    EXPECT_NO_THROW(bh_parse_group(fits + " 1", title, count));
    EXPECT_EQ(title.size(), kMaxCellText);
    EXPECT_NO_THROW(bh_parse_group(wide + " 1", title, count));
    EXPECT_THROW(bh_parse_group(fits + "x 1", title, count), DataError);
    EXPECT_THROW(bh_parse_group(wide + "备 1", title, count), DataError);

    EXPECT_NO_THROW(bh_parse_borehole("100 0 " + wide, station, offset, offset_text, remark));
    EXPECT_EQ(remark, wide);
    EXPECT_THROW(bh_parse_borehole("100 0 " + fits + "x", station, offset, offset_text, remark),
                 DataError);
    // The remark is the whole rest of the line, blanks included.
    EXPECT_THROW(bh_parse_borehole("100 0 " + fits + " y", station, offset, offset_text, remark),
                 DataError);
}

// A surveyed hole: name, X, Y as the survey gives them, the rest of the line its remark.
TEST(PointLine, ReadsNameCoordinatesAndTheRestAsRemark) {
    const struct {
        std::string line;
        const char* name;
        double x, y;
        const char* remark;
    } cases[] = {
        {"ZK1 3513057.0168 499120.25", "ZK1", 3513057.0168, 499120.25, ""},
        {"ZK2\t3513057.0168\t499120.25\t0# 桥台 ", "ZK2", 3513057.0168, 499120.25, "0# 桥台"},
        {"  １号孔　３５１２０００．５　４９８５００ 补孔", "１号孔", 3512000.5, 498500, "补孔"},
        {"ZK3 -1e3 +2", "ZK3", -1000, 2, ""},
        {std::string(kMaxCellText, 'z') + " 1 2", "", 1, 2, ""},  // a name that fits
    };
    for (const auto& c : cases) {
        std::string name, remark = "stale";
        double x = 0, y = 0;
        pt_parse_point(c.line, name, x, y, remark);
        if (*c.name) {
            EXPECT_EQ(name, c.name) << c.line;
        }
        EXPECT_EQ(x, c.x) << c.line;
        EXPECT_EQ(y, c.y) << c.line;
        EXPECT_EQ(remark, c.remark) << c.line;
    }
    // A group line, a borehole line (station offset) and numbers typed with commas, units or
    // quotes are no surveyed point.
    for (const std::string& bad : std::initializer_list<std::string>{
             "", "ZK1", "桥1 3", "ZK1 3513057.0168", "ZK1 3,513,057.0168 499120",
             "ZK1 3513057m 499120", "ZK1 3513057 \"499120\"", "ZK1 X Y",
             std::string(kMaxCellText + 1, 'z') + " 1 2",
             "ZK1 1 2 " + std::string(kMaxCellText + 1, 'r')}) {
        std::string name, remark;
        double x = 0, y = 0;
        EXPECT_THROW(pt_parse_point(bad, name, x, y, remark), DataError) << bad;
    }
}

}  // namespace
}  // namespace qelt
