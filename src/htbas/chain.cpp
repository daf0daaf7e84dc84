// The element chain: the plane position of every element start, and the point and tangent at
// any station. Both read an element through the same per-kind formulas below, the build with
// the element's whole length, the locate with the distance s into it.

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "htbas/htbas.h"
#include "base/data_error.h"
#include "zxbas/series.h"

namespace qelt {
namespace {

enum class Kind { straight, arc, entry_transition, exit_transition, radius_to_radius };

// Decided from the two radii alone; no kind code is stored. 9999 is a marker for "no
// curvature" in the element file, so it is compared exactly: −9999 and 9999.5 are radii.
// Radii of opposite signs (removed by the split) and radius 0 (rejected by the build) also fall
// to radius_to_radius.
Kind kind_of(double r1, double r2) {
    const bool straight1 = r1 == kStraightRadius;
    const bool straight2 = r2 == kStraightRadius;
    if (straight1 && straight2) return Kind::straight;
    if (r1 == r2) return Kind::arc;
    if (straight1) return Kind::entry_transition;
    if (straight2) return Kind::exit_transition;
    return Kind::radius_to_radius;
}

struct Offset {
    double x;  // north, metres
    double y;  // east, metres
};

// A local (x along the tangent, y to its right) vector in the plane, tangent at azimuth az.
Offset to_plane(double x, double y, double az) {
    return {x * std::cos(az) - y * std::sin(az), x * std::sin(az) + y * std::cos(az)};
}

Offset straight_offset(double s, double az) {
    return {s * std::cos(az), s * std::sin(az)};
}

// Chord of an arc of signed radius r, length s, starting at tangent azimuth az. Written as a
// difference of sines/cosines of absolute azimuths so no local frame needs turning.
Offset arc_offset(double s, double r, double az) {
    return {r * (std::sin(az + s / r) - std::sin(az)), -r * (std::cos(az + s / r) - std::cos(az))};
}

// Entry transition: a clothoid from zero curvature at the element start, constant c = L·R.
Offset entry_offset(double s, double c, double az) {
    return to_plane(spiral_x(s, c), spiral_y(s, c), az);
}

// Exit transition: an entry transition run backwards from the element end (tangent az_end),
// where its curvature is zero. Returns the vector from the point m before the end to the end.
Offset exit_back(double m, double c, double az_end) {
    return to_plane(spiral_x(m, c), -spiral_y(m, c), az_end);
}

// The clothoid a radius-to-radius transition is cut from: curvature l/c at arc length l from
// its zero-curvature point, so 1/R1 at l1 = c/R1 and 1/R2 at l2 = c/R2, and l2 − l1 = L.
struct Piece {
    double c, l1, l2;
};

Piece piece_of(double r1, double r2, double len) {
    const double c = len * r1 * r2 / (r1 - r2);
    return {c, c / r1, c / r2};
}

// Radius-to-radius transition from its start (tangent az) to arc length l on its clothoid.
// The series run in the clothoid's own frame, whose tangent at the zero-curvature point lies
// l1²/(2c) behind the element's start tangent.
Offset piece_offset(const Piece& k, double l, double az) {
    const double az0 = az - (k.l1 * k.l1 / 2) / k.c;
    return to_plane(spiral_dx(k.l1, l, k.c), spiral_dy(k.l1, l, k.c), az0);
}

std::string number_text(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", v);
    return text;
}

// "第 3 个线元 (500, 0, 100) ": index in the working chain, i.e. after the inflection split, so
// the radii and length are given as well to find the element in the file.
std::string element_text(const ElementChain& chain, int i) {
    return "第 " + std::to_string(i) + " 个线元 (" + number_text(chain.ht_r1[i]) + ", " +
           number_text(chain.ht_r2[i]) + ", " + number_text(chain.ht_len[i]) + ") ";
}

// Data the arithmetic below cannot stand: a division by zero, a station that would run
// backwards, a curvature that changes sign inside one element.
void check_element(const ElementChain& chain, int i) {
    const double r1 = chain.ht_r1[i];
    const double r2 = chain.ht_r2[i];
    const double len = chain.ht_len[i];
    const auto fail = [&](const char* what) {
        throw DataError(element_text(chain, i) + what, {}, 0);
    };
    if (!std::isfinite(r1) || !std::isfinite(r2) || !std::isfinite(len)) fail("数据不是有限数");
    // Stations would decrease along the chain and leave stations that no element contains.
    if (len < 0) fail("长度为负");
    const Kind kind = kind_of(r1, r2);
    if (kind == Kind::straight) return;
    if (r1 == 0 || r2 == 0) fail("半径为 0");
    // A transition of length 0 has clothoid constant 0, and the series divide by it.
    if (kind != Kind::arc && len == 0) fail("为长度 0 的缓和曲线");
    // Only the split's exit/entry pair can pass through zero curvature; left here, the locate's
    // azimuth would divide by zero at the reverse point.
    if (kind == Kind::radius_to_radius && (r1 < 0) != (r2 < 0)) fail("半径异号，未经拆分");
}

// A build writes only finite values; a division by zero or an overflow shows up here.
void check_finite(double v, const std::string& what) {
    if (!std::isfinite(v)) throw DataError(what + "不是有限数", {}, 0);
}

// The azimuth reduction subtracts whole turns one at a time; beyond this many turns (no ramp
// comes near) the loop would run for ages, and on a huge value never end.
constexpr double kMaxTurns = 1e4;

}  // namespace

void ht_build_chain(ElementChain& chain) {
    const double pi = 4 * std::atan(1.0);
    const double two_pi = 2 * pi;
    const int n = chain.ht_count;
    if (n < 0 || n > kMaxChainElements) {
        throw DataError("线元个数 " + std::to_string(n) + " 超出 0..999", {}, 0);
    }
    check_finite(chain.ht_start_station, "起点桩号");
    check_finite(chain.ht_start_x, "起点 X");
    check_finite(chain.ht_start_y, "起点 Y");
    for (int i = 1; i <= n; ++i) check_element(chain, i);
    const auto end_text = [&](int i) { return element_text(chain, i) + "终点"; };

    chain.ht_start_azimuth = chain.ht_start_azimuth * pi / 180;
    check_finite(chain.ht_start_azimuth, "起点方位角");

    chain.ht_station[1] = chain.ht_start_station;
    for (int i = 1; i <= n; ++i) {
        chain.ht_station[i + 1] = chain.ht_station[i] + chain.ht_len[i];
        check_finite(chain.ht_station[i + 1], end_text(i) + "桩号");
    }

    for (int i = 1; i <= n; ++i) {
        const double r1 = chain.ht_r1[i];
        const double r2 = chain.ht_r2[i];
        const double len = chain.ht_len[i];
        double defl = 0;
        switch (kind_of(r1, r2)) {
            case Kind::straight:
                defl = 0;
                break;
            case Kind::arc:
                defl = len / r1;
                break;
            case Kind::entry_transition:
                defl = len / (2 * r2);
                break;
            case Kind::exit_transition:
                defl = len / (2 * r1);
                break;
            // The mean curvature times the length, in this order of operations.
            case Kind::radius_to_radius:
                defl = (r2 + r1) * len / 2 / r1 / r2;
                break;
        }
        chain.ht_defl[i] = defl;
        check_finite(defl, element_text(chain, i) + "转角");
    }

    // Summed unreduced, then each entry reduced on its own: reducing as we go would change
    // the rounding of every later azimuth.
    chain.ht_azimuth[1] = chain.ht_start_azimuth;
    for (int i = 1; i <= n; ++i) chain.ht_azimuth[i + 1] = chain.ht_azimuth[i] + chain.ht_defl[i];
    for (int i = 1; i <= n + 1; ++i) {
        double a = chain.ht_azimuth[i];
        if (!(std::abs(a) <= kMaxTurns * two_pi)) {
            throw DataError((i == 1 ? std::string("起点") : end_text(i - 1)) +
                                "方位角超过一万周（累计转角过大）",
                            {}, 0);
        }
        while (a >= two_pi) a -= two_pi;
        while (a < 0) a += two_pi;
        // A negative azimuth smaller than the rounding of 2π comes back as exactly 2π; it is
        // the direction 0.
        if (a >= two_pi) a = 0;
        chain.ht_azimuth[i] = a;
    }

    for (int i = 1; i <= n; ++i) {
        const double r1 = chain.ht_r1[i];
        const double r2 = chain.ht_r2[i];
        const double len = chain.ht_len[i];
        const double a = chain.ht_azimuth[i];
        Offset d{};
        switch (kind_of(r1, r2)) {
            case Kind::straight:
                d = straight_offset(len, a);
                break;
            case Kind::arc:
                d = arc_offset(len, r1, a);
                break;
            case Kind::entry_transition:
                d = entry_offset(len, len * r2, a);
                break;
            case Kind::exit_transition:
                d = exit_back(len, len * r1, chain.ht_azimuth[i + 1]);
                break;
            case Kind::radius_to_radius: {
                const Piece k = piece_of(r1, r2, len);
                d = piece_offset(k, k.l2, a);
                break;
            }
        }
        chain.ht_dx[i] = d.x;
        chain.ht_dy[i] = d.y;
        check_finite(d.x, element_text(chain, i) + "坐标增量");
        check_finite(d.y, element_text(chain, i) + "坐标增量");
    }

    chain.ht_x[1] = chain.ht_start_x;
    chain.ht_y[1] = chain.ht_start_y;
    for (int i = 1; i <= n; ++i) {
        chain.ht_x[i + 1] = chain.ht_x[i] + chain.ht_dx[i];
        chain.ht_y[i + 1] = chain.ht_y[i] + chain.ht_dy[i];
        check_finite(chain.ht_x[i + 1], end_text(i) + " X");
        check_finite(chain.ht_y[i + 1], end_text(i) + " Y");
    }
}

void ht_locate(const ElementChain& chain, double p, double& x, double& y, double& azimuth) {
    // Every call answers: a station that matches no element and no extension (only NaN can,
    // on a chain the build accepted) gets NaN rather than the caller's stale values.
    x = y = azimuth = std::numeric_limits<double>::quiet_NaN();
    const int n = chain.ht_count;
    if (n < 0 || n > kMaxChainElements) return;

    // The element that starts at p owns it, so a boundary station is evaluated at s = 0 of
    // the next element; zero-length elements own no station.
    int i = 1;
    while (i <= n && !(chain.ht_station[i] <= p && p < chain.ht_station[i + 1])) ++i;
    if (i <= n) {
        const double r1 = chain.ht_r1[i];
        const double r2 = chain.ht_r2[i];
        const double len = chain.ht_len[i];
        const double s = p - chain.ht_station[i];
        const double a = chain.ht_azimuth[i];
        double x0 = chain.ht_x[i];  // the point the offset d is taken from
        double y0 = chain.ht_y[i];
        Offset d{};
        switch (kind_of(r1, r2)) {
            case Kind::straight:
                d = straight_offset(s, a);
                azimuth = a;
                break;
            case Kind::arc:
                d = arc_offset(s, r1, a);
                azimuth = a + s / r2;
                break;
            case Kind::entry_transition: {
                const double c = len * r2;
                d = entry_offset(s, c, a);
                azimuth = a + s * s / (2 * c);
                break;
            }
            case Kind::exit_transition: {
                // Taken back from the end, where the clothoid's own frame has its origin.
                const double c = len * r1;
                const double m = len - s;
                const double a_end = chain.ht_azimuth[i + 1];
                const Offset back = exit_back(m, c, a_end);
                x0 = chain.ht_x[i + 1];
                y0 = chain.ht_y[i + 1];
                d = {-back.x, -back.y};
                azimuth = a_end - m * m / (2 * c);
                break;
            }
            case Kind::radius_to_radius: {
                const Piece k = piece_of(r1, r2, len);
                const double l = s + k.l1;
                d = piece_offset(k, l, a);
                // Turning so far = s times the mean of the curvatures 1/R1 and 1/r at the
                // point, r = c/l; h is the radius of that mean curvature.
                const double r = k.c / l;
                const double h = r * r1 / (r + r1);
                azimuth = a + s / (2 * h);
                break;
            }
        }
        x = x0 + d.x;
        y = y0 + d.y;
    }
    // Before the chain and at or beyond its end the line runs on along the end tangents; the
    // end test comes last so that on an empty chain the end point, the same point, stands.
    if (p <= chain.ht_station[1]) {
        const double d = p - chain.ht_station[1];
        x = chain.ht_x[1] + d * std::cos(chain.ht_azimuth[1]);
        y = chain.ht_y[1] + d * std::sin(chain.ht_azimuth[1]);
        azimuth = chain.ht_azimuth[1];
    }
    if (p >= chain.ht_station[n + 1]) {
        const double d = p - chain.ht_station[n + 1];
        x = chain.ht_x[n + 1] + d * std::cos(chain.ht_azimuth[n + 1]);
        y = chain.ht_y[n + 1] + d * std::sin(chain.ht_azimuth[n + 1]);
        azimuth = chain.ht_azimuth[n + 1];
    }
}

}  // namespace qelt
