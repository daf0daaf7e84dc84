// Difference series of the clothoid: the shape of a radius-to-radius transition, which is the
// piece of one clothoid between two arc lengths l1 and l2 from its zero-curvature point.

#include <cmath>
#include <cstdint>

#include "htbas/htbas.h"
#include "zxbas/series.h"

namespace qelt {
namespace {

// Sum over n of (−1)^n (l2^k − l1^k) / (2c)^j / j! / k with j = 2n + odd, k = 2j + 1:
// odd = 0 gives the abscissa (∫cos τ), odd = 1 the ordinate (∫sin τ), τ = l²/(2c).
// Forming l2^k − l1^k inside each term lets one stop test govern both ends; two separate
// series could stop after different numbers of terms and leave a difference of truncations.
// The stop rule is the clothoid series' own, so a piece starting at l1 = 0 reproduces
// spiral_x / spiral_y exactly.
double difference_series(double l1, double l2, double c, int odd) {
    return sum_series([&](int n) {
        const int j = 2 * n + odd;
        const int k = 2 * j + 1;
        const double sign = n % 2 == 0 ? 1.0 : -1.0;
        return sign * (std::pow(l2, k) - std::pow(l1, k)) / std::pow(2 * c, j) /
               fact(static_cast<std::int16_t>(j)) / k;
    });
}

}  // namespace

double spiral_dx(double l1, double l2, double c) {
    return difference_series(l1, l2, c, 0);
}

double spiral_dy(double l1, double l2, double c) {
    return difference_series(l1, l2, c, 1);
}

}  // namespace qelt
