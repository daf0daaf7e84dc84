// The desktop programs' rules as plain functions: window placement, edge docking, the dialog
// filters in each toolkit's form, the help file's path and the workbook's name. One table of
// cases per rule.

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <vector>

#include "app/forms/delivery.h"
#include "app/forms/file_rules.h"
#include "app/forms/placement.h"

using namespace qelt::forms;

namespace {

// A 240 × 300 pixel window (3600 × 4500 twips) on a 1920 pixel (28800 twip) wide screen.
constexpr float kScreen = 28800, kW = 3600, kH = 4500;

DockInput window_at(float left, float top, int cursor_x, int cursor_y, bool minimised = false) {
    const int l = twips_to_pixels(left), t = twips_to_pixels(top);
    return {{cursor_x, cursor_y}, {l, t, l + 240, t + 300}, 15, kScreen, minimised};
}

// The filter the three open-file dialogs use, as the run writes it.
constexpr const char* kTextFilter =
    "文本文件(*.txt;*.dat)|*.txt;*.dat|文本文件(*.txt)|*.txt|所有文件（*.*)|*.*";
constexpr const char* kChainBreakFilter = "文本文件(*.txt;*.dl)|*.txt;*.dl|所有文件（*.*)|*.*";

}  // namespace

TEST(Placement, CenterFormAndCenterForm1) {
    struct Case {
        int rule;  // 0 CenterForm, 1 CenterForm1 left edge, 2 CenterForm1 right edge
        float screen_w, screen_h, w, h, left, top;
    };
    const Case cases[] = {
        {0, 28800, 16200, 6200, 1800, 11300, 4800},  // a third of the free height
        {0, 28800, 16200, 6075, 1320, 11362.5f, 4960},
        {0, 12000, 9000, 15000, 12000, -1500, -1000},  // larger than the screen
        {1, 28800, 16200, 3600, 4500, 0, 3900},
        {2, 28800, 16200, 3600, 4500, 25200, 3900},
    };
    for (const Case& c : cases) {
        const TwipPoint p = c.rule == 0
                                ? center_form(c.screen_w, c.screen_h, c.w, c.h)
                                : center_form1(c.rule == 1 ? ScreenEdge::left : ScreenEdge::right,
                                               c.screen_w, c.screen_h, c.w, c.h);
        EXPECT_EQ(p.left, c.left) << c.rule << " " << c.w;
        EXPECT_EQ(p.top, c.top) << c.rule << " " << c.w;
    }
}

TEST(Placement, TwipsToPixels) {
    // Topmost x rounds the quotient (halves to even), topmost y divides the rounded twips by
    // the rounded twips per pixel towards zero; a moved edge rounds. 15 twips per pixel is
    // 96 DPI, 12 is 120 DPI, 7.5 is 192 DPI (divided by 8 where whole numbers are asked for).
    struct Case {
        float tpp, left, top;
        int x, y, left_px, top_px;
    };
    const Case cases[] = {
        {15, 25200, 3900, 1680, 260, 1680, 260}, {15, 22.5f, 22.5f, 2, 1, 2, 2},
        {15, 37.5f, 29.6f, 2, 2, 2, 2},          {15, 0, 29, 0, 1, 0, 2},
        {15, -10, -10, -1, 0, -1, -1},           {15, 0, -4460, 0, -297, 0, -297},
        {12, 25200, 3900, 2100, 325, 2100, 325}, {12, 18, 18, 2, 1, 2, 2},
        {7.5f, 3900, 3900, 520, 487, 520, 520},
    };
    for (const Case& c : cases) {
        const PixelPoint p = topmost_position({c.left, c.top}, c.tpp);
        EXPECT_EQ(p.x, c.x) << c.tpp << " " << c.left;
        EXPECT_EQ(p.y, c.y) << c.tpp << " " << c.top;
        EXPECT_EQ(twips_to_pixels(c.left, c.tpp), c.left_px) << c.tpp << " " << c.left;
        EXPECT_EQ(twips_to_pixels(c.top, c.tpp), c.top_px) << c.tpp << " " << c.top;
    }
    // Screens in dots per inch and their twips per pixel; a screen that tells none is 96 DPI.
    const std::pair<int, float> dpis[] = {{96, 15}, {120, 12}, {144, 10}, {192, 7.5f}, {0, 15}};
    for (const auto& [dpi, tpp] : dpis) EXPECT_EQ(twips_per_pixel(dpi), tpp) << dpi;
    // A window's pixel rectangle in twips.
    const TwipRect t = pixels_to_twips({-3, 10, 237, 310}, 15);
    EXPECT_EQ(t.left, -45);
    EXPECT_EQ(t.top, 150);
    EXPECT_EQ(t.width, 3600);
    EXPECT_EQ(t.height, 4500);
}

TEST(Placement, DockStep) {
    struct Case {
        const char* what;
        DockInput in;
        std::optional<TwipPoint> to;  // nothing: the window stays
        bool front = false;
    };
    const Case cases[] = {
        {"dragged away, cursor outside", window_at(7500, 4500, 10, 10), {}},
        {"dragged away, cursor inside", window_at(7500, 4500, 600, 400), {}},
        {"top, cursor leaves", window_at(7500, 0, 600, 400), TwipPoint{7500, 40 - kH}},
        {"brought out at top, cursor leaves", window_at(7500, -10, 600, 400),
         TwipPoint{7500, 40 - kH}},
        {"hidden at top, cursor in strip", window_at(7500, 40 - kH, 600, 1), TwipPoint{7500, -10},
         true},
        {"cursor on the strip's edge is outside", window_at(7500, 40 - kH, 600, 3),
         TwipPoint{7500, 40 - kH}},
        {"4 pixels from the top touches", window_at(7500, 60, 600, 400), TwipPoint{7500, 40 - kH}},
        {"5 pixels from the top does not", window_at(7500, 75, 600, 400), {}},
        {"left, cursor leaves", window_at(0, 4500, 600, 400), TwipPoint{40 - kW, 4500}},
        {"hidden at left, cursor in strip", window_at(40 - kW, 4500, 1, 400), TwipPoint{-10, 4500},
         true},
        // The right edge is compared in twips: at one twip to the pixel a frame can end 4 or 5
        // twips short of the screen's edge.
        {"right edge at screen width - 4 twips",
         DockInput{{10, 4600}, {25196, 4500, 28796, 9000}, 1, kScreen},
         TwipPoint{kScreen - 40, 4500}},
        {"right edge at screen width - 5 twips",
         DockInput{{10, 4600}, {25195, 4500, 28795, 9000}, 1, kScreen},
         {}},
        {"right edge a pixel short of the screen's",
         window_at(kScreen - 15 - kW, 4500, 10, 400),
         {}},
        {"hidden at right, cursor in strip", window_at(kScreen - 40, 4500, 1918, 400),
         TwipPoint{kScreen - kW + 10, 4500}, true},
        {"top before left", window_at(0, 0, 600, 400), TwipPoint{0, 40 - kH}},
        // (Left −10 twips lies in the pixel at −1, 15 twips.)
        {"hidden top and left, cursor inside", window_at(-10, 40 - kH, 1, 1), TwipPoint{-15, -10},
         true},
        {"left before right", DockInput{{2000, 400}, {0, 300, 1920, 600}, 15, kScreen, false},
         TwipPoint{40 - kScreen, 4500}},
        {"minimised at the top edge", window_at(7500, 0, 600, 400, true), {}},
        {"minimised hidden, cursor in strip", window_at(7500, 40 - kH, 600, 1, true), {}},
        // The frame as the window manager draws it, wider and taller than the 240 × 300 client
        // area (borders of 4, a title bar of 22): hidden so that 40 twips of the frame stay.
        {"framed, at left", DockInput{{600, 400}, {0, 285, 248, 611}, 15, kScreen},
         TwipPoint{40 - 248 * 15, 285 * 15}},
        {"framed, at right", DockInput{{600, 400}, {1672, 285, 1920, 611}, 15, kScreen},
         TwipPoint{kScreen - 40, 285 * 15}},
        {"framed, at top", DockInput{{600, 400}, {500, 0, 748, 326}, 15, kScreen},
         TwipPoint{500 * 15, 40 - 326 * 15}},
        // The window manager kept 22 pixels of the hidden window on the screen where 3 were
        // asked for, but the window system still tells the place asked for: its word that the
        // pointer is over the window brings the window out.
        {"kept wider by the window manager, pointer in it",
         DockInput{{10, 400}, {-245, 285, 3, 611}, 15, kScreen, false, true}, TwipPoint{-10, 4275},
         true},
        {"the same, pointer away", DockInput{{600, 400}, {-245, 285, 3, 611}, 15, kScreen},
         TwipPoint{40 - 248 * 15, 4275}},
        // 120 DPI: 12 twips to the pixel.
        {"framed, at left, 120 DPI", DockInput{{600, 400}, {0, 285, 310, 692}, 12, kScreen},
         TwipPoint{40 - 310 * 12, 285 * 12}},
    };
    for (const Case& c : cases) {
        const std::optional<DockMove> move = dock_step(c.in);
        ASSERT_EQ(move.has_value(), c.to.has_value()) << c.what;
        if (!move) continue;
        EXPECT_EQ(move->position.left, c.to->left) << c.what;
        EXPECT_EQ(move->position.top, c.to->top) << c.what;
        EXPECT_EQ(move->bring_to_front, c.front) << c.what;
    }
}

TEST(FileFilter, QtForm) {
    struct Case {
        std::string filter, expected;
        std::vector<std::string> patterns;  // what Qt's file dialog takes out of each entry
    };
    const Case cases[] = {
        {kTextFilter,
         "文本文件(*.txt;*.dat) (*.txt *.dat);;文本文件(*.txt) (*.txt);;所有文件（*.*) (*)",
         {"*.txt *.dat", "*.txt", "*"}},
        {kChainBreakFilter,
         "文本文件(*.txt;*.dl) (*.txt *.dl);;所有文件（*.*) (*)",
         {"*.txt *.dl", "*"}},
        {"Text | *.txt ; *.dat ;", "Text (*.txt *.dat)", {"*.txt *.dat"}},
        {"全部", "全部 (*)", {"*"}},  // no patterns
        {"A|*.a|", "A (*.a)", {"*.a"}},
        {"", "", {}},
    };
    // Qt's dialog reads the patterns from the last parenthesised group of an entry.
    const std::regex entry(R"(^(.*)\(([a-zA-Z0-9_.,*? +;#\-\[\]@\{\}/!<>\$%&=^~:\|]*)\)$)");
    for (const Case& c : cases) {
        const std::string converted = qt_file_filter(c.filter);
        EXPECT_EQ(converted, c.expected);
        std::vector<std::string> found;
        std::string_view rest = converted;
        while (!rest.empty()) {
            const auto at = rest.find(";;");
            const std::string part(rest.substr(0, at));
            std::smatch m;
            found.push_back(std::regex_match(part, m, entry) ? m[2].str() : "?");
            rest = at == std::string_view::npos ? std::string_view() : rest.substr(at + 2);
        }
        EXPECT_EQ(found, c.patterns) << c.filter;
    }
}

// The dialog opens on every kind its step reads: the patterns of the entries, each once, in
// their order; nothing added where the first entry shows them all.
TEST(FileFilter, AllSupportedFirst) {
    const std::pair<std::string, std::string> cases[] = {
        {"A(*.txt;*.dat)|*.txt;*.dat|X|*.xml|B|*.DAT;*.zdm|所有文件|*.*",
         "所有支持的文件(*.txt;*.dat;*.xml;*.zdm)|*.txt;*.dat;*.xml;*.zdm|"
         "A(*.txt;*.dat)|*.txt;*.dat|X|*.xml|B|*.DAT;*.zdm|所有文件|*.*"},
        {kChainBreakFilter, kChainBreakFilter},
        {kTextFilter, kTextFilter},
        {"所有文件|*.*", "所有文件|*.*"},
        {"", ""},
    };
    for (const auto& [filter, expected] : cases)
        EXPECT_EQ(filter_with_all_supported(filter), expected) << filter;
}

TEST(FileFilter, WindowsForm) {
    using namespace std::string_literals;
    const std::pair<std::string, std::string> cases[] = {
        // The descriptions as written, each string closed by NUL, the list by a second NUL.
        {kTextFilter,
         "文本文件(*.txt;*.dat)\0*.txt;*.dat\0文本文件(*.txt)\0*.txt\0所有文件（*.*)\0*.*\0\0"s},
        {kChainBreakFilter, "文本文件(*.txt;*.dl)\0*.txt;*.dl\0所有文件（*.*)\0*.*\0\0"s},
        {"Text | *.txt ; *.dat ;", "Text \0*.txt;*.dat\0\0"s},
        {"全部", "全部\0*.*\0\0"s},  // no patterns: every file
        {"A|*.a|", "A\0*.a\0\0"s},
        {"|*.a;*.b|B|*.b", "*.a;*.b\0*.a;*.b\0B\0*.b\0\0"s},  // no description
        {"|", ""s},
        {"", ""s},
    };
    for (const auto& [filter, expected] : cases) {
        const std::string converted = win32_file_filter(filter);
        EXPECT_EQ(converted, expected) << filter;
        // Never an empty string inside the list: the dialog would take it for the end.
        if (!converted.empty()) {
            EXPECT_EQ(converted.find(std::string(2, '\0')), converted.size() - 2) << filter;
        }
    }
}

TEST(Paths, HelpFile) {
    struct Case {
        const char* folder;
        PathStyle style;
        const char* path;
    };
    const Case cases[] = {
        {"/usr/local/bin", PathStyle::posix, "/usr/local/bin/help/qelt.html"},
        {"/", PathStyle::posix, "/help/qelt.html"},        // file-system root: one separator
        {"C:\\", PathStyle::posix, "C:\\help/qelt.html"},  // drive root
        {"C:/", PathStyle::posix, "C:/help/qelt.html"},
        {"D:\\道路\\Qelt", PathStyle::posix, "D:\\道路\\Qelt/help/qelt.html"},
        {"/opt/qelt/", PathStyle::posix, "/opt/qelt/help/qelt.html"},
        {"C:\\Program Files\\Qelt", PathStyle::windows, "C:\\Program Files\\Qelt\\help\\qelt.html"},
        {"C:\\", PathStyle::windows, "C:\\help\\qelt.html"},  // drive root: one separator
        {"\\\\srv\\软件", PathStyle::windows, "\\\\srv\\软件\\help\\qelt.html"},
    };
    for (const Case& c : cases) EXPECT_EQ(help_file_path(c.folder, c.style), c.path) << c.folder;
}

TEST(Paths, FolderAndName) {
    struct Case {
        const char* path;
        const char* folder;
        const char* name;
    };
    const Case cases[] = {
        {"/d/zk.txt", "/d", "zk.txt"},    {"/zk.txt", "/", "zk.txt"},
        {"zk.txt", "", "zk.txt"},         {"C:\\工程\\桥梁钻孔.TXT", "C:\\工程", "桥梁钻孔.TXT"},
        {"C:\\zk.txt", "C:\\", "zk.txt"}, {"C:/zk.txt", "C:/", "zk.txt"},
        {"C:zk.txt", "C:", "zk.txt"},     {"\\\\srv\\share\\zk.txt", "\\\\srv\\share", "zk.txt"},
        {"D:\\a/b\\zk", "D:\\a/b", "zk"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(folder_of(c.path), c.folder) << c.path;
        EXPECT_EQ(file_name_of(c.path), c.name) << c.path;
    }
}

TEST(Paths, DialogStartFolder) {
    // Each open-file dialog starts in the folder of the file chosen last; the first of the
    // program's life starts in Documents.
    struct Case {
        const char* last_chosen_file;
        const char* folder;
    };
    const Case cases[] = {
        {"", "/home/li/文档"},  // nothing chosen yet
        {"/proj/G15/zk.txt", "/proj/G15"},
        {"/zk.txt", "/"},
        {"D:\\工程\\G15\\平面.dat", "D:\\工程\\G15"},
        {"C:\\zk.txt", "C:\\"},
        {"\\\\srv\\资料\\zk.txt", "\\\\srv\\资料"},
        {"zk.txt", "/home/li/文档"},  // a bare name tells no folder
    };
    for (const Case& c : cases)
        EXPECT_EQ(dialog_start_folder(c.last_chosen_file, "/home/li/文档"), c.folder)
            << c.last_chosen_file;
}

TEST(Paths, WorkbookName) {
    const std::string t = "_钻孔数量及位置表";
    struct Case {
        std::string borehole_file;
        std::set<std::string> existing;  // "*": every name
        std::string path;                // empty: no free name
        PathStyle style = PathStyle::posix;
        std::string folder = "/out";
        std::string suffix = "_钻孔数量及位置表";  // the as-drilled table's, the drawing's
        std::string extension = ".xlsx";
    };
    const PathStyle posix = PathStyle::posix;
    const Case cases[] = {
        {"/d/mainline-boreholes.txt", {}, "/out/mainline-boreholes" + t + ".xlsx"},
        {"/d/sc.txt", {}, "/out/sc_钻孔桩号及偏距表.xlsx", posix, "/out", "_钻孔桩号及偏距表"},
        // The drawing is numbered by its own names, whatever the workbook's are.
        {"/d/zk.txt",
         {"/out/zk" + t + ".xlsx", "/out/zk_钻孔平面布置图.dxf"},
         "/out/zk_钻孔平面布置图 (2).dxf",
         posix,
         "/out",
         "_钻孔平面布置图",
         ".dxf"},
        {"/d/zk.txt", {"/out/zk" + t + ".xlsx"}, "/out/zk" + t + " (2).xlsx"},
        {"/d/zk.txt",
         {"/out/zk" + t + ".xlsx", "/out/zk" + t + " (2).xlsx"},
         "/out/zk" + t + " (3).xlsx"},
        {"/d/zk.txt", {"/out/zk" + t + " (2).xlsx"}, "/out/zk" + t + ".xlsx"},
        {"/d/bridge.v2.dat", {}, "/out/bridge.v2" + t + ".xlsx"},
        {"/d/钻孔", {}, "/out/钻孔" + t + ".xlsx"},
        {"/d.v2/list", {}, "/out/list" + t + ".xlsx"},  // a dot in the folder is no extension
        {"/d/.zk", {}, "/out/.zk" + t + ".xlsx"},       // nor is a leading dot
        {"C:\\工程\\桥梁钻孔.TXT", {}, "/out/桥梁钻孔" + t + ".xlsx"},
        {"/d/zk.txt", {"*"}, ""},
        {"C:\\工程\\zk.txt",
         {"C:\\工程\\zk" + t + ".xlsx"},
         "C:\\工程\\zk" + t + " (2).xlsx",
         PathStyle::windows,
         "C:\\工程"},
        {"C:\\zk.txt", {}, "C:\\zk" + t + ".xlsx", PathStyle::windows, "C:\\"},
    };
    for (const Case& c : cases) {
        const auto exists = [&](const std::string& p) {
            return c.existing.count("*") || c.existing.count(p);
        };
        const auto found = free_workbook_path(c.folder, workbook_stem(c.borehole_file, c.suffix),
                                              exists, c.style, c.extension);
        EXPECT_EQ(found.value_or(""), c.path) << c.borehole_file;
    }
}

TEST(Delivery, NoticesText) {
    const auto notices = [](int count) {
        std::vector<std::string> list;
        for (int i = 1; i <= count; ++i) list.push_back("第 " + std::to_string(i) + " 条");
        return list;
    };
    const auto lines_of = [](const std::string& text) {
        std::vector<std::string> lines;
        std::size_t from = 0;
        for (std::size_t at; (at = text.find('\n', from)) != std::string::npos; from = at + 1)
            lines.push_back(text.substr(from, at - from));
        lines.push_back(text.substr(from));
        return lines;
    };
    struct Case {
        int count;
        std::size_t lines;  // in the box
        std::string last;   // its last line
    };
    const Case cases[] = {
        {1, 1, "第 1 条"},
        {20, 20, "第 20 条"},
        {21, 21, "……其余 1 条提示从略"},
        {1000, 21, "……其余 980 条提示从略"},
    };
    for (const Case& c : cases) {
        const std::vector<std::string> lines = lines_of(notices_text(notices(c.count)));
        ASSERT_EQ(lines.size(), c.lines) << c.count;
        EXPECT_EQ(lines.front(), "第 1 条");
        EXPECT_EQ(lines.back(), c.last);
        if (c.count > 20) {
            EXPECT_EQ(lines[19], "第 20 条");
        }
    }
}
