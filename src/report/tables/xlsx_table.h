#pragma once
// The printed table (the borehole table, the as-drilled table) as a real .xlsx workbook: a record
// sink that lays its rows out from the list's events (table_rows.h) and streams them through the
// one xlsx writer (xlsx_book.h) in constant memory, bounded by the largest group.
//
// Every cell carries its whole format: its column's number format and shrink-to-fit (remarks,
// names and group titles shrink to their cell: free text of any length can then neither spill
// into the column beyond the last, which would print as a page of its own, nor be cut off), and
// the frame and page lines of its row. The page: A4 portrait, the house's margins with the
// system's wider left one, rows 12 points high, a manual page break after every 57th row so that
// the page lines fall on the printed page breaks in every spreadsheet application (automatic
// breaks depend on installed fonts), and only the table's columns in the print area.

#include <optional>
#include <string>

#include "report/tables/table_rows.h"
#include "report/tables/workload.h"
#include "report/tables/xlsx_book.h"

namespace qelt {

class XlsxTable : public TableRows {
  public:
    // Prepares a workbook for `path`; the file itself is written by close(). The caller chooses
    // the path (a temporary name beside the target, renamed once close() succeeds). The layout
    // must outlive the table (the tables' layouts are constants); the columns of the optional
    // fields in `present` are shown; `max_rows` bounds the table (tests make it small).
    explicit XlsxTable(const std::string& path, const TableLayout& layout = kBoreholeTable,
                       FieldSet present = {}, long max_rows = kMaxSheetRows);

    // Writes the rows still held back, the page breaks, and the file. Call it exactly once when
    // the run has ended, complete or stopped. False, with the reason in `error`, when the file
    // could not be written or an earlier event failed (libxlsxwriter's text where it has one).
    bool close(std::string& error);

    // A list that plans its holes' depths or types (RecordField::depth among the fields
    // present) gets the workload summed from the records on a second sheet, once the table is
    // complete: a stopped run's sums would pass for the whole list's.
    void record(const BoreholeRecord& borehole) override;
    void finish(const std::string& project_line) override;

  private:
    void open_table() override;
    void write_row(long number, const TableRow& row) override;
    void write_headers(const std::string& project_line, bool complete) override;
    void refuse(const std::string& message) override { book_.fail(message); }

    // The number format of column c.
    int decimals(int c) const;

    XlsxBook book_;
    bool closed_ = false;
    bool workload_wanted_;
    Workload workload_;
    std::optional<std::string> finished_;  // the project line of a complete table
};

}  // namespace qelt
