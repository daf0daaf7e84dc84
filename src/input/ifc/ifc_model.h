#pragma once
// The reading of an IFC 4.3 model's alignments, in parts: the whole model as the alignments are
// read from it (its units, its georeferencing, its relationships), here; the building of one
// alignment (ifc_alignment_builder.h), whose horizontal, stationing and vertical are each read in
// a file of their own. Only the alignment reader (ifc_alignments.cpp) and its parts include it.
//
// Frames: IFC's x axis is the easting and its y the northing, its directions counter-clockwise
// from +x; lengths in metres and angles in radians once converted from the project's units.

#include <cstdint>
#include <map>
#include <numbers>
#include <string>
#include <string_view>
#include <vector>

#include "input/text/seams.h"
#include "input/ifc/step.h"

namespace qelt::ifc {

inline constexpr double kPi = std::numbers::pi;
// A segment's redundant numbers (a vertical arc's radius beside its length and gradients, a
// referent's IncomingStation beside its distance along) must agree to a millimetre.
inline constexpr double kMissRefused = 1e-3;  // metres

// A unit as the exact factor numerator/denominator to metres or radians: a millimetre is 1/1000,
// a US survey foot 1200/3937, a degree π/180, so that values convert with one rounding.
struct Factor {
    double numerator = 1, denominator = 1;
    double of(double value) const { return value * numerator / denominator; }
    double value() const { return numerator / denominator; }
};

// A measure written plainly (an attribute of a measure type: 12.5) or as a typed value (a SELECT
// or a property's value: IFCLENGTHMEASURE(12.5)).
double measure(const StepField& field);

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
void check_schema(const StepFile& file);

// "EPSG:4547": a coordinate system the map files can take as it is.
bool is_epsg_code(std::string_view name);

// The whole file as the alignments are read from it: the units, the georeferencing and the
// relationships, each read once.
class IfcModel {
  public:
    explicit IfcModel(const StepFile& file);

    const StepFile& file() const { return file_; }
    // "IFC 文件“x.ifc”", as notices begin.
    std::string file_title() const;
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
    // The project's length unit in metres.
    const Factor& length_unit() const { return length_; }

    // The objects nested under `parent` (IfcRelNests.RelatedObjects), in the order of the
    // relationships in the file and of each one's list.
    std::vector<StepField> nested(const StepInstance& parent) const;

    // The property sets named `name` attached to `object`.
    std::vector<const StepInstance*> property_sets(const StepInstance& object,
                                                   std::string_view name) const;

    // The motion of an object's placement (IfcLocalPlacement relative to others, each an
    // IfcAxis2Placement3D or 2D) to the project's coordinates, metres; the identity where the
    // object has none.
    Motion placement(const StepField& object_placement) const;

  private:
    // The factor of unit `unit`, of type `type`, to metres or radians.
    Factor unit_factor(const StepInstance& unit, std::string_view type, int depth = 0) const;

    void read_units();

    // The model context's Precision: coordinates that differ by less are the same point to the
    // software that wrote them.
    void read_precision();

    // IfcMapConversion: the project's x, y (engineering coordinates) to the map grid's eastings
    // and northings, E = Eastings + Scale·(a·x − b·y), N = Northings + Scale·(b·x + a·y), with
    // (a, b) the map direction of the project's x axis, in the map's unit.
    void read_map_conversion();

    // IfcRigidOperation: the project's x, y moved by FirstCoordinate and SecondCoordinate onto
    // a projected grid, without a turn. A geographic target (longitude and latitude) gives no
    // grid coordinates to place boreholes by, and is refused.
    void read_rigid_operation();

    // One IfcAxis2Placement3D or 2D as a motion in the plane.
    Motion local(const StepInstance& placement) const;

    const StepFile& file_;
    Factor length_, angle_;
    double seam_noticed_ = kSeamNoticed;
    std::string crs_;
    std::string operation_ = "IfcMapConversion";
    Motion map_;
    std::map<std::int64_t, std::vector<const StepInstance*>> nests_;
    std::map<std::int64_t, std::vector<const StepInstance*>> properties_;
};

}  // namespace qelt::ifc
