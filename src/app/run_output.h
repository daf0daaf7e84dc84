#pragma once
// The workbooks a job delivers, each through a PendingFile (base/pending_file.h): the table's,
// laid out by its record sink as the run goes, and a line table's, written whole. qelt-cli
// replaces its --output with them, the desktop program takes a name that is free.

#include <ostream>
#include <string>
#include <utility>

#include "base/pending_file.h"
#include "report/tables/line_tables.h"
#include "report/tables/xlsx_table.h"

namespace qelt {

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

// Writes a line table's workbook into the temporary name of `file` (created with
// create(false)); false with the failure recorded in `file`. Throws DataError as
// write_line_table_xlsx (the curve table of a line without JDs, a stake table too long).
bool write_pending_line_table(PendingFile& file, LineTableKind kind, const Alignment& alignment,
                              const std::string& project_line, double every);
// The stake table of the rows of `stakes` the same way, its CSV into `csv` where given
// (write_stake_table).
bool write_pending_stake_table(PendingFile& file, std::ostream* csv, const Alignment& alignment,
                               StakeSource& stakes, bool ground, const std::string& project_line);

}  // namespace qelt
