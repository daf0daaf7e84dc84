#pragma once
// The plan drawing (钻孔平面布置图) laid out: what is drawn where, for any output that draws it
// (the DXF writer of dxf_drawing.h; a map file could take the same). The centre line piece by
// piece (straights as lines, arcs as arcs, transitions as polylines within half a millimetre of
// the curve), the JD polygon with the JDs' names, a tick and a label at every round 100 m of the
// chain-break numbering, the chain breaks and the key points with their stations, and every
// borehole of the table as a circle with its two lines of label; each kind on a layer of its own.
//
// Drawing axes are those of Chinese survey drawings: drawing x is Y (east), drawing y is X
// (north); units are metres, drawn at 1:1. Text angles are radians counter-clockwise from
// drawing x, as drawings measure them.

#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "alignment/alignment.h"
#include "report/borehole_record.h"

namespace qelt {

// Layer names, as CAD users see them.
inline constexpr const char* kLayerCentreLine = "线路中线";
inline constexpr const char* kLayerJdPolygon = "交点导线";
inline constexpr const char* kLayerStations = "里程桩号";
inline constexpr const char* kLayerKeyPoints = "曲线主点";
inline constexpr const char* kLayerBoreholes = "钻孔";
inline constexpr const char* kLayerBoreholeLabels = "钻孔标注";

// The layers, in the order of their names above (kPlanLayerNames[int(layer)]).
enum class PlanLayer { centre_line, jd_polygon, stations, key_points, boreholes, borehole_labels };
inline constexpr const char* kPlanLayerNames[] = {kLayerCentreLine, kLayerJdPolygon,
                                                  kLayerStations,   kLayerKeyPoints,
                                                  kLayerBoreholes,  kLayerBoreholeLabels};

// Text heights, drawing metres. At the 1:1000 to 1:2000 of a borehole plan the texts print 1.5
// to 3 mm high.
inline constexpr double kPlanTextHeight = 3.0;      // stations, key points, JD names
inline constexpr double kBoreholeTextHeight = 1.5;  // borehole labels

// A point of the drawing: x east, y north, metres.
struct DPoint {
    double x = 0, y = 0;
};

struct LineItem {
    PlanLayer layer = PlanLayer::centre_line;
    DPoint a, b;
};
struct ArcItem {
    PlanLayer layer = PlanLayer::centre_line;
    DPoint centre;
    double radius = 0;
    double start_degrees = 0, end_degrees = 0;  // counter-clockwise from start to end, [0, 360)
};
struct PolylineItem {
    PlanLayer layer = PlanLayer::centre_line;
    std::vector<DPoint> points;  // at least two
};
struct CircleItem {
    PlanLayer layer = PlanLayer::centre_line;
    DPoint centre;
    double radius = 0;
};
struct TextItem {
    PlanLayer layer = PlanLayer::centre_line;
    DPoint at;  // insertion point; also the alignment point when the text is justified
    double height = 0;
    double angle = 0;         // radians, counter-clockwise from drawing x
    int h_justification = 0;  // 0 left, 2 right
    int v_justification = 0;  // 0 baseline, 2 middle
    std::string text;         // UTF-8, never empty
};
using PlanItem = std::variant<LineItem, ArcItem, PolylineItem, CircleItem, TextItem>;

// The laid-out drawing: its items in drawing order, every coordinate finite (an item with a
// point that is not is left out), and its extent.
class PlanLayout {
  public:
    const std::vector<PlanItem>& items() const { return items_; }
    bool has_extent() const { return min_.x <= max_.x; }
    // The drawing's extent with a margin of 20 m, so that CAD opens it on the road rather than
    // on the origin kilometres away; an empty drawing's is a 100 m square at the origin.
    DPoint min() const;
    DPoint max() const;

    void line(PlanLayer layer, DPoint a, DPoint b);
    // An arc from angle `start` to `end` (degrees, counter-clockwise); a, mid and b its ends and
    // middle, which its extent takes in.
    void arc(PlanLayer layer, DPoint centre, double radius, double start, double end, DPoint a,
             DPoint mid, DPoint b);
    void polyline(PlanLayer layer, std::vector<DPoint> points);
    void circle(PlanLayer layer, DPoint centre, double radius);
    void text(PlanLayer layer, DPoint at, double height, double angle, int h, int v,
              std::string_view utf8);

  private:
    void extend(DPoint p);

    std::vector<PlanItem> items_;
    DPoint min_{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
    DPoint max_{-std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
};

// The drawing of `alignment` from its start to its end mileage, with its JD polygon (a main
// line's; none for a line given by its elements), its key points and the stations in the
// numbering of its chain breaks as the run completed them, and the run's `boreholes`, each a
// circle labelled with its group and serial number, its station, offset as written and remark.
// Where the list's groups named further lines (`further_lines`), each is drawn the same way,
// and every line is named at its start; a skewed group's axis is drawn through its holes.
PlanLayout lay_out_plan(const Alignment& alignment, std::span<const BoreholeRecord> boreholes,
                        std::span<const Alignment> further_lines = {});

// A round 100 m of the chain-break numbering: its continuous mileage and its printed station,
// lettered where the number alone would be read in another interval.
struct RoundStation {
    double mileage = 0;
    std::string text;
};
// Every round 100 m between the continuous mileages `start` and `end`, interval by interval; a
// chain break's own point belongs to the interval before it, as zh_station_of has it.
std::vector<RoundStation> round_stations(const ChainBreaks& breaks, double start, double end);

// Chord between polyline vertices, metres, for a stretch whose curvature is at most `curvature`
// (1/m) in magnitude: its sagitta c²·k/8 is at most `tolerance` metres.
double chord_for_sagitta(double curvature, double tolerance);

}  // namespace qelt
