// The desktop program's windows driven as a user would, with the desktop scripted: the dialogs
// answer from a list, messages and opened documents are recorded.

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>
#include <deque>

#include "app/gui/about_window.h"
#include "app/gui/main_window.h"
#include "app/gui/maker.h"
#include "app/gui/promo_window.h"
#include "app/gui/window_geometry.h"

using namespace qelt::gui;

namespace {

struct Message {
    MessageKind kind;
    QString title, text;
};

// The desktop as the tests script it.
struct FakeDesktop {
    std::deque<std::optional<QString>> answers;  // what the open-file dialogs return, in turn
    QStringList dialog_titles, dialog_filters;
    std::vector<Message> messages;
    QList<QUrl> opened;
    bool open_succeeds = true;
    bool folders_writable = true;
    QString documents;
    int ended = 0;

    GuiServices services(bool promotional_windows = false) {
        GuiServices s;
        s.choose_file = [this](QWidget*, const QString& title, const QString& filter) {
            dialog_titles << title;
            dialog_filters << filter;
            if (answers.empty()) return std::optional<QString>();
            auto answer = answers.front();
            answers.pop_front();
            return answer;
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

QStringList xlsx_files(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("*.xlsx*"), QStringLiteral(".*.tmp")},
                                  QDir::Files | QDir::Hidden, QDir::Name);
}

QAbstractButton* button(QWidget& w, const char* name) {
    return w.findChild<QAbstractButton*>(QString::fromLatin1(name));
}

}  // namespace

class GuiWindowsTest : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void mainWindowControls_data();
    void mainWindowControls();
    void mainWindowAtStart();
    void coordinateTableWritesWorkbook();
    void runEndings_data();
    void runEndings();
    void unwritableFolderUsesDocuments();
    void workbookWithoutSpreadsheetApplication();
    void helpOpensManualBesideProgram();
    void aboutWindowIsModal();
    void exitEndsProgram();
    void promotionalWindowsAtStartUp();
    void promotionalWindowDocks();

  private:
    // A copy of the example input files (GBK, as users save them).
    QString examples();
    std::unique_ptr<QTemporaryDir> dir_;
};

void GuiWindowsTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
}

QString GuiWindowsTest::examples() {
    const QDir source(QStringLiteral(QELT_SOURCE_DIR "/examples"));
    for (const QString& name : source.entryList({QStringLiteral("*.txt")}, QDir::Files))
        QFile::copy(source.filePath(name), dir_->filePath(name));
    return dir_->path();
}

void GuiWindowsTest::mainWindowControls_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("twips");  // left, top, width, height
    QTest::newRow("Frame1") << "Frame1"
                            << "方 法" << QRect(360, 120, 2415, 975);
    QTest::newRow("Option1") << "Option1"
                             << "交点法―主线" << QRect(345, 240, 1575, 300);
    QTest::newRow("Option2") << "Option2"
                             << "积木法―互通" << QRect(345, 600, 1455, 255);
    QTest::newRow("Command1") << "Command1"
                              << "  坐标表" << QRect(3120, 240, 1215, 375);
    QTest::newRow("xpcmdbutton2") << "xpcmdbutton2"
                                  << "  更多软件" << QRect(4515, 240, 1215, 375);
    QTest::newRow("xpcmdbutton1") << "xpcmdbutton1"
                                  << "  帮 助" << QRect(3120, 720, 1215, 375);
    QTest::newRow("xpcmdbutton3") << "xpcmdbutton3"
                                  << "  退 出" << QRect(4515, 720, 1215, 375);
}

void GuiWindowsTest::mainWindowControls() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QRect, twips);
    FakeDesktop desktop;
    QeltFrm window(desktop.services());
    auto* control = window.findChild<QWidget*>(name);
    QVERIFY(control);
    const auto* box = qobject_cast<QGroupBox*>(control);
    const auto* b = qobject_cast<QAbstractButton*>(control);
    QVERIFY(box || b);
    QCOMPARE(box ? box->title() : b->text(), caption);
    QCOMPARE(control->geometry(),
             QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15));
    // The option buttons sit in the frame, the push buttons on the window.
    QCOMPARE(control->parentWidget()->objectName(),
             name.startsWith("Option") ? QStringLiteral("Frame1") : QStringLiteral("qeltfrm"));
    QCOMPARE(control->font().pointSize(), 9);
    QCOMPARE(control->font().families().value(0), QStringLiteral("宋体"));
}

void GuiWindowsTest::mainWindowAtStart() {
    FakeDesktop desktop;
    QeltFrm window(desktop.services());
    QCOMPARE(window.objectName(), QStringLiteral("qeltfrm"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Qelt V2.0"));
    QCOMPARE(window.size(), QSize(405, 88));
    auto* option1 = window.findChild<QRadioButton*>("Option1");
    auto* option2 = window.findChild<QRadioButton*>("Option2");
    QVERIFY(option1->isChecked());
    QVERIFY(!option2->isChecked());
    option2->click();
    QVERIFY(!option1->isChecked());  // the two exclude each other
    // Centred across the screen, a third of the free height from the top.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QRect frame = window.frameGeometry();
    QCOMPARE(frame.x() - screen.x(),
             static_cast<int>(std::lrint((screen.width() - frame.width()) / 2.0)));
    QCOMPARE(frame.y() - screen.y(),
             static_cast<int>(std::lrint((screen.height() - frame.height()) / 3.0)));
}

void GuiWindowsTest::coordinateTableWritesWorkbook() {
    const QString folder = examples();
    FakeDesktop desktop;
    QeltFrm window(desktop.services());
    const auto answer_all = [&] {
        desktop.answers = {folder + "/mainline-jd.txt", folder + "/mainline-dl.txt",
                           folder + "/mainline-boreholes.txt"};
    };
    answer_all();
    button(window, "Command1")->click();

    QCOMPARE(desktop.dialog_titles, (QStringList{"读取平面资料", "读取断链资料", "读取钻孔资料"}));
    QCOMPARE(desktop.dialog_filters.value(1),
             QStringLiteral("文本文件(*.txt;*.dl) (*.txt *.dl);;所有文件（*.*) (*)"));
    QCOMPARE(desktop.messages.size(), std::size_t{0});
    const QString first = folder + "/mainline-boreholes" + kTable + ".xlsx";
    QVERIFY(QFileInfo(first).isFile());
    QCOMPARE(desktop.opened, QList<QUrl>{QUrl::fromLocalFile(first)});
    QCOMPARE(window.last_run().run.outcome, qelt::RunOutcome::complete);
    QCOMPARE(window.last_run().run.boreholes, 15L);
    QFile file(first);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.read(2), QByteArray("PK"));  // a zip container, as .xlsx is
    const qint64 size = file.size();
    file.close();
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);  // the busy cursor is gone

    // A second run never overwrites the first workbook.
    answer_all();
    button(window, "Command1")->click();
    const QString second = folder + "/mainline-boreholes" + kTable + " (2).xlsx";
    QCOMPARE(desktop.opened.value(1), QUrl::fromLocalFile(second));
    QCOMPARE(QFileInfo(first).size(), size);
    QStringList both{QFileInfo(first).fileName(), QFileInfo(second).fileName()};
    both.sort();
    QCOMPARE(xlsx_files(folder), both);
}

void GuiWindowsTest::runEndings_data() {
    QTest::addColumn<bool>("mainLine");        // Option1 rather than Option2
    QTest::addColumn<QStringList>("answers");  // file names; "-" cancels the dialog
    QTest::addColumn<QString>("boreholes");    // written as boreholes.txt when not empty
    QTest::addColumn<int>("dialogs");          // dialogs shown
    QTest::addColumn<int>("kind");             // MessageKind of the one message shown
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");    // the message, or its beginning
    QTest::addColumn<bool>("delivered");  // a workbook written and opened
    const QString error = QStringLiteral("数据文件格式有误或操作不当！");
    QTest::newRow("first dialog cancelled") << true << QStringList{"-"} << QString() << 1
                                            << int(MessageKind::error) << "错误" << error << false;
    QTest::newRow("chain-break dialog cancelled")
        << true << QStringList{"mainline-jd.txt", "-"} << QString() << 2 << int(MessageKind::error)
        << "错误" << error << false;
    QTest::newRow("borehole dialog cancelled")
        << true << QStringList{"mainline-jd.txt", "mainline-dl.txt", "-"} << QString() << 3
        << int(MessageKind::error) << "错误" << error << false;
    QTest::newRow("alignment file of the wrong method")
        << false << QStringList{"mainline-jd.txt"} << QString() << 1 << int(MessageKind::error)
        << "错误" << error << false;
    // Ramps have no chain breaks: two dialogs, and a lettered station is rejected.
    QTest::newRow("ramp, lettered station rejected")
        << false << QStringList{"ramp-elements.txt", "boreholes.txt"}
        << QStringLiteral("某互通\n桥 2\n100 0\nA150 0\n") << 2 << int(MessageKind::data)
        << "数据有误"
        << "桩号A150有误，不存在断链，请修改！" << true;
    QTest::newRow("ambiguous station on a long chain")
        << true << QStringList{"mainline-jd.txt", "mainline-dl.txt", "boreholes.txt"}
        << QStringLiteral("某项目\n涵洞 1\n13480 0\n") << 3 << int(MessageKind::data) << "数据有误"
        << "程序不能判断桩号13480所属的断链区间，需添加断链标识A、B、C..." << true;
    QTest::newRow("borehole line without offset")
        << false << QStringList{"ramp-elements.txt", "boreholes.txt"}
        << QStringLiteral("某互通\n桥 2\n100 0\n150\n") << 2 << int(MessageKind::error) << "错误"
        << "钻孔资料文件“boreholes.txt”第 4 行" << true;
}

void GuiWindowsTest::runEndings() {
    QFETCH(bool, mainLine);
    QFETCH(QStringList, answers);
    QFETCH(QString, boreholes);
    QFETCH(int, dialogs);
    QFETCH(int, kind);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(bool, delivered);
    const QString folder = examples();
    if (!boreholes.isEmpty()) {
        QFile file(folder + "/boreholes.txt");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(boreholes.toUtf8());
    }
    FakeDesktop desktop;
    for (const QString& a : answers)
        desktop.answers.push_back(a == "-" ? std::optional<QString>() : folder + "/" + a);
    QeltFrm window(desktop.services());
    window.findChild<QRadioButton*>(mainLine ? "Option1" : "Option2")->click();
    button(window, "Command1")->click();

    QCOMPARE(desktop.dialog_titles.size(), dialogs);
    QCOMPARE(desktop.messages.size(), std::size_t{1});
    QCOMPARE(int(desktop.messages[0].kind), kind);
    QCOMPARE(desktop.messages[0].title, title);
    if (kind == int(MessageKind::error) && text == QStringLiteral("数据文件格式有误或操作不当！"))
        QCOMPARE(desktop.messages[0].text, text);
    else if (kind == int(MessageKind::data))
        QCOMPARE(desktop.messages[0].text, text);
    else
        QVERIFY2(desktop.messages[0].text.startsWith(text), qPrintable(desktop.messages[0].text));
    const QString workbook = folder + "/boreholes" + kTable + ".xlsx";
    if (delivered) {
        QCOMPARE(xlsx_files(folder), QStringList{QFileInfo(workbook).fileName()});
        QCOMPARE(desktop.opened, QList<QUrl>{QUrl::fromLocalFile(workbook)});
    } else {
        QCOMPARE(xlsx_files(folder), QStringList{});
        QCOMPARE(desktop.opened, QList<QUrl>{});
    }
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void GuiWindowsTest::unwritableFolderUsesDocuments() {
    const QString folder = examples();
    QTemporaryDir documents;
    FakeDesktop desktop;
    desktop.folders_writable = false;
    desktop.documents = documents.path() + "/文档";  // not there yet: made when needed
    desktop.answers = {folder + "/ramp-elements.txt", folder + "/ramp-boreholes.txt"};
    QeltFrm window(desktop.services());
    window.findChild<QRadioButton*>("Option2")->click();
    button(window, "Command1")->click();
    const QString workbook = desktop.documents + "/ramp-boreholes" + kTable + ".xlsx";
    QVERIFY(QFileInfo(workbook).isFile());
    QCOMPARE(desktop.opened, QList<QUrl>{QUrl::fromLocalFile(workbook)});
    QCOMPARE(xlsx_files(folder), QStringList{});
}

void GuiWindowsTest::workbookWithoutSpreadsheetApplication() {
    const QString folder = examples();
    FakeDesktop desktop;
    desktop.open_succeeds = false;
    desktop.answers = {folder + "/ramp-elements.txt", folder + "/ramp-boreholes.txt"};
    QeltFrm window(desktop.services());
    window.findChild<QRadioButton*>("Option2")->click();
    button(window, "Command1")->click();
    // The user learns where the table went.
    QCOMPARE(desktop.messages.size(), std::size_t{1});
    QCOMPARE(desktop.messages[0].kind, MessageKind::information);
    QVERIFY(desktop.messages[0].text.contains(
        QDir::toNativeSeparators(folder + "/ramp-boreholes" + kTable + ".xlsx")));
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
    bool modal = false;
    QStringList texts;
    QList<QUrl> opened_before_about;
    // While the About window runs its own loop, look at it, follow its links and close it.
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        QWidget* about = QApplication::activeModalWidget();
        if (!about) return;
        poll.stop();
        seen = about->objectName();
        modal = about->isModal() && about->isVisible();
        opened_before_about = desktop.opened;
        for (const char* name :
             {"Label3", "Label2", "Label6", "Label5", "Label9", "Label7", "Label4", "lblHomepage"})
            texts << about->findChild<QLabel*>(name)->text();
        for (const char* name : {"picBGHead", "picBGHeadIcon", "lblBGHeadInfo1", "linBorder"})
            QVERIFY(about->findChild<QWidget*>(name));
        QTest::mouseClick(about->findChild<QLabel*>("Label4"), Qt::LeftButton);
        QTest::mouseClick(about->findChild<QLabel*>("lblHomepage"), Qt::LeftButton);
        button(*about, "Command2")->click();  // no action
        QVERIFY(about->isVisible());
        QCOMPARE(button(*about, "Command1")->text(), QStringLiteral("  确  定"));
        QCOMPARE(button(*about, "Command2")->text(), QStringLiteral("取    消"));
        button(*about, "Command1")->click();
    });
    poll.start(10);
    button(window, "xpcmdbutton2")->click();  // returns once the About window is closed
    QCOMPARE(seen, QStringLiteral("aboutfrm"));
    QVERIFY(modal);
    const QUrl site(QString::fromUtf8(kMakerSite));
    QCOMPARE(opened_before_about, QList<QUrl>{site});  // the site first, then the window
    QCOMPARE(texts,
             (QStringList{"单 位：", "作 者：", "软件下载：", "E-mail",
                          QString::fromUtf8(kMakerOrganisation), QString::fromUtf8(kMakerAuthor),
                          QString::fromUtf8(kMakerSite), QString::fromUtf8(kMakerMail)}));
    QCOMPARE(desktop.opened,
             (QList<QUrl>{site, site, QUrl("mailto:" + QString::fromUtf8(kMakerMail))}));
    QVERIFY(QApplication::activeModalWidget() == nullptr);
}

void GuiWindowsTest::exitEndsProgram() {
    FakeDesktop desktop;
    QeltFrm window(desktop.services(true));
    button(window, "xpcmdbutton3")->click();
    QCOMPARE(desktop.ended, 1);
    // Image2 of either promotional window ends the whole program too.
    QTest::mouseClick(window.adfrm()->findChild<QLabel*>("Image2"), Qt::LeftButton);
    QTest::mouseClick(window.ad1frm()->findChild<QLabel*>("Image2"), Qt::LeftButton);
    QCOMPARE(desktop.ended, 3);
}

void GuiWindowsTest::promotionalWindowsAtStartUp() {
    FakeDesktop desktop;
    auto window = std::make_unique<QeltFrm>(desktop.services(true));
    window->show();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    struct Expected {
        const char* name;
        const char* page;
    };
    for (const Expected& e : {Expected{"adfrm", "/gdownload.htm"}, {"ad1frm", "/bdownload.htm"}}) {
        AdFrm* ad = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String(e.name)) ad = qobject_cast<AdFrm*>(w);
        QVERIFY2(ad, e.name);
        QVERIFY(ad->isVisible());
        QCOMPARE(ad->windowTitle(), QStringLiteral("休息一下，马上回来！"));
        QVERIFY(ad->windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(ad->page(), QUrl(QString::fromUtf8(kMakerSite) + e.page));
        const auto* browser = ad->findChild<QTextBrowser*>("WebBrowser1");
        QVERIFY(browser->toHtml().contains(ad->page().toString()));
        for (const char* name : {"Image1", "Image2", "Label1"})
            QVERIFY(ad->findChild<QLabel*>(name));
        const QRect frame = ad->frameGeometry();
        if (e.name == std::string("ad1frm"))
            QCOMPARE(frame.left(), screen.left());
        else
            QCOMPARE(frame.right(), screen.right());
        QCOMPARE(frame.top() - screen.top(),
                 static_cast<int>(std::lrint((screen.height() - frame.height()) / 3.0)));
        QCOMPARE(ad->findChild<QTimer*>("Timer2")->interval(), 5000);
        QVERIFY(ad->findChild<QTimer*>("Timer2")->isActive());
        QVERIFY(!ad->findChild<QTimer*>("Timer1")->isActive());
    }
    // Image1 minimises; a double click on Label1 closes that window only.
    QTest::mouseClick(window->adfrm()->findChild<QLabel*>("Image1"), Qt::LeftButton);
    QVERIFY(window->adfrm()->isMinimized());
    QTest::mouseDClick(window->ad1frm()->findChild<QLabel*>("Label1"), Qt::LeftButton);
    QTRY_VERIFY(window->ad1frm() == nullptr);
    QVERIFY(window->adfrm() && window->isVisible());
    // Closing the main window leaves the promotional window open.
    window->close();
    QVERIFY(window->adfrm() && window->adfrm()->isVisible() == !window->adfrm()->isHidden());
    QPointer<AdFrm> left = window->adfrm();
    window.reset();
    QVERIFY(left.isNull());  // gone with the program
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

QTEST_MAIN(GuiWindowsTest)
#include "gui_windows_test.moc"
