#include "app/win/desktop.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <vector>

#include "app/win/list_window.h"
#include "app/win/program.h"
#include "app/win/wide.h"

namespace qelt::win {

bool shell_open(HWND owner, const std::string& target) {
    const HINSTANCE result =
        ShellExecuteW(owner, L"open", widen(target).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    // ShellExecuteW's result is an error code dressed as a handle: above 32 is success.
    return reinterpret_cast<INT_PTR>(result) > 32;
}

void open_or_tell(HWND owner, const std::string& target) {
    if (shell_open(owner, target)) return;
    MessageBoxW(owner, widen(forms::not_opened_text(target)).c_str(),
                widen(forms::kNoticeTitle).c_str(),
                message_box_style(forms::MessageKind::information));
}

UINT message_box_style(forms::MessageKind kind) {
    switch (kind) {
        case forms::MessageKind::error:
            return MB_OK | MB_ICONERROR;
        case forms::MessageKind::information:
            return MB_OK | MB_ICONINFORMATION;
        case forms::MessageKind::data:
            break;
    }
    return MB_OK;
}

std::optional<std::string> Win32Desktop::choose_file(const std::string& title,
                                                     const std::string& filter,
                                                     const std::string& start_folder) {
    const std::wstring wide_filter = widen(forms::win32_file_filter(filter));
    const std::wstring wide_title = widen(title);
    const std::wstring wide_start = widen(start_folder);
    std::vector<wchar_t> file(32768, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner_;
    dialog.lpstrFilter = wide_filter.empty() ? nullptr : wide_filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrTitle = wide_title.c_str();
    dialog.lpstrInitialDir = wide_start.empty() ? nullptr : wide_start.c_str();
    // The working folder stays where it was: the run says where each dialog starts.
    dialog.Flags =
        OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameW(&dialog)) return std::nullopt;
    return narrow(file.data());
}

std::optional<std::size_t> Win32Desktop::choose_from_list(const std::string& title,
                                                          const std::string& prompt,
                                                          const std::vector<std::string>& items) {
    ListWindow window(title, prompt, items);
    // A window the system would not make is a list nobody chose from: the run stops as when
    // the user cancels, rather than going on with a line picked for them.
    if (!window.open(owner_)) return std::nullopt;
    return window.run();
}

void Win32Desktop::show_message(forms::MessageKind kind, const std::string& title,
                                const std::string& text) {
    MessageBoxW(owner_, widen(text).c_str(), widen(title).c_str(), message_box_style(kind));
}

void Win32Desktop::bring_to_front() {
    if (IsIconic(owner_)) ShowWindow(owner_, SW_RESTORE);
    SetForegroundWindow(owner_);
    BringWindowToTop(owner_);
}

void Win32Desktop::set_busy(bool busy) {
    win::set_busy(busy);
}

bool Win32Desktop::open_document(const std::string& path) {
    return shell_open(owner_, path);
}

bool Win32Desktop::folder_writable(const std::string& folder) {
    const std::wstring wide = widen(folder);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    // Windows decides by the folder's access rights, which only an attempt tells: a hidden
    // file that is gone again when closed.
    const std::wstring probe =
        widen(forms::join_path(folder, ".qelt-" + std::to_string(GetCurrentProcessId()) + ".tmp",
                               forms::PathStyle::windows));
    HANDLE file = CreateFileW(
        probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

std::string Win32Desktop::documents_folder() {
    wchar_t path[MAX_PATH] = {};
    if (SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK)
        return {};
    return narrow(path);
}

void Win32Desktop::make_folder(const std::string& folder) {
    SHCreateDirectoryExW(nullptr, widen(folder).c_str(), nullptr);
}

bool Win32Desktop::exists(const std::string& path) {
    return GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace qelt::win
