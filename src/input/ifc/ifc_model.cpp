// The units and the georeferencing of an IFC 4.3 model, and the relationships the alignments are
// found by.
#include "input/ifc/ifc_model.h"

#include <cctype>
#include <cmath>

#include "base/text.h"
#include "base/utf8_path.h"

namespace qelt::ifc {

namespace {

// The IFC 4.3 schemas whose alignments this reader knows; the release candidates before them
// (IFC4X3_RC1 … RC4) named and ordered the alignment's attributes differently.
constexpr std::string_view kSchemas[] = {"IFC4X3", "IFC4X3_ADD1", "IFC4X3_ADD2"};

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

}  // namespace

// A measure written plainly (an attribute of a measure type: 12.5) or as a typed value (a SELECT
// or a property's value: IFCLENGTHMEASURE(12.5)).
double measure(const StepField& field) {
    if (field.kind() == StepValue::Kind::typed) return field.typed(field.type_name()).real();
    return field.real();
}

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

// "EPSG:4547": a coordinate system the map files can take as it is.
bool is_epsg_code(std::string_view name) {
    constexpr std::string_view kPrefix = "EPSG:";
    if (!name.starts_with(kPrefix) || name.size() == kPrefix.size()) return false;
    for (char c : name.substr(kPrefix.size()))
        if (c < '0' || c > '9') return false;
    return true;
}

IfcModel::IfcModel(const StepFile& file) : file_(file) {
    read_units();
    read_precision();
    read_map_conversion();
    for (const StepInstance* nest : file.instances_of("IFCRELNESTS"))
        nests_[nest->attribute(4, "RelatingObject").reference()].push_back(nest);
    for (const StepInstance* rel : file.instances_of("IFCRELDEFINESBYPROPERTIES"))
        for (const StepField& object : rel->attribute(4, "RelatedObjects").list())
            properties_[object.reference()].push_back(rel);
}

std::string IfcModel::file_title() const {
    return "IFC 文件“" + utf8_of(path_from_utf8(file_.path()).filename()) + "”";
}

std::vector<StepField> IfcModel::nested(const StepInstance& parent) const {
    std::vector<StepField> children;
    const auto found = nests_.find(parent.id());
    if (found == nests_.end()) return children;
    for (const StepInstance* nest : found->second)
        for (const StepField& child : nest->attribute(5, "RelatedObjects").list())
            children.push_back(child);
    return children;
}

std::vector<const StepInstance*> IfcModel::property_sets(const StepInstance& object,
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

Motion IfcModel::placement(const StepField& object_placement) const {
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

Factor IfcModel::unit_factor(const StepInstance& unit, std::string_view type, int depth) const {
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
                throw unit.error("的换算系数 " + shortest_number(written) + " 与“" + name + "”的 " +
                                 shortest_number(known.factor.value()) + " 不符");
            return known.factor;
        }
        return {written, 1};
    }
    throw unit.error("不能作为长度或角度单位：只能读 IfcSIUnit 或 IfcConversionBasedUnit");
}

void IfcModel::read_units() {
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

void IfcModel::read_precision() {
    for (const StepInstance* context : file_.instances_of("IFCGEOMETRICREPRESENTATIONCONTEXT")) {
        const std::optional<double> precision = context->attribute(3, "Precision").optional_real();
        if (precision && *precision > 0 && std::isfinite(*precision))
            seam_noticed_ = std::max(seam_noticed_, length(*precision));
    }
    seam_noticed_ = std::min(seam_noticed_, kSeamRefused);
}

void IfcModel::read_map_conversion() {
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

void IfcModel::read_rigid_operation() {
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

Motion IfcModel::local(const StepInstance& placement) const {
    Motion m;
    const bool three_d = placement.entity() == "IFCAXIS2PLACEMENT3D";
    if (!three_d && placement.entity() != "IFCAXIS2PLACEMENT2D")
        throw placement.error("不是 IfcAxis2Placement3D 或 IfcAxis2Placement2D，读不出线路的定位");
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

}  // namespace qelt::ifc
