#include <fcntl.h>
#include <iconv.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "base/platform.h"

namespace qelt {

std::optional<std::string> gb18030_to_utf8(std::string_view bytes) {
    iconv_t cd = iconv_open("UTF-8", "GB18030");
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out;
    // A GB18030 character never takes more than four bytes in UTF-8.
    out.resize(bytes.size() * 2 + 16);
    char* in_ptr = const_cast<char*>(bytes.data());
    std::size_t in_left = bytes.size();
    char* out_ptr = out.data();
    std::size_t out_left = out.size();
    std::size_t rc = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1) || in_left != 0) return std::nullopt;
    out.resize(out.size() - out_left);
    return out;
}

std::optional<std::string> utf8_to_gbk(std::string_view utf8) {
    // Without //TRANSLIT or //IGNORE glibc stops at a character GBK cannot hold (EILSEQ).
    iconv_t cd = iconv_open("GBK", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out;
    // A GBK character never takes more bytes than its UTF-8.
    out.resize(utf8.size() + 16);
    char* in_ptr = const_cast<char*>(utf8.data());
    std::size_t in_left = utf8.size();
    char* out_ptr = out.data();
    std::size_t out_left = out.size();
    std::size_t rc = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
    if (rc != static_cast<std::size_t>(-1)) rc = iconv(cd, nullptr, nullptr, &out_ptr, &out_left);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1) || in_left != 0) return std::nullopt;
    out.resize(out.size() - out_left);
    return out;
}

std::string program_folder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.parent_path().string();
}

bool is_regular_file(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

bool is_folder_or_device(const std::string& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    return !ec && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status);
}

std::string temporary_path_beside(const std::string& target) {
    std::filesystem::path p(target);
    std::string name = ".";
    name += p.filename().string();
    name += '.';
    name += std::to_string(::getpid());
    name += ".tmp";
    return (p.parent_path() / name).string();
}

std::FILE* open_file(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

int rename_no_replace(const std::string& from, const std::string& to) {
    // A hard link fails when the name is taken, which makes the check and the move one step.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return 0;
    }
    const int error = errno;
    if (error != EPERM && error != ENOTSUP && error != EOPNOTSUPP) return error;
    // File systems without hard links (a FAT memory stick): check, then move.
    std::error_code ec;
    if (std::filesystem::exists(to, ec)) return EEXIST;
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int replace_file(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

bool system_speaks_utf8() {
    return true;
}

std::string system_error_text(int error) {
    return std::strerror(error);
}

QuietStandardError::QuietStandardError() {
    std::fflush(stderr);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null < 0) return;
    saved_ = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    if (saved_ >= 0) ::dup2(null, STDERR_FILENO);
    ::close(null);
}

QuietStandardError::~QuietStandardError() {
    if (saved_ < 0) return;
    std::fflush(stderr);
    const int error = errno;  // what the quiet call left behind stays readable
    ::dup2(saved_, STDERR_FILENO);
    ::close(saved_);
    errno = error;
}

bool is_terminal(std::FILE* stream) {
    return ::isatty(::fileno(stream)) != 0;
}

Utf8Console::Utf8Console() = default;
Utf8Console::~Utf8Console() = default;

}  // namespace qelt
