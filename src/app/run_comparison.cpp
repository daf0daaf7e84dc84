#include "app/run_comparison.h"

#include <cmath>
#include <unordered_map>

#include "base/text.h"

namespace qelt {

HoleDeviation hole_deviation(double azimuth, Point planned, Point drilled) {
    const double dx = drilled.x - planned.x, dy = drilled.y - planned.y;
    // The tangent (cos a, sin a) in X north, Y east; the normal to its left (sin a, −cos a).
    return {dx * std::cos(azimuth) + dy * std::sin(azimuth),
            dx * std::sin(azimuth) - dy * std::cos(azimuth), std::hypot(dx, dy)};
}

HoleComparison compare_holes(std::span<const PlannedHole> planned,
                             std::span<const BoreholeRecord> drilled, double tolerance) {
    HoleComparison out;
    out.planned = static_cast<int>(planned.size());
    out.drilled = static_cast<int>(drilled.size());
    std::unordered_map<std::string, std::size_t> by_name;
    for (std::size_t i = 0; i < planned.size(); ++i)
        by_name.emplace(planned[i].record.point_name, i);

    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::vector<std::size_t> match(planned.size(), kNone);  // drilled index per planned hole
    std::vector<std::size_t> unmatched;
    for (std::size_t d = 0; d < drilled.size(); ++d) {
        const auto it = by_name.find(drilled[d].name);
        if (it == by_name.end()) {
            unmatched.push_back(d);
        } else if (match[it->second] != kNone) {
            out.notices.push_back("孔号" + drilled[d].name + "实测了两次（" +
                                  drilled[match[it->second]].group + " 第 " +
                                  std::to_string(drilled[match[it->second]].serial) + " 点和" +
                                  drilled[d].group + " 第 " + std::to_string(drilled[d].serial) +
                                  " 点）：前一点与计划孔对比，后一点列为计划外");
            unmatched.push_back(d);
        } else {
            match[it->second] = d;
        }
    }

    int number = 0;
    ComparedGroup missing{{"未钻（计划孔无实测点）", 0, 0}, {}};
    for (std::size_t i = 0; i < planned.size(); ++i) {
        const BoreholeRecord& plan = planned[i].record;
        BoreholeRecord row;
        if (match[i] == kNone) {
            row.placed = false;
            row.name = plan.point_name;
            row.point_name = plan.point_name;
            row.line = plan.line;
            row.remark = plan.group;
            row.status = kNotDrilled;
            row.group = missing.head.title;
            row.serial = static_cast<int>(missing.rows.size()) + 1;
            row.planned_station = plan.station;
            row.planned_offset = plan.offset;
            missing.rows.push_back(row);
            continue;
        }
        if (out.groups.empty() || out.groups.back().head.title != plan.group ||
            out.groups.back().head.number != plan.group_number)
            out.groups.push_back({{plan.group, 0, ++number}, {}});
        ComparedGroup& group = out.groups.back();
        row = drilled[match[i]];
        row.group = plan.group;
        row.group_number = number;
        row.serial = static_cast<int>(group.rows.size()) + 1;
        row.planned_station = plan.station;
        row.planned_offset = plan.offset;
        const HoleDeviation dev =
            hole_deviation(planned[i].azimuth, {plan.x, plan.y}, {row.x, row.y});
        row.d_along = dev.along;
        row.d_across = dev.across;
        row.distance = dev.distance;
        // As printed, to the millimetre: a hole shown 1.000 m off is within a 1 m tolerance.
        if (std::round(dev.distance * 1000) > std::round(tolerance * 1000)) {
            row.status = kBeyondTolerance;
            ++out.beyond;
        }
        group.rows.push_back(row);
    }
    ComparedGroup extra{{"计划外（实测点无计划孔）", 0, 0}, {}};
    for (std::size_t d : unmatched) {
        BoreholeRecord row = drilled[d];
        row.group = extra.head.title;
        row.serial = static_cast<int>(extra.rows.size()) + 1;
        row.status = kNotPlanned;
        extra.rows.push_back(row);
    }
    out.not_drilled = static_cast<int>(missing.rows.size());
    out.not_planned = static_cast<int>(extra.rows.size());
    for (ComparedGroup* g : {&missing, &extra}) {
        if (g->rows.empty()) continue;
        g->head.number = ++number;
        for (BoreholeRecord& r : g->rows) r.group_number = number;
        out.groups.push_back(std::move(*g));
    }
    for (ComparedGroup& g : out.groups) g.head.count = static_cast<int>(g.rows.size());
    return out;
}

std::string comparison_summary(const HoleComparison& c, double tolerance) {
    return "计划 " + std::to_string(c.planned) + " 孔，实测 " + std::to_string(c.drilled) +
           " 孔：超限 " + std::to_string(c.beyond) + " 孔（限差 " + fixed_text(tolerance, 3) +
           " 米），未钻 " + std::to_string(c.not_drilled) + " 孔，计划外 " +
           std::to_string(c.not_planned) + " 孔";
}

}  // namespace qelt
