#pragma once
// A table as CSV, one line per row: for scripts and other programs that want the coordinates,
// stations and offsets without the sheet's layout.
//
// UTF-8 with a byte-order mark (so that spreadsheet applications on Chinese Windows read it as
// UTF-8 rather than GBK), RFC 4180 quoting (a field holding a comma, a double quote, CR or LF is
// quoted, its quotes doubled). Lines end in LF alone: every spreadsheet application and CSV
// library accepts it, and the file diffs cleanly on every platform.
//
// The borehole table:
//   group,serial,station,offset,x,y,remark
//   <group title>,<k>,<printed station>,<offset as read>,<X>,<Y>,<remark>
// The as-drilled table:
//   group,serial,name,x,y,station,station_value,offset,remark
//   <group title>,<k>,<hole name>,<X>,<Y>,<printed station, lettered where needed>,
//   <the station number in its interval's numbering>,<offset>,<remark>
//
// Computed numbers are in the shortest form that reads back to the same double. A row whose
// station was rejected received only its serial number and has no line. Frames, the note row,
// page lines and headers belong to the printed sheet and write nothing here.

#include <ostream>
#include <string>

#include "report/sheet.h"

namespace qelt {

class CsvSheet : public Sheet {
  public:
    // Writes to `out`, which must outlive the sheet; the caller opens it in binary mode and checks
    // it after the run. The layout (its CSV header line) must outlive the sheet.
    explicit CsvSheet(std::ostream& out, const TableLayout& layout = kBoreholeTable)
        : out_(out), layout_(layout) {}

    // The byte-order mark and the header line.
    void report_open() override;
    void report_group_head(long r, const std::string& title) override;
    void report_serial(long row, int k) override;
    void report_row(long row, const BoreholeRow& borehole) override;
    void report_point_row(long row, const PointRow& point) override;
    void report_group_frame(long, long) override {}
    void report_note(long) override {}
    void report_page_lines(long) override {}
    void report_headers(const std::string&) override {}

  private:
    // The group title and serial number that begin the row's line.
    void begin_line(long row);

    std::ostream& out_;
    const TableLayout& layout_;
    std::string group_title_;
    long serial_row_ = 0;  // row of the last report_serial, with its number
    int serial_ = 0;
};

// One CSV field: quoted when it holds a comma, a double quote, CR or LF.
std::string csv_field(const std::string& text);

}  // namespace qelt
