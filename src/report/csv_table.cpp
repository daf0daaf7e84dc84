#include "report/csv_table.h"

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

CsvTable::CsvTable(std::ostream& out, const TableLayout& layout, FieldSet present)
    : out_(out), columns_(shown_columns(layout.csv, present)) {}

void CsvTable::begin_table() {
    out_ << "\xEF\xBB\xBF";
    for (std::size_t c = 0; c < columns_.size(); ++c) out_ << (c ? "," : "") << columns_[c]->name;
    out_ << '\n';
}

void CsvTable::record(const BoreholeRecord& b) {
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        if (c) out_ << ',';
        const RecordField field = columns_[c]->field;
        if (is_text(field))
            out_ << csv_field(field_text(b, field));
        else if (field == RecordField::serial)
            out_ << b.serial;  // a whole number, never in exponent form
        else if (const std::optional<double> value = field_number(b, field))
            out_ << shortest_number(*value);
    }
    out_ << '\n';
}

}  // namespace qelt
