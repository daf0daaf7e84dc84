#pragma once
// The steps every table run takes, whatever its rows: choose and read the alignment and build
// it with its chain breaks (read_line), open the list file, then take the list's events one by
// one (input/text/list_events.h), place each row on the line (alignment/placement.h) and hand its
// record to the run's sink; and the one stop path that closes the list file and tells the user.
// The coordinate table (钻孔数量及位置表, rows from stations and offsets) and the as-drilled
// table (钻孔桩号及偏距表, rows from surveyed X, Y) differ only in their list.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/run.h"
#include "app/run_comparison.h"
#include "input/text/list_events.h"
#include "report/borehole_record.h"

namespace qelt {

// The list file a run writes its table from: the dialog that asks for it and its kind, which
// says how its rows read and how they are placed (place_borehole from a station and offset,
// place_surveyed from X, Y).
struct ListFile {
    FileDialog dialog;
    ListKind kind;
};

// Runs a table once: the line from `source` (read_line) into `alignment`, then the list file
// chosen in `list.dialog`, each row placed and its record, framed by the list's events, handed
// to `records` in the order of the file. The list is read through `lists` (JobLists, run.h),
// from memory where the job read it already; null: read for this run alone.
// The lines other than `alignment` that the list's groups name (@名称) go to `named_lines`.
// With `planned` (a points file compared with the planned holes), the planned borehole list is
// asked for after the points file and its holes placed by the same loop as the coordinate
// table's, each on its group's line and axis, into `planned`; a drilled point named as a planned
// hole is then taken back to that hole's line, any other to `alignment`.
RunResult run_list_table(RunUi& ui, const RunOptions& options, AlignmentSource& source,
                         Alignment& alignment, RecordSink& records, RunProgress* progress,
                         const ListFile& list, std::vector<Alignment>* named_lines = nullptr,
                         JobLists* lists = nullptr, std::vector<PlannedHole>* planned = nullptr);

// The as-drilled run (run_as_drilled_table) with the lines its planned groups name going to
// `named_lines` and its lists read through `lists`.
RunResult run_as_drilled_table(RunUi& ui, const RunOptions& options, AlignmentSource& source,
                               Alignment& alignment, RecordSink& records, RunProgress* progress,
                               std::vector<Alignment>& named_lines, JobLists& lists);

}  // namespace qelt
