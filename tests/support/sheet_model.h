#pragma once
// A table held in memory: every cell, merge, frame and page setting the run asked for, in a form
// tests and fuzz targets can inspect directly; the programs stream their tables and never hold
// one. Rows are 1-based, columns 1..n (A..F for the borehole table, A..G
// for the as-drilled table).

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "report/sheet.h"

namespace qelt {

// A cell holds a number, a text, or the formula of the date cell.
struct Formula {
    std::string text;  // e.g. "=TODAY()"
    bool operator==(const Formula&) const = default;
};
using CellValue = std::variant<double, std::string, Formula>;

class SheetModel : public Sheet {
  public:
    // The layout must outlive the sheet (the tables' layouts are constants).
    explicit SheetModel(const TableLayout& layout = kBoreholeTable) : layout_(layout) {}

    void report_open() override;
    void report_group_head(long r, const std::string& title) override;
    void report_serial(long row, int k) override;
    void report_row(long row, const BoreholeRow& borehole) override;
    void report_point_row(long row, const PointRow& point) override;
    void report_group_frame(long first, long last) override;
    void report_note(long row) override;
    void report_page_lines(long last_data_row) override;
    void report_headers(const std::string& project_line) override;

    bool opened = false;
    std::map<std::pair<long, int>, CellValue> cells;
    std::vector<long> merged_title_rows;        // rows whose columns are merged
    std::vector<std::pair<long, long>> frames;  // (first, last) of each framed block
    std::optional<long> note_row;
    std::vector<long> page_line_rows;  // 57·p: line under it and over the next
    std::string left_header, center_header, right_header;

    // Convenience for tests: the cell's value, or nothing when it was never written.
    const CellValue* cell(long row, int column) const;
    // Highest row holding any cell (0 for an empty sheet).
    long last_row() const;

  private:
    const TableLayout& layout_;
};

}  // namespace qelt
