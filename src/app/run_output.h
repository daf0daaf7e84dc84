#pragma once
// The files a run delivers, shared by qelt-cli and the desktop program: each is written under a
// temporary name beside where it will go and given its name only once complete, so that a
// failed run never leaves a half-written file; on every other way out the temporary file is
// removed. The reason for the first failure is kept as an errno value, to be told in the user's
// words. Where the file goes in the end is the front end's choice: qelt-cli replaces its
// --output, the desktop program takes a name that is free.

#include <array>
#include <cstdio>
#include <ostream>
#include <span>
#include <streambuf>
#include <string>
#include <utility>

#include "report/dxf_drawing.h"
#include "report/line_tables.h"
#include "report/xlsx_table.h"

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

// The table's workbook on its way to `target`: the table writes into the pending file's
// temporary name, laid out as `layout` (the borehole table unless said otherwise) with the
// columns of the optional fields in `present`.
class PendingWorkbook {
  public:
    explicit PendingWorkbook(std::string target, const TableLayout& layout = kBoreholeTable,
                             FieldSet present = {})
        : file_(std::move(target)), table_(file_.temporary(), layout, present) {}

    // The record sink that lays the table out.
    XlsxTable& table() { return table_; }
    const XlsxTable& table() const { return table_; }
    PendingFile& file() { return file_; }

    // Creates the temporary file before the run (PendingFile::create).
    bool create() { return file_.create(false); }
    // Writes the workbook into the temporary file, once, when the run has ended. False when it
    // could not be written, the failure recorded in file() (its reason: file().failure_reason()).
    bool close();

  private:
    PendingFile file_;  // first: the table is built on its temporary name, and discarded first
    XlsxTable table_;
};

// The plan drawing on its way to `target`: once the run has ended close() writes the drawing
// of the run's alignment (TableJob::alignment()) with the run's borehole records into the
// temporary file.
class PendingDrawing {
  public:
    explicit PendingDrawing(std::string target) : file_(std::move(target)) {}

    PendingFile& file() { return file_; }

    // Creates the temporary file before the run (PendingFile::create).
    bool create() { return file_.create(true); }
    // Writes the drawing and closes the file, once. False when it could not be written, the
    // failure recorded in file().
    bool close(const Alignment& alignment, std::span<const BoreholeRecord> boreholes) {
        std::ostream out(&file_);
        write_plan_drawing(out, alignment, boreholes);
        out.flush();
        return file_.close();
    }

  private:
    PendingFile file_;
};

// Writes a line table's workbook into the temporary name of `file` (created with
// create(false)); false with the failure recorded in `file`. Throws DataError as
// write_line_table_xlsx (the curve table of a line without JDs, a stake table too long).
bool write_pending_line_table(PendingFile& file, LineTableKind kind, const Alignment& alignment,
                              const std::string& project_line, double every);

}  // namespace qelt
