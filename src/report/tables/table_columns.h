#pragma once
// The columns of each table the runs deliver, as data: for the printed table (the workbook) each
// column's heading, width, number format and the field of the borehole record it shows, and for
// the CSV each column's name and field. The workbook and the CSV writer lay a record out from
// these tables alone; a new column is a field of the record and a row here.
//
// A column of an optional field (the design, ground and collar elevations, which only some runs
// know) is shown only when the run says it gives that field: the sink is made with the set of
// optional fields present, and a run without them writes the tables exactly as before.

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "report/borehole_record.h"
#include "report/tables/xlsx_book.h"

namespace qelt {

// The fields of a BoreholeRecord a column can show.
enum class RecordField : std::uint8_t {
    group,
    serial,
    name,
    station,
    station_value,
    offset,       // the number
    offset_text,  // as written in the borehole file
    x,
    y,
    remark,
    design_elevation,
    ground_elevation,
    collar_elevation,
    crossing_angle,   // degrees, a skewed group's (交角)
    line,             // the line a group names (@名称)
    planned_station,  // the planned hole against the drilled one (BoreholeRecord)
    planned_offset,
    d_along,
    d_across,
    distance,
    status,
    // Derived from the elevations above, shown where both of theirs are:
    cut_fill,      // 填挖高, design − ground: positive a fill (填), negative a cut (挖)
    ground_check,  // surveyed collar − the terrain's ground: a check of the model or the survey
    // The planned hole's depth, bottom elevation and type (孔深, 孔底, 设计下, 类别), shown
    // together where some hole of the list gives a depth or a type.
    depth,
    bottom_elevation,
    hole_type,
};

// Whether a record may lack the field (std::optional in BoreholeRecord).
constexpr bool is_optional(RecordField f) {
    return f == RecordField::design_elevation || f == RecordField::ground_elevation ||
           f == RecordField::collar_elevation || f == RecordField::crossing_angle ||
           f == RecordField::line || f >= RecordField::planned_station;
}

// Whether the field is free text (group, name, station, offset as written, remark) rather than a
// number.
constexpr bool is_text(RecordField f) {
    return f == RecordField::group || f == RecordField::name || f == RecordField::station ||
           f == RecordField::offset_text || f == RecordField::remark || f == RecordField::line ||
           f == RecordField::planned_station || f == RecordField::status ||
           f == RecordField::hole_type;
}

// The text of a text field.
const std::string& field_text(const BoreholeRecord& b, RecordField f);
// The value of a number field; nothing where the record lacks an optional one.
std::optional<double> field_number(const BoreholeRecord& b, RecordField f);

// A set of fields: the optional fields a run gives.
class FieldSet {
  public:
    constexpr FieldSet() = default;
    constexpr FieldSet(std::initializer_list<RecordField> fields) {
        for (RecordField f : fields) bits_ |= bit(f);
    }
    constexpr bool has(RecordField f) const { return (bits_ & bit(f)) != 0; }
    // This set and `f`.
    constexpr FieldSet with(RecordField f) const {
        FieldSet more = *this;
        more.bits_ |= bit(f);
        return more;
    }

  private:
    static constexpr std::uint32_t bit(RecordField f) {
        return std::uint32_t{1} << static_cast<unsigned>(f);
    }
    std::uint32_t bits_ = 0;
};

// How numbers in a printed column are shown; the cell keeps the full value.
enum class NumberFormat : std::uint8_t { general, two_decimals, three_decimals, four_decimals };

// One column of a printed table.
struct TableColumn {
    const char* heading;
    // Width in characters of the workbook's default font's digit (see xlsx_book.h).
    double width;
    NumberFormat numbers;
    // Free text (remarks, names) shrunk to its cell rather than spilling into the next column
    // or past the printed page.
    bool shrink;
    // What the column shows. The serial number is written when the row is begun, before its
    // line is read; every other field when the record comes.
    RecordField field;
};

// One column of a table's CSV.
struct CsvColumn {
    const char* name;
    RecordField field;
};

// What a table looks like: its title (the worksheet's name and the page header's centre), its
// printed columns from A on, where the note row puts its texts, and its CSV columns.
struct TableLayout {
    const char* title;
    std::span<const TableColumn> columns;
    // "注：…", left-aligned, running on over the empty cells beside it: in the column of this
    // field.
    RecordField note_at;
    // "提供日期：", right-aligned, in the column of this field; today's date in the next one.
    RecordField date_label_at;
    std::span<const CsvColumn> csv;
};

// The columns of `columns` shown when the run gives the optional fields `present`.
std::vector<const TableColumn*> shown_columns(std::span<const TableColumn> columns,
                                              FieldSet present);
std::vector<const CsvColumn*> shown_columns(std::span<const CsvColumn> columns, FieldSet present);

inline constexpr const char* kTableTitle = "钻孔数量及位置表";
inline constexpr const char* kAsDrilledTitle = "钻孔桩号及偏距表";
inline constexpr const char* kNoteText = "注：距中线距离左为正，右为负。";
inline constexpr const char* kDateLabel = "提供日期：";
// What a skewed group's 交角 is, on a note row of its own when some group of the table has one.
inline constexpr const char* kCrossingAngleNote =
    "交角为墩台轴线左侧一半与桩号增加方向的夹角，钻孔在该轴线上，距中线距离沿轴线量取。";
// What the 设计高程 column holds, on a note row of its own under the first: the grade line's
// height at the hole's station, not the ground's nor the road surface's at the hole's offset.
inline constexpr const char* kDesignElevationNote =
    "设计高程为纵断面设计线（中线或路缘，按设计所定）在钻孔桩号处的高程（米），未计横坡和超高。";
// Where the 地面高程 column comes from, on a note row of its own, naming the ground's file
// (`source`).
std::string ground_elevation_note(const std::string& source, GroundKind kind);
// What the 孔深 column is measured from, on a note row of its own.
inline constexpr const char* kDepthNote =
    "孔深自钻孔处地面（孔口）起算（米），孔底高程 = 地面高程 − 孔深；无地面高程时孔底高程空缺。";
// The sign of 填挖高, on a note row of its own below the ground's (one row would run off the page).
inline constexpr const char* kCutFillNote =
    "填(+)挖(−) = 设计高程 − 地面高程，正为填方，负为挖方。";

// Column widths: X and Y are sized for a machine without 宋体, whose fallback font may have
// digits as wide as DejaVu Sans's (0.6362 em, the point 0.3179 em), at 10 pt and 96 dpi 8.48 and
// 4.24 px: X 3513057.0168 (11 digits) needs 13.93 characters of 7 px, Y 38498953.0072 (12
// digits) 15.15. A station past K100 (K123+456.789) takes 14 with a fifth to spare over 宋体's
// half-em characters; the remark, shrunk to its cell, gives up that character. 距中线距离（米）,
// eight ideographs of 13.3 px, needs 15. Each table stays one A4
// portrait page wide: in LibreOffice, whose digit is the wider (5.575 pt), the widths plus 5 px
// of padding per column must not pass the 463.5 pt between the margins (83.1 characters). The
// 设计高程 column ("1234.567" in a fallback font: 9.1 characters) takes the table past that: the
// table is then printed at the scale that fits it one page wide (xlsx_table.cpp), its 57 rows
// a page still ending on the manual page breaks.
inline constexpr TableColumn kBoreholeColumns[] = {
    {"序号", 5, NumberFormat::general, false, RecordField::serial},
    {"桩号", 14, NumberFormat::general, false, RecordField::station},
    {"距中线距离（米）", 15, NumberFormat::general, false, RecordField::offset},
    {"X", 14, NumberFormat::four_decimals, false, RecordField::x},
    {"Y", 15.25, NumberFormat::four_decimals, false, RecordField::y},
    {"设计高程", 10, NumberFormat::three_decimals, false, RecordField::design_elevation},
    {"地面高程", 10, NumberFormat::three_decimals, false, RecordField::ground_elevation},
    {"填(+)挖(−)", 10, NumberFormat::three_decimals, false, RecordField::cut_fill},
    {"孔深（米）", 9.5, NumberFormat::two_decimals, false, RecordField::depth},
    {"孔底高程", 10, NumberFormat::three_decimals, false, RecordField::bottom_elevation},
    {"类别", 6.5, NumberFormat::general, true, RecordField::hole_type},
    {"备注", 15.25, NumberFormat::general, true, RecordField::remark},
};
// The offset as the borehole file has it ("+12.50" stays "+12.50"); the coordinates in their
// shortest round-trip form. The heights follow where the run gives them.
inline constexpr CsvColumn kBoreholeCsv[] = {
    {"group", RecordField::group},
    {"serial", RecordField::serial},
    {"station", RecordField::station},
    {"offset", RecordField::offset_text},
    {"x", RecordField::x},
    {"y", RecordField::y},
    {"remark", RecordField::remark},
    {"design_elevation", RecordField::design_elevation},
    {"ground_elevation", RecordField::ground_elevation},
    {"crossing_angle", RecordField::crossing_angle},
    {"line", RecordField::line},
    {"depth", RecordField::depth},
    {"bottom_elevation", RecordField::bottom_elevation},
    {"hole_type", RecordField::hole_type},
};
inline constexpr TableLayout kBoreholeTable{kTableTitle, kBoreholeColumns, RecordField::station,
                                            RecordField::x, kBoreholeCsv};

// The as-drilled table: surveyed holes back to station and offset (坐标反算). One column more
// in the same page width: names and remarks narrower, shrunk to fit; a lettered station
// "BK13+470.000" takes 12 characters of 宋体 (80 px) and is shrunk should a wide fallback font
// need more.
inline constexpr TableColumn kAsDrilledColumns[] = {
    {"序号", 5, NumberFormat::general, false, RecordField::serial},
    {"孔号", 7, NumberFormat::general, true, RecordField::name},
    {"X", 14, NumberFormat::four_decimals, false, RecordField::x},
    {"Y", 15.25, NumberFormat::four_decimals, false, RecordField::y},
    {"桩号", 12.5, NumberFormat::general, true, RecordField::station},
    {"距中线距离（米）", 15, NumberFormat::three_decimals, false, RecordField::offset},
    {"设计高程", 10, NumberFormat::three_decimals, false, RecordField::design_elevation},
    {"地面高程", 10, NumberFormat::three_decimals, false, RecordField::ground_elevation},
    {"备注", 9.25, NumberFormat::general, true, RecordField::remark},
};
// The computed offset in full; the station number of its interval beside the lettered station.
inline constexpr CsvColumn kAsDrilledCsv[] = {
    {"group", RecordField::group},
    {"serial", RecordField::serial},
    {"name", RecordField::name},
    {"x", RecordField::x},
    {"y", RecordField::y},
    {"station", RecordField::station},
    {"station_value", RecordField::station_value},
    {"offset", RecordField::offset},
    {"remark", RecordField::remark},
    {"design_elevation", RecordField::design_elevation},
    {"ground_elevation", RecordField::ground_elevation},
    {"collar_elevation", RecordField::collar_elevation},
    {"planned_station", RecordField::planned_station},
    {"planned_offset", RecordField::planned_offset},
    {"d_along", RecordField::d_along},
    {"d_across", RecordField::d_across},
    {"distance", RecordField::distance},
    {"status", RecordField::status},
};
inline constexpr TableLayout kAsDrilledTable{kAsDrilledTitle, kAsDrilledColumns, RecordField::name,
                                             RecordField::station, kAsDrilledCsv};

// The as-drilled table of a surveyors' file, which brings each hole's height: 孔口高程 after the
// offset, to the millimetre. The page stays one A4 page wide (the sum above, now 8 columns):
// X, Y and the lettered station keep their widths; the elevation takes 10.25 characters, for
// "1234.567" in a wide fallback font (63.6 px) and for the note row's date ("2026-12-10", 66.7
// px in 宋体; a date too wide prints "###", not shrunk), whose label "提供日期：" runs on leftwards
// from the offset's cell; the offset gets 8 ("-12.345" in 宋体 46.7 px, more shrunk), and the
// name and the remark give up what is left, shrunk to fit.
inline constexpr TableColumn kAsDrilledHeightColumns[] = {
    {"序号", 5, NumberFormat::general, false, RecordField::serial},
    {"孔号", 6, NumberFormat::general, true, RecordField::name},
    {"X", 14, NumberFormat::four_decimals, false, RecordField::x},
    {"Y", 15.25, NumberFormat::four_decimals, false, RecordField::y},
    {"桩号", 12.5, NumberFormat::general, true, RecordField::station},
    {"距中线距离（米）", 8, NumberFormat::three_decimals, true, RecordField::offset},
    {"孔口高程", 10.25, NumberFormat::three_decimals, false, RecordField::collar_elevation},
    {"设计高程", 10, NumberFormat::three_decimals, false, RecordField::design_elevation},
    {"模型地面", 10, NumberFormat::three_decimals, false, RecordField::ground_elevation},
    {"实测−模型", 10, NumberFormat::three_decimals, false, RecordField::ground_check},
    {"备注", 6, NumberFormat::general, true, RecordField::remark},
};
inline constexpr TableLayout kAsDrilledHeightTable{kAsDrilledTitle, kAsDrilledHeightColumns,
                                                   RecordField::name, RecordField::offset,
                                                   kAsDrilledCsv};

// The as-drilled table against the planned holes: each hole's planned and drilled station and
// offset side by side with the deviations and the verdict, rather than coordinates, which the
// CSV keeps; with a ground, the model's ground at the drilled hole and the surveyed collar less
// it, as the table without the plan has them. Eleven columns with 孔口高程 do not fit one A4
// page at 10 pt: the table prints at the scale that fits it one page wide (xlsx_table.cpp). The
// date goes in the plan distance's column, sized for it (10.25 characters, as 孔口高程 above),
// its label in the deviation's before it.
inline constexpr TableColumn kAsDrilledComparedColumns[] = {
    {"序号", 4.5, NumberFormat::general, false, RecordField::serial},
    {"孔号", 6, NumberFormat::general, true, RecordField::name},
    {"计划桩号", 12.5, NumberFormat::general, true, RecordField::planned_station},
    {"计划偏距", 8, NumberFormat::three_decimals, true, RecordField::planned_offset},
    {"实测桩号", 12.5, NumberFormat::general, true, RecordField::station},
    {"实测偏距", 8, NumberFormat::three_decimals, true, RecordField::offset},
    {"纵向偏差", 8, NumberFormat::three_decimals, false, RecordField::d_along},
    {"横向偏差", 8, NumberFormat::three_decimals, false, RecordField::d_across},
    {"平面偏差", 10.25, NumberFormat::three_decimals, false, RecordField::distance},
    {"孔口高程", 10.25, NumberFormat::three_decimals, false, RecordField::collar_elevation},
    {"设计高程", 10, NumberFormat::three_decimals, false, RecordField::design_elevation},
    {"模型地面", 10, NumberFormat::three_decimals, false, RecordField::ground_elevation},
    {"实测−模型", 10, NumberFormat::three_decimals, false, RecordField::ground_check},
    {"状态", 5.5, NumberFormat::general, true, RecordField::status},
};
inline constexpr TableLayout kAsDrilledComparedTable{kAsDrilledTitle, kAsDrilledComparedColumns,
                                                     RecordField::serial, RecordField::d_across,
                                                     kAsDrilledCsv};
// What the deviations are, on a note row of their own, short enough for the printed width.
inline constexpr const char* kComparedNote =
    "纵向、横向偏差：实测孔位减计划孔位，按计划桩号处中线方向分解，纵向前进为正，横向左为正。";

// The optional fields of a list that plans its holes' depths or types.
constexpr FieldSet with_hole_plan(FieldSet present) {
    return present.with(RecordField::depth)
        .with(RecordField::bottom_elevation)
        .with(RecordField::hole_type);
}

// The as-drilled table's layout for a run that gives the optional fields `present`: against
// the planned holes when it compares them, else the one with 孔口高程 when the holes' heights
// are given.
constexpr const TableLayout& as_drilled_layout(FieldSet present) {
    if (present.has(RecordField::status)) return kAsDrilledComparedTable;
    return present.has(RecordField::collar_elevation) ? kAsDrilledHeightTable : kAsDrilledTable;
}
// The optional fields of the comparison with the planned holes.
constexpr FieldSet with_comparison(FieldSet present) {
    return present.with(RecordField::planned_station)
        .with(RecordField::planned_offset)
        .with(RecordField::d_along)
        .with(RecordField::d_across)
        .with(RecordField::distance)
        .with(RecordField::status);
}

// --- Tables of rows other than boreholes -------------------------------------------------------
//
// The line tables (line_tables.h) are laid out the same way, a column table per table kind for
// the workbook and the CSV; their rows are the line's own (a JD, an element, a stake, a grade
// point), so each column takes its cell from the row through a function of its own.

// One cell of a row as the workbook and the CSV take it: nothing, a text or a number. `span` > 1
// merges the printed cell with the cells to its right (a chain-break line across the table's
// middle columns), which are then empty; the CSV has a field for every column.
struct RowCell {
    enum class Kind { empty, text, number } kind = Kind::empty;
    std::string text;
    double number = 0;
    int span = 1;

    static RowCell of(std::string text) { return {Kind::text, std::move(text), 0, 1}; }
    static RowCell of(double number) { return {Kind::number, {}, number, 1}; }
    // `number` where the row has it, else an empty cell.
    static RowCell of_if(bool given, double number) { return given ? of(number) : RowCell{}; }
};

// When a column is shown: always, or only where the run gives that height (the line's design
// profile: 设计高程; a ground: 地面高程). Without them the table is as it always was.
enum class ShownWith : std::uint8_t { always, design_elevation, ground_elevation };

constexpr bool shows(ShownWith shown, FieldSet present) {
    switch (shown) {
        case ShownWith::design_elevation:
            return present.has(RecordField::design_elevation);
        case ShownWith::ground_elevation:
            return present.has(RecordField::ground_elevation);
        case ShownWith::always:
            break;
    }
    return true;
}

// One printed column of a table of `Row`s: the heading over it (`group`, shared by the
// neighbouring columns that name the same one; "" where the column's own heading runs down
// both heading rows), its heading ("\n" breaks it into lines), its width (characters, as
// TableColumn's), its numbers shown to `decimals` places (-1: the general format), free text
// shrunk to its cell, and its cell of a row.
template <class Row>
struct RowColumn {
    const char* group;
    const char* heading;
    double width;
    int decimals;
    bool shrink;
    RowCell (*cell)(const Row&);
    ShownWith shown = ShownWith::always;
};

// One CSV column of a table of `Row`s: its name and its field of a row (texts as written,
// numbers in full).
template <class Row>
struct RowCsvColumn {
    const char* name;
    RowCell (*cell)(const Row&);
    ShownWith shown = ShownWith::always;
};

// What a table of `Row`s looks like: its title (the worksheet's name and the page header's
// centre), its paper, its printed columns from A on and its CSV columns.
template <class Row>
struct RowTableLayout {
    const char* title;
    Paper paper;
    bool landscape;
    bool centred;  // narrower than the page: printed centred under the title
    std::span<const RowColumn<Row>> columns;
    std::span<const RowCsvColumn<Row>> csv;
};

// The columns of `columns` shown when the run gives the heights in `present`.
template <class Column>
std::vector<const Column*> shown_row_columns(std::span<const Column> columns, FieldSet present) {
    std::vector<const Column*> out;
    for (const Column& c : columns)
        if (shows(c.shown, present)) out.push_back(&c);
    return out;
}

// The cells of `row` in the columns `columns`.
template <class Column, class Row>
std::vector<RowCell> row_cells(const std::vector<const Column*>& columns, const Row& row) {
    std::vector<RowCell> cells;
    cells.reserve(columns.size());
    for (const Column* c : columns) cells.push_back(c->cell(row));
    return cells;
}

}  // namespace qelt
