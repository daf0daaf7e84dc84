#pragma once
// A table printed the way design drawings print theirs: a block of heading rows (a heading may
// stand over several columns, the columns' own headings under it, or run down both rows), then
// the data rows, all framed with a thin line and ruled inside with hairlines, in 宋体 10. Each
// printed page repeats the headings, ends on a manual page break with a page line under its last
// row, and carries the page header (project line left, title centred, "第 &P 页 共 &N 页"
// right). The page is fitted one page wide; the breaks are placed for the scale that takes, so
// that no application needs breaks of its own.
//
// The line tables (直线、曲线及转角表, 线元表, 逐桩坐标表) are all written through this one writer,
// itself built on the xlsx writer of the borehole tables (xlsx_book.h).

#include <string>
#include <vector>

#include "report/tables/table_columns.h"
#include "report/tables/xlsx_book.h"

namespace qelt {

// One column: its width in characters of the workbook's default font's digit (see
// xlsx_book.h), the heading over it (`group`, shared by the neighbouring
// columns that name the same one; empty: the column's own heading runs down both heading rows)
// and how its numbers are shown: `decimals` places (the cell keeps the full value), or -1 for
// the general format.
struct PrintedColumn {
    std::string group;
    std::string heading;  // "\n" breaks the heading into lines
    double width = 10;
    int decimals = -1;
    // Free text (point names, remarks) shrunk to its cell rather than spilling past it.
    bool shrink = false;
};

// One cell of a data row (table_columns.h): empty, a text or a number, merged with the cells to
// its right where its span says so.
using PrintedCell = RowCell;

struct PrintedTable {
    std::string title;  // the page header's centre and the worksheet's name
    std::vector<PrintedColumn> columns;
    std::vector<std::vector<PrintedCell>> rows;  // each at most one cell per column
    Paper paper = Paper::a4;
    bool landscape = false;
    bool centred = false;  // narrower than the page: printed centred under the title
};

// The printed table of `layout`, its columns those shown for the heights in `present`, without
// rows.
template <class Row>
PrintedTable printed_table_of(const RowTableLayout<Row>& layout, FieldSet present) {
    PrintedTable t;
    t.title = layout.title;
    t.paper = layout.paper;
    t.landscape = layout.landscape;
    t.centred = layout.centred;
    for (const RowColumn<Row>* c : shown_row_columns(layout.columns, present))
        t.columns.push_back({c->group, c->heading, c->width, c->decimals, c->shrink});
    return t;
}

// The heading rows of every printed table, and their heights in points.
inline constexpr int kPrintedHeadingRows = 2;

// Data rows on one printed page of `table`: its printable height (the paper less the top and
// bottom margins) at the largest scale fitting one page wide may take, less the heading rows,
// at 12 points a row, one row spare.
int printed_rows_per_page(const PrintedTable& table);

// Writes `table` as an .xlsx workbook at `path`, `project_line` left in the page headers.
// False, with the reason in `error`, when it could not be written (a number not finite, a text
// too long for a cell, the file itself).
bool write_printed_table(const std::string& path, const PrintedTable& table,
                         const std::string& project_line, std::string& error);

// The data rows of a table too long to hold (the stake table of a long line at a short
// interval), handed over one at a time in order.
class PrintedRowSource {
  public:
    virtual ~PrintedRowSource() = default;
    // The next row into `cells` (at most one cell per column); false after the last.
    virtual bool next(std::vector<PrintedCell>& cells) = 0;
};

// Writes `table` (its columns, title and paper; its own rows are not read) with the rows of
// `rows`, streamed: each row goes to disk as the next is begun, so that memory does not grow
// with the table. The workbook prints as write_printed_table's. False, with the reason in
// `error`, as write_printed_table (a table of more rows than a worksheet among the reasons).
bool write_printed_table(const std::string& path, const PrintedTable& table, PrintedRowSource& rows,
                         const std::string& project_line, std::string& error);

}  // namespace qelt
