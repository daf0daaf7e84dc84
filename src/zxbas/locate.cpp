// Point and tangent of the main line at a continuous mileage: the inner loop of every
// borehole table.

#include <cmath>
#include <limits>

#include "zxbas/zxbas.h"

namespace qelt {
namespace {

double sign_of(double v) {
    return v > 0 ? 1.0 : (v < 0 ? -1.0 : 0.0);
}

// Adds the local vector (x, y), given in the frame with x axis at azimuth t, to (px, py).
void place(double px, double py, double t, double x, double y, double& out_x, double& out_y) {
    out_x = px + x * std::cos(t) - y * std::sin(t);
    out_y = py + x * std::sin(t) + y * std::cos(t);
}

// Point on a clothoid of constant c walked from `at` (a point `lead` from the clothoid's
// origin, frame azimuth t there) to `length` from the origin.
void along_clothoid(double at_x, double at_y, double t, double lead, double length, double c,
                    double& x, double& y) {
    double ox = 0;
    double oy = 0;
    place(at_x, at_y, t, -spiral_x(std::abs(lead), c), -spiral_y(std::abs(lead), c), ox, oy);
    place(ox, oy, t, spiral_x(std::abs(length), c), spiral_y(std::abs(length), c), x, y);
}

}  // namespace

// A borehole's mileage is located on the curve whose ZH it has passed and the next one's it
// has not; the key-point cases below then narrow it down, each later case overriding the
// earlier ones, so that a point on a shared boundary takes the later element's formula.
// Non-finite results come only from a line that the build rejects (zero deflection, zero
// radius or clothoid constant) or one with fewer than two JDs, which has no direction; the
// caller checks the result.
void zx_locate(const MainLine& line, double mileage, double& x, double& y, double& azimuth) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double nd = line.jd_count;
    if (!(nd >= 2 && nd <= kMaxJd) || nd != std::floor(nd)) {
        x = y = azimuth = nan;
        return;
    }
    const int n = static_cast<int>(nd);
    const double p = mileage;
    const double pi = line.zx_pi;

    // Two JDs are a single straight: no curve tables were built, so measure from JD 1.
    if (n == 2) {
        const double u = p - line.jd_station[1];
        x = line.jd_x[1] + u * std::cos(line.zx_azimuth[1]);
        y = line.jd_y[1] + u * std::sin(line.zx_azimuth[1]);
        azimuth = line.zx_azimuth[1];
    } else {
        int k = n - 1;
        for (int i = 2; i <= n - 2; ++i) {
            if (line.zx_zh[i] <= p && p < line.zx_zh[i + 1]) {
                k = i;
                break;
            }
        }
        const double s = sign_of(line.zx_defl[k]);
        // A hairpin's curve data is stored negated, so its distances run negative as well.
        const bool hairpin = line.jd_hairpin[k] == 1.0;
        const double r = line.jd_r[k];

        if (line.zx_zh[k] <= p && p < line.zx_hy[k]) {
            double u = p - line.zx_zh[k];
            if (hairpin) u = -u;
            const double lead = line.zx_lead1[k];
            const double ls = line.jd_ls1[k];
            if (u == 0) {
                x = line.zx_zh_x[k];
                y = line.zx_zh_y[k];
            } else {
                along_clothoid(line.zx_zh_x[k], line.zx_zh_y[k], line.zx_origin_az1[k], lead,
                               u + lead, (ls + lead) * s * r, x, y);
            }
            // The tangent turns by l²/(2A²) from the clothoid's origin, which lies lead/(2R1)
            // before the incoming leg.
            const double a2 = s * (ls + lead) * 2 * r;
            azimuth = line.jd_r1[k] != 0 ? line.zx_azimuth[k - 1] - lead / (2 * line.jd_r1[k] * s) +
                                               (u + lead) * (u + lead) / a2
                                         : line.zx_azimuth[k - 1] + (u + lead) * (u + lead) / a2;
        }
        if (line.zx_hy[k] <= p && p <= line.zx_yh[k]) {
            double u = p - line.zx_hy[k];
            if (hairpin) u = -u;
            const double rho = s * std::abs(r);
            const double t = line.zx_hy_azimuth[k];
            place(line.zx_hy_x[k], line.zx_hy_y[k], t, arc_x(std::abs(u), rho),
                  arc_y(std::abs(u), rho), x, y);
            azimuth = t + u / (s * r);
        }
        if (line.zx_yh[k] < p && p < line.zx_hz[k]) {
            // Walked backwards from HZ, where the exit clothoid turns the other way.
            double u = line.zx_hz[k] - p;
            if (hairpin) u = -u;
            const double lead = line.zx_lead2[k];
            const double ls = line.jd_ls2[k];
            along_clothoid(line.zx_hz_x[k], line.zx_hz_y[k], pi + line.zx_origin_az2[k], lead,
                           u + lead, (lead + ls) * -1 * s * r, x, y);
            const double a2 = s * (lead + ls) * 2 * r;
            azimuth = line.jd_r2[k] != 0 ? line.zx_azimuth[k] + lead / (2 * line.jd_r2[k] * s) -
                                               (u + lead) * (u + lead) / a2
                                         : line.zx_azimuth[k] - (u + lead) * (u + lead) / a2;
        }
        if (k < n - 1 && line.zx_hz[k] <= p && p <= line.zx_zh[k + 1]) {
            const double u = p - line.zx_hz[k];
            x = line.zx_hz_x[k] + u * std::cos(line.zx_azimuth[k]);
            y = line.zx_hz_y[k] + u * std::sin(line.zx_azimuth[k]);
            azimuth = line.zx_azimuth[k];
        }
        // Before the first curve and beyond the last one the line continues along its end
        // legs, so boreholes just outside the line are still placed.
        if (p <= line.zx_zh[2]) {
            const double u = p - line.jd_station[1];
            x = line.jd_x[1] + u * std::cos(line.zx_azimuth[1]);
            y = line.jd_y[1] + u * std::sin(line.zx_azimuth[1]);
            azimuth = line.zx_azimuth[1];
        }
        if (p >= line.zx_hz[n - 1]) {
            const double u = p - line.zx_hz[n - 1];
            x = line.zx_hz_x[n - 1] + u * std::cos(line.zx_azimuth[n - 1]);
            y = line.zx_hz_y[n - 1] + u * std::sin(line.zx_azimuth[n - 1]);
            azimuth = line.zx_azimuth[n - 1];
        }
    }

    if (azimuth >= 2 * pi) azimuth -= 2 * pi;
    if (azimuth < 0) azimuth += 2 * pi;
}

}  // namespace qelt
