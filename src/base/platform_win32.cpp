// The platform calls on Windows. Paths arrive as UTF-8 and go to the wide-character API, so
// Chinese folder and file names work whatever the system's legacy code page; the programs also
// carry a manifest that makes UTF-8 the process's code page, for the C library's narrow calls.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// windows.h first: the headers below rely on its types.
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "base/platform.h"

namespace qelt {

std::wstring widen(std::string_view utf8) {
    if (utf8.empty() || utf8.size() > INT_MAX) return {};
    const int size = static_cast<int>(utf8.size());
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, out.data(), n);
    return out;
}

namespace {

// GB18030's code page; Windows without it (and wine) has 936, GBK, which is the same for
// everything but GB18030's four-byte sequences.
constexpr UINT kGb18030 = 54936;
constexpr UINT kGbk = 936;

// UTF-16 to UTF-8 with WideCharToMultiByte's `flags`: 0 puts U+FFFD where the text is not
// UTF-16, WC_ERR_INVALID_CHARS gives nothing instead.
std::optional<std::string> utf8_of_wide(std::wstring_view text, DWORD flags) {
    if (text.empty()) return std::string();
    if (text.size() > INT_MAX) return std::nullopt;
    const int size = static_cast<int>(text.size());
    const int n =
        WideCharToMultiByte(CP_UTF8, flags, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::nullopt;
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, flags, text.data(), size, out.data(), n, nullptr, nullptr);
    return out;
}

// Text the system produced, which must be UTF-16 to be used at all.
std::optional<std::string> utf8(std::wstring_view text) {
    return utf8_of_wide(text, WC_ERR_INVALID_CHARS);
}

// Whether `bytes` is made of GB18030's byte sequences: ASCII; a lead byte 81..FE with a trail
// 40..7E or 80..FE; or 81..FE 30..39 81..FE 30..39. Windows' code pages accept more than that
// (936 reads a lone 80 as the euro sign), and a file is to be GBK on Windows exactly when it is
// GB18030 for the Linux build's iconv.
bool gb18030_structure(std::string_view bytes) {
    const auto in = [](unsigned char c, unsigned lo, unsigned hi) { return c >= lo && c <= hi; };
    for (std::size_t i = 0; i < bytes.size();) {
        const auto b = [&](std::size_t k) { return static_cast<unsigned char>(bytes[i + k]); };
        if (b(0) < 0x80) {
            ++i;
            continue;
        }
        if (!in(b(0), 0x81, 0xFE) || i + 1 >= bytes.size()) return false;
        if (in(b(1), 0x40, 0x7E) || in(b(1), 0x80, 0xFE)) {
            i += 2;
            continue;
        }
        if (!in(b(1), 0x30, 0x39) || i + 3 >= bytes.size() || !in(b(2), 0x81, 0xFE) ||
            !in(b(3), 0x30, 0x39))
            return false;
        i += 4;
    }
    return true;
}

// An errno value for a system error code, or the code negated when errno has none.
int errno_of(DWORD error) {
    switch (error) {
        case ERROR_SUCCESS:
            return 0;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_BAD_PATHNAME:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_NETWORK_ACCESS_DENIED:
        case ERROR_PRIVILEGE_NOT_HELD:
            return EACCES;
        case ERROR_WRITE_PROTECT:
            return EROFS;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_FILE_TOO_LARGE:
            return EFBIG;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_USER_MAPPED_FILE:
            return EBUSY;
        case ERROR_NOT_SAME_DEVICE:
            return EXDEV;
        case ERROR_FILENAME_EXCED_RANGE:
            return ENAMETOOLONG;
        case ERROR_INVALID_NAME:
            return EINVAL;
        case ERROR_DIRECTORY:
            return ENOTDIR;
        case ERROR_TOO_MANY_OPEN_FILES:
            return EMFILE;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return ENOMEM;
        case ERROR_CRC:
        case ERROR_SEEK:
        case ERROR_WRITE_FAULT:
        case ERROR_READ_FAULT:
        case ERROR_IO_DEVICE:
            return EIO;
        default:
            return error <= static_cast<DWORD>(INT_MAX) ? -static_cast<int>(error) : EIO;
    }
}

DWORD attributes(const std::string& path) {
    return GetFileAttributesW(widen(path).c_str());
}

// The part of `path` before its last component, as written ("" when there is none); a drive
// letter with its separator ("C:\") stays whole.
std::string parent_of(const std::string& path) {
    std::size_t end = path.size();
    while (end > 0 && (path[end - 1] == '/' || path[end - 1] == '\\')) --end;
    const std::size_t slash = path.find_last_of("/\\", end == 0 ? 0 : end - 1);
    if (slash == std::string::npos || end == 0) {
        if (path.size() >= 2 && path[1] == ':' && end > 2) return path.substr(0, 2);
        return {};
    }
    std::size_t cut = slash;
    while (cut > 0 && (path[cut - 1] == '/' || path[cut - 1] == '\\')) --cut;
    if (cut == 0 || (cut == 2 && path[1] == ':')) return path.substr(0, cut + 1);
    return path.substr(0, cut);
}

// ENOENT for `path` is ENOTDIR when the nearest part of it that exists is a file.
int refine_missing(const std::string& path, int error) {
    if (error != ENOENT) return error;
    for (std::string p = parent_of(path); !p.empty(); p = parent_of(p)) {
        const DWORD a = attributes(p);
        if (a == INVALID_FILE_ATTRIBUTES) continue;
        return (a & FILE_ATTRIBUTE_DIRECTORY) ? ENOENT : ENOTDIR;
    }
    return ENOENT;
}

enum class Kind { none, file, other };

Kind kind_of(const std::string& path) {
    if (path.empty()) return Kind::none;
    // Opened, not only looked up: the names of devices (NUL, CON, COM1 …) exist in every folder
    // and only the handle tells a disk file from them.
    const HANDLE h = CreateFileW(widen(path).c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        // Not to be opened (no access, say): a folder still shows in its attributes.
        const DWORD a = attributes(path);
        if (a == INVALID_FILE_ATTRIBUTES) return Kind::none;
        return (a & FILE_ATTRIBUTE_DIRECTORY) ? Kind::other : Kind::file;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool file = GetFileType(h) == FILE_TYPE_DISK &&
                      GetFileInformationByHandle(h, &info) != 0 &&
                      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    CloseHandle(h);
    return file ? Kind::file : Kind::other;
}

int move_error(const std::string& to) {
    return refine_missing(to, errno_of(GetLastError()));
}

}  // namespace

std::optional<std::string> gb18030_to_utf8(std::string_view bytes) {
    if (bytes.empty()) return std::string();
    if (bytes.size() > INT_MAX || !gb18030_structure(bytes)) return std::nullopt;
    const int size = static_cast<int>(bytes.size());
    UINT code_page = IsValidCodePage(kGb18030) ? kGb18030 : kGbk;
    const int n =
        MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
    if (n <= 0) return std::nullopt;
    std::wstring text(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes.data(), size, text.data(), n);
    return utf8(text);
}

std::optional<std::string> utf8_to_gbk(std::string_view utf8_text) {
    if (utf8_text.empty()) return std::string();
    if (utf8_text.size() > INT_MAX) return std::nullopt;
    const int size = static_cast<int>(utf8_text.size());
    const int n =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8_text.data(), size, nullptr, 0);
    if (n <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8_text.data(), size, wide.data(), n);
    // No best-fit mapping (which would turn a character GBK lacks into a look-alike), and the
    // default character's use reported: either way the text is refused, never written with '?'.
    BOOL used_default = FALSE;
    const int bytes = WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, wide.data(), n, nullptr, 0,
                                          nullptr, &used_default);
    if (bytes <= 0 || used_default) return std::nullopt;
    std::string out(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, wide.data(), n, out.data(), bytes, nullptr,
                        &used_default);
    if (used_default) return std::nullopt;
    return out;
}

std::string program_folder() {
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size()) return {};
    path.resize(length);
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::string() : narrow(path.substr(0, slash));
}

bool is_regular_file(const std::string& path) {
    return kind_of(path) == Kind::file;
}

bool is_folder_or_device(const std::string& path) {
    return kind_of(path) == Kind::other;
}

std::FILE* open_file(const std::string& path, const char* mode) {
    errno = 0;
    std::FILE* file = _wfopen(widen(path).c_str(), widen(mode).c_str());
    if (!file) errno = refine_missing(path, errno);
    return file;
}

std::string temporary_path_beside(const std::string& target) {
    // The folder as the user wrote it, separators included, so that messages naming the
    // temporary file read like the target.
    const std::size_t slash = target.find_last_of("/\\");
    std::size_t cut = slash == std::string::npos ? 0 : slash + 1;
    if (cut == 0 && target.size() >= 2 && target[1] == ':') cut = 2;  // "C:table.xlsx"
    std::string name = target.substr(0, cut);
    name += '.';
    name += target.substr(cut);
    name += '.';
    name += std::to_string(GetCurrentProcessId());
    name += ".tmp";
    return name;
}

int rename_no_replace(const std::string& from, const std::string& to) {
    // Without MOVEFILE_REPLACE_EXISTING the move fails when the name is taken, in one step.
    if (MoveFileExW(widen(from).c_str(), widen(to).c_str(), MOVEFILE_WRITE_THROUGH)) return 0;
    return move_error(to);
}

int replace_file(const std::string& from, const std::string& to) {
    if (MoveFileExW(widen(from).c_str(), widen(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 0;
    const DWORD error = GetLastError();
    if (error == ERROR_ACCESS_DENIED) {
        // The usual reason on Windows: the spreadsheet application still has the last table
        // open, which Windows reports as a refused access rather than as a file in use.
        const HANDLE h = CreateFileW(widen(to).c_str(), DELETE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
        else if (GetLastError() == ERROR_SHARING_VIOLATION)
            return EBUSY;
        const DWORD a = attributes(to);
        if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) return EISDIR;
    }
    SetLastError(error);
    return move_error(to);
}

std::string narrow(std::wstring_view wide) {
    return utf8_of_wide(wide, 0).value_or(std::string());
}

bool system_speaks_utf8() {
    return GetACP() == CP_UTF8;
}

std::string system_error_text(int error) {
    if (error < 0) {
        // A system error without an errno counterpart: the system's own words, in its language.
        wchar_t* text = nullptr;
        const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                           FORMAT_MESSAGE_IGNORE_INSERTS,
                                       nullptr, static_cast<DWORD>(-error), 0,
                                       reinterpret_cast<wchar_t*>(&text), 0, nullptr);
        std::optional<std::string> message;
        if (n > 0 && text) {
            std::wstring_view view(text, n);
            while (!view.empty() &&
                   (view.back() == L'\r' || view.back() == L'\n' || view.back() == L' ' ||
                    view.back() == L'.' || view.back() == L'\x3002'))
                view.remove_suffix(1);
            message = utf8(view);
        }
        if (text) LocalFree(text);
        if (message && !message->empty()) return *message;
        return "系统错误 " + std::to_string(-error);
    }
    return std::strerror(error);
}

QuietStandardError::QuietStandardError() {
    std::fflush(stderr);
    const int null = _open("NUL", _O_WRONLY | _O_NOINHERIT);
    if (null < 0) return;
    saved_ = _dup(_fileno(stderr));
    if (saved_ >= 0) _dup2(null, _fileno(stderr));
    _close(null);
}

QuietStandardError::~QuietStandardError() {
    if (saved_ < 0) return;
    std::fflush(stderr);
    const int error = errno;  // what the quiet call left behind stays readable
    _dup2(saved_, _fileno(stderr));
    _close(saved_);
    errno = error;
}

bool is_terminal(std::FILE* stream) {
    // _isatty() is true for the null device as well; a console answers GetConsoleMode.
    const intptr_t handle = _get_osfhandle(_fileno(stream));
    DWORD mode = 0;
    return handle != -1 && GetConsoleMode(reinterpret_cast<HANDLE>(handle), &mode) != 0;
}

Utf8Console::Utf8Console() : saved_output_(GetConsoleOutputCP()), saved_input_(GetConsoleCP()) {
    // Both are 0 without a console (output to a file or pipe), and then left alone.
    if (saved_output_ != 0) SetConsoleOutputCP(CP_UTF8);
    if (saved_input_ != 0) SetConsoleCP(CP_UTF8);
}

Utf8Console::~Utf8Console() {
    // What is still buffered is shown under the code page it was written for.
    std::fflush(stdout);
    std::fflush(stderr);
    if (saved_output_ != 0) SetConsoleOutputCP(saved_output_);
    if (saved_input_ != 0) SetConsoleCP(saved_input_);
}

}  // namespace qelt
