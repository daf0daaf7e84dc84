#pragma once
// The borehole section (钻孔纵断面图, the engineering-geological longitudinal section's frame)
// laid out for the DXF writer: along the centre line the ground line (as the job found it:
// alignment/ground_line.h), the design grade line with its vertical curves and its grade points
// labelled, the chain breaks, and every borehole of the table as a vertical mark at its station
// from its own ground; under it the bands Chinese 纵断面图 carry (设计高程, 地面高程, 填挖高,
// 桩号) at every round 100 m and every borehole. Each kind on a layer of its own.
//
// Drawing axes and units: x is the continuous mileage, metres; y is the elevation times the
// exaggeration (horizontal scale / vertical scale, 10 for 1:2000 and 1:200), so that the
// drawing plotted at the horizontal scale shows heights at the vertical one. Texts are sized
// in millimetres of the plot.

#include <span>
#include <vector>

#include "alignment/alignment.h"
#include "alignment/ground_line.h"
#include "report/borehole_record.h"
#include "report/drawings/plan_layout.h"

namespace qelt {

inline constexpr const char* kLayerGroundLine = "地面线";
inline constexpr const char* kLayerGradeLine = "设计线";
inline constexpr const char* kLayerGradePoints = "变坡点";
inline constexpr const char* kLayerSectionStations = "里程桩号";
inline constexpr const char* kLayerChainBreaks = "断链";
inline constexpr const char* kLayerSectionBoreholes = "钻孔";
inline constexpr const char* kLayerSectionLabels = "钻孔标注";
inline constexpr const char* kLayerBands = "图表栏";

// The layers, in the order of their names above. The layout keeps an item's layer as its index
// (PlanItem's PlanLayer is the index into the drawing's own table of layers).
enum class SectionLayer {
    ground_line,
    grade_line,
    grade_points,
    stations,
    chain_breaks,
    boreholes,
    borehole_labels,
    bands
};
inline constexpr const char* kSectionLayerNames[] = {
    kLayerGroundLine,  kLayerGradeLine,        kLayerGradePoints,   kLayerSectionStations,
    kLayerChainBreaks, kLayerSectionBoreholes, kLayerSectionLabels, kLayerBands};

// The scales of the plot: horizontal 1:2000 and vertical 1:200 (ten times exaggerated) as
// Chinese road sections are drawn.
struct SectionScales {
    double horizontal = 2000;
    double vertical = 200;
};

// The section of `alignment` from its start to its end mileage: the ground line `ground` as the
// job found it (empty: none; its legend above the section), the grade line where the alignment
// has a profile, the chain breaks, the round stations, and `boreholes` at their mileages, each
// from its own ground; titled with the line's name above it all.
PlanLayout lay_out_section(const Alignment& alignment, const GroundLine& ground,
                           std::span<const BoreholeRecord> boreholes, SectionScales scales = {});

// One line's section in a drawing of several: the line, its ground line and its own holes only
// (a hole has a place on its own line's chainage and on no other).
struct LineSection {
    const Alignment* alignment = nullptr;
    GroundLine ground;
    std::vector<BoreholeRecord> boreholes;
};

// The sections of several lines in one drawing, one below another in the order given, each
// titled with its line's name. The first lies where lay_out_section puts it (x its mileage);
// each further one is moved to start at the first one's start, so that a ramp's K0+000 does not
// lie kilometres from the main line's section: its x is its own mileage plus that shift, and its
// own 桩号 band prints its stations.
PlanLayout lay_out_sections(std::span<const LineSection> sections, SectionScales scales = {});

}  // namespace qelt
