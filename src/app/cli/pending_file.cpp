#include "app/cli/pending_file.h"

#include <cerrno>
#include <filesystem>
#include <utility>

#include "base/platform.h"

namespace qelt::cli {

bool same_file(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::exists(a, ec) && fs::exists(b, ec)) {
        const bool same = fs::equivalent(a, b, ec);
        if (!ec) return same;
    }
    const auto resolved = [](const std::string& p) {
        std::error_code e;
        fs::path path = fs::absolute(p, e);
        fs::path canonical = fs::weakly_canonical(path, e);
        return (e ? path : canonical).lexically_normal();
    };
    return resolved(a) == resolved(b);
}

PendingFile::PendingFile(std::string target)
    : target_(std::move(target)), temporary_(temporary_path_beside(target_)) {
    setp(buffer_.data(), buffer_.data() + buffer_.size());
}

PendingFile::~PendingFile() {
    if (file_) std::fclose(file_);
    if (created_ && !committed_) std::remove(temporary_.c_str());
}

bool PendingFile::create(bool keep_open) {
    errno = 0;
    file_ = std::fopen(temporary_.c_str(), "wb");
    if (!file_) {
        fail(errno);
        return false;
    }
    created_ = true;
    if (keep_open) {
        std::setvbuf(file_, nullptr, _IONBF, 0);
        return true;
    }
    return close();
}

void PendingFile::fail(int error) {
    if (failed_) return;
    failed_ = true;
    error_ = error;
}

bool PendingFile::write_buffer() {
    const auto size = static_cast<std::size_t>(pptr() - pbase());
    if (size > 0 && !failed_) {
        errno = 0;
        if (!file_ || std::fwrite(pbase(), 1, size, file_) != size) fail(errno);
    }
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    return !failed_;
}

PendingFile::int_type PendingFile::overflow(int_type c) {
    if (!write_buffer()) return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int PendingFile::sync() {
    return write_buffer() ? 0 : -1;
}

bool PendingFile::close() {
    write_buffer();
    if (file_) {
        errno = 0;
        if (std::fclose(file_) != 0) fail(errno);
        file_ = nullptr;
    }
    return !failed_;
}

bool PendingFile::commit() {
    if (failed_ || !created_) return false;
    if (const int error = replace_file(temporary_, target_); error != 0) {
        fail(error);
        return false;
    }
    committed_ = true;
    return true;
}

}  // namespace qelt::cli
