#include "report/tables/csv_table.h"

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

void csv_header(std::ostream& out, const std::vector<const char*>& names) {
    out << "\xEF\xBB\xBF";
    for (std::size_t c = 0; c < names.size(); ++c) out << (c ? "," : "") << names[c];
    out << '\n';
}

void csv_line(std::ostream& out, const std::vector<RowCell>& cells) {
    for (std::size_t c = 0; c < cells.size(); ++c) {
        if (c) out << ',';
        if (cells[c].kind == RowCell::Kind::text)
            out << csv_field(cells[c].text);
        else if (cells[c].kind == RowCell::Kind::number)
            out << shortest_number(cells[c].number);
    }
    out << '\n';
}

void CsvTable::begin_table() {
    std::vector<const char*> names;
    for (const CsvColumn* c : columns_) names.push_back(c->name);
    csv_header(out_, names);
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
