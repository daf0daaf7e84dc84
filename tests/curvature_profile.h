#pragma once
// Independent model of a centre line for checking the traced lines against: the line as a
// curvature profile along its stations (straight 0, a transition linear between its end
// curvatures, the arc constant), the heading integrated in closed form and the position by
// composite Gauss–Legendre quadrature of (cos θ, sin θ). Used by the locate tests and the
// line-table tests alike.

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "geometry/geometry.h"

namespace qelt::test {

struct Located {
    double x, y, azimuth;
};

struct Piece {
    double start, length, k0, k1;  // curvature k0 -> k1, signed (+ to the right), 1/m
};

class Profile {
  public:
    Profile(double station, Point origin, double heading, std::vector<Piece> pieces)
        : origin_(origin), pieces_(std::move(pieces)) {
        State s{station, 0, 0, heading};
        for (const Piece& piece : pieces_) {
            states_.push_back(s);
            s = advance(s, piece, piece.length);
        }
        states_.push_back(s);
    }

    Located at(double p) const {
        std::size_t i = 0;
        while (i < pieces_.size() && p >= pieces_[i].start + pieces_[i].length) ++i;
        if (i == pieces_.size() || p < pieces_.front().start) {  // the straight extensions
            const State& s = p < pieces_.front().start ? states_.front() : states_.back();
            const double u = p - s.station;
            return {origin_.x + s.dx + u * std::cos(s.heading),
                    origin_.y + s.dy + u * std::sin(s.heading), s.heading};
        }
        const State s = advance(states_[i], pieces_[i], p - pieces_[i].start);
        return {origin_.x + s.dx, origin_.y + s.dy, s.heading};
    }

  private:
    struct State {
        double station, dx, dy, heading;  // offsets from the origin keep large coordinates exact
    };

    static double heading(const State& s, const Piece& piece, double t) {
        const double bend = piece.length > 0 ? (piece.k1 - piece.k0) / (2 * piece.length) : 0;
        return s.heading + piece.k0 * t + bend * t * t;
    }

    static State advance(const State& s, const Piece& piece, double t) {
        static const double kNode[] = {0, -0.5384693101056831, 0.5384693101056831,
                                       -0.9061798459386640, 0.9061798459386640};
        static const double kWeight[] = {0.5688888888888889, 0.4786286704993665, 0.4786286704993665,
                                         0.2369268850561891, 0.2369268850561891};
        const int parts = std::max(1, static_cast<int>(std::ceil(t / 5.0)));
        const double h = t / parts;
        State e = s;
        for (int j = 0; j < parts; ++j) {
            const double mid = (j + 0.5) * h;
            for (int g = 0; g < 5; ++g) {
                const double theta = heading(s, piece, mid + kNode[g] * h / 2);
                e.dx += kWeight[g] * h / 2 * std::cos(theta);
                e.dy += kWeight[g] * h / 2 * std::sin(theta);
            }
        }
        e.station = s.station + t;
        e.heading = heading(s, piece, t);
        return e;
    }

    Point origin_;
    std::vector<Piece> pieces_;
    std::vector<State> states_;
};

}  // namespace qelt::test
