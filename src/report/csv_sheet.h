#pragma once
// The borehole table as CSV, one line per borehole row: for scripts and other programs that want
// the coordinates without the sheet's layout.
//
// UTF-8 with a byte-order mark (so that spreadsheet applications on Chinese Windows read it as
// UTF-8 rather than GBK), RFC 4180 quoting (a field holding a comma, a double quote, CR or LF is
// quoted, its quotes doubled). Lines end in LF alone: every spreadsheet application and CSV
// library accepts it, and the file diffs cleanly on every platform.
//
//   group,serial,station,offset,x,y,remark
//   <group title>,<k>,<printed station>,<offset as read>,<X>,<Y>,<remark>
//
// X and Y are in the shortest form that reads back to the same double. A row whose station was
// rejected received only its serial number and has no line. Frames, the note row, page lines and
// headers belong to the printed sheet and write nothing here.

#include <ostream>
#include <string>

#include "report/sheet.h"

namespace qelt {

class CsvSheet : public Sheet {
  public:
    // Writes to `out`, which must outlive the sheet; the caller opens it in binary mode and checks
    // it after the run.
    explicit CsvSheet(std::ostream& out) : out_(out) {}

    // The byte-order mark and the header line.
    void report_open() override;
    void report_group_head(long r, const std::string& title) override;
    void report_serial(long row, int k) override;
    void report_row(long row, const BoreholeRow& borehole) override;
    void report_group_frame(long, long) override {}
    void report_note(long) override {}
    void report_page_lines(long) override {}
    void report_headers(const std::string&) override {}

  private:
    std::ostream& out_;
    std::string group_title_;
    long serial_row_ = 0;  // row of the last report_serial, with its number
    int serial_ = 0;
};

// One CSV field: quoted when it holds a comma, a double quote, CR or LF.
std::string csv_field(const std::string& text);

}  // namespace qelt
