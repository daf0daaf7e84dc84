#include "report/csv_sheet.h"

#include "base/text.h"

namespace qelt {

std::string csv_field(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

void CsvSheet::report_open() {
    out_ << "\xEF\xBB\xBF" << layout_.csv_header << '\n';
}

void CsvSheet::report_group_head(long, const std::string& title) {
    group_title_ = title;
}

void CsvSheet::report_serial(long row, int k) {
    serial_row_ = row;
    serial_ = k;
}

void CsvSheet::begin_line(long row) {
    // The serial number is the one written into this row; a row that never got one has none.
    const std::string serial = row == serial_row_ ? std::to_string(serial_) : std::string();
    out_ << csv_field(group_title_) << ',' << serial << ',';
}

void CsvSheet::report_row(long row, const BoreholeRow& borehole) {
    begin_line(row);
    out_ << csv_field(borehole.station) << ',' << csv_field(borehole.offset_text) << ','
         << shortest_number(borehole.x) << ',' << shortest_number(borehole.y) << ','
         << csv_field(borehole.remark) << '\n';
}

void CsvSheet::report_point_row(long row, const PointRow& point) {
    begin_line(row);
    out_ << csv_field(point.name) << ',' << shortest_number(point.x) << ','
         << shortest_number(point.y) << ',' << csv_field(point.station) << ','
         << shortest_number(point.station_value) << ',' << shortest_number(point.offset) << ','
         << csv_field(point.remark) << '\n';
}

}  // namespace qelt
