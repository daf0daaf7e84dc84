#pragma once
// A table as CSV, one line per borehole record: for scripts and other programs that want the
// coordinates, stations and offsets without the sheet's layout.
//
// UTF-8 with a byte-order mark (so that spreadsheet applications on Chinese Windows read it as
// UTF-8 rather than GBK), RFC 4180 quoting (a field holding a comma, a double quote, CR or LF is
// quoted, its quotes doubled). Lines end in LF alone: every spreadsheet application and CSV
// library accepts it, and the file diffs cleanly on every platform.
//
// The columns are the table's CSV columns (table_columns.h), the borehole table's
//   group,serial,station,offset,x,y,remark
// and the as-drilled table's
//   group,serial,name,x,y,station,station_value,offset,remark
// with a column for each optional field the run gives after them (empty where a record lacks
// it). Text fields as written, computed numbers in the shortest form that reads back to the
// same double. A row whose station was rejected received only its serial number in the printed
// table, made no record and has no line. Frames, the note row, page lines and headers belong to
// the printed table alone.

#include <ostream>
#include <string>
#include <vector>

#include "report/borehole_record.h"
#include "report/tables/table_columns.h"

namespace qelt {

class CsvTable : public RecordSink {
  public:
    // Writes to `out`, which must outlive the writer; the caller opens it in binary mode and
    // checks it after the run. The layout must outlive the writer; the columns of the optional
    // fields in `present` are written.
    explicit CsvTable(std::ostream& out, const TableLayout& layout = kBoreholeTable,
                      FieldSet present = {});

    // The byte-order mark and the header line, before the first record: a table stopped before
    // its first borehole still has them.
    void begin_table() override;
    void record(const BoreholeRecord& borehole) override;

  private:
    std::ostream& out_;
    std::vector<const CsvColumn*> columns_;
};

// One CSV field: quoted when it holds a comma, a double quote, CR or LF.
std::string csv_field(const std::string& text);

// The byte-order mark and the header line of the columns `names`.
void csv_header(std::ostream& out, const std::vector<const char*>& names);
// A line of `cells`: texts as csv_field writes them, numbers in the shortest form that reads
// back to the same double, empty cells empty.
void csv_line(std::ostream& out, const std::vector<RowCell>& cells);

// A table of rows other than boreholes (the line tables) as CSV, the same way: the byte-order
// mark and the header line when made, then a line per row, in the CSV columns of its layout
// shown for the heights in `present`. `out` and `layout` must outlive the writer.
template <class Row>
class CsvRows {
  public:
    CsvRows(std::ostream& out, const RowTableLayout<Row>& layout, FieldSet present = {})
        : out_(out), columns_(shown_row_columns(layout.csv, present)) {
        std::vector<const char*> names;
        for (const RowCsvColumn<Row>* c : columns_) names.push_back(c->name);
        csv_header(out_, names);
    }
    void row(const Row& row) { csv_line(out_, row_cells(columns_, row)); }

  private:
    std::ostream& out_;
    std::vector<const RowCsvColumn<Row>*> columns_;
};

}  // namespace qelt
