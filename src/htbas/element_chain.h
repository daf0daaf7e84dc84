#pragma once
// An interchange ramp given by the building-block method (积木法): a start point with its
// station, coordinates and tangent azimuth, then elements laid end to end, each given only by
// its start radius, end radius and length. A radius of exactly 9999 means a straight (zero
// curvature); a positive radius turns right (azimuth grows), a negative one left.
//
// Frame and units: metres; X north, Y east; azimuths in radians clockwise from +X.
// Tables hold 1000 entries indexed 1..1000 (slot 0 unused). Allocate the struct on the heap.

#include <array>
#include <cstdint>

#include "geometry/geometry.h"

namespace qelt {

inline constexpr int kMaxElements = 1000;
inline constexpr double kStraightRadius = 9999.0;
using ElementTable = std::array<double, kMaxElements + 1>;

struct ElementChain {
    // --- Input, as the element file gives it ---
    double ht_start_station = 0;
    double ht_start_x = 0, ht_start_y = 0;
    // ddd.mmss as read (45.3020 is 45° 30′ 20″); the build takes its radians from it and leaves
    // it as it is.
    double ht_start_azimuth = 0;
    ElementTable ht_in_r1{}, ht_in_r2{}, ht_in_len{};
    // The line of the element file holding each element's start radius (0 when the chain
    // was not read from a file), for the notices that name an element.
    std::array<long, kMaxElements + 1> ht_in_line{};
    std::int16_t ht_in_count = 0;

    // --- Working chain after the inflection split (the input tables stay as read) ---
    ElementTable ht_r1{}, ht_r2{}, ht_len{};
    std::int16_t ht_count = 0;

    // --- Output of ht_build_chain; entry N+1 is the chain's end ---
    ElementTable ht_station{};
    ElementTable ht_azimuth{};  // in [0, 2π)
    ElementTable ht_x{}, ht_y{};
    ElementTable ht_defl{};  // signed change of azimuth over element i
    ElementTable ht_dx{}, ht_dy{};
    // The chain as a table of pieces, one per element of non-zero length, which ht_locate
    // searches.
    LocatedLine ht_line;
};

}  // namespace qelt
