#include "report/tables/xlsx_book.h"

#include <xlsxwriter.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <string_view>

#include "base/limits.h"
#include "base/text.h"
#include "report/tables/headers.h"

namespace qelt {

namespace {

// Excel refuses a header longer than this many characters, codes included; libxlsxwriter then
// leaves the header out.
constexpr std::size_t kMaxHeaderChars = LXW_HEADER_FOOTER_MAX;

// Today's local date as a spreadsheet date serial (days since 1899-12-30), the value the note
// row's =TODAY() shows until the file is recalculated.
double today_date_serial() {
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);  // the runs are single-threaded
    using namespace std::chrono;
    const year_month_day today{year{local->tm_year + 1900},
                               month{static_cast<unsigned>(local->tm_mon + 1)},
                               day{static_cast<unsigned>(local->tm_mday)}};
    return static_cast<double>((sys_days{today} - sys_days{1899y / December / 30}).count());
}

std::uint8_t lxw_border(Edge edge) {
    static constexpr std::uint8_t kStyles[] = {LXW_BORDER_NONE, LXW_BORDER_THIN, LXW_BORDER_HAIR};
    return kStyles[static_cast<int>(edge)];
}

lxw_row_t lxw_row(long row) {
    return static_cast<lxw_row_t>(row);
}

lxw_col_t lxw_col(int col) {
    return static_cast<lxw_col_t>(col);
}

std::string where(long row) {
    return "row " + std::to_string(row + 1);
}

}  // namespace

// The page header in Excel's header codes, the table's title in the centre. An ampersand of the
// project line is doubled so that it prints as written instead of starting a code ("&B" would
// switch to bold and lose the "B"). When the whole header would exceed Excel's 255 characters, the
// project line is cut at a character boundary to fit: a header that is too long would otherwise be
// dropped altogether. libxlsxwriter takes "&G" and "&[Picture]" for image placeholders even after a
// doubled ampersand, refuses the header and leaves a freed one behind for workbook_close to read; a
// zero width space after the "&&" keeps such a project line from forming either (it prints unseen).
std::string page_header(const std::string& project_line, const char* title) {
    static const std::string kZeroWidthSpace = "\u200B";
    const auto assemble = [title](const std::string& project) {
        return "&L" + left_header_text(project) + "&C" + center_header_text(title) + "&R" +
               right_header_text();
    };
    const std::size_t fixed = utf8_length(assemble(""));
    const std::size_t budget = fixed < kMaxHeaderChars ? kMaxHeaderChars - fixed : 0;
    std::string project;
    std::size_t used = 0;
    for (std::size_t i = 0; i < project_line.size();) {
        const std::size_t end = next_utf8_boundary(project_line, i);
        const bool ampersand = project_line[i] == '&';
        const std::string_view rest = std::string_view(project_line).substr(end);
        const bool placeholder =
            ampersand && (rest.starts_with("G") || rest.starts_with("[Picture]"));
        const std::size_t chars = placeholder ? 3 : ampersand ? 2 : 1;
        if (used + chars > budget) break;
        project += placeholder ? "&&" + kZeroWidthSpace
                   : ampersand ? std::string("&&")
                               : project_line.substr(i, end - i);
        used += chars;
        i = end;
    }
    return assemble(project);
}

XlsxBook::XlsxBook(const std::string& path, bool streamed) : streamed_(streamed) {
    if (streamed) {
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        workbook_ = workbook_new_opt(path.c_str(), &options);
    } else {
        workbook_ = workbook_new(path.c_str());
    }
    if (!workbook_) fail("cannot create the workbook " + path);
}

XlsxBook::~XlsxBook() {
    if (workbook_) lxw_workbook_free(workbook_);
}

void XlsxBook::fail(const std::string& message) {
    if (error_.empty()) error_ = message;
}

void XlsxBook::check(int lxw_result, const std::string& what) {
    if (lxw_result != LXW_NO_ERROR)
        fail(what + ": " + lxw_strerror(static_cast<lxw_error>(lxw_result)));
}

lxw_format* XlsxBook::format(const CellStyle& s) {
    const auto edge = [](Edge e) { return static_cast<std::uint32_t>(e); };
    const std::uint32_t key =
        edge(s.top) | edge(s.bottom) << 2 | edge(s.left) << 4 | edge(s.right) << 6 |
        static_cast<std::uint32_t>(s.align) << 8 | static_cast<std::uint32_t>(s.date) << 10 |
        static_cast<std::uint32_t>(s.wrap) << 11 | static_cast<std::uint32_t>(s.shrink) << 12 |
        static_cast<std::uint32_t>(s.decimals + 1) << 16;
    if (auto it = formats_.find(key); it != formats_.end()) return it->second;

    lxw_format* f = workbook_add_format(workbook_);
    format_set_font_name(f, "宋体");
    format_set_font_size(f, 10);
    static constexpr std::uint8_t kAlign[] = {LXW_ALIGN_CENTER, LXW_ALIGN_LEFT, LXW_ALIGN_RIGHT};
    format_set_align(f, kAlign[static_cast<int>(s.align)]);
    format_set_align(f, LXW_ALIGN_VERTICAL_CENTER);
    format_set_top(f, lxw_border(s.top));
    format_set_bottom(f, lxw_border(s.bottom));
    format_set_left(f, lxw_border(s.left));
    format_set_right(f, lxw_border(s.right));
    if (s.date)
        format_set_num_format(f, "yyyy-mm-dd");
    else if (s.decimals >= 0)
        format_set_num_format(
            f,
            (s.decimals == 0 ? "0" : "0." + std::string(static_cast<std::size_t>(s.decimals), '0'))
                .c_str());
    if (s.wrap) format_set_text_wrap(f);
    if (s.shrink) format_set_shrink(f);
    formats_.emplace(key, f);
    return f;
}

bool XlsxBook::add_sheet(const char* title, const PageSetup& page) {
    if (!workbook_) return false;
    // A further sheet (the workload after the borehole table): the one before is complete.
    if (sheet_) end_sheet();
    const bool valid = workbook_validate_sheet_name(workbook_, title) == LXW_NO_ERROR;
    sheet_ = workbook_add_worksheet(workbook_, valid ? title : nullptr);
    if (sheet_) sheets_.push_back(sheet_);
    if (!sheet_) {
        fail("cannot add the worksheet (temporary file for streaming not available?)");
        return false;
    }
    if (page.landscape)
        worksheet_set_landscape(sheet_);
    else
        worksheet_set_portrait(sheet_);
    worksheet_set_paper(sheet_, page.paper == Paper::a3 ? 8 : 9);
    worksheet_set_margins(sheet_, page.left_margin, kMarginRight, kMarginTop, kMarginBottom);
    // The header and footer margins can only be given with a header or footer; both stay empty
    // until set_page_header.
    lxw_header_footer_options header{};
    header.margin = kMarginHeader;
    check(worksheet_set_header_opt(sheet_, "", &header), "page header margin");
    lxw_header_footer_options footer{};
    footer.margin = kMarginFooter;
    check(worksheet_set_footer_opt(sheet_, "", &footer), "page footer margin");
    worksheet_set_default_row(sheet_, kDefaultRowHeight, LXW_FALSE);
    return true;
}

void XlsxBook::add_plain_sheet() {
    if (workbook_ && !sheet_) sheet_ = workbook_add_worksheet(workbook_, nullptr);
    if (sheet_ && sheets_.empty()) sheets_.push_back(sheet_);
}

// The page breaks of the sheet written last, and the blank cell an empty one needs.
void XlsxBook::end_sheet() {
    if (!breaks_.empty()) {
        breaks_.push_back(0);  // the list's end
        check(worksheet_set_h_pagebreaks(sheet_, breaks_.data()), "page breaks");
        breaks_.clear();
    }
    // In constant-memory mode libxlsxwriter closes a sheet's temporary file only when the
    // sheet holds a cell: an empty one kept a descriptor and a deleted file open until the
    // process ended, one per table in a desktop session. A formatted blank A1 shows nothing.
    if (streamed_ && !wrote_cell_)
        check(worksheet_write_blank(sheet_, 0, 0, format(CellStyle{})), "empty sheet");
    wrote_cell_ = false;
}

void XlsxBook::column(int c, double width, const CellStyle* style) {
    if (!sheet_) return;
    check(worksheet_set_column(sheet_, lxw_col(c), lxw_col(c), width,
                               style ? format(*style) : nullptr),
          "column width");
}

void XlsxBook::row_height(long row, double points) {
    if (sheet_) check(worksheet_set_row(sheet_, lxw_row(row), points, nullptr), "row height");
}

void XlsxBook::repeat_rows(long first, long last) {
    if (sheet_) check(worksheet_repeat_rows(sheet_, lxw_row(first), lxw_row(last)), "repeat rows");
}

void XlsxBook::fit_width() {
    if (sheet_) worksheet_fit_to_pages(sheet_, 1, 0);
}

void XlsxBook::center_horizontally() {
    if (sheet_) worksheet_center_horizontally(sheet_);
}

void XlsxBook::set_page_header(const std::string& project_line, const char* title) {
    if (!sheet_) {
        fail("page headers set before the worksheet");
        return;
    }
    lxw_header_footer_options options{};
    options.margin = kMarginHeader;
    check(worksheet_set_header_opt(sheet_, page_header(project_line, title).c_str(), &options),
          "page header");
}

void XlsxBook::number(long row, int col, double value, const CellStyle& style) {
    // libxlsxwriter would write "NAN" or "INF" into the file, which spreadsheet applications
    // reject as a damaged workbook.
    if (!std::isfinite(value)) {
        fail(where(row) + ", column " + std::string(1, static_cast<char>('A' + col)) +
             ": not a finite number");
        return;
    }
    cell_written(worksheet_write_number(sheet_, lxw_row(row), lxw_col(col), value, format(style)),
                 row);
}

void XlsxBook::text(long row, int col, const std::string& text, const CellStyle& style) {
    cell_written(
        worksheet_write_string(sheet_, lxw_row(row), lxw_col(col), text.c_str(), format(style)),
        row);
}

void XlsxBook::today(long row, int col, const CellStyle& style) {
    if (!today_) today_ = today_date_serial();
    cell_written(worksheet_write_formula_num(sheet_, lxw_row(row), lxw_col(col), "=TODAY()",
                                             format(style), *today_),
                 row);
}

void XlsxBook::blank(long row, int col, const CellStyle& style) {
    cell_written(worksheet_write_blank(sheet_, lxw_row(row), lxw_col(col), format(style)), row);
}

void XlsxBook::merge(long first_row, int first_col, long last_row, int last_col,
                     const std::string& text, const CellStyle& style) {
    // libxlsxwriter leaves an over-long text out of a merged range without a word.
    if (utf8_length(text) > kMaxCellText)
        check(LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED, where(first_row) + ", merged cell");
    wrote_cell_ = true;
    if (const lxw_error e =
            worksheet_merge_range(sheet_, lxw_row(first_row), lxw_col(first_col), lxw_row(last_row),
                                  lxw_col(last_col), text.c_str(), format(style)))
        check(e, where(first_row) + ", merged cell");
}

// The message naming the row is made only when a cell is refused: a table writes millions.
void XlsxBook::cell_written(int lxw_result, long row) {
    wrote_cell_ = true;
    if (lxw_result != LXW_NO_ERROR) check(lxw_result, where(row));
}

void XlsxBook::break_above(long row) {
    if (static_cast<long>(breaks_.size()) < LXW_BREAKS_MAX)
        breaks_.push_back(static_cast<std::uint32_t>(row));
}

void XlsxBook::print_area(long last_row, int last_col) {
    if (sheet_)
        check(worksheet_print_area(sheet_, 0, 0, lxw_row(last_row), lxw_col(last_col)),
              "print area");
}

bool XlsxBook::close(std::string& error) {
    if (!workbook_) {
        error = error_.empty() ? "the workbook was already closed" : error_;
        return false;
    }
    if (sheet_) end_sheet();
    // In constant-memory mode the rows go to a temporary file of libxlsxwriter's whose writes it
    // does not check: a disk filling up in the middle of a table, or a file-size limit, left a
    // workbook missing its rows that was reported as written. The stream's error flag tells.
    int lost_rows = 0;
    for (lxw_worksheet* sheet : sheets_) {
        if (!sheet->optimize_tmpfile || lost_rows != 0) continue;
        errno = 0;
        if (std::fflush(sheet->optimize_tmpfile) != 0 || std::ferror(sheet->optimize_tmpfile)) {
            lost_rows = errno != 0 ? errno : EIO;
            fail("cannot write the table's rows to the temporary file");
        }
    }
    const lxw_error result = workbook_close(workbook_);  // frees the workbook in every case
    workbook_ = nullptr;
    sheet_ = nullptr;
    sheets_.clear();
    check(result, "cannot write the workbook");
    error = error_;
    if (lost_rows != 0) errno = lost_rows;  // the reason the caller reports
    return error_.empty();
}

}  // namespace qelt
