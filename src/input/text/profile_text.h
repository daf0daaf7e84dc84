#pragma once
// The 纵断面资料文件: the design profile of a line as a text file of Qelt's own, in the style
// of its other files.

#include "base/line_reader.h"
#include "geometry/profile.h"
#include "station/chain_breaks.h"

namespace qelt {

// Reads a 纵断面资料文件 and builds its grade line:
//   line 1:  a title, any text                      e.g. 某高速公路第三合同段 纵断面
//   then:    <station> <elevation> [<radius>]       one line per grade point, in order
// The station is written as in the borehole file (plain metres, K-form, with its chain-break
// letter where the number alone is ambiguous) and goes through the same checks, refused with
// the same messages; elevation and radius are in metres. A radius of 0 or none means no
// vertical curve: the first and the last line, the start and the end of the grade line, carry
// none. A radius gives the symmetric quadratic parabola (竖曲线) of that radius. Blank lines
// may follow the last grade point; a grade point after a blank line is refused, as a line cut
// short there would leave the rest of the road without elevations.
//   breaks  the line's chain breaks, completed (dl_complete): the stations are turned into
//           continuous mileages through them
// Returns the profile over continuous mileages, its name the title; its notices (a grade
// steeper than 15 %) name the file and its lines. Throws DataError naming the
// file and the line: a field that does not read whole as a number or a station, a station the
// chain breaks reject, too few or too many fields, a first line that reads as a grade point (the
// title missing), and every refusal of build_profile (a negative radius among them).
Profile zdm_read_profile(LineSource& file, const ChainBreaks& breaks);

}  // namespace qelt
