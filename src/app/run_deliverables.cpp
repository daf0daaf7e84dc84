#include "app/run_deliverables.h"

#include <ostream>

#include "app/run.h"
#include "app/run_ground_line.h"
#include "base/data_error.h"
#include "input/formats.h"
#include "report/drawings/dxf_drawing.h"
#include "report/models/ifc_boreholes.h"
#include "report/field/stakeout.h"
#include "report/tables/table_rows.h"

namespace qelt {

RunDeliverables::RunDeliverables(const TableLayout& layout, const DeliverableTargets& targets,
                                 GridSystem grid, FieldSet present)
    : layout_(layout),
      present_(present),
      targets_(targets),
      grid_(std::move(grid)),
      workbook_(targets.of(Deliverable::workbook), layout, present) {
    add(workbook_.table());
    bool keeps_records = false;
    for (const DeliverableKind& d : kDeliverables) {
        if (d.file == Deliverable::workbook || !wants(d.file)) continue;
        files_[static_cast<std::size_t>(d.file)].emplace(targets_.of(d.file));
        keeps_records = keeps_records || d.needs_records;
    }
    if (keeps_records) add(records_);
}

PendingFile* RunDeliverables::file(Deliverable d) {
    if (d == Deliverable::workbook) return &workbook_.file();
    std::optional<PendingFile>& f = files_[static_cast<std::size_t>(d)];
    return f ? &*f : nullptr;
}

std::vector<Deliverable> RunDeliverables::wanted() const {
    std::vector<Deliverable> files;
    for (const DeliverableKind& d : kDeliverables)
        if (wants(d.file)) files.push_back(d.file);
    return files;
}

PendingFile* RunDeliverables::create() {
    if (!workbook_.create()) return &workbook_.file();
    for (Deliverable d : wanted()) {
        if (d == Deliverable::workbook) continue;
        PendingFile* f = file(d);
        if (!f->create(true)) return f;
    }
    if (PendingFile* csv = file(Deliverable::csv))
        add(csv_.emplace(csv_stream_.emplace(csv), layout_, present_));
    return nullptr;
}

void RunDeliverables::close_table() {
    workbook_.close();
    if (PendingFile* csv = file(Deliverable::csv)) {
        if (csv_stream_) csv_stream_->flush();
        csv->close();
    }
}

bool RunDeliverables::is_ifc_model(const std::string& path) {
    try {
        return detect_format(path).format() == FileFormat::step;
    } catch (const DataError&) {
        return false;  // the run has read it; a file gone since is told when it is copied
    }
}

bool RunDeliverables::refused(Deliverable d) const {
    for (const Refusal& r : refusals_)
        if (r.file == d) return true;
    return false;
}

// A section for every line the list used, each with its own holes and the ground under its own
// centre line (found here once for the drawing): the run's line first, unless the list put no
// hole on it while it put some on the lines its groups named.
std::vector<LineSection> RunDeliverables::line_sections(
    const Alignment& alignment, std::span<const Alignment> further_lines) const {
    std::vector<LineSection> sections;
    const auto add = [&](const Alignment& line) {
        LineSection& s = sections.emplace_back();
        s.alignment = &line;
        for (const BoreholeRecord& b : records_.all)
            if (b.line == line.name) s.boreholes.push_back(b);
        if (s.boreholes.empty() && &line != &alignment) {
            sections.pop_back();
            return;
        }
        s.ground = centre_line_ground(line, ground_);
    };
    add(alignment);
    for (const Alignment& line : further_lines) add(line);
    if (sections.size() > 1 && sections.front().boreholes.empty()) sections.erase(sections.begin());
    return sections;
}

void RunDeliverables::write_file(Deliverable d, std::ostream& out, const Alignment& alignment,
                                 const std::string& title,
                                 std::span<const Alignment> further_lines) {
    switch (d) {
        case Deliverable::drawing:
            // Like the table, it shows the boreholes written so far when the run stopped.
            write_plan_drawing(out, alignment, records_.all, further_lines);
            return;
        case Deliverable::section:
            write_section_drawing(out, line_sections(alignment, further_lines), section_scales_);
            return;
        case Deliverable::stakeout:
            write_stakeout_file(out, StakeoutFormat::cass_dat, records_.all);
            return;
        case Deliverable::points_csv:
            write_stakeout_file(out, StakeoutFormat::points_csv, records_.all);
            return;
        case Deliverable::kml:
        case Deliverable::geojson: {
            // The coordinate system the user names comes first; then the one the line's own
            // file names (an IFC model's EPSG code); then the zone number prefixed to Y.
            // A map that cannot be made is refused before a byte of it is written.
            GridSystem grid = grid_;
            if (grid.crs.empty() && !grid.central_meridian) grid.crs = alignment.crs;
            write_map_file(out, d == Deliverable::kml ? MapFormat::kml : MapFormat::geojson,
                           alignment, records_.all, grid, title);
            return;
        }
        case Deliverable::ifc: {
            IfcBoreholeModel model;
            model.source_model = source_model_;
            model.grid = grid_;
            if (model.grid.crs.empty() && !model.grid.central_meridian)
                model.grid.crs = alignment.crs;
            model.title = title;
            write_ifc_boreholes(out, alignment, further_lines, records_.all, model);
            return;
        }
        case Deliverable::workbook:
        case Deliverable::csv:
            return;  // written by the run as it goes
    }
}

void RunDeliverables::write_files(const Alignment& alignment, const std::string& title,
                                  std::span<const Alignment> further_lines) {
    // A file that cannot be made of the records is refused by its writer before a byte of it is
    // written.
    for (const DeliverableKind& d : kDeliverables) {
        PendingFile* f = d.needs_records ? file(d.file) : nullptr;
        if (!f) continue;
        try {
            std::ostream out(f);
            write_file(d.file, out, alignment, title, further_lines);
            out.flush();
        } catch (const MapWithoutSystem& e) {
            refusals_.push_back({d.file, e.what(), true});
        } catch (const DataError& e) {
            refusals_.push_back({d.file, e.what(), false});
        }
        f->close();
    }
}

PendingFile* RunDeliverables::failed() {
    for (Deliverable d : wanted())
        if (!refused(d) && file(d)->failed()) return file(d);
    return nullptr;
}

std::string desktop_written_text(Deliverable file, const std::string& path) {
    const DeliverableKind& d = deliverable(file);
    return std::string(d.desktop_name) + d.desktop_note + "已写入：" + path;
}

std::string desktop_refused_text(const RunDeliverables::Refusal& refusal) {
    const std::string head = std::string("未写出") + deliverable(refusal.file).desktop_name + "：";
    if (refusal.file != Deliverable::kml) return head + refusal.reason;
    const std::string see = "见使用说明第 14 节“地图文件与坐标系”。";
    // The desktop has no box for the coordinate system: it takes it from the zone number in
    // front of Y, which the design office writes into the alignment file.
    if (refusal.no_coordinate_system)
        return head + kMapWithoutSystem +
               "\n要得到地图文件，请在平面资料的 Y 坐标前写上投影带带号（如 3° 带第 38 带写成 "
               "38498953.007），重新计算。" +
               see;
    return head + refusal.reason + "。" + see;
}

std::string incomplete_set_text(std::string_view table) {
    return std::string(table) + "未完成，文件名带“" + kIncompleteMark +
           "”；钻孔不全，所以未生成钻孔平面布置图、放样点和地图文件。改正后重新计算即可得到全部文件"
           "。";
}

}  // namespace qelt
