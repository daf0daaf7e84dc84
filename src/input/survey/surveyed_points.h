#pragma once
// The survey crew's point files, read as list events (input/text/list_events.h) beside Qelt's own
// grouped points file: what the RTK controllers and CASS export, and what Qelt's stakeout
// files write (report/field/stakeout.h), so that the holes come back from the field without being
// retyped.
//
//   CASS .dat   点名,编码,Y,X,H             easting first; exactly five fields; 编码 and H may
//                                           be empty
//   PNEZD .csv  点名,X(北),Y(东),H[,描述]   northing first; four or five fields; H may be empty
//
// One point a line, no header line, no groups: the file is one group titled by the file's name
// (its stem, "实测孔位.dat" → "实测孔位"), which also names the project in the page headers.
// Fields are separated by the ASCII comma alone (these files are written by programs, and a
// description is free Chinese text in which "，" is punctuation); a field may be quoted as RFC
// 4180 quotes it ("…", a quote doubled inside), blanks around a field are dropped. Blank lines
// carry nothing and are skipped. The encodings and line ends are every input's (LineReader):
// GBK as CASS and the controllers write, UTF-8 with or without a byte-order mark, CR LF or LF.
//
// A surveyed H is the hole's collar elevation (孔口高程); the CASS 编码 and the PNEZD 描述 become
// the row's remark. A line that does not fit the layout is refused naming the file and the line:
// a wrong number of fields (with a hint when the line holds full-width commas), an empty name or
// one holding a comma, an X or Y that is not a number, an H that is neither empty nor a number.

#include <memory>
#include <optional>
#include <string>

#include "geometry/geometry.h"
#include "input/text/list_events.h"

namespace qelt {

enum class PointsLayout {
    grouped,  // Qelt's own 实测坐标资料: project line, groups "title n", rows "name X Y [remark]"
    cass,   // CASS 坐标文件: 点名,编码,Y,X,H
    pnezd,  // PNEZD: 点名,X,Y,H,描述
};

// How the layout of a points file is told, never from the size of its numbers:
//   - by its name: ".dat" is CASS, ".csv" is PNEZD (either case);
//   - any other name by its first non-blank line: a line of four or more comma-separated fields
//     is a surveyors' file, CASS where the second field (编码) is empty or not a number, PNEZD
//     where it is a number (X); any other first line is the project line of Qelt's own grouped
//     file.
struct PointsLayoutChoice {
    PointsLayout layout = PointsLayout::grouped;
    bool by_name = true;  // told by the file's extension rather than its first line
};
// Throws DataError naming the file when a file of another name cannot be opened or its first
// line not decoded.
PointsLayoutChoice points_layout(const std::string& path);
// The same for a file whose first line that is not blank has been read (nothing: none, or one
// that could not be decoded), as format detection reads it: the file is not opened again.
PointsLayoutChoice points_layout(const std::string& path, const std::optional<std::string>& first);

// Whether the layout has a height column (the as-drilled table then shows 孔口高程).
constexpr bool layout_has_heights(PointsLayout layout) {
    return layout != PointsLayout::grouped;
}

// One point of a surveyors' file (the crew's holes, or the ground shots a terrain is made of).
struct SurveyedPoint {
    std::string name;
    Point point;                   // metres, X north, Y east
    std::optional<double> height;  // H, metres; nothing where the crew left it empty
    std::string remark;            // the CASS 编码 or the PNEZD 描述
};
// The point of one line of a surveyors' file in the layout `choice` tells (cass or pnezd).
// Throws DataError with the detail alone (the caller names the file and the line): the
// refusals listed above.
SurveyedPoint surveyed_point(PointsLayoutChoice choice, const std::string& line);

// The points file `path` read as events in the layout `points_layout` tells: Qelt's own grouped
// file as read_grouped_list reads it, a surveyors' file as one group whose project event
// carries a notice saying which layout was read and why. Throws DataError naming the file when
// it cannot be opened or decoded as a whole.
std::unique_ptr<ListEvents> read_points_list(const std::string& path);

}  // namespace qelt
