#pragma once
// The classical transition-curve functions road engineers know by name, as thin views of the
// piece evaluation in geometry.h: the clothoid from its zero-curvature point (spiral_x,
// spiral_y), the piece of a clothoid between two arc lengths (spiral_dx, spiral_dy), the
// circular arc (arc_x, arc_y) and the factorial. Each is exact to 1e-9 m for any argument a road
// can have; none overflows, however far from its zero-curvature point a piece lies.
//
// Local frame: origin at the clothoid's zero-curvature point (for an arc, its first point), x
// along the tangent there, y across it, metres. The curve bends to the side of its constant's
// sign: y takes that sign, x does not depend on it.

#include <cstdint>

namespace qelt {

// n! as a double; 0! = 1. A negative n gives NaN; beyond 170! the result is inf.
double fact(std::int16_t n);

// Local abscissa and ordinate of the clothoid point at arc length l (metres) from its
// zero-curvature point; c = A² (m², signed), the curvature being l/c at l. Odd in l. A constant
// of 0 (no clothoid) or a clothoid turning beyond reason gives a value that is not finite.
double spiral_x(double l, double c);
double spiral_y(double l, double c);

// x(l2) − x(l1) and y(l2) − y(l1) of the clothoid with constant c: the shape of a transition
// between two radii, the piece of one clothoid between arc lengths l1 and l2 (either sign),
// evaluated from l1 itself rather than from the far-away zero-curvature point.
double spiral_dx(double l1, double l2, double c);
double spiral_dy(double l1, double l2, double c);

// Circular arc of signed radius r (metres), at arc length l from its first point:
// r·sin(l/r) along the tangent and r·(1 − cos(l/r)) across it.
double arc_x(double l, double r);
double arc_y(double l, double r);

}  // namespace qelt
