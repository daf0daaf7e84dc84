#pragma once
// The plan drawing (钻孔平面布置图) as a DXF file for CAD: the layout of plan_layout.h (the
// centre line, the JD polygon, the key points and the 100 m stations, and every borehole of the
// table with its label, each kind on a layer of its own) written entity by entity.
//
// The file is DXF R2000 (AC1015), written with dxflib. Its $DWGCODEPAGE is ANSI_936 (GBK), and
// every character outside ASCII is written as a \U+XXXX escape, so the file itself is plain ASCII:
// AutoCAD decodes the escapes in every string whatever code page its system runs under, and so do
// LibreOffice and ezdxf (its recover loader); a reader that knows only the code page still reads
// the file's structure. (R2007 and later would be UTF-8, but dxflib writes R12 and R2000
// only.) Text uses the style "SimSun" on the TrueType font simsun.ttc (宋体), which every Chinese
// Windows has and which viewers without it replace by a CJK font of their system; a big font
// (gbcbig.shx) would show Chinese only where AutoCAD's SHX fonts are installed.
//
// Drawing axes are the layout's: drawing x is Y (east), drawing y is X (north); units are metres
// ($INSUNITS 6), drawn at 1:1.

#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "alignment/alignment.h"
#include "report/drawings/plan_layout.h"
#include "report/drawings/section_layout.h"

namespace qelt {

// Writes the drawing to `out`, which the caller opens in binary mode and checks afterwards.
// The alignment is drawn from its start to its end mileage, with its JD polygon (a main line's;
// none for a line given by its elements), its key points and the stations in the numbering of
// its chain breaks as the run completed them.
// Further lines the list's groups named are drawn too (lay_out_plan).
void write_plan_drawing(std::ostream& out, const Alignment& alignment,
                        std::span<const BoreholeRecord> boreholes,
                        std::span<const Alignment> further_lines = {});

// The section drawing (钻孔纵断面图, section_layout.h) the same way, on its own layers: a
// section per line, one below another (lay_out_sections).
void write_section_drawing(std::ostream& out, std::span<const LineSection> sections,
                           SectionScales scales = {});

// A UTF-8 text as a DXF R2000 string: ASCII as it is, every other character as \U+XXXX
// (upper-case hex; a character beyond U+FFFF as its two UTF-16 halves, which is how AutoCAD
// writes them), a backslash as \U+005C so that no text of the user's reads as an escape, and
// control characters as blanks. In a text with "%%", which CAD reads as a control code (%%c ⌀,
// %%d °, %%u underline), every '%' is written "%%%", the code for a percent sign. Bytes that are
// not UTF-8 become U+FFFD.
std::string dxf_text(std::string_view utf8);

}  // namespace qelt
