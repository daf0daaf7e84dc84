#include "app/run_output.h"

#include <cerrno>
#include <utility>

#include "base/platform.h"

namespace qelt {

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
    file_ = open_file(temporary_, "wb");
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

std::string PendingFile::failure_reason() const {
    return write_failure_reason(error_);
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

int PendingFile::commit_no_replace(const std::string& path) {
    if (failed_ || !created_) return error_ != 0 ? error_ : EINVAL;
    const int error = rename_no_replace(temporary_, path);
    if (error == 0)
        committed_ = true;
    else if (error != EEXIST)
        fail(error);
    return error;
}

bool PendingWorkbook::close() {
    // libxlsxwriter would tell of a failure itself, in English and naming the temporary file;
    // the reason is taken from errno instead.
    QuietStandardError quiet;
    std::string error;
    errno = 0;
    if (!table_.close(error)) file_.fail(errno);
    return !file_.failed();
}

bool write_pending_line_table(PendingFile& file, LineTableKind kind, const Alignment& alignment,
                              const std::string& project_line, double every) {
    QuietStandardError quiet;
    std::string error;
    errno = 0;
    if (!write_line_table_xlsx(file.temporary(), kind, alignment, project_line, every, error))
        file.fail(errno);
    return !file.failed();
}

}  // namespace qelt
