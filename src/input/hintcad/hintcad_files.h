#pragma once
// The data files of the road-CAD suite 纬地 (HintCAD) as the route group (路线专业) hands them to
// the geotechnical group: plain text, each told by its first line, "HINTCAD<version>_<kind>",
// never by its extension (another suite's .HDM is a width file of another layout). The
// version varies (5.83, 5.84, 6.00 …) and is not read. Numbers are separated by tabs or blanks;
// blank lines are skipped. Stations (桩号) are as the suite prints them, plain metres in the
// numbering of their chain-break interval: the run's chain breaks turn them into mileages as
// they do every station.
//
//   _PM_SHUJU_PM  平面线元 (.pm): line 2 the element count, two placeholders and the start
//                 station; line 3 the start record (…, start azimuth in radians, …, X, Y); then
//                 three lines per element: its head (turn, 0, length, A, R at its start, R at its
//                 end, type code; a radius of 9999 is a straight's), its points (start, middle,
//                 end and, for a curve, the centre of its circle: X Y pairs, 0 0 where none) and
//                 its start and end stations and azimuths (radians). A closing record whose
//                 first field is 0 may follow.
//   _PM_SHUJU_JD  平面交点 (.jd): see hintcad_read_alignment.
//   _ZDM_SHUJU    纵断面 (.zdm): line 2 the count of grade points; then one a line: station,
//                 elevation, vertical-curve radius (0 at the first and last), and the station and
//                 height of a step in the grade line (错台, ramps only; 0 0 when none).
//   _DMX_SHUJU    纵向地面线 (.dmx): one "station elevation" a line.
//   _HDM_SHUJU    横断面地面线 (.hdm): three lines per section: its station; the left side as
//                 n followed by n pairs (horizontal distance, height difference), each from the
//                 point before it, the first from the centre stake; the right side the same.
//                 The heights are relative: the centre stake's ground comes from the .dmx.
//   _STA_SHUJU    桩号序列 (.sta): one stake a line: its station and its number (1, 2, …;
//                 the number may be left out).
//
// Frame and units: metres; X north, Y east; azimuths radians clockwise from +X.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "alignment/alignment.h"
#include "base/line_reader.h"
#include "geometry/profile.h"
#include "input/documents.h"
#include "station/chain_breaks.h"
#include "terrain/terrain.h"

namespace qelt {

enum class HintcadKind { none, elements, jds, profile, ground_line, sections, stakes };

// The kind of a 纬地 file from its first line (blanks around it and a byte-order mark already
// gone): none for any other line, a 纬地 file of a kind Qelt does not read among them.
HintcadKind hintcad_kind(std::string_view first_line);

// What the messages call a file of `kind`: "纬地横断面数据文件（.hdm）".
std::string hintcad_file_name(HintcadKind kind);

// The line of a .pm file, element by element: each element is built from its radii and length
// alone from the start record on, and its start and end point and azimuth as built must agree
// with those the file writes within 1 mm and 1″; an element that does not is refused, naming it
// and the difference (a file edited by hand, or a line of numbers lost). The line has no chain
// breaks of its own: the run's chain-break file applies where one is given.
// A .jd file (_PM_SHUJU_PM's sibling _PM_SHUJU_JD) is built as Qelt's own JD file is: line 2
// the JD count and the start station; then for every JD a line "号 标识 类型 X Y", a line of the
// curve "A1 Ls1 R1 T1 R 圆曲线长 曲线长 A2 Ls2 R2 T2 外距" (R1, R2 the radii at the transitions'
// outer ends, 9999 for a straight) and a line of its stations; the lines of the elements the
// suite writes between the JDs are not read. Every curve's T1 and T2 as built must agree with
// the file's within 1 mm. (This layout is taken from public descriptions of the suite's files,
// not from its maker; the check of the tangents holds a misread file back.)
// Throws DataError naming the file, the line and the field as typed.
Alignment hintcad_read_alignment(LineSource& file);

// The design profile of a .zdm file, its stations turned into mileages through `breaks`
// (completed). A step in the grade line is refused: the grade line of a main line has none.
// Throws DataError naming the file, the line and the field as typed.
Profile hintcad_read_profile(LineSource& file, const ChainBreaks& breaks);

// The ground of the centre line (.dmx) and, where `sections` names one, across it (.hdm), for
// `alignment` (its located line and completed chain breaks); the ground's source names the file
// the holes' ground comes from (the .hdm where given). Every station of the .hdm must lie on the
// .dmx's ground line. Throws DataError naming the file, the line and the field as typed.
Terrain hintcad_read_ground(const std::string& ground_line,
                            const std::optional<std::string>& sections, const Alignment& alignment);

// The stakes of a .sta file as continuous mileages on `alignment` (its chain breaks completed),
// in the file's order: every station rising from the one before and on the line, every number
// one more than the one before. Throws DataError naming the file, the line and the field as
// typed.
std::vector<double> hintcad_read_stakes(LineSource& file, const Alignment& alignment);

// Whether the file `path` is a 纬地 file of `kind`, told by its first line that is not blank as
// the job's `documents` read it. Throws DataError when the file cannot be read.
bool is_hintcad_file(Documents& documents, const std::string& path, HintcadKind kind);

}  // namespace qelt
