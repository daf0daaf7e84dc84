#include "support/sheet_model.h"

#include "report/headers.h"

namespace qelt {

void SheetModel::report_open() {
    opened = true;
}

void SheetModel::report_group_head(long r, const std::string& title) {
    merged_title_rows.push_back(r);
    cells[{r, 1}] = title;
    int c = 0;
    for (const ColumnLayout& column : layout_.columns) cells[{r + 1, ++c}] = column.heading;
}

void SheetModel::report_serial(long row, int k) {
    cells[{row, 1}] = static_cast<double>(k);
}

void SheetModel::report_row(long row, const BoreholeRow& b) {
    cells[{row, 2}] = b.station;
    cells[{row, 3}] = b.offset;
    cells[{row, 4}] = b.x;
    cells[{row, 5}] = b.y;
    cells[{row, 6}] = b.remark;
}

void SheetModel::report_point_row(long row, const PointRow& p) {
    cells[{row, 2}] = p.name;
    cells[{row, 3}] = p.x;
    cells[{row, 4}] = p.y;
    cells[{row, 5}] = p.station;
    cells[{row, 6}] = p.offset;
    cells[{row, 7}] = p.remark;
}

void SheetModel::report_group_frame(long first, long last) {
    frames.emplace_back(first, last);
}

void SheetModel::report_note(long row) {
    note_row = row;
    cells[{row, layout_.note_column + 1}] = std::string(kNoteText);
    cells[{row, layout_.date_label_column + 1}] = std::string(kDateLabel);
    cells[{row, layout_.date_label_column + 2}] = Formula{"=TODAY()"};
}

void SheetModel::report_page_lines(long last_data_row) {
    for (long p = 1; p <= page_line_count(last_data_row); ++p) page_line_rows.push_back(57 * p);
}

void SheetModel::report_headers(const std::string& project_line) {
    left_header = left_header_text(project_line);
    center_header = center_header_text(layout_.title);
    right_header = right_header_text();
}

const CellValue* SheetModel::cell(long row, int column) const {
    auto it = cells.find({row, column});
    return it == cells.end() ? nullptr : &it->second;
}

long SheetModel::last_row() const {
    return cells.empty() ? 0 : cells.rbegin()->first.first;
}

}  // namespace qelt
