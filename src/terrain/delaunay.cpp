#include "terrain/delaunay.h"

#include <geos_c.h>

#include <algorithm>
#include <memory>
#include <string>

#include "base/data_error.h"

namespace qelt {

namespace {

// GEOS's reentrant API with its messages kept for the refusal.
class GeosContext {
  public:
    GeosContext() : handle_(GEOS_init_r()) {
        GEOSContext_setErrorMessageHandler_r(handle_, &GeosContext::keep, &message_);
    }
    ~GeosContext() { GEOS_finish_r(handle_); }
    GeosContext(const GeosContext&) = delete;
    GeosContext& operator=(const GeosContext&) = delete;

    GEOSContextHandle_t handle() const { return handle_; }
    DataError failure(const char* what) const {
        return DataError(std::string("地面点构三角网失败（GEOS ") + what + "）：" + message_);
    }

  private:
    static void keep(const char* message, void* user) {
        *static_cast<std::string*>(user) = message;
    }
    GEOSContextHandle_t handle_;
    std::string message_;
};

struct GeometryDeleter {
    GEOSContextHandle_t handle;
    void operator()(GEOSGeometry* g) const { GEOSGeom_destroy_r(handle, g); }
};
using Geometry = std::unique_ptr<GEOSGeometry, GeometryDeleter>;

}  // namespace

std::vector<TerrainFace> delaunay_faces(const std::vector<TerrainPoint>& points) {
    if (points.size() < 3) return {};
    GeosContext geos;
    GEOSContextHandle_t h = geos.handle();

    // The points handed over as one line string through its coordinate buffer: the
    // triangulation takes the vertices of whatever geometry it is given, and a million point
    // objects would cost more than the triangulation itself.
    std::vector<double> xy(points.size() * 2);
    for (std::size_t i = 0; i < points.size(); ++i) {
        xy[2 * i] = points[i].x;
        xy[2 * i + 1] = points[i].y;
    }
    GEOSCoordSequence* sequence =
        GEOSCoordSeq_copyFromBuffer_r(h, xy.data(), static_cast<unsigned>(points.size()), 0, 0);
    if (!sequence) throw geos.failure("坐标");
    Geometry input(GEOSGeom_createLineString_r(h, sequence), GeometryDeleter{h});
    if (!input) throw geos.failure("坐标");
    Geometry triangles(GEOSDelaunayTriangulation_r(h, input.get(), 0.0, 0), GeometryDeleter{h});
    if (!triangles) throw geos.failure("三角网");
    xy.clear();
    xy.shrink_to_fit();

    // The triangles' corners are the points' own coordinates, copied: found again by X, Y in
    // the points sorted.
    std::vector<std::uint32_t> order(points.size());
    for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
    const auto before = [&](std::uint32_t a, std::uint32_t b) {
        return points[a].x < points[b].x ||
               (points[a].x == points[b].x && points[a].y < points[b].y);
    };
    std::sort(order.begin(), order.end(), before);
    const auto index_of = [&](double x, double y) {
        const auto it =
            std::lower_bound(order.begin(), order.end(), 0u, [&](std::uint32_t i, unsigned) {
                return points[i].x < x || (points[i].x == x && points[i].y < y);
            });
        if (it == order.end() || points[*it].x != x || points[*it].y != y)
            throw DataError("地面点构三角网失败：三角形顶点不是所给的点");
        return *it;
    };

    const int count = GEOSGetNumGeometries_r(h, triangles.get());
    if (count < 0) throw geos.failure("三角网");
    std::vector<TerrainFace> faces;
    faces.reserve(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
        const GEOSGeometry* triangle = GEOSGetGeometryN_r(h, triangles.get(), k);
        const GEOSGeometry* ring = triangle ? GEOSGetExteriorRing_r(h, triangle) : nullptr;
        const GEOSCoordSequence* corners = ring ? GEOSGeom_getCoordSeq_r(h, ring) : nullptr;
        if (!corners) throw geos.failure("三角网");
        TerrainFace face;
        for (unsigned i = 0; i < 3; ++i) {
            double x = 0, y = 0;
            if (!GEOSCoordSeq_getXY_r(h, corners, i, &x, &y)) throw geos.failure("三角网");
            face[i] = index_of(x, y);
        }
        faces.push_back(face);
    }
    return faces;
}

}  // namespace qelt
