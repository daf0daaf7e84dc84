#include "report/tables/table_rows.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace qelt {

namespace {

// The shown column of `field`, or the last column when the table does not show it.
int column_of(const std::vector<const TableColumn*>& columns, RecordField field) {
    for (std::size_t c = 0; c < columns.size(); ++c)
        if (columns[c]->field == field) return static_cast<int>(c);
    return static_cast<int>(columns.size()) - 1;
}

}  // namespace

TableRows::TableRows(const TableLayout& layout, FieldSet present, long max_rows)
    : layout_(layout),
      columns_(shown_columns(layout.columns, present)),
      max_rows_(std::min(max_rows, kMaxSheetRows)) {
    // A layout wider than a row, or one whose date would fall beyond its last column, is a
    // fault of this program's tables: the columns past the row are left out, the date label
    // moves left.
    if (columns_.size() > kMaxTableColumns) columns_.resize(kMaxTableColumns);
    note_column_ = column_of(columns_, layout.note_at);
    for (const TableColumn* c : columns_)
        if (c->field == RecordField::design_elevation) design_note_ = true;
    for (const TableColumn* c : columns_) {
        if (c->field == RecordField::ground_elevation) ground_note_ = true;
        if (c->field == RecordField::cut_fill) cut_fill_ = true;
        if (c->field == RecordField::depth) depth_note_ = true;
    }
    crossing_note_ = present.has(RecordField::crossing_angle);
    for (const TableColumn* c : columns_)
        if (c->field == RecordField::d_along) compared_note_ = true;
    date_label_column_ = std::min(column_of(columns_, layout.date_label_at), column_count() - 2);
}

void TableRows::begin_table() {
    if (begun_) return;
    begun_ = true;
    open_table();
}

bool TableRows::group_fits(int count) const {
    return row_cursor_ + count + 1 <= max_rows();
}

bool TableRows::note_fits() const {
    return row_cursor_ + extra_notes() <= max_rows();
}

TableRow* TableRows::hold(long row) {
    if (!begun_) {
        refuse("the table was written to before it was begun");
        return nullptr;
    }
    const long rows = std::min(max_rows(), kMaxSheetRows);
    if (row < 1 || row > rows) {
        refuse("row " + std::to_string(row) + " lies outside the sheet (1.." +
               std::to_string(rows) + ")");
        return nullptr;
    }
    if (row <= written_row_) {
        refuse("row " + std::to_string(row) + " reached after row " + std::to_string(written_row_) +
               " was already written");
        return nullptr;
    }
    newest_row_ = std::max(newest_row_, row);
    if (changed_.empty() || changed_.back() != row) changed_.push_back(row);
    return &held_[row];
}

void TableRows::begin_group(const GroupHead& group) {
    const long r = row_cursor_;
    count_ = group.count;
    TableRow* title = hold(r);
    TableRow* headings = hold(r + 1);
    if (title && headings) {
        title->merged = true;
        title->cells[0].kind = TableCell::Kind::text;
        title->cells[0].text = group.title;
        // A group on another line than the run's, or on a skewed axis, says so in its title:
        // its stations and offsets mean nothing read against the run's line or square to it.
        if (!group.line.empty()) title->cells[0].text += "（线路：" + group.line + "）";
        if (!group.crossing_angle.empty())
            title->cells[0].text += "（交角 " + group.crossing_angle + "）";
        for (int c = 0; c < column_count(); ++c) {
            TableCell& cell = headings->cells[static_cast<std::size_t>(c)];
            cell.kind = TableCell::Kind::text;
            cell.text = column(c).heading;
        }
        open_group_ = std::min(open_group_.value_or(r), r);
    }
    flush();
}

void TableRows::begin_row(int serial) {
    row_ = row_cursor_ + 1 + serial;
    if (TableRow* row = hold(row_)) {
        for (int c = 0; c < column_count(); ++c)
            if (column(c).field == RecordField::serial) {
                TableCell& cell = row->cells[static_cast<std::size_t>(c)];
                cell.kind = TableCell::Kind::number;
                cell.number = serial;
            }
    }
    flush();
}

void TableRows::record(const BoreholeRecord& borehole) {
    TableRow* row = hold(row_);
    if (!row) return;
    for (int c = 0; c < column_count(); ++c) {
        const RecordField field = column(c).field;
        if (field == RecordField::serial) continue;  // written when the row was begun
        TableCell& cell = row->cells[static_cast<std::size_t>(c)];
        if (is_text(field)) {
            cell.kind = TableCell::Kind::text;
            cell.text = field_text(borehole, field);
        } else if (const std::optional<double> value = field_number(borehole, field)) {
            cell.kind = TableCell::Kind::number;
            cell.number = *value;
        }
    }
    // A complete run draws every page line up to this row's count (see the header).
    draw_page_lines(page_line_count(row_));
    flush();
    last_data_row_ = row_;
}

void TableRows::end_group() {
    const long first = row_cursor_, last = row_cursor_ + count_ + 1;
    for (long r = first; r <= last; ++r) {
        TableRow* row = hold(r);
        if (!row) break;
        row->framed = true;
        row->frame_top = r == first;
        row->frame_bottom = r == last;
    }
    open_group_.reset();
    flush();
    row_cursor_ += count_ + 3;
}

void TableRows::finish(const std::string& project_line) {
    if (TableRow* note = hold(row_cursor_)) {
        const auto put = [this, note](int c, TableCell cell) {
            if (c >= 0 && c < column_count()) note->cells[static_cast<std::size_t>(c)] = cell;
        };
        put(note_column_, {TableCell::Kind::text, Align::left, 0, kNoteText, true});
        put(date_label_column_, {TableCell::Kind::text, Align::right, 0, kDateLabel, true});
        put(date_label_column_ + 1, {TableCell::Kind::today, Align::left, 0, {}, true});
    }
    long next_note = row_cursor_ + 1;
    for (const auto& [shown, text] :
         {std::pair{design_note_, kDesignElevationNote},
          std::pair{crossing_note_, kCrossingAngleNote}, std::pair{compared_note_, kComparedNote},
          std::pair{depth_note_, kDepthNote}})
        if (shown)
            if (TableRow* note = hold(next_note++))
                note->cells[static_cast<std::size_t>(note_column_)] = {TableCell::Kind::text,
                                                                       Align::left, 0, text, true};
    if (ground_note_)
        for (const std::string& text : {ground_elevation_note(ground_source_, ground_kind_),
                                        std::string(cut_fill_ ? kCutFillNote : "")})
            if (!text.empty())
                if (TableRow* note = hold(next_note++))
                    note->cells[static_cast<std::size_t>(note_column_)] = {
                        TableCell::Kind::text, Align::left, 0, text, true};
    draw_page_lines(page_line_count(last_data_row_));
    lines_settled_ = true;
    flush();
    if (begun_) write_headers(project_line, true);
}

void TableRows::stopped(const std::string& project_line) {
    if (begun_) write_headers(project_line, false);
}

void TableRows::draw_page_lines(long count) {
    for (long p = lines_decided_ + 1; p <= count; ++p) {
        if (TableRow* below = hold(kRowsPerPage * p)) below->line_below = true;
        if (TableRow* above = hold(kRowsPerPage * p + 1)) above->line_above = true;
    }
    lines_decided_ = std::max(lines_decided_, count);
}

void TableRows::release_rows() {
    lines_settled_ = true;
    open_group_.reset();
    newest_row_ = std::numeric_limits<long>::max();
    flush();
}

// Streams every held row whose borders are final. The newest row is kept as well: the next
// event may still add cells to it.
void TableRows::flush() {
    for (long r : changed_)
        if (auto it = held_.find(r); it != held_.end()) row_changed(r, it->second);
    changed_.clear();
    long limit = newest_row_;
    if (open_group_) limit = std::min(limit, *open_group_);
    if (!lines_settled_) limit = std::min(limit, kRowsPerPage * (lines_decided_ + 1));
    while (!held_.empty() && held_.begin()->first < limit) {
        auto node = held_.extract(held_.begin());
        written_row_ = node.key();
        write_row(node.key(), node.mapped());
    }
}

}  // namespace qelt
