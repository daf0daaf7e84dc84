#pragma once
// The jobs on a line alone, before any borehole is placed on it: its tables, which the engineer
// lays beside the design drawings (直线、曲线及转角表 or 线元表, and 逐桩坐标表), and the line
// written as LandXML for survey and design software. Both front ends reach the tables' and the
// export's writers through here, each file on its way through a PendingFile.

#include <string>
#include <vector>

#include "alignment/alignment.h"
#include "app/run_output.h"
#include "report/tables/line_tables.h"
#include "terrain/terrain.h"

namespace qelt {

// Writes line table `kind` of `alignment`, read from `alignment_path` (which the page headers
// name): the workbook into the temporary file of `workbook` (created with create(false)) and,
// when given, the CSV into `csv` (created with create(true)). False when a file could not be
// written, the failure recorded in it. Throws DataError when the table cannot be made of this
// line (a curve table of a line without JDs, a stake table too long): nothing is written then.
// With `ground` the stake table carries the ground on its centre line, and one notice in
// `notices` counts and names the stakes the ground does not cover. With `stakes` (mileages
// rising on the line: the route group's stake list) the stake table lists exactly those, and
// `every` is not used.
bool write_line_table_files(PendingFile& workbook, PendingFile* csv, LineTableKind kind,
                            const Alignment& alignment, const std::string& alignment_path,
                            double every, const Terrain* ground = nullptr,
                            std::vector<std::string>* notices = nullptr,
                            const std::vector<double>* stakes = nullptr);

// Writes `alignment` as a LandXML 1.2 alignment named `name` into `file` (created with
// create(true)) and closes it; false when it could not be written.
bool write_line_landxml(PendingFile& file, const Alignment& alignment, const std::string& name);

}  // namespace qelt
