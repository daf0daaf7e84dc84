#pragma once
// The ground along the centre line (地面线) as one value: what the section drawing draws under
// the grade line and what its bands print at the round stations. The job builds it once, from
// the terrain sampled under the line or from a ground line the line's own file gives (a LandXML
// ProfSurf), and hands it to the drawing; no writer samples a terrain itself.
//
// Units: continuous mileage and elevation, metres.

#include <optional>
#include <string>
#include <vector>

namespace qelt {

// A ground line sampled from a terrain follows it within this height, metres: the samples are
// refined until the midpoint of every chord is this close to the terrain.
inline constexpr double kGroundLineTolerance = 0.01;

struct GroundLine {
    struct Point {
        double mileage = 0;
        double elevation = 0;
    };
    // The stretches where the ground is known, in the order of mileage, each of two points or
    // more; a terrain that does not cover the whole line leaves gaps between them.
    std::vector<std::vector<Point>> runs;
    // Sampled from a terrain so closely that between its points it follows the terrain within
    // a centimetre: a height read off it between points is the terrain's. A line given as such
    // is the surveyor's points, and says nothing between them.
    bool follows_terrain = false;
    // What the line is, for the drawing's legend, where it is not the terrain's ("地面线：…").
    std::string legend;

    bool empty() const { return runs.empty(); }
    // The height at `mileage`: a point's own within a micrometre of it, else on the chord
    // between the two points either side; nothing off every run.
    std::optional<double> elevation(double mileage) const;
};

}  // namespace qelt
