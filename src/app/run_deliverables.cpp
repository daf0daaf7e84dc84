#include "app/run_deliverables.h"

#include <ostream>

#include "base/data_error.h"
#include "report/stakeout.h"

namespace qelt {

const std::string& DeliverableTargets::of(Deliverable d) const {
    switch (d) {
        case Deliverable::workbook:
            return workbook;
        case Deliverable::csv:
            return csv;
        case Deliverable::drawing:
            return drawing;
        case Deliverable::stakeout:
            return stakeout;
        case Deliverable::points_csv:
            return points_csv;
        case Deliverable::kml:
            return kml;
        case Deliverable::geojson:
            break;
    }
    return geojson;
}

RunDeliverables::RunDeliverables(const TableLayout& layout, const DeliverableTargets& targets,
                                 GridSystem grid, FieldSet present)
    : layout_(layout),
      present_(present),
      targets_(targets),
      grid_(std::move(grid)),
      workbook_(targets.workbook, layout, present) {
    add(workbook_.table());
    if (!targets_.csv.empty()) csv_file_.emplace(targets_.csv);
    if (!targets_.drawing.empty()) drawing_.emplace(targets_.drawing);
    if (!targets_.stakeout.empty()) stakeout_.emplace(targets_.stakeout);
    if (!targets_.points_csv.empty()) points_csv_.emplace(targets_.points_csv);
    if (!targets_.kml.empty()) kml_.emplace(targets_.kml);
    if (!targets_.geojson.empty()) geojson_.emplace(targets_.geojson);
    if (keeps_records()) add(records_);
}

PendingFile* RunDeliverables::file(Deliverable d) {
    switch (d) {
        case Deliverable::workbook:
            return &workbook_.file();
        case Deliverable::csv:
            return csv_file_ ? &*csv_file_ : nullptr;
        case Deliverable::drawing:
            return drawing_ ? &drawing_->file() : nullptr;
        case Deliverable::stakeout:
            return stakeout_ ? &*stakeout_ : nullptr;
        case Deliverable::points_csv:
            return points_csv_ ? &*points_csv_ : nullptr;
        case Deliverable::kml:
            return kml_ ? &*kml_ : nullptr;
        case Deliverable::geojson:
            break;
    }
    return geojson_ ? &*geojson_ : nullptr;
}

std::vector<Deliverable> RunDeliverables::wanted() const {
    std::vector<Deliverable> files;
    for (Deliverable d :
         {Deliverable::workbook, Deliverable::csv, Deliverable::drawing, Deliverable::stakeout,
          Deliverable::points_csv, Deliverable::kml, Deliverable::geojson})
        if (!targets_.of(d).empty()) files.push_back(d);
    return files;
}

PendingFile* RunDeliverables::create() {
    if (!workbook_.create()) return &workbook_.file();
    for (Deliverable d : wanted()) {
        if (d == Deliverable::workbook) continue;
        PendingFile* f = file(d);
        if (!f->create(true)) return f;
    }
    if (csv_file_) add(csv_.emplace(csv_stream_.emplace(&*csv_file_), layout_, present_));
    return nullptr;
}

bool RunDeliverables::keeps_records() const {
    return drawing_ || stakeout_ || points_csv_ || kml_ || geojson_;
}

void RunDeliverables::close_table() {
    workbook_.close();
    if (csv_file_) {
        if (csv_stream_) csv_stream_->flush();
        csv_file_->close();
    }
}

bool RunDeliverables::refused(Deliverable d) const {
    for (const Refusal& r : refusals_)
        if (r.file == d) return true;
    return false;
}

void RunDeliverables::write_files(const Alignment& alignment, const std::string& title) {
    // The drawing, like the table, shows the boreholes written so far when the run stopped.
    if (drawing_) drawing_->close(alignment, records_.all);
    // Each file is made whole in memory or refused before a byte of it is written.
    const auto write = [this](Deliverable d, const auto& make) {
        PendingFile* f = file(d);
        if (!f) return;
        try {
            std::ostream out(f);
            make(out);
            out.flush();
        } catch (const DataError& e) {
            refusals_.push_back({d, e.what()});
        }
        f->close();
    };
    if (stakeout_ || points_csv_) {
        const std::vector<std::string> names = stakeout_names(records_.all);
        write(Deliverable::stakeout, [&](std::ostream& out) {
            write_stakeout_file(out, StakeoutFormat::cass_dat, records_.all, names);
        });
        write(Deliverable::points_csv, [&](std::ostream& out) {
            write_stakeout_file(out, StakeoutFormat::points_csv, records_.all, names);
        });
    }
    for (const auto& [d, format] : {std::pair{Deliverable::kml, MapFormat::kml},
                                    std::pair{Deliverable::geojson, MapFormat::geojson}}) {
        write(d, [&, format = format](std::ostream& out) {
            if (std::optional<std::string> problem =
                    map_file_problem(alignment, records_.all, grid_))
                throw DataError(*problem);
            write_map_file(out, format, alignment, records_.all, grid_, title);
        });
    }
}

PendingFile* RunDeliverables::failed() {
    for (Deliverable d : wanted())
        if (!refused(d) && file(d)->failed()) return file(d);
    return nullptr;
}

}  // namespace qelt
