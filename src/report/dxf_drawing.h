#pragma once
// The plan drawing (钻孔平面布置图) as a DXF file for CAD: the centre line, the JD polygon, the
// key points and the 100 m stations, and every borehole of the table with its label, each kind
// on a layer of its own.
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
// Drawing axes are those of Chinese survey drawings: drawing x is Y (east), drawing y is X
// (north); units are metres ($INSUNITS 6), drawn at 1:1.

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "alignment/alignment.h"
#include "report/sheet.h"

namespace qelt {

// Layer names, as CAD users see them.
inline constexpr const char* kLayerCentreLine = "线路中线";
inline constexpr const char* kLayerJdPolygon = "交点导线";
inline constexpr const char* kLayerStations = "里程桩号";
inline constexpr const char* kLayerKeyPoints = "曲线主点";
inline constexpr const char* kLayerBoreholes = "钻孔";
inline constexpr const char* kLayerBoreholeLabels = "钻孔标注";

// A borehole of the table, as the drawing labels it.
struct PlanBorehole {
    std::string group;  // the group title
    int serial = 0;     // its number in the group, 0 when the row never got one
    std::string station;
    std::string offset_text;  // as written in the borehole file
    double x = 0, y = 0;      // north and east, metres
    std::string remark;
};

// Collects the boreholes of a run from its rows, for the drawing written after the run. Holds
// them in memory (about 200 bytes a borehole): the drawing's extents and handle count go into its
// header, before the entities.
class DrawingSheet : public Sheet {
  public:
    void report_open() override { boreholes_.clear(); }
    void report_group_head(long, const std::string& title) override { group_ = title; }
    void report_serial(long row, int k) override {
        serial_row_ = row;
        serial_ = k;
    }
    void report_row(long row, const BoreholeRow& borehole) override {
        boreholes_.push_back({group_, row == serial_row_ ? serial_ : 0, borehole.station,
                              borehole.offset_text, borehole.x, borehole.y, borehole.remark});
    }
    void report_group_frame(long, long) override {}
    void report_note(long) override {}
    void report_page_lines(long) override {}
    void report_headers(const std::string&) override {}

    const std::vector<PlanBorehole>& boreholes() const { return boreholes_; }

  private:
    std::vector<PlanBorehole> boreholes_;
    std::string group_;
    long serial_row_ = 0;
    int serial_ = 0;
};

// Writes the drawing to `out`, which the caller opens in binary mode and checks afterwards.
// The alignment is drawn from its start to its end mileage, with its JD polygon (a main line's;
// none for a line given by its elements), its key points and the stations in the numbering of
// its chain breaks as the run completed them.
void write_plan_drawing(std::ostream& out, const Alignment& alignment,
                        const std::vector<PlanBorehole>& boreholes);

// A UTF-8 text as a DXF R2000 string: ASCII as it is, every other character as \U+XXXX
// (upper-case hex; a character beyond U+FFFF as its two UTF-16 halves, which is how AutoCAD
// writes them), a backslash as \U+005C so that no text of the user's reads as an escape, and
// control characters as blanks. In a text with "%%", which CAD reads as a control code (%%c ⌀,
// %%d °, %%u underline), every '%' is written "%%%", the code for a percent sign. Bytes that are
// not UTF-8 become U+FFFD.
std::string dxf_text(std::string_view utf8);

// Chord between polyline vertices, metres, for a stretch whose curvature is at most `curvature`
// (1/m) in magnitude: its sagitta c²·k/8 is at most `tolerance` metres.
double chord_for_sagitta(double curvature, double tolerance);

}  // namespace qelt
