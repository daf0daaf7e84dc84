#pragma once
// Main-line geometry: the curve solver at one JD, the build of the whole line from its
// intersection points, and the point and tangent at a continuous mileage.
// Units and frame as in main_line.h: metres, radians, X north, Y east, azimuth clockwise from +X.

#include <string>

#include "alignment/alignment.h"
#include "geometry/geometry.h"
#include "zxbas/main_line.h"

namespace qelt {

// Azimuth from P to Q in [0, 2π). Coincident points give 3π/2.
double zx_point_azimuth(Point p, Point q);

// Solution of the curve at one JD (see zx_curve_solve).
struct CurveSolution {
    double t1 = 0;  // JD back to ZH along the incoming leg (negative: ZH ahead)
    double t2 = 0;  // JD on to HZ along the outgoing leg (negative: HZ behind)
};

// The curve at a JD as the line runs it, from ZH on: the entry transition (curvature k_start ->
// k_arc over `entry` metres), the arc (k_arc over `arc`), the exit transition (k_arc -> k_end
// over `exit`). Curvatures in 1/m, signed with the deflection (+ to the right); lengths positive
// whatever the signs of the data (hairpin data arrive negated). R1/R2 = 0 means the transition
// starts/ends on a straight. Throws DataError when the transitions alone turn further than the
// deflection (no room for the arc) or a curvature is not finite.
struct CurveShape {
    double k_start = 0, k_arc = 0, k_end = 0;
    double entry = 0, arc = 0, exit = 0;
};
CurveShape zx_curve_shape(double r, double r1, double r2, double ls1, double ls2, double defl);

// Solves the curve at one JD: symmetrical and unsymmetrical transitions, no transitions,
// incomplete transitions starting/ending at R1/R2 (0 = from/to a straight; a flatter or a
// sharper curve than the arc), and hairpins (any of r, r1, r2, ls1, ls2 negative). Lengths in
// metres, angles in radians; az_in/az_out are leg azimuths in the direction of travel, in
// [0, 2π). The tangents come from tracing the curve piece by piece (geometry.h), so a
// transition between close radii (R1 = 1010, R = 1000) computes like any other.
// Throws DataError where the geometry has no solution (R = 0, R1 = R, collinear legs,
// transitions turning further than the JD …).
CurveSolution zx_curve_solve(double r, double r1, double r2, double ls1, double ls2, double defl,
                             double az_in, double az_out);

// JD `jd` (1..N) as the engineer knows it, in messages and in the drawing alike: the name
// written in the alignment file ("JD7", "QD"); "JD<jd>", its place in the line, only for
// tables filled without a file.
std::string zx_jd_name(const MainLine& line, int jd);

// Builds every zx_* table, jd_station and the located line zx_line from the jd_* input for
// JDs 1..N; the input is never changed (a hairpin's negated curve data live only inside the
// build), so building twice gives the same line. Throws DataError (line = JD index + 1, the JD's
// line in the alignment file; 0 when no JD is at fault) where the line cannot be built: N not
// a whole number in 1..1000, non-finite input, two consecutive JDs at one point, a curve
// without solution, any written value that would not be finite, or curves that do not fit
// their legs (T2 of one JD plus T1 of the next beyond the leg between them, the first T1 beyond
// the first leg, the last T2 beyond the last; 1 mm allowed; hairpin legs and tangents signed).
// Messages name JDs by jd_name, "JD<index>" only where that is empty. A refused line is left
// exactly as it was passed in.
void zx_build(MainLine& line);

// Point and tangent of the main line at a continuous mileage.
//   mileage  metres along the line, chain breaks already taken out
//   x, y     metres; X to the north, Y to the east
//   azimuth  radians, clockwise from +X, in the direction of increasing mileage, in [0, 2π)
// Mileages before the start or beyond the end continue along the first or last leg; a line of
// two JDs is the straight from JD 1, measured from its station. Never throws. Requires zx_build
// to have run on `line`; results are finite for every line the build accepts, except a line of
// a single JD, which has no direction and gives NaN (as does a count outside 1..1000). The
// caller checks the result before using it.
void zx_locate(const MainLine& line, double mileage, double& x, double& y, double& azimuth);

// The built main line as the alignment model: its located line (zx_line), the JD polygon with
// the JDs' names, and the key points of every curve (ZH, HY, QZ, YH, HZ; ZY and YZ where a curve
// has no transition on that side) between the start (起点) and the end (终点). Its chain breaks
// come from the chain-break file (ChainBreakSource::file), which the run reads. Requires zx_build
// to have run on `line`.
Alignment zx_alignment(const MainLine& line);

}  // namespace qelt
