#pragma once
// A table (the borehole table, the as-drilled table: its TableLayout) written as a real .xlsx
// workbook with libxlsxwriter.
//
// The workbook is streamed (libxlsxwriter's constant-memory mode): a row goes to disk once a later
// row is begun and cannot be touched afterwards, so memory does not grow with the number of
// boreholes. Rows whose borders are not known yet are held back here until they are:
//   - the rows of the current group, until report_group_frame (the frame comes after the group's
//     last borehole; a run stopped inside a group leaves that group unframed);
//   - rows 57·p and 57·p+1, until it is known whether the page line between them is drawn.
// Memory is thus bounded by the largest group.
//
// Every cell carries its whole format (borders, alignment, shrink-to-fit for remarks and group
// titles, font 宋体 10, number format): in .xlsx a written cell does not inherit its column's
// format. Formats are cached by that composition. The print area is the layout's columns, A..F
// for the borehole table.
//
// Page lines: a complete run draws the line under row 57·p and over row 57·p+1 for
// p = 1..page_line_count(last data row), in report_page_lines. Since rows are streamed, the line
// at 57·p is taken as drawn as soon as a borehole row r with page_line_count(r) >= p has been
// written: a complete run will draw it, because its last data row is at least r. A run stopped
// after that point therefore keeps the page lines it has already passed, where the in-memory sheet
// would have none. This is a known and accepted difference; everything else a stopped run leaves
// is exactly what was written (no frame for the current group, no note row, no headers).
//
// Rows are 1-based as in Sheet; the operations must reach the rows in the run's order (a row
// already streamed cannot be changed). A misuse or a cell libxlsxwriter refuses does not throw:
// the first such failure is kept and close() reports it.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>

#include "report/sheet.h"

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace qelt {

class XlsxSheet : public Sheet {
  public:
    // Prepares a workbook for `path`; the file itself is written by close(). The caller chooses
    // the path (a temporary name beside the target, renamed once close() succeeds). The layout
    // must outlive the sheet (the tables' layouts are constants).
    explicit XlsxSheet(const std::string& path, const TableLayout& layout = kBoreholeTable);
    // Without a successful close() the workbook is discarded and nothing is written.
    ~XlsxSheet() override;
    XlsxSheet(const XlsxSheet&) = delete;
    XlsxSheet& operator=(const XlsxSheet&) = delete;

    void report_open() override;
    void report_group_head(long r, const std::string& title) override;
    void report_serial(long row, int k) override;
    void report_row(long row, const BoreholeRow& borehole) override;
    void report_point_row(long row, const PointRow& point) override;
    void report_group_frame(long first, long last) override;
    void report_note(long row) override;
    void report_page_lines(long last_data_row) override;
    void report_headers(const std::string& project_line) override;

    // Writes the rows still held back, the page breaks, and the file. Call it exactly once when
    // the run has ended, complete or stopped. False, with the reason in `error`, when the file
    // could not be written or an earlier operation failed (libxlsxwriter's text where it has one).
    bool close(std::string& error);

  private:
    // Enough for every layout.
    static constexpr std::size_t kMaxColumns = 8;

    enum class Edge : std::uint8_t { none, thin, hair };
    enum class Align : std::uint8_t { center, left, right };
    // A column's NumberFormat, or the note row's date.
    enum class Shown : std::uint8_t { general, three_decimals, four_decimals, date };

    struct Cell {
        enum class Kind : std::uint8_t { empty, number, text, today } kind = Kind::empty;
        Align align = Align::center;
        double number = 0;
        std::string text;
        // The note row's texts run on over the empty cells beside them: never shrunk, whatever
        // their column's data are.
        bool runs_on = false;
    };

    // A row held back until its borders are known.
    struct Row {
        std::array<Cell, kMaxColumns> cells;
        bool merged = false;        // title row: all columns merged, the title in A
        bool framed = false;        // inside a group frame
        bool frame_top = false;     // first row of its frame
        bool frame_bottom = false;  // last row of its frame
        bool line_below = false;    // row 57·p with its page line
        bool line_above = false;    // row 57·p+1 with its page line
    };

    int columns() const { return static_cast<int>(layout_.columns.size()); }
    Row* hold(long row);
    void set_number(Row& row, long row_number, int column, double value);
    void set_text(Row& row, int column, const std::string& text);
    // After a row's cells: the page lines it settles, and the rows now final.
    void row_written(long row);
    void draw_page_lines(long count);
    void flush();
    void write_row(long row_number, const Row& row);
    lxw_format* format(Edge top, Edge bottom, Edge left, Edge right, Align align, Shown shown,
                       bool shrink);
    Shown column_shown(int column) const;
    void check(int lxw_result, const std::string& what);
    void fail(const std::string& message);

    const TableLayout& layout_;
    lxw_workbook* workbook_ = nullptr;
    lxw_worksheet* worksheet_ = nullptr;
    std::unordered_map<std::uint32_t, lxw_format*> formats_;
    std::map<long, Row> held_;
    std::optional<long> open_group_;  // title row of a group not framed yet
    long newest_row_ = 0;             // highest row any operation has reached
    long written_row_ = 0;            // highest row handed to libxlsxwriter
    long lines_decided_ = 0;          // page lines 1..this are certain to be drawn
    bool lines_settled_ = false;      // report_page_lines has run: no further lines
    std::optional<double> today_;     // date serial of the note row's cached value
    std::string error_;
};

}  // namespace qelt
