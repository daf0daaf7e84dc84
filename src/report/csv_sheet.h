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
// Computed numbers are in the shortest form that reads back to the same double. The lines are
// the run's borehole records: a row whose station was rejected received only its serial number
// in the printed table, made no record and has no line. Frames, the note row, page lines and
// headers belong to the printed sheet alone.

#include <ostream>
#include <string>

#include "report/borehole_record.h"
#include "report/sheet.h"

namespace qelt {

class CsvRecords : public RecordSink {
  public:
    // Writes to `out`, which must outlive the writer; the caller opens it in binary mode and
    // checks it after the run. The layout (its CSV header line, and which table's columns a
    // line has) must outlive the writer.
    explicit CsvRecords(std::ostream& out, const TableLayout& layout = kBoreholeTable)
        : out_(out), layout_(layout) {}

    // The byte-order mark and the header line, before the first record: a table stopped before
    // its first borehole still has them.
    void begin();
    void record(const BoreholeRecord& borehole) override;

  private:
    std::ostream& out_;
    const TableLayout& layout_;
};

// One CSV field: quoted when it holds a comma, a double quote, CR or LF.
std::string csv_field(const std::string& text);

}  // namespace qelt
