#include "app/gui/services.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QWidget>

namespace qelt::gui {

namespace {

std::optional<QString> choose_file(QWidget* parent, const QString& title, const QString& filter) {
    const QString path = QFileDialog::getOpenFileName(parent, title, QString(), filter);
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

GuiServices desktop_services() {
    GuiServices services;
    services.choose_file = choose_file;
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
