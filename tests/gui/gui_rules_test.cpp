// The desktop program's rules as plain functions: window placement, edge docking, the dialog
// filters, the help file's path and the workbook's name.

#include <QRegularExpression>
#include <QtTest>
#include <set>

#include "app/gui/file_rules.h"
#include "app/gui/placement.h"
#include "app/run.h"

using namespace qelt;
using namespace qelt::gui;

class GuiRulesTest : public QObject {
    Q_OBJECT
  private slots:
    void centerForm_data();
    void centerForm();
    void pixelConversion_data();
    void pixelConversion();
    void dockStep_data();
    void dockStep();
    void fileFilter_data();
    void fileFilter();
    void helpPath_data();
    void helpPath();
    void workbookPath_data();
    void workbookPath();
};

void GuiRulesTest::centerForm_data() {
    QTest::addColumn<int>("placement");  // 0 CenterForm, 1 CenterForm1 left, 2 CenterForm1 right
    QTest::addColumn<float>("screenWidth");
    QTest::addColumn<float>("screenHeight");
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("height");
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("top");
    QTest::newRow("1920x1080, a third of the free height")
        << 0 << 28800.f << 16200.f << 6200.f << 1800.f << 11300.f << 4800.f;
    QTest::newRow("main window") << 0 << 28800.f << 16200.f << 6075.f << 1320.f << 11362.5f
                                 << 4960.f;
    QTest::newRow("window larger than screen")
        << 0 << 12000.f << 9000.f << 15000.f << 12000.f << -1500.f << -1000.f;
    QTest::newRow("promotional, left edge")
        << 1 << 28800.f << 16200.f << 3600.f << 4500.f << 0.f << 3900.f;
    QTest::newRow("promotional, right edge")
        << 2 << 28800.f << 16200.f << 3600.f << 4500.f << 25200.f << 3900.f;
}

void GuiRulesTest::centerForm() {
    QFETCH(int, placement);
    QFETCH(float, screenWidth);
    QFETCH(float, screenHeight);
    QFETCH(float, width);
    QFETCH(float, height);
    QFETCH(float, left);
    QFETCH(float, top);
    const TwipPoint p = placement == 0
                            ? center_form(screenWidth, screenHeight, width, height)
                            : center_form1(placement == 1 ? ScreenEdge::left : ScreenEdge::right,
                                           screenWidth, screenHeight, width, height);
    QCOMPARE(p.left, left);
    QCOMPARE(p.top, top);
}

void GuiRulesTest::pixelConversion_data() {
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("top");
    QTest::addColumn<int>("x");  // topmost_position
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("leftPixels");  // twips_to_pixels(left)
    QTest::addColumn<int>("topPixels");   // twips_to_pixels(top)
    QTest::newRow("whole pixels") << 25200.f << 3900.f << 1680 << 260 << 1680 << 260;
    // x rounds the quotient (halves to even); y divides the rounded twips, towards zero.
    QTest::newRow("half pixels") << 22.5f << 22.5f << 2 << 1 << 2 << 2;
    QTest::newRow("half pixel to even") << 37.5f << 29.6f << 2 << 2 << 2 << 2;
    QTest::newRow("y truncates") << 0.f << 29.f << 0 << 1 << 0 << 2;
    QTest::newRow("brought out at the top") << -10.f << -10.f << -1 << 0 << -1 << -1;
    QTest::newRow("hidden at the top") << 0.f << -4460.f << 0 << -297 << 0 << -297;
}

void GuiRulesTest::pixelConversion() {
    QFETCH(float, left);
    QFETCH(float, top);
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(int, leftPixels);
    QFETCH(int, topPixels);
    const PixelPoint p = topmost_position({left, top});
    QCOMPARE(p.x, x);
    QCOMPARE(p.y, y);
    QCOMPARE(twips_to_pixels(left), leftPixels);
    QCOMPARE(twips_to_pixels(top), topPixels);
}

// A 240 × 300 pixel window (3600 × 4500 twips) on a 1920 pixel (28800 twip) wide screen.
namespace {

constexpr float kScreen = 28800;
constexpr float kW = 3600, kH = 4500;

DockInput window_at(float left, float top, int cursor_x, int cursor_y, bool minimised = false) {
    DockInput in;
    in.cursor = {cursor_x, cursor_y};
    in.window = {left, top, kW, kH};
    const int l = twips_to_pixels(left), t = twips_to_pixels(top);
    in.rect = {l, t, l + static_cast<int>(kW) / 15, t + static_cast<int>(kH) / 15};
    in.screen_width = kScreen;
    in.minimised = minimised;
    return in;
}

}  // namespace

Q_DECLARE_METATYPE(DockInput)

void GuiRulesTest::dockStep_data() {
    QTest::addColumn<DockInput>("in");
    QTest::addColumn<bool>("moves");
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("top");
    QTest::addColumn<bool>("front");
    // Dragged away from every edge: stays, cursor outside or inside.
    QTest::newRow("dragged away, cursor outside")
        << window_at(7500, 4500, 10, 10) << false << 0.f << 0.f << false;
    QTest::newRow("dragged away, cursor inside")
        << window_at(7500, 4500, 600, 400) << false << 0.f << 0.f << false;
    // Top edge: hidden to a 40 twip strip; back to −10 once the cursor is in the strip.
    QTest::newRow("top, cursor leaves")
        << window_at(7500, 0, 600, 400) << true << 7500.f << 40 - kH << false;
    QTest::newRow("brought-out top, cursor leaves")
        << window_at(7500, -10, 600, 400) << true << 7500.f << 40 - kH << false;
    QTest::newRow("hidden at top, cursor in strip")
        << window_at(7500, 40 - kH, 600, 1) << true << 7500.f << -10.f << true;
    QTest::newRow("hidden at top, cursor on strip's edge: not inside")
        << window_at(7500, 40 - kH, 600, 3) << true << 7500.f << 40 - kH << false;
    QTest::newRow("touching within 4 pixels")
        << window_at(7500, 60, 600, 400) << true << 7500.f << 40 - kH << false;
    QTest::newRow("5 pixels from the top")
        << window_at(7500, 75, 600, 400) << false << 0.f << 0.f << false;
    // Left edge.
    QTest::newRow("left, cursor leaves")
        << window_at(0, 4500, 600, 400) << true << 40 - kW << 4500.f << false;
    QTest::newRow("hidden at left, cursor in strip")
        << window_at(40 - kW, 4500, 1, 400) << true << -10.f << 4500.f << true;
    QTest::newRow("cursor on the left edge pixel: not inside")
        << window_at(40 - kW, 4500, -237, 400) << true << 40 - kW << 4500.f << false;
    // Right edge, compared in twips.
    QTest::newRow("right edge at screen width - 4")
        << window_at(kScreen - 4 - kW, 4500, 10, 400) << true << kScreen - 40 << 4500.f << false;
    QTest::newRow("right edge at screen width - 5")
        << window_at(kScreen - 5 - kW, 4500, 10, 400) << false << 0.f << 0.f << false;
    QTest::newRow("hidden at right, cursor in strip")
        << window_at(kScreen - 40, 4500, 1918, 400) << true << kScreen - kW + 10 << 4500.f << true;
    // Precedence: top over left over right.
    QTest::newRow("top-left corner, cursor leaves")
        << window_at(0, 0, 600, 400) << true << 0.f << 40 - kH << false;
    QTest::newRow("hidden top and left, cursor inside")
        << window_at(-10, 40 - kH, 1, 1) << true << -10.f << -10.f << true;
    QTest::newRow("left wins over right")
        << DockInput{{2000, 400}, {0, 300, 1920, 600}, {0, 4500, kScreen, kH}, kScreen, false}
        << true << 40 - kScreen << 4500.f << false;
    // Minimised: never moved, whatever the cursor and the edges.
    QTest::newRow("minimised at top")
        << window_at(7500, 0, 600, 400, true) << false << 0.f << 0.f << false;
    QTest::newRow("minimised hidden, cursor in strip")
        << window_at(7500, 40 - kH, 600, 1, true) << false << 0.f << 0.f << false;
}

void GuiRulesTest::dockStep() {
    QFETCH(DockInput, in);
    QFETCH(bool, moves);
    QFETCH(float, left);
    QFETCH(float, top);
    QFETCH(bool, front);
    const std::optional<DockMove> move = dock_step(in);
    QCOMPARE(move.has_value(), moves);
    if (!move) return;
    QCOMPARE(move->position.left, left);
    QCOMPARE(move->position.top, top);
    QCOMPARE(move->bring_to_front, front);
}

void GuiRulesTest::fileFilter_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QStringList>("patterns");  // what Qt's dialog takes out of each entry
    QTest::newRow("alignment and boreholes")
        << QString::fromUtf8(kAlignmentDialog.filter)
        << QStringLiteral(
               "文本文件(*.txt;*.dat) (*.txt *.dat);;文本文件(*.txt) (*.txt);;"
               "所有文件（*.*) (*)")
        << QStringList{"*.txt *.dat", "*.txt", "*"};
    QTest::newRow("chain breaks") << QString::fromUtf8(kChainBreakDialog.filter)
                                  << QStringLiteral(
                                         "文本文件(*.txt;*.dl) (*.txt *.dl);;所有文件（*.*) (*)")
                                  << QStringList{"*.txt *.dl", "*"};
    QTest::newRow("blanks around patterns")
        << QStringLiteral("Text | *.txt ; *.dat ;") << QStringLiteral("Text (*.txt *.dat)")
        << QStringList{"*.txt *.dat"};
    QTest::newRow("description without patterns")
        << QStringLiteral("全部") << QStringLiteral("全部 (*)") << QStringList{"*"};
    QTest::newRow("trailing bar") << QStringLiteral("A|*.a|") << QStringLiteral("A (*.a)")
                                  << QStringList{"*.a"};
    QTest::newRow("empty") << QString() << QString() << QStringList{};
}

void GuiRulesTest::fileFilter() {
    QFETCH(QString, filter);
    QFETCH(QString, expected);
    QFETCH(QStringList, patterns);
    const QString converted = QString::fromStdString(qt_file_filter(filter.toStdString()));
    QCOMPARE(converted, expected);
    // The pattern list Qt's file dialog reads from an entry: the last parenthesised group.
    const QRegularExpression entry(
        QStringLiteral("^(.*)\\(([a-zA-Z0-9_.,*? +;#\\-\\[\\]@\\{\\}/!<>\\$%&=^~:\\|]*)\\)$"));
    QStringList found;
    for (const QString& part : converted.split(QStringLiteral(";;"), Qt::SkipEmptyParts)) {
        const auto m = entry.match(part);
        QVERIFY2(m.hasMatch(), qPrintable(part));
        found << m.captured(2);
    }
    QCOMPARE(found, patterns);
}

void GuiRulesTest::helpPath_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("path");
    QTest::newRow("folder") << "/usr/local/bin"
                            << "/usr/local/bin/help/qelt.html";
    QTest::newRow("file-system root") << "/"
                                      << "/help/qelt.html";
    QTest::newRow("drive root") << "C:\\"
                                << "C:\\help/qelt.html";
    QTest::newRow("drive root, forward slash") << "C:/"
                                               << "C:/help/qelt.html";
    QTest::newRow("Windows folder") << "D:\\道路\\Qelt"
                                    << "D:\\道路\\Qelt/help/qelt.html";
    QTest::newRow("trailing separator") << "/opt/qelt/"
                                        << "/opt/qelt/help/qelt.html";
}

void GuiRulesTest::helpPath() {
    QFETCH(QString, folder);
    QFETCH(QString, path);
    QCOMPARE(QString::fromStdString(help_file_path(folder.toStdString())), path);
}

void GuiRulesTest::workbookPath_data() {
    QTest::addColumn<QString>("boreholeFile");
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("path");  // empty: no free name
    const QString t = QStringLiteral("_钻孔数量及位置表");
    QTest::newRow("fresh folder") << "/d/mainline-boreholes.txt" << QStringList{}
                                  << "/out/mainline-boreholes" + t + ".xlsx";
    QTest::newRow("taken once") << "/d/zk.txt" << QStringList{"/out/zk" + t + ".xlsx"}
                                << "/out/zk" + t + " (2).xlsx";
    QTest::newRow("taken twice") << "/d/zk.txt"
                                 << QStringList{"/out/zk" + t + ".xlsx",
                                                "/out/zk" + t + " (2).xlsx"}
                                 << "/out/zk" + t + " (3).xlsx";
    QTest::newRow("gap at the first")
        << "/d/zk.txt" << QStringList{"/out/zk" + t + " (2).xlsx"} << "/out/zk" + t + ".xlsx";
    QTest::newRow("several dots") << "/d/bridge.v2.dat" << QStringList{}
                                  << "/out/bridge.v2" + t + ".xlsx";
    QTest::newRow("no extension") << "/d/钻孔" << QStringList{} << "/out/钻孔" + t + ".xlsx";
    QTest::newRow("dot in the folder only")
        << "/d.v2/list" << QStringList{} << "/out/list" + t + ".xlsx";
    QTest::newRow("leading dot is no extension")
        << "/d/.zk" << QStringList{} << "/out/.zk" + t + ".xlsx";
    QTest::newRow("Windows path") << "C:\\工程\\桥梁钻孔.TXT" << QStringList{}
                                  << "/out/桥梁钻孔" + t + ".xlsx";
    QTest::newRow("every name taken") << "/d/zk.txt" << QStringList{"*"} << QString();
}

void GuiRulesTest::workbookPath() {
    QFETCH(QString, boreholeFile);
    QFETCH(QStringList, existing);
    QFETCH(QString, path);
    std::set<std::string> taken;
    for (const QString& e : existing) taken.insert(e.toStdString());
    const auto exists = [&](const std::string& p) { return taken.count("*") || taken.count(p); };
    const std::optional<std::string> found =
        free_workbook_path("/out", workbook_stem(boreholeFile.toStdString()), exists);
    QCOMPARE(found.has_value(), !path.isEmpty());
    if (found) QCOMPARE(QString::fromStdString(*found), path);
}

QTEST_APPLESS_MAIN(GuiRulesTest)
#include "gui_rules_test.moc"
