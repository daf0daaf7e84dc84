#include "app/run_ground_line.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "report/drawings/plan_layout.h"

namespace qelt {

namespace {

// The terrain under the line is piecewise plane: the samples go every 10 m and at every round
// station, and each chord is halved until its midpoint lies within kGroundLineTolerance of the
// terrain (or the chord is shorter than 5 cm), so that the line follows every break of slope
// that matters; where the terrain stops, the line stops.
class Sampler {
  public:
    Sampler(const Alignment& alignment, const Terrain& terrain)
        : alignment_(alignment), terrain_(terrain) {}

    GroundLine sample(const std::vector<double>& at) {
        double a = at.front();
        std::optional<double> za = height(a);
        if (za) run_.push_back({a, *za});
        for (std::size_t i = 1; i < at.size(); ++i) {
            const double b = at[i];
            const std::optional<double> zb = height(b);
            refine(a, za, b, zb, 0);
            a = b;
            za = zb;
        }
        end_run();
        line_.follows_terrain = true;
        return std::move(line_);
    }

  private:
    std::optional<double> height(double mileage) const {
        Point p;
        double azimuth = 0;
        alignment_.line.locate(mileage, p, azimuth);
        return terrain_.elevation(p);
    }

    void refine(double a, std::optional<double> za, double b, std::optional<double> zb, int depth) {
        const double m = (a + b) / 2;
        const std::optional<double> zm = height(m);
        const bool fine = b - a < 0.05 || depth > 12;
        if (!fine && (za.has_value() != zb.has_value() || za.has_value() != zm.has_value() ||
                      (za && zb && zm && std::abs(*zm - (*za + *zb) / 2) > kGroundLineTolerance))) {
            refine(a, za, m, zm, depth + 1);
            refine(m, zm, b, zb, depth + 1);
            return;
        }
        if (zb) {
            if (run_.empty() && za) run_.push_back({a, *za});
            run_.push_back({b, *zb});
        } else {
            end_run();
        }
    }

    void end_run() {
        if (run_.size() >= 2) line_.runs.push_back(std::move(run_));
        run_.clear();
    }

    const Alignment& alignment_;
    const Terrain& terrain_;
    GroundLine line_;
    std::vector<GroundLine::Point> run_;
};

}  // namespace

GroundLine centre_line_ground(const Alignment& alignment, const Terrain* ground) {
    GroundLine line;
    const double start = alignment.line.start_mileage(), end = alignment.line.end_mileage();
    if (!std::isfinite(start) || !std::isfinite(end) || end <= start) return line;
    if (!ground) {
        // The line's own ground line, drawn as given and named in a legend above the section
        // so that nobody takes it for a terrain sampled under the line.
        if (alignment.ground_line.size() < 2) return line;
        std::vector<GroundLine::Point>& run = line.runs.emplace_back();
        for (const auto& g : alignment.ground_line) run.push_back({g.mileage, g.elevation});
        line.legend = "地面线：" + alignment.ground_line_source;
        return line;
    }
    constexpr double kStep = 10;
    std::vector<double> at{start};
    const double count = std::ceil((end - start) / kStep);
    for (double i = 1; i <= count; ++i) at.push_back(std::min(end, start + i * kStep));
    // The round stations, whose ground the drawing's bands print, as points of the line: a
    // station on the 10 m grid (within a micrometre) is the grid's point.
    for (const RoundStation& s : round_stations(alignment.breaks, start, end)) {
        const auto near = std::lower_bound(at.begin(), at.end(), s.mileage - 1e-6);
        if (near == at.end() || *near > s.mileage + 1e-6) at.insert(near, s.mileage);
    }
    return Sampler(alignment, *ground).sample(at);
}

}  // namespace qelt
