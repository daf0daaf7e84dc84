// The desktop program's windows driven as a user would, with the desktop scripted: the dialogs
// answer from a list, messages and opened documents are recorded.

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyleOptionGroupBox>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>
#include <deque>

#include "app/forms/file_rules.h"
#include "app/forms/form.h"
#include "app/forms/maker.h"
#include "app/gui/about_window.h"
#include "app/gui/list_window.h"
#include "app/gui/main_window.h"
#include "app/gui/promo_window.h"
#include "app/gui/services.h"
#include "app/gui/window_geometry.h"

using namespace qelt::gui;
using namespace qelt::forms;

namespace {

struct Message {
    MessageKind kind;
    QString title, text;
};

// The desktop as the tests script it.
struct FakeDesktop {
    std::deque<QString> answers;  // the open-file dialogs' answers in turn; "" cancels
    QStringList dialog_titles, dialog_filters, dialog_folders;
    std::optional<std::size_t> list_answer;  // the list window's; nothing cancels it
    QStringList listed;
    std::vector<Message> messages;
    QList<QUrl> opened;
    bool open_succeeds = true, folders_writable = true;
    QString documents;
    int ended = 0;

    GuiServices services(bool promotional_windows = false) {
        GuiServices s;
        s.choose_file = [this](QWidget*, const QString& title, const QString& filter,
                               const QString& start_folder) {
            dialog_titles << title;
            dialog_filters << filter;
            dialog_folders << start_folder;
            const QString answer = answers.empty() ? QString() : answers.front();
            if (!answers.empty()) answers.pop_front();
            return answer.isEmpty() ? std::nullopt : std::optional<QString>(answer);
        };
        s.choose_from_list = [this](QWidget*, const QString&, const QString&,
                                    const QStringList& items) {
            listed = items;
            return list_answer;
        };
        s.show_message = [this](QWidget*, MessageKind kind, const QString& title,
                                const QString& text) {
            messages.push_back({kind, title, text});
        };
        s.open_url = [this](const QUrl& url) {
            opened << url;
            return open_succeeds;
        };
        s.documents_folder = [this] { return documents; };
        s.folder_writable = [this](const QString&) { return folders_writable; };
        s.end_program = [this] { ++ended; };
        s.promotional_windows = promotional_windows;
        return s;
    }
};

const QString kTable = QStringLiteral("_钻孔数量及位置表");
const QString kErrorText = QStringLiteral("数据文件格式有误或操作不当！");

// Workbooks and leftover temporary files in a folder, sorted.
QStringList workbooks(const QString& folder) {
    return QDir(folder).entryList({"*.xlsx*", ".*.tmp"}, QDir::Files | QDir::Hidden, QDir::Name);
}

QAbstractButton* button(QWidget& w, const char* name) {
    return w.findChild<QAbstractButton*>(name);
}

// Copies the example input files (GBK, as users save them) into `folder`.
QString examples(const QTemporaryDir& dir) {
    const QDir source(QStringLiteral(QELT_SOURCE_DIR "/examples"));
    for (const QString& name : source.entryList({"*.txt"}, QDir::Files))
        QFile::copy(source.filePath(name), dir.filePath(name));
    return dir.path();
}

}  // namespace

class GuiWindowsTest : public QObject {
    Q_OBJECT
  private slots:
    void windowsMatchDescription();
    void mainWindow();
    void coordinateTableWritesWorkbook();
    void asDrilledTableWritesWorkbook();
    void lineTablesWriteBothWorkbooks();
    void runEndings();
    void filesTheRunTellsApart();
    void workbookDelivery();
    void workbookCannotBeWritten();
    void noticesAfterDelivery();
    void helpOpensManualBesideProgram();
    void aboutWindowIsModal();
    void listWindowChoosesOrCancels();
    void promotionalWindows();
    void promotionalWindowDocks();
    void dialogsSpeakChinese();
    void dialogsStartWhereTheUserWas();
    void nothingOpensTheTarget();
    void methodFrameLooksLikeFrame();
};

// Every control of every form exists in the Qt window with its kind, caption, parent and
// geometry (twips / 15), and nothing else is there.
void GuiWindowsTest::windowsMatchDescription() {
    FakeDesktop desktop;
    QeltFrm main(desktop.services());
    AboutFrm about(desktop.services());
    AdFrm right(AdFrm::Side::right, desktop.services());
    AdFrm left(AdFrm::Side::left, desktop.services());
    XlFrm list({}, {}, {});
    const std::pair<QWidget*, const Form*> windows[] = {
        {&main, &main_form()},
        {&about, &about_form()},
        {&list, &alignment_list_form()},
        {&right, &promo_form(ScreenEdge::right)},
        {&left, &promo_form(ScreenEdge::left)},
    };
    for (const auto& [window, form] : windows) {
        QCOMPARE(window->objectName(), QString::fromUtf8(form->name));
        QCOMPARE(window->windowTitle(), QString::fromUtf8(form->caption));
        QCOMPARE(window->size(), QSize(form->width / 15, form->height / 15));
        QCOMPARE(window->font().pointSize(), 9);
        QStringList described;
        for (const Control& c : form->controls) {
            const QString name = QString::fromUtf8(c.name);
            described << name;
            QWidget* w = window->findChild<QWidget*>(name);
            QVERIFY2(w, c.name);
            QCOMPARE(w->parentWidget()->objectName(),
                     QString::fromUtf8(c.parent ? c.parent : form->name));
            QCOMPARE(w->geometry(), QRect(c.rect.left / 15, c.rect.top / 15, c.rect.width / 15,
                                          c.rect.height / 15));
            QString text;
            bool kind_matches = false;
            switch (c.kind) {
                case ControlKind::frame:
                    kind_matches = qobject_cast<QGroupBox*>(w);
                    if (kind_matches) text = qobject_cast<QGroupBox*>(w)->title();
                    break;
                case ControlKind::option_button:
                    kind_matches = qobject_cast<QRadioButton*>(w);
                    if (kind_matches) {
                        text = qobject_cast<QRadioButton*>(w)->text();
                        QCOMPARE(qobject_cast<QRadioButton*>(w)->isChecked(), c.selected);
                    }
                    break;
                case ControlKind::check_box:
                    kind_matches = qobject_cast<QCheckBox*>(w);
                    if (kind_matches) {
                        text = qobject_cast<QCheckBox*>(w)->text();
                        QVERIFY(!qobject_cast<QCheckBox*>(w)->isChecked());
                    }
                    break;
                case ControlKind::push_button:
                    kind_matches = qobject_cast<QPushButton*>(w);
                    if (kind_matches) {
                        text = qobject_cast<QPushButton*>(w)->text();
                        QCOMPARE(qobject_cast<QPushButton*>(w)->isDefault(), c.default_button);
                    }
                    break;
                case ControlKind::label:
                case ControlKind::picture:
                    kind_matches = qobject_cast<QLabel*>(w);
                    if (kind_matches) text = qobject_cast<QLabel*>(w)->text();
                    if (c.kind == ControlKind::picture && c.look != Look::header_band)
                        QVERIFY2(!qobject_cast<QLabel*>(w)->pixmap().isNull(), c.name);
                    break;
                case ControlKind::line:
                    kind_matches = qobject_cast<QFrame*>(w) &&
                                   qobject_cast<QFrame*>(w)->frameShape() == QFrame::HLine;
                    break;
                case ControlKind::browser:
                    kind_matches = qobject_cast<QTextBrowser*>(w);
                    break;
                case ControlKind::list:
                    kind_matches = qobject_cast<QListWidget*>(w) &&
                                   qobject_cast<QListWidget*>(w)->selectionMode() ==
                                       QAbstractItemView::SingleSelection;
                    break;
            }
            QVERIFY2(kind_matches, c.name);
            QCOMPARE(text, QString::fromUtf8(c.caption));
            QCOMPARE(w->toolTip(), QString::fromUtf8(c.tip ? c.tip : ""));
        }
        // No control that the description does not have (timers are not widgets).
        QStringList built;
        for (QWidget* w : window->findChildren<QWidget*>())
            if (!w->objectName().isEmpty() && !w->objectName().startsWith("qt_"))
                built << w->objectName();
        built.sort();
        described.sort();
        QCOMPARE(built, described);
    }
}

void GuiWindowsTest::mainWindow() {
    FakeDesktop desktop;
    QeltFrm window(desktop.services());
    QCOMPARE(window.objectName(), QStringLiteral("qeltfrm"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Qelt V2.0"));
    // 6075 × 2040 twips: the row of 地面高程 under 设计高程 and 对比计划 grew the window by 240.
    QCOMPARE(window.size(), QSize(405, 136));
    struct Control {
        const char* name;
        const char* parent;
        QString caption;
        QRect twips;
    };
    const Control controls[] = {
        {"Frame1", "qeltfrm", "方 法", {360, 120, 2415, 975}},
        {"Option1", "Frame1", "交点法―主线", {345, 240, 1575, 300}},
        {"Option2", "Frame1", "积木法―互通", {345, 600, 1455, 255}},
        {"Command1", "qeltfrm", "  坐标表", {3120, 240, 1215, 375}},
        {"xpcmdbutton2", "qeltfrm", "  更多软件", {4515, 240, 1215, 375}},
        {"xpcmdbutton1", "qeltfrm", "  帮 助", {3120, 720, 1215, 375}},
        {"xpcmdbutton3", "qeltfrm", "  退 出", {4515, 720, 1215, 375}},
        {"Command2", "qeltfrm", "  坐标反算", {3120, 1200, 1215, 375}},
        {"Command3", "qeltfrm", "  线形表", {4515, 1200, 1215, 375}},
        {"Check3", "qeltfrm", "地面高程", {480, 1560, 1215, 255}},
    };
    for (const Control& c : controls) {
        auto* control = window.findChild<QWidget*>(c.name);
        QVERIFY2(control, c.name);
        const auto* box = qobject_cast<QGroupBox*>(control);
        QCOMPARE(box ? box->title() : qobject_cast<QAbstractButton*>(control)->text(), c.caption);
        QCOMPARE(control->geometry(), QRect(c.twips.x() / 15, c.twips.y() / 15,
                                            c.twips.width() / 15, c.twips.height() / 15));
        QCOMPARE(control->parentWidget()->objectName(), QString(c.parent));
        QCOMPARE(control->font().pointSize(), 9);
        QCOMPARE(control->font().families().value(0), QStringLiteral("宋体"));
    }
    auto* option1 = window.findChild<QRadioButton*>("Option1");
    auto* option2 = window.findChild<QRadioButton*>("Option2");
    QVERIFY(option1->isChecked() && !option2->isChecked());
    option2->click();
    QVERIFY(!option1->isChecked());  // the two exclude each other

    // Centred across the screen, a third of the free height from the top.
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect frame = window.frameGeometry();
    QCOMPARE(frame.x() - screen.x(), int(std::lrint((screen.width() - frame.width()) / 2.0)));
    QCOMPARE(frame.y() - screen.y(), int(std::lrint((screen.height() - frame.height()) / 3.0)));

    // Exit ends the program (here: asks the scripted desktop to).
    button(window, "xpcmdbutton3")->click();
    QCOMPARE(desktop.ended, 1);
}

void GuiWindowsTest::coordinateTableWritesWorkbook() {
    QTemporaryDir dir;
    const QString folder = examples(dir);
    FakeDesktop desktop;
    QeltFrm window(desktop.services());
    const std::deque<QString> files{folder + "/mainline-jd.txt", folder + "/mainline-dl.txt",
                                    folder + "/mainline-boreholes.txt"};
    desktop.answers = files;
    button(window, "Command1")->click();

    QCOMPARE(desktop.dialog_titles, (QStringList{"读取平面资料", "读取断链资料", "读取钻孔资料"}));
    QCOMPARE(desktop.dialog_filters.value(1),
             QStringLiteral("文本文件(*.txt;*.dl) (*.txt *.dl);;所有文件（*.*) (*)"));
    const QString first = folder + "/mainline-boreholes" + kTable + ".xlsx";
    // The plan drawing and the stakeout points beside it; the one box says where.
    const QString drawing = folder + "/mainline-boreholes_钻孔平面布置图.dxf";
    const QString points = folder + "/mainline-boreholes_放样点.dat";
    QVERIFY(QFileInfo(drawing).isFile());
    QVERIFY(QFileInfo(points).isFile());
    QCOMPARE(desktop.messages.size(), std::size_t{1});
    QVERIFY2(desktop.messages[0].text.startsWith(
                 "钻孔平面布置图已写入：" + QDir::toNativeSeparators(drawing) +
                 "\n放样点文件（南方 CASS 格式）已写入：" + QDir::toNativeSeparators(points)),
             qPrintable(desktop.messages[0].text));
    QCOMPARE(desktop.opened, QList<QUrl>{QUrl::fromLocalFile(first)});
    QCOMPARE(window.last_run().run.outcome, qelt::RunOutcome::complete);
    QCOMPARE(window.last_run().run.boreholes, 15L);
    QFile file(first);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.read(2), QByteArray("PK"));  // a zip container, as .xlsx is
    const qint64 size = file.size();
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);  // the busy cursor is gone

    // A second run never overwrites the first workbook.
    desktop.answers = files;
    button(window, "Command1")->click();
    const QString second = folder + "/mainline-boreholes" + kTable + " (2).xlsx";
    QCOMPARE(desktop.opened.value(1), QUrl::fromLocalFile(second));
    QCOMPARE(QFileInfo(first).size(), size);
    QCOMPARE(workbooks(folder),
             (QStringList{QFileInfo(second).fileName(), QFileInfo(first).fileName()}));
}

// 坐标反算 runs the as-drilled table by the chosen method: the points file last, the workbook
// beside it, opened.
void GuiWindowsTest::asDrilledTableWritesWorkbook() {
    QTemporaryDir dir;
    const QString folder = examples(dir);
    FakeDesktop desktop;
    desktop.answers = {folder + "/ramp-elements.txt", folder + "/ramp-points.txt"};
    QeltFrm window(desktop.services());
    window.findChild<QRadioButton*>("Option2")->click();
    button(window, "Command2")->click();
    QCOMPARE(desktop.dialog_titles, (QStringList{"读取平面资料", "读取实测坐标资料"}));
    const QString workbook = "ramp-points_钻孔桩号及偏距表.xlsx";
    QCOMPARE(desktop.opened, QList<QUrl>{QUrl::fromLocalFile(folder + "/" + workbook)});
    QCOMPARE(workbooks(folder), QStringList{workbook});
    // The surveyed holes go to the controller too; the one box says where.
    QVERIFY(QFileInfo(folder + "/ramp-points_放样点.dat").isFile());
    QCOMPARE(desktop.messages.size(), std::size_t{1});
    QVERIFY(desktop.messages[0].text.startsWith(QStringLiteral("放样点文件")));
}

// 线形表 runs the alignment's dialogs only: both tables beside the alignment file, the first
// opened, the box saying where the second is.
void GuiWindowsTest::lineTablesWriteBothWorkbooks() {
    QTemporaryDir dir;
    const QString folder = examples(dir);
    FakeDesktop desktop;
    desktop.answers = {folder + "/mainline-jd.txt", folder + "/mainline-dl.txt"};
    QeltFrm window(desktop.services());
    button(window, "Command3")->click();
    QCOMPARE(desktop.dialog_titles, (QStringList{"读取平面资料", "读取断链资料"}));
    const QString curves = "mainline-jd_直线曲线及转角表.xlsx",
                  stakes = "mainline-jd_逐桩坐标表.xlsx";
    QCOMPARE(desktop.opened, QList<QUrl>{QUrl::fromLocalFile(folder + "/" + curves)});
    QCOMPARE(workbooks(folder), (QStringList{curves, stakes}));
    QCOMPARE(desktop.messages.size(), std::size_t{1});
    QCOMPARE(desktop.messages[0].text,
             "逐桩坐标表已写入：" + QDir::toNativeSeparators(folder + "/" + stakes));
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void GuiWindowsTest::runEndings() {
    struct Case {
        const char* what;
        bool main_line;       // Option1 rather than Option2
        QStringList answers;  // file names in the folder; "" cancels the dialog
        QString boreholes;    // written as boreholes.txt when not empty
        MessageKind kind;     // of the one message shown
        QString title, text;  // text: the message, or how it begins
        bool delivered;       // a workbook written and opened: the stopped run's, incomplete
    };
    const QString error = QStringLiteral("错误"), data = QStringLiteral("数据有误");
    const Case cases[] = {
        // A cancelled dialog ends the run without a box (text "").
        {"first dialog cancelled", true, {""}, {}, MessageKind::error, error, {}, false},
        {"chain-break dialog cancelled",
         true,
         {"mainline-jd.txt", ""},
         {},
         MessageKind::error,
         error,
         {},
         false},
        {"borehole dialog cancelled",
         true,
         {"mainline-jd.txt", "mainline-dl.txt", ""},
         {},
         MessageKind::error,
         error,
         {},
         false},
        // The sentence, then where and why: which method the file is for.
        {"alignment of the other method",
         false,
         {"mainline-jd.txt"},
         {},
         MessageKind::error,
         error,
         kErrorText + QStringLiteral("\n\n位置：mainline-jd.txt\n原因：这像是交点法的平面资料："
                                     "请选“交点法―主线”（命令行 --method jd）"),
         false},
        // Ramps have no chain breaks: two dialogs, and a lettered station is rejected.
        {"ramp, lettered station",
         false,
         {"ramp-elements.txt", "boreholes.txt"},
         "某互通\n桥 2\n100 0\nA150 0\n",
         MessageKind::data,
         data,
         "桩号A150有误，不存在断链，请修改！",
         true},
        // Stopped before its first row: nothing delivered, and the last box says so.
        {"ambiguous station on a long chain",
         true,
         {"mainline-jd.txt", "mainline-dl.txt", "boreholes.txt"},
         "某项目\n涵洞 1\n13480 0\n",
         MessageKind::data,
         data,
         "程序不能判断桩号13480所属的断链区间，需添加断链标识A、B、C...",
         false},
        {"borehole line without offset",
         false,
         {"ramp-elements.txt", "boreholes.txt"},
         "某互通\n桥 2\n100 0\n150\n",
         MessageKind::error,
         error,
         "钻孔资料文件“boreholes.txt”第 4 行：",
         true},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QString folder = examples(dir);
        QFile file(folder + "/boreholes.txt");
        if (!c.boreholes.isEmpty() && file.open(QIODevice::WriteOnly))
            file.write(c.boreholes.toUtf8());
        file.close();
        FakeDesktop desktop;
        for (const QString& a : c.answers)
            desktop.answers.push_back(a.isEmpty() ? a : folder + "/" + a);
        QeltFrm window(desktop.services());
        window.findChild<QRadioButton*>(c.main_line ? "Option1" : "Option2")->click();
        button(window, "Command1")->click();

        QVERIFY2(desktop.dialog_titles.size() == c.answers.size(), c.what);
        // A run stopped in its list ends with the box that says what it delivered: the table,
        // incomplete, and nothing made of part of the holes; or nothing at all.
        const bool listed = !c.boreholes.isEmpty();
        if (c.text.isEmpty()) {
            QVERIFY2(desktop.messages.empty() && workbooks(folder).isEmpty(), c.what);
            continue;
        }
        QVERIFY2(desktop.messages.size() == (listed ? 2u : 1u), c.what);
        if (listed)
            QVERIFY2(
                desktop.messages[1].text.startsWith(
                    c.delivered ? QStringLiteral("钻孔数量及位置表未完成，文件名带“（未完成）”")
                                : QStringLiteral("没有写出任何钻孔")),
                c.what);
        const Message& m = desktop.messages[0];
        QVERIFY2(m.kind == c.kind && m.title == c.title, c.what);
        QVERIFY2(c.text.endsWith("：") ? m.text.startsWith(c.text) : m.text == c.text,
                 qPrintable(m.text));
        const QString workbook = "boreholes" + kTable + QStringLiteral("（未完成）.xlsx");
        QCOMPARE(workbooks(folder), c.delivered ? QStringList{workbook} : QStringList{});
        QCOMPARE(desktop.opened, c.delivered
                                     ? QList<QUrl>{QUrl::fromLocalFile(folder + "/" + workbook)}
                                     : QList<QUrl>{});
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    }
}

// What the run tells from the files themselves, through the main window: the lines a list names
// (no list window, each line's profile from the LandXML file, a line without one told), a
// LandXML line asking for no chain-break file, a file of another kind refused as that kind; and
// every dialog opening on all the kinds its step reads.
void GuiWindowsTest::filesTheRunTellsApart() {
    struct Case {
        const char* what;
        bool heights;
        std::optional<std::size_t> list_answer;
        QStringList answers, titles;  // the dialogs answered (names in the examples), and shown
        QString message;              // in the last box
    };
    const QString ramp_told = QStringLiteral("线路“A匝道”在文件“interchange.xml”中没有纵断面");
    const Case cases[] = {
        {"every group names its line",
         true,
         std::nullopt,
         {"interchange.xml", "interchange-boreholes.txt"},
         {"读取平面资料", "读取钻孔资料"},
         ramp_told},
        {"the ramp chosen: no chain breaks, no profile dialog",
         true,
         1,
         {"interchange.xml", "ramp-boreholes.txt"},
         {"读取平面资料", "读取钻孔资料"},
         ramp_told},
        {"the ground shots given as the profile",
         true,
         std::nullopt,
         {"mainline-jd.txt", "mainline-dl.txt", "mainline-ground.dat"},
         {"读取平面资料", "读取断链资料", "读取纵断面资料"},
         QStringLiteral("“mainline-ground.dat”是测量点文件（CASS、PNEZD），不是纵断面资料文件")},
        {"the JD file given as the chain breaks",
         false,
         std::nullopt,
         {"mainline-jd.txt", "mainline-jd.txt"},
         {"读取平面资料", "读取断链资料"},
         QStringLiteral("“mainline-jd.txt”是交点法平面资料文件，不是断链资料文件")},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QString folder = examples(dir);
        for (const char* name : {"interchange.xml", "mainline-ground.dat"})
            QFile::copy(QStringLiteral(QELT_SOURCE_DIR "/examples/") + name, folder + "/" + name);
        FakeDesktop desktop;
        for (const QString& a : c.answers) desktop.answers.push_back(folder + "/" + a);
        desktop.list_answer = c.list_answer;
        QeltFrm window(desktop.services());
        window.findChild<QRadioButton*>("Option1")->click();
        window.findChild<QCheckBox*>(qelt::forms::kDesignElevationBox)->setChecked(c.heights);
        button(window, "Command1")->click();
        QCOMPARE(desktop.dialog_titles, c.titles);
        QCOMPARE(desktop.listed.isEmpty(), !c.list_answer.has_value());
        QVERIFY2(!desktop.messages.empty(), c.what);
        QVERIFY2(desktop.messages.back().text.contains(c.message),
                 qPrintable(desktop.messages.back().text));
        for (const QString& filter : desktop.dialog_filters)
            QVERIFY2(filter.startsWith(QStringLiteral("所有支持的文件(")) ||
                         filter.startsWith(QStringLiteral("文本文件(*.txt;*.dl)")),
                     qPrintable(filter));
    }
}

void GuiWindowsTest::workbookDelivery() {
    for (const bool writable : {false, true}) {
        QTemporaryDir dir, documents;
        const QString folder = examples(dir);
        FakeDesktop desktop;
        desktop.folders_writable = writable;
        desktop.open_succeeds = false;                   // no spreadsheet application
        desktop.documents = documents.path() + "/文档";  // not there yet: made when needed
        desktop.answers = {folder + "/ramp-elements.txt", folder + "/ramp-boreholes.txt"};
        QeltFrm window(desktop.services());
        window.findChild<QRadioButton*>("Option2")->click();
        button(window, "Command1")->click();
        // Beside the borehole file, or in Documents when that folder cannot be written.
        const QString workbook =
            (writable ? folder : desktop.documents) + "/ramp-boreholes" + kTable + ".xlsx";
        QVERIFY(QFileInfo(workbook).isFile());
        QCOMPARE(workbooks(folder).size(), writable ? 1 : 0);
        QCOMPARE(desktop.opened, QList<QUrl>{QUrl::fromLocalFile(workbook)});
        // Nothing could open it: the user learns where it is (and then where the drawing is).
        QCOMPARE(desktop.messages.size(), std::size_t{2});
        QCOMPARE(desktop.messages[0].kind, MessageKind::information);
        QVERIFY(desktop.messages[0].text.contains(QDir::toNativeSeparators(workbook)));
    }
}

void GuiWindowsTest::workbookCannotBeWritten() {
    // The borehole file's folder is not writable and "Documents" lies below a regular file.
    QTemporaryDir dir;
    const QString folder = examples(dir);
    FakeDesktop desktop;
    desktop.folders_writable = false;
    desktop.documents = folder + "/ramp-elements.txt/文档";
    desktop.answers = {folder + "/ramp-elements.txt", folder + "/ramp-boreholes.txt"};
    QeltFrm window(desktop.services());
    window.findChild<QRadioButton*>("Option2")->click();
    button(window, "Command1")->click();

    QCOMPARE(desktop.messages.size(), std::size_t{1});
    QCOMPARE(desktop.messages[0].kind, MessageKind::error);
    QCOMPARE(desktop.messages[0].title, QStringLiteral("错误"));
    QCOMPARE(
        desktop.messages[0].text,
        "无法写入 " +
            QDir::toNativeSeparators(desktop.documents + "/ramp-boreholes" + kTable + ".xlsx") +
            "：文件夹不存在（路径中有一项是文件，不是文件夹）");
    QVERIFY(desktop.opened.isEmpty());
    QCOMPARE(workbooks(folder), QStringList{});
}

void GuiWindowsTest::noticesAfterDelivery() {
    // Two boreholes beyond the end of the ramp (710 m long); nothing opens the workbook, so the
    // box saying where it is comes first, the notices last.
    QTemporaryDir dir;
    const QString folder = examples(dir);
    QFile file(folder + "/boreholes.txt");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("某互通\n桥 3\n100 0\n800 0\n900 5\n").toUtf8());
    file.close();
    FakeDesktop desktop;
    desktop.open_succeeds = false;
    desktop.answers = {folder + "/ramp-elements.txt", folder + "/boreholes.txt"};
    QeltFrm window(desktop.services());
    window.findChild<QRadioButton*>("Option2")->click();
    button(window, "Command1")->click();

    QCOMPARE(window.last_run().run.outcome, qelt::RunOutcome::complete);
    QCOMPARE(desktop.opened.size(), 1);
    QCOMPARE(desktop.messages.size(), std::size_t{2});
    QVERIFY(desktop.messages[0].text.startsWith(QStringLiteral("钻孔数量及位置表已写入")));
    const Message& box = desktop.messages[1];
    QCOMPARE(box.kind, MessageKind::information);
    QCOMPARE(box.title, QStringLiteral("提示"));
    const QStringList lines = box.text.split('\n');
    // The drawing, the points, why no map (no zone number in Y) and what to do, a blank line,
    // the two notices.
    QCOMPARE(lines.size(), 7);
    QVERIFY(lines[0].startsWith(QStringLiteral("钻孔平面布置图已写入：")));
    QVERIFY(lines[1].startsWith(QStringLiteral("放样点文件")));
    QVERIFY(lines[2].startsWith(QStringLiteral("未写出钻孔位置 KML")));
    QVERIFY(lines[3].startsWith(
        QStringLiteral("要得到地图文件，请在平面资料的 Y 坐标前写上投影带带号")));
    QVERIFY2(lines[5].contains(QStringLiteral("第 4 行")) && lines[6].contains("第 5 行"),
             qPrintable(box.text));
}

void GuiWindowsTest::helpOpensManualBesideProgram() {
    FakeDesktop desktop;
    QeltFrm window(desktop.services());
    const QString manual = QCoreApplication::applicationDirPath() + "/help/qelt.html";
    QCOMPARE(window.help_file(), manual);
    QVERIFY2(QFileInfo(manual).isFile(), qPrintable(manual));
    button(window, "xpcmdbutton1")->click();
    QCOMPARE(desktop.opened, QList<QUrl>{QUrl::fromLocalFile(manual)});
}

void GuiWindowsTest::aboutWindowIsModal() {
    FakeDesktop desktop;
    QeltFrm window(desktop.services());
    window.show();
    QString seen;
    QStringList texts;
    QList<QUrl> opened_before_about;
    bool closed_by_cancel = false;
    // While the About window runs its own loop, look at it, follow its links and close it.
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        QWidget* about = QApplication::activeModalWidget();
        if (!about) return;
        poll.stop();
        seen = about->objectName() + (about->isModal() ? " modal" : "");
        opened_before_about = desktop.opened;
        for (const char* name :
             {"Label3", "Label2", "Label6", "Label5", "Label9", "Label7", "Label4", "lblHomepage",
              "picBGHead", "picBGHeadIcon", "lblBGHeadInfo1"})
            texts << about->findChild<QLabel*>(name)->text();
        QTest::mouseClick(about->findChild<QLabel*>("Label4"), Qt::LeftButton);
        QTest::mouseClick(about->findChild<QLabel*>("lblHomepage"), Qt::LeftButton);
        texts << button(*about, "Command1")->text() << button(*about, "Command2")->text();
        button(*about, "Command2")->click();  // 取 消 closes it, like 确 定
        closed_by_cancel = !about->isVisible();
        if (about->isVisible()) button(*about, "Command1")->click();
    });
    poll.start(10);
    button(window, "xpcmdbutton2")->click();  // returns once the About window is closed
    QCOMPARE(seen, QStringLiteral("aboutfrm modal"));
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    const QUrl site(QString::fromUtf8(kMakerSite));
    QCOMPARE(opened_before_about, QList<QUrl>{site});  // the site first, then the window
    QVERIFY(closed_by_cancel);
    QCOMPARE(texts, (QStringList{"单 位：", "作 者：", "软件下载：", "E-mail：", kMakerOrganisation,
                                 kMakerAuthor, kMakerSite, kMakerMail, "", "", kMakerSlogan,
                                 "  确  定", "取    消"}));
    QCOMPARE(desktop.opened, (QList<QUrl>{site, site, QUrl("mailto:" + QString(kMakerMail))}));
}

// The list window as the run shows it: the run's title, prompt and lines, the first line
// selected; each way of closing it gives the line chosen or nothing.
void GuiWindowsTest::listWindowChoosesOrCancels() {
    const QStringList lines = {
        QStringLiteral("A匝道    长 1234.567 米    K0+000 ～ K1+234.567"),
        QStringLiteral("B匝道    长 456.000 米    BK0+000 ～ BK0+456"),
        QStringLiteral("C匝道    长 789.120 米    CK0+000 ～ CK0+789.120"),
    };
    using Step = std::function<void(QDialog&, QListWidget&)>;
    const auto press = [](const char* name) {
        return [name](QDialog& d, QListWidget&) { button(d, name)->click(); };
    };
    struct Case {
        const char* what;
        Step step;
        std::optional<std::size_t> chosen;
    };
    const Case cases[] = {
        {"确 定 on the line selected at opening", press("Command1"), 0},
        {"second line, 确 定",
         [&](QDialog& d, QListWidget& list) {
             list.setCurrentRow(1);
             press("Command1")(d, list);
         },
         1},
        {"double click on the third line",
         [](QDialog&, QListWidget& list) {
             // As the window system tells it: a click, then the second press as a double click.
             const QPoint at = list.visualItemRect(list.item(2)).center();
             QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
             QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
         },
         2},
        {"second line, Enter in the list",
         [](QDialog&, QListWidget& list) {
             list.setCurrentRow(1);
             QTest::keyClick(&list, Qt::Key_Return);
         },
         1},
        {"取 消", press("Command2"), std::nullopt},
        {"Esc", [](QDialog& d, QListWidget&) { QTest::keyClick(&d, Qt::Key_Escape); },
         std::nullopt},
        // Tab to 取 消 and Enter: the button with the focus, not the default one.
        {"Enter on 取 消",
         [](QDialog& d, QListWidget&) { QTest::keyClick(button(d, "Command2"), Qt::Key_Return); },
         std::nullopt},
        {"close box", [](QDialog& d, QListWidget&) { d.close(); }, std::nullopt},
        // No line selected: 确 定 chooses none for the user and the window stays.
        {"selection cleared, 确 定, then 取 消",
         [&](QDialog& d, QListWidget& list) {
             list.clearSelection();
             press("Command1")(d, list);
             if (d.isVisible()) press("Command2")(d, list);
         },
         std::nullopt},
    };
    for (const Case& c : cases) {
        QString seen;
        QStringList listed;
        bool stayed_open = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            poll.stop();
            auto* list = dialog->findChild<QListWidget*>(kListLines);
            seen = dialog->objectName() + "|" + dialog->windowTitle() + "|" +
                   dialog->findChild<QLabel*>(kListPrompt)->text() + "|" +
                   QString::number(list->currentRow()) + "|" +
                   QString::number(list->selectedItems().size());
            for (int i = 0; i < list->count(); ++i) listed << list->item(i)->text();
            c.step(*dialog, *list);
            // A step that left the window open fails the case rather than hang the test.
            stayed_open = dialog->isVisible();
            if (stayed_open) dialog->reject();
        });
        poll.start(10);
        const std::optional<std::size_t> chosen =
            desktop_services().choose_from_list(nullptr, QStringLiteral("某互通立交.xml"),
                                                QStringLiteral("文件中有 3 条线路："), lines);
        QVERIFY2(!stayed_open, c.what);
        QVERIFY2(chosen == c.chosen, c.what);
        QCOMPARE(seen, QStringLiteral("xlfrm|某互通立交.xml|文件中有 3 条线路：|0|1"));
        QCOMPARE(listed, lines);
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }
}

void GuiWindowsTest::promotionalWindows() {
    FakeDesktop desktop;
    auto window = std::make_unique<QeltFrm>(desktop.services(true));
    window->show();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    for (const char* name : {"adfrm", "ad1frm"}) {
        AdFrm* ad = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == name) ad = qobject_cast<AdFrm*>(w);
        QVERIFY2(ad && ad->isVisible(), name);
        QCOMPARE(ad->windowTitle(), QStringLiteral("休息一下，马上回来！"));
        QVERIFY(ad->windowFlags() & Qt::WindowStaysOnTopHint);
        const bool left = name == std::string("ad1frm");
        QCOMPARE(ad->page(),
                 QUrl(QString(kMakerSite) + (left ? "/bdownload.htm" : "/gdownload.htm")));
        QVERIFY(
            ad->findChild<QTextBrowser*>("WebBrowser1")->toHtml().contains(ad->page().toString()));
        const QRect frame = ad->frameGeometry();
        QCOMPARE(left ? frame.left() : frame.right(), left ? screen.left() : screen.right());
        QCOMPARE(frame.top() - screen.top(),
                 int(std::lrint((screen.height() - frame.height()) / 3.0)));
        QCOMPARE(ad->findChild<QTimer*>("Timer2")->interval(), 5000);
        QVERIFY(ad->findChild<QTimer*>("Timer2")->isActive());
        QVERIFY(!ad->findChild<QTimer*>("Timer1")->isActive());
        // Image2 ends the whole program.
        const int ended = desktop.ended;
        QTest::mouseClick(ad->findChild<QLabel*>("Image2"), Qt::LeftButton);
        QCOMPARE(desktop.ended, ended + 1);
    }
    // Image1 minimises; a double click on Label1 closes that window only.
    QTest::mouseClick(window->adfrm()->findChild<QLabel*>("Image1"), Qt::LeftButton);
    QVERIFY(window->adfrm()->isMinimized());
    QTest::mouseDClick(window->ad1frm()->findChild<QLabel*>("Label1"), Qt::LeftButton);
    QTRY_VERIFY(window->ad1frm() == nullptr);
    QVERIFY(window->adfrm() && window->isVisible());
    // Closing the main window leaves the other promotional window open.
    window->close();
    QVERIFY(window->adfrm() && window->adfrm()->isVisible());
    QPointer<AdFrm> remaining = window->adfrm();
    window.reset();
    QVERIFY(remaining.isNull());  // gone with the program
}

void GuiWindowsTest::promotionalWindowDocks() {
    FakeDesktop desktop;
    QeltFrm window(desktop.services(true));
    AdFrm* ad = window.ad1frm();
    ad->show();
    // Timer2 arms Timer1; shortened here from five seconds.
    auto* timer1 = ad->findChild<QTimer*>("Timer1");
    ad->findChild<QTimer*>("Timer2")->setInterval(10);
    QTRY_VERIFY(timer1->isActive());
    QCOMPARE(timer1->interval(), kDockPollMs);
    timer1->stop();  // the steps below are taken by hand

    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const int width = ad->frameGeometry().width();
    QCursor::setPos(screen.center());
    if (QCursor::pos() != screen.center()) QSKIP("this platform does not move the cursor");
    ad->dock();  // at the left edge, cursor away: hidden but for 40 twips
    QCOMPARE(ad->frameGeometry().left() - screen.left(), twips_to_pixels(40.f - width * 15));
    QCursor::setPos(screen.left() + 1, ad->frameGeometry().center().y());
    ad->dock();  // cursor in the strip: back out, 10 twips past the edge
    QCOMPARE(ad->frameGeometry().left() - screen.left(), twips_to_pixels(-10));
    ad->showMinimized();
    QCursor::setPos(screen.center());
    const QPoint before = ad->pos();
    ad->dock();  // minimised: never moved
    QCOMPARE(ad->pos(), before);
}

// The program's own open-file dialog: Qt's buttons in Chinese, the filters as the run writes
// their descriptions (without Qt's pattern list after them), the folder it was asked to start in.
void GuiWindowsTest::dialogsSpeakChinese() {
    // A missing translation leaves Qt's English; the program goes on.
    QVERIFY(!install_qt_translations(QStringLiteral("/nonexistent/翻译")));
    QVERIFY2(install_qt_translations(qt_translations_folder()),
             qPrintable("qtbase_zh_CN.qm not in " + qt_translations_folder()));
    QTemporaryDir dir;
    QStringList buttons, filters;
    QString folder;
    bool hides_patterns = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        poll.stop();
        hides_patterns = dialog->testOption(QFileDialog::HideNameFilterDetails);
        folder = dialog->directory().absolutePath();
        for (QAbstractButton* b : dialog->findChild<QDialogButtonBox*>()->buttons())
            buttons << b->text();
        auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        for (int i = 0; types && i < types->count(); ++i) filters << types->itemText(i);
        dialog->reject();
    });
    poll.start(10);
    const std::optional<QString> chosen = desktop_services().choose_file(
        nullptr, QStringLiteral("读取钻孔资料"),
        QString::fromStdString(
            qt_file_filter(qelt::forms::filter_with_all_supported(qelt::kBoreholeDialog.filter))),
        dir.path());
    QVERIFY(!chosen);
    QVERIFY(hides_patterns);
    QCOMPARE(folder, QDir(dir.path()).absolutePath());
    QCOMPARE(filters, (QStringList{"所有支持的文件(*.txt;*.dat;*.csv)", "文本文件(*.txt;*.dat)",
                                   "CSV 文件(*.csv)", "文本文件(*.txt)", "所有文件（*.*)"}));
    QVERIFY2(buttons.size() == 2 && buttons.filter(QStringLiteral("打开")).size() == 1 &&
                 buttons.filter(QStringLiteral("取消")).size() == 1,
             qPrintable(buttons.join('|')));
    QMessageBox box(QMessageBox::Information, "提示", "", QMessageBox::Ok);
    QCOMPARE(box.button(QMessageBox::Ok)->text().remove('&'), QStringLiteral("确定"));
}

// Through the main window's runs: the first dialog in Documents, every later one in the folder
// of the file chosen last, from one run to the next.
void GuiWindowsTest::dialogsStartWhereTheUserWas() {
    QTemporaryDir dir, elsewhere;
    const QString folder = examples(dir);
    QFile::copy(folder + "/ramp-boreholes.txt", elsewhere.filePath("zk.txt"));
    FakeDesktop desktop;
    desktop.documents = QStringLiteral("/home/li/文档");
    QeltFrm window(desktop.services());
    window.findChild<QRadioButton*>("Option2")->click();
    for (int run = 0; run < 2; ++run) {
        desktop.answers = {folder + "/ramp-elements.txt", elsewhere.filePath("zk.txt")};
        button(window, "Command1")->click();
    }
    QCOMPARE(desktop.dialog_folders,
             (QStringList{desktop.documents, folder, elsewhere.path(), folder}));
}

// When nothing can open the manual, the maker's site or a mail to the author, the user is told
// what could not be opened.
void GuiWindowsTest::nothingOpensTheTarget() {
    FakeDesktop desktop;
    desktop.open_succeeds = false;
    const GuiServices services = desktop.services();
    QeltFrm window(services);
    AboutFrm about(services);
    AdFrm ad(AdFrm::Side::right, services);
    struct Case {
        const char* what;
        std::function<void()> click;
        QString target;  // as the box names it
    };
    const QString manual = QDir::toNativeSeparators(window.help_file());
    const Case cases[] = {
        {"帮 助", [&] { button(window, "xpcmdbutton1")->click(); }, manual},
        {"About: site",
         [&] { QTest::mouseClick(about.findChild<QLabel*>("Label4"), Qt::LeftButton); },
         kMakerSite},
        {"About: mail",
         [&] { QTest::mouseClick(about.findChild<QLabel*>("lblHomepage"), Qt::LeftButton); },
         kMakerMail},
        {"promotional page's link",
         [&] { emit ad.findChild<QTextBrowser*>("WebBrowser1")->anchorClicked(ad.page()); },
         ad.page().toString()},
    };
    for (const Case& c : cases) {
        desktop.messages.clear();
        c.click();
        QVERIFY2(desktop.messages.size() == 1, c.what);
        QCOMPARE(desktop.messages[0].kind, MessageKind::information);
        QCOMPARE(desktop.messages[0].title, QStringLiteral("提示"));
        QVERIFY2(desktop.messages[0].text.split('\n').value(1) == c.target,
                 qPrintable(desktop.messages[0].text));
    }
    // Where the desktop opens it, nothing is said.
    desktop.open_succeeds = true;
    desktop.messages.clear();
    for (const Case& c : cases) c.click();
    QCOMPARE(desktop.messages.size(), std::size_t{0});
    // A manual that is not there is told even so: the desktop's opener reports success before
    // it has looked for the file.
    const QString missing = QDir::temp().filePath(QStringLiteral("qelt-no-such-manual.html"));
    open_or_tell(services, &window, QUrl::fromLocalFile(missing));
    QCOMPARE(desktop.messages.size(), std::size_t{1});
    QCOMPARE(desktop.messages[0].text.split('\n').value(1), QDir::toNativeSeparators(missing));
}

// "方 法": the caption on the border line, and the first option button below both.
void GuiWindowsTest::methodFrameLooksLikeFrame() {
    FakeDesktop desktop;
    QeltFrm window(desktop.services());
    auto* frame = window.findChild<QGroupBox*>("Frame1");
    QStyleOptionGroupBox option;
    option.initFrom(frame);
    option.text = frame->title();
    option.lineWidth = 1;
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    const QRect border = frame->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                        QStyle::SC_GroupBoxFrame, frame);
    const QRect caption = frame->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                         QStyle::SC_GroupBoxLabel, frame);
    const QRect first = window.findChild<QRadioButton*>("Option1")->geometry();
    QVERIFY2(caption.top() < border.top() && border.top() < caption.bottom(),
             qPrintable(QString("caption %1..%2, border at %3")
                            .arg(caption.top())
                            .arg(caption.bottom())
                            .arg(border.top())));
    QVERIFY2(first.top() > caption.bottom(), qPrintable(QString::number(caption.bottom())));
}

QTEST_MAIN(GuiWindowsTest)
#include "gui_windows_test.moc"
