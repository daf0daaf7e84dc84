// The as-drilled run (坐标反算): after drilling, each hole's surveyed X, Y go back to the station
// and offset the design tables use, in the as-drilled table "钻孔桩号及偏距表". It is the table
// run over the points file in place of the borehole list; compared with the planned holes, its
// table follows the planned list instead (app/run_comparison.h).

#include <variant>

#include "app/run.h"
#include "app/run_comparison.h"
#include "app/run_steps.h"
#include "base/data_error.h"
#include "base/text.h"
#include "input/survey/surveyed_points.h"

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
    void ground_from(const std::string& source, GroundKind kind) override {
        ground = source;
        ground_kind = kind;
    }

    // Begins `sink`'s table and names the ground the run read, if any, for its note row.
    void begin(RecordSink& sink) const {
        sink.begin_table();
        if (!ground.empty()) sink.ground_from(ground, ground_kind);
    }
    void hand_on(RecordSink& sink) const {
        begin(sink);
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
    std::string ground;  // the file of the ground the run read, or empty
    GroundKind ground_kind = GroundKind::tin;

  private:
    std::vector<std::variant<GroupHead, Row, BoreholeRecord, End>> events_;
};

// The as-drilled run compared with the planned holes: the points file and the planned list
// read through in the one run, each drilled point taken back to its planned hole's line, then
// the compared table. A run that stops in the points file keeps its rows as the plain table; a
// planned list that cannot be read writes nothing.
RunResult run_compared(RunUi& ui, const RunOptions& options, AlignmentSource& source,
                       Alignment& alignment, RecordSink& records, RunProgress* progress,
                       std::vector<Alignment>& named_lines, JobLists& lists) {
    HeldEvents held;
    std::vector<PlannedHole> planned;
    RunResult result =
        run_list_table(ui, options, source, alignment, held, progress,
                       {kPointsDialog, ListKind::points}, &named_lines, &lists, &planned);
    if (result.outcome == RunOutcome::data_error) return result;
    if (result.outcome != RunOutcome::complete) {
        held.hand_on(records);
        return result;
    }
    const double tolerance = options.tolerance;
    const HoleComparison comparison = compare_holes(planned, held.records, tolerance);
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
    held.begin(records);
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

RunResult run_as_drilled_table(RunUi& ui, const RunOptions& options, AlignmentSource& source,
                               Alignment& alignment, RecordSink& records, RunProgress* progress) {
    std::vector<Alignment> named_lines;
    JobLists lists;
    return run_as_drilled_table(ui, options, source, alignment, records, progress, named_lines,
                                lists);
}

RunResult run_as_drilled_table(RunUi& ui, const RunOptions& options, AlignmentSource& source,
                               Alignment& alignment, RecordSink& records, RunProgress* progress,
                               std::vector<Alignment>& named_lines, JobLists& lists) {
    if (options.compare_planned)
        return run_compared(ui, options, source, alignment, records, progress, named_lines, lists);
    return run_list_table(ui, options, source, alignment, records, progress,
                          {kPointsDialog, ListKind::points}, &named_lines, &lists);
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

RunResult TableJob::run_as_drilled(RunUi& ui, const RunOptions& options, RecordSink& records,
                                   RunProgress* progress) {
    return run_as_drilled_table(ui, options, *source_, alignment_, records, progress, named_lines_,
                                lists_);
}

}  // namespace qelt
