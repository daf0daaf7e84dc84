// Independent check of the chain build and locate: random chains of every element kind against
// a direct numerical integration of their curvature profile (no series involved).
//
// Along an element, curvature runs linearly from 1/R1 to 1/R2 (0 for 9999), so the tangent
// angle is a quadratic in the distance s and the point is ∫(cos θ, sin θ) ds, integrated here
// with a composite Gauss–Legendre rule. Inflection elements are integrated as given, which
// also checks where the split puts its zero-curvature joint.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

#include "htbas/htbas.h"

namespace qelt {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr int kNodes = 12;

struct Rule {
    double node[kNodes], weight[kNodes];
};

// Gauss–Legendre nodes on [−1, 1] by Newton's method on the Legendre polynomial.
Rule gauss_legendre() {
    Rule rule{};
    for (int k = 0; k < kNodes; ++k) {
        double t = std::cos(kPi * (k + 0.75) / (kNodes + 0.5));
        double dp = 0;
        for (int it = 0; it < 100; ++it) {
            double p0 = 1, p1 = t;
            for (int j = 2; j <= kNodes; ++j) {
                const double p2 = ((2 * j - 1) * t * p1 - (j - 1) * p0) / j;
                p0 = p1;
                p1 = p2;
            }
            dp = kNodes * (t * p1 - p0) / (t * t - 1);
            const double step = p1 / dp;
            t -= step;
            if (std::abs(step) < 1e-16) break;
        }
        rule.node[k] = t;
        rule.weight[k] = 2 / ((1 - t * t) * dp * dp);
    }
    return rule;
}

struct Element {
    double r1, r2, len;
};

double curvature(double r) {
    return r == kStraightRadius ? 0 : 1 / r;
}

// A chain as its curvature profile says it lies, relative to its start point.
class Reference {
  public:
    Reference(const std::vector<Element>& elements, double azimuth) : elements_(elements) {
        starts_.push_back({0, 0, 0, azimuth});
        for (const Element& e : elements_) starts_.push_back(along(starts_.back(), e, e.len));
    }

    // Point (relative to the start) and tangent at distance t from the start, t may lie
    // outside the chain.
    void at(double t, double& x, double& y, double& azimuth) const {
        std::size_t e = 0;
        while (e + 1 < elements_.size() && t >= starts_[e + 1].t) ++e;
        if (elements_.empty() || t < 0 || t >= starts_.back().t) {
            const Pose& end = elements_.empty() || t < 0 ? starts_.front() : starts_.back();
            return straight(end, t - end.t, x, y, azimuth);
        }
        const Pose p = along(starts_[e], elements_[e], t - starts_[e].t);
        x = p.x;
        y = p.y;
        azimuth = p.azimuth;
    }

  private:
    struct Pose {
        double t, x, y, azimuth;
    };

    static void straight(const Pose& from, double d, double& x, double& y, double& azimuth) {
        x = from.x + d * std::cos(from.azimuth);
        y = from.y + d * std::sin(from.azimuth);
        azimuth = from.azimuth;
    }

    static Pose along(const Pose& from, const Element& e, double s) {
        static const Rule rule = gauss_legendre();
        if (e.len == 0) return from;
        const double k1 = curvature(e.r1);
        const double dk = (curvature(e.r2) - k1) / e.len;
        const auto theta = [&](double u) { return from.azimuth + k1 * u + dk * u * u / 2; };
        const int panels = 1 + static_cast<int>(s / 5);
        const double h = s / panels;
        double x = 0, y = 0;
        for (int k = 0; k < panels; ++k) {
            for (int j = 0; j < kNodes; ++j) {
                const double u = h * (k + (rule.node[j] + 1) / 2);
                x += h / 2 * rule.weight[j] * std::cos(theta(u));
                y += h / 2 * rule.weight[j] * std::sin(theta(u));
            }
        }
        return {from.t + s, from.x + x, from.y + y, theta(s)};
    }

    std::vector<Element> elements_;
    std::vector<Pose> starts_;
};

enum Kind { kStraight, kArc, kEntry, kExit, kClosing, kOpening, kInflection, kKinds };

// Road-like elements, each turning at most 2.5 rad. Transitions between two radii take radius
// ratios from 0.5 to 0.999: the closer the radii, the farther the clothoid's zero-curvature
// point lies behind the element (10 km for 1010 -> 1000), which is what each element must not
// depend on.
Element random_element(std::mt19937_64& rng, int kind) {
    std::uniform_real_distribution<double> unit(0, 1);
    const auto radius = [&] { return 60 * std::pow(50.0, unit(rng)); };  // 60..3000 m
    const double side = unit(rng) < 0.5 ? -1 : 1;
    double len = 10 + 290 * unit(rng);
    // The length at which an element of these end radii has turned 2.5 rad.
    const auto within_turn = [&](double r1, double r2) {
        const double mean = (1 / std::abs(r1) + 1 / std::abs(r2)) / 2;
        return std::min(len, 2.5 / mean);
    };
    switch (kind) {
        case kStraight:
            return {kStraightRadius, kStraightRadius, unit(rng) < 0.1 ? 0 : len};
        case kArc: {
            const double r = side * radius();
            return {r, r, within_turn(r, r)};
        }
        case kEntry: {
            const double r = side * radius();
            return {kStraightRadius, r, within_turn(r, 1e300)};
        }
        case kExit: {
            const double r = side * radius();
            return {r, kStraightRadius, within_turn(r, 1e300)};
        }
        case kInflection: {
            const double r1 = side * radius(), r2 = -side * radius();
            return {r1, r2, within_turn(r1, r2)};
        }
        default: {
            const double small = radius();
            const double big = small / (0.5 + 0.499 * unit(rng));
            len = within_turn(small, big);
            return kind == kClosing ? Element{side * big, side * small, len}
                                    : Element{side * small, side * big, len};
        }
    }
}

TEST(HtReference, RandomChainsAgreeWithIntegratedCurvature) {
    std::mt19937_64 rng(20240611);
    std::uniform_real_distribution<double> unit(0, 1);
    int kinds_seen[kKinds] = {};
    for (int run = 0; run < 40; ++run) {
        std::vector<Element> elements;
        for (int k = 0; k < 12; ++k) {
            const int kind = static_cast<int>(rng() % kKinds);
            ++kinds_seen[kind];
            elements.push_back(random_element(rng, kind));
        }
        // Start azimuth as the element file writes it, ddd.mmss with whole seconds.
        const int deg = static_cast<int>(rng() % 360), min = static_cast<int>(rng() % 60),
                  sec = static_cast<int>(rng() % 60);
        const double start_azimuth = (deg + min / 60.0 + sec / 3600.0) * kPi / 180;
        // Far from the origin, as a survey grid puts a road, coordinates keep about 1e-9 m of
        // their own; near it the chain must agree with the integral to 1e-9 m.
        const bool far = run % 2 == 1;
        const double tolerance = far ? 1e-6 : 1e-9;
        const double x0 = (far ? 3.5e6 : 0) + 1000 * unit(rng),
                     y0 = (far ? 5e5 : 0) + 1000 * unit(rng);
        const double p0 = 1000 * unit(rng);

        auto chain = std::make_unique<ElementChain>();
        chain->ht_start_station = p0;
        chain->ht_start_x = x0;
        chain->ht_start_y = y0;
        chain->ht_start_azimuth = deg + min / 100.0 + sec / 10000.0;
        chain->ht_in_count = static_cast<std::int16_t>(elements.size());
        for (std::size_t k = 0; k < elements.size(); ++k) {
            chain->ht_in_r1[k + 1] = elements[k].r1;
            chain->ht_in_r2[k + 1] = elements[k].r2;
            chain->ht_in_len[k + 1] = elements[k].len;
        }
        ht_split_inflections(*chain);
        ht_build_chain(*chain);

        const Reference ref(elements, start_azimuth);
        const auto same_direction = [](double a, double b) {
            return std::abs(std::remainder(a - b, 2 * kPi)) < 1e-9;
        };
        for (int i = 1; i <= chain->ht_count + 1; ++i) {
            double x = 0, y = 0, a = 0;
            ref.at(chain->ht_station[i] - p0, x, y, a);
            EXPECT_NEAR(chain->ht_x[i], x0 + x, tolerance) << "run " << run << " start " << i;
            EXPECT_NEAR(chain->ht_y[i], y0 + y, tolerance) << "run " << run << " start " << i;
            EXPECT_TRUE(same_direction(chain->ht_azimuth[i], a)) << "run " << run << " " << i;
        }
        const double length = chain->ht_station[chain->ht_count + 1] - p0;
        for (int k = 0; k < 60; ++k) {
            const double t = -50 + (length + 100) * unit(rng);
            const double d = -40 + 80 * unit(rng);  // borehole offset, positive to the left
            double x = 0, y = 0, a = 0, rx = 0, ry = 0, ra = 0;
            ht_locate(*chain, p0 + t, x, y, a);
            ref.at(t, rx, ry, ra);
            const double left = -kPi / 2;
            EXPECT_NEAR(x + d * std::cos(a + left), x0 + rx + d * std::cos(ra + left), tolerance)
                << "run " << run << " t " << t;
            EXPECT_NEAR(y + d * std::sin(a + left), y0 + ry + d * std::sin(ra + left), tolerance)
                << "run " << run << " t " << t;
            EXPECT_TRUE(same_direction(a, ra)) << "run " << run << " t " << t;
        }
    }
    for (int kind = 0; kind < kKinds; ++kind) EXPECT_GT(kinds_seen[kind], 20) << kind;
}

}  // namespace
}  // namespace qelt
