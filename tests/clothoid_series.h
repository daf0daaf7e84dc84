#pragma once
// The clothoid as the textbooks give it, for checking the traced curves against an independent
// formula: the Fresnel series of its point at arc length l from the zero-curvature point, with
// a2 = A² = R·L (m², the sign giving the side it bends to). The terms up to τ⁹ leave less than
// 1e-10 m for the tangent angles τ = l²/(2·A²) a road transition has (below 0.5 rad).

#include <cmath>

namespace qelt::test {

// Local abscissa x (along the tangent at the zero-curvature point) and ordinate y (across it,
// to the side of a2's sign), metres.
inline void clothoid_series(double l, double a2, double& x, double& y) {
    const double t = l * l / (2 * a2);
    const double t2 = t * t;
    x = l * (1 - t2 / 10 + t2 * t2 / 216 - t2 * t2 * t2 / 9360 + t2 * t2 * t2 * t2 / 685440);
    y = l * (t / 3 - t * t2 / 42 + t * t2 * t2 / 1320 - t * t2 * t2 * t2 / 75600 +
             t * t2 * t2 * t2 * t2 / 6894720);
}

// The shift p of the circular arc and the offset q of its centre along the tangent caused by a
// complete transition of length ls into radius r (both positive): p = y − R(1 − cos τ),
// q = x − R sin τ, τ = ls/(2R).
inline void clothoid_shift(double ls, double r, double& p, double& q) {
    double x = 0, y = 0;
    clothoid_series(ls, ls * r, x, y);
    const double tau = ls / (2 * r);
    p = y - r * (1 - std::cos(tau));
    q = x - r * std::sin(tau);
}

}  // namespace qelt::test
