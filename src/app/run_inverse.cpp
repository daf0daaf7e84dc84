// The as-drilled run (坐标反算): after drilling, each hole's surveyed X, Y go back to the station
// and offset the design tables use, in the as-drilled table "钻孔桩号及偏距表". It is the table
// run over the points file in place of the borehole list.

#include "app/run.h"
#include "app/run_steps.h"
#include "base/data_error.h"
#include "input/surveyed_points.h"

namespace qelt {

RunResult run_as_drilled_table(RunUi& ui, AlignmentSource& source, Alignment& alignment,
                               RecordSink& records, RunProgress* progress) {
    return run_list_table(ui, source, alignment, records, progress,
                          {kPointsDialog, ListKind::points});
}

FieldSet as_drilled_fields(const std::string& points_file) {
    try {
        if (layout_has_heights(points_layout(points_file).layout))
            return {RecordField::collar_elevation};
    } catch (const DataError&) {
    }
    return {};
}

RunResult TableJob::run_as_drilled(RunUi& ui, RecordSink& records, RunProgress* progress) {
    named_lines_.clear();
    return run_as_drilled_table(ui, *source_, alignment_, records, progress);
}

}  // namespace qelt
