#include "terrain/section_ground.h"

#include <algorithm>
#include <cmath>

#include "base/text.h"

namespace qelt {

namespace {

// A hole set out on a section's mileage, or a stake on the centre line, comes back from the
// foot of its perpendicular to within rounding; a millimetre's tenth is far below what a
// section's survey tells apart and far above the rounding.
constexpr double kSameMileage = 1e-4;
constexpr double kOnCentre = 1e-4;

std::string side_name(double offset) {
    return offset > 0 ? "左侧" : "右侧";
}

// The point of rising `mileage` ordered items at or before `mileage` (the index of the interval
// it falls in), for items of a member `mileage`.
template <class Item>
std::size_t interval_of(const std::vector<Item>& items, double mileage) {
    const auto after =
        std::upper_bound(items.begin(), items.end(), mileage,
                         [](double m, const Item& item) { return m < item.mileage; });
    return static_cast<std::size_t>(after - items.begin()) - 1;
}

}  // namespace

std::optional<double> side_elevation(double centre, const std::vector<SectionPoint>& side,
                                     double distance) {
    double d0 = 0, z0 = centre;
    if (distance <= 0) return centre;
    for (const SectionPoint& p : side) {
        if (distance <= p.distance) {
            // Two points at one distance (a wall, a kerb) give the step: the inner one is met
            // first, as a rig set down on the step's edge stands on its top.
            if (p.distance == d0) return z0;
            return z0 + (p.elevation - z0) * (distance - d0) / (p.distance - d0);
        }
        d0 = p.distance;
        z0 = p.elevation;
    }
    return std::nullopt;
}

SectionGround::SectionGround(LocatedLine line, std::vector<CentreGroundPoint> centre_line,
                             std::vector<GroundSection> sections)
    : line_(std::move(line)),
      centre_line_(std::move(centre_line)),
      sections_(std::move(sections)) {}

SectionGroundAnswer SectionGround::at(double mileage, double offset) const {
    if (!std::isfinite(mileage) || !std::isfinite(offset)) return {std::nullopt, "的位置不能确定"};
    if (sections_.empty()) {
        // The centre line's ground alone says nothing of the ground beside the line.
        if (std::abs(offset) > kOnCentre)
            return {std::nullopt,
                    "不在中线上（距中线 " + fixed_text(std::abs(offset), 3) +
                        " m），纵向地面线只有中线上的地面高程，请同时给出横断面数据文件"};
        const std::vector<CentreGroundPoint>& g = centre_line_;
        if (mileage < g.front().mileage - kSameMileage)
            return {std::nullopt, "在纵向地面线的起点 " + g.front().station + " 之前"};
        if (mileage > g.back().mileage + kSameMileage)
            return {std::nullopt, "在纵向地面线的终点 " + g.back().station + " 之后"};
        const std::size_t i =
            std::min(interval_of(g, std::max(mileage, g.front().mileage)), g.size() - 2);
        const double t =
            std::clamp((mileage - g[i].mileage) / (g[i + 1].mileage - g[i].mileage), 0.0, 1.0);
        return {g[i].elevation + t * (g[i + 1].elevation - g[i].elevation), {}};
    }

    const std::vector<GroundSection>& s = sections_;
    if (mileage < s.front().mileage - kSameMileage)
        return {std::nullopt, "在第一个横断面 " + s.front().station + " 之前"};
    if (mileage > s.back().mileage + kSameMileage)
        return {std::nullopt, "在最后一个横断面 " + s.back().station + " 之后"};
    const double distance = std::abs(offset);
    const auto along = [&](const GroundSection& section) -> SectionGroundAnswer {
        const auto z =
            side_elevation(section.centre, offset > 0 ? section.left : section.right, distance);
        if (z) return {z, {}};
        const auto& side = offset > 0 ? section.left : section.right;
        const double width = side.empty() ? 0.0 : side.back().distance;
        return {std::nullopt, "在横断面 " + section.station + " " + side_name(offset) +
                                  "实测宽度 " + fixed_text(width, 3) + " m 之外（距中线 " +
                                  fixed_text(distance, 3) + " m）"};
    };
    std::size_t i = interval_of(s, std::max(mileage, s.front().mileage));
    if (std::abs(mileage - s[i].mileage) <= kSameMileage) return along(s[i]);
    if (i + 1 < s.size() && std::abs(mileage - s[i + 1].mileage) <= kSameMileage)
        return along(s[i + 1]);
    if (i + 1 >= s.size()) return along(s.back());
    const SectionGroundAnswer a = along(s[i]);
    if (!a.elevation) return a;
    const SectionGroundAnswer b = along(s[i + 1]);
    if (!b.elevation) return b;
    const double t = (mileage - s[i].mileage) / (s[i + 1].mileage - s[i].mileage);
    return {*a.elevation + t * (*b.elevation - *a.elevation), {}};
}

SectionGroundAnswer SectionGround::at(Point point) const {
    double mileage = 0, offset = 0;
    line_.nearest(point, mileage, offset);
    return at(mileage, offset);
}

}  // namespace qelt
