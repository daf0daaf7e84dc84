// Clothoid and circular-arc coordinates in the local frame of a transition curve.

#include "zxbas/series.h"

#include <cmath>
#include <limits>

namespace qelt {
namespace {

// Sum over n of (−1)^n l^k / (2c)^j / j! / k with j = 2n + odd, k = 2j + 1, the Taylor series
// of ∫cos τ dl (odd = 0) and ∫sin τ dl (odd = 1) with τ = l²/(2c). The terms are formed from
// whole powers and factorials, exactly as the interchange's difference series forms them, so a
// clothoid piece that starts at its origin comes out identical in both modules.
// The loop always ends: once j! leaves the double range every term is 0 or NaN, and NaN fails
// the size test; an overflow therefore shows as a non-finite sum, never as a hang.
double clothoid_series(double l, double c, int odd) {
    return sum_series([&](int n) {
        const int j = 2 * n + odd;
        const int k = 2 * j + 1;
        const double sign = n % 2 == 0 ? 1.0 : -1.0;
        return sign * std::pow(l, k) / std::pow(2 * c, j) / fact(static_cast<std::int16_t>(j)) / k;
    });
}

}  // namespace

double fact(std::int16_t n) {
    if (n < 0) return std::numeric_limits<double>::quiet_NaN();
    // Multiplied upwards from 1, the same sequence of roundings as (n − 1)! × n.
    double product = 1.0;
    for (int i = 1; i <= n; ++i) product *= i;
    return product;
}

double spiral_x(double l, double c) {
    return clothoid_series(l, c, 0);
}

double spiral_y(double l, double c) {
    return clothoid_series(l, c, 1);
}

double arc_x(double l, double r) {
    return r * std::sin(l / r);
}

double arc_y(double l, double r) {
    return r * (1 - std::cos(l / r));
}

}  // namespace qelt
