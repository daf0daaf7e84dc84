#pragma once
// qelt-cli's output files: each is written under a temporary name beside its target and renamed
// into place once complete, so that a failed run never leaves a half-written file. The reason
// for the first failure is kept as an errno value, for a message in the user's words.

#include <array>
#include <cstdio>
#include <streambuf>
#include <string>

namespace qelt::cli {

// Whether two paths name the same file however each is written (relative or absolute, "./",
// "..", a symbolic or hard link): the same file-system object when both exist, otherwise the
// same absolute path once resolved as far as it exists.
bool same_file(const std::string& a, const std::string& b);

// Also a stream buffer for writing the file's bytes (the CSV file): they are buffered here and
// handed to the C library unbuffered, so that the failing write's errno value is the one kept.
class PendingFile : public std::streambuf {
  public:
    explicit PendingFile(std::string target);
    // Removes the temporary file unless it has been renamed into place.
    ~PendingFile() override;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    const std::string& target() const { return target_; }
    const std::string& temporary() const { return temporary_; }

    // Creates the temporary file, empty, and keeps it open for writing through this buffer or
    // closes it again (when a library writes the file under its own name). Done before any input
    // is read, so that a folder that is missing or cannot be written is reported at once.
    bool create(bool keep_open);
    // Records a failure in writing the temporary file (errno value, 0 when not known).
    void fail(int error);
    // Writes what is buffered and closes the file.
    bool close();
    // Renames the complete temporary file into place, replacing the target.
    bool commit();

    bool failed() const { return failed_; }
    int error() const { return error_; }

  protected:
    int_type overflow(int_type c) override;
    int sync() override;

  private:
    bool write_buffer();

    std::string target_, temporary_;
    std::FILE* file_ = nullptr;
    bool created_ = false, committed_ = false, failed_ = false;
    int error_ = 0;
    std::array<char, 1 << 16> buffer_{};
};

}  // namespace qelt::cli
