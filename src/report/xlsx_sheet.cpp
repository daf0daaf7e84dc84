#include "report/xlsx_sheet.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "report/headers.h"

namespace qelt {

namespace {

constexpr const char* kFallbackSheetName = "Sheet1";
// Column widths (the layouts') are in character widths, the digit width of the workbook's
// default font (Calibri 11): 7 pixels at 96 dpi in Excel and WPS, 0.5068 em = 5.575 pt in
// LibreOffice. The borehole table's X and Y take 98 and 107 px, enough for a fallback font with
// digits as wide as DejaVu Sans's where 宋体 is missing; with 5 px of padding per column A..F
// take 580 px of the 618 between the margins in Excel, and 82.86 characters = 461.9 pt of
// 463.5 pt in LibreOffice, whose digit is the wider one.
// Remarks and group titles are free text of any length: shrunk to their cell they can neither
// spill into the column beyond the last, which would print as a page of its own, nor be cut off.
// Excel refuses a header longer than this many characters, codes included; libxlsxwriter then
// leaves the header out.
constexpr std::size_t kMaxHeaderChars = LXW_HEADER_FOOTER_MAX;
// The most manual page breaks a worksheet can hold.
constexpr long kMaxPageBreaks = LXW_BREAKS_MAX;

lxw_row_t to_lxw_row(long row) {
    return static_cast<lxw_row_t>(row - 1);
}

// Today's local date as a spreadsheet date serial (days since 1899-12-30), the value the note
// row's =TODAY() shows until the file is recalculated.
double today_date_serial() {
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);  // the run is single-threaded
    using namespace std::chrono;
    const year_month_day today{year{local->tm_year + 1900},
                               month{static_cast<unsigned>(local->tm_mon + 1)},
                               day{static_cast<unsigned>(local->tm_mday)}};
    return static_cast<double>((sys_days{today} - sys_days{1899y / December / 30}).count());
}

std::uint8_t lxw_border(std::uint8_t edge) {
    // Edge: none, thin, hair.
    static constexpr std::uint8_t kStyles[] = {LXW_BORDER_NONE, LXW_BORDER_THIN, LXW_BORDER_HAIR};
    return kStyles[edge];
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

XlsxSheet::XlsxSheet(const std::string& path, const TableLayout& layout) : layout_(layout) {
    if (layout_.columns.size() > kMaxColumns) fail("the table has more columns than the writer");
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    workbook_ = workbook_new_opt(path.c_str(), &options);
    if (!workbook_) fail("cannot create the workbook " + path);
}

XlsxSheet::~XlsxSheet() {
    if (workbook_) lxw_workbook_free(workbook_);
}

void XlsxSheet::fail(const std::string& message) {
    if (error_.empty()) error_ = message;
}

void XlsxSheet::check(int lxw_result, const std::string& what) {
    if (lxw_result != LXW_NO_ERROR)
        fail(what + ": " + lxw_strerror(static_cast<lxw_error>(lxw_result)));
}

lxw_format* XlsxSheet::format(Edge top, Edge bottom, Edge left, Edge right, Align align,
                              Shown shown, bool shrink) {
    const std::uint32_t key =
        static_cast<std::uint32_t>(top) | static_cast<std::uint32_t>(bottom) << 2 |
        static_cast<std::uint32_t>(left) << 4 | static_cast<std::uint32_t>(right) << 6 |
        static_cast<std::uint32_t>(align) << 8 | static_cast<std::uint32_t>(shown) << 10 |
        static_cast<std::uint32_t>(shrink) << 12;
    if (auto it = formats_.find(key); it != formats_.end()) return it->second;

    lxw_format* f = workbook_add_format(workbook_);
    format_set_font_name(f, "宋体");
    format_set_font_size(f, 10);
    static constexpr std::uint8_t kAlign[] = {LXW_ALIGN_CENTER, LXW_ALIGN_LEFT, LXW_ALIGN_RIGHT};
    format_set_align(f, kAlign[static_cast<int>(align)]);
    format_set_align(f, LXW_ALIGN_VERTICAL_CENTER);
    format_set_top(f, lxw_border(static_cast<std::uint8_t>(top)));
    format_set_bottom(f, lxw_border(static_cast<std::uint8_t>(bottom)));
    format_set_left(f, lxw_border(static_cast<std::uint8_t>(left)));
    format_set_right(f, lxw_border(static_cast<std::uint8_t>(right)));
    if (shown == Shown::three_decimals) format_set_num_format(f, "0.000");
    if (shown == Shown::four_decimals) format_set_num_format(f, "0.0000");
    if (shown == Shown::date) format_set_num_format(f, "yyyy-mm-dd");
    if (shrink) format_set_shrink(f);
    formats_.emplace(key, f);
    return f;
}

XlsxSheet::Shown XlsxSheet::column_shown(int column) const {
    // Shown is NumberFormat with the date added after it.
    static_assert(
        static_cast<int>(Shown::three_decimals) == static_cast<int>(NumberFormat::three_decimals) &&
        static_cast<int>(Shown::four_decimals) == static_cast<int>(NumberFormat::four_decimals));
    return static_cast<Shown>(layout_.columns[static_cast<std::size_t>(column)].numbers);
}

void XlsxSheet::report_open() {
    if (!workbook_ || worksheet_) return;
    const char* name = workbook_validate_sheet_name(workbook_, layout_.title) == LXW_NO_ERROR
                           ? layout_.title
                           : kFallbackSheetName;
    worksheet_ = workbook_add_worksheet(workbook_, name);
    if (!worksheet_) {
        fail("cannot add the worksheet (temporary file for streaming not available?)");
        return;
    }

    worksheet_set_portrait(worksheet_);
    worksheet_set_paper(worksheet_, 9);  // A4
    worksheet_set_margins(worksheet_, 1.08, 0.75, 0.93, 1.0);
    // The header and footer margins can only be given with a header or footer; both stay empty
    // until report_headers.
    lxw_header_footer_options header{};
    header.margin = 0.41;
    check(worksheet_set_header_opt(worksheet_, "", &header), "page header margin");
    lxw_header_footer_options footer{};
    footer.margin = 0.5;
    check(worksheet_set_footer_opt(worksheet_, "", &footer), "page footer margin");

    worksheet_set_default_row(worksheet_, 12, LXW_FALSE);
    for (int c = 0; c < columns(); ++c) {
        const ColumnLayout& column = layout_.columns[static_cast<std::size_t>(c)];
        lxw_format* f = format(Edge::none, Edge::none, Edge::none, Edge::none, Align::center,
                               column_shown(c), column.shrink);
        check(worksheet_set_column(worksheet_, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                                   column.width, f),
              "column width");
    }
}

XlsxSheet::Row* XlsxSheet::hold(long row) {
    if (!worksheet_) {
        fail("the table was written to before report_open");
        return nullptr;
    }
    if (row < 1 || row > kMaxSheetRows) {
        fail("row " + std::to_string(row) + " lies outside the sheet (1.." +
             std::to_string(kMaxSheetRows) + ")");
        return nullptr;
    }
    if (row <= written_row_) {
        fail("row " + std::to_string(row) + " reached after row " + std::to_string(written_row_) +
             " was already written");
        return nullptr;
    }
    newest_row_ = std::max(newest_row_, row);
    return &held_[row];
}

void XlsxSheet::set_number(Row& row, long row_number, int column, double value) {
    // libxlsxwriter would write "NAN" or "INF" into the file, which spreadsheet applications
    // reject as a damaged workbook.
    if (!std::isfinite(value)) {
        fail("row " + std::to_string(row_number) + ", column " +
             std::string(1, static_cast<char>('A' + column)) + ": not a finite number");
        return;
    }
    row.cells[column].kind = Cell::Kind::number;
    row.cells[column].number = value;
}

void XlsxSheet::set_text(Row& row, int column, const std::string& text) {
    row.cells[column].kind = Cell::Kind::text;
    row.cells[column].text = text;
}

void XlsxSheet::report_group_head(long r, const std::string& title) {
    Row* title_row = hold(r);
    Row* headings = hold(r + 1);
    if (!title_row || !headings) return;
    title_row->merged = true;
    set_text(*title_row, 0, title);
    for (int c = 0; c < columns(); ++c)
        set_text(*headings, c, layout_.columns[static_cast<std::size_t>(c)].heading);
    open_group_ = std::min(open_group_.value_or(r), r);
    flush();
}

void XlsxSheet::report_serial(long row, int k) {
    if (Row* held = hold(row)) set_number(*held, row, 0, k);
    flush();
}

void XlsxSheet::report_row(long row, const BoreholeRow& borehole) {
    Row* held = hold(row);
    if (!held) return;
    set_text(*held, 1, borehole.station);
    set_number(*held, row, 2, borehole.offset);
    set_number(*held, row, 3, borehole.x);
    set_number(*held, row, 4, borehole.y);
    set_text(*held, 5, borehole.remark);
    row_written(row);
}

void XlsxSheet::report_point_row(long row, const PointRow& point) {
    Row* held = hold(row);
    if (!held) return;
    set_text(*held, 1, point.name);
    set_number(*held, row, 2, point.x);
    set_number(*held, row, 3, point.y);
    set_text(*held, 4, point.station);
    set_number(*held, row, 5, point.offset);
    set_text(*held, 6, point.remark);
    row_written(row);
}

void XlsxSheet::row_written(long row) {
    // A complete run draws every page line up to this row's count (see the header).
    draw_page_lines(page_line_count(row));
    flush();
}

void XlsxSheet::report_group_frame(long first, long last) {
    for (long row = first; row <= last; ++row) {
        Row* held = hold(row);
        if (!held) break;
        held->framed = true;
        held->frame_top = row == first;
        held->frame_bottom = row == last;
    }
    open_group_.reset();
    flush();
}

void XlsxSheet::report_note(long row) {
    Row* held = hold(row);
    if (!held) return;
    const int label = layout_.date_label_column;
    held->cells[layout_.note_column] = {Cell::Kind::text, Align::left, 0, kNoteText, true};
    held->cells[label] = {Cell::Kind::text, Align::right, 0, kDateLabel, true};
    held->cells[label + 1] = {Cell::Kind::today, Align::left, 0, {}, true};
    flush();
}

void XlsxSheet::report_page_lines(long last_data_row) {
    draw_page_lines(page_line_count(last_data_row));
    lines_settled_ = true;
    flush();
}

void XlsxSheet::draw_page_lines(long count) {
    for (long p = lines_decided_ + 1; p <= count; ++p) {
        Row* below = hold(kRowsPerPage * p);
        if (below) below->line_below = true;
        Row* above = hold(kRowsPerPage * p + 1);
        if (above) above->line_above = true;
    }
    lines_decided_ = std::max(lines_decided_, count);
}

void XlsxSheet::report_headers(const std::string& project_line) {
    if (!worksheet_) {
        fail("page headers set before report_open");
        return;
    }
    lxw_header_footer_options options{};
    options.margin = 0.41;
    check(worksheet_set_header_opt(worksheet_, page_header(project_line, layout_.title).c_str(),
                                   &options),
          "page header");
}

// Streams every held row whose borders are final. The newest row is kept as well: the next
// operation may still add cells to it.
void XlsxSheet::flush() {
    long limit = newest_row_;
    if (open_group_) limit = std::min(limit, *open_group_);
    if (!lines_settled_) limit = std::min(limit, kRowsPerPage * (lines_decided_ + 1));
    while (!held_.empty() && held_.begin()->first < limit) {
        auto node = held_.extract(held_.begin());
        write_row(node.key(), node.mapped());
    }
}

void XlsxSheet::write_row(long row_number, const Row& row) {
    written_row_ = row_number;
    const lxw_row_t r = to_lxw_row(row_number);
    const int last = columns() - 1;
    for (int c = 0; c <= last; ++c) {
        const Cell& cell = row.cells[c];
        Edge top = Edge::none, bottom = Edge::none, left = Edge::none, right = Edge::none;
        if (row.framed) {
            // Thin outside, hairline inside. The merged title cell draws the frame's right edge
            // itself: some applications take a merged range's borders from its first cell alone.
            top = row.frame_top ? Edge::thin : Edge::hair;
            bottom = row.frame_bottom ? Edge::thin : Edge::hair;
            left = c == 0 ? Edge::thin : Edge::hair;
            right = c == last || (row.merged && c == 0) ? Edge::thin : Edge::hair;
        }
        // Page lines come last in the run and so override the frame's hairlines.
        if (row.line_below) bottom = Edge::thin;
        if (row.line_above) top = Edge::thin;
        const Shown shown = cell.kind == Cell::Kind::today ? Shown::date : column_shown(c);
        const bool shrink = !cell.runs_on && (layout_.columns[static_cast<std::size_t>(c)].shrink ||
                                              (row.merged && c == 0));
        lxw_format* f = format(top, bottom, left, right, cell.align, shown, shrink);
        const lxw_col_t col = static_cast<lxw_col_t>(c);
        // The message names the row only when libxlsxwriter refuses a cell.
        const auto where = [row_number] { return "row " + std::to_string(row_number); };

        if (row.merged && c == 0) {
            // libxlsxwriter leaves an over-long title out of a merged range without a word.
            if (utf8_length(cell.text) > kMaxCellText)
                check(LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED, where() + ", merged title");
            if (const lxw_error e = worksheet_merge_range(
                    worksheet_, r, 0, r, static_cast<lxw_col_t>(last), cell.text.c_str(), f))
                check(e, where() + ", merged title");
            continue;
        }
        switch (cell.kind) {
            case Cell::Kind::number:
                if (const lxw_error e = worksheet_write_number(worksheet_, r, col, cell.number, f))
                    check(e, where());
                break;
            case Cell::Kind::text:
                if (const lxw_error e =
                        worksheet_write_string(worksheet_, r, col, cell.text.c_str(), f))
                    check(e, where());
                break;
            case Cell::Kind::today:
                if (!today_) today_ = today_date_serial();
                if (const lxw_error e =
                        worksheet_write_formula_num(worksheet_, r, col, "=TODAY()", f, *today_))
                    check(e, where());
                break;
            case Cell::Kind::empty:
                // Blank cells are written only to carry borders; the merged title's other cells
                // always get theirs so that every application draws the frame around the title.
                if (row.merged || top != Edge::none || bottom != Edge::none || left != Edge::none ||
                    right != Edge::none)
                    if (const lxw_error e = worksheet_write_blank(worksheet_, r, col, f))
                        check(e, where());
                break;
        }
    }
}

bool XlsxSheet::close(std::string& error) {
    if (!workbook_) {
        error = error_.empty() ? "the workbook was already closed" : error_;
        return false;
    }
    // A workbook never opened gets its one sheet here rather than inside workbook_close, so that
    // the rule for empty sheets below covers it too.
    if (!worksheet_) worksheet_ = workbook_add_worksheet(workbook_, nullptr);
    if (worksheet_) {
        // Whatever is still held back is final now; page lines not yet decided are not drawn.
        lines_settled_ = true;
        open_group_.reset();
        newest_row_ = kMaxSheetRows + 1;
        flush();

        // Manual breaks after every 57th row put the page lines on the printed page breaks
        // whatever fonts the printing application has. A worksheet holds at most 1023 of them,
        // which covers 58,311 rows; beyond that the application breaks pages on its own.
        std::vector<lxw_row_t> breaks;
        for (long row = kRowsPerPage;
             row < written_row_ && static_cast<long>(breaks.size()) < kMaxPageBreaks;
             row += kRowsPerPage)
            breaks.push_back(static_cast<lxw_row_t>(row));  // 0-based: break above row + 1
        breaks.push_back(0);
        if (breaks.size() > 1)
            check(worksheet_set_h_pagebreaks(worksheet_, breaks.data()), "page breaks");

        // Only the table's columns print: whatever a user adds beside the table, or text running
        // on past its last column in an application that ignores shrink-to-fit, would otherwise
        // add a page to the right of every page.
        check(worksheet_print_area(worksheet_, 0, 0, to_lxw_row(std::max(written_row_, 1L)),
                                   static_cast<lxw_col_t>(columns() - 1)),
              "print area");

        // In constant-memory mode libxlsxwriter closes a sheet's temporary file only when the
        // sheet holds a cell: an empty one kept a descriptor and a deleted file open until the
        // process ended, one per table in a desktop session. A formatted blank A1 shows nothing.
        if (written_row_ == 0)
            check(worksheet_write_blank(worksheet_, 0, 0,
                                        format(Edge::none, Edge::none, Edge::none, Edge::none,
                                               Align::center, Shown::general, false)),
                  "empty sheet");
    }
    // In constant-memory mode the rows go to a temporary file of libxlsxwriter's whose writes it
    // does not check: a disk filling up in the middle of a table, or a file-size limit, left a
    // workbook missing its rows that was reported as written. The stream's error flag tells.
    int lost_rows = 0;
    if (worksheet_ && worksheet_->optimize_tmpfile) {
        errno = 0;
        if (std::fflush(worksheet_->optimize_tmpfile) != 0 ||
            std::ferror(worksheet_->optimize_tmpfile)) {
            lost_rows = errno != 0 ? errno : EIO;
            fail("cannot write the table's rows to the temporary file");
        }
    }
    const lxw_error result = workbook_close(workbook_);  // frees the workbook in every case
    workbook_ = nullptr;
    worksheet_ = nullptr;
    held_.clear();
    check(result, "cannot write the workbook");
    error = error_;
    if (lost_rows != 0) errno = lost_rows;  // the reason the caller reports
    return error_.empty();
}

}  // namespace qelt
