// One piece of a centre line in its own frame: the integral of the unit tangent e^{iθ(u)},
// θ(u) = k0·u + c·u², evaluated from the piece's start, never from the clothoid's origin.
//
// Method. The complex tangent w(u) = e^{iθ(u)} solves w' = i·(k0 + 2c·u)·w, so its Taylor
// coefficients about any point obey (n+1)·w_{n+1} = i·(κ·w_n + 2c·w_{n−1}), κ the curvature
// there, w_0 = 1. About the middle of a step of length 2g the scaled coefficients
// a_n = w_n·g^n follow
//     a_{n+1} = i·(α·a_n + β·a_{n−1}) / (n+1),   α = κ·g,   β = 2c·g²,
// the tangents at the step's ends are Σ a_n·(±1)^n = E ± O (E, O the sums of the even and odd
// terms), and the chord is g·Σ a_n·∫t^n dt over [−1, 1] = g·Σ_{n even} 2·a_n/(n+1), in the
// frame of the middle tangent. Turned back by the start tangent E − O, it is the chord in the
// step's own frame, and (E + O)/(E − O) the turn over the step. No power of a length, no
// factorial, no trigonometric function.
//
// A step is at most 1/max|curvature| long, so |α| <= 1/2 and |β| <= 1/2: the terms never
// grow, nothing cancels, and they fall below the last bit of a unit after 12 to 18 terms for a
// road transition (α, β ~ 0.05), 28 at worst. Expanding about the middle rather than the start
// halves α, quarters β and leaves the chord only the even terms: about a third fewer terms.
// A piece turning more than 1 rad is cut into m equal steps, each chord turned by the running
// tangent, which the series itself gives; the rounding so accumulated is a few m·1e-16
// relative. Against a long-double integration the error stays below 5e-13 m over 1000 m.

#include <cmath>
#include <limits>
#include <numbers>

#include "geometry/geometry.h"

namespace qelt {
namespace {

// Largest |curvature|·step, radians.
constexpr double kStepTurn = 1.0;
// A piece evaluated over more turning than this (16 000 full turns) is no road; the result is
// NaN rather than an hour of arithmetic.
constexpr double kMaxTurn = 1e5;
// The sums are of order 1; terms below the last bit of 1 add nothing.
constexpr double kNegligible = 0x1p-53;
// Enough terms for |α|, |β| <= 1/2 to reach kNegligible, with room to spare.
constexpr int kMaxTerms = 40;

struct Tables {
    double inverse[kMaxTerms + 2];  // 1/n (n >= 1)
    double mean[kMaxTerms + 2];     // 2/(n+1): ∫t^n dt over [−1, 1] for an even n
    constexpr Tables() : inverse(), mean() {
        for (int n = 1; n < kMaxTerms + 2; ++n) inverse[n] = 1.0 / n;
        for (int n = 0; n < kMaxTerms + 2; ++n) mean[n] = 2.0 / (n + 1);
    }
};
constexpr Tables kTables;

}  // namespace

void piece_shape(double k0, double c, double s, double& along, double& right) {
    const double k_end = k0 + 2 * c * s;
    const double turn = std::fmax(std::abs(k0), std::abs(k_end)) * std::abs(s);
    // Also false for NaN: non-finite data give non-finite results, never a long loop.
    if (!(turn <= kMaxTurn)) {
        along = right = std::numeric_limits<double>::quiet_NaN();
        return;
    }
    const int m = turn <= kStepTurn ? 1 : static_cast<int>(std::ceil(turn / kStepTurn));
    const double g = s / m / 2;  // half a step
    const double beta = 2 * c * g * g;
    double x = 0, y = 0;    // position so far, piece frame
    double tx = 1, ty = 0;  // unit tangent at the start of the step, piece frame
    for (int j = 0; j < m; ++j) {
        const double alpha = (k0 + 2 * c * ((2 * j + 1) * g)) * g;
        // (pe, qe) = a_n for the even n, (po, qo) = a_{n+1}; a_0 = 1, a_1 = i·α.
        double pe = 1, qe = 0, po = 0, qo = alpha;
        double ex = 1, ey = 0, ox = 0, oy = alpha;  // E and O
        double cx = 2, cy = 0;                      // Σ_{n even} 2·a_n/(n+1)
        for (int n = 2; n < kMaxTerms; n += 2) {
            // α/n and β/n first keep the division off the chain from one term to the next.
            double a = alpha * kTables.inverse[n], b = beta * kTables.inverse[n];
            const double pn = -(a * qo + b * qe), qn = a * po + b * pe;
            a = alpha * kTables.inverse[n + 1], b = beta * kTables.inverse[n + 1];
            const double pn1 = -(a * qn + b * qo), qn1 = a * pn + b * po;
            pe = pn, qe = qn, po = pn1, qo = qn1;
            ex += pe, ey += qe, ox += po, oy += qo;
            cx += pe * kTables.mean[n], cy += qe * kTables.mean[n];
            if (std::abs(pe) + std::abs(qe) + std::abs(po) + std::abs(qo) < kNegligible) break;
        }
        // Start tangent E − O (a unit vector): turn the chord and the end tangent E + O by it.
        const double sx = ex - ox, sy = ey - oy;
        const double dx = g * (cx * sx + cy * sy), dy = g * (cy * sx - cx * sy);
        x += tx * dx - ty * dy;
        y += tx * dy + ty * dx;
        const double fx = ex + ox, fy = ey + oy;
        const double turn_x = fx * sx + fy * sy, turn_y = fy * sx - fx * sy;
        const double t = tx * turn_x - ty * turn_y;
        ty = tx * turn_y + ty * turn_x;
        tx = t;
    }
    along = x;
    right = y;
}

Point place(Point origin, double azimuth, double along, double right) {
    return place_unit(origin, std::cos(azimuth), std::sin(azimuth), along, right);
}

double reduced_angle(double angle, double full_turn) {
    if (angle >= 0 && angle < full_turn) return angle;  // the usual case, no division
    double a = std::fmod(angle, full_turn);             // exact, with the sign of the angle
    if (a < 0) a += full_turn;
    return a >= full_turn ? 0 : a;
}

double reduced_azimuth(double azimuth) {
    return reduced_angle(azimuth, 2 * std::numbers::pi);
}

double reduced_turn(double turn) {
    constexpr double pi = std::numbers::pi;
    if (turn >= -pi && turn <= pi) return turn;
    // Exact: the remainder of a division by the double nearest 2π, which for a difference of
    // two reduced azimuths is that difference plus or minus one such turn.
    return std::remainder(turn, 2 * pi);
}

void piece_local(double k0, double k1, double length, double s, double& along, double& right,
                 double& deflection) {
    const double c = length == 0 ? 0 : (k1 - k0) / (2 * length);
    piece_shape(k0, c, s, along, right);
    deflection = s * (k0 + c * s);
}

void piece_point(const Piece& piece, double s, Point& point, double& azimuth) {
    double along = 0, right = 0, deflection = 0;
    piece_local(piece.k0, piece.k1, piece.length, s, along, right, deflection);
    point = place(piece.start, piece.start_azimuth, along, right);
    azimuth = piece.start_azimuth + deflection;
}

}  // namespace qelt
