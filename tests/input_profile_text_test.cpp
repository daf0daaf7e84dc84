// The 纵断面资料文件 over a line with a long and a short chain: its stations turned into
// continuous mileages as the borehole file's are, and every way a file is refused.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/data_error.h"
#include "input/text/profile_text.h"
#include "input/text/readers.h"
#include "station/station.h"
#include "test_files.h"
#include "zxbas/zxbas.h"

namespace qelt {
namespace {

using testing::TempDir;

// The bundled main line's stationing: K10+000 to continuous mileage 19175, a long chain
// 13500 = 13450 (stations 13450..13500 occur twice: A before, B after) and a short chain
// 16200 = 16260 (stations between do not exist). Continuous mileage: A as written, B + 50,
// C − 10.
ChainBreaks main_line_breaks() {
    ChainBreaks breaks;
    breaks.dl_count = 2;
    breaks.dl_before[1] = 13500;
    breaks.dl_after[1] = 13450;
    breaks.dl_before[2] = 16200;
    breaks.dl_after[2] = 16260;
    dl_complete(breaks, 10000, 19175);
    return breaks;
}

Profile read_profile(const std::string& bytes) {
    TempDir dir;
    LineReader file(dir.write("zdm.txt", bytes));
    return zdm_read_profile(file, main_line_breaks());
}

TEST(ProfileFile, StationsThroughTheChainBreaks) {
    // In GBK, CR LF line ends: the title 纵断面, a line typed in full-width, an R of 0
    // written out, blank lines at the end.
    const Profile profile = read_profile(
        "\xd7\xdd\xb6\xcf\xc3\xe6 K10-K19\r\n"
        "K10+000 120.000\r\n"
        "12000\t160 8000\r\n"
        "BK14+000 139.5 6000\r\n"
        // K１６＋１００　１７１．０　０
        "K\xa3\xb1\xa3\xb6\xa3\xab\xa3\xb1\xa3\xb0\xa3\xb0\xa1\xa1"
        "\xa3\xb1\xa3\xb7\xa3\xb1\xa3\xae\xa3\xb0\xa1\xa1\xa3\xb0\r\n"
        "K16+300 168.2 5000\r\n"
        "K19+150 196.7\r\n"
        "\r\n  \r\n");
    EXPECT_EQ(profile.name, "纵断面 K10-K19");
    EXPECT_TRUE(profile.notices.empty());
    // Each grade: its rise over the continuous distance, not over the difference of the
    // numbers (2050 m from K12+000 to BK14+000 over the long chain, 140 m for the 200 of the
    // numbers over the short chain).
    const struct {
        const char* station;
        double mileage, radius, grade_after;
    } kRows[] = {
        {"K10+000", 10000, 0, 0.02},      {"12000", 12000, 8000, -0.01},
        {"BK14+000", 14050, 6000, 0.015}, {"K１６＋１００", 16150, 0, -0.02},
        {"K16+300", 16290, 5000, 0.01},   {"K19+150", 19140, 0, 0},
    };
    ASSERT_EQ(profile.points().size(), std::size(kRows));
    for (std::size_t k = 0; k < std::size(kRows); ++k) {
        const GradePoint& p = profile.points()[k];
        EXPECT_EQ(p.station, kRows[k].station);
        EXPECT_EQ(p.line, static_cast<long>(k) + 2) << p.station;
        EXPECT_DOUBLE_EQ(p.mileage, kRows[k].mileage) << p.station;
        EXPECT_EQ(p.radius, kRows[k].radius) << p.station;
        EXPECT_EQ(p.curve,
                  kRows[k].radius > 0 ? VerticalCurveKind::parabola : VerticalCurveKind::none);
        if (k + 1 < std::size(kRows)) {
            EXPECT_NEAR(profile.grade_after(k), kRows[k].grade_after, 1e-12) << p.station;
        }
    }
    // The long chain's repeated stations lie on different stretches of the grade; the
    // lettered station goes where the borehole file would put it.
    const struct {
        const char* station;
        double elevation;
    } kStations[] = {{"A13480", 145.2}, {"B13480", 144.7}, {"16150", 170}, {"C17000", 175.2}};
    for (const auto& s : kStations) {
        double mileage = 0;
        zh_mileage(main_line_breaks(), *zh_dlstr(main_line_breaks(), s.station).text, mileage);
        EXPECT_NEAR(*profile.elevation(mileage), s.elevation, 1e-9) << s.station;
    }
}

TEST(ProfileFile, Refusals) {
    const std::string title = "纵断面\n";
    const struct {
        std::string bytes;
        long line;
        const char* text;  // in the message
    } kCases[] = {
        {"", 1, "文件为空，缺少标题行"},
        {"K10+000 120\nK11+000 130\n", 1, "第一行应为标题"},
        {title + "K10+000 120\nK11+000\n", 3, "实有 1 项"},
        {title + "K10+000 120\nK11+000 130 2000 90\n", 3, "实有 4 项"},
        {title + "K10+000 120\nK11+0a0 130\n", 3, "桩号“K11+0a0”不是有效的桩号"},
        {title + "K10+000 120m\nK11+000 130\n", 2, "高程“120m”不是数"},
        {title + "K10+000 120\nK11+000 130 R2000\nK12+000 120\n", 3, "竖曲线半径“R2000”不是数"},
        {title + "K10+000 120\nB13000 130\n", 3, "桩号B13000超出所在断链区间，请修改！"},
        {title + "K10+000 120\nE14000 130\n", 3, "桩号E14000断链标识有误，请修改！"},
        {title + "K10+000 120\n13480 130\n", 3,
         "程序不能判断桩号13480所属的断链区间，需添加断链标识A、B、C..."},
        {title + "K10+000 120\n16230 130\n", 3, "桩号16230不应存在16200和16260之间，请修改！"},
        {title + "K10+000 120\nK11+000 130\n\nK12+000 120\n", 5, "第 4 行是空行，而其后仍有变坡点"},
        // The build's refusals name the grade points by the stations as written: continuous
        // mileage puts A13480 before B13460.
        {title + "K10+000 120\nB13460 130\nA13480 131\n", 4,
         "变坡点 A13480（第 4 行）不在变坡点 B13460（第 3 行）之后"},
    };
    for (const auto& c : kCases) {
        try {
            read_profile(c.bytes);
            ADD_FAILURE() << "accepted: " << c.bytes;
        } catch (const DataError& e) {
            EXPECT_EQ(e.line(), c.line) << c.bytes;
            EXPECT_NE(e.file().find("zdm.txt"), std::string::npos) << c.bytes;
            EXPECT_NE(std::string(e.what()).find(c.text), std::string::npos)
                << c.bytes << ": " << e.what();
        }
    }
}

TEST(ProfileFile, SteepGradeNoticed) {
    // A grade steeper than 15 % is built as given, and noticed naming the file and both points.
    const struct {
        const char* elevation;  // of K10+100 and K10+300, after K10+000 at 120
        const char* notice;
    } kCases[] = {
        {"135", nullptr},
        {"105", nullptr},
        {"135.001",
         "纵断面资料文件“zdm.txt”：变坡点 K10+000（第 2 行）至变坡点 K10+100（第 3 行）的纵坡为 "
         "+15.001%，陡于 15%"},
        {"77.32", "的纵坡为 -42.680%，陡于 15%"},
    };
    for (const auto& c : kCases) {
        const std::string z = c.elevation;
        const Profile profile =
            read_profile("纵断面\nK10+000 120\nK10+100 " + z + "\nK10+300 " + z + "\n");
        ASSERT_EQ(profile.notices.size(), c.notice ? 1u : 0u) << c.elevation;
        if (c.notice) {
            EXPECT_NE(profile.notices[0].find(c.notice), std::string::npos) << profile.notices[0];
            EXPECT_EQ(profile.notices[0].rfind("纵断面资料文件“zdm.txt”：", 0), 0u);
        }
    }
}

TEST(ProfileFile, BundledMainLine) {
    // The example for the bundled main line reads over its chain breaks, without notices, and
    // gives an elevation from its start to its end.
    const std::string examples = QELT_SOURCE_DIR "/examples/";
    auto main_line = std::make_unique<MainLine>();
    LineReader jd(examples + "mainline-jd.txt");
    zx_read_alignment(jd, *main_line);
    zx_build(*main_line);
    Alignment alignment = zx_alignment(*main_line);
    LineReader dl(examples + "mainline-dl.txt");
    dl_read_file(dl, alignment.breaks);
    dl_complete(alignment.breaks, alignment.start_mileage(), alignment.end_mileage());
    LineReader file(examples + "mainline-profile.txt");
    const Profile profile = zdm_read_profile(file, alignment.breaks);
    EXPECT_TRUE(profile.notices.empty());
    EXPECT_EQ(profile.points().size(), 7u);
    EXPECT_TRUE(profile.elevation(alignment.start_mileage()));
    EXPECT_TRUE(profile.elevation(alignment.end_mileage()));
}

}  // namespace
}  // namespace qelt
