#pragma once
// The ground along the centre line, found once by the job for the section drawing.

#include "alignment/alignment.h"
#include "alignment/ground_line.h"
#include "terrain/terrain.h"

namespace qelt {

// The ground line under the centre line of `alignment` from its start to its end mileage: with
// a terrain `ground` (may be null), the terrain sampled under the line within
// kGroundLineTolerance, with a point at every round 100 m station, whose height the drawing
// prints; without one, the line's own ground line where its file gives one (a LandXML ProfSurf),
// as given and named in the legend; else none.
GroundLine centre_line_ground(const Alignment& alignment, const Terrain* ground);

}  // namespace qelt
