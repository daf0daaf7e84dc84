// The borehole list and the points file read as events: what each small file gives, event by
// event, with every refusal and notice word for word.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/data_error.h"
#include "base/text.h"
#include "input/text/list_events.h"
#include "station/station.h"
#include "test_files.h"

namespace qelt {
namespace {

using testing::TempDir;

// The events of a file up to its end or refusal, one line each, each notice after its event:
//   project <text> @line | group <title> <count> #<number> @line [<further>] |
//   row <serial> @line <station>|<offset>|<offset text>|<remark>   (boreholes)
//   row <serial> @line <name>|<X>|<Y>|<remark>                      (points)
//   group end | end | refused <serial> @line: <text> | notice: <text>
// `list`: the events as read from the file, or given again by a HeldList.
std::vector<std::string> trace(ListKind kind, ListEvents& list_events) {
    ListEvents* list = &list_events;
    std::vector<std::string> events;
    for (int guard = 0; guard < 100; ++guard) {
        const ListEvent& e = list->next();
        const std::string at = " @" + std::to_string(e.line);
        const ListRow& r = e.row;
        switch (e.kind) {
            case ListEvent::Kind::project:
                events.push_back("project " + e.text + at);
                break;
            case ListEvent::Kind::group:
                events.push_back("group " + e.group.title + " " + std::to_string(e.group.count) +
                                 " #" + std::to_string(e.group.number) + at +
                                 (e.group.further.empty() ? "" : " [" + e.group.further + "]"));
                break;
            case ListEvent::Kind::row:
                events.push_back("row " + std::to_string(r.serial) + at + " " +
                                 (kind == ListKind::points
                                      ? r.name + "|" + shortest_number(r.point.x) + "|" +
                                            shortest_number(r.point.y)
                                      : r.at.station_text + "|" + shortest_number(r.at.offset) +
                                            "|" + r.at.offset_text) +
                                 "|" + r.remark);
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
    // Once ended, a list stays ended.
    EXPECT_EQ(list->next().kind, ListEvent::Kind::end);
    return events;
}

std::vector<std::string> trace(ListKind kind, const std::string& bytes) {
    TempDir dir;
    const std::string path = dir.write(kind == ListKind::points ? "pt.txt" : "zk.txt", bytes);
    const std::vector<std::string> events = trace(kind, *read_grouped_list(path, kind));
    // Held in memory, the list gives the same events again, as often as asked.
    const HeldList held(read_grouped_list(path, kind));
    for (int again = 0; again < 2; ++again) EXPECT_EQ(trace(kind, *held.events()), events);
    return events;
}

struct Case {
    const char* name;
    ListKind kind;
    std::string file;
    std::vector<std::string> events;
};

void check(const Case& c) {
    EXPECT_EQ(trace(c.kind, c.file), c.events) << c.name;
}

const ListKind kBoreholes = ListKind::boreholes, kPoints = ListKind::points;

TEST(ListEvents, GroupsAndRows) {
    const Case cases[] = {
        {"two groups, a group of 0 between them, fields as written",
         kBoreholes,
         "某项目 \r\n桥1 2 交角 75 @右线\r\n1200 ５.5 ZK1 桥台\r\nK1+250 -5.50\r\n空 0\r\n涵 1\r\n"
         "B100 0\r\n",
         {"project 某项目  @1", "group 桥1 2 #1 @2 [交角 75 @右线]",
          "row 1 @3 1200|5.5|5.5|ZK1 桥台", "row 2 @4 K1+250|-5.5|-5.50|", "group end",
          "group 空 0 #2 @5", "group end", "group 涵 1 #3 @6", "row 1 @7 B100|0|0|", "group end",
          "end"}},
        {"a points file",
         kPoints,
         "p\ng 2\nZK1 3512345.678 498765.4 补孔 重叠段\nZK2 1 -2\n",
         {"project p @1", "group g 2 #1 @2", "row 1 @3 ZK1|3512345.678|498765.4|补孔 重叠段",
          "row 2 @4 ZK2|1|-2|", "group end", "end"}},
        {"blank lines at the end only",
         kBoreholes,
         "p\n桥 1\n100 1\n\n  \n\n",
         {"project p @1", "group 桥 1 #1 @2", "row 1 @3 100|1|1|", "group end", "end"}},
    };
    for (const Case& c : cases) check(c);
}

TEST(ListEvents, Refusals) {
    const std::string zk = "钻孔资料文件“zk.txt”第 ", pt = "实测坐标资料文件“pt.txt”第 ";
    const std::string kStation =
        "不是有效的桩号：应为数（如 11150.6）、K 形式（如 K11+150.6）或带断链标识的桩号（如 "
        "B13470、BK13+470）";
    const Case cases[] = {
        {"empty file",
         kBoreholes,
         "",
         {"refused 0 @1: " + zk + "1 行：钻孔资料文件为空，缺少第一行（项目名称）"}},
        {"a group line that does not read",
         kBoreholes,
         "p\n桥1\n",
         {"project p @1", "refused 0 @2: " + zk + "2 行：分组行应为“分组名称 钻孔数”，如“桥1 3”"}},
        {"the file ends inside a group",
         kBoreholes,
         "p\n桥1 3\n100 1\n200 1\n",
         {"project p @1", "group 桥1 3 #1 @2", "row 1 @3 100|1|1|", "row 2 @4 200|1|1|",
          "refused 3 @5: " + zk +
              "5 行：文件在分组“桥1”的第 3 个钻孔之前结束（该组应有 3 个钻孔）"}},
        {"a row that does not read",
         kBoreholes,
         "p\n桥1 1\n100 x\n",
         {"project p @1", "group 桥1 1 #1 @2",
          "refused 1 @3: " + zk +
              "3 行：这一行应是分组“桥1”（共 1 个钻孔）的第 1 个钻孔，但距中线距离“x”不是数（应为"
              "以米计的数，左正右负，如 -6.5）"}},
        // The count above is larger than the lines: the next group's line is read as a row.
        {"the next group's line where a row should be",
         kBoreholes,
         "p\n路基 2\n100 1\n路堑 2\n300 1\n400 1\n",
         {"project p @1", "group 路基 2 #1 @2", "row 1 @3 100|1|1|",
          "refused 2 @4: " + zk +
              "4 行：这一行应是分组“路基”（共 2 个钻孔）的第 2 个钻孔，但桩号“路堑”" + kStation +
              "。这一行像是下一个分组行，请核对分组“路基”的钻孔数"}},
        {"a points row that does not read",
         kPoints,
         "p\ng 2\n100 -5.5\n",
         {"project p @1", "group g 2 #1 @2",
          "refused 1 @3: " + pt +
              "3 行：这一行应是分组“g”（共 2 个钻孔）的第 1 个钻孔，但实测坐标行应为“孔号 X Y "
              "[备注]”"}},
        {"the next group's line where a point should be",
         kPoints,
         "p\ng 2\nZK1 1 0\nh 1\nZK2 2 0\n",
         {"project p @1", "group g 2 #1 @2", "row 1 @3 ZK1|1|0|",
          "refused 2 @4: " + pt +
              "4 行：这一行应是分组“g”（共 2 个钻孔）的第 2 个钻孔，但实测坐标行应为“孔号 X Y "
              "[备注]”。这一行像是下一个分组行，请核对分组“g”的钻孔数"}},
        // A line that cannot be decoded, given where the row it should hold was expected.
        {"a NUL byte in a row",
         kBoreholes,
         std::string("p\n桥1 2\n100 1\n200 1 a\0b\n", 25),
         {"project p @1", "group 桥1 2 #1 @2", "row 1 @3 100|1|1|",
          "refused 2 @4: " + zk +
              "4 行：含有空字符（NUL）：不是文本文件，或是不带字节顺序标记（BOM）的 "
              "UTF-16 文件（请另存为 UTF-8、GBK 或 Unicode 文本）"}},
    };
    for (const Case& c : cases) check(c);
}

TEST(ListEvents, Notices) {
    const std::string zk = "钻孔资料文件“zk.txt”", pt = "实测坐标资料文件“pt.txt”";
    const std::string kZero = "的钻孔数为 0，而这一行也读作一个钻孔：";
    const Case cases[] = {
        // Without its project line the first group line names the project, and the boreholes
        // become groups of 0, in whichever form their stations are written.
        {"the project line missing",
         kBoreholes,
         "桥1 2\n11150 0\nK11+180 0\n",
         {"project 桥1 2 @1", "group 11150 0 #1 @2",
          "notice: " + zk + "第 2 行：分组“11150”" + kZero +
              "文件可能缺少第一行（项目名称），原来的第一个分组行被当作了项目名称，请核对文件开头",
          "group end", "group K11+180 0 #2 @3",
          "notice: " + zk + "第 3 行：分组“K11+180”" + kZero +
              "它可能是分组“11150”的钻孔，请核对该组的钻孔数",
          "group end", "end",
          "notice: " + zk + "没有给出钻孔：2 个分组的钻孔数都是 0，表格中没有钻孔"}},
        {"a point read as a group of 0",
         kPoints,
         "p\ng 1\nZK1 1 0\nZK2 0 0\n",
         {"project p @1", "group g 1 #1 @2", "row 1 @3 ZK1|1|0|", "group end",
          "group ZK2 0 #2 @4 [0]",
          "notice: " + pt + "第 4 行：分组“ZK2”" + kZero +
              "它可能是分组“g”的钻孔，请核对该组的钻孔数",
          "group end", "end"}},
        {"lines after a blank line",
         kPoints,
         "p\ng 1\nZK1 1 0\n\nh 1\n\nZK2 2 0\n",
         {"project p @1", "group g 1 #1 @2", "row 1 @3 ZK1|1|0|", "group end", "end",
          "notice: " + pt +
              "第 4 行是空行，实测坐标资料到此结束；其后从第 5 行起的 2 行未读入（若仍是实测坐标资"
              "料，请删去空行）"}},
        // Read ahead to tell a CSV list, the lines after the blank line are counted all the same.
        {"a blank line after the project line",
         kBoreholes,
         "p\n\n桥 1\n100 0\n",
         {"project p @1", "end",
          "notice: " + zk +
              "第 2 行是空行，钻孔资料到此结束；其后从第 3 行起的 2 "
              "行未读入（若仍是钻孔资料，请删去"
              "空行）",
          "notice: " + zk + "没有给出钻孔：第 1 行（项目名称）之后没有读到分组行，表格中没有钻孔"}},
        {"the project line alone",
         kBoreholes,
         "仅项目\r\n",
         {"project 仅项目 @1", "end",
          "notice: " + zk + "没有给出钻孔：第 1 行（项目名称）之后没有读到分组行，表格中没有钻孔"}},
    };
    for (const Case& c : cases) check(c);
}

// A list kept in Excel and saved as CSV reads as the same list written with blanks: its cells
// as the fields, Excel's quotes taken off, the empty cells it pads rows with dropped. In a
// blank-separated list a comma separates nothing, and the refusal says what it was taken for.
TEST(ListEvents, SavedByExcelAsCsv) {
    const struct {
        const char* name;
        ListKind kind;
        std::string csv, blanks;
    } same[] = {
        {"boreholes", kBoreholes,
         "某高速公路,,\r\n青龙河大桥,2,\r\n11150,0,0#桥台\r\n11180,-6.5,\"1#墩,左幅\"\r\n",
         "某高速公路\n青龙河大桥 2\n11150 0 0#桥台\n11180 -6.5 1#墩,左幅\n"},
        {"quoted project and quotes inside", kBoreholes,
         "\"G15,第三合同段\",,\n桥,1,\n\"K1+100\",3,\"说明\"\"甲\"\"\"\n",
         "G15,第三合同段\n桥 1\nK1+100 3 说明\"甲\"\n"},
        {"points", kPoints, "工程,,,\n组,1,,\nZK1,3513057.061,498953.035,孔口\n",
         "工程\n组 1\nZK1 3513057.061 498953.035 孔口\n"},
        {"a row of empty cells ends the list", kBoreholes, "p,,\n桥,1,\n100,0,\n,,\n",
         "p\n桥 1\n100 0\n\n"},
        {"a blank line after the project line", kBoreholes, "p,,\n\n桥,1,\n100,0,\n",
         "p\n\n桥 1\n100 0\n"},
    };
    for (const auto& c : same) EXPECT_EQ(trace(c.kind, c.csv), trace(c.kind, c.blanks)) << c.name;
    // A blank-separated list whose project line and group title hold commas stays one.
    EXPECT_EQ(trace(kBoreholes, "G15,第三合同段\nK13+480,涵洞 1\n13480 0\n"),
              (std::vector<std::string>{"project G15,第三合同段 @1", "group K13+480,涵洞 1 #1 @2",
                                        "row 1 @3 13480|0|0|", "group end", "end"}));

    const std::string row =
        "refused 1 @3: 钻孔资料文件“zk.txt”第 3 行：这一行应是分组“桥”（共 1 "
        "个钻孔）的第 1 个钻孔，但";
    const std::string thousands =
        "；其中的逗号被当作千位分隔符（如 11,150），不是分项：各项以空格分开，Excel 另存的 CSV "
        "文件则每一行都以逗号分项";
    const Case refused[] = {
        {"a thousands separator in a blank-separated list",
         kBoreholes,
         "p\n桥 1\n11,150 0\n",
         {"project p @1", "group 桥 1 #1 @2",
          row + "桩号“11,150”不是有效的桩号：" + kStationForms + thousands}},
        {"an offset written with a comma",
         kBoreholes,
         "p\n桥 1\n11150 1,5\n",
         {"project p @1", "group 桥 1 #1 @2",
          row + "距中线距离“1,5”不是数（应为以米计的数，左正右负，如 -6.5）" + thousands}},
        {"an empty cell before the last",
         kBoreholes,
         "p,,\n桥,1,\n11150,,左\n",
         {"project p @1", "group 桥 1 #1 @2",
          row + "以逗号分项的这一行第 2 项为空（只有行尾的项可以空着）"}},
        {"quotes that do not pair",
         kBoreholes,
         "p,,\n桥,1,\n11150,0,\"左\n",
         {"project p @1", "group 桥 1 #1 @2",
          row + "以逗号分项的这一行引号不成对（Excel 把含逗号或引号的项括在双引号中）"}},
    };
    for (const Case& c : refused) check(c);
}

}  // namespace
}  // namespace qelt

namespace qelt {
namespace {

// The further fields of a group line: the crossing angle in every form users type it, the line
// a group names, both in either order, other words left alone; and what is refused.
TEST(ListEvents, GroupFieldsCrossingAngleAndLine) {
    const struct {
        const char* further;
        double degrees;  // 0: square (no angle)
        const char* printed;
        const char* line;
    } read[] = {
        {"", 0, "", ""},
        {"交角75", 75, "75°", ""},
        {"交角75.5", 75.5, "75.5°", ""},
        {"交角７５", 75, "75°", ""},  // full-width digits
        {"交角45°30′", 45.5, "45°30′", ""},
        {"交角45°30′15″", 45 + 30 / 60.0 + 15 / 3600.0, "45°30′15″", ""},
        {"交角45°30'15\"", 45 + 30 / 60.0 + 15 / 3600.0, "45°30′15″", ""},
        {"交角120°", 120, "120°", ""},
        {"交角 75 @右线", 75, "75°", "右线"},
        {"交角90", 0, "", ""},
        {"交角90°00′00″", 0, "", ""},
        {"@A匝道", 0, "", "A匝道"},
        {"＠A匝道 交角60", 60, "60°", "A匝道"},
        {"交角60 @主线 右幅 2024", 60, "60°", "主线"},  // other words stay ignored
        {"左幅 交叉 角度75", 0, "", ""},
    };
    for (const auto& c : read) {
        const GroupFields f = read_group_fields(c.further);
        EXPECT_EQ(f.crossing_angle.value_or(0), c.degrees) << c.further;
        EXPECT_EQ(f.crossing_angle_text, c.printed) << c.further;
        EXPECT_EQ(f.line_name, c.line) << c.further;
    }
    const struct {
        const char* further;
        const char* message;
    } refused[] = {
        {"交角0", "交角“交角0”不在 0° 与 180° 之间"},
        {"交角180", "交角“交角180”不在 0° 与 180° 之间"},
        {"交角200", "交角“交角200”不在 0° 与 180° 之间"},
        {"交角-30", "交角“交角-30”不在 0° 与 180° 之间"},
        {"交角七十五", "交角“交角七十五”读不出角度"},
        {"交角", "交角“交角”读不出角度"},
        {"交角 七十五", "交角“交角 七十五”读不出角度"},
        {"交角75度", "交角“交角75度”读不出角度"},
        {"交角45.5°30′", "交角“交角45.5°30′”读不出角度"},
        {"交角45°60′", "交角“交角45°60′”的分数 60 不小于 60"},
        {"交角45°30′60″", "交角“交角45°30′60″”的秒数 60 不小于 60"},
        {"交角60 交角75", "交角给了两次"},
        {"@", "“@”缺少线路名称"},
        {"@主线 @A匝道", "线路给了两次"},
    };
    for (const auto& c : refused) {
        try {
            read_group_fields(c.further);
            ADD_FAILURE() << c.further << " was read";
        } catch (const DataError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
                << c.further << ": " << e.what();
        }
    }
    // The refusal names the file, the line and the group.
    const std::vector<std::string> events =
        trace(ListKind::boreholes, "项目\n桥 1 交角200\n100 0\n");
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1],
              "refused 0 @2: 钻孔资料文件“zk.txt”第 2 行：分组“桥”的交角“交角200”不在 0° 与 "
              "180° 之间（不含两端）：交角是墩台轴线左侧一半与桩号增加方向的夹角，正交为 90°");
}

}  // namespace
}  // namespace qelt
