#pragma once
// The test's own reference for longitude and latitude: Krüger's series for the transverse
// Mercator to sixth order in the third flattening n (Karney, "Transverse Mercator with an
// accuracy of a few nanometers", J. Geodesy 85, 2011, eqs. 7–11, 19–21, 35–36), written
// without PROJ. Truncated at n⁶ it is good to a few nanometres within 4 000 km of the central
// meridian.

#include <cmath>
#include <numbers>

#include "report/field/grid_projection.h"

namespace qelt::testing {

inline constexpr double kDegree = std::numbers::pi / 180;

struct Ellipsoid {
    double a, f;
};
inline constexpr Ellipsoid kGrs80{6378137, 1 / 298.257222101};  // CGCS2000's
inline constexpr Ellipsoid kWgs84{6378137, 1 / 298.257223563};
inline constexpr Ellipsoid kAiry{6377563.396, 1 / 299.3249646};

// A transverse Mercator: its ellipsoid, origin, scale on the central meridian, false origin.
struct Tm {
    Ellipsoid ellipsoid;
    double lon0 = 0, lat0 = 0, k0 = 1, false_easting = 0, false_northing = 0;
};

// Grid metres (X north, Y east) from degrees and back.
class KruegerSeries {
  public:
    explicit KruegerSeries(const Tm& tm) : tm_(tm) {
        const double f = tm.ellipsoid.f, n = f / (2 - f);
        e_ = std::sqrt(f * (2 - f));
        const double n2 = n * n, n3 = n2 * n, n4 = n3 * n, n5 = n4 * n, n6 = n5 * n;
        a_ = tm.ellipsoid.a / (1 + n) * (1 + n2 / 4 + n4 / 64 + n6 / 256);
        alpha_[1] =
            n / 2 - 2 * n2 / 3 + 5 * n3 / 16 + 41 * n4 / 180 - 127 * n5 / 288 + 7891 * n6 / 37800;
        alpha_[2] =
            13 * n2 / 48 - 3 * n3 / 5 + 557 * n4 / 1440 + 281 * n5 / 630 - 1983433 * n6 / 1935360;
        alpha_[3] = 61 * n3 / 240 - 103 * n4 / 140 + 15061 * n5 / 26880 + 167603 * n6 / 181440;
        alpha_[4] = 49561 * n4 / 161280 - 179 * n5 / 168 + 6601661 * n6 / 7257600;
        alpha_[5] = 34729 * n5 / 80640 - 3418889 * n6 / 1995840;
        alpha_[6] = 212378941 * n6 / 319334400;
        beta_[1] =
            n / 2 - 2 * n2 / 3 + 37 * n3 / 96 - n4 / 360 - 81 * n5 / 512 + 96199 * n6 / 604800;
        beta_[2] = n2 / 48 + n3 / 15 - 437 * n4 / 1440 + 46 * n5 / 105 - 1118711 * n6 / 3870720;
        beta_[3] = 17 * n3 / 480 - 37 * n4 / 840 - 209 * n5 / 4480 + 5569 * n6 / 90720;
        beta_[4] = 4397 * n4 / 161280 - 11 * n5 / 504 - 830251 * n6 / 7257600;
        beta_[5] = 4583 * n5 / 161280 - 108847 * n6 / 3991680;
        beta_[6] = 20648693 * n6 / 638668800;
        northing_at_origin_ = raw_forward(tm.lat0, tm.lon0).x;  // 0 on the equator
    }

    // Degrees to grid metres, X north and Y east.
    Point forward(double lat, double lon) const {
        const Point p = raw_forward(lat, lon);
        return {p.x - northing_at_origin_ + tm_.false_northing, p.y + tm_.false_easting};
    }

    GeoPoint inverse(Point grid) const {
        const double xi = (grid.x - tm_.false_northing + northing_at_origin_) / (tm_.k0 * a_);
        const double eta = (grid.y - tm_.false_easting) / (tm_.k0 * a_);
        double xi1 = xi, eta1 = eta;
        for (int j = 1; j <= 6; ++j) {
            xi1 -= beta_[j] * std::sin(2 * j * xi) * std::cosh(2 * j * eta);
            eta1 -= beta_[j] * std::cos(2 * j * xi) * std::sinh(2 * j * eta);
        }
        const double tau1 = std::sin(xi1) / std::hypot(std::sinh(eta1), std::cos(xi1));
        const double lambda = std::atan2(std::sinh(eta1), std::cos(xi1));
        // The geodetic from the conformal latitude by Newton's method (Karney's eq. 19–21).
        const double e2 = e_ * e_;
        double tau = tau1;
        for (int i = 0; i < 10; ++i) {
            const double t = conformal(tau);
            const double d = (tau1 - t) / std::sqrt(1 + t * t) * (1 + (1 - e2) * tau * tau) /
                             ((1 - e2) * std::sqrt(1 + tau * tau));
            tau += d;
            if (std::fabs(d) < 1e-15) break;
        }
        return {tm_.lon0 + lambda / kDegree, std::atan(tau) / kDegree};
    }

  private:
    // tan of the conformal latitude from tan of the geodetic one.
    double conformal(double tau) const {
        const double sigma = std::sinh(e_ * std::atanh(e_ * tau / std::sqrt(1 + tau * tau)));
        return tau * std::sqrt(1 + sigma * sigma) - sigma * std::sqrt(1 + tau * tau);
    }
    Point raw_forward(double lat, double lon) const {
        const double lambda = (lon - tm_.lon0) * kDegree;
        const double tau1 = conformal(std::tan(lat * kDegree));
        const double xi1 = std::atan2(tau1, std::cos(lambda));
        const double eta1 = std::asinh(std::sin(lambda) / std::hypot(tau1, std::cos(lambda)));
        double xi = xi1, eta = eta1;
        for (int j = 1; j <= 6; ++j) {
            xi += alpha_[j] * std::sin(2 * j * xi1) * std::cosh(2 * j * eta1);
            eta += alpha_[j] * std::cos(2 * j * xi1) * std::sinh(2 * j * eta1);
        }
        return {tm_.k0 * a_ * xi, tm_.k0 * a_ * eta};
    }

    Tm tm_;
    double e_ = 0, a_ = 0, northing_at_origin_ = 0;
    double alpha_[7] = {}, beta_[7] = {};
};

// Ground distance between two nearby points, metres (a sphere of the Earth's size is plenty
// for differences of millimetres).
inline double ground_distance(GeoPoint a, GeoPoint b) {
    const double r = 6371000;
    return r * std::hypot((a.latitude - b.latitude) * kDegree,
                          (a.longitude - b.longitude) * kDegree * std::cos(a.latitude * kDegree));
}

}  // namespace qelt::testing
