#include "report/models/ifc_alignment_design.h"

#include <cmath>
#include <numbers>
#include <stdexcept>

#include "geometry/geometry.h"
#include "station/station.h"

namespace qelt {

IfcAlignmentData ifc_alignment(const std::string& name, const Alignment& alignment,
                               const Profile* profile) {
    constexpr double kPi = std::numbers::pi;
    IfcAlignmentData a;
    a.name = name;
    const double start = alignment.start_mileage();
    // Qelt's X north, Y east, azimuth clockwise from north, curvature + to the right.
    const auto radius = [](double k) { return k == 0 ? 0.0 : -1 / k; };
    for (const Piece& p : alignment.line.pieces()) {
        IfcHorizontalSegment s;
        s.x = p.start.y;
        s.y = p.start.x;
        s.direction = reduced_angle(kPi / 2 - p.start_azimuth, 2 * kPi);
        s.start_radius = radius(p.k0);
        s.end_radius = radius(p.k1);
        s.length = p.length;
        s.type = p.k0 == 0 && p.k1 == 0 ? "LINE" : p.k0 == p.k1 ? "CIRCULARARC" : "CLOTHOID";
        a.horizontal.push_back(s);
    }
    const Point end = alignment.line.end_point();
    a.horizontal.push_back({end.y, end.x,
                            reduced_angle(kPi / 2 - alignment.line.end_azimuth(), 2 * kPi), 0, 0, 0,
                            "LINE"});

    a.stations.push_back({0, start, std::nullopt});
    const ChainBreaks& b = alignment.breaks;
    for (int i = 1; i <= b.dl_count; ++i)
        a.stations.push_back(
            {b.dl_before[i] + dl_shift(b, i - 1) - start, b.dl_after[i], b.dl_before[i]});

    if (profile) {
        const std::vector<GradePoint>& points = profile->points();
        const std::vector<VerticalCurve>& curves = profile->curves();
        double at = points.front().mileage;
        const auto grade = [&](double to, double g) {
            if (to > at)
                a.vertical.push_back(
                    {at - start, to - at, *profile->elevation(at), g, g, {}, "CONSTANTGRADIENT"});
            at = to;
        };
        for (std::size_t k = 1; k < points.size(); ++k) {
            const VerticalCurve& c = curves[k];
            const double g_in = profile->grade_after(k - 1);
            if (c.kind == VerticalCurveKind::none) {
                grade(points[k].mileage, g_in);
                continue;
            }
            // An asymmetric curve is two parabolas of different lengths, which one IFC segment
            // cannot carry.
            if (c.kind == VerticalCurveKind::asymmetric)
                throw std::invalid_argument("the writer knows symmetric vertical curves only");
            grade(c.start_mileage, g_in);
            a.vertical.push_back(
                {c.start_mileage - start, c.end_mileage - c.start_mileage,
                 *profile->elevation(c.start_mileage), g_in, profile->grade_after(k), c.radius_in,
                 c.kind == VerticalCurveKind::circle ? "CIRCULARARC" : "PARABOLICARC"});
            at = c.end_mileage;
        }
        const double g = profile->grade_after(points.size() - 2);
        a.vertical.push_back(
            {at - start, 0, *profile->elevation(at), g, g, {}, "CONSTANTGRADIENT"});
    }
    return a;
}

std::int64_t write_ifc_horizontal_curve(StepWriter& w,
                                        const std::vector<IfcHorizontalSegment>& segments) {
    const auto real = step_real;
    const auto length = [](double v) { return "IFCLENGTHMEASURE(" + step_real(v) + ")"; };
    // Every parent curve starts at the origin heading along +x; the segment's placement moves
    // the point cut at SegmentStart, with its tangent, onto the segment's start and direction.
    const std::int64_t origin = w.add("IFCCARTESIANPOINT((0.,0.))");
    const std::int64_t x_axis = w.add("IFCDIRECTION((1.,0.))");
    const std::int64_t axes =
        w.add("IFCAXIS2PLACEMENT2D(" + step_ref(origin) + "," + step_ref(x_axis) + ")");
    std::int64_t line = 0;
    std::vector<std::int64_t> parts;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const IfcHorizontalSegment& s = segments[i];
        const double k0 = s.start_radius ? 1 / s.start_radius : 0;
        const double k1 = s.end_radius ? 1 / s.end_radius : 0;
        std::int64_t parent;
        double start = 0, run = s.length;
        if (s.length == 0 || (k0 == 0 && k1 == 0)) {
            if (!line)
                line = w.add("IFCLINE(" + step_ref(origin) + "," +
                             step_ref(w.add("IFCVECTOR(" + step_ref(x_axis) + ",1.)")) + ")");
            parent = line;
        } else if (k0 == k1) {
            // The circle is run counter-clockwise from its point on +x; a curve to the right
            // runs it the other way, which the sign of the length says.
            parent =
                w.add("IFCCIRCLE(" + step_ref(axes) + "," + real(std::abs(s.start_radius)) + ")");
            if (k0 < 0) run = -s.length;
        } else {
            // A clothoid's curvature is s / (A·|A|) at the length s from its inflection point:
            // this one's runs from k0 to k1 over the segment's length.
            const double aa = s.length / (k1 - k0);
            const double a_const = std::copysign(std::sqrt(std::abs(aa)), aa);
            parent = w.add("IFCCLOTHOID(" + step_ref(axes) + "," + real(a_const) + ")");
            start = k0 * aa;
        }
        const std::int64_t at = w.add("IFCCARTESIANPOINT((" + real(s.x) + "," + real(s.y) + "))");
        const std::int64_t heading = w.add("IFCDIRECTION((" + real(std::cos(s.direction)) + "," +
                                           real(std::sin(s.direction)) + "))");
        const std::int64_t placement =
            w.add("IFCAXIS2PLACEMENT2D(" + step_ref(at) + "," + step_ref(heading) + ")");
        const char* transition = i + 1 < segments.size() ? ".CONTINUOUS." : ".DISCONTINUOUS.";
        parts.push_back(w.add(std::string("IFCCURVESEGMENT(") + transition + "," +
                              step_ref(placement) + "," + length(start) + "," + length(run) + "," +
                              step_ref(parent) + ")"));
    }
    return w.add("IFCCOMPOSITECURVE(" + step_refs(parts) + ",.F.)");
}

WrittenIfcAlignment write_ifc_alignment(StepWriter& w, const IfcAlignmentData& a,
                                        std::int64_t identity_axes, std::int64_t own_axes,
                                        std::int64_t context) {
    const auto ref = step_ref;
    const auto list = step_refs;
    const auto real = step_real;
    WrittenIfcAlignment written;
    const std::int64_t placement = w.add("IFCLOCALPLACEMENT($," + ref(own_axes) + ")");
    std::string shape = "$";
    if (context) {
        written.curve = write_ifc_horizontal_curve(w, a.horizontal);
        const std::int64_t footprint =
            w.add("IFCSHAPEREPRESENTATION(" + ref(context) + ",'FootPrint','Curve2D'," +
                  list({written.curve}) + ")");
        shape = ref(w.add("IFCPRODUCTDEFINITIONSHAPE($,$," + list({footprint}) + ")"));
    }
    const std::int64_t alignment = w.add("IFCALIGNMENT(" + w.guid() + ",$," + step_string(a.name) +
                                         ",$,$," + ref(placement) + "," + shape + ",.NOTDEFINED.)");
    written.alignment = alignment;
    written.placement = placement;
    const auto part = [&](const char* entity) {
        const std::int64_t p =
            w.add("IFCLOCALPLACEMENT(" + ref(placement) + "," + ref(identity_axes) + ")");
        return w.add(std::string(entity) + "(" + w.guid() + ",$,$,$,$," + ref(p) + ",$)");
    };
    std::vector<std::int64_t> parts;
    const std::int64_t horizontal = part("IFCALIGNMENTHORIZONTAL");
    parts.push_back(horizontal);
    std::vector<std::int64_t> segments;
    for (const IfcHorizontalSegment& s : a.horizontal) {
        const std::int64_t point =
            w.add("IFCCARTESIANPOINT((" + real(s.x) + "," + real(s.y) + "))");
        const std::int64_t design =
            w.add("IFCALIGNMENTHORIZONTALSEGMENT($,$," + ref(point) + "," + real(s.direction) +
                  "," + real(s.start_radius) + "," + real(s.end_radius) + "," + real(s.length) +
                  ",$,." + s.type + ".)");
        segments.push_back(
            w.add("IFCALIGNMENTSEGMENT(" + w.guid() + ",$,$,$,$,$,$," + ref(design) + ")"));
    }
    w.add("IFCRELNESTS(" + w.guid() + ",$,$,$," + ref(horizontal) + "," + list(segments) + ")");
    if (!a.vertical.empty()) {
        const std::int64_t vertical = part("IFCALIGNMENTVERTICAL");
        parts.push_back(vertical);
        segments.clear();
        for (const IfcVerticalSegment& s : a.vertical) {
            const std::int64_t design =
                w.add("IFCALIGNMENTVERTICALSEGMENT($,$," + real(s.start) + "," + real(s.length) +
                      "," + real(s.height) + "," + real(s.grade_in) + "," + real(s.grade_out) +
                      "," + (s.radius ? real(*s.radius) : std::string("$")) + ",." + s.type + ".)");
            segments.push_back(
                w.add("IFCALIGNMENTSEGMENT(" + w.guid() + ",$,$,$,$,$,$," + ref(design) + ")"));
        }
        w.add("IFCRELNESTS(" + w.guid() + ",$,$,$," + ref(vertical) + "," + list(segments) + ")");
    }
    w.add("IFCRELNESTS(" + w.guid() + ",$,$,$," + ref(alignment) + "," + list(parts) + ")");
    std::vector<std::int64_t> referents;
    for (const IfcStation& s : a.stations) {
        const std::int64_t distance =
            w.add("IFCPOINTBYDISTANCEEXPRESSION(IFCLENGTHMEASURE(" + real(s.along) + "),$,$,$,$)");
        const std::int64_t linear = w.add("IFCAXIS2PLACEMENTLINEAR(" + ref(distance) + ",$,$)");
        const std::int64_t at =
            w.add("IFCLINEARPLACEMENT(" + ref(placement) + "," + ref(linear) + ",$)");
        const std::int64_t referent =
            w.add("IFCREFERENT(" + w.guid() + ",$,$,$,$," + ref(at) + ",$,.STATION.)");
        std::vector<std::int64_t> properties{w.add(
            "IFCPROPERTYSINGLEVALUE('Station',$,IFCLENGTHMEASURE(" + real(s.station) + "),$)")};
        if (s.incoming)
            properties.push_back(
                w.add("IFCPROPERTYSINGLEVALUE('IncomingStation',$,IFCLENGTHMEASURE(" +
                      real(*s.incoming) + "),$)"));
        const std::int64_t set = w.add("IFCPROPERTYSET(" + w.guid() + ",$,'Pset_Stationing',$," +
                                       list(properties) + ")");
        w.add("IFCRELDEFINESBYPROPERTIES(" + w.guid() + ",$,$,$," + list({referent}) + "," +
              ref(set) + ")");
        referents.push_back(referent);
    }
    if (!referents.empty())
        w.add("IFCRELNESTS(" + w.guid() + ",$,$,$," + ref(alignment) + "," + list(referents) + ")");
    return written;
}

}  // namespace qelt
