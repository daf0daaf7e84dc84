#pragma once
// What the windows ask of the desktop, gathered in one place so that tests can script it: the
// open-file dialog, the list to choose from, message boxes, opening a document or address with
// the user's application, the user's Documents folder, and ending the program.

#include <QString>
#include <QStringList>
#include <QUrl>
#include <cstddef>
#include <functional>
#include <optional>

#include "app/forms/desktop_run.h"
#include "app/forms/form.h"

class QWidget;

namespace qelt::gui {

using forms::MessageKind;

struct GuiServices {
    // An open-file dialog with `title`, starting in `start_folder`, and a filter in Qt's form;
    // the chosen path, or nothing when the user cancels.
    std::function<std::optional<QString>(QWidget* parent, const QString& title,
                                         const QString& filter, const QString& start_folder)>
        choose_file;
    // The list window (forms::alignment_list_form) titled `title`, `prompt` over `items`, one a
    // line; the index of the line chosen, or nothing when the user cancels.
    std::function<std::optional<std::size_t>(QWidget* parent, const QString& title,
                                             const QString& prompt, const QStringList& items)>
        choose_from_list;
    // A message box; returns when the user has dismissed it.
    std::function<void(QWidget* parent, MessageKind kind, const QString& title,
                       const QString& text)>
        show_message;
    // Opens a document or an address with the desktop's application for it, without waiting;
    // false when nothing could open it.
    std::function<bool(const QUrl& url)> open_url;
    // The user's Documents folder, where a workbook goes when the borehole file's folder
    // cannot be written.
    std::function<QString()> documents_folder;
    // Whether a new file can be created in `folder`.
    std::function<bool(const QString& folder)> folder_writable;
    // Ends the program at once, every window included.
    std::function<void()> end_program;
    // The two promotional windows at start-up (tests may do without them).
    bool promotional_windows = true;
};

// The real desktop: QFileDialog, the list window, QMessageBox, QDesktopServices, QStandardPaths.
GuiServices desktop_services();

// Opens `url` with the user's application for it; when nothing could, tells the user in an
// information box owned by `parent` what could not be opened (the manual's path, the address).
void open_or_tell(const GuiServices& services, QWidget* parent, const QUrl& url);

// Does what a control of `window` asks for where it means the same on every window: close,
// minimise, end the program, open the maker's site or mail. Other actions are the window's own.
void act_common(QWidget& window, const GuiServices& services, forms::Action action);

// Installs Qt's own Chinese translations from `folder` (the dialogs' and message boxes' buttons
// and labels: 打开, 取消, 确定 …), whatever the system's language: the program speaks only
// Chinese. False when they could not be loaded; the program then runs with Qt's English.
bool install_qt_translations(const QString& folder);
// Qt's translations folder, where Debian's qt6-translations-l10n puts them.
QString qt_translations_folder();

}  // namespace qelt::gui
