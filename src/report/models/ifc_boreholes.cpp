#include "report/models/ifc_boreholes.h"

#include <cctype>
#include <cmath>
#include <complex>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <stdexcept>

#include "base/data_error.h"
#include "base/utf8_path.h"
#include "input/ifc/ifc_model.h"
#include "input/ifc/step.h"
#include "report/models/ifc_alignment_design.h"
#include "report/field/stakeout.h"
#include "report/models/step_writer.h"

namespace qelt {

namespace {

using Plane = std::complex<double>;  // a point or direction of the plane: east + i·north

// Where a line's holes go in the model: the grid (east + i·north, metres) to the frame the
// line's horizontal segments are given in, local = a·grid + b (a turn, and |a| the model's
// length units in a metre), heights (metres) less z0; the placement the holes' linear placements
// are relative to; the IfcAlignment they are positioned by.
struct LineFrame {
    Plane a{1, 0}, b{0, 0};
    double z0 = 0;
    std::int64_t placement = 0;
    std::int64_t alignment = 0;
    std::int64_t curve = 0;  // the curve the holes' distances are measured along (BasisCurve)
    Plane local(Point grid) const { return a * Plane(grid.y, grid.x) + b; }
    // The local direction of an azimuth (radians clockwise from north).
    Plane direction(double azimuth) const {
        return a / std::abs(a) * Plane(std::sin(azimuth), std::cos(azimuth));
    }
};

// What the holes are written into.
struct Host {
    std::string head;        // the file up to where the new instances go
    std::string tail;        // from there to its end
    std::string eol = "\n";  // the file's line end
    std::int64_t project = 0;
    std::int64_t site = 0;  // 0: none yet
    std::int64_t site_placement = 0;
    std::int64_t context = 0;
    std::int64_t identity = 0;      // an IfcAxis2Placement3D at the origin; 0: none yet
    std::vector<LineFrame> frames;  // by line, in the order of `lines`
    double per_metre = 1;           // the model's length units in a metre
};

std::string point3(StepWriter& w, double x, double y, double z) {
    return step_ref(w.add("IFCCARTESIANPOINT((" + step_real(x) + "," + step_real(y) + "," +
                          step_real(z) + "))"));
}

std::string direction3(StepWriter& w, double x, double y, double z) {
    return step_ref(
        w.add("IFCDIRECTION((" + step_real(x) + "," + step_real(y) + "," + step_real(z) + "))"));
}

// ---- the model the line came from ----

std::string read_bytes(const std::string& path) {
    std::ifstream in(path_from_utf8(path), std::ios::binary);
    if (!in) throw DataError("无法打开 IFC 模型", path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The instances nested under `id` (IfcRelNests), in their order.
std::vector<const StepInstance*> nested(const StepFile& file, std::int64_t id) {
    std::vector<const StepInstance*> parts;
    for (const StepInstance* rel : file.instances_of("IFCRELNESTS")) {
        if (rel->attribute(4, "RelatingObject").reference() != id) continue;
        for (const StepField& f : rel->attribute(5, "RelatedObjects").list())
            parts.push_back(&f.instance());
    }
    return parts;
}

Plane start_point(const StepInstance& segment) {
    const StepInstance& design =
        segment.attribute(7, "DesignParameters").instance("IFCALIGNMENTHORIZONTALSEGMENT");
    const std::vector<StepField> xy =
        design.attribute(2, "StartPoint").instance().attribute(0, "Coordinates").list();
    if (xy.size() < 2) throw design.error("的 StartPoint 不是平面点");
    return {xy[0].real(), xy[1].real()};
}

double segment_length(const StepInstance& segment) {
    return segment.attribute(7, "DesignParameters")
        .instance("IFCALIGNMENTHORIZONTALSEGMENT")
        .attribute(6, "SegmentLength")
        .real();
}

// The horizontal segment `segment` as its design parameters give it, in the model's frame and
// length unit, its direction in radians.
IfcHorizontalSegment design_of(const ifc::IfcModel& model, const StepInstance& segment) {
    const StepInstance& design =
        segment.attribute(7, "DesignParameters").instance("IFCALIGNMENTHORIZONTALSEGMENT");
    const Plane at = start_point(segment);
    IfcHorizontalSegment s;
    s.x = at.real();
    s.y = at.imag();
    s.direction = model.angle(design.attribute(3, "StartDirection"));
    s.start_radius = design.attribute(4, "StartRadiusOfCurvature").real();
    s.end_radius = design.attribute(5, "EndRadiusOfCurvature").real();
    s.length = design.attribute(6, "SegmentLength").real();
    s.type = design.attribute(8, "PredefinedType").enumeration();
    return s;
}

// The horizontal curve of the IfcAlignment `node`'s own representation: its IfcCompositeCurve,
// or the one its gradient (or segmented reference) curve is built on; 0 where it has none.
std::int64_t represented_curve(const StepInstance& node) {
    const StepField shape = node.attribute(6, "Representation");
    if (shape.is_unset()) return 0;
    for (const StepField& r : shape.instance().attribute(2, "Representations").list())
        for (const StepField& item : r.instance().attribute(3, "Items").list()) {
            const StepInstance* curve = &item.instance();
            // A few steps down at most: a damaged file's references may go round in a circle.
            for (int depth = 0; depth < 4 && (curve->entity() == "IFCGRADIENTCURVE" ||
                                              curve->entity() == "IFCSEGMENTEDREFERENCECURVE");
                 ++depth)
                curve = &curve->attribute(2, "BaseCurve").instance();
            if (curve->entity() == "IFCCOMPOSITECURVE") return curve->id();
        }
    return 0;
}

// The frame of the IfcAlignment `node`, found from where its first horizontal segment starts and
// where its last starts (or, closing the line, where it ends), both in the model and as the
// reader placed them in the grid: the placement and the map conversion together, without
// reading either again.
// The holes are measured along the alignment's own curve; where the model draws none, along a
// curve of its horizontal segments written beside it.
LineFrame frame_of(const ifc::IfcModel& model, const StepInstance& node, const Alignment& line,
                   double per_metre, StepWriter& w) {
    const StepFile& file = model.file();
    LineFrame frame;
    frame.alignment = node.id();
    const StepInstance* horizontal = nullptr;
    for (const StepInstance* part : nested(file, node.id()))
        if (part->entity() == "IFCALIGNMENTHORIZONTAL") horizontal = part;
    if (!horizontal) throw node.error("没有平面线形");
    const StepField own = horizontal->attribute(5, "ObjectPlacement");
    const StepField placement = own.is_unset() ? node.attribute(5, "ObjectPlacement") : own;
    frame.placement = placement.is_unset() ? 0 : placement.reference();

    std::vector<const StepInstance*> segments;
    for (const StepInstance* s : nested(file, horizontal->id()))
        if (s->entity() == "IFCALIGNMENTSEGMENT") segments.push_back(s);
    const std::vector<Piece>& pieces = line.line.pieces();
    std::size_t drawn = 0;
    for (const StepInstance* s : segments) drawn += segment_length(*s) != 0;
    if (segments.empty() || pieces.empty() || drawn != pieces.size())
        throw node.error("的平面线元与读出的线路对不上，无法放置钻孔");
    const Plane l1 = start_point(*segments.front());
    const Plane l2 = start_point(*segments.back());
    const Point end =
        segment_length(*segments.back()) == 0 ? line.line.end_point() : pieces.back().start;
    const Plane g1(pieces.front().start.y, pieces.front().start.x), g2(end.y, end.x);
    if (std::abs(g2 - g1) < 1e-3) throw node.error("太短，无法确定线路的坐标系");
    frame.a = (l2 - l1) / (g2 - g1);
    if (std::abs(std::abs(frame.a) / per_metre - 1) > 1e-6)
        throw node.error("的坐标与线路相比有缩放（与模型的长度单位不符），无法放置钻孔");
    frame.b = l1 - frame.a * g1;
    // The height the model's zero stands at (the map conversion's), as the reader took it.
    frame.z0 = model.map().z;
    frame.curve = represented_curve(node);
    if (!frame.curve) {
        std::vector<IfcHorizontalSegment> designs;
        for (const StepInstance* s : segments) designs.push_back(design_of(model, *s));
        frame.curve = write_ifc_horizontal_curve(w, designs);
    }
    return frame;
}

// Whether `bytes` are still the model `file` was parsed from: its last instance begins the line
// it began then. A model saved again while the run went on (another program writes it) would
// have the holes placed by one model and copied into another.
bool same_model(const StepFile& file, const std::string& bytes) {
    if (file.size() == 0) return true;
    const StepInstance& last = file.at(file.size() - 1);
    std::size_t at = 0;
    for (long line = 1; line < last.line(); ++line) {
        at = bytes.find('\n', at);
        if (at == std::string::npos) return false;
        ++at;
    }
    while (at < bytes.size() && (bytes[at] == ' ' || bytes[at] == '\t')) ++at;
    const std::string id = "#" + std::to_string(last.id());
    return bytes.compare(at, id.size(), id) == 0 &&
           (at + id.size() >= bytes.size() ||
            !std::isdigit(static_cast<unsigned char>(bytes[at + id.size()])));
}

// The model as parsed tells where the holes go; its bytes, copied as they are, keep every
// instance of it exactly as written (a reader may have changed nothing but the case of a keyword
// or the encoding of a name, and a model others work on must come back as they sent it).
Host model_host(const StepFile& file, const std::vector<const Alignment*>& lines,
                StepWriter& w_out) {
    const std::string& path = file.path();
    const std::string bytes = read_bytes(path);
    if (bytes.size() >= 2 &&
        ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF')))
        throw DataError("IFC 模型存为 UTF-16（Unicode）：请另存为 UTF-8 或 ANSI 后再写入钻孔",
                        path);
    if (!same_model(file, bytes))
        throw DataError("IFC 模型在本次运行读入之后又被改过（另存或被其他程序写过）：请重新运行",
                        path);
    Host host;
    // The new instances go before the ENDSEC that closes the (last) DATA section.
    const std::size_t end = bytes.rfind("END-ISO-10303-21");
    const std::size_t endsec = end == std::string::npos ? end : bytes.rfind("ENDSEC", end);
    if (endsec == std::string::npos) throw DataError("IFC 模型没有 DATA 段的结尾", path);
    host.head = bytes.substr(0, endsec);
    host.tail = bytes.substr(endsec);
    if (bytes.find("\r\n") != std::string::npos) host.eol = "\r\n";
    if (!host.head.empty() && host.head.back() != '\n') host.head += host.eol;

    std::int64_t last = 0;
    for (std::size_t i = 0; i < file.size(); ++i) last = std::max(last, file.at(i).id());
    w_out = StepWriter::with_random_guids(last + 1);

    const std::vector<const StepInstance*> projects = file.instances_of("IFCPROJECT");
    if (projects.size() != 1) throw DataError("IFC 模型应有且只有一个 IfcProject", path);
    const StepInstance& project = *projects.front();
    // The holes' distances, offsets, heights and bodies go in the model's own length unit.
    const ifc::IfcModel model(file);
    host.per_metre = 1 / model.length_unit().value();
    host.project = project.id();
    for (const StepField& c : project.attribute(7, "RepresentationContexts").list()) {
        const StepInstance& context = c.instance();
        if (context.entity() != "IFCGEOMETRICREPRESENTATIONCONTEXT") continue;
        const std::optional<std::string> type =
            context.attribute(1, "ContextType").optional_string();
        if (!host.context || type == "Model") host.context = context.id();
        if (type == "Model") break;
    }
    if (!host.context)
        throw project.error("没有几何表示上下文（IfcGeometricRepresentationContext）");
    const std::vector<const StepInstance*> sites = file.instances_of("IFCSITE");
    if (!sites.empty()) {
        host.site = sites.front()->id();
        const StepField p = sites.front()->attribute(5, "ObjectPlacement");
        host.site_placement = p.is_unset() ? 0 : p.reference();
    }

    const std::vector<const StepInstance*> nodes = file.instances_of("IFCALIGNMENT");
    for (const Alignment* line : lines) {
        const StepInstance* node = nullptr;
        for (const StepInstance* n : nodes)
            if (n->attribute(2, "Name").optional_string().value_or("") == line->name) {
                node = n;
                break;
            }
        if (!node) throw DataError("IFC 模型中没有线路“" + line->name + "”（IfcAlignment）", path);
        host.frames.push_back(frame_of(model, *node, *line, host.per_metre, w_out));
    }
    return host;
}

// ---- a new model ----

Host new_host(const std::vector<const Alignment*>& lines, const IfcBoreholeModel& model,
              const std::string& epsg, StepWriter& w) {
    Host host;
    host.identity = w.add("IFCAXIS2PLACEMENT3D(" + point3(w, 0, 0, 0) + ",$,$)");
    host.context = w.add("IFCGEOMETRICREPRESENTATIONCONTEXT($,'Model',3,1.E-05," +
                         step_ref(host.identity) + ",$)");
    const std::int64_t metre = w.add("IFCSIUNIT(*,.LENGTHUNIT.,$,.METRE.)");
    const std::int64_t radian = w.add("IFCSIUNIT(*,.PLANEANGLEUNIT.,$,.RADIAN.)");
    const std::int64_t units = w.add("IFCUNITASSIGNMENT(" + step_refs({metre, radian}) + ")");
    host.project = w.add("IFCPROJECT(" + w.guid() + ",$," + step_string(model.title) + ",$,$,$,$," +
                         step_refs({host.context}) + "," + step_ref(units) + ")");
    if (!epsg.empty()) {
        // The model's coordinates are the grid's own: the conversion is the identity, and a
        // reader that knows the system places the road where it lies.
        const std::int64_t crs = w.add("IFCPROJECTEDCRS(" + step_string(epsg) + ",$,$,$,$,$,$)");
        w.add("IFCMAPCONVERSION(" + step_ref(host.context) + "," + step_ref(crs) +
              ",0.,0.,0.,1.,0.,1.)");
    }
    host.site_placement = w.add("IFCLOCALPLACEMENT($," + step_ref(host.identity) + ")");
    host.site = w.add("IFCSITE(" + w.guid() + ",$," + step_string(model.title) + ",$,$," +
                      step_ref(host.site_placement) + ",$,$,.ELEMENT.,$,$,$,$,$)");
    w.add("IFCRELAGGREGATES(" + w.guid() + ",$,$,$," + step_ref(host.project) + "," +
          step_refs({host.site}) + ")");
    std::vector<std::int64_t> alignments;
    for (const Alignment* line : lines) {
        IfcAlignmentData data;
        try {
            data = ifc_alignment(line->name, *line, line->profile ? &*line->profile : nullptr);
        } catch (const std::invalid_argument&) {
            throw DataError("线路“" + line->name +
                            "”的纵断面有不对称竖曲线，IFC 的竖向线元无法表示");
        }
        const WrittenIfcAlignment written =
            write_ifc_alignment(w, data, host.identity, host.identity, host.context);
        LineFrame frame;
        frame.placement = written.placement;
        frame.alignment = written.alignment;
        frame.curve = written.curve;
        host.frames.push_back(frame);
        alignments.push_back(written.alignment);
    }
    w.add("IFCRELAGGREGATES(" + w.guid() + ",$,$,$," + step_ref(host.project) + "," +
          step_refs(alignments) + ")");
    return host;
}

std::string label(const std::string& name, const std::string& value) {
    return "IFCPROPERTYSINGLEVALUE(" + step_string(name) + ",$,IFCLABEL(" + step_string(value) +
           "),$)";
}
std::string length(const std::string& name, double value, double per_metre) {
    return "IFCPROPERTYSINGLEVALUE(" + step_string(name) + ",$,IFCLENGTHMEASURE(" +
           step_real(value * per_metre) + "),$)";
}

// The holes, their bodies and properties, their geomodel and its place in the site.
void write_holes(StepWriter& w, Host& host, const std::vector<const Alignment*>& lines,
                 const std::vector<BoreholeRecord>& records, const IfcBoreholeModel& model) {
    if (!host.identity)
        host.identity = w.add("IFCAXIS2PLACEMENT3D(" + point3(w, 0, 0, 0) + ",$,$)");
    if (!host.site) {
        host.site_placement = w.add("IFCLOCALPLACEMENT($," + step_ref(host.identity) + ")");
        host.site = w.add("IFCSITE(" + w.guid() + ",$,$,$,$," + step_ref(host.site_placement) +
                          ",$,$,.ELEMENT.,$,$,$,$,$)");
        w.add("IFCRELAGGREGATES(" + w.guid() + ",$,$,$," + step_ref(host.project) + "," +
              step_refs({host.site}) + ")");
    }
    const double unit = host.per_metre;  // metres to the model's length unit
    const std::string up = direction3(w, 0, 0, 1);
    const std::string down = direction3(w, 0, 0, -1);
    const std::int64_t profile =
        w.add("IFCCIRCLEPROFILEDEF(.AREA.,$,$," + step_real(model.diameter / 2 * unit) + ")");
    const std::int64_t sphere =
        w.add("IFCSPHERE(" + step_ref(host.identity) + "," + step_real(0.25 * unit) + ")");
    const std::int64_t marker = w.add("IFCCSGSOLID(" + step_ref(sphere) + ")");

    const std::vector<std::string> names = stakeout_names(records);
    std::vector<std::int64_t> holes;
    std::map<std::size_t, std::vector<std::int64_t>> positioned;  // by line
    for (std::size_t i = 0; i < records.size(); ++i) {
        const BoreholeRecord& r = records[i];
        std::size_t k = 0;
        while (k < lines.size() && lines[k]->name != r.line) ++k;
        if (k == lines.size()) k = 0;
        const Alignment& line = *lines[k];
        const LineFrame& frame = host.frames[k];

        Point centre;
        double azimuth = 0;
        line.line.locate(r.mileage, centre, azimuth);
        // Square to the line the offset is all lateral; on a skewed pier axis the hole lies
        // partly along the line too, which OffsetLongitudinal carries.
        const double dx = r.x - centre.x, dy = r.y - centre.y;
        const double lateral =
            r.crossing_angle ? dx * std::sin(azimuth) - dy * std::cos(azimuth) : r.offset;
        const double along = dx * std::cos(azimuth) + dy * std::sin(azimuth);
        // The collar stands on the ground where it is known; elsewhere the hole stays on the
        // curve's plane.
        const double collar = r.ground_elevation ? (*r.ground_elevation - frame.z0) * unit : 0;
        const std::string vertical = r.ground_elevation ? step_real(collar) : "$";
        const std::string longitudinal = r.crossing_angle ? step_real(along * unit) : "$";
        const std::int64_t distance = w.add("IFCPOINTBYDISTANCEEXPRESSION(IFCLENGTHMEASURE(" +
                                            step_real((r.mileage - line.start_mileage()) * unit) +
                                            ")," + step_real(lateral * unit) + "," + vertical +
                                            "," + longitudinal + "," + step_ref(frame.curve) + ")");
        const std::int64_t linear =
            w.add("IFCAXIS2PLACEMENTLINEAR(" + step_ref(distance) + ",$,$)");
        const Plane at = frame.local({r.x, r.y});
        const Plane tangent = frame.direction(azimuth);
        const std::int64_t cartesian =
            w.add("IFCAXIS2PLACEMENT3D(" + point3(w, at.real(), at.imag(), collar) + "," + up +
                  "," + direction3(w, tangent.real(), tangent.imag(), 0) + ")");
        const std::string relative = frame.placement ? step_ref(frame.placement) : "$";
        const std::int64_t placement = w.add("IFCLINEARPLACEMENT(" + relative + "," +
                                             step_ref(linear) + "," + step_ref(cartesian) + ")");

        // The planned depth, or the depth down to a planned bottom under a known ground.
        std::optional<double> depth = r.depth;
        if (!depth && r.bottom_elevation && r.ground_elevation)
            depth = *r.ground_elevation - *r.bottom_elevation;
        std::int64_t body;
        if (depth && *depth > 0) {
            const std::int64_t solid = w.add("IFCEXTRUDEDAREASOLID(" + step_ref(profile) + ",$," +
                                             down + "," + step_real(*depth * unit) + ")");
            body = w.add("IFCSHAPEREPRESENTATION(" + step_ref(host.context) +
                         ",'Body','SweptSolid'," + step_refs({solid}) + ")");
        } else {
            body = w.add("IFCSHAPEREPRESENTATION(" + step_ref(host.context) + ",'Body','CSG'," +
                         step_refs({marker}) + ")");
        }
        const std::int64_t shape =
            w.add("IFCPRODUCTDEFINITIONSHAPE($,$," + step_refs({body}) + ")");
        std::string description = r.group + " " + r.station;
        if (!r.remark.empty()) description += " " + r.remark;
        const std::int64_t hole =
            w.add("IFCBOREHOLE(" + w.guid() + ",$," + step_string(names[i]) + "," +
                  step_string(description) + ",$," + step_ref(placement) + "," + step_ref(shape) +
                  "," + step_string(names[i]) + ")");
        holes.push_back(hole);
        positioned[k].push_back(hole);

        std::vector<std::int64_t> properties{
            w.add(label("Group", r.group)),
            w.add("IFCPROPERTYSINGLEVALUE('Serial',$,IFCINTEGER(" + std::to_string(r.serial) +
                  "),$)"),
            w.add(label("Station", r.station)),
            w.add(length("Offset", r.offset, unit)),
            w.add(length("X", r.x, unit)),
            w.add(length("Y", r.y, unit)),
            w.add(label("Status", "计划")),
        };
        if (!r.line.empty()) properties.push_back(w.add(label("Line", r.line)));
        if (!r.hole_type.empty()) properties.push_back(w.add(label("HoleType", r.hole_type)));
        if (!r.remark.empty()) properties.push_back(w.add(label("Remark", r.remark)));
        const std::pair<const char*, const std::optional<double>*> heights[] = {
            {"DesignElevation", &r.design_elevation},
            {"GroundElevation", &r.ground_elevation},
            {"BottomElevation", &r.bottom_elevation},
            {"Depth", &r.depth},
        };
        for (const auto& [name, value] : heights)
            if (*value) properties.push_back(w.add(length(name, **value, unit)));
        const std::int64_t own = w.add("IFCPROPERTYSET(" + w.guid() + ",$,'Qelt_Borehole',$," +
                                       step_refs(properties) + ")");
        w.add("IFCRELDEFINESBYPROPERTIES(" + w.guid() + ",$,$,$," + step_refs({hole}) + "," +
              step_ref(own) + ")");
    }
    if (holes.empty()) return;
    // Every hole alike: planned for a site investigation. The standard's statuses know no
    // "planned" (Qelt_Borehole says it), and NEW is what the set keeps away from the ground.
    const std::int64_t purpose =
        w.add("IFCPROPERTYENUMERATEDVALUE('BoreHolePurpose',$,(IFCLABEL('SITE_INVESTIGATION')),$)");
    const std::int64_t status =
        w.add("IFCPROPERTYENUMERATEDVALUE('Status',$,(IFCLABEL('OTHER')),$)");
    const std::int64_t common =
        w.add("IFCPROPERTYSET(" + w.guid() + ",$,'Pset_GeotechnicalAssemblyCommon',$," +
              step_refs({purpose, status}) + ")");
    w.add("IFCRELDEFINESBYPROPERTIES(" + w.guid() + ",$,$,$," + step_refs(holes) + "," +
          step_ref(common) + ")");
    for (const auto& [k, products] : positioned)
        w.add("IFCRELPOSITIONS(" + w.guid() + ",$,$,$," + step_ref(host.frames[k].alignment) + "," +
              step_refs(products) + ")");

    const std::string site = host.site_placement ? step_ref(host.site_placement) : "$";
    const std::int64_t placement =
        w.add("IFCLOCALPLACEMENT(" + site + "," + step_ref(host.identity) + ")");
    const std::int64_t geomodel =
        w.add("IFCGEOMODEL(" + w.guid() + ",$," + step_string("钻孔布置") + "," +
              step_string(model.title) + ",$," + step_ref(placement) + ",$,$)");
    w.add("IFCRELAGGREGATES(" + w.guid() + ",$,$,$," + step_ref(geomodel) + "," + step_refs(holes) +
          ")");
    w.add("IFCRELCONTAINEDINSPATIALSTRUCTURE(" + w.guid() + ",$,$,$," + step_refs({geomodel}) +
          "," + step_ref(host.site) + ")");
}

}  // namespace

std::string cgcs2000_epsg(const GridSystem& grid, const std::vector<BoreholeRecord>& records) {
    const auto code = [](int n) { return "EPSG:" + std::to_string(n); };
    if (!grid.crs.empty()) return grid.crs;
    // CGCS2000 Gauss–Krüger, EPSG's numbering: 3° zones by central meridian 75°…135° E are
    // 4534…4554, with the zone number before Y (zones 25…45) 4513…4533; 6° zones (13…23) with
    // the prefix 4491…4501.
    if (grid.central_meridian) {
        const double m = *grid.central_meridian;
        if (m >= 75 && m <= 135 && std::fmod(m, 3) == 0) return code(4534 + int(m - 75) / 3);
        return {};
    }
    if (records.empty()) return {};
    const std::optional<int> prefix = zone_prefix(records.front().y);
    if (!prefix) return {};
    if (*prefix >= 25 && *prefix <= 45) return code(4513 + *prefix - 25);
    if (*prefix >= 13 && *prefix <= 23) return code(4491 + *prefix - 13);
    return {};
}

void write_ifc_boreholes(std::ostream& out, const Alignment& alignment,
                         std::span<const Alignment> further_lines,
                         const std::vector<BoreholeRecord>& records,
                         const IfcBoreholeModel& model) {
    std::vector<const Alignment*> lines{&alignment};
    for (const Alignment& line : further_lines) lines.push_back(&line);
    if (model.source_model) {
        StepWriter w;
        Host host = model_host(*model.source_model, lines, w);
        write_holes(w, host, lines, records, model);
        std::string data = w.data();
        if (host.eol != "\n") {
            std::string crlf;
            for (char c : data) crlf += c == '\n' ? host.eol : std::string(1, c);
            data = crlf;
        }
        out << host.head << data << host.tail;
        return;
    }
    StepWriter w = model.random_guids ? StepWriter::with_random_guids(1) : StepWriter(1);
    Host host = new_host(lines, model, cgcs2000_epsg(model.grid, records), w);
    write_holes(w, host, lines, records, model);
    out << "ISO-10303-21;\nHEADER;\nFILE_DESCRIPTION(('ViewDefinition [Alignment-basedView]'),"
           "'2;1');\nFILE_NAME("
        << step_string(model.title) << ",'',(''),(''),'Qelt','Qelt','');\n"
        << "FILE_SCHEMA(('IFC4X3_ADD2'));\nENDSEC;\nDATA;\n"
        << w.data() << "ENDSEC;\nEND-ISO-10303-21;\n";
}

}  // namespace qelt
