#pragma once
// Power series of the clothoid (transition curve, 缓和曲线) and the circular arc in a local
// frame: origin at the clothoid's zero-curvature point (for an arc, its first point), x along
// the tangent there, y across it, metres. The curve bends to the side given by the sign of the
// constant: y takes that sign, x does not depend on it.
//
// Every series adds terms until the first term whose magnitude is below 1e-20 has been added
// (the stop test runs before each new term). On a road this takes seven to nine terms.

#include <cmath>
#include <cstdint>

namespace qelt {

// Adds the terms n = 0, 1, 2 … of a power series, term_of(n), until the first term whose
// magnitude is below 1e-20 has been added. The threshold lies far below any surveyed precision,
// so the sum runs until the terms vanish in double precision. A term that overflows to NaN
// fails the test too, so the loop always ends (the sum is then not finite).
template <class TermOf>
double sum_series(TermOf term_of) {
    double sum = 0;
    double term = 100;  // only makes the first pass run
    for (int n = 0; std::abs(term) >= 1e-20; ++n) {
        term = term_of(n);
        sum += term;
    }
    return sum;
}

// n! as a double; 0! = 1. n >= 0 (a negative n gives NaN); beyond 170! the result is inf.
double fact(std::int16_t n);

// Local abscissa of the clothoid point at arc length l (metres, l >= 0) from its
// zero-curvature point; c = A² (signed), the tangent having turned by l²/(2c) there.
double spiral_x(double l, double c);
// Local ordinate of the same point; takes the sign of c.
double spiral_y(double l, double c);

// Circular arc of signed radius r (metres), at arc length l from its first point:
// r·sin(l/r) along the tangent and r·(1 − cos(l/r)) across it.
double arc_x(double l, double r);
double arc_y(double l, double r);

}  // namespace qelt
