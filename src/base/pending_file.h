#pragma once
// A file on its way to where it will go: written under a temporary name beside its target and
// given its name only once complete, so that a failed run never leaves a half-written file; on
// every other way out the temporary file is removed. The reason for the first failure is kept
// as an errno value, to be told in the user's words (write_failure_reason). Where the file goes
// in the end is the caller's choice: replacing its target, or taking a name that is free.

#include <array>
#include <cstdio>
#include <streambuf>
#include <string>

namespace qelt {

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
    // closes it again (when a library writes the file under its own name). Done before the run
    // writes anything, so that a folder that is missing or cannot be written is known at once.
    bool create(bool keep_open);
    // Records a failure in writing the temporary file (errno value, 0 when not known).
    void fail(int error);
    // Writes what is buffered and closes the file.
    bool close();
    // Renames the complete temporary file into place, replacing the target.
    bool commit();
    // Renames the complete temporary file to `path` unless a file of that name exists, never
    // replacing one. 0 once moved; EEXIST when `path` is taken (the file stays pending, to be
    // given another name); otherwise the errno value, recorded as the file's failure.
    int commit_no_replace(const std::string& path);

    bool failed() const { return failed_; }
    int error() const { return error_; }
    // Why the file could not be written, in the user's words ("文件夹不存在", "磁盘已满" …).
    std::string failure_reason() const;

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

}  // namespace qelt
