#include "report/printed_table.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>

#include "base/limits.h"
#include "base/text.h"
#include "report/headers.h"

namespace qelt {

namespace {

// Margins in inches, as the borehole table's page: left, right, top, bottom, header, footer.
constexpr double kLeft = 0.75, kRight = 0.75, kTop = 0.93, kBottom = 1.0, kHeader = 0.41,
                 kFooter = 0.5;
constexpr double kRowHeight = 12;
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

enum class Edge : std::uint8_t { none, thin, hair };

struct Borders {
    Edge top = Edge::hair, bottom = Edge::hair, left = Edge::hair, right = Edge::hair;
};

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
    // `streamed`: libxlsxwriter's constant-memory mode, each row written out once the next is
    // begun, so that every row (the headings' too) must be written in order.
    Writer(const std::string& path, const PrintedTable& table, PrintedRowSource& rows,
           bool streamed)
        : table_(table),
          rows_(rows),
          streamed_(streamed),
          last_column_(static_cast<int>(table.columns.size()) - 1) {
        lxw_workbook_options options{};
        options.constant_memory = streamed ? LXW_TRUE : LXW_FALSE;
        workbook_ =
            streamed ? workbook_new_opt(path.c_str(), &options) : workbook_new(path.c_str());
        if (!workbook_) fail("cannot create the workbook " + path);
    }
    ~Writer() {
        if (workbook_) lxw_workbook_free(workbook_);
    }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    bool write(const std::string& project_line, std::string& error);

  private:
    void page_setup(const std::string& project_line);
    void headings();
    void streamed_headings();
    void data_rows();
    lxw_format* format(const Borders& b, int decimals, bool wrap, bool shrink = false);
    Borders cell_borders(int first_column, int last_column) const;
    void check(lxw_error e, const std::string& what) {
        if (e != LXW_NO_ERROR) fail(what + ": " + lxw_strerror(e));
    }
    void fail(const std::string& message) {
        if (error_.empty()) error_ = message;
    }

    const PrintedTable& table_;
    PrintedRowSource& rows_;
    const bool streamed_;
    const int last_column_;
    lxw_workbook* workbook_ = nullptr;
    lxw_worksheet* sheet_ = nullptr;
    std::unordered_map<std::uint32_t, lxw_format*> formats_;
    std::string error_;
};

lxw_format* Writer::format(const Borders& b, int decimals, bool wrap, bool shrink) {
    const auto edge = [](Edge e) { return static_cast<std::uint32_t>(e); };
    const std::uint32_t key = edge(b.top) | edge(b.bottom) << 2 | edge(b.left) << 4 |
                              edge(b.right) << 6 | static_cast<std::uint32_t>(decimals + 1) << 8 |
                              static_cast<std::uint32_t>(wrap) << 16 |
                              static_cast<std::uint32_t>(shrink) << 17;
    if (auto it = formats_.find(key); it != formats_.end()) return it->second;
    static constexpr std::uint8_t kStyle[] = {LXW_BORDER_NONE, LXW_BORDER_THIN, LXW_BORDER_HAIR};
    lxw_format* f = workbook_add_format(workbook_);
    format_set_font_name(f, "宋体");
    format_set_font_size(f, 10);
    format_set_align(f, LXW_ALIGN_CENTER);
    format_set_align(f, LXW_ALIGN_VERTICAL_CENTER);
    format_set_top(f, kStyle[static_cast<int>(b.top)]);
    format_set_bottom(f, kStyle[static_cast<int>(b.bottom)]);
    format_set_left(f, kStyle[static_cast<int>(b.left)]);
    format_set_right(f, kStyle[static_cast<int>(b.right)]);
    if (decimals >= 0)
        format_set_num_format(f, (decimals == 0 ? "0" : "0." + std::string(decimals, '0')).c_str());
    if (wrap) format_set_text_wrap(f);
    if (shrink) format_set_shrink(f);
    formats_.emplace(key, f);
    return f;
}

// Thin at the frame's left and right, hairlines between the columns.
Borders Writer::cell_borders(int first_column, int last_column) const {
    Borders b;
    if (first_column == 0) b.left = Edge::thin;
    if (last_column == last_column_) b.right = Edge::thin;
    return b;
}

void Writer::page_setup(const std::string& project_line) {
    sheet_ = workbook_add_worksheet(workbook_, table_.title.c_str());
    if (!sheet_) sheet_ = workbook_add_worksheet(workbook_, nullptr);
    if (!sheet_) {
        fail("cannot add the worksheet");
        return;
    }
    if (table_.landscape)
        worksheet_set_landscape(sheet_);
    else
        worksheet_set_portrait(sheet_);
    worksheet_set_paper(sheet_, table_.paper == Paper::a3 ? 8 : 9);
    worksheet_set_margins(sheet_, kLeft, kRight, kTop, kBottom);
    lxw_header_footer_options header{};
    header.margin = kHeader;
    check(worksheet_set_header_opt(sheet_, page_header(project_line, table_.title.c_str()).c_str(),
                                   &header),
          "page header");
    lxw_header_footer_options footer{};
    footer.margin = kFooter;
    check(worksheet_set_footer_opt(sheet_, "", &footer), "page footer margin");
    worksheet_set_default_row(sheet_, kRowHeight, LXW_FALSE);
    for (int c = 0; c <= last_column_; ++c)
        check(worksheet_set_column(sheet_, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                                   table_.columns[static_cast<std::size_t>(c)].width, nullptr),
              "column width");
    // A streamed sheet takes a row's height as the row is begun (streamed_headings).
    if (!streamed_)
        for (int r = 0; r < kPrintedHeadingRows; ++r)
            check(worksheet_set_row(sheet_, static_cast<lxw_row_t>(r), kHeadingHeights[r], nullptr),
                  "heading row height");
    worksheet_repeat_rows(sheet_, 0, kPrintedHeadingRows - 1);
    worksheet_fit_to_pages(sheet_, 1, 0);
}

// A group over several columns takes the first heading row, their own headings the second; a
// column without a group has its heading down both rows. The heading block is framed thin.
void Writer::headings() {
    const auto& columns = table_.columns;
    for (int c = 0; c <= last_column_;) {
        const PrintedColumn& column = columns[static_cast<std::size_t>(c)];
        if (column.group.empty()) {
            Borders b = cell_borders(c, c);
            b.top = b.bottom = Edge::thin;
            check(worksheet_merge_range(sheet_, 0, static_cast<lxw_col_t>(c), 1,
                                        static_cast<lxw_col_t>(c), column.heading.c_str(),
                                        format(b, -1, true)),
                  "heading");
            ++c;
            continue;
        }
        int end = c;
        while (end + 1 <= last_column_ &&
               columns[static_cast<std::size_t>(end + 1)].group == column.group)
            ++end;
        Borders top = cell_borders(c, end);
        top.top = Edge::thin;
        if (end > c)
            check(worksheet_merge_range(sheet_, 0, static_cast<lxw_col_t>(c), 0,
                                        static_cast<lxw_col_t>(end), column.group.c_str(),
                                        format(top, -1, true)),
                  "heading");
        else
            check(worksheet_write_string(sheet_, 0, static_cast<lxw_col_t>(c), column.group.c_str(),
                                         format(top, -1, true)),
                  "heading");
        for (int k = c; k <= end; ++k) {
            Borders b = cell_borders(k, k);
            b.bottom = Edge::thin;
            check(worksheet_write_string(sheet_, 1, static_cast<lxw_col_t>(k),
                                         columns[static_cast<std::size_t>(k)].heading.c_str(),
                                         format(b, -1, true)),
                  "heading");
        }
        c = end + 1;
    }
}

// The same headings row by row, as a streamed sheet must take them: the first row whole (the
// groups merged across their columns), then the second, and only then the headings that run
// down both rows are merged (the merge's first cell, written already, is not written again).
void Writer::streamed_headings() {
    const auto& columns = table_.columns;
    const auto group_end = [&](int c) {
        int end = c;
        while (end + 1 <= last_column_ && columns[static_cast<std::size_t>(end + 1)].group ==
                                              columns[static_cast<std::size_t>(c)].group)
            ++end;
        return end;
    };
    check(worksheet_set_row(sheet_, 0, kHeadingHeights[0], nullptr), "heading row height");
    for (int c = 0; c <= last_column_;) {
        const PrintedColumn& column = columns[static_cast<std::size_t>(c)];
        const lxw_col_t col = static_cast<lxw_col_t>(c);
        if (column.group.empty()) {
            Borders b = cell_borders(c, c);
            b.top = b.bottom = Edge::thin;
            check(
                worksheet_write_string(sheet_, 0, col, column.heading.c_str(), format(b, -1, true)),
                "heading");
            ++c;
            continue;
        }
        const int end = group_end(c);
        Borders top = cell_borders(c, end);
        top.top = Edge::thin;
        if (end > c)
            check(worksheet_merge_range(sheet_, 0, col, 0, static_cast<lxw_col_t>(end),
                                        column.group.c_str(), format(top, -1, true)),
                  "heading");
        else
            check(
                worksheet_write_string(sheet_, 0, col, column.group.c_str(), format(top, -1, true)),
                "heading");
        c = end + 1;
    }
    check(worksheet_set_row(sheet_, 1, kHeadingHeights[1], nullptr), "heading row height");
    for (int c = 0; c <= last_column_; ++c) {
        const PrintedColumn& column = columns[static_cast<std::size_t>(c)];
        const lxw_col_t col = static_cast<lxw_col_t>(c);
        Borders b = cell_borders(c, c);
        b.bottom = Edge::thin;
        if (column.group.empty()) {
            b.top = Edge::thin;
            // Registers the merge over both rows; its first cell is in the row gone to disk.
            worksheet_merge_range(sheet_, 0, col, 1, col, column.heading.c_str(),
                                  format(b, -1, true));
        } else {
            check(
                worksheet_write_string(sheet_, 1, col, column.heading.c_str(), format(b, -1, true)),
                "heading");
        }
    }
}

// Each page's last row closes with a thin line, the next page's first row opens with one, and
// the manual page break between them puts both on the printed page's edge.
void Writer::data_rows() {
    const long per_page = printed_rows_per_page(table_);
    std::vector<lxw_row_t> breaks;
    // One row ahead, to know which row is the last.
    std::vector<PrintedCell> cells, ahead;
    bool more = rows_.next(ahead);
    long i = 0;
    for (; more; ++i) {
        cells.swap(ahead);
        more = rows_.next(ahead);
        if (i + kPrintedHeadingRows >= kMaxSheetRows) {
            fail("the table has more rows than a worksheet");
            break;
        }
        const lxw_row_t r = static_cast<lxw_row_t>(kPrintedHeadingRows + i);
        const bool page_top = i % per_page == 0;
        const bool page_bottom = i % per_page == per_page - 1 || !more;
        if (page_top && i > 0 && static_cast<long>(breaks.size()) < LXW_BREAKS_MAX)
            breaks.push_back(r);  // a break above this row
        for (int c = 0; c <= last_column_;) {
            const PrintedCell none;
            const PrintedCell& cell = static_cast<std::size_t>(c) < cells.size()
                                          ? cells[static_cast<std::size_t>(c)]
                                          : none;
            const int end = std::min(last_column_, c + std::max(1, cell.span) - 1);
            Borders b = cell_borders(c, end);
            if (page_top) b.top = Edge::thin;
            if (page_bottom) b.bottom = Edge::thin;
            const int decimals = cell.kind == PrintedCell::Kind::number
                                     ? table_.columns[static_cast<std::size_t>(c)].decimals
                                     : -1;
            const bool shrink = end == c && table_.columns[static_cast<std::size_t>(c)].shrink;
            lxw_format* f = format(b, decimals, false, shrink);
            const lxw_col_t col = static_cast<lxw_col_t>(c);
            const std::string where = "row " + std::to_string(r + 1);
            if (cell.kind == PrintedCell::Kind::number && !std::isfinite(cell.number))
                fail(where + ": not a finite number");
            if (cell.kind == PrintedCell::Kind::text && utf8_length(cell.text) > kMaxCellText)
                fail(where + ": text too long for a cell");
            if (end > c) {
                check(worksheet_merge_range(sheet_, r, col, r, static_cast<lxw_col_t>(end),
                                            cell.text.c_str(), f),
                      where);
            } else if (cell.kind == PrintedCell::Kind::number && std::isfinite(cell.number)) {
                check(worksheet_write_number(sheet_, r, col, cell.number, f), where);
            } else if (cell.kind == PrintedCell::Kind::text) {
                check(worksheet_write_string(sheet_, r, col, cell.text.c_str(), f), where);
            } else {
                check(worksheet_write_blank(sheet_, r, col, f), where);
            }
            c = end + 1;
        }
    }
    const long count = i;
    if (!breaks.empty()) {
        breaks.push_back(0);
        check(worksheet_set_h_pagebreaks(sheet_, breaks.data()), "page breaks");
    }
    // Only the table prints, whatever is added beside it.
    check(worksheet_print_area(
              sheet_, 0, 0, static_cast<lxw_row_t>(kPrintedHeadingRows + std::max(count, 1L) - 1),
              static_cast<lxw_col_t>(last_column_)),
          "print area");
}

bool Writer::write(const std::string& project_line, std::string& error) {
    if (workbook_ && last_column_ >= 0) {
        page_setup(project_line);
        if (sheet_) {
            if (streamed_)
                streamed_headings();
            else
                headings();
            data_rows();
        }
    }
    if (last_column_ < 0) fail("a table without columns");
    if (workbook_) {
        check(workbook_close(workbook_), "cannot write the workbook");
        workbook_ = nullptr;
    }
    error = error_;
    return error_.empty();
}

}  // namespace

int printed_rows_per_page(const PrintedTable& table) {
    double width = 0, height = 0;
    paper_inches(table, width, height);
    const double page_width = (width - kLeft - kRight) * 72;
    const double scale = std::min(1.0, page_width / narrowest_table_points(table));
    double rows = (height - kTop - kBottom) * 72 / scale;
    for (double h : kHeadingHeights) rows -= h;
    return std::max(1, static_cast<int>(std::floor(rows / kRowHeight)) - 1);
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
