#pragma once
// The printed table held in memory, laid out by the same rows as the workbook (TableRows): every
// cell, merge, frame and page line the run's events made, in a form tests and fuzz targets can
// inspect directly, current after every event (a stopped run's last group included, which the
// workbook hands on only when it is closed); the programs stream their tables and never hold
// one. Rows are 1-based, columns 1..n (A..F for the borehole table, A..G for the as-drilled
// table).

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "report/tables/table_rows.h"

namespace qelt {

// A cell holds a number, a text, or the formula of the date cell.
struct Formula {
    std::string text;  // e.g. "=TODAY()"
    bool operator==(const Formula&) const = default;
};
using CellValue = std::variant<double, std::string, Formula>;

class SheetModel : public TableRows {
  public:
    // The layout must outlive the model (the tables' layouts are constants).
    explicit SheetModel(const TableLayout& layout = kBoreholeTable, FieldSet present = {},
                        long max_rows = kMaxSheetRows)
        : TableRows(layout, present, max_rows) {}

    bool opened = false;
    std::map<std::pair<long, int>, CellValue> cells;
    std::vector<long> merged_title_rows;        // rows whose columns are merged
    std::vector<std::pair<long, long>> frames;  // (first, last) of each framed block
    std::optional<long> note_row;
    std::vector<long> page_line_rows;  // 57·p: line under it and over the next
    std::string left_header, center_header, right_header;
    std::vector<std::string> refusals;  // misuses the layout refused

    // Convenience for tests: the cell's value, or nothing when it was never written.
    const CellValue* cell(long row, int column) const;
    // Highest row holding any cell (0 for an empty sheet).
    long last_row() const;

  private:
    void open_table() override { opened = true; }
    void row_changed(long number, const TableRow& row) override;
    void write_headers(const std::string& project_line, bool complete) override;
    void refuse(const std::string& message) override { refusals.push_back(message); }

    long frame_top_ = 0;  // first row of the frame being drawn
};

}  // namespace qelt
