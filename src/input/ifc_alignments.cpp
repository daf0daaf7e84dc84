// The reader of an IFC 4.3 model's alignments: their horizontal and vertical design and their
// stationing, into the alignment model.
#include "input/ifc_alignments.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <map>
#include <numbers>
#include <string_view>

#include "base/text.h"
#include "base/utf8_path.h"
#include "input/seams.h"
#include "station/station.h"

namespace qelt {

namespace {

constexpr double kPi = std::numbers::pi;
// A segment's redundant numbers (a vertical arc's radius beside its length and gradients, a
// referent's IncomingStation beside its distance along) must agree to a millimetre.
constexpr double kMissRefused = 1e-3;  // metres
// Slot dl_count + 1 of the chain-break table holds the end of the line.
constexpr int kMaxChainBreaks = kChainBreakSlots - 2;
// The IFC 4.3 schemas whose alignments this reader knows; the release candidates before them
// (IFC4X3_RC1 … RC4) named and ordered the alignment's attributes differently.
constexpr std::string_view kSchemas[] = {"IFC4X3", "IFC4X3_ADD1", "IFC4X3_ADD2"};

// A unit as the exact factor numerator/denominator to metres or radians: a millimetre is 1/1000,
// a US survey foot 1200/3937, a degree π/180, so that values convert with one rounding.
struct Factor {
    double numerator = 1, denominator = 1;
    double of(double value) const { return value * numerator / denominator; }
    double value() const { return numerator / denominator; }
};

// The units defined exactly, by their IfcConversionBasedUnit name (upper case, without blanks
// or underscores).
struct KnownUnit {
    std::string_view name;
    std::string_view type;  // LENGTHUNIT or PLANEANGLEUNIT
    Factor factor;
};
const KnownUnit kKnownUnits[] = {
    {"FOOT", "LENGTHUNIT", {3048, 10000}},   {"USSURVEYFOOT", "LENGTHUNIT", {1200, 3937}},
    {"INCH", "LENGTHUNIT", {254, 10000}},    {"YARD", "LENGTHUNIT", {9144, 10000}},
    {"MILE", "LENGTHUNIT", {1609344, 1000}}, {"DEGREE", "PLANEANGLEUNIT", {kPi, 180}},
    {"GRAD", "PLANEANGLEUNIT", {kPi, 200}},  {"GON", "PLANEANGLEUNIT", {kPi, 200}},
};
// A written conversion factor (0.3048, 0.0174532925199433) names its unit when it agrees with
// the exact one to this ratio: exporters write π/180 to 15 digits.
constexpr double kFactorAgreement = 1e-6;

struct Prefix {
    std::string_view name;
    Factor factor;
};
const Prefix kPrefixes[] = {
    {"EXA", {1e18, 1}}, {"PETA", {1e15, 1}}, {"TERA", {1e12, 1}},  {"GIGA", {1e9, 1}},
    {"MEGA", {1e6, 1}}, {"KILO", {1e3, 1}},  {"HECTO", {1e2, 1}},  {"DECA", {1e1, 1}},
    {"DECI", {1, 1e1}}, {"CENTI", {1, 1e2}}, {"MILLI", {1, 1e3}},  {"MICRO", {1, 1e6}},
    {"NANO", {1, 1e9}}, {"PICO", {1, 1e12}}, {"FEMTO", {1, 1e15}}, {"ATTO", {1, 1e18}},
};

std::string unit_key(std::string_view name) {
    std::string key;
    for (char c : name)
        if (c != ' ' && c != '_' && c != '-')
            key += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return key;
}

double distance(Point a, Point b) {
    return std::hypot(b.x - a.x, b.y - a.y);
}

// A measure written plainly (an attribute of a measure type: 12.5) or as a typed value (a SELECT
// or a property's value: IFCLENGTHMEASURE(12.5)).
double measure(const StepField& field) {
    if (field.kind() == StepValue::Kind::typed) return field.typed(field.type_name()).real();
    return field.real();
}

// A rigid motion of the plane (a placement, the map conversion), metres and radians, with the
// height's shift: p → origin + rotation(angle)·p, in IFC's frame (x east, y north, angles
// counter-clockwise).
struct Motion {
    double x = 0, y = 0, z = 0;
    double cos_a = 1, sin_a = 0;
    double angle = 0;  // radians, counter-clockwise

    void apply(double& px, double& py) const {
        const double rx = cos_a * px - sin_a * py;
        const double ry = sin_a * px + cos_a * py;
        px = x + rx;
        py = y + ry;
    }
    // This motion after `inner`: inner first, then this one.
    Motion after(const Motion& inner) const {
        Motion m;
        m.x = inner.x;
        m.y = inner.y;
        apply(m.x, m.y);
        m.z = z + inner.z;
        m.angle = angle + inner.angle;
        m.cos_a = cos_a * inner.cos_a - sin_a * inner.sin_a;
        m.sin_a = sin_a * inner.cos_a + cos_a * inner.sin_a;
        return m;
    }
    bool identity() const { return x == 0 && y == 0 && z == 0 && cos_a == 1 && sin_a == 0; }
};

// Refuses a file of another schema than IFC 4.3, naming it.
void check_schema(const StepFile& file) {
    const StepInstance* header = file.header("FILE_SCHEMA");
    for (const std::string& schema : file.schemas())
        for (std::string_view known : kSchemas)
            if (unit_key(schema) == unit_key(known)) return;
    std::string names;
    for (const std::string& schema : file.schemas())
        names += (names.empty() ? "“" : "、“") + schema + "”";
    throw header->error("为 " + names +
                        "：只能读 IFC 4.3（IFC4X3、IFC4X3_ADD1、IFC4X3_ADD2）文件中的线路");
}

// The whole file as the alignments are read from it: the units, the georeferencing and the
// relationships, each read once.
class IfcModel {
  public:
    explicit IfcModel(const StepFile& file) : file_(file) {
        read_units();
        read_precision();
        read_map_conversion();
        for (const StepInstance* nest : file.instances_of("IFCRELNESTS"))
            nests_[nest->attribute(4, "RelatingObject").reference()].push_back(nest);
        for (const StepInstance* rel : file.instances_of("IFCRELDEFINESBYPROPERTIES"))
            for (const StepField& object : rel->attribute(4, "RelatedObjects").list())
                properties_[object.reference()].push_back(rel);
    }

    const StepFile& file() const { return file_; }
    // "IFC 文件“x.ifc”", as notices begin.
    std::string file_title() const {
        return "IFC 文件“" + utf8_of(path_from_utf8(file_.path()).filename()) + "”";
    }
    double seam_noticed() const { return seam_noticed_; }
    const std::string& crs() const { return crs_; }
    // The coordinate operation that puts the project onto the map grid, as notices name it.
    const std::string& operation() const { return operation_; }
    const Motion& map() const { return map_; }

    // A length attribute in metres.
    double length(const StepField& field) const { return length_.of(measure(field)); }
    double length(double value) const { return length_.of(value); }
    // A plane angle attribute in radians.
    double angle(const StepField& field) const { return angle_.of(measure(field)); }

    // The objects nested under `parent` (IfcRelNests.RelatedObjects), in the order of the
    // relationships in the file and of each one's list.
    std::vector<StepField> nested(const StepInstance& parent) const {
        std::vector<StepField> children;
        const auto found = nests_.find(parent.id());
        if (found == nests_.end()) return children;
        for (const StepInstance* nest : found->second)
            for (const StepField& child : nest->attribute(5, "RelatedObjects").list())
                children.push_back(child);
        return children;
    }

    // The property sets named `name` attached to `object`.
    std::vector<const StepInstance*> property_sets(const StepInstance& object,
                                                   std::string_view name) const {
        std::vector<const StepInstance*> sets;
        const auto found = properties_.find(object.id());
        if (found == properties_.end()) return sets;
        for (const StepInstance* rel : found->second) {
            // One property set, or several as an IFCPROPERTYSETDEFINITIONSET((…)).
            StepField definition = rel->attribute(5, "RelatingPropertyDefinition");
            if (definition.kind() == StepValue::Kind::typed)
                definition = definition.typed(definition.type_name());
            const std::vector<StepField> definitions = definition.kind() == StepValue::Kind::list
                                                           ? definition.list()
                                                           : std::vector<StepField>{definition};
            for (const StepField& d : definitions) {
                const StepInstance& set = d.instance();
                if (set.entity() == "IFCPROPERTYSET" &&
                    set.attribute(2, "Name").optional_string() == std::string(name))
                    sets.push_back(&set);
            }
        }
        return sets;
    }

    // The motion of an object's placement (IfcLocalPlacement relative to others, each an
    // IfcAxis2Placement3D or 2D) to the project's coordinates, metres; the identity where the
    // object has none.
    Motion placement(const StepField& object_placement) const {
        Motion motion;
        if (object_placement.is_unset()) return motion;
        const StepInstance* at = &object_placement.instance();
        for (int depth = 0;; ++depth) {
            if (at->entity() != "IFCLOCALPLACEMENT")
                throw at->error("不是 IfcLocalPlacement：线路的定位只能读 IfcLocalPlacement");
            if (depth > 64) throw at->error("所在的定位互相引用，没有尽头");
            motion = local(at->attribute(1, "RelativePlacement").instance()).after(motion);
            const StepField parent = at->attribute(0, "PlacementRelTo");
            if (parent.is_unset()) return motion;
            at = &parent.instance();
        }
    }

  private:
    // The factor of unit `unit`, of type `type`, to metres or radians.
    Factor unit_factor(const StepInstance& unit, std::string_view type, int depth = 0) const {
        if (depth > 8) throw unit.error("的换算互相引用，没有尽头");
        if (unit.entity() == "IFCSIUNIT") {
            const std::string& name = unit.attribute(3, "Name").enumeration();
            const std::string_view base = type == "LENGTHUNIT" ? "METRE" : "RADIAN";
            if (name != base)
                throw unit.error("的单位为 ." + name + ".，应为 ." + std::string(base) + ".");
            const StepField prefix = unit.attribute(2, "Prefix");
            if (prefix.is_unset()) return {};
            for (const Prefix& p : kPrefixes)
                if (prefix.enumeration() == p.name) return p.factor;
            throw prefix.expected("SI 词头（如 .MILLI.）");
        }
        if (unit.entity() == "IFCCONVERSIONBASEDUNIT") {
            const StepField name_field = unit.attribute(2, "Name");
            const std::string& name = name_field.string();
            const StepInstance& factor =
                unit.attribute(3, "ConversionFactor").instance("IFCMEASUREWITHUNIT");
            const double value = measure(factor.attribute(0, "ValueComponent"));
            const Factor component =
                unit_factor(factor.attribute(1, "UnitComponent").instance(), type, depth + 1);
            const double written = value * component.value();
            if (!(written > 0) || !std::isfinite(written)) throw factor.error("的换算系数应为正数");
            for (const KnownUnit& known : kKnownUnits) {
                if (known.type != type || unit_key(name) != known.name) continue;
                if (!(std::abs(written / known.factor.value() - 1) <= kFactorAgreement))
                    throw unit.error("的换算系数 " + shortest_number(written) + " 与“" + name +
                                     "”的 " + shortest_number(known.factor.value()) + " 不符");
                return known.factor;
            }
            return {written, 1};
        }
        throw unit.error("不能作为长度或角度单位：只能读 IfcSIUnit 或 IfcConversionBasedUnit");
    }

    void read_units() {
        const std::vector<const StepInstance*> projects = file_.instances_of("IFCPROJECT");
        if (projects.empty())
            throw DataError("文件中没有 IFCPROJECT（项目的单位由它给出）", file_.path());
        const StepField units = projects.front()->attribute(8, "UnitsInContext");
        if (units.is_unset()) return;
        const StepInstance& assignment = units.instance("IFCUNITASSIGNMENT");
        for (const StepField& u : assignment.attribute(0, "Units").list()) {
            const StepInstance& unit = u.instance();
            if (unit.entity() != "IFCSIUNIT" && unit.entity() != "IFCCONVERSIONBASEDUNIT" &&
                unit.entity() != "IFCCONVERSIONBASEDUNITWITHOFFSET")
                continue;
            const std::string& type = unit.attribute(1, "UnitType").enumeration();
            if (type == "LENGTHUNIT") length_ = unit_factor(unit, type);
            if (type == "PLANEANGLEUNIT") angle_ = unit_factor(unit, type);
        }
    }

    // The model context's Precision: coordinates that differ by less are the same point to the
    // software that wrote them.
    void read_precision() {
        for (const StepInstance* context :
             file_.instances_of("IFCGEOMETRICREPRESENTATIONCONTEXT")) {
            const std::optional<double> precision =
                context->attribute(3, "Precision").optional_real();
            if (precision && *precision > 0 && std::isfinite(*precision))
                seam_noticed_ = std::max(seam_noticed_, length(*precision));
        }
        seam_noticed_ = std::min(seam_noticed_, kSeamRefused);
    }

    // IfcMapConversion: the project's x, y (engineering coordinates) to the map grid's eastings
    // and northings, E = Eastings + Scale·(a·x − b·y), N = Northings + Scale·(b·x + a·y), with
    // (a, b) the map direction of the project's x axis, in the map's unit.
    void read_map_conversion() {
        std::vector<const StepInstance*> conversions = file_.instances_of("IFCMAPCONVERSION");
        for (const StepInstance* c : file_.instances_of("IFCMAPCONVERSIONSCALED"))
            conversions.push_back(c);
        if (conversions.empty()) {
            read_rigid_operation();
            return;
        }
        const StepInstance& c = *conversions.front();
        const StepInstance& crs = c.attribute(1, "TargetCRS").instance();
        crs_ = crs.attribute(0, "Name").optional_string().value_or("");
        Factor map_unit = length_;
        if (crs.entity() == "IFCPROJECTEDCRS" && crs.size() > 6) {
            const StepField unit = crs.attribute(6, "MapUnit");
            if (!unit.is_unset()) map_unit = unit_factor(unit.instance(), "LENGTHUNIT");
        }
        const double eastings = measure(c.attribute(2, "Eastings"));
        const double northings = measure(c.attribute(3, "Northings"));
        const double a = c.attribute(5, "XAxisAbscissa").optional_real().value_or(1);
        const double b = c.attribute(6, "XAxisOrdinate").optional_real().value_or(0);
        double scale = c.attribute(7, "Scale").optional_real().value_or(1);
        if (c.entity() == "IFCMAPCONVERSIONSCALED") {
            const double fx = c.attribute(8, "FactorX").real();
            const double fy = c.attribute(9, "FactorY").real();
            if (fx != fy)
                throw c.error("的 FactorX 与 FactorY 不同：平面被拉伸变形，线路的长度将与桩号不符");
            scale *= fx;
        }
        const double norm = std::hypot(a, b);
        if (!(norm > 0) || !std::isfinite(norm))
            throw c.error("的 XAxisAbscissa、XAxisOrdinate 定不出方向");
        // The stations are distances along the line as designed: a grid scale other than the
        // change of unit would move every point away from its station.
        const double stretch = map_unit.of(scale) / length_.value();
        if (!(std::abs(stretch - 1) <= 1e-9))
            throw c.error(
                "的比例 " + shortest_number(stretch) +
                " 不为 "
                "1（单位换算之外），线路在地图坐标中的长度将与桩号不符：请在设计坐标中导出线路");
        map_.x = map_unit.of(eastings);
        map_.y = map_unit.of(northings);
        map_.z = map_unit.of(measure(c.attribute(4, "OrthogonalHeight")));
        if (b != 0 || a < 0) {
            map_.cos_a = a / norm;
            map_.sin_a = b / norm;
            map_.angle = std::atan2(b, a);
        }
    }

    // IfcRigidOperation: the project's x, y moved by FirstCoordinate and SecondCoordinate onto
    // a projected grid, without a turn. A geographic target (longitude and latitude) gives no
    // grid coordinates to place boreholes by, and is refused.
    void read_rigid_operation() {
        const std::vector<const StepInstance*> operations = file_.instances_of("IFCRIGIDOPERATION");
        if (operations.empty()) return;
        const StepInstance& c = *operations.front();
        const StepInstance& crs = c.attribute(1, "TargetCRS").instance();
        const StepField first = c.attribute(2, "FirstCoordinate");
        const StepField second = c.attribute(3, "SecondCoordinate");
        for (const StepField& f : {first, second})
            if (f.kind() == StepValue::Kind::typed && f.type_name() != "IFCLENGTHMEASURE")
                throw f.error("为 " + f.type_name() +
                              "：地理坐标（经纬度）不是平面坐标，只能读到投影坐标系的移动");
        Factor map_unit = length_;
        if (crs.entity() == "IFCPROJECTEDCRS" && crs.size() > 6) {
            const StepField unit = crs.attribute(6, "MapUnit");
            if (!unit.is_unset()) map_unit = unit_factor(unit.instance(), "LENGTHUNIT");
        }
        if (!(std::abs(map_unit.value() / length_.value() - 1) <= 1e-9))
            throw c.error("的目标坐标系与项目的长度单位不同：IfcRigidOperation 不换算单位");
        crs_ = crs.attribute(0, "Name").optional_string().value_or("");
        operation_ = "IfcRigidOperation";
        map_.x = map_unit.of(measure(first));
        map_.y = map_unit.of(measure(second));
        if (c.size() > 4 && !c.attribute(4, "Height").is_unset())
            map_.z = map_unit.of(measure(c.attribute(4, "Height")));
    }

    // One IfcAxis2Placement3D or 2D as a motion in the plane.
    Motion local(const StepInstance& placement) const {
        Motion m;
        const bool three_d = placement.entity() == "IFCAXIS2PLACEMENT3D";
        if (!three_d && placement.entity() != "IFCAXIS2PLACEMENT2D")
            throw placement.error(
                "不是 IfcAxis2Placement3D 或 IfcAxis2Placement2D，读不出线路的定位");
        const std::vector<StepField> location = placement.attribute(0, "Location")
                                                    .instance("IFCCARTESIANPOINT")
                                                    .attribute(0, "Coordinates")
                                                    .list();
        if (location.size() >= 2) {
            m.x = length(location[0]);
            m.y = length(location[1]);
        }
        if (location.size() >= 3) m.z = length(location[2]);
        if (three_d) {
            const StepField axis = placement.attribute(1, "Axis");
            if (!axis.is_unset()) {
                const std::vector<StepField> d =
                    axis.instance("IFCDIRECTION").attribute(0, "DirectionRatios").list();
                if (d.size() != 3 || d[0].real() != 0 || d[1].real() != 0 || !(d[2].real() > 0))
                    throw axis.error("不朝上：只能读 z 轴朝上的定位（线路在水平面内）");
            }
        }
        const StepField ref = placement.attribute(three_d ? 2 : 1, "RefDirection");
        if (!ref.is_unset()) {
            const std::vector<StepField> d =
                ref.instance("IFCDIRECTION").attribute(0, "DirectionRatios").list();
            const double dx = d.size() > 0 ? d[0].real() : 0, dy = d.size() > 1 ? d[1].real() : 0;
            const double norm = std::hypot(dx, dy);
            if (!(norm > 0) || (d.size() > 2 && d[2].real() != 0))
                throw ref.error("定不出水平面内的方向");
            if (dy != 0 || dx < 0) {
                m.cos_a = dx / norm;
                m.sin_a = dy / norm;
                m.angle = std::atan2(dy, dx);
            }
        }
        return m;
    }

    const StepFile& file_;
    Factor length_, angle_;
    double seam_noticed_ = kSeamNoticed;
    std::string crs_;
    std::string operation_ = "IfcMapConversion";
    Motion map_;
    std::map<std::int64_t, std::vector<const StepInstance*>> nests_;
    std::map<std::int64_t, std::vector<const StepInstance*>> properties_;
};

// "EPSG:4547": a coordinate system the map files can take as it is.
bool is_epsg_code(std::string_view name) {
    constexpr std::string_view kPrefix = "EPSG:";
    if (!name.starts_with(kPrefix) || name.size() == kPrefix.size()) return false;
    for (char c : name.substr(kPrefix.size()))
        if (c < '0' || c > '9') return false;
    return true;
}

// How messages name an alignment: by its name, or by its place in the file where it has none.
std::string alignment_prefix(const std::string& name, std::size_t index) {
    return name.empty() ? "第 " + std::to_string(index + 1) + " 条线路" : "线路“" + name + "”";
}

// One horizontal segment, placed at its own start.
struct Segment {
    std::string name;  // "第 3 个平面线元（#45 CIRCULARARC）", as messages call it
    long line = 0;
    Piece piece;
};

// One vertical segment as the file gives it, distances as continuous mileage.
struct VerticalSegment {
    std::string name;
    long line = 0;
    std::string type;
    double start = 0, length = 0, height = 0, grade_in = 0, grade_out = 0;
    double radius = 0;  // of a circular arc, metres, positive
    // Where it ends, by its own numbers: mileage, height and grade.
    double end = 0, end_height = 0;
    bool curve() const { return type != "CONSTANTGRADIENT"; }
};

// A referent of type STATION.
struct Referent {
    const StepInstance* at = nullptr;
    double along = 0;  // metres from the start of the line
    double station = 0;
    std::optional<double> incoming;
};

// The reading, checking and building of one IfcAlignment.
class AlignmentBuilder {
  public:
    AlignmentBuilder(const IfcModel& model, const StepInstance& node, std::size_t index)
        : model_(model), node_(node) {
        name_ = node.attribute(2, "Name").optional_string().value_or("");
        prefix_ = alignment_prefix(name_, index);
    }

    Alignment build() {
        Alignment alignment;
        alignment.name = name_;
        const StepInstance* horizontal = nullptr;
        const StepInstance* vertical = nullptr;
        std::vector<const StepInstance*> referents;
        const auto take_referent = [&](const StepInstance& child) {
            if (child.entity() != "IFCREFERENT") return;
            const StepField type = child.attribute(7, "PredefinedType");
            if (!type.is_unset() && type.enumeration() == "STATION") referents.push_back(&child);
        };
        for (const StepField& child : model_.nested(node_)) {
            const StepInstance& c = child.instance();
            const auto only = [&](const StepInstance*& slot, const char* what) {
                if (slot) throw refused(c, "有不止一个" + std::string(what));
                slot = &c;
            };
            if (c.entity() == "IFCALIGNMENTHORIZONTAL")
                only(horizontal, "平面线形（IfcAlignmentHorizontal）");
            if (c.entity() == "IFCALIGNMENTVERTICAL")
                only(vertical, "纵断面（IfcAlignmentVertical）");
            take_referent(c);
        }
        if (!horizontal)
            throw refused(node_, "没有平面线形（IfcRelNests 中的 IfcAlignmentHorizontal）");

        const Motion plane = model_.map().after(model_.placement(
            (horizontal->attribute(5, "ObjectPlacement").is_unset() ? node_ : *horizontal)
                .attribute(5, "ObjectPlacement")));
        std::vector<Segment> segments;
        // The segments of length 0 (the closing one) with the index of the segment before them:
        // they add nothing, but where they start is checked as a seam once the line is placed.
        std::vector<std::pair<std::size_t, Segment>> zero_length;
        int position = 0;
        for (const StepField& child : model_.nested(*horizontal)) {
            const StepInstance& c = child.instance();
            take_referent(c);
            if (c.entity() != "IFCALIGNMENTSEGMENT") continue;
            ++position;
            const StepInstance& p =
                c.attribute(7, "DesignParameters").instance("IFCALIGNMENTHORIZONTALSEGMENT");
            Segment s;
            s.line = p.line();
            s.piece = read_segment(p, plane, position, s.name);
            if (s.piece.length > 0)
                segments.push_back(s);
            else if (!segments.empty())
                zero_length.emplace_back(segments.size() - 1, s);
        }
        if (segments.empty())
            throw refused(*horizontal, "没有长度不为零的平面线元（IfcAlignmentHorizontalSegment）");

        double length = 0;
        for (const Segment& s : segments) length += s.piece.length;
        const double start =
            read_stationing(referents, length, alignment.breaks, alignment.notices);
        alignment.break_source =
            alignment.breaks.dl_count > 0 ? ChainBreakSource::line : ChainBreakSource::file_or_none;
        // The stations the notices name, in the file's own numbering.
        stations_ = alignment.breaks;
        dl_complete(stations_, start, start + length);
        place(segments, start, alignment);
        for (const auto& [before, s] : zero_length)
            check_seam(segments[before], s, alignment, nullptr);
        alignment.key_points = element_key_points(alignment.line);
        // The plane line stands without its heights: a vertical that cannot be read leaves the
        // line without a profile, said in a notice, rather than refusing the line's stations
        // and coordinates with it.
        if (vertical) {
            try {
                alignment.profile = read_profile(*vertical, start, alignment.notices);
            } catch (const DataError& e) {
                alignment.notices.push_back(model_.file_title() + "第 " + std::to_string(e.line()) +
                                            " 行：" + e.what() +
                                            "：纵断面未读入，线路没有设计高程");
            }
        }
        if (is_epsg_code(model_.crs())) alignment.crs = model_.crs();
        if (!model_.crs().empty())
            alignment.notices.push_back(
                model_.file_title() + "：" + prefix_ + "的坐标系为“" + model_.crs() +
                "”（IfcProjectedCRS）" +
                (model_.map().identity()
                     ? ""
                     : "，平面坐标已按 " + model_.operation() + " 换算到该坐标系"));
        return alignment;
    }

  private:
    // "线路“A”：#45=IFCX 的…", at the instance's line.
    DataError refused(const StepInstance& at, const std::string& what) const {
        return DataError(prefix_ + "：" + at.error(what).what(), model_.file().path(), at.line());
    }

    // The piece of an IfcAlignmentHorizontalSegment, at its own StartPoint and StartDirection,
    // in Qelt's frame.
    Piece read_segment(const StepInstance& p, const Motion& plane, int position,
                       std::string& name) const {
        const std::string type = p.attribute(8, "PredefinedType").enumeration();
        name = "第 " + std::to_string(position) + " 个平面线元（#" + std::to_string(p.id()) + " " +
               type + "）";
        if (type != "LINE" && type != "CIRCULARARC" && type != "CLOTHOID")
            throw refused(p,
                          "的类型为 ." + type +
                              ".：只能读直线（LINE）、圆曲线（CIRCULARARC）和回旋线（CLOTHOID）");
        const std::vector<StepField> xy = p.attribute(2, "StartPoint")
                                              .instance("IFCCARTESIANPOINT")
                                              .attribute(0, "Coordinates")
                                              .list();
        if (xy.size() < 2) throw refused(p, "的 StartPoint 应有两个坐标");
        double x = model_.length(xy[0]), y = model_.length(xy[1]);
        plane.apply(x, y);
        const double direction = model_.angle(p.attribute(3, "StartDirection")) + plane.angle;
        // A positive radius turns left (counter-clockwise), which in Qelt's frame (azimuths
        // clockwise) is a negative curvature; 0 is a straight.
        const auto curvature = [&](std::size_t index, const char* field) {
            const double radius = model_.length(p.attribute(index, field));
            return radius == 0 ? 0.0 : -1 / radius;
        };
        Piece piece;
        piece.start = {y, x};
        piece.start_azimuth = reduced_azimuth(kPi / 2 - direction);
        piece.k0 = curvature(4, "StartRadiusOfCurvature");
        piece.k1 = curvature(5, "EndRadiusOfCurvature");
        piece.length = model_.length(p.attribute(6, "SegmentLength"));
        if (!(piece.length >= 0) || !std::isfinite(piece.length))
            throw refused(p, "的 SegmentLength 应为不小于 0 的数");
        if (!std::isfinite(piece.start.x + piece.start.y + piece.start_azimuth + piece.k0 +
                           piece.k1))
            throw refused(p, "的起点、方向或半径不是有限的数");
        if (type == "LINE" && (piece.k0 != 0 || piece.k1 != 0))
            throw refused(p, "是直线（LINE），其半径却不为 0");
        if (type == "CIRCULARARC" && (piece.k0 == 0 || piece.k0 != piece.k1))
            throw refused(p, "是圆曲线（CIRCULARARC），其起点与终点的半径应相同且不为 0");
        return piece;
    }

    // How segment `next` starts where `before` ends: a notice for a small seam or direction
    // break, a refusal for a gap. `mileage` is where `next` starts (nothing for the closing
    // segment, which adds no length).
    void check_seam(const Segment& before, const Segment& next, Alignment& alignment,
                    const double* mileage) const {
        Point end;
        double end_azimuth = 0;
        piece_point(before.piece, before.piece.length, end, end_azimuth);
        const double gap = distance(end, next.piece.start);
        const double turn = std::abs(reduced_turn(next.piece.start_azimuth - end_azimuth));
        const double at = mileage ? *mileage : before.piece.start_mileage + before.piece.length;
        const std::string seam = prefix_ + next.name + "（" + zh_station_of(stations_, at).text +
                                 "）的起点与" + before.name + "算得的终点相距 ";
        if (auto notice = seam_verdict(gap, turn, model_.seam_noticed(), seam, model_.file().path(),
                                       next.line))
            alignment.notices.push_back(model_.file_title() + "第 " + std::to_string(next.line) +
                                        " 行：" + *notice);
    }

    // Places the segments one after another from continuous mileage `start`, each at its own
    // start, checking how each meets the one before.
    void place(std::vector<Segment>& segments, double start, Alignment& alignment) const {
        LocatedLine& line = alignment.line;
        double mileage = start;
        for (std::size_t i = 0; i < segments.size(); ++i) {
            Piece& piece = segments[i].piece;
            piece.start_mileage = mileage;
            if (i == 0)
                line.reset(mileage, piece.start, piece.start_azimuth);
            else
                check_seam(segments[i - 1], segments[i], alignment, &mileage);
            line.append(piece);
            mileage += piece.length;
            if (!std::isfinite(line.end_mileage()))
                throw DataError(prefix_ + segments[i].name + " 算不出终点（长度或半径不合理）",
                                model_.file().path(), segments[i].line);
        }
    }

    // The distance along and the stations of a referent of type STATION.
    // Nothing for a referent without a Station, which numbers nothing (a notice says so).
    std::optional<Referent> read_referent(const StepInstance& r,
                                          std::vector<std::string>& notices) const {
        Referent referent;
        referent.at = &r;
        const StepField placement = r.attribute(5, "ObjectPlacement");
        if (placement.is_unset() || placement.instance().entity() != "IFCLINEARPLACEMENT")
            throw refused(r,
                          "的 ObjectPlacement 应为 IfcLinearPlacement（桩号所在的距离由它给出）");
        const StepField along = placement.instance()
                                    .attribute(1, "RelativePlacement")
                                    .instance("IFCAXIS2PLACEMENTLINEAR")
                                    .attribute(0, "Location")
                                    .instance("IFCPOINTBYDISTANCEEXPRESSION")
                                    .attribute(0, "DistanceAlong");
        // A distance along the line, in the project's length unit; a parameter value would
        // depend on how the representation is parameterised, which is not read.
        if (along.kind() == StepValue::Kind::typed &&
            along.type_name().find("LENGTHMEASURE") == std::string::npos)
            throw refused(r, "的 DistanceAlong 为 " + along.type_name() +
                                 "：只能读长度（IFCLENGTHMEASURE），不读曲线参数");
        referent.along = model_.length(along);
        bool has_station = false;
        for (const StepInstance* set : model_.property_sets(r, "Pset_Stationing")) {
            for (const StepField& p : set->attribute(4, "HasProperties").list()) {
                const StepInstance& property = p.instance();
                if (property.entity() != "IFCPROPERTYSINGLEVALUE") continue;
                const std::string& name = property.attribute(0, "Name").string();
                const StepField value = property.attribute(2, "NominalValue");
                if (value.is_unset()) continue;
                if (name == "Station") {
                    referent.station = model_.length(value);
                    has_station = true;
                } else if (name == "IncomingStation") {
                    referent.incoming = model_.length(value);
                } else if (name == "HasIncreasingStation" && !value.typed("IFCBOOLEAN").boolean()) {
                    throw refused(property, "为假：其后桩号递减，无法计算");
                }
            }
        }
        if (!has_station) {
            notices.push_back(model_.file_title() + "第 " + std::to_string(r.line()) + " 行：" +
                              prefix_ + "的 " + r.description() +
                              " 是桩号（STATION），却没有 Pset_Stationing 的 Station：未用它");
            return std::nullopt;
        }
        return referent;
    }

    // The start station (returned, metres) and the chain breaks of a line `length` metres long.
    double read_stationing(const std::vector<const StepInstance*>& nodes, double length,
                           ChainBreaks& breaks, std::vector<std::string>& notices) const {
        std::vector<Referent> referents;
        for (const StepInstance* r : nodes)
            if (auto referent = read_referent(*r, notices)) referents.push_back(*referent);
        if (referents.empty()) return 0;
        std::stable_sort(referents.begin(), referents.end(),
                         [](const Referent& a, const Referent& b) { return a.along < b.along; });
        const Referent& first = referents.front();
        const double start =
            (first.incoming && first.along > 0 ? *first.incoming : first.station) - first.along;
        const Referent* previous = nullptr;
        for (const Referent& r : referents) {
            if (!(r.along >= -kMissRefused && r.along <= length + kMissRefused))
                throw refused(*r.at, "的 DistanceAlong " + short_number_text(r.along) +
                                         " 在线路之外（线路长 " + short_number_text(length) + "）");
            const int i = breaks.dl_count + 1;
            // The station shown here before this referent, in the numbering of the last break.
            const double reached = start + r.along - dl_shift(breaks, i - 1);
            if (r.incoming && !(std::abs(*r.incoming - reached) <= kMissRefused))
                throw refused(*r.at, "的 IncomingStation " + short_number_text(*r.incoming) +
                                         " 与该处的桩号 " + short_number_text(reached) + " 相差 " +
                                         fixed_text(std::abs(*r.incoming - reached), 3) + " m");
            const double back = r.incoming.value_or(reached);
            // A referent whose station is the one reached marks a station; only a jump in the
            // numbering is a chain break.
            if (std::abs(r.station - back) <= kMissRefused) continue;
            if (i > kMaxChainBreaks)
                throw refused(
                    *r.at, "处断链超过 " + std::to_string(kMaxChainBreaks) + " 个，超出程序的容量");
            breaks.dl_before[i] = back;
            breaks.dl_after[i] = r.station;
            // The chain-break file's "-1 -1" line says "no chain breaks": such a first break
            // would be dropped without a word.
            if (i == 1 && back == -1)
                throw refused(
                    *r.at, "的断前桩号为 -1，与断链资料中表示“无断链”的 -1 相同，无法作为断链使用");
            if (i > 1 && !(back > breaks.dl_after[i - 1]))
                throw refused(*r.at, "与 " + previous->at->description() +
                                         " 位于同一处：两个断链之间应有一段线路");
            breaks.dl_count = static_cast<std::int16_t>(i);
            previous = &r;
        }
        return start;
    }

    // A vertical segment; `start` is the continuous mileage at distance along 0, `base` the
    // height of the vertical's placement above the project's (or the map's) zero.
    VerticalSegment read_vertical_segment(const StepInstance& p, double start, double base,
                                          int position) const {
        VerticalSegment s;
        s.line = p.line();
        s.type = p.attribute(8, "PredefinedType").enumeration();
        s.name = "第 " + std::to_string(position) + " 个竖向线元（#" + std::to_string(p.id()) +
                 " " + s.type + "）";
        if (s.type != "CONSTANTGRADIENT" && s.type != "PARABOLICARC" && s.type != "CIRCULARARC")
            throw refused(p, "的类型为 ." + s.type +
                                 ".：只能读坡段（CONSTANTGRADIENT）、抛物线竖曲线（PARABOLICARC）和"
                                 "圆曲线竖曲线（CIRCULARARC）");
        s.start = start + model_.length(p.attribute(2, "StartDistAlong"));
        s.length = model_.length(p.attribute(3, "HorizontalLength"));
        s.height = base + model_.length(p.attribute(4, "StartHeight"));
        s.grade_in = measure(p.attribute(5, "StartGradient"));
        s.grade_out = measure(p.attribute(6, "EndGradient"));
        if (!(s.length >= 0) ||
            !std::isfinite(s.start + s.length + s.height + s.grade_in + s.grade_out))
            throw refused(p, "的距离、长度、高程或坡度不是有限的数（或长度为负）");
        s.end = s.start + s.length;
        const double change = s.grade_out - s.grade_in;
        if (s.type == "CONSTANTGRADIENT") {
            if (!(std::abs(change) * s.length <= kMissRefused))
                throw refused(p,
                              "是坡段（CONSTANTGRADIENT），其 StartGradient 与 EndGradient 却不同");
            s.end_height = s.height + s.grade_in * s.length;
        } else if (s.type == "PARABOLICARC") {
            // The parabola is given by its gradients and its length; its radius, where written,
            // must be the same curve's: L = R·|i2 − i1|.
            const std::optional<double> radius =
                p.attribute(7, "RadiusOfCurvature").optional_real();
            if (radius && *radius != 0 && change != 0 &&
                !(std::abs(model_.length(std::abs(*radius)) * std::abs(change) - s.length) <=
                  kMissRefused))
                throw refused(p,
                              "的 RadiusOfCurvature 与其长度和坡度不符（R·|i2 − i1| 应等于 "
                              "HorizontalLength）");
            s.end_height = s.height + (s.grade_in + s.grade_out) / 2 * s.length;
        } else {
            // The arc is given by its gradients and its horizontal length, which is
            // R·|sin α2 − sin α1|; its radius, where written, must be the same arc's.
            const double a1 = std::atan(s.grade_in), a2 = std::atan(s.grade_out);
            const double turn = a2 > a1 ? 1 : -1;
            const double span = std::abs(std::sin(a2) - std::sin(a1));
            const std::optional<double> written =
                p.attribute(7, "RadiusOfCurvature").optional_real();
            const double radius = written && *written != 0 ? model_.length(std::abs(*written))
                                  : span > 0               ? s.length / span
                                                           : 0;
            if (span > 0 && !(std::abs(radius * span - s.length) <= kMissRefused))
                throw refused(p,
                              "的 RadiusOfCurvature 与其长度和坡度不符（R·|sin α2 − sin α1| 应等于 "
                              "HorizontalLength）");
            s.end_height = s.height + turn * radius * (std::cos(a1) - std::cos(a2));
            s.radius = radius;
        }
        return s;
    }

    // The grade points of the vertical segments: the start, the intersection of the tangents of
    // every vertical curve (with the curve), the seam of two grades that meet without a curve,
    // and the end.
    Profile read_profile(const StepInstance& vertical, double start,
                         std::vector<std::string>& notices) const {
        const double base =
            model_.map()
                .after(model_.placement(
                    (vertical.attribute(5, "ObjectPlacement").is_unset() ? node_ : vertical)
                        .attribute(5, "ObjectPlacement")))
                .z;
        std::vector<GradePoint> points;
        const auto point_at = [&](double mileage, double elevation, long line) {
            GradePoint g;
            g.mileage = mileage;
            g.elevation = elevation;
            g.station = zh_station_of(stations_, mileage).text;
            g.line = line;
            return g;
        };
        std::optional<VerticalSegment> last;
        int position = 0;
        for (const StepField& child : model_.nested(vertical)) {
            const StepInstance& c = child.instance();
            if (c.entity() != "IFCALIGNMENTSEGMENT") continue;
            ++position;
            const VerticalSegment s = read_vertical_segment(
                c.attribute(7, "DesignParameters").instance("IFCALIGNMENTVERTICALSEGMENT"), start,
                base, position);
            if (last) check_vertical_seam(*last, s, notices);
            if (s.length == 0) continue;
            if (!last)
                points.push_back(point_at(s.start, s.height, s.line));
            else if (!last->curve() && !s.curve() && last->grade_out != s.grade_in)
                points.push_back(point_at(s.start, s.height, s.line));
            if (s.curve() && s.grade_in != s.grade_out) {
                GradePoint g;
                if (s.type == "PARABOLICARC") {
                    g = point_at(s.start + s.length / 2, s.height + s.grade_in * s.length / 2,
                                 s.line);
                    g.curve = VerticalCurveKind::parabola;
                    g.length = s.length;
                } else {
                    // The tangents meet R·tan(|α2 − α1|/2) from either tangent point, along each.
                    const double a1 = std::atan(s.grade_in), a2 = std::atan(s.grade_out);
                    const double tangent = s.radius * std::tan(std::abs(a2 - a1) / 2);
                    g = point_at(s.start + tangent * std::cos(a1),
                                 s.height + tangent * std::sin(a1), s.line);
                    g.curve = VerticalCurveKind::circle;
                    g.radius = s.radius;
                }
                points.push_back(g);
            }
            last = s;
        }
        if (!last)
            throw refused(vertical, "没有长度不为零的竖向线元（IfcAlignmentVerticalSegment）");
        points.push_back(point_at(last->end, last->end_height, last->line));
        Profile profile = build_profile(std::move(points), model_.file().path());
        profile.name = vertical.attribute(2, "Name").optional_string().value_or(name_);
        for (std::string& notice : profile.notices) notice.insert(0, model_.file_title() + "：");
        return profile;
    }

    void check_vertical_seam(const VerticalSegment& before, const VerticalSegment& next,
                             std::vector<std::string>& notices) const {
        const double along = std::abs(next.start - before.end);
        const double rise = std::abs(next.height - before.end_height);
        const double gap = std::max(along, rise);
        const double turn = std::abs(std::atan(next.grade_in) - std::atan(before.grade_out));
        const auto seam = [&] {
            return prefix_ + next.name + "（" + zh_station_of(stations_, next.start).text +
                   "）的起点与" + before.name + "算得的终点在里程上相距 ";
        };
        if (!(gap <= kSeamRefused))
            throw DataError(seam() + fixed_text(along, 3) + " m、高程相差 " + fixed_text(rise, 3) +
                                " m（超过 0.1 m）：这些竖向线元连不成一条纵断面",
                            model_.file().path(), next.line);
        // Two grades may meet without a curve (a grade point without one); a curve must take
        // over the grade it meets.
        const bool curve = before.curve() || next.curve();
        if (gap > model_.seam_noticed() || (curve && turn > kTurnNoticed))
            notices.push_back(model_.file_title() + "第 " + std::to_string(next.line) + " 行：" +
                              seam() + fixed_text(along * 1000, 1) + " mm、高程相差 " +
                              fixed_text(rise * 1000, 1) + " mm，坡度相差 " +
                              fixed_text(turn * kSecondsPerRadian, 1) + "″");
    }

    const IfcModel& model_;
    const StepInstance& node_;
    std::string name_, prefix_;
    ChainBreaks stations_;
};

}  // namespace

IfcAlignments::IfcAlignments(const StepFile& file) {
    check_schema(file);
    const std::vector<const StepInstance*> nodes = file.instances_of("IFCALIGNMENT");
    if (nodes.empty()) throw DataError("文件中没有线路（IFCALIGNMENT）", file.path());
    const IfcModel model(file);
    for (const StepInstance* node : nodes) {
        const std::size_t index = alignments().size();
        add(node->attribute(2, "Name").optional_string().value_or(""), node->line(),
            [&] { return AlignmentBuilder(model, *node, index).build(); });
    }
}

}  // namespace qelt
