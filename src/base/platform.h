#pragma once
// The few calls that differ between the users' Windows and this Linux build, one function each,
// so a port replaces only these.

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace qelt {

// Converts GB18030 (a superset of GBK, the encoding Chinese Windows editors save in) to UTF-8.
// Returns nothing when the bytes are not valid GB18030 either.
std::optional<std::string> gb18030_to_utf8(std::string_view bytes);

// Converts UTF-8 to GBK (code page 936), the encoding Chinese Windows programs and the survey
// controllers that take their files read text in. Returns nothing when the text holds a
// character GBK has no code for (GB18030's four-byte characters among them) or is not UTF-8:
// a file for the field must never carry a '?' in place of a name.
std::optional<std::string> utf8_to_gbk(std::string_view utf8);

// Paths are UTF-8 strings on both platforms. Error values are errno values; on Windows a system
// error without an errno counterpart is passed as its system error code negated, and
// write_failure_reason() tells it in the system's language.

// Whether the system hands this program file names, arguments and console text in UTF-8, the
// one encoding inside it: always on Linux; on Windows from Windows 10 version 1903 on, which
// honours the programs' manifests asking for it. An older Windows gives its ANSI code page
// instead (936 on a Chinese system), and every Chinese file name, the tables' own among them,
// would be read and written garbled.
bool system_speaks_utf8();

// The refusal of both programs where it does not.
inline constexpr const char* kNeedsUtf8System =
    "Qelt 需要 Windows 10 1903 版或更新版本（或 Windows 11）：这台电脑的 Windows "
    "不能按 UTF-8 读写含中文的文件名，算出的表格会写到错误的文件里。";

#ifdef _WIN32
// UTF-8 to the UTF-16 of the wide-character Windows calls; embedded NUL characters are kept
// (the open-file dialog's filter list is made of them).
std::wstring widen(std::string_view utf8);
// The UTF-16 of the wide-character calls back to UTF-8; embedded NUL characters are kept and
// what is not UTF-16 (an unpaired surrogate) comes out as U+FFFD.
std::string narrow(std::wstring_view wide);
#endif

// The folder this program's executable lies in, without a trailing separator; empty when the
// system does not say. Files shipped beside the program (the manual, PROJ's proj.db on Windows)
// are found through it, wherever the user installed or unpacked the program.
std::string program_folder();

// True when `path` names an existing regular file (not a folder, not a device).
bool is_regular_file(const std::string& path);

// True when `path` names something that exists and is no regular file: a folder or a device
// (/dev/null; NUL, CON … on Windows, whose names exist in every folder).
bool is_folder_or_device(const std::string& path);

// Opens `path` like std::fopen with `mode`. On failure errno says why: ENOTDIR when a folder in
// the path is a file (Windows itself only says the path was not found, which reads as a missing
// folder to the user).
std::FILE* open_file(const std::string& path, const char* mode);

// A name for writing `target` under before it is complete: a hidden file in the same folder
// (so the final rename stays on one file system), unique to this process.
std::string temporary_path_beside(const std::string& target);

// Moves `from` to `to` unless `to` exists, in one step where the file system allows it, so a
// file that appeared meanwhile is never overwritten. Returns 0, or the errno value (EEXIST when
// `to` exists).
int rename_no_replace(const std::string& from, const std::string& to);

// Moves `from` onto `to` in one step, replacing `to`: readers of `to` see the old file or the
// complete new one, never a half-written one. Returns 0, or the errno value.
int replace_file(const std::string& from, const std::string& to);

// Why a file could not be written, in the user's words, for the error value `error`:
// "文件夹不存在", "没有写入权限", "磁盘已满" … (the system's own text for the rare ones);
// "原因不明" for 0.
std::string write_failure_reason(int error);

// The system's own text for an error value write_failure_reason() has no words of its own for.
std::string system_error_text(int error);

// The one wording both front ends use when a file of theirs cannot be written: the path as the
// user gave it (or as the desktop program chose it), then the reason.
inline std::string write_failure_message(const std::string& path, const std::string& reason) {
    return "无法写入 " + path + "：" + reason;
}

// While it lives, what is written to the standard error stream is thrown away: libxlsxwriter
// reports failures there itself, in English and naming the temporary file, and the front ends
// say it their own way.
class QuietStandardError {
  public:
    QuietStandardError();
    ~QuietStandardError();
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

  private:
    int saved_ = -1;
};

// True when `stream` shows on an interactive terminal (a console window on Windows), where
// progress lines are worth drawing; false for files, pipes and the null device.
bool is_terminal(std::FILE* stream);

// While it lives, a console window shows the UTF-8 the program writes: Windows' console decodes
// a program's output in the system's legacy code page (936 on Chinese Windows) unless told
// otherwise, and keeps what it was told after the program ends, so the old setting is put back.
// Nothing to do elsewhere.
class Utf8Console {
  public:
    Utf8Console();
    ~Utf8Console();
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;

  private:
    unsigned saved_output_ = 0, saved_input_ = 0;
};

}  // namespace qelt
