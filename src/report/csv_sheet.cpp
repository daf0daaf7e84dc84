#include "report/csv_sheet.h"

#include <string_view>

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

void CsvRecords::begin() {
    out_ << "\xEF\xBB\xBF" << layout_.csv_header << '\n';
}

void CsvRecords::record(const BoreholeRecord& b) {
    out_ << csv_field(b.group) << ',' << b.serial << ',';
    if (std::string_view(layout_.csv_header) == kAsDrilledTable.csv_header)
        out_ << csv_field(b.name) << ',' << shortest_number(b.x) << ',' << shortest_number(b.y)
             << ',' << csv_field(b.station) << ',' << shortest_number(b.station_value) << ','
             << shortest_number(b.offset) << ',' << csv_field(b.remark) << '\n';
    else
        out_ << csv_field(b.station) << ',' << csv_field(b.offset_text) << ','
             << shortest_number(b.x) << ',' << shortest_number(b.y) << ',' << csv_field(b.remark)
             << '\n';
}

}  // namespace qelt
