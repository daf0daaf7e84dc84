// The as-drilled run (坐标反算): after drilling, each hole's surveyed X, Y go back to the station
// and offset the design tables use, in the as-drilled table "钻孔桩号及偏距表". It is the table
// run over the points file in place of the borehole list; compared with the planned holes, its
// table follows the planned list instead (app/run_comparison.h).

#include <variant>

#include "alignment/placement.h"
#include "app/run.h"
#include "app/run_comparison.h"
#include "app/run_steps.h"
#include "base/data_error.h"
#include "base/text.h"
#include "input/list_events.h"
#include "input/surveyed_points.h"
#include "station/station.h"

namespace qelt {

namespace {

// The events of a table run kept in order, to be handed on later: the comparison needs every
// drilled hole before its table's first row, and a run that stops hands on what it has.
class HeldEvents : public RecordSink {
  public:
    struct Row {
        int serial;
    };
    struct End {};
    void begin_group(const GroupHead& group) override { events_.emplace_back(group); }
    void begin_row(int serial) override { events_.emplace_back(Row{serial}); }
    void record(const BoreholeRecord& borehole) override {
        events_.emplace_back(borehole);
        records.push_back(borehole);
    }
    void end_group() override { events_.emplace_back(End{}); }
    void finish(const std::string& project_line) override { project = project_line; }

    void hand_on(RecordSink& sink) const {
        sink.begin_table();
        for (const auto& e : events_) {
            if (const auto* g = std::get_if<GroupHead>(&e))
                sink.begin_group(*g);
            else if (const auto* r = std::get_if<Row>(&e))
                sink.begin_row(r->serial);
            else if (const auto* b = std::get_if<BoreholeRecord>(&e))
                sink.record(*b);
            else
                sink.end_group();
        }
    }

    std::vector<BoreholeRecord> records;
    std::string project;

  private:
    std::vector<std::variant<GroupHead, Row, BoreholeRecord, End>> events_;
};

// The planned holes of the borehole list `path`, placed on `alignment` as the coordinate table
// placed them. Throws DataError naming the file and line of a list that no longer reads or a
// station the line no longer has.
std::vector<PlannedHole> read_planned(const std::string& path, const Alignment& alignment,
                                      std::vector<std::string>& notices) {
    std::unique_ptr<ListEvents> list = read_grouped_list(path, ListKind::boreholes);
    std::vector<PlannedHole> planned;
    std::string title;
    int number = 0;
    for (;;) {
        const ListEvent& event = list->next();
        notices.insert(notices.end(), event.notices.begin(), event.notices.end());
        switch (event.kind) {
            case ListEvent::Kind::project:
            case ListEvent::Kind::group_end:
                break;
            case ListEvent::Kind::group:
                title = event.group.title;
                number = event.group.number;
                break;
            case ListEvent::Kind::row: {
                const PlacedBorehole placed = place_borehole(alignment, event.row.at);
                for (const std::string& notice : placed.notices)
                    notices.push_back(list->at_line(event.line) + notice);
                if (placed.outcome != PlacementOutcome::placed)
                    throw DataError(list->at_line(event.line) + placed.message, path, event.line);
                PlannedHole hole;
                hole.mileage = placed.mileage;
                BoreholeRecord& r = hole.record;
                r.group = title;
                r.group_number = number;
                r.serial = event.row.serial;
                // Printed as the drilled stations are, lettered in a long chain's overlap, so
                // that the two read alike side by side.
                r.station = zh_station_of(alignment.breaks, placed.mileage).text;
                r.station_value = placed.station_value;
                r.offset = placed.offset;
                r.offset_text = event.row.at.offset_text;
                r.x = placed.point.x;
                r.y = placed.point.y;
                r.remark = event.row.remark;
                planned.push_back(std::move(hole));
                break;
            }
            case ListEvent::Kind::refused:
                throw DataError(event.text, path, event.line);
            case ListEvent::Kind::end:
                return planned;
        }
    }
}

// The as-drilled run compared with the planned holes: the points file read through as the plain
// run reads it, then the planned list, then the compared table. A run that stops in the points
// file keeps its rows as the plain table; a planned list that cannot be read writes nothing.
RunResult run_compared(RunUi& ui, AlignmentSource& source, Alignment& alignment,
                       RecordSink& records, RunProgress* progress) {
    HeldEvents held;
    RunResult result =
        run_list_table(ui, source, alignment, held, progress, {kPointsDialog, ListKind::points});
    if (result.outcome == RunOutcome::data_error) return result;
    if (result.outcome != RunOutcome::complete) {
        held.hand_on(records);
        return result;
    }
    const double tolerance = ui.planned_tolerance();
    HoleComparison comparison;
    try {
        const std::optional<std::string> path = ui.choose_file(kPlannedDialog);
        if (!path) throw DataError(job_input(DialogRole::planned).not_chosen);
        comparison = compare_holes(alignment, read_planned(*path, alignment, result.notices),
                                   held.records, tolerance);
    } catch (const DataError& e) {
        result.outcome = RunOutcome::data_error;
        result.message = e.what();
        result.file = e.file();
        result.line = e.line();
        ui.bring_main_window_to_front();
        ui.show_error_box(kErrorBoxText, kErrorBoxTitle);
        return result;
    }
    result.notices.insert(result.notices.end(), comparison.notices.begin(),
                          comparison.notices.end());
    // The sheet's rows run out only for lists far beyond any project's; said as the plain run
    // says it.
    const auto too_long = [&] {
        result.outcome = RunOutcome::borehole_failure;
        result.message = "表格超过工作表的最大行数 " + std::to_string(records.max_rows()) +
                         "，请将实测坐标资料分成几个文件";
        ui.bring_main_window_to_front();
        ui.show_error_box(result.message, kErrorBoxTitle);
        return result;
    };
    records.begin_table();
    for (const ComparedGroup& group : comparison.groups) {
        if (!records.group_fits(group.head.count)) return too_long();
        records.begin_group(group.head);
        for (const BoreholeRecord& row : group.rows) {
            records.begin_row(row.serial);
            records.record(row);
        }
        records.end_group();
    }
    if (!records.note_fits()) return too_long();
    records.finish(held.project);
    result.comparison = comparison_summary(comparison, tolerance);
    return result;
}

}  // namespace

RunResult run_as_drilled_table(RunUi& ui, AlignmentSource& source, Alignment& alignment,
                               RecordSink& records, RunProgress* progress) {
    if (ui.compares_planned()) return run_compared(ui, source, alignment, records, progress);
    return run_list_table(ui, source, alignment, records, progress,
                          {kPointsDialog, ListKind::points});
}

FieldSet as_drilled_fields(const std::string& points_file, bool compared) {
    FieldSet present;
    try {
        if (layout_has_heights(points_layout(points_file).layout))
            present = {RecordField::collar_elevation};
    } catch (const DataError&) {
    }
    return compared ? with_comparison(present) : present;
}

RunResult TableJob::run_as_drilled(RunUi& ui, RecordSink& records, RunProgress* progress) {
    named_lines_.clear();
    return run_as_drilled_table(ui, *source_, alignment_, records, progress);
}

}  // namespace qelt
