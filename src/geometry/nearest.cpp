// The foot of the perpendicular from a point to the centre line (反算): after drilling, the
// surveyed X, Y of a hole go back to station and offset.
//
// Method. Along a span the point's distance to the line, f(s) = |P − C(s)|², has
// f'(s) = −2·g(s) with g(s) = (P − C(s))·T(s), the point's component along the tangent, and
// g'(s) = −1 + κ(s)·ν(s), ν the component along the right-hand normal. A nearest foot is where
// g falls through zero. Each span is sampled so that its tangent turns at most kSampleTurn
// between samples, and every fall of g between two samples is solved by Newton's method kept
// inside the bracket (bisection where a step would leave it, or where g' is not negative, as
// near the centre of curvature). Near the centre of curvature of a transition g can fall
// through zero and rise again between two samples; there g' changes sign, and the step is
// split at g's turning point before the falls are looked for.
//
// Only spans that can hold a nearer foot are searched: each span lies inside the disc about
// its middle point with half its length as radius, so a span whose disc is farther away than
// the best foot so far, or than the nearest middle point (a point of the line, so no nearer
// than the nearest foot), is passed over. The search starts with the span whose disc is
// nearest. The extended start and end tangents are candidates too: a hole just beyond the end
// of a section has its foot there.

#include <algorithm>
#include <cmath>
#include <limits>

#include "geometry/geometry.h"

namespace qelt {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Largest turn of the tangent between two samples of a span, radians.
constexpr double kSampleTurn = 0.25;
// A piece turning this much (some 2,600 full turns) is no road; it is sampled no finer.
constexpr int kMaxSamples = 1 << 16;
// Newton's steps end once a step is this short, metres along the line: the foot is then off
// the perpendicular by far less than a micrometre.
constexpr double kStepDone = 1e-12;
constexpr int kMaxIterations = 200;
// The discs' radii allow for the rounding of their middle points.
constexpr double kBoundSlack = 1e-6;

// The point's view of the line at one arc length of a span.
struct Probe {
    double g = 0;   // (P − C)·T, metres
    double dg = 0;  // dg/ds, −1 + κ·ν
    double d2 = 0;  // |P − C|², m²
};

}  // namespace

struct LocatedLine::Foot {
    double mileage = kNaN;
    double d2 = std::numeric_limits<double>::infinity();

    void offer(double at, double distance2) {
        if (distance2 < d2) {
            mileage = at;
            d2 = distance2;
        }
    }
};

double LocatedLine::span_length(std::size_t i) const {
    return (i + 1 < span_starts_.size() ? span_starts_[i + 1] : end_mileage_) - span_starts_[i];
}

void LocatedLine::nearest_on_span(std::size_t i, Point p, Foot& best) const {
    const double length = span_length(i);
    if (!(length > 0)) return;
    const auto probe_on = [p](const Span& span, double s) {
        double along = 0, right = 0;
        piece_shape(span.k0, span.c, s, along, right);
        const Point c = place_unit(span.start, span.cos_a, span.sin_a, along, right);
        const double turned = s * (span.k0 + span.c * s);
        const double cos_t = std::cos(turned), sin_t = std::sin(turned);
        const double tx = span.cos_a * cos_t - span.sin_a * sin_t;
        const double ty = span.sin_a * cos_t + span.cos_a * sin_t;
        const double dx = p.x - c.x, dy = p.y - c.y;
        const double curvature = span.k0 + 2 * span.c * s;
        return Probe{dx * tx + dy * ty, -1 + curvature * (dy * tx - dx * ty), dx * dx + dy * dy};
    };
    const Span& span = spans_[i];
    const auto probe = [&](double s) { return probe_on(span, s); };
    const double start = span_starts_[i];
    const double turn =
        std::fmax(std::abs(span.k0), std::abs(span.k0 + 2 * span.c * length)) * length;
    const int samples = turn < kSampleTurn * kMaxSamples
                            ? std::max(1, static_cast<int>(std::ceil(turn / kSampleTurn)))
                            : kMaxSamples;
    Probe before = probe(0);
    // Where two spans meet only to within roundings, g may fall through zero in the step from
    // one to the other: the foot is then where they meet. Only then: the distance at a span's
    // end, rounded differently from one span to the next, must not pass for a foot.
    if (i > 0 && before.g <= 0 && probe_on(spans_[i - 1], span_length(i - 1)).g > 0)
        best.offer(start, before.d2);
    // The foot where g falls through zero between lo and hi (g(lo) > 0 >= g(hi)).
    const auto solve = [&](double lo, double hi, double g_lo, double g_hi) {
        // The secant through the bracket's ends: on a straight, the foot itself.
        double s = lo + (hi - lo) * (g_lo / (g_lo - g_hi));
        for (int iteration = 0; iteration < kMaxIterations; ++iteration) {
            const Probe q = probe(s);
            if (q.g > 0)
                lo = s;
            else
                hi = s;
            if (q.g == 0) break;
            double next = s - q.g / q.dg;
            if (!(q.dg < 0) || !(next > lo && next < hi)) next = lo + (hi - lo) / 2;
            const bool done = std::abs(next - s) <= kStepDone || next == lo || next == hi;
            s = next;
            if (done) break;
        }
        best.offer(start + s, probe(s).d2);
    };
    double s_before = 0;
    for (int j = 1; j <= samples; ++j) {
        const double s_after = j == samples ? length : length * j / samples;
        const Probe after = probe(s_after);
        // Near the centre of curvature of a transition g can fall through zero and rise again
        // between two samples, its ends showing nothing: where g' changes sign the step is
        // split at g's turning point (one at most in a step that turns so little), found by
        // bisection of g'.
        double turn_at = s_before;
        Probe turning = before;
        if ((before.dg < 0) != (after.dg < 0)) {
            double lo = s_before, hi = s_after;
            for (int iteration = 0; iteration < kMaxIterations && lo < hi; ++iteration) {
                const double mid = lo + (hi - lo) / 2;
                if (mid == lo || mid == hi) break;
                turning = probe(mid);
                ((turning.dg < 0) == (before.dg < 0) ? lo : hi) = mid;
            }
            turn_at = lo;
            turning = probe(turn_at);
        }
        if (turn_at > s_before && before.g > 0 && turning.g <= 0)
            solve(s_before, turn_at, before.g, turning.g);
        else if (turning.g > 0 && after.g <= 0)
            solve(turn_at, s_after, turning.g, after.g);
        before = after;
        s_before = s_after;
    }
}

void LocatedLine::nearest(Point p, double& mileage, double& offset) const {
    mileage = offset = kNaN;
    if (spoiled_ || !std::isfinite(p.x) || !std::isfinite(p.y)) return;
    Foot best;
    // The extended tangents: before the start a foot behind it or at it, beyond the end any foot
    // from the end point on (a line without pieces is the one straight through its start).
    const auto extension = [p](const Span& at, double& along) {
        const double dx = p.x - at.start.x, dy = p.y - at.start.y;
        along = dx * at.cos_a + dy * at.sin_a;
        const double across = dy * at.cos_a - dx * at.sin_a;
        return across * across;
    };
    double along = 0;
    double d2 = extension(start_, along);
    if (along <= 0) best.offer(start_mileage_ + along, d2);
    d2 = extension(end_, along);
    if (along >= 0) best.offer(end_mileage_ + along, d2);

    if (!spans_.empty()) {
        // The distance to a span's middle point (a point of the line: the nearest foot is no
        // farther away) and how far the span's disc lies beyond the point.
        const auto middle = [&](std::size_t i) {
            const double dx = p.x - bounds_[i].centre.x, dy = p.y - bounds_[i].centre.y;
            return std::sqrt(dx * dx + dy * dy);
        };
        const auto gap = [&](std::size_t i, double to_middle) {
            return to_middle - bounds_[i].radius - kBoundSlack;
        };
        std::size_t first = 0;
        double first_gap = std::numeric_limits<double>::infinity(), reach = first_gap;
        for (std::size_t i = 0; i < spans_.size(); ++i) {
            const double to_middle = middle(i);
            reach = std::fmin(reach, to_middle);
            if (const double g = gap(i, to_middle); g < first_gap) {
                first = i;
                first_gap = g;
            }
        }
        nearest_on_span(first, p, best);
        for (std::size_t i = 0; i < spans_.size(); ++i) {
            if (i == first) continue;
            const double g = gap(i, middle(i));
            if (g > reach || (g > 0 && g * g > best.d2)) continue;
            nearest_on_span(i, p, best);
        }
    }

    // The offset from the foot as locate gives it, so that the two agree to the bit.
    Point foot;
    double azimuth = 0;
    locate(best.mileage, foot, azimuth);
    mileage = best.mileage;
    offset = (p.x - foot.x) * std::sin(azimuth) - (p.y - foot.y) * std::cos(azimuth);
}

}  // namespace qelt
