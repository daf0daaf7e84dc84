#include "alignment/ground_line.h"

#include <algorithm>
#include <cmath>

namespace qelt {

namespace {

// Where a run's point and a mileage asked for are one point.
constexpr double kSamePoint = 1e-6;

}  // namespace

std::optional<double> GroundLine::elevation(double mileage) const {
    for (const std::vector<Point>& run : runs) {
        if (mileage < run.front().mileage - kSamePoint || mileage > run.back().mileage + kSamePoint)
            continue;
        const auto after = std::lower_bound(run.begin(), run.end(), mileage,
                                            [](const Point& p, double m) { return p.mileage < m; });
        if (after != run.end() && after->mileage - mileage <= kSamePoint) return after->elevation;
        if (after == run.begin()) return after->elevation;
        const Point& before = *(after - 1);
        if (mileage - before.mileage <= kSamePoint || after == run.end()) return before.elevation;
        const double t = (mileage - before.mileage) / (after->mileage - before.mileage);
        return before.elevation + t * (after->elevation - before.elevation);
    }
    return std::nullopt;
}

}  // namespace qelt
