#pragma once
// What a coordinate-table run asks of the desktop, done with the Windows calls: the common
// open-file dialog (GetOpenFileNameW) with the run's filter as the dialog takes it, the list
// window (ListWindow) to choose one line from, message boxes (MessageBoxW) with the run's titles
// and icons, the wait cursor, the workbook opened with the user's spreadsheet application
// (ShellExecuteW), and the file system's answers.

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "app/forms/desktop_run.h"

namespace qelt::win {

class Win32Desktop : public forms::Desktop {
  public:
    // `owner` owns the dialogs and message boxes and is the window brought to the front;
    // `last_chosen_file`, kept by the caller from run to run, is the file chosen last in the
    // open-file dialogs.
    Win32Desktop(HWND owner, std::string& last_chosen_file)
        : owner_(owner), last_chosen_file_(last_chosen_file) {}

    std::optional<std::string> choose_file(const std::string& title, const std::string& filter,
                                           const std::string& start_folder) override;
    std::string& last_chosen_file() override { return last_chosen_file_; }
    void show_message(forms::MessageKind kind, const std::string& title,
                      const std::string& text) override;
    void bring_to_front() override;
    void set_busy(bool busy) override;
    bool open_document(const std::string& path) override;
    bool folder_writable(const std::string& folder) override;
    std::string documents_folder() override;
    void make_folder(const std::string& folder) override;
    std::optional<std::size_t> choose_from_list(const std::string& title, const std::string& prompt,
                                                const std::vector<std::string>& items) override;
    bool exists(const std::string& path) override;
    forms::PathStyle path_style() const override { return forms::PathStyle::windows; }

  private:
    HWND owner_;
    std::string& last_chosen_file_;
};

// Opens `target` (a document, a web or mailto: address) with the user's application for it,
// without waiting; false when nothing could open it.
bool shell_open(HWND owner, const std::string& target);
// The same, and when nothing could open it an information box owned by `owner` that names what
// could not be opened (the manual's path, the address).
void open_or_tell(HWND owner, const std::string& target);

// The message box's style for a kind of message: "错误" with the error icon, "数据有误" with OK
// only and no icon, the information icon for "提示" and the like.
UINT message_box_style(forms::MessageKind kind);

}  // namespace qelt::win
