// Delivering the workbook: the first free name, never replacing a file, also when one appears
// between the look and the move; a move that fails names the path and the reason.

#include <gtest/gtest.h>

#include <cerrno>
#include <set>
#include <string>

#include "app/forms/delivery.h"

using namespace qelt::forms;

TEST(Delivery, WorkbookTakesAFreeName) {
    const std::string t = "zk_钻孔数量及位置表";
    struct Case {
        const char* what;
        std::set<std::string> existing;   // names present from the start
        std::set<std::string> appearing;  // names taken by someone else just before the move
        int failure = 0;                  // errno value of every move to a free name
        std::string path;                 // the workbook's path; empty: not delivered
        std::string error;
        PathStyle style = PathStyle::posix;
        std::string folder = "/out";
    };
    const Case cases[] = {
        {"free", {}, {}, 0, "/out/" + t + ".xlsx", ""},
        {"taken", {"/out/" + t + ".xlsx"}, {}, 0, "/out/" + t + " (2).xlsx", ""},
        {"appears before the move", {}, {"/out/" + t + ".xlsx"}, 0, "/out/" + t + " (2).xlsx", ""},
        {"two appear",
         {"/out/" + t + ".xlsx"},
         {"/out/" + t + " (2).xlsx", "/out/" + t + " (3).xlsx"},
         0,
         "/out/" + t + " (4).xlsx",
         ""},
        {"disk full",
         {},
         {},
         ENOSPC,
         "",
         "无法写入 /out/" + t + ".xlsx：reason " + std::to_string(ENOSPC)},
        {"disk full at the second name",
         {"/out/" + t + ".xlsx"},
         {},
         ENOSPC,
         "",
         "无法写入 /out/" + t + " (2).xlsx：reason " + std::to_string(ENOSPC)},
        {"Windows folder",
         {},
         {},
         0,
         "D:\\工程\\" + t + ".xlsx",
         "",
         PathStyle::windows,
         "D:\\工程"},
        {"Windows drive root",
         {"D:\\" + t + ".xlsx"},
         {},
         0,
         "D:\\" + t + " (2).xlsx",
         "",
         PathStyle::windows,
         "D:\\"},
    };
    for (const Case& c : cases) {
        std::set<std::string> existing = c.existing, appearing = c.appearing;
        int moves = 0;
        DeliveryFiles files;
        files.exists = [&](const std::string& p) { return existing.count(p) > 0; };
        files.move = [&](const std::string& p) {
            ++moves;
            EXPECT_EQ(existing.count(p), 0u) << c.what << ": moved onto " << p;
            if (appearing.erase(p)) {
                existing.insert(p);
                return EEXIST;
            }
            if (c.failure) return c.failure;
            existing.insert(p);
            return 0;
        };
        files.reason = [](int error) { return "reason " + std::to_string(error); };
        std::string error;
        const auto path = deliver_workbook(c.folder, t, c.style, files, error);
        EXPECT_EQ(path.value_or(""), c.path) << c.what;
        EXPECT_EQ(error, c.error) << c.what;
        EXPECT_EQ(moves, static_cast<int>(c.appearing.size()) + 1) << c.what;
    }
}

TEST(Delivery, NameThatNeverFreesBoundsTheAttempts) {
    // A dangling link: the look finds nothing, the move finds the name taken, every time.
    int moves = 0;
    DeliveryFiles files;
    files.exists = [](const std::string&) { return false; };
    files.move = [&](const std::string&) {
        ++moves;
        return EEXIST;
    };
    files.reason = [](int) { return std::string("?"); };
    std::string error;
    EXPECT_FALSE(deliver_workbook("/out", "zk", PathStyle::posix, files, error));
    EXPECT_EQ(moves, kDeliveryAttempts);
    EXPECT_EQ(error, "无法写入 /out/zk.xlsx：文件夹中同名的表格太多");
    // Every name taken: no move at all.
    moves = 0;
    files.exists = [](const std::string&) { return true; };
    EXPECT_FALSE(deliver_workbook("/out", "zk", PathStyle::posix, files, error));
    EXPECT_EQ(moves, 0);
    EXPECT_EQ(error, "无法写入 /out/zk.xlsx：文件夹中同名的表格太多");
}

TEST(Delivery, WorkbookNotOpened) {
    EXPECT_EQ(workbook_not_opened_text("D:\\工程\\zk.xlsx"),
              "钻孔数量及位置表已写入：\nD:\\工程\\zk.xlsx\n\n没有找到打开它的电子表格程序。");
    EXPECT_EQ(workbook_not_opened_text("D:\\工程\\sc.xlsx", "钻孔桩号及偏距表"),
              "钻孔桩号及偏距表已写入：\nD:\\工程\\sc.xlsx\n\n没有找到打开它的电子表格程序。");
}

TEST(Delivery, PartialTableSaysWhereItStops) {
    struct Case {
        TableExtent extent;
        const char* headline;
    };
    const Case cases[] = {
        {{true, 10, 5}, "钻孔数量及位置表已写入："},
        {{false, 8, 3}, "表格只写到第 8 行（3 个钻孔），已写入："},
        {{false, 0, 0},
         "表格只写到第 0 行（0 个钻孔），已写入："},  // the first borehole stopped it
    };
    for (const Case& c : cases)
        EXPECT_EQ(workbook_not_opened_text("/d/zk.xlsx", "钻孔数量及位置表", c.extent),
                  std::string(c.headline) + "\n/d/zk.xlsx\n\n没有找到打开它的电子表格程序。");
}

TEST(Delivery, NothingOpensTheTarget) {
    struct Case {
        const char* target;
        const char* text;
    };
    const Case cases[] = {
        {"C:\\Qelt\\help\\qelt.html",
         "无法打开使用说明：\nC:\\Qelt\\help\\qelt.html\n\n没有找到打开它的浏览器，或文件不在。"},
        {"/usr/lib/qelt/help/qelt.html",
         "无法打开使用说明：\n/usr/lib/qelt/help/"
         "qelt.html\n\n没有找到打开它的浏览器，或文件不在。"},
        {"https://qelt.example.org/gdownload.htm",
         "无法打开网址：\nhttps://qelt.example.org/gdownload.htm\n\n没有找到打开它的浏览器。"},
        {"mailto:qelt@example.org", "无法写邮件给：\nqelt@example.org\n\n没有找到收发邮件的程序。"},
    };
    for (const Case& c : cases) EXPECT_EQ(not_opened_text(c.target), c.text) << c.target;
}
