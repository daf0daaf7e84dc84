#pragma once
// The printed table (the borehole table, the as-drilled table) laid out row by row from the
// list's events and the table's columns. Rows are 1-based; one group with title row r and n rows
// takes
//   r          the group title, merged over all columns
//   r+1        the headings, e.g. 序号 | 桩号 | 距中线距离（米） | X | Y | 备注
//   r+1+k      row k: its serial number when the row is begun, the record's fields when it comes
//   r+n+2      empty
// and is framed (thin outside, hairlines inside, title row included) once its last row is
// written; the next group's title is row r+n+3. After the last group: the note row ("注：…",
// "提供日期：" and today's date), page lines under every 57th row (and over the row after it),
// and the page headers.
//
// Rows are handed on in order, each once it is final, so that a writer can stream them (a
// streamed row cannot be touched again) and memory stays bounded by the largest group. Rows whose
// borders are not known yet are held back until they are:
//   - the rows of the current group, until the group ends (a run stopped inside a group leaves
//     that group unframed);
//   - rows 57·p and 57·p+1, until it is known whether the page line between them is drawn.
// A complete run draws the line under row 57·p and over row 57·p+1 for
// p = 1..page_line_count(last data row). The line at 57·p is taken as drawn as soon as a record
// is written in a row r with page_line_count(r) >= p: a complete run will draw it, since its last
// data row is at least r. A run stopped after that point therefore keeps the page lines it has
// passed; everything else a stopped run leaves is exactly what was written (no frame for the
// current group, no note row, no headers).

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/limits.h"
#include "report/borehole_record.h"
#include "report/tables/table_columns.h"
#include "report/tables/xlsx_book.h"

namespace qelt {

// Rows printed on one page; the page lines are drawn at every multiple of it.
inline constexpr long kRowsPerPage = 57;

// Number of page boundaries that get a line for a table whose last data row is `last`.
// 57.0001 rather than 57: a table ending exactly on a page boundary is closed there by its
// group frame already.
inline long page_line_count(long last_data_row) {
    return static_cast<long>(static_cast<double>(last_data_row) / 57.0001);
}

// What the page header adds to the title of a table whose run stopped part way.
inline constexpr const char* kIncompleteMark = "（未完成）";
// The title the page headers carry: the layout's, marked where the table is not `complete`.
inline std::string title_of(const TableLayout& layout, bool complete) {
    return complete ? std::string(layout.title) : std::string(layout.title) + kIncompleteMark;
}

// The most columns a printed table can have: the widest of the tables' column tables (the
// compared as-drilled table with every height).
inline constexpr std::size_t kMaxTableColumns =
    std::max({std::size(kBoreholeColumns), std::size(kAsDrilledColumns),
              std::size(kAsDrilledHeightColumns), std::size(kAsDrilledComparedColumns)});

struct TableCell {
    enum class Kind : std::uint8_t { empty, number, text, today } kind = Kind::empty;
    Align align = Align::center;
    double number = 0;
    std::string text;
    // The note row's texts run on over the empty cells beside them: never shrunk, whatever
    // their column's data are.
    bool runs_on = false;
};

// A row as laid out: its cells (by column, from A) and the lines around it.
struct TableRow {
    std::array<TableCell, kMaxTableColumns> cells;
    bool merged = false;        // title row: all columns merged, the title in A
    bool framed = false;        // inside a group frame
    bool frame_top = false;     // first row of its frame
    bool frame_bottom = false;  // last row of its frame
    bool line_below = false;    // row 57·p with its page line
    bool line_above = false;    // row 57·p+1 with its page line
};

class TableRows : public RecordSink {
  public:
    void begin_table() override;
    bool group_fits(int count) const override;
    void begin_group(const GroupHead& group) override;
    void begin_row(int serial) override;
    void record(const BoreholeRecord& borehole) override;
    void end_group() override;
    // Named on the 地面高程 column's note row (shown only where that column is).
    void ground_from(const std::string& source, GroundKind kind) override {
        ground_source_ = source;
        ground_kind_ = kind;
    }
    bool note_fits() const override;
    void finish(const std::string& project_line) override;
    void stopped(const std::string& project_line) override;
    long max_rows() const override { return max_rows_; }

    // The last row that holds a borehole, 0 before the first.
    long last_data_row() const { return last_data_row_; }

    const TableLayout& layout() const { return layout_; }
    // The columns shown, from A.
    int column_count() const { return static_cast<int>(columns_.size()); }
    const TableColumn& column(int c) const { return *columns_[static_cast<std::size_t>(c)]; }

  protected:
    // The table laid out as `layout` (which must outlive it), with the columns of the optional
    // fields in `present`, in at most `max_rows` rows.
    TableRows(const TableLayout& layout, FieldSet present, long max_rows);

    // What a writer does with the rows; each does nothing unless overridden.
    // The table is begun.
    virtual void open_table() {}
    // Row `number` is final: it will not change and no row before it will come again.
    virtual void write_row(long number, const TableRow& row) {
        (void)number;
        (void)row;
    }
    // Row `number` has changed and may change again (for a table held in memory).
    virtual void row_changed(long number, const TableRow& row) {
        (void)number;
        (void)row;
    }
    // The page headers: `project_line` left, the title centred, marked incomplete (title_of)
    // unless the table is `complete`.
    virtual void write_headers(const std::string& project_line, bool complete) {
        (void)project_line;
        (void)complete;
    }
    // A misuse (a row outside the table, a row reached after it was written); the events go on.
    virtual void refuse(const std::string& message) { (void)message; }

    // The run has ended, complete or stopped: every row still held is final now; page lines not
    // yet decided are not drawn.
    void release_rows();
    // The highest row handed to write_row, 0 before the first.
    long written_row() const { return written_row_; }

  private:
    TableRow* hold(long row);
    void draw_page_lines(long count);
    // Tells the changed rows, then hands on every held row whose borders are final.
    void flush();

    const TableLayout& layout_;
    std::vector<const TableColumn*> columns_;
    int note_column_ = 0, date_label_column_ = 0;
    bool design_note_ = false;  // the 设计高程 column is shown: its note row follows the first
    bool crossing_note_ = false;  // some group is skewed: the note row saying what 交角 is
    bool compared_note_ = false;  // the deviations are shown: their note row follows
    bool ground_note_ = false;    // the 地面高程 column is shown: its note row follows
    bool cut_fill_ = false;       // and the 填挖高 column, whose sign that row explains
    bool depth_note_ = false;     // the 孔深 column is shown: what it is measured from
    std::string ground_source_;
    GroundKind ground_kind_ = GroundKind::tin;
    int extra_notes() const {
        return (design_note_ ? 1 : 0) + (crossing_note_ ? 1 : 0) + (compared_note_ ? 1 : 0) +
               (ground_note_ ? 1 : 0) + (cut_fill_ ? 1 : 0) + (depth_note_ ? 1 : 0);
    }
    long max_rows_;
    bool begun_ = false;

    long row_cursor_ = 1;  // the title row of the next group
    long row_ = 0;         // the row begun last
    int count_ = 0;        // rows of the current group
    long last_data_row_ = 0;

    std::map<long, TableRow> held_;
    std::vector<long> changed_;       // rows held or touched since the last flush
    std::optional<long> open_group_;  // title row of a group not framed yet
    long newest_row_ = 0;             // highest row any event has reached
    long written_row_ = 0;            // highest row handed on
    long lines_decided_ = 0;          // page lines 1..this are certain to be drawn
    bool lines_settled_ = false;      // the table is finished: no further lines
};

}  // namespace qelt
