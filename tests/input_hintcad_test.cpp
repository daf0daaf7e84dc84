// The readers of the 纬地 files: a hand-made plane rebuilt where its own coordinates say, the
// cross sections' heights summed from the centre stake, and one table of refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "base/data_error.h"
#include "base/text.h"
#include "geometry/geometry.h"
#include "input/formats.h"
#include "input/hintcad/hintcad_files.h"
#include "station/station.h"
#include "test_files.h"

namespace qelt {
namespace {

using testing::TempDir;

// A straight of 100 m due north from (1000, 2000) at station 500, an arc of R 200 to the right
// over 50 m, and a straight of 100 m: every point of it by hand.
const double kTurn = 50.0 / 200.0;
const Point kArcEnd{1100 + 200 * std::sin(kTurn), 2200 - 200 * std::cos(kTurn)};
const Point kEnd{kArcEnd.x + 100 * std::cos(kTurn), kArcEnd.y + 100 * std::sin(kTurn)};

std::string plane(double end_x_error = 0) {
    const auto n = [](double v) { return fixed_text(v, 8); };
    return "HINTCAD5.83_PM_SHUJU_PM\r\n"
           "         3\tNULL\tNULL\t500.000000\r\n"
           "         1\t0.0000\t0.000000000000\t0.000000000000\t1000.00000000\t2000.00000000\r\n"
           "1\t0\t100\t0\t9999\t9999\t1\r\n"
           "1000\t2000\t1050\t2000\t1100\t2000\t0\t0\r\n"
           "500\t600\t0\t0\r\n"
           "1\t0\t-50\t0\t200\t200\t3\r\n"
           "1100\t2000\t0\t0\t" +
           n(kArcEnd.x + end_x_error) + "\t" + n(kArcEnd.y) +
           "\t1100\t2200\r\n"
           "600\t650\t0\t" +
           fixed_text(kTurn, 12) +
           "\r\n"
           "1\t0\t100\t0\t9999\t9999\t1\r\n" +
           n(kArcEnd.x) + "\t" + n(kArcEnd.y) + "\t0\t0\t" + n(kEnd.x) + "\t" + n(kEnd.y) +
           "\t0\t0\r\n"
           "650\t750\t" +
           fixed_text(kTurn, 12) + "\t" + fixed_text(kTurn, 12) + "\r\n";
}

Alignment read_plane(const std::string& path) {
    DetectedFile file = detect_format(path);
    EXPECT_EQ(file.format(), FileFormat::hintcad);
    return hintcad_read_alignment(file);
}

TEST(HintcadPlane, ElementsAreBuiltWhereTheFileDrawsThem) {
    TempDir dir;
    const Alignment line = read_plane(dir.write("line.pm", plane()));
    struct Case {
        double mileage;
        Point at;
    };
    const Case cases[] = {
        {550, {1050, 2000}},
        {625, {1100 + 200 * std::sin(0.125), 2200 - 200 * std::cos(0.125)}},
        {750, kEnd},
    };
    for (const Case& c : cases) {
        Point p;
        double azimuth = 0;
        line.line.locate(c.mileage, p, azimuth);
        EXPECT_NEAR(p.x, c.at.x, 1e-6) << c.mileage;
        EXPECT_NEAR(p.y, c.at.y, 1e-6) << c.mileage;
    }
    EXPECT_EQ(line.break_source, ChainBreakSource::file_or_none);
}

TEST(HintcadGround, SectionHeightsRunOnFromTheCentreStake) {
    TempDir dir;
    Alignment line = read_plane(dir.write("line.pm", plane()));
    dl_complete(line.breaks, line.start_mileage(), line.end_mileage());
    const std::string dmx = dir.write("g.dmx", "HINTCAD5.83_DMX_SHUJU\n500 10\n560 16\n");
    const std::string hdm = dir.write("g.hdm",
                                      "HINTCAD5.83_HDM_SHUJU\n520\n2\t5 1\t5 -2\n1\t4\t0.5\n\n"
                                      "540\n1\t20\t2\n0\n");
    const Terrain ground = hintcad_read_ground(dmx, hdm, line);
    // Section 520: centre 12; left 5 m → 13, 10 m → 11; right 4 m → 12.5. Section 540: centre
    // 14, left 20 m → 16, no right side.
    struct Case {
        double mileage, offset;
        std::optional<double> z;
    };
    const Case cases[] = {
        {520, 7.5, 12.0},        {520, -4, 12.5},         {540, 10, 15.0},        {530, 10, 13.0},
        {520, 12, std::nullopt}, {530, -2, std::nullopt}, {510, 0, std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<double> z = ground.sections()->at(c.mileage, c.offset).elevation;
        ASSERT_EQ(z.has_value(), c.z.has_value()) << c.mileage << " " << c.offset;
        if (z) {
            EXPECT_NEAR(*z, *c.z, 1e-9) << c.mileage << " " << c.offset;
        }
    }
}

// Every refusal names the file, the line and what was wrong.
TEST(HintcadRefusals, NameTheFileTheLineAndTheField) {
    TempDir dir;
    Alignment line = read_plane(dir.write("line.pm", plane()));
    dl_complete(line.breaks, line.start_mileage(), line.end_mileage());
    const std::string dmx = dir.write("ok.dmx", "HINTCAD5.83_DMX_SHUJU\n500 10\n700 16\n");
    const auto as_plane = [](const std::string& path) { read_plane(path); };
    const auto as_profile = [&](const std::string& path) {
        DetectedFile file = detect_format(path);
        hintcad_read_profile(file, line.breaks);
    };
    const auto as_ground_line = [&](const std::string& path) {
        hintcad_read_ground(path, std::nullopt, line);
    };
    const auto as_sections = [&](const std::string& path) { hintcad_read_ground(dmx, path, line); };
    const auto as_stakes = [&](const std::string& path) {
        DetectedFile file = detect_format(path);
        hintcad_read_stakes(file, line);
    };
    struct Case {
        const char* name;
        std::string text;
        std::function<void(const std::string&)> read;
        const char* says;
        long line;
    };
    const Case cases[] = {
        {"zdm.pm", "HINTCAD5.83_ZDM_SHUJU\n2\n", as_plane, "（这是纬地纵断面数据文件（.zdm））", 1},
        {"short.pm", plane().substr(0, plane().rfind("1\t0\t100")), as_plane,
         "文件在第 3 个线元结束前就结束了", 9},
        {"moved.pm", plane(0.005), as_plane,
         "第 2 个线元（第 7 行，圆曲线 R 200.000，长 50.000 "
         "m）按半径和长度算得的终点与文件所记相差 5.0 mm",
         7},
        {"count.zdm", "HINTCAD5.83_ZDM_SHUJU\n1\n500 10 0 0 0\n700 16 0 0 0\n", as_profile,
         "变坡点数与变坡点不符", 4},
        {"order.zdm", "HINTCAD5.83_ZDM_SHUJU\n2\n600 10 0 0 0\n550 16 0 0 0\n", as_profile,
         "桩号“550”不大于上一变坡点的桩号“600”", 4},
        {"step.zdm", "HINTCAD5.83_ZDM_SHUJU\n2\n500 10 0 0 0\n700 16 0 650 0.2\n", as_profile,
         "错台", 4},
        {"given.dmx", "HINTCAD5.83_DMX_SHUJU\n500 10\n700 16\n", as_profile,
         "不是纬地纵断面数据文件（.zdm）：第一行应为 "
         "HINTCAD<版本>_ZDM_SHUJU，实为“HINTCAD5.83_DMX_SHUJU”（这是纬地纵向地面线文件（.dmx））",
         1},
        {"order.dmx", "HINTCAD5.83_DMX_SHUJU\n500 10\n600 11\n600 12\n", as_ground_line,
         "桩号“600”不大于上一行的桩号 K0+600", 4},
        {"typed.dmx", "HINTCAD5.83_DMX_SHUJU\n500 10\n600 1l.5\n", as_ground_line,
         "地面高程“1l.5”不是数", 3},
        {"side.hdm", "HINTCAD5.83_HDM_SHUJU\n520\n2\t5 1\t5\n0\n", as_sections,
         "左侧的点数为 2，其后应有 4 个数（2 对“平距 高差”），实有 3 个", 3},
        {"negative.hdm", "HINTCAD5.83_HDM_SHUJU\n520\n0\n1\t-5 1\n", as_sections,
         "右侧第 1 点的平距“-5”是负数", 4},
        {"order.hdm", "HINTCAD5.83_HDM_SHUJU\n540\n0\n0\n520\n0\n0\n", as_sections,
         "断面的桩号应递增", 5},
        {"eicad.HDM", "EICAD横断面宽度数据\nK0+520 3.75 3.75 0.75 0.75\n", as_sections,
         "不是纬地横断面数据文件（.hdm）", 1},
        {"outside.hdm", "HINTCAD5.83_HDM_SHUJU\n800\n0\n0\n", as_sections,
         "断面 K0+800 不在纵向地面线的桩号范围内", 2},
        {"dmx.sta", "HINTCAD5.83_DMX_SHUJU\n500 10\n700 16\n", as_stakes,
         "不是纬地桩号序列文件（.sta）", 1},
        {"order.sta", "HINTCAD5.84_STA_SHUJU\n500\t1\n600\t2\n590\t3\n", as_stakes,
         "桩号“590”不大于上一行的桩号 K0+600", 4},
        {"lost.sta", "HINTCAD5.84_STA_SHUJU\n500\t1\n520\t2\n560\t4\n", as_stakes,
         "序号“4”应为 3", 4},
        {"off.sta", "HINTCAD5.84_STA_SHUJU\n500\t1\n760\t2\n", as_stakes,
         "桩号“760”不在线路上（线路自 K0+500 至 K0+750）", 3},
        {"typed.sta", "HINTCAD6.00_STA_SHUJU\n500\t1\n52O\t2\n", as_stakes, "桩号“52O”不是数",
         3},
        {"fields.sta", "HINTCAD5.84_STA_SHUJU\n500 1 0.5\n", as_stakes,
         "这一行应为“桩号 序号”（序号可省），实有 3 项", 2},
        {"empty.sta", "HINTCAD5.84_STA_SHUJU\n\n", as_stakes, "文件中没有桩号", 2},
    };
    for (const Case& c : cases) {
        const std::string path = dir.write(c.name, c.text);
        try {
            c.read(path);
            ADD_FAILURE() << c.name << " was read";
        } catch (const DataError& e) {
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos)
                << c.name << ": " << e.what();
            EXPECT_EQ(e.file(), path) << c.name;
            EXPECT_EQ(e.line(), c.line) << c.name << ": " << e.what();
        }
    }
}

}  // namespace
}  // namespace qelt
