#include "report/tables/xlsx_table.h"

#include <algorithm>

#include "report/tables/xlsx_workload.h"

namespace qelt {

namespace {

// The borehole tables keep the system's left margin, wider than the line tables'.
constexpr double kLeftMargin = 1.08;
// What fits between the margins of the portrait page in LibreOffice, whose digit (5.575 pt) is
// the widest any application takes, in characters; each column adds 5 px (3.75 pt) of padding.
constexpr double kPortraitWidth = 83.1, kColumnPadding = 3.75 / 5.575;

}  // namespace

XlsxTable::XlsxTable(const std::string& path, const TableLayout& layout, FieldSet present,
                     long max_rows)
    : TableRows(layout, present, max_rows),
      book_(path, true),
      workload_wanted_(present.has(RecordField::depth)) {}

void XlsxTable::record(const BoreholeRecord& borehole) {
    TableRows::record(borehole);
    if (workload_wanted_) workload_.add(borehole);
}

void XlsxTable::finish(const std::string& project_line) {
    TableRows::finish(project_line);
    finished_ = project_line;
}

int XlsxTable::decimals(int c) const {
    switch (column(c).numbers) {
        case NumberFormat::two_decimals:
            return 2;
        case NumberFormat::three_decimals:
            return 3;
        case NumberFormat::four_decimals:
            return 4;
        case NumberFormat::general:
            break;
    }
    return -1;
}

void XlsxTable::open_table() {
    if (!book_.add_sheet(layout().title, {Paper::a4, false, kLeftMargin})) return;
    double width = 0;
    for (int c = 0; c < column_count(); ++c) {
        CellStyle style;
        style.decimals = decimals(c);
        style.shrink = column(c).shrink;
        book_.column(c, column(c).width, &style);
        width += column(c).width + kColumnPadding;
    }
    // A table wider than the page (the heights' columns shown) prints at the scale that fits
    // it one page wide; the manual breaks still end each page.
    if (width > kPortraitWidth) book_.fit_width();
}

void XlsxTable::write_row(long number, const TableRow& row) {
    const long r = number - 1;
    const int last = column_count() - 1;
    for (int c = 0; c <= last; ++c) {
        const TableCell& cell = row.cells[static_cast<std::size_t>(c)];
        CellStyle style;
        if (row.framed) {
            // Thin outside, hairline inside. The merged title cell draws the frame's right edge
            // itself: some applications take a merged range's borders from its first cell alone.
            style.top = row.frame_top ? Edge::thin : Edge::hair;
            style.bottom = row.frame_bottom ? Edge::thin : Edge::hair;
            style.left = c == 0 ? Edge::thin : Edge::hair;
            style.right = c == last || (row.merged && c == 0) ? Edge::thin : Edge::hair;
        }
        // Page lines come last in the run and so override the frame's hairlines.
        if (row.line_below) style.bottom = Edge::thin;
        if (row.line_above) style.top = Edge::thin;
        style.align = cell.align;
        if (cell.kind == TableCell::Kind::today)
            style.date = true;
        else
            style.decimals = decimals(c);
        style.shrink = !cell.runs_on && (column(c).shrink || (row.merged && c == 0));

        if (row.merged && c == 0) {
            book_.merge(r, 0, r, last, cell.text, style);
            continue;
        }
        switch (cell.kind) {
            case TableCell::Kind::number:
                book_.number(r, c, cell.number, style);
                break;
            case TableCell::Kind::text:
                book_.text(r, c, cell.text, style);
                break;
            case TableCell::Kind::today:
                book_.today(r, c, style);
                break;
            case TableCell::Kind::empty:
                // Blank cells are written only to carry borders; the merged title's other cells
                // always get theirs so that every application draws the frame around the title.
                if (row.merged || style.top != Edge::none || style.bottom != Edge::none ||
                    style.left != Edge::none || style.right != Edge::none)
                    book_.blank(r, c, style);
                break;
        }
    }
}

void XlsxTable::write_headers(const std::string& project_line, bool complete) {
    book_.set_page_header(project_line, title_of(layout(), complete).c_str());
}

bool XlsxTable::close(std::string& error) {
    // A workbook never begun gets its one sheet here rather than inside the writer, so that
    // the rule for empty sheets covers it too.
    if (!closed_) book_.add_plain_sheet();
    closed_ = true;
    if (book_.has_sheet()) {
        release_rows();
        // Manual breaks after every 57th row put the page lines on the printed page breaks
        // whatever fonts the printing application has (the writer keeps the first 1023, which
        // cover 58,311 rows).
        for (long row = kRowsPerPage; row < written_row(); row += kRowsPerPage)
            book_.break_above(row);  // 0-based: above row + 1
        book_.print_area(std::max(written_row(), 1L) - 1, column_count() - 1);
        if (workload_wanted_ && finished_ && workload_.planned())
            write_workload_sheet(book_, workload_, *finished_);
    }
    return book_.close(error);
}

}  // namespace qelt
