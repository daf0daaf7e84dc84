// The desktop program's rules as plain functions: window placement, edge docking, the dialog
// filters, the help file's path and the workbook's name. One table of cases per rule.

#include <QRegularExpression>
#include <QtTest>
#include <set>

#include "app/gui/file_rules.h"
#include "app/gui/placement.h"
#include "app/gui/table_run.h"
#include "app/run.h"

using namespace qelt;
using namespace qelt::gui;

namespace {

// A 240 × 300 pixel window (3600 × 4500 twips) on a 1920 pixel (28800 twip) wide screen.
constexpr float kScreen = 28800, kW = 3600, kH = 4500;

DockInput window_at(float left, float top, int cursor_x, int cursor_y, bool minimised = false) {
    const int l = twips_to_pixels(left), t = twips_to_pixels(top);
    return {
        {cursor_x, cursor_y}, {l, t, l + 240, t + 300}, {left, top, kW, kH}, kScreen, minimised};
}

}  // namespace

class GuiRulesTest : public QObject {
    Q_OBJECT
  private slots:
    void placement();
    void dockStep();
    void fileFilter();
    void helpPath();
    void workbookPath();
    void noticesText();
};

void GuiRulesTest::placement() {
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
        QCOMPARE(p.left, c.left);
        QCOMPARE(p.top, c.top);
    }
    // Twips to pixels: topmost x rounds the quotient (halves to even), topmost y divides the
    // rounded twips towards zero; a moved edge rounds.
    struct Pixels {
        float left, top;
        int x, y, left_px, top_px;
    };
    const Pixels pixels[] = {
        {25200, 3900, 1680, 260, 1680, 260}, {22.5f, 22.5f, 2, 1, 2, 2},
        {37.5f, 29.6f, 2, 2, 2, 2},          {0, 29, 0, 1, 0, 2},
        {-10, -10, -1, 0, -1, -1},           {0, -4460, 0, -297, 0, -297},
    };
    for (const Pixels& c : pixels) {
        const PixelPoint p = topmost_position({c.left, c.top});
        QCOMPARE(p.x, c.x);
        QCOMPARE(p.y, c.y);
        QCOMPARE(twips_to_pixels(c.left), c.left_px);
        QCOMPARE(twips_to_pixels(c.top), c.top_px);
    }
}

void GuiRulesTest::dockStep() {
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
        {"right edge at screen width - 4 twips", window_at(kScreen - 4 - kW, 4500, 10, 400),
         TwipPoint{kScreen - 40, 4500}},
        {"right edge at screen width - 5 twips", window_at(kScreen - 5 - kW, 4500, 10, 400), {}},
        {"hidden at right, cursor in strip", window_at(kScreen - 40, 4500, 1918, 400),
         TwipPoint{kScreen - kW + 10, 4500}, true},
        {"top before left", window_at(0, 0, 600, 400), TwipPoint{0, 40 - kH}},
        {"hidden top and left, cursor inside", window_at(-10, 40 - kH, 1, 1), TwipPoint{-10, -10},
         true},
        {"left before right",
         DockInput{{2000, 400}, {0, 300, 1920, 600}, {0, 4500, kScreen, kH}, kScreen, false},
         TwipPoint{40 - kScreen, 4500}},
        {"minimised at the top edge", window_at(7500, 0, 600, 400, true), {}},
        {"minimised hidden, cursor in strip", window_at(7500, 40 - kH, 600, 1, true), {}},
    };
    for (const Case& c : cases) {
        const std::optional<DockMove> move = dock_step(c.in);
        QVERIFY2(move.has_value() == c.to.has_value(), c.what);
        if (!move) continue;
        QVERIFY2(move->position.left == c.to->left && move->position.top == c.to->top, c.what);
        QVERIFY2(move->bring_to_front == c.front, c.what);
    }
}

void GuiRulesTest::fileFilter() {
    struct Case {
        QString filter, expected;
        QStringList patterns;  // what Qt's file dialog takes out of each entry
    };
    const Case cases[] = {
        {kAlignmentDialog.filter,
         "文本文件(*.txt;*.dat) (*.txt *.dat);;文本文件(*.txt) (*.txt);;所有文件（*.*) (*)",
         {"*.txt *.dat", "*.txt", "*"}},
        {kChainBreakDialog.filter,
         "文本文件(*.txt;*.dl) (*.txt *.dl);;所有文件（*.*) (*)",
         {"*.txt *.dl", "*"}},
        {"Text | *.txt ; *.dat ;", "Text (*.txt *.dat)", {"*.txt *.dat"}},
        {"全部", "全部 (*)", {"*"}},  // no patterns
        {"A|*.a|", "A (*.a)", {"*.a"}},
        {"", "", {}},
    };
    // Qt's dialog reads the patterns from the last parenthesised group of an entry.
    const QRegularExpression entry(
        QStringLiteral("^(.*)\\(([a-zA-Z0-9_.,*? +;#\\-\\[\\]@\\{\\}/!<>\\$%&=^~:\\|]*)\\)$"));
    for (const Case& c : cases) {
        const QString converted = QString::fromStdString(qt_file_filter(c.filter.toStdString()));
        QCOMPARE(converted, c.expected);
        QStringList found;
        for (const QString& part : converted.split(QStringLiteral(";;"), Qt::SkipEmptyParts))
            found << entry.match(part).captured(2);
        QCOMPARE(found, c.patterns);
    }
}

void GuiRulesTest::helpPath() {
    const std::pair<const char*, const char*> cases[] = {
        {"/usr/local/bin", "/usr/local/bin/help/qelt.html"},
        {"/", "/help/qelt.html"},        // file-system root: one separator
        {"C:\\", "C:\\help/qelt.html"},  // drive root
        {"C:/", "C:/help/qelt.html"},
        {"D:\\道路\\Qelt", "D:\\道路\\Qelt/help/qelt.html"},
        {"/opt/qelt/", "/opt/qelt/help/qelt.html"},
    };
    for (const auto& [folder, path] : cases) QCOMPARE(help_file_path(folder), std::string(path));
}

void GuiRulesTest::workbookPath() {
    const std::string t = "_钻孔数量及位置表";
    struct Case {
        std::string borehole_file;
        std::set<std::string> existing;  // "*": every name
        std::string path;                // empty: no free name
    };
    const Case cases[] = {
        {"/d/mainline-boreholes.txt", {}, "/out/mainline-boreholes" + t + ".xlsx"},
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
    };
    for (const Case& c : cases) {
        const auto exists = [&](const std::string& p) {
            return c.existing.count("*") || c.existing.count(p);
        };
        const auto found = free_workbook_path("/out", workbook_stem(c.borehole_file), exists);
        QCOMPARE(found.value_or(""), c.path);
    }
}

void GuiRulesTest::noticesText() {
    const auto notices = [](int count) {
        std::vector<std::string> list;
        for (int i = 1; i <= count; ++i) list.push_back("第 " + std::to_string(i) + " 条");
        return list;
    };
    struct Case {
        int count;
        int lines;         // in the box
        std::string last;  // its last line
    };
    const Case cases[] = {
        {1, 1, "第 1 条"},
        {20, 20, "第 20 条"},
        {21, 21, "……其余 1 条提示从略"},
        {1000, 21, "……其余 980 条提示从略"},
    };
    for (const Case& c : cases) {
        const QStringList lines =
            QString::fromStdString(notices_text(notices(c.count))).split('\n');
        QCOMPARE(lines.size(), c.lines);
        QCOMPARE(lines.front(), QStringLiteral("第 1 条"));
        QCOMPARE(lines.back().toStdString(), c.last);
        if (c.count > 20) QCOMPARE(lines[19], QStringLiteral("第 20 条"));
    }
}

QTEST_APPLESS_MAIN(GuiRulesTest)
#include "gui_rules_test.moc"
