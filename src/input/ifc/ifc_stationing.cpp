// The stationing of an IfcAlignment: its referents of type STATION (Pset_Stationing) as the
// start station and the chain breaks.
#include <algorithm>

#include "input/ifc/ifc_alignment_builder.h"
#include "input/station_equations.h"

namespace qelt::ifc {

std::optional<Referent> AlignmentBuilder::read_referent(const StepInstance& r,
                                                        std::vector<std::string>& notices) const {
    Referent referent;
    referent.at = &r;
    const StepField placement = r.attribute(5, "ObjectPlacement");
    if (placement.is_unset() || placement.instance().entity() != "IFCLINEARPLACEMENT")
        throw refused(r, "的 ObjectPlacement 应为 IfcLinearPlacement（桩号所在的距离由它给出）");
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

double AlignmentBuilder::read_stationing(const std::vector<const StepInstance*>& nodes,
                                         double length, ChainBreaks& breaks,
                                         std::vector<std::string>& notices) const {
    std::vector<Referent> referents;
    for (const StepInstance* r : nodes)
        if (auto referent = read_referent(*r, notices)) referents.push_back(*referent);
    if (referents.empty()) return 0;
    // The start station from the first referent along the line.
    const Referent& first =
        *std::min_element(referents.begin(), referents.end(),
                          [](const Referent& a, const Referent& b) { return a.along < b.along; });
    const double start =
        (first.incoming && first.along > 0 ? *first.incoming : first.station) - first.along;
    std::vector<StationEquation> equations;
    for (const Referent& r : referents)
        equations.push_back({r.along, r.incoming, r.station, r.at->description(), "DistanceAlong",
                             "IncomingStation"});
    breaks = build_station_equations(
        std::move(equations), {start, 0, length, true},
        [&](std::size_t k, const std::string& what) {
            return DataError(prefix_ + "：" + what, model_.file().path(), referents[k].at->line());
        });
    return start;
}

}  // namespace qelt::ifc
