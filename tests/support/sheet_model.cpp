#include "support/sheet_model.h"

#include <algorithm>

#include "report/tables/headers.h"

namespace qelt {

namespace {

// Rows reach the model again whenever they change: each is listed once.
template <typename T>
void add_once(std::vector<T>& list, const T& item) {
    if (std::find(list.begin(), list.end(), item) == list.end()) list.push_back(item);
}

}  // namespace

void SheetModel::row_changed(long number, const TableRow& row) {
    for (int c = 0; c < column_count(); ++c) {
        const TableCell& cell = row.cells[static_cast<std::size_t>(c)];
        const std::pair<long, int> at{number, c + 1};
        switch (cell.kind) {
            case TableCell::Kind::number:
                cells[at] = cell.number;
                break;
            case TableCell::Kind::text:
                cells[at] = cell.text;
                break;
            case TableCell::Kind::today:
                cells[at] = Formula{"=TODAY()"};
                break;
            case TableCell::Kind::empty:
                cells.erase(at);
                break;
        }
        if (cell.runs_on) note_row = number;
    }
    if (row.merged) add_once(merged_title_rows, number);
    if (row.frame_top) frame_top_ = number;
    if (row.frame_bottom) add_once(frames, std::pair<long, long>{frame_top_, number});
    if (row.line_below) add_once(page_line_rows, number);
}

void SheetModel::write_headers(const std::string& project_line, bool complete) {
    left_header = left_header_text(project_line);
    center_header = center_header_text(title_of(layout(), complete).c_str());
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
