#pragma once
// The tables that let the engineer check the line Qelt computed against the design drawings
// before a single borehole is placed on it:
//   直线、曲线及转角表 (a main line by JDs): per JD its deflection, radius, transitions, tangent
//       lengths, curve length, external distance, correction and key-point stations, and per
//       leg its straight length, JD distance and azimuth, with the chain breaks between;
//   线元表 (an element chain, a LandXML line): per element its kind, stations, radii, length,
//       clothoid parameter, start point and direction and end point;
//   逐桩坐标表 (any line): station, X, Y and tangent azimuth at every multiple of the interval
//       and at every key point and chain break.
// All of them are computed from the alignment model alone, so that a LandXML line shows what
// was read exactly as a typed one shows what was built.
//
// Units: metres; X north, Y east; angles in the files as the tables say (d°m′s″ printed,
// decimal degrees in the CSV, azimuths clockwise from north, deflections positive to the right).

#include <ostream>
#include <string>

#include "alignment/alignment.h"

namespace qelt {

enum class LineTableKind { curves, elements, stakes };

inline constexpr const char* kCurveTableTitle = "直线、曲线及转角表";
inline constexpr const char* kElementTableTitle = "线元表";
inline constexpr const char* kStakeTableTitle = "逐桩坐标表";
inline constexpr double kDefaultStakeInterval = 20;

const char* line_table_title(LineTableKind kind);

// The table that describes the line's own geometry: the curve table for a line given by its
// JDs, the element table for every other.
LineTableKind geometry_table_of(const Alignment& alignment);

// The table as CSV (UTF-8 with BOM, full precision). `every` is the stake interval, metres
// (> 0), read by the stake table only. The alignment's stationing must be complete
// (dl_complete). Throws DataError when the table does not apply to the line (the curve table of
// a line without JDs).
void write_line_table_csv(std::ostream& out, LineTableKind kind, const Alignment& alignment,
                          double every = kDefaultStakeInterval);

// The table as an .xlsx workbook at `path` (the caller's temporary name), in the house print
// style, `project_line` left in the page headers. False, with the reason in `error`, when it
// could not be written. Throws DataError as write_line_table_csv.
bool write_line_table_xlsx(const std::string& path, LineTableKind kind, const Alignment& alignment,
                           const std::string& project_line, double every, std::string& error);

}  // namespace qelt
