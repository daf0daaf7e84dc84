#include "report/tables/table_columns.h"

namespace qelt {

const std::string& field_text(const BoreholeRecord& b, RecordField f) {
    switch (f) {
        case RecordField::group:
            return b.group;
        case RecordField::name:
            return b.name;
        case RecordField::station:
            return b.station;
        case RecordField::offset_text:
            return b.offset_text;
        case RecordField::line:
            return b.line;
        case RecordField::planned_station:
            return b.planned_station;
        case RecordField::status:
            return b.status;
        case RecordField::hole_type:
            return b.hole_type;
        default:
            break;
    }
    return b.remark;
}

std::optional<double> field_number(const BoreholeRecord& b, RecordField f) {
    // A planned hole not drilled has no drilled position: its cells stay empty.
    if (!b.placed && (f == RecordField::station_value || f == RecordField::offset ||
                      f == RecordField::x || f == RecordField::y))
        return std::nullopt;
    switch (f) {
        case RecordField::serial:
            return b.serial;
        case RecordField::station_value:
            return b.station_value;
        case RecordField::offset:
            return b.offset;
        case RecordField::x:
            return b.x;
        case RecordField::y:
            return b.y;
        case RecordField::design_elevation:
            return b.design_elevation;
        case RecordField::ground_elevation:
            return b.ground_elevation;
        case RecordField::collar_elevation:
            return b.collar_elevation;
        case RecordField::cut_fill:
            if (b.design_elevation && b.ground_elevation)
                return *b.design_elevation - *b.ground_elevation;
            return std::nullopt;
        case RecordField::ground_check:
            if (b.collar_elevation && b.ground_elevation)
                return *b.collar_elevation - *b.ground_elevation;
            return std::nullopt;
        case RecordField::crossing_angle:
            return b.crossing_angle;
        case RecordField::planned_offset:
            return b.planned_offset;
        case RecordField::d_along:
            return b.d_along;
        case RecordField::d_across:
            return b.d_across;
        case RecordField::distance:
            return b.distance;
        case RecordField::depth:
            return b.depth;
        case RecordField::bottom_elevation:
            return b.bottom_elevation;
        default:
            break;
    }
    return std::nullopt;
}

namespace {

// A derived field is there where both the fields it is made of are.
bool shows(FieldSet present, RecordField f) {
    switch (f) {
        case RecordField::cut_fill:
            return present.has(RecordField::design_elevation) &&
                   present.has(RecordField::ground_elevation);
        case RecordField::ground_check:
            return present.has(RecordField::collar_elevation) &&
                   present.has(RecordField::ground_elevation);
        default:
            return !is_optional(f) || present.has(f);
    }
}

template <typename Column>
std::vector<const Column*> shown(std::span<const Column> columns, FieldSet present) {
    std::vector<const Column*> out;
    for (const Column& c : columns)
        if (shows(present, c.field)) out.push_back(&c);
    return out;
}

}  // namespace

std::string ground_elevation_note(const std::string& source, GroundKind kind) {
    // How the height was found, as the route group's files or the surveyor's model give it.
    switch (kind) {
        case GroundKind::cross_sections:
            return "地面高程取自地面模型“" + source +
                   "”，为钻孔所在偏距处前后两个实测横断面地面高程按桩号线性内插的值（米），"
                   "超出横断面实测宽度或不在两横断面之间的钻孔不计。";
        case GroundKind::centre_line:
            return "地面高程取自地面模型“" + source +
                   "”，为中线纵向地面线按桩号线性内插的高程（米），只计中线上的钻孔。";
        case GroundKind::tin:
            break;
    }
    return "地面高程取自地面模型“" + source +
           "”，为钻孔 X、Y 处三角网的高程（米），模型范围之外的钻孔不计。";
}

std::vector<const TableColumn*> shown_columns(std::span<const TableColumn> columns,
                                              FieldSet present) {
    return shown(columns, present);
}

std::vector<const CsvColumn*> shown_columns(std::span<const CsvColumn> columns, FieldSet present) {
    return shown(columns, present);
}

}  // namespace qelt
