#include "terrain/delaunay.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "base/data_error.h"
#include "base/text.h"

namespace qelt {

namespace {

__extension__ typedef __int128 Wide;

// The triangulation swept outwards from a seed triangle (the sweep-hull method): the points taken
// in order of their distance from the seed's circumcentre, each joined to the edges of the
// growing convex hull that it sees, and every new edge made Delaunay by flips. A survey of a
// million shots needs two arrays of three integers a triangle and a few of one a point (about
// 150 MB), where a general-purpose library holds every edge as an object (over a gigabyte).
//
// Which side of a line a point lies on decides the hull and must never be wrong: on a regular
// grid of shots (a design model's points, a scanned area) three points in a line are the rule,
// and a sign taken from rounding would let a point miss the hull or two triangles overlap. The
// coordinates are therefore also held as integers, scaled by one power of two so that the
// largest takes 61 bits (a survey grid's doubles are such integers already, and any other point
// moves by less than 1e-18 of the extent), and that test is exact in 128-bit arithmetic. The
// circle test only chooses between two diagonals of an almost cocircular quadrilateral, where
// either gives the ground within the rounding, and is taken in doubles.
class Sweep {
  public:
    explicit Sweep(const std::vector<TerrainPoint>& points) : p_(points), n_(points.size()) {}

    std::vector<TerrainFace> run();

  private:
    static constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();

    // Twice the signed area of (a, b, c): positive counter-clockwise (X, Y as a right-handed
    // plane), exact.
    int orient(std::uint32_t a, std::uint32_t b, std::uint32_t c) const {
        const Wide d = Wide(qx_[b] - qx_[a]) * Wide(qy_[c] - qy_[a]) -
                       Wide(qy_[b] - qy_[a]) * Wide(qx_[c] - qx_[a]);
        return (d > 0) - (d < 0);
    }
    // Whether d lies strictly inside the circle through the counter-clockwise a, b, c.
    bool in_circle(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) const {
        const double dx = x_[a] - x_[d], dy = y_[a] - y_[d];
        const double ex = x_[b] - x_[d], ey = y_[b] - y_[d];
        const double fx = x_[c] - x_[d], fy = y_[c] - y_[d];
        const double ap = dx * dx + dy * dy, bp = ex * ex + ey * ey, cp = fx * fx + fy * fy;
        return dx * (ey * cp - bp * fy) - dy * (ex * cp - bp * fx) + ap * (ex * fy - ey * fx) > 0;
    }
    // The bucket of the hull point at `i` by its direction from the centre, a pseudo-angle that
    // grows monotonically with the angle: the hull edge a new point sees is found from there.
    std::size_t hash_key(std::uint32_t i) const {
        const double dx = x_[i] - cx_, dy = y_[i] - cy_;
        const double q = dx / (std::fabs(dx) + std::fabs(dy));
        const double angle = (dy > 0 ? 3 - q : 1 + q) / 4;  // [0, 1)
        const auto key =
            static_cast<std::size_t>(std::floor(angle * static_cast<double>(hash_size_)));
        return std::min(key, hash_size_ - 1);
    }
    static std::size_t next(std::size_t h) { return h % 3 == 2 ? h - 2 : h + 1; }
    static std::size_t prev(std::size_t h) { return h % 3 == 0 ? h + 2 : h - 1; }

    void scale_to_integers();
    bool seed(std::uint32_t& i0, std::uint32_t& i1, std::uint32_t& i2) const;
    void add_point(std::uint32_t i);
    // Adds the triangle (a, b, c), counter-clockwise, whose halfedges a→b, b→c, c→a have the
    // twins ta, tb, tc (kNone: on the hull); returns its first halfedge.
    std::size_t add_triangle(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::size_t ta,
                             std::size_t tb, std::size_t tc);
    void link(std::size_t a, std::size_t b) {
        twin_[a] = b;
        if (b != kNone) twin_[b] = a;
    }
    // Makes the edge `h` and, through the flips that follows, every edge opposite the point
    // just added Delaunay.
    void legalize(std::size_t h);

    const std::vector<TerrainPoint>& p_;
    std::size_t n_;
    // The points' coordinates, as given and as integers (scale_to_integers); once the order of
    // the sweep is known, in that order, so that a point and its neighbours on the hull lie close
    // together in memory.
    std::vector<double> x_, y_;
    std::vector<std::int64_t> qx_, qy_;
    double cx_ = 0, cy_ = 0;
    std::size_t hash_size_ = 1;
    // The hull, a ring counter-clockwise: next and previous point, the halfedge of the hull edge
    // that starts at each point, and the buckets of hull points by direction.
    std::vector<std::uint32_t> hull_next_, hull_prev_, hull_hash_;
    std::vector<std::size_t> hull_edge_;
    // Triangle t is vertices_[3t .. 3t + 2]; halfedge h runs from vertices_[h] to
    // vertices_[next(h)], twin_[h] is the same edge in the neighbouring triangle (kNone on the
    // hull).
    std::vector<std::uint32_t> vertices_;
    std::vector<std::size_t> twin_;
    std::vector<std::size_t> stack_;
};

void Sweep::scale_to_integers() {
    double largest = 0;
    for (const TerrainPoint& q : p_) largest = std::max({largest, std::fabs(q.x), std::fabs(q.y)});
    int exponent = 0;
    std::frexp(largest, &exponent);  // largest < 2^exponent
    const int shift = 61 - exponent;
    qx_.resize(n_);
    qy_.resize(n_);
    for (std::size_t i = 0; i < n_; ++i) {
        qx_[i] = std::llround(std::ldexp(p_[i].x, shift));
        qy_[i] = std::llround(std::ldexp(p_[i].y, shift));
    }
}

// The seed: the point nearest the centre of the points' extent, its nearest neighbour, and the
// point that sees the edge between them at the largest angle. The edge to the nearest neighbour
// is an edge of the Delaunay triangulation, and the point that sees it at the largest angle from
// one side makes its Delaunay triangle there: no point lies inside the seed's circumcircle, so
// that every later point, farther from its centre than every point before it, lies outside the
// hull when it comes. False when every point lies in one line.
bool Sweep::seed(std::uint32_t& i0, std::uint32_t& i1, std::uint32_t& i2) const {
    double min_x = INFINITY, min_y = INFINITY, max_x = -INFINITY, max_y = -INFINITY;
    for (const TerrainPoint& q : p_) {
        min_x = std::min(min_x, q.x);
        min_y = std::min(min_y, q.y);
        max_x = std::max(max_x, q.x);
        max_y = std::max(max_y, q.y);
    }
    const double mx = (min_x + max_x) / 2, my = (min_y + max_y) / 2;
    const auto nearest = [&](double x, double y, std::uint32_t other) {
        std::uint32_t found = kNone;
        double best = INFINITY;
        for (std::uint32_t i = 0; i < n_; ++i) {
            const double d = (p_[i].x - x) * (p_[i].x - x) + (p_[i].y - y) * (p_[i].y - y);
            if (i != other && d < best) {
                best = d;
                found = i;
            }
        }
        return found;
    };
    i0 = nearest(mx, my, kNone);
    i1 = nearest(p_[i0].x, p_[i0].y, i0);
    // The largest angle on the left of i0→i1 (the smallest cotangent), else on the right.
    for (const int side : {1, -1}) {
        double best = INFINITY;
        i2 = kNone;
        for (std::uint32_t i = 0; i < n_; ++i) {
            if (i == i0 || i == i1 || orient(i0, i1, i) != side) continue;
            const double ux = p_[i0].x - p_[i].x, uy = p_[i0].y - p_[i].y;
            const double vx = p_[i1].x - p_[i].x, vy = p_[i1].y - p_[i].y;
            const double cot = (ux * vx + uy * vy) / std::fabs(ux * vy - uy * vx);
            if (cot < best || i2 == kNone) {
                best = cot;
                i2 = i;
            }
        }
        if (i2 != kNone) {
            if (side < 0) std::swap(i1, i2);
            return true;
        }
    }
    return false;
}

std::size_t Sweep::add_triangle(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::size_t ta,
                                std::size_t tb, std::size_t tc) {
    const std::size_t t = vertices_.size();
    vertices_.insert(vertices_.end(), {a, b, c});
    twin_.insert(twin_.end(), {kNone, kNone, kNone});
    link(t, ta);
    link(t + 1, tb);
    link(t + 2, tc);
    return t;
}

void Sweep::legalize(std::size_t h) {
    stack_.push_back(h);
    while (!stack_.empty()) {
        const std::size_t a = stack_.back();
        stack_.pop_back();
        const std::size_t b = twin_[a];
        if (b == kNone) continue;
        const std::size_t an = next(a), ap = prev(a), bn = next(b), bp = prev(b);
        // Triangle (p0, p1, pl) on this side of the edge p0→p1, (p1, p0, pr) on the other;
        // pl is the point just added.
        const std::uint32_t p0 = vertices_[a], p1 = vertices_[an], pl = vertices_[ap];
        const std::uint32_t pr = vertices_[bp];
        if (!in_circle(p0, p1, pl, pr)) continue;
        // Flipped to the diagonal pl–pr: (pr, pl, p0) in a's triangle, (pl, pr, p1) in b's, each
        // outer edge keeping its twin from before.
        const std::size_t t_an = twin_[an], t_ap = twin_[ap], t_bn = twin_[bn], t_bp = twin_[bp];
        vertices_[a] = pr;
        vertices_[an] = pl;
        vertices_[ap] = p0;
        vertices_[b] = pl;
        vertices_[bn] = pr;
        vertices_[bp] = p1;
        link(an, t_ap);  // pl→p0
        link(ap, t_bn);  // p0→pr
        link(bn, t_bp);  // pr→p1
        link(bp, t_an);  // p1→pl
        for (const std::size_t e : {an, ap, bn, bp})
            if (twin_[e] == kNone) hull_edge_[vertices_[e]] = e;
        // The edges now opposite pl, in the two new triangles.
        stack_.push_back(ap);
        stack_.push_back(bn);
    }
}

void Sweep::add_point(std::uint32_t i) {
    // A hull point near i by direction, then the first hull edge that i sees (i to its right:
    // outside the counter-clockwise hull).
    const std::size_t key = hash_key(i);
    std::uint32_t start = kNone;
    for (std::size_t j = 0; j < hash_size_; ++j) {
        start = hull_hash_[(key + j) % hash_size_];
        if (start != kNone && hull_next_[start] != start) break;
    }
    start = hull_prev_[start];
    std::uint32_t e = start;
    while (orient(e, hull_next_[e], i) >= 0) {
        e = hull_next_[e];
        if (e == start)
            throw DataError("地面点构三角网失败：点（" + fixed_text(x_[i], 3) + ", " +
                            fixed_text(y_[i], 3) + "）不在已构三角网之外");
    }
    std::size_t t = add_triangle(e, i, hull_next_[e], kNone, kNone, hull_edge_[e]);
    hull_edge_[e] = t;
    hull_edge_[i] = t + 1;
    legalize(t + 2);
    // On along the hull while i sees its edges, then back.
    std::uint32_t n = hull_next_[e];
    for (std::uint32_t q = hull_next_[n]; orient(n, q, i) < 0; q = hull_next_[n]) {
        t = add_triangle(n, i, q, hull_edge_[i], kNone, hull_edge_[n]);
        hull_edge_[i] = t + 1;
        legalize(t + 2);
        hull_next_[n] = n;  // no longer on the hull
        n = q;
    }
    for (std::uint32_t q = hull_prev_[e]; orient(q, e, i) < 0; q = hull_prev_[e]) {
        t = add_triangle(q, i, e, kNone, hull_edge_[e], hull_edge_[q]);
        hull_edge_[q] = t;
        legalize(t + 2);
        hull_next_[e] = e;
        e = q;
    }
    hull_prev_[i] = e;
    hull_next_[e] = i;
    hull_prev_[n] = i;
    hull_next_[i] = n;
    hull_hash_[hash_key(i)] = i;
    hull_hash_[hash_key(e)] = e;
}

std::vector<TerrainFace> Sweep::run() {
    scale_to_integers();
    std::uint32_t i0 = 0, i1 = 0, i2 = 0;
    if (!seed(i0, i1, i2)) return {};
    {
        // The seed's circumcentre, from i0.
        const double bx = p_[i1].x - p_[i0].x, by = p_[i1].y - p_[i0].y;
        const double cx = p_[i2].x - p_[i0].x, cy = p_[i2].y - p_[i0].y;
        const double d = 2 * (bx * cy - by * cx);
        const double b2 = bx * bx + by * by, c2 = cx * cx + cy * cy;
        cx_ = p_[i0].x + (cy * b2 - by * c2) / d;
        cy_ = p_[i0].y + (bx * c2 - cx * b2) / d;
    }
    // The order of the sweep: by distance from the seed's circumcentre. The points are numbered
    // afresh in that order for the sweep, and the triangles given back in the caller's numbering.
    struct Key {
        double distance;
        std::uint32_t point;
    };
    std::vector<Key> keys(n_);
    for (std::uint32_t i = 0; i < n_; ++i)
        keys[i] = {(p_[i].x - cx_) * (p_[i].x - cx_) + (p_[i].y - cy_) * (p_[i].y - cy_), i};
    std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        return a.distance < b.distance || (a.distance == b.distance && a.point < b.point);
    });
    std::vector<std::uint32_t> order(n_);
    std::uint32_t k0 = 0, k1 = 0, k2 = 0;
    {
        std::vector<std::int64_t> qx(n_), qy(n_);
        x_.resize(n_);
        y_.resize(n_);
        for (std::uint32_t k = 0; k < n_; ++k) {
            const std::uint32_t i = keys[k].point;
            order[k] = i;
            x_[k] = p_[i].x;
            y_[k] = p_[i].y;
            qx[k] = qx_[i];
            qy[k] = qy_[i];
            if (i == i0) k0 = k;
            if (i == i1) k1 = k;
            if (i == i2) k2 = k;
        }
        qx_.swap(qx);
        qy_.swap(qy);
    }
    i0 = k0;
    i1 = k1;
    i2 = k2;
    keys = {};

    hash_size_ = std::max<std::size_t>(1, static_cast<std::size_t>(std::ceil(std::sqrt(n_))));
    hull_next_.assign(n_, kNone);
    hull_prev_.assign(n_, kNone);
    hull_edge_.assign(n_, kNone);
    hull_hash_.assign(hash_size_, kNone);
    const std::size_t triangles = 2 * n_;
    vertices_.reserve(3 * triangles);
    twin_.reserve(3 * triangles);

    add_triangle(i0, i1, i2, kNone, kNone, kNone);
    hull_next_[i0] = hull_prev_[i2] = i1;
    hull_next_[i1] = hull_prev_[i0] = i2;
    hull_next_[i2] = hull_prev_[i1] = i0;
    hull_edge_[i0] = 0;
    hull_edge_[i1] = 1;
    hull_edge_[i2] = 2;
    for (const std::uint32_t i : {i0, i1, i2}) hull_hash_[hash_key(i)] = i;
    for (std::uint32_t k = 0; k < n_; ++k)
        if (k != i0 && k != i1 && k != i2) add_point(k);

    std::vector<TerrainFace> faces(vertices_.size() / 3);
    for (std::size_t t = 0; t < faces.size(); ++t)
        faces[t] = {order[vertices_[3 * t]], order[vertices_[3 * t + 1]],
                    order[vertices_[3 * t + 2]]};
    return faces;
}

}  // namespace

std::vector<TerrainFace> delaunay_faces(const std::vector<TerrainPoint>& points) {
    if (points.size() < 3) return {};
    if (points.size() > std::numeric_limits<std::uint32_t>::max() / 4)
        throw DataError("地面点超过 " +
                        std::to_string(std::numeric_limits<std::uint32_t>::max() / 4) +
                        " 个，无法构三角网");
    for (const TerrainPoint& p : points)
        if (!std::isfinite(p.x) || !std::isfinite(p.y))
            throw DataError("地面点构三角网失败：坐标不是有限的数");
    return Sweep(points).run();
}

}  // namespace qelt
