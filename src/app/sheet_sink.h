#pragma once
// The list's events laid out on a Sheet (the printed table's rows): one group with title row r
// and n rows takes r (title), r+1 (headings), r+1+k (row k) and an empty row r+n+2; the next
// group starts at r+n+3, and after the last one comes the note row. Rows the table's layout
// shows as an as-drilled table take the hole's name and its station computed from X, Y.

#include <string>

#include "report/borehole_record.h"
#include "report/sheet.h"

namespace qelt {

class SheetSink : public RecordSink {
  public:
    // The sheet and the layout must outlive the sink.
    SheetSink(Sheet& sheet, const TableLayout& layout) : sheet_(sheet), layout_(layout) {}

    void begin_table() override { sheet_.report_open(); }
    bool group_fits(int count) const override {
        return row_cursor_ + count + 1 <= sheet_.max_rows();
    }
    void begin_group(const GroupHead& group) override {
        count_ = group.count;
        sheet_.report_group_head(row_cursor_, group.title);
    }
    void begin_row(int serial) override {
        row_ = row_cursor_ + 1 + serial;
        sheet_.report_serial(row_, serial);
    }
    void record(const BoreholeRecord& b) override {
        if (&layout_ == &kAsDrilledTable)
            sheet_.report_point_row(
                row_, PointRow{b.name, b.x, b.y, b.station, b.station_value, b.offset, b.remark});
        else
            sheet_.report_row(row_,
                              BoreholeRow{b.station, b.offset, b.offset_text, b.x, b.y, b.remark});
        last_data_row_ = row_;
    }
    void end_group() override {
        sheet_.report_group_frame(row_cursor_, row_cursor_ + count_ + 1);
        row_cursor_ += count_ + 3;
    }
    bool note_fits() const override { return row_cursor_ <= sheet_.max_rows(); }
    void finish(const std::string& project_line) override {
        sheet_.report_note(row_cursor_);
        sheet_.report_page_lines(last_data_row_);
        sheet_.report_headers(project_line);
    }
    long max_rows() const override { return sheet_.max_rows(); }

    // The last row that holds a borehole, 0 before the first.
    long last_data_row() const { return last_data_row_; }

  private:
    Sheet& sheet_;
    const TableLayout& layout_;
    long row_cursor_ = 1;  // the title row of the next group
    long row_ = 0;         // the row begun last
    int count_ = 0;
    long last_data_row_ = 0;
};

}  // namespace qelt
