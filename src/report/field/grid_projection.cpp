#include "report/field/grid_projection.h"

#include <proj.h>
#include <proj_experimental.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <string_view>

#include "base/data_error.h"
#include "base/platform.h"
#include "base/text.h"

namespace qelt {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kDegree = std::numbers::pi / 180;
// How far past its zone's edge a project may run and still be computed in that zone, degrees:
// a road crossing the edge keeps one zone for its whole length rather than jump, and 2° (some
// 190 km in China) is more than any table's stretch of road.
constexpr double kBeyondEdge = 2;

// The datum of CGCS2000 itself and those a map takes as the same.
constexpr std::string_view kSameDatums[] = {"China 2000", "World Geodetic System 1984",
                                            "International Terrestrial Reference Frame"};

[[noreturn]] void refuse(const std::string& why) {
    throw DataError("地图文件（KML、GeoJSON）无法写出：" + why);
}

bool starts_with(std::string_view text, std::string_view start) {
    return text.substr(0, start.size()) == start;
}

// The 6° zones 13–23 and the 3° zones 25–45, China from 75° to 135° east.
constexpr int kFirst6 = 13, kLast6 = 23, kFirst3 = 25, kLast3 = 45;

}  // namespace

std::optional<int> zone_prefix(double y) {
    if (!(y >= 1e7) || !(y < 1e9)) return std::nullopt;
    return static_cast<int>(std::floor(y / 1e6));
}

std::optional<GridZone> prefixed_zone(int prefix) {
    GridZone zone;
    if (prefix >= kFirst6 && prefix <= kLast6) {
        zone.central_meridian = 6.0 * prefix - 3;
        zone.half_width = 3;
        zone.label = "CGCS2000 6° 带第 " + std::to_string(prefix) + " 带";
    } else if (prefix >= kFirst3 && prefix <= kLast3) {
        zone.central_meridian = 3.0 * prefix;
        zone.half_width = 1.5;
        zone.label = "CGCS2000 3° 带第 " + std::to_string(prefix) + " 带";
    } else {
        return std::nullopt;
    }
    zone.false_easting = prefix * 1e6 + 500000;
    zone.label += "（中央子午线 " + short_number_text(zone.central_meridian) + "°，Y 带带号）";
    return zone;
}

GridZone meridian_zone(double degrees) {
    if (!std::isfinite(degrees) || degrees < -180 || degrees > 180)
        refuse("中央子午线 " + short_number_text(degrees) + "° 不是 −180° 到 180° 之间的经度");
    GridZone zone;
    zone.central_meridian = degrees;
    zone.half_width = 3;
    zone.label =
        "CGCS2000 高斯–克吕格投影（中央子午线 " + short_number_text(degrees) + "°，Y 不带带号）";
    return zone;
}

GridZone crs_zone(const std::string& crs) {
    GridZone zone;
    zone.crs = crs;
    zone.label = crs;
    return zone;
}

// --- PROJ objects ---------------------------------------------------------------------------

namespace {

struct PjDeleter {
    void operator()(PJ* pj) const { proj_destroy(pj); }
};
using PjPtr = std::unique_ptr<PJ, PjDeleter>;

struct ContextDeleter {
    void operator()(PJ_CONTEXT* context) const { proj_context_destroy(context); }
};

std::string text_or(const char* text, const char* otherwise) {
    return text && *text ? std::string(text) : std::string(otherwise);
}

// The datum's name in the words a Chinese surveyor knows it by, where it is one of China's old
// ones.
std::string chinese_datum_name(const std::string& datum) {
    if (datum.find("New Beijing") != std::string::npos) return datum + "（新北京 54）";
    if (datum.find("Beijing 1954") != std::string::npos) return datum + "（北京 54）";
    if (datum.find("Xian 1980") != std::string::npos) return datum + "（西安 80）";
    return datum;
}

}  // namespace

// The context first: members go in reverse order, the objects before their context.
struct GridProjection::Proj {
    std::unique_ptr<PJ_CONTEXT, ContextDeleter> context{proj_context_create()};
    PjPtr crs;
    PjPtr to_geodetic;  // normalised: easting, northing in; longitude, latitude out
};

GridProjection::GridProjection(const GridZone& zone)
    : proj_(std::make_unique<Proj>()), label_(zone.label) {
    PJ_CONTEXT* const ctx = proj_->context.get();
    if (!ctx) refuse("PROJ 无法启动");
    proj_log_level(ctx, PJ_LOG_NONE);
    proj_context_set_enable_network(ctx, 0);
    // The Windows installation ships proj.db beside the programs; elsewhere PROJ knows its
    // own place (Debian's /usr/share/proj).
    const std::string folder = program_folder();
    if (!folder.empty() && is_regular_file(folder + "/proj.db")) {
        const char* const paths[] = {folder.c_str()};
        proj_context_set_search_paths(ctx, 1, paths);
    }
    if (!proj_context_get_database_path(ctx))
        refuse("找不到 PROJ 的坐标系数据库 proj.db（应在程序旁，或在 PROJ 的数据文件夹里）");

    if (!zone.crs.empty()) {
        proj_->crs = PjPtr(proj_create(ctx, zone.crs.c_str()));
        if (!proj_->crs)
            refuse("PROJ 不认识坐标系“" + zone.crs + "”（应写成 EPSG:4527 这样的代码）");
        const PJ_TYPE type = proj_get_type(proj_->crs.get());
        if (type == PJ_TYPE_GEOGRAPHIC_2D_CRS || type == PJ_TYPE_GEOGRAPHIC_3D_CRS ||
            type == PJ_TYPE_GEOGRAPHIC_CRS || type == PJ_TYPE_GEOCENTRIC_CRS)
            refuse("坐标系 " + zone.crs + "（" + text_or(proj_get_name(proj_->crs.get()), "") +
                   "）是经纬度坐标系，不是平面坐标系：Qelt 的 X、Y 是以米计的投影坐标，"
                   "请给它们所在的投影坐标系（如 EPSG:4527）");
        if (type != PJ_TYPE_PROJECTED_CRS)
            refuse("坐标系 " + zone.crs + " 不是投影坐标系（平面坐标系）");
    } else {
        // CGCS2000 itself (EPSG:4490) with the zone's transverse Mercator: the same definition
        // as EPSG's zone CRSs (4491–4554), for any central meridian.
        PjPtr base = PjPtr(proj_create(ctx, "EPSG:4490"));
        PjPtr conversion = PjPtr(proj_create_conversion_transverse_mercator(
            ctx, 0, zone.central_meridian, 1, zone.false_easting, 0, "degree", kDegree, "metre",
            1));
        PjPtr cs = PjPtr(proj_create_cartesian_2D_cs(ctx, PJ_CART2D_NORTHING_EASTING, "metre", 1));
        if (!base || !conversion || !cs) refuse("PROJ 无法建立坐标系 " + zone.label);
        proj_->crs = PjPtr(proj_create_projected_crs(ctx, zone.label.c_str(), base.get(),
                                                     conversion.get(), cs.get()));
        if (!proj_->crs) refuse("PROJ 无法建立坐标系 " + zone.label);
    }
    PJ* const crs = proj_->crs.get();

    PjPtr geodetic = PjPtr(proj_crs_get_geodetic_crs(ctx, crs));
    PjPtr datum = geodetic ? PjPtr(proj_crs_get_datum_forced(ctx, geodetic.get())) : nullptr;
    const std::string datum_name = datum ? text_or(proj_get_name(datum.get()), "未知") : "未知";
    bool same = false;
    for (std::string_view known : kSameDatums) same = same || starts_with(datum_name, known);
    if (!same)
        refuse("坐标系 " + label_ + " 的大地基准是 " + chinese_datum_name(datum_name) +
               "，不是 CGCS2000 或 WGS 84：这样的坐标换成经纬度放到卫星地图上，会差出几十米到"
               "一百多米，两者之间也没有处处适用的换算（要用当地测绘部门的转换参数）。Qelt "
               "不做这种换算：请先把坐标换成 CGCS2000 的，再给它们所在的坐标系");

    // Axes: Qelt's X is north and Y east; EPSG's Chinese zones say so too (northing first),
    // UTM's are the other way round. The transformation below is normalised to easting,
    // northing whatever the CRS says, and only metres are taken.
    PjPtr cs = PjPtr(proj_crs_get_coordinate_system(ctx, crs));
    bool north = false, east = false, metres = cs && proj_cs_get_axis_count(ctx, cs.get()) == 2;
    for (int i = 0; metres && i < 2; ++i) {
        const char* direction = nullptr;
        double factor = 0;
        proj_cs_get_axis_info(ctx, cs.get(), i, nullptr, nullptr, &direction, &factor, nullptr,
                              nullptr, nullptr);
        const std::string_view d = direction ? direction : "";
        north = north || d == "north" || d == "North";
        east = east || d == "east" || d == "East";
        metres = factor == 1;
    }
    if (!(north && east && metres))
        refuse("坐标系 " + label_ +
               " 的坐标轴不是以米计的北、东两个方向，与 Qelt 的 X（北）、"
               "Y（东）对不上");

    // The zone's central meridian and false easting, where the projection is a transverse
    // Mercator (every Gauss–Krüger and UTM zone).
    central_meridian_ = kNaN;
    PjPtr conversion = PjPtr(proj_crs_get_coordoperation(ctx, crs));
    const char* method = nullptr;
    if (conversion)
        proj_coordoperation_get_method_info(ctx, conversion.get(), &method, nullptr, nullptr);
    if (method && std::string_view(method) == "Transverse Mercator") {
        const auto parameter = [&](const char* name, double to_unit) {
            const int index = proj_coordoperation_get_param_index(ctx, conversion.get(), name);
            double value = kNaN, factor = 1;
            if (index < 0 || !proj_coordoperation_get_param(
                                 ctx, conversion.get(), index, nullptr, nullptr, nullptr, &value,
                                 nullptr, &factor, nullptr, nullptr, nullptr, nullptr))
                return kNaN;
            return value * factor / to_unit;
        };
        central_meridian_ = parameter("Longitude of natural origin", kDegree);
        const double false_easting = parameter("False easting", 1);
        if (std::isfinite(false_easting)) {
            checks_prefix_ = true;
            prefix_ = zone_prefix(false_easting).value_or(0);
        }
    }

    double west = -1000, south = -1000, east_limit = -1000, north_limit = -1000;
    if (zone.crs.empty()) {
        west_ = zone.central_meridian - zone.half_width - kBeyondEdge;
        east_ = zone.central_meridian + zone.half_width + kBeyondEdge;
    } else if (proj_get_area_of_use(ctx, crs, &west, &south, &east_limit, &north_limit, nullptr) &&
               west > -1000 && east_limit > -1000) {
        west_ = west - kBeyondEdge;
        east_ = east_limit + kBeyondEdge;
    } else if (std::isfinite(central_meridian_)) {
        west_ = central_meridian_ - 3 - kBeyondEdge;
        east_ = central_meridian_ + 3 + kBeyondEdge;
    }

    // To the CRS's own geographic CRS: no datum shift, the inverse projection alone.
    PjPtr operation =
        PjPtr(proj_create_crs_to_crs_from_pj(ctx, crs, geodetic.get(), nullptr, nullptr));
    if (operation)
        proj_->to_geodetic = PjPtr(proj_normalize_for_visualization(ctx, operation.get()));
    if (!proj_->to_geodetic) refuse("PROJ 无法建立坐标系 " + label_ + " 到经纬度的换算");
}

GridProjection::~GridProjection() = default;

namespace {

// One point through the normalised transformation, (easting, northing) ↔ (longitude, latitude);
// NaN where PROJ fails.
void transform(PJ* pj, PJ_DIRECTION direction, double a, double b, double& out_a, double& out_b) {
    proj_errno_reset(pj);
    const PJ_COORD out = proj_trans(pj, direction, proj_coord(a, b, 0, 0));
    const bool failed = proj_errno(pj) != 0 || !std::isfinite(out.xy.x) || !std::isfinite(out.xy.y);
    out_a = failed ? kNaN : out.xy.x;
    out_b = failed ? kNaN : out.xy.y;
}

}  // namespace

GeoPoint GridProjection::geodetic(Point grid) const {
    GeoPoint geo;
    transform(proj_->to_geodetic.get(), PJ_FWD, grid.y, grid.x, geo.longitude, geo.latitude);
    return geo;
}

Point GridProjection::grid(GeoPoint geo) const {
    Point grid;
    transform(proj_->to_geodetic.get(), PJ_INV, geo.longitude, geo.latitude, grid.y, grid.x);
    return grid;
}

std::optional<std::string> GridProjection::misfit(Point grid, GeoPoint geo) const {
    const std::string y_text = "Y = " + fixed_text(grid.y, 3);
    if (checks_prefix_) {
        const int prefix = zone_prefix(grid.y).value_or(0);
        if (prefix != prefix_) {
            if (prefix_ == 0)
                return y_text + " 带有带号 " + std::to_string(prefix) + "，而坐标系 " + label_ +
                       " 的 Y 不带带号";
            if (prefix == 0)
                return y_text + " 不带带号，而坐标系 " + label_ + " 的 Y 带带号 " +
                       std::to_string(prefix_);
            return y_text + " 的带号 " + std::to_string(prefix) + " 与坐标系 " + label_ +
                   " 的带号 " + std::to_string(prefix_) + " 不符";
        }
    }
    if (!std::isfinite(geo.longitude) || !std::isfinite(geo.latitude))
        return "坐标（X = " + fixed_text(grid.x, 3) + "，" + y_text + "）在坐标系 " + label_ +
               " 中换算不出经纬度";
    if (west_ <= east_ && (geo.longitude < west_ || geo.longitude > east_)) {
        std::string why = "经度 " + fixed_text(geo.longitude, 3) + "° 超出坐标系 " + label_ +
                          " 的合理范围 " + fixed_text(west_, 1) + "°–" + fixed_text(east_, 1) + "°";
        if (std::isfinite(central_meridian_))
            why += "（离中央子午线 " + short_number_text(central_meridian_) + "° 已有 " +
                   fixed_text(std::fabs(geo.longitude - central_meridian_), 2) + "°）";
        return why + "：带号或坐标系不对，或坐标有误";
    }
    return std::nullopt;
}

}  // namespace qelt
