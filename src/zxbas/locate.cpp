// Point and tangent of the main line at a continuous mileage: the inner loop of every borehole
// table, a search in the piece table the build made.

#include <limits>

#include "zxbas/zxbas.h"

namespace qelt {

void zx_locate(const MainLine& line, double mileage, double& x, double& y, double& azimuth) {
    // A single JD has no direction to run in, and a count outside the tables no line.
    if (line.jd_count < 2 || line.jd_count > kMaxJd) {
        x = y = azimuth = std::numeric_limits<double>::quiet_NaN();
        return;
    }
    Point point;
    line.zx_line.locate(mileage, point, azimuth);
    x = point.x;
    y = point.y;
}

}  // namespace qelt
