// Placeholder until the tables are built: every call refuses.
#include "report/line_tables.h"

#include "base/data_error.h"

namespace qelt {

const char* line_table_title(LineTableKind kind) {
    switch (kind) {
        case LineTableKind::curves:
            return kCurveTableTitle;
        case LineTableKind::elements:
            return kElementTableTitle;
        case LineTableKind::stakes:
            break;
    }
    return kStakeTableTitle;
}

LineTableKind geometry_table_of(const Alignment& alignment) {
    return alignment.jds.empty() ? LineTableKind::elements : LineTableKind::curves;
}

void write_line_table_csv(std::ostream&, LineTableKind, const Alignment&, double) {
    throw DataError("not built yet");
}

bool write_line_table_xlsx(const std::string&, LineTableKind, const Alignment&, const std::string&,
                           double, std::string& error) {
    error = "not built yet";
    return false;
}

}  // namespace qelt
