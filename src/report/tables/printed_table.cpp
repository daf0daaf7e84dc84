#include "report/tables/printed_table.h"

#include <algorithm>
#include <cmath>

#include "base/limits.h"

namespace qelt {

namespace {

// The line tables' left margin; the others are the house's (xlsx_book.h).
constexpr double kLeft = 0.75;
// The heading rows: the groups over the columns, and the columns' own headings in two lines.
constexpr double kHeadingHeights[kPrintedHeadingRows] = {14, 26};

// A column of w characters takes 7·w + 5 pixels in Excel (0.75 pt each), the narrowest any
// application makes it: the scale fitting the table one page wide is at most the page's width
// over that, so the rows of a page at that scale are the fewest any application prints.
double narrowest_table_points(const PrintedTable& table) {
    double px = 0;
    for (const PrintedColumn& c : table.columns) px += 7 * c.width + 5;
    return px * 0.75;
}

void paper_inches(const PrintedTable& table, double& width, double& height) {
    width = table.paper == Paper::a3 ? 11.69 : 8.27;
    height = table.paper == Paper::a3 ? 16.54 : 11.69;
    if (table.landscape) std::swap(width, height);
}

// The rows of a table held whole.
class HeldRows final : public PrintedRowSource {
  public:
    explicit HeldRows(const PrintedTable& table) : rows_(table.rows) {}
    bool next(std::vector<PrintedCell>& cells) override {
        if (next_ == rows_.size()) return false;
        cells = rows_[next_++];
        return true;
    }

  private:
    const std::vector<std::vector<PrintedCell>>& rows_;
    std::size_t next_ = 0;
};

class Writer {
  public:
    // `streamed`: each row goes to disk once the next is begun (xlsx_book.h), so that every
    // row, the headings' too, must be written whole and in order.
    Writer(const std::string& path, const PrintedTable& table, PrintedRowSource& rows,
           bool streamed)
        : table_(table),
          rows_(rows),
          streamed_(streamed),
          last_column_(static_cast<int>(table.columns.size()) - 1),
          book_(path, streamed) {}

    bool write(const std::string& project_line, std::string& error);

  private:
    void page_setup(const std::string& project_line);
    void headings();
    void streamed_headings();
    void data_rows();
    // Hairlines inside, thin at the frame's left and right.
    CellStyle cell_style(int first_column, int last_column) const;

    const PrintedTable& table_;
    PrintedRowSource& rows_;
    const bool streamed_;
    const int last_column_;
    XlsxBook book_;
};

CellStyle Writer::cell_style(int first_column, int last_column) const {
    CellStyle s;
    s.top = s.bottom = s.left = s.right = Edge::hair;
    if (first_column == 0) s.left = Edge::thin;
    if (last_column == last_column_) s.right = Edge::thin;
    return s;
}

void Writer::page_setup(const std::string& project_line) {
    if (!book_.add_sheet(table_.title.c_str(), {table_.paper, table_.landscape, kLeft})) return;
    book_.set_page_header(project_line, table_.title.c_str());
    for (int c = 0; c <= last_column_; ++c)
        book_.column(c, table_.columns[static_cast<std::size_t>(c)].width, nullptr);
    // A streamed sheet takes a row's height as the row is begun (streamed_headings).
    if (!streamed_)
        for (int r = 0; r < kPrintedHeadingRows; ++r) book_.row_height(r, kHeadingHeights[r]);
    book_.repeat_rows(0, kPrintedHeadingRows - 1);
    book_.fit_width();
    if (table_.centred) book_.center_horizontally();
}

// A group over several columns takes the first heading row, their own headings the second; a
// column without a group has its heading down both rows. The heading block is framed thin.
void Writer::headings() {
    const auto& columns = table_.columns;
    for (int c = 0; c <= last_column_;) {
        const PrintedColumn& column = columns[static_cast<std::size_t>(c)];
        if (column.group.empty()) {
            CellStyle s = cell_style(c, c);
            s.top = s.bottom = Edge::thin;
            s.wrap = true;
            book_.merge(0, c, 1, c, column.heading, s);
            ++c;
            continue;
        }
        int end = c;
        while (end + 1 <= last_column_ &&
               columns[static_cast<std::size_t>(end + 1)].group == column.group)
            ++end;
        CellStyle top = cell_style(c, end);
        top.top = Edge::thin;
        top.wrap = true;
        if (end > c)
            book_.merge(0, c, 0, end, column.group, top);
        else
            book_.text(0, c, column.group, top);
        for (int k = c; k <= end; ++k) {
            CellStyle s = cell_style(k, k);
            s.bottom = Edge::thin;
            s.wrap = true;
            book_.text(1, k, columns[static_cast<std::size_t>(k)].heading, s);
        }
        c = end + 1;
    }
}

// The same headings row by row, as a streamed sheet must take them: the first row whole (the
// groups merged across their columns), then the second, and only then the headings that run
// down both rows are merged (the merge's first cell, gone to disk with its row, is written
// in the first pass).
void Writer::streamed_headings() {
    const auto& columns = table_.columns;
    const auto heading_style = [&](int first, int last) {
        CellStyle s = cell_style(first, last);
        s.wrap = true;
        return s;
    };
    book_.row_height(0, kHeadingHeights[0]);
    for (int c = 0; c <= last_column_;) {
        const PrintedColumn& column = columns[static_cast<std::size_t>(c)];
        if (column.group.empty()) {
            CellStyle s = heading_style(c, c);
            s.top = s.bottom = Edge::thin;
            book_.text(0, c, column.heading, s);
            ++c;
            continue;
        }
        int end = c;
        while (end + 1 <= last_column_ &&
               columns[static_cast<std::size_t>(end + 1)].group == column.group)
            ++end;
        CellStyle top = heading_style(c, end);
        top.top = Edge::thin;
        if (end > c)
            book_.merge(0, c, 0, end, column.group, top);
        else
            book_.text(0, c, column.group, top);
        c = end + 1;
    }
    book_.row_height(1, kHeadingHeights[1]);
    for (int c = 0; c <= last_column_; ++c) {
        const PrintedColumn& column = columns[static_cast<std::size_t>(c)];
        CellStyle s = heading_style(c, c);
        s.bottom = Edge::thin;
        if (column.group.empty()) {
            s.top = Edge::thin;
            book_.merge(0, c, 1, c, column.heading, s);
        } else {
            book_.text(1, c, column.heading, s);
        }
    }
}

// Each page's last row closes with a thin line, the next page's first row opens with one, and
// the manual page break between them puts both on the printed page's edge.
void Writer::data_rows() {
    const long per_page = printed_rows_per_page(table_);
    // One row ahead, to know which row is the last.
    std::vector<PrintedCell> cells, ahead;
    bool more = rows_.next(ahead);
    long i = 0;
    for (; more; ++i) {
        cells.swap(ahead);
        more = rows_.next(ahead);
        if (i + kPrintedHeadingRows >= kMaxSheetRows) {
            book_.fail("the table has more rows than a worksheet");
            break;
        }
        const long r = kPrintedHeadingRows + i;
        const bool page_top = i % per_page == 0;
        const bool page_bottom = i % per_page == per_page - 1 || !more;
        if (page_top && i > 0) book_.break_above(r);
        for (int c = 0; c <= last_column_;) {
            const PrintedCell none;
            const PrintedCell& cell = static_cast<std::size_t>(c) < cells.size()
                                          ? cells[static_cast<std::size_t>(c)]
                                          : none;
            const int end = std::min(last_column_, c + std::max(1, cell.span) - 1);
            const PrintedColumn& column = table_.columns[static_cast<std::size_t>(c)];
            CellStyle s = cell_style(c, end);
            if (page_top) s.top = Edge::thin;
            if (page_bottom) s.bottom = Edge::thin;
            if (cell.kind == PrintedCell::Kind::number) s.decimals = column.decimals;
            s.shrink = end == c && column.shrink;
            if (end > c)
                book_.merge(r, c, r, end, cell.text, s);
            else if (cell.kind == PrintedCell::Kind::number)
                book_.number(r, c, cell.number, s);
            else if (cell.kind == PrintedCell::Kind::text)
                book_.text(r, c, cell.text, s);
            else
                book_.blank(r, c, s);
            c = end + 1;
        }
    }
    // Only the table prints, whatever is added beside it.
    book_.print_area(kPrintedHeadingRows + std::max(i, 1L) - 1, last_column_);
}

bool Writer::write(const std::string& project_line, std::string& error) {
    if (last_column_ < 0) {
        book_.fail("a table without columns");
    } else {
        page_setup(project_line);
        if (book_.has_sheet()) {
            if (streamed_)
                streamed_headings();
            else
                headings();
            data_rows();
        }
    }
    return book_.close(error);
}

}  // namespace

int printed_rows_per_page(const PrintedTable& table) {
    double width = 0, height = 0;
    paper_inches(table, width, height);
    const double page_width = (width - kLeft - kMarginRight) * 72;
    const double scale = std::min(1.0, page_width / narrowest_table_points(table));
    double rows = (height - kMarginTop - kMarginBottom) * 72 / scale;
    for (double h : kHeadingHeights) rows -= h;
    return std::max(1, static_cast<int>(std::floor(rows / kDefaultRowHeight)) - 1);
}

bool write_printed_table(const std::string& path, const PrintedTable& table,
                         const std::string& project_line, std::string& error) {
    if (static_cast<long>(table.rows.size()) + kPrintedHeadingRows > kMaxSheetRows) {
        error = "the table has more rows than a worksheet";
        return false;
    }
    HeldRows rows(table);
    Writer writer(path, table, rows, false);
    return writer.write(project_line, error);
}

bool write_printed_table(const std::string& path, const PrintedTable& table, PrintedRowSource& rows,
                         const std::string& project_line, std::string& error) {
    Writer writer(path, table, rows, true);
    return writer.write(project_line, error);
}

}  // namespace qelt
