#include "terrain/terrain.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace qelt {

namespace {

// A point on an edge or a corner belongs to every triangle that shares it: barycentric
// coordinates down to this much below zero still count as inside, so that the rounding of
// coordinates of millions of metres never lets a hole on a shared edge fall between two
// triangles.
constexpr double kOnEdge = 1e-10;

double cross(double ax, double ay, double bx, double by) {
    return ax * by - ay * bx;
}

// Which side of the ring `at` lies: 1 inside, 0 on an edge, −1 outside.
int ring_side(const Ring& ring, Point at) {
    const std::size_t n = ring.size();
    if (n < 3) return -1;
    bool inside = false;
    for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
        const Point a = ring[j], b = ring[i];
        const double side = cross(b.x - a.x, b.y - a.y, at.x - a.x, at.y - a.y);
        const double length = std::hypot(b.x - a.x, b.y - a.y);
        if (std::abs(side) <= 1e-9 * std::max(length, 1.0) && at.x >= std::min(a.x, b.x) - 1e-9 &&
            at.x <= std::max(a.x, b.x) + 1e-9 && at.y >= std::min(a.y, b.y) - 1e-9 &&
            at.y <= std::max(a.y, b.y) + 1e-9)
            return 0;
        if ((a.y > at.y) != (b.y > at.y)) {
            const double x = a.x + (at.y - a.y) * (b.x - a.x) / (b.y - a.y);
            if (at.x < x) inside = !inside;
        }
    }
    return inside ? 1 : -1;
}

}  // namespace

bool inside_ring(const Ring& ring, Point at) {
    return ring_side(ring, at) >= 0;
}

Terrain::Terrain(std::vector<TerrainPoint> points, std::vector<TerrainFace> faces,
                 std::string source, Ring outer, std::vector<Ring> voids)
    : points_(std::move(points)),
      source_(std::move(source)),
      outer_(std::move(outer)),
      voids_(std::move(voids)) {
    faces_.reserve(faces.size());
    for (const TerrainFace& f : faces) {
        const TerrainPoint &a = points_[f[0]], &b = points_[f[1]], &c = points_[f[2]];
        if (cross(b.x - a.x, b.y - a.y, c.x - a.x, c.y - a.y) != 0) faces_.push_back(f);
    }
    if (faces_.empty()) return;

    double x1 = -std::numeric_limits<double>::infinity(), y1 = x1;
    x0_ = y0_ = std::numeric_limits<double>::infinity();
    for (const TerrainFace& f : faces_)
        for (std::uint32_t i : f) {
            x0_ = std::min(x0_, points_[i].x);
            y0_ = std::min(y0_, points_[i].y);
            x1 = std::max(x1, points_[i].x);
            y1 = std::max(y1, points_[i].y);
        }
    // About one triangle per cell: a cell as large as the mean triangle's bounding square.
    const double width = std::max(x1 - x0_, 1e-9), height = std::max(y1 - y0_, 1e-9);
    cell_ = std::sqrt(width * height / static_cast<double>(faces_.size()));
    cell_ = std::max({cell_, width / 4096.0, height / 4096.0});
    rows_ = static_cast<std::size_t>(width / cell_) + 1;
    columns_ = static_cast<std::size_t>(height / cell_) + 1;

    const auto cell_range = [&](const TerrainFace& f, std::size_t& r0, std::size_t& r1,
                                std::size_t& c0, std::size_t& c1) {
        double fx0 = points_[f[0]].x, fx1 = fx0, fy0 = points_[f[0]].y, fy1 = fy0;
        for (std::uint32_t i : f) {
            fx0 = std::min(fx0, points_[i].x);
            fx1 = std::max(fx1, points_[i].x);
            fy0 = std::min(fy0, points_[i].y);
            fy1 = std::max(fy1, points_[i].y);
        }
        r0 = std::min(rows_ - 1, static_cast<std::size_t>((fx0 - x0_) / cell_));
        r1 = std::min(rows_ - 1, static_cast<std::size_t>((fx1 - x0_) / cell_));
        c0 = std::min(columns_ - 1, static_cast<std::size_t>((fy0 - y0_) / cell_));
        c1 = std::min(columns_ - 1, static_cast<std::size_t>((fy1 - y0_) / cell_));
    };
    // Two passes, counting then filling, so that millions of faces take one flat table.
    cell_start_.assign(rows_ * columns_ + 1, 0);
    std::size_t r0, r1, c0, c1;
    for (const TerrainFace& f : faces_) {
        cell_range(f, r0, r1, c0, c1);
        for (std::size_t r = r0; r <= r1; ++r)
            for (std::size_t c = c0; c <= c1; ++c) ++cell_start_[r * columns_ + c + 1];
    }
    for (std::size_t i = 1; i < cell_start_.size(); ++i) cell_start_[i] += cell_start_[i - 1];
    cell_faces_.resize(cell_start_.back());
    std::vector<std::uint32_t> filled(cell_start_.begin(), cell_start_.end() - 1);
    for (std::size_t k = 0; k < faces_.size(); ++k) {
        cell_range(faces_[k], r0, r1, c0, c1);
        for (std::size_t r = r0; r <= r1; ++r)
            for (std::size_t c = c0; c <= c1; ++c)
                cell_faces_[filled[r * columns_ + c]++] = static_cast<std::uint32_t>(k);
    }
}

std::optional<double> Terrain::in_face(std::size_t face, Point at) const {
    const TerrainFace& f = faces_[face];
    const TerrainPoint &a = points_[f[0]], &b = points_[f[1]], &c = points_[f[2]];
    // The point as a + u·(b − a) + v·(c − a), everything taken from corner a so that large
    // grid coordinates cancel before they are multiplied.
    const double bx = b.x - a.x, by = b.y - a.y, cx = c.x - a.x, cy = c.y - a.y;
    const double px = at.x - a.x, py = at.y - a.y;
    const double d = cross(bx, by, cx, cy);
    const double u = cross(px, py, cx, cy) / d;
    const double v = cross(bx, by, px, py) / d;
    if (u < -kOnEdge || v < -kOnEdge || u + v > 1 + kOnEdge) return std::nullopt;
    return a.z + u * (b.z - a.z) + v * (c.z - a.z);
}

bool Terrain::inside_boundary(Point at) const {
    if (!outer_.empty() && ring_side(outer_, at) < 0) return false;
    for (const Ring& hole : voids_)
        if (ring_side(hole, at) > 0) return false;
    return true;
}

Terrain::Terrain(SectionGround sections, std::string source)
    : source_(std::move(source)),
      sections_(std::make_shared<const SectionGround>(std::move(sections))) {}

std::string Terrain::why_none(Point at) const {
    if (sections_) return sections_->at(at).why_none;
    return "在地面模型“" + source_ + "”的范围之外";
}

std::optional<double> Terrain::elevation(Point at) const {
    if (sections_) return sections_->at(at).elevation;
    if (faces_.empty() || !std::isfinite(at.x) || !std::isfinite(at.y)) return std::nullopt;
    const double r = (at.x - x0_) / cell_, c = (at.y - y0_) / cell_;
    // A point on the far edge of the extent is in the last cell.
    const double slack = kOnEdge * static_cast<double>(std::max(rows_, columns_));
    if (r < -slack || c < -slack || r > static_cast<double>(rows_) + slack ||
        c > static_cast<double>(columns_) + slack)
        return std::nullopt;
    const auto clamp = [](double v, std::size_t n) {
        return std::min(n - 1, static_cast<std::size_t>(std::max(v, 0.0)));
    };
    const std::size_t cell = clamp(r, rows_) * columns_ + clamp(c, columns_);
    for (std::size_t k = cell_start_[cell]; k < cell_start_[cell + 1]; ++k)
        if (auto z = in_face(cell_faces_[k], at)) return inside_boundary(at) ? z : std::nullopt;
    return std::nullopt;
}

}  // namespace qelt
