// The survey crew's point files (CASS .dat, PNEZD .csv) read as list events: which layout a
// file is read in, what each small file gives event by event, and every line refused, word for
// word.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "input/survey/surveyed_points.h"
#include "test_files.h"

namespace qelt {
namespace {

using testing::TempDir;

// The events of the file `name` holding `bytes`, one line each:
//   project <text> | group <title> <count> @line | row <serial> @line <name>|<X>|<Y>|<H>|<remark>
//   group end | end | refused <serial> @line: <text> | notice: <text>
// (H "-" where the line has none).
std::vector<std::string> trace(const std::string& name, const std::string& bytes) {
    TempDir dir;
    const auto list = read_points_list(dir.write(name, bytes));
    std::vector<std::string> events;
    for (int guard = 0; guard < 50; ++guard) {
        const ListEvent& e = list->next();
        const std::string at = " @" + std::to_string(e.line);
        const ListRow& r = e.row;
        switch (e.kind) {
            case ListEvent::Kind::project:
                events.push_back("project " + e.text);
                break;
            case ListEvent::Kind::group:
                events.push_back("group " + e.group.title + " " + std::to_string(e.group.count) +
                                 at);
                break;
            case ListEvent::Kind::row:
                events.push_back("row " + std::to_string(r.serial) + at + " " + r.name + "|" +
                                 shortest_number(r.point.x) + "|" + shortest_number(r.point.y) +
                                 "|" + (r.height ? shortest_number(*r.height) : "-") + "|" +
                                 r.remark);
                break;
            case ListEvent::Kind::group_end:
                events.push_back("group end");
                break;
            case ListEvent::Kind::end:
                events.push_back("end");
                break;
            case ListEvent::Kind::refused:
                events.push_back("refused " + std::to_string(r.serial) + at + ": " + e.text);
                break;
        }
        for (const std::string& n : e.notices) events.push_back("notice: " + n);
        if (e.kind == ListEvent::Kind::end || e.kind == ListEvent::Kind::refused) break;
    }
    return events;
}

const std::string kCass =
    "CASS 坐标文件读入（扩展名为 .dat）：每行“点名,编码,Y,X,H”，Y（东）在前，"
    "H 为孔口高程；全部点作为一组“";
const std::string kPnezd =
    "PNEZD 坐标文件读入（扩展名为 .csv）：每行“点名,X,Y,H,描述”，X（北）在"
    "前，H 为孔口高程；全部点作为一组“";

struct Case {
    const char* what;
    const char* name;
    std::string bytes;
    std::vector<std::string> events;
};

// Whatever the encoding and line ends the crew's software saved, the same points.
TEST(SurveyedPoints, CassLines) {
    // The two points of every case, on the lines given.
    const auto two = [](long first, long second) {
        return std::vector<std::string>{
            "project 孔",
            "notice: 实测坐标资料文件“孔.dat”按 " + kCass + "孔”",
            "group 孔 2 @1",
            "row 1 @" + std::to_string(first) + " ZK1|3513057.0168|498953.0072|-|",
            "row 2 @" + std::to_string(second) + " ZK2|3513082|498970.5|412.25|钻孔",
            "group end",
            "end"};
    };
    const Case cases[] = {
        {"GBK, CR LF, code and H empty on the first line", "孔.dat",
         "ZK1,,498953.0072,3513057.0168,\r\nZK2,\xD7\xEA\xBF\xD7,498970.5,3513082,412.25\r\n",
         two(1, 2)},
        {"UTF-8 with a byte-order mark, LF, no line end at the end", "孔.dat",
         "\xEF\xBB\xBFZK1,,498953.0072,3513057.0168,\nZK2,钻孔,498970.5,3513082,412.25", two(1, 2)},
        {"blanks around fields, blank lines before and between", "孔.dat",
         "\r\n ZK1 , , 498953.0072 ,3513057.0168, "
         "\r\n\r\n\t\r\nZK2,钻孔,498970.5,3513082,412.25\r\n\r\n",
         two(2, 5)},
    };
    for (const Case& c : cases) EXPECT_EQ(trace(c.name, c.bytes), c.events) << c.what;
}

TEST(SurveyedPoints, PnezdLines) {
    const Case cases[] = {
        {"as Qelt's points CSV writes: description quoted where it holds a comma",
         "实测.CSV",
         "A1,3513057.0168,498953.0072,,青龙河大桥 K11+150.000\r\n"
         "A2,3513082.0307,498970.7992,101.5,\"桥,左幅 \"\"甲\"\"\"\r\n"
         "\"A3\",1,2,-0.5\r\n",
         {"project 实测", "notice: 实测坐标资料文件“实测.CSV”按 " + kPnezd + "实测”",
          "group 实测 3 @1", "row 1 @1 A1|3513057.0168|498953.0072|-|青龙河大桥 K11+150.000",
          "row 2 @2 A2|3513082.0307|498970.7992|101.5|桥,左幅 \"甲\"", "row 3 @3 A3|1|2|-0.5|",
          "group end", "end"}},
        {"a file without points",
         "空.csv",
         "\r\n \r\n",
         {"project 空", "notice: 实测坐标资料文件“空.csv”按 " + kPnezd + "空”",
          "notice: 实测坐标资料文件“空.csv”没有给出钻孔：文件中没有点，表格中没有钻孔", "end"}},
    };
    for (const Case& c : cases) EXPECT_EQ(trace(c.name, c.bytes), c.events) << c.what;
}

// A line that does not fit its layout ends the events, naming the file and the line; the rows
// before it are given.
TEST(SurveyedPoints, LinesRefused) {
    const std::string dat = "refused 2 @2: 实测坐标资料文件“p.dat”第 2 行：";
    const std::string csv = "refused 2 @2: 实测坐标资料文件“p.csv”第 2 行：";
    const std::string cass5 =
        "CASS 坐标文件的一行应为“点名,编码,Y,X,H” 5 项（编码、H 可以空着），这一行有 ";
    const struct {
        const char* name;
        const char* second_line;
        std::string refusal;
    } cases[] = {
        {"p.dat", "ZK,2,,1,2,", dat + cass5 + "6 项；点名或描述中的逗号须用双引号括起"},
        {"p.dat", "\"ZK,2\",,1,2,",
         dat + "点名“ZK,2”中有逗号：点名不能含逗号（坐标文件以逗号分项）"},
        {"p.dat", "ZK2,,1,,5", dat + "X（北坐标）“”不是数（应为以米计的实测坐标，如 3512345.678）"},
        {"p.dat", "ZK2,,1,2", dat + cass5 + "4 项"},
        {"p.dat", "ZK2,,1,2,高",
         dat + "H（高程）“高”不是数（应为以米计的高程，如 123.456，或者空着）"},
        {"p.dat", ",,1,2,", dat + "点名为空"},
        {"p.dat", "ZK2，，1，2，", dat + cass5 + "1 项；这一行有全角逗号“，”，请改为半角逗号“,”"},
        {"p.dat", "\"ZK2,,1,2,", dat + "这一行的双引号（\"）没有配对，无法分项"},
        {"p.dat", "ZK2,,1\r2,", dat + "含有单独的回车符（CR）：文件应以 CR LF 或 LF 换行"},
        {"p.csv", "ZK2,1,x,5,",
         csv + "Y（东坐标）“x”不是数（应为以米计的实测坐标，如 3512345.678）"},
        {"p.csv", "ZK2,1,2",
         csv + "PNEZD 坐标文件的一行应为“点名,X,Y,H,描述” 4 或 5 项（H、描述可以空着），这一行有 3 "
               "项"},
    };
    for (const auto& c : cases) {
        const std::vector<std::string> events =
            trace(c.name, std::string(c.name[2] == 'd' ? "ZK1,,5,6,7\r\n" : "ZK1,6,5,7,\r\n") +
                              c.second_line + "\r\nZK3,,1,2,\r\n");
        ASSERT_EQ(events.size(), 5u) << c.second_line;
        EXPECT_EQ(events[3], "row 1 @1 ZK1|6|5|7|") << c.second_line;
        EXPECT_EQ(events[4], c.refusal) << c.second_line;
    }
}

// The layout of a file is told by its extension, any other name by its first line; Qelt's own
// grouped file keeps its own reader, and a grouped file saved as .dat is told what to do.
TEST(SurveyedPoints, LayoutByName) {
    const struct {
        const char* name;
        const char* first_line;
        PointsLayout layout;
        bool by_name;
    } cases[] = {
        {"a.dat", "项目", PointsLayout::cass, true},
        {"a.DAT", "A1,3513057,498953,,x", PointsLayout::cass, true},
        {"a.csv", "A1,,498953,3513057,", PointsLayout::pnezd, true},
        {"a.txt", "G15 高速公路", PointsLayout::grouped, false},
        {"a.txt", "G15,第一合同段,钻孔", PointsLayout::grouped, false},
        {"a", "A1,,498953,3513057,", PointsLayout::cass, false},
        {"a.txt", "A1,SZ,498953,3513057,12", PointsLayout::cass, false},
        {"a.pts", "A1,3513057,498953,12", PointsLayout::pnezd, false},
        // Qelt's own grouped file kept in Excel: the project alone in its row.
        {"a.csv", "G15 第一合同段,,,", PointsLayout::grouped, true},
        {"a.dat", "\"G15,第一合同段\",,,", PointsLayout::grouped, true},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const PointsLayoutChoice choice =
            points_layout(dir.write(c.name, std::string("\r\n") + c.first_line + "\r\n"));
        EXPECT_EQ(choice.layout, c.layout) << c.name << " " << c.first_line;
        EXPECT_EQ(choice.by_name, c.by_name) << c.name << " " << c.first_line;
    }
    // Told by its first line, the notice says so; a grouped file named .dat is refused with
    // the way out.
    EXPECT_EQ(trace("p.txt", "A1,3,4,5,\n")[1],
              "notice: 实测坐标资料文件“p.txt”按 PNEZD 坐标文件读入（第 1 行以逗号分为 4 项以上，"
              "第 2 项是数）：每行“点名,X,Y,H,描述”，X（北）在前，H 为孔口高程；全部点作为一组“p”");
    EXPECT_EQ(
        trace("p.dat", "工程\n组 1\nZK1 1 2\n").back(),
        "refused 1 @1: 实测坐标资料文件“p.dat”第 1 行：" +
            std::string(
                "CASS 坐标文件的一行应为“点名,编码,Y,X,H” 5 项（编码、H 可以空着），这一行有 1 "
                "项；扩展名为 .dat 的文件按测量坐标文件读入，Qelt 分组格式的实测坐标资料请存为 "
                ".txt 文件"));
}

}  // namespace
}  // namespace qelt
