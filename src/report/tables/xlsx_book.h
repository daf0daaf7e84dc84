#pragma once
// The one .xlsx writer under every printed table of Qelt (the borehole tables, the line tables):
// a workbook of one worksheet, set up to print as the house's tables print, written cell by cell
// with libxlsxwriter.
//
// Every cell carries its whole format: in .xlsx a written cell does not inherit its column's
// format. A format is composed of the cell's borders (thin frame, hairlines inside, page lines),
// its alignment, its number format, wrapping and shrink-to-fit, always in 宋体 10 and centred
// vertically, and cached by that composition, so that a table of a million cells has a handful of
// formats.
//
// Column widths are in characters, the digit width of the workbook's default font (Calibri 11):
// 7 pixels at 96 dpi in Excel and WPS, 0.5068 em = 5.575 pt in LibreOffice, plus 5 pixels of
// padding per column; a table is laid out to fit one page wide in both.
//
// A streamed book (libxlsxwriter's constant-memory mode) writes each row to disk once a later row
// is begun: its rows must come in order, and memory does not grow with the table.
//
// Rows and columns are 0-based here, as libxlsxwriter counts them; messages name rows 1-based,
// as spreadsheets show them. Nothing throws: the first failure (a misuse, a cell libxlsxwriter
// refuses, the file) is kept and close() reports it.

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace qelt {

enum class Edge : std::uint8_t { none, thin, hair };
enum class Align : std::uint8_t { center, left, right };

struct CellStyle {
    Edge top = Edge::none, bottom = Edge::none, left = Edge::none, right = Edge::none;
    Align align = Align::center;  // horizontally
    // Decimal places a number is shown with (the cell keeps the full value); -1: the general
    // format.
    int decimals = -1;
    bool date = false;  // shown as yyyy-mm-dd (the note row's date)
    bool wrap = false;
    bool shrink = false;
};

enum class Paper : std::uint8_t { a4, a3 };

// Margins in inches; the left one is the table's own (the borehole tables keep a wider one).
inline constexpr double kMarginRight = 0.75, kMarginTop = 0.93, kMarginBottom = 1.0,
                        kMarginHeader = 0.41, kMarginFooter = 0.5;
// Height of every row that does not say otherwise, in points.
inline constexpr double kDefaultRowHeight = 12;

struct PageSetup {
    Paper paper = Paper::a4;
    bool landscape = false;
    double left_margin = 0.75;
};

class XlsxBook {
  public:
    // Prepares a workbook for `path`, streamed or not; the file itself is written by close().
    XlsxBook(const std::string& path, bool streamed);
    // Without a successful close() the workbook is discarded and nothing is written.
    ~XlsxBook();
    XlsxBook(const XlsxBook&) = delete;
    XlsxBook& operator=(const XlsxBook&) = delete;

    // Adds the worksheet, named `title` (Sheet1 when that is no valid worksheet name), printing
    // on `page` with an empty page header and footer, rows kDefaultRowHeight high. False when it
    // could not be added (in a streamed book, no temporary file). A further sheet follows the
    // one before it, which is then complete (its page breaks set): every call after this one
    // goes to the new sheet.
    bool add_sheet(const char* title, const PageSetup& page);
    // A worksheet with nothing set up: the one sheet of a workbook closed before it was opened.
    void add_plain_sheet();
    bool has_sheet() const { return sheet_ != nullptr; }

    // Column c `width` characters wide, its empty cells in `style` (none: the default format).
    void column(int c, double width, const CellStyle* style);
    void row_height(long row, double points);
    // Rows first..last repeated at the top of every printed page.
    void repeat_rows(long first, long last);
    // Printed one page wide, as many pages long as it takes.
    void fit_width();
    // Printed centred between the page's left and right margins, under the page header's
    // centred title, where the table is narrower than the page.
    void center_horizontally();
    // The page header (page_header in headers.h): the project line left, `title` centred, the
    // page numbers right.
    void set_page_header(const std::string& project_line, const char* title);

    void number(long row, int col, double value, const CellStyle& style);
    void text(long row, int col, const std::string& text, const CellStyle& style);
    // =TODAY(), with today's date as its value until the file is recalculated.
    void today(long row, int col, const CellStyle& style);
    void blank(long row, int col, const CellStyle& style);
    // One cell over rows first_row..last_row and columns first_col..last_col, holding `text`.
    void merge(long first_row, int first_col, long last_row, int last_col, const std::string& text,
               const CellStyle& style);

    // A manual page break above `row`. A worksheet holds at most 1023 of them; beyond that the
    // printing application breaks pages on its own.
    void break_above(long row);
    // Only rows 0..last_row and columns 0..last_col print: whatever a user adds beside the table,
    // or text running on past its last column in an application that ignores shrink-to-fit,
    // would otherwise add a page to the right of every page.
    void print_area(long last_row, int last_col);

    // Keeps `message` unless an earlier failure is kept already.
    void fail(const std::string& message);

    // Writes the file, once. False, with the reason in `error`, when it could not be written or
    // an earlier operation failed (libxlsxwriter's text where it has one); errno tells why a
    // write failed.
    bool close(std::string& error);

  private:
    lxw_format* format(const CellStyle& style);
    void end_sheet();
    void check(int lxw_result, const std::string& what);
    void cell_written(int lxw_result, long row);

    bool streamed_;
    lxw_workbook* workbook_ = nullptr;
    lxw_worksheet* sheet_ = nullptr;  // the sheet being written
    std::vector<lxw_worksheet*> sheets_;
    std::unordered_map<std::uint32_t, lxw_format*> formats_;
    std::vector<std::uint32_t> breaks_;  // 0-based rows, a break above each
    bool wrote_cell_ = false;
    std::optional<double> today_;  // date serial of the date cells' cached value
    std::string error_;
};

}  // namespace qelt
