// Longitude and latitude from the grid, against the test's own Krüger series (krueger_series.h),
// itself anchored first to published worked examples.

#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <string>

#include "base/data_error.h"
#include "krueger_series.h"
#include "report/field/grid_projection.h"

namespace qelt {
namespace {

using testing::kAiry;
using testing::kDegree;
using testing::kGrs80;
using testing::KruegerSeries;
using testing::kWgs84;
using testing::Tm;

double dms(double d, double m, double s) {
    return d + m / 60 + s / 3600;
}

TEST(KruegerSeries, ReproducesPublishedTransverseMercatorExamples) {
    // No table of CGCS2000 Gauss–Krüger control points was at hand; the series is anchored to
    // the published worked examples of the same projection on the Airy ellipsoid (OSGB 1936 /
    // British National Grid): IOGP Guidance Note 7-2 (publication 373-7-2), Transverse
    // Mercator example, given to the centimetre by the older USGS series, itself good to about
    // a centimetre (PROJ finds the same 8 mm and 6 mm); Ordnance Survey, "A guide to coordinate
    // systems in Great Britain", annex C worked example, given to the millimetre.
    const KruegerSeries bng({kAiry, -2, 49, 0.9996012717, 400000, -100000});
    struct Case {
        const char* source;
        double lat, lon, north, east, tolerance;
    };
    const Case cases[] = {
        {"IOGP 373-7-2", dms(50, 30, 0), dms(0, 30, 0), 69740.50, 577274.99, 0.01},
        {"OS guide", dms(52, 39, 27.2531), dms(1, 43, 4.5177), 313177.270, 651409.903, 0.0006},
    };
    for (const Case& c : cases) {
        const Point grid = bng.forward(c.lat, c.lon);
        EXPECT_NEAR(grid.x, c.north, c.tolerance) << c.source;
        EXPECT_NEAR(grid.y, c.east, c.tolerance) << c.source;
        const GeoPoint back = bng.inverse({c.north, c.east});
        // The published grid values are rounded: back to within their rounding on the ground.
        EXPECT_NEAR(back.latitude, c.lat, c.tolerance / 111000) << c.source;
        EXPECT_NEAR(back.longitude, c.lon, c.tolerance / 60000) << c.source;
    }
}

using testing::ground_distance;

TEST(GridProjection, AgreesWithTheSeriesAcrossZonesAndComesBack) {
    // Every way a zone is named, each across its width and then some (a 3° zone to 3.5° from
    // its central meridian, a 6° zone to 5°; with its prefix only to 4.5°, where the easting at
    // 18°N stays within the prefix's 500 km), from Hainan to Heilongjiang. EPSG's Chinese zones
    // put northing first, UTM easting first: Qelt's X is north in both.
    struct Case {
        const char* what;
        GridZone zone;
        Tm tm;
        double reach;  // degrees either side of the central meridian
    };
    const Case cases[] = {
        {"prefix 39", *prefixed_zone(39), {kGrs80, 117, 0, 1, 39500000, 0}, 3.49},
        {"prefix 20", *prefixed_zone(20), {kGrs80, 117, 0, 1, 20500000, 0}, 4.5},
        {"meridian 114.5", meridian_zone(114.5), {kGrs80, 114.5, 0, 1, 500000, 0}, 4.99},
        {"EPSG:4527", crs_zone("EPSG:4527"), {kGrs80, 117, 0, 1, 39500000, 0}, 3.49},
        {"EPSG:4545", crs_zone("EPSG:4545"), {kGrs80, 108, 0, 1, 500000, 0}, 3.49},
        {"EPSG:4508", crs_zone("EPSG:4508"), {kGrs80, 111, 0, 1, 500000, 0}, 4.99},
        {"EPSG:32650", crs_zone("EPSG:32650"), {kWgs84, 117, 0, 0.9996, 500000, 0}, 4.99},
    };
    double worst_geo = 0, worst_grid = 0, worst_back = 0;
    for (const Case& c : cases) {
        const GridProjection projection(c.zone);
        const KruegerSeries series(c.tm);
        for (double lat = 18; lat <= 54; lat += 4) {
            for (double d = -c.reach; d <= c.reach + 1e-9; d += c.reach / 4) {
                const GeoPoint geo{c.tm.lon0 + d, lat};
                const Point grid = series.forward(geo.latitude, geo.longitude);
                const GeoPoint proj = projection.geodetic(grid);
                const double geo_error = ground_distance(proj, geo);
                const Point proj_grid = projection.grid(geo);
                const double grid_error = std::hypot(proj_grid.x - grid.x, proj_grid.y - grid.y);
                const Point back = projection.grid(proj);
                const double back_error = std::hypot(back.x - grid.x, back.y - grid.y);
                EXPECT_LT(geo_error, 1e-3) << c.what << " at " << lat << ", " << d;
                EXPECT_LT(grid_error, 1e-3) << c.what << " at " << lat << ", " << d;
                EXPECT_LT(back_error, 1e-6) << c.what << " at " << lat << ", " << d;
                EXPECT_FALSE(projection.misfit(grid, proj)) << c.what << " at " << lat << ", " << d;
                // X and Y swapped (north taken for east) is far off, never quietly projected.
                const Point swapped{grid.y, grid.x};
                EXPECT_TRUE(projection.misfit(swapped, projection.geodetic(swapped))) << c.what;
                worst_geo = std::max(worst_geo, geo_error);
                worst_grid = std::max(worst_grid, grid_error);
                worst_back = std::max(worst_back, back_error);
                EXPECT_LT(ground_distance(series.inverse(grid), geo), 1e-6) << c.what;
            }
        }
    }
    std::cout << "PROJ against the Krüger series: longitude/latitude within " << worst_geo
              << " m, grid within " << worst_grid << " m; PROJ grid → geodetic → grid within "
              << worst_back << " m\n";
}

TEST(GridProjection, ZonesOfThePrefix) {
    // Y, its prefix, the zone's central meridian and half width (0: no zone of China's).
    const double cases[][4] = {{38498953.0072, 38, 114, 1.5}, {25400000, 25, 75, 1.5},
                               {45600000, 45, 135, 1.5},      {13500000, 13, 75, 3},
                               {23700000, 23, 135, 3},        {24500000, 24, 0, 0},
                               {46500000, 46, 0, 0}};
    for (const auto& c : cases) {
        ASSERT_EQ(zone_prefix(c[0]), static_cast<int>(c[1])) << c[0];
        const std::optional<GridZone> zone = prefixed_zone(static_cast<int>(c[1]));
        ASSERT_EQ(zone.has_value(), c[2] != 0) << c[0];
        if (!zone) continue;
        EXPECT_EQ(zone->central_meridian, c[2]) << c[0];
        EXPECT_EQ(zone->half_width, c[3]) << c[0];
        EXPECT_EQ(zone->false_easting, c[1] * 1e6 + 500000) << c[0];
    }
    EXPECT_FALSE(zone_prefix(9999999.999));
    EXPECT_FALSE(zone_prefix(std::nan("")));
}

TEST(GridProjection, RefusesWhatWouldMisplaceTheMap) {
    struct Case {
        const char* crs;
        const char* says;
    };
    const Case cases[] = {
        {"EPSG:4490", "经纬度坐标系"},  // CGCS2000 geographic
        {"EPSG:4326", "经纬度坐标系"},
        {"EPSG:2435", "北京 54"},           // Beijing 1954 / 3-degree Gauss-Kruger CM 114E
        {"EPSG:2383", "西安 80"},           // Xian 1980 / 3-degree Gauss-Kruger CM 114E
        {"EPSG:4796", "新北京 54"},         // New Beijing / 3-degree Gauss-Kruger CM 117E
        {"EPSG:27700", "Ordnance Survey"},  // another country's datum
        {"EPSG:999999", "不认识"},
        {"4527", "不认识"},
    };
    for (const Case& c : cases) {
        try {
            GridProjection projection(crs_zone(c.crs));
            ADD_FAILURE() << c.crs << " accepted";
        } catch (const DataError& e) {
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
        }
    }
    EXPECT_THROW(meridian_zone(200), DataError);
    EXPECT_THROW(meridian_zone(std::nan("")), DataError);
}

}  // namespace
}  // namespace qelt
