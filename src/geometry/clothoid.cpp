// The named transition-curve functions over the piece evaluation: a clothoid from arc length l1
// to l2 is the piece whose curvature runs from l1/c to l2/c, turned by the angle its tangent
// has at l1, l1²/(2c).

#include "geometry/clothoid.h"

#include <cmath>
#include <limits>

#include "geometry/geometry.h"

namespace qelt {
namespace {

// The clothoid between l1 and l2 (l1 <= l2) in the frame of its zero-curvature tangent.
void clothoid_piece(double l1, double l2, double c, double& dx, double& dy) {
    double along = 0, right = 0, turned = 0;
    piece_local(l1 / c, l2 / c, l2 - l1, l2 - l1, along, right, turned);
    const double start = l1 * l1 / (2 * c);
    dx = along * std::cos(start) - right * std::sin(start);
    dy = along * std::sin(start) + right * std::cos(start);
}

void clothoid_difference(double l1, double l2, double c, double& dx, double& dy) {
    if (l2 >= l1) {
        clothoid_piece(l1, l2, c, dx, dy);
    } else {
        clothoid_piece(l2, l1, c, dx, dy);
        dx = -dx;
        dy = -dy;
    }
    // Without a constant there is no clothoid.
    if (c == 0 || !std::isfinite(c)) dx = dy = std::numeric_limits<double>::quiet_NaN();
}

}  // namespace

double fact(std::int16_t n) {
    if (n < 0) return std::numeric_limits<double>::quiet_NaN();
    double product = 1.0;
    for (int i = 1; i <= n; ++i) product *= i;
    return product;
}

double spiral_x(double l, double c) {
    return spiral_dx(0, l, c);
}

double spiral_y(double l, double c) {
    return spiral_dy(0, l, c);
}

double spiral_dx(double l1, double l2, double c) {
    double dx = 0, dy = 0;
    clothoid_difference(l1, l2, c, dx, dy);
    return dx;
}

double spiral_dy(double l1, double l2, double c) {
    double dx = 0, dy = 0;
    clothoid_difference(l1, l2, c, dx, dy);
    return dy;
}

double arc_x(double l, double r) {
    return r * std::sin(l / r);
}

double arc_y(double l, double r) {
    return r * (1 - std::cos(l / r));
}

}  // namespace qelt
