#pragma once
// The borehole table "钻孔数量及位置表" as the run writes it: a small set of operations on a
// sheet, each doing one thing. Rows are 1-based sheet rows, columns A..F.
//
// Layout of one group with title row r and n boreholes:
//   r          group title, A..F merged
//   r+1        序号 | 桩号 | 距中线距离（米） | X | Y | 备注
//   r+1+k      k | printed station | offset | X | Y | remark
//   r+n+2      empty
// After the last group: the note row, page lines every 57 rows, page headers.
//
// Implementations: SheetModel (in memory, for tests and small tables), the streaming .xlsx
// writer and the CSV writer; SheetFanout feeds several at once.

#include <cstddef>
#include <string>

#include "base/limits.h"

namespace qelt {

// Rows printed on one page; the page lines are drawn at every multiple of it.
inline constexpr long kRowsPerPage = 57;

struct BoreholeRow {
    std::string station;      // printed station, e.g. "K1+234.500"
    double offset = 0;        // metres, positive to the left of the centre line
    std::string offset_text;  // the offset as written in the borehole file
    double x = 0;             // north, metres
    double y = 0;             // east, metres
    std::string remark;
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
    // Thin frame around rows first..last (A..F) and hairlines inside, title row included.
    virtual void report_group_frame(long first, long last) = 0;
    // "注：距中线距离左为正，右为负。" in B, "提供日期：" in D, today's date in E.
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

inline const char* const kTableTitle = "钻孔数量及位置表";
inline const char* const kNoteText = "注：距中线距离左为正，右为负。";
inline const char* const kDateLabel = "提供日期：";
inline const char* const kHeadings[6] = {"序号", "桩号", "距中线距离（米）", "X", "Y", "备注"};

}  // namespace qelt
