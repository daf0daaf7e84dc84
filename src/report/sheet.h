#pragma once
// The tables the runs write, as a small set of operations on a sheet, each doing one thing.
// Rows are 1-based sheet rows; the columns are those of the table's layout (TableLayout below):
// A..F for the borehole table "钻孔数量及位置表", A..G for the as-drilled table "钻孔桩号及偏距表".
//
// Layout of one group with title row r and n boreholes:
//   r          group title, merged over all columns
//   r+1        the headings, e.g. 序号 | 桩号 | 距中线距离（米） | X | Y | 备注
//   r+1+k      k | the borehole's cells (report_row, or report_point_row for an as-drilled hole)
//   r+n+2      empty
// After the last group: the note row, page lines every 57 rows, page headers.
//
// Implementations: the streaming .xlsx writer and the CSV writer, each made for one layout;
// SheetFanout feeds several at once (the tests hold a table in memory with their own one).

#include <cstddef>
#include <span>
#include <string>

#include "base/limits.h"

namespace qelt {

// Rows printed on one page; the page lines are drawn at every multiple of it.
inline constexpr long kRowsPerPage = 57;

// A row of the borehole table: columns B..F.
struct BoreholeRow {
    std::string station;      // printed station, e.g. "K1+234.500"
    double offset = 0;        // metres, positive to the left of the centre line
    std::string offset_text;  // the offset as written in the borehole file
    double x = 0;             // north, metres
    double y = 0;             // east, metres
    std::string remark;
};

// A row of the as-drilled table: a surveyed hole taken back to station and offset, columns
// B..G.
struct PointRow {
    std::string name;          // the hole's name as written in the points file
    double x = 0;              // north, metres, as surveyed
    double y = 0;              // east, metres, as surveyed
    std::string station;       // printed station, lettered where the number alone would read
                               // elsewhere ("BK13+470.000")
    double station_value = 0;  // the station number in its interval's numbering, metres
    double offset = 0;         // metres, positive to the left of the centre line
    std::string remark;
};

// How numbers in a column are shown; the cell keeps the full value.
enum class NumberFormat : unsigned char { general, three_decimals, four_decimals };

// One column of a table.
struct ColumnLayout {
    const char* heading;
    // Width in characters of the workbook's default font's digit (see xlsx_sheet.cpp).
    double width;
    NumberFormat numbers;
    // Free text (remarks, names) shrunk to its cell rather than spilling into the next column
    // or past the printed page.
    bool shrink;
};

// What a table looks like: its title (the worksheet's name and the page header's centre), its
// columns from A (the serial number) on, the note row's columns and the CSV header line.
struct TableLayout {
    const char* title;
    std::span<const ColumnLayout> columns;
    int note_column;        // "注：…", left-aligned, running on over the empty cells beside it
    int date_label_column;  // "提供日期：", right-aligned; today's date in the column after it
    const char* csv_header;
};

class Sheet {
  public:
    virtual ~Sheet() = default;

    // A fresh sheet with its page set-up, column widths and formats.
    virtual void report_open() = 0;
    // Title row r (A..F merged) and the column headings in row r+1.
    virtual void report_group_head(long r, const std::string& title) = 0;
    // Serial number k in column A, written before the borehole line is read.
    virtual void report_serial(long row, int k) = 0;
    // Columns B..F of a borehole row.
    virtual void report_row(long row, const BoreholeRow& borehole) = 0;
    // Columns B..G of an as-drilled row. Only the as-drilled table has them: a sheet that stands
    // for the borehole table alone may leave this out, and writes nothing.
    virtual void report_point_row(long /*row*/, const PointRow& /*point*/) {}
    // Thin frame around rows first..last (all columns) and hairlines inside, title row
    // included.
    virtual void report_group_frame(long first, long last) = 0;
    // "注：距中线距离左为正，右为负。" in B, "提供日期：" and today's date in the layout's columns
    // (D and E in the borehole table).
    virtual void report_note(long row) = 0;
    // Lines under row 57·p and over row 57·p+1 for p = 1..Int(last / 57.0001).
    virtual void report_page_lines(long last_data_row) = 0;
    // Page headers: the project line left, the table's name centred, "第 &P 页 共 &N 页" right.
    virtual void report_headers(const std::string& project_line) = 0;

    // Rows the sheet can hold; the run refuses a table that would not fit.
    virtual long max_rows() const { return kMaxSheetRows; }
};

// Number of page boundaries that get a line for a table whose last data row is `last`.
// 57.0001 rather than 57: a table ending exactly on a page boundary is closed there by its
// group frame already.
inline long page_line_count(long last_data_row) {
    return static_cast<long>(static_cast<double>(last_data_row) / 57.0001);
}

inline constexpr const char* kTableTitle = "钻孔数量及位置表";
inline constexpr const char* kNoteText = "注：距中线距离左为正，右为负。";
inline constexpr const char* kDateLabel = "提供日期：";
inline constexpr const char* kHeadings[6] = {"序号", "桩号", "距中线距离（米）", "X", "Y", "备注"};

// Column widths: X and Y are sized for a machine without 宋体, whose fallback font may have
// digits as wide as DejaVu Sans's (0.6362 em, the point 0.3179 em), at 10 pt and 96 dpi 8.48 and
// 4.24 px: X 3513057.0168 (11 digits) needs 13.93 characters of 7 px, Y 38498953.0072 (12
// digits) 15.15. 距中线距离（米）, eight ideographs of 13.3 px, needs 15. Each table stays one A4
// portrait page wide: in LibreOffice, whose digit is the wider (5.575 pt), the widths plus 5 px
// of padding per column must not pass the 463.5 pt between the margins (83.1 characters).
inline constexpr ColumnLayout kBoreholeColumns[] = {
    {kHeadings[0], 5, NumberFormat::general, false},
    {kHeadings[1], 13, NumberFormat::general, false},
    {kHeadings[2], 15, NumberFormat::general, false},
    {kHeadings[3], 14, NumberFormat::four_decimals, false},
    {kHeadings[4], 15.25, NumberFormat::four_decimals, false},
    {kHeadings[5], 16.25, NumberFormat::general, true},
};
inline constexpr TableLayout kBoreholeTable{kTableTitle, kBoreholeColumns, 1, 3,
                                            "group,serial,station,offset,x,y,remark"};

// The as-drilled table: surveyed holes back to station and offset (坐标反算). One column more
// in the same page width: names and remarks narrower, shrunk to fit; a lettered station
// "BK13+470.000" takes 12 characters of 宋体 (80 px) and is shrunk should a wide fallback font
// need more.
inline constexpr const char* kAsDrilledTitle = "钻孔桩号及偏距表";
inline constexpr ColumnLayout kAsDrilledColumns[] = {
    {kHeadings[0], 5, NumberFormat::general, false},
    {"孔号", 7, NumberFormat::general, true},
    {kHeadings[3], 14, NumberFormat::four_decimals, false},
    {kHeadings[4], 15.25, NumberFormat::four_decimals, false},
    {kHeadings[1], 12.5, NumberFormat::general, true},
    {kHeadings[2], 15, NumberFormat::three_decimals, false},
    {kHeadings[5], 9.25, NumberFormat::general, true},
};
inline constexpr TableLayout kAsDrilledTable{
    kAsDrilledTitle, kAsDrilledColumns, 1, 4,
    "group,serial,name,x,y,station,station_value,offset,remark"};

}  // namespace qelt
