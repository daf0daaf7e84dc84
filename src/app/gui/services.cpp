#include "app/gui/services.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTranslator>
#include <QWidget>

#include "app/forms/maker.h"
#include "app/gui/list_window.h"

namespace qelt::gui {

namespace {

std::optional<QString> choose_file(QWidget* parent, const QString& title, const QString& filter,
                                   const QString& start_folder) {
    // The filter's descriptions already name their patterns ("文本文件(*.txt;*.dat)"): Qt's
    // own list after them would say it twice.
    // A folder that is not there (a Documents folder never made) would be taken for a file name.
    const QString folder = QFileInfo(start_folder).isDir() ? start_folder : QString();
    const QString path = QFileDialog::getOpenFileName(parent, title, folder, filter, nullptr,
                                                      QFileDialog::HideNameFilterDetails);
    if (path.isEmpty()) return std::nullopt;
    return path;
}

void show_message(QWidget* parent, MessageKind kind, const QString& title, const QString& text) {
    const QMessageBox::Icon icon = kind == MessageKind::error         ? QMessageBox::Critical
                                   : kind == MessageKind::information ? QMessageBox::Information
                                                                      : QMessageBox::NoIcon;
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

bool folder_writable(const QString& folder) {
    const QFileInfo info(folder);
    return info.isDir() && info.isWritable();
}

void end_program() {
    // Nothing is asked and nothing is saved: every window goes at once.
    for (QWidget* window : QApplication::topLevelWidgets()) window->hide();
    QCoreApplication::exit(0);
}

}  // namespace

void open_or_tell(const GuiServices& services, QWidget* parent, const QUrl& url) {
    // A desktop hands a local file to its opener (xdg-open) and reports success before the
    // opener has looked: a manual that is not there must be told here.
    const bool missing = url.isLocalFile() && !QFileInfo::exists(url.toLocalFile());
    if (!missing && services.open_url(url)) return;
    const QString target =
        url.isLocalFile() ? QDir::toNativeSeparators(url.toLocalFile()) : url.toString();
    services.show_message(parent, MessageKind::information, QString::fromUtf8(forms::kNoticeTitle),
                          QString::fromStdString(forms::not_opened_text(target.toStdString())));
}

void act_common(QWidget& window, const GuiServices& services, forms::Action action) {
    switch (action) {
        case forms::Action::close_window:
            window.close();
            break;
        case forms::Action::minimise:
            window.showMinimized();
            break;
        case forms::Action::exit_program:
            services.end_program();
            break;
        case forms::Action::open_site:
            open_or_tell(services, &window, QUrl(QString::fromUtf8(forms::kMakerSite)));
            break;
        case forms::Action::open_mail:
            open_or_tell(services, &window,
                         QUrl(QStringLiteral("mailto:") + QString::fromUtf8(forms::kMakerMail)));
            break;
        default:
            break;
    }
}

bool install_qt_translations(const QString& folder) {
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                         QStringLiteral("_"), folder) &&
        QCoreApplication::installTranslator(translator))
        return true;
    delete translator;
    return false;
}

QString qt_translations_folder() {
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

GuiServices desktop_services() {
    GuiServices services;
    services.choose_file = choose_file;
    services.choose_from_list = choose_from_list;
    services.show_message = show_message;
    services.open_url = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    services.documents_folder = [] {
        return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    };
    services.folder_writable = folder_writable;
    services.end_program = end_program;
    return services;
}

}  // namespace qelt::gui
