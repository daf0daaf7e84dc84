#pragma once
// The main line given by the intersection-point method (交点法): a tangent polygon of
// intersection points JD 1..N, with a curve (entry transition, circular arc, exit transition)
// at every interior JD.
//
// Frame and units used throughout: metres; X to the north, Y to the east; an azimuth is in
// radians, clockwise from +X, so its unit vector is (cos a, sin a) in (X, Y); a deflection is
// positive for a turn to the right. Stations are continuous mileages (chain breaks taken out).
//
// Every table has room for 1000 JDs indexed 1..1000 (slot 0 is unused): that capacity is part
// of what input files are accepted. The struct is large (about 300 KB); allocate it on the heap.

#include <array>
#include <string>

#include "geometry/geometry.h"

namespace qelt {

inline constexpr int kMaxJd = 1000;
using JdTable = std::array<double, kMaxJd + 1>;
using JdFlags = std::array<bool, kMaxJd + 1>;

struct MainLine {
    // --- Input, as the alignment file gives it ---
    int jd_count = 0;             // N, number of records read (start and end point included)
    double jd_start_station = 0;  // continuous station of JD 1
    JdTable jd_x{}, jd_y{};       // JD coordinates
    JdTable jd_r{};               // radius of the circular arc
    JdTable jd_ls1{}, jd_ls2{};   // entry and exit transition lengths (0 = none)
    JdTable jd_r1{}, jd_r2{};     // radius at the outer end of each transition (0 = straight)
    JdFlags jd_hairpin{};         // a hairpin JD (回头曲线)
    JdFlags jd_keep_in{};         // the hairpin's incoming leg keeps its direction
    JdFlags jd_keep_out{};        // the hairpin's outgoing leg keeps its direction
    // The JD's name as written in the file ("JD2", "QD"), so that a message about a curve names
    // the point the engineer knows; empty when the tables were filled without a file.
    std::array<std::string, kMaxJd + 1> jd_name{};

    // --- Output of zx_build ---
    JdTable zx_azimuth{};  // leg i, JD i -> JD i+1, in the direction the curves use
    JdTable zx_defl{};     // signed deflection at JD i
    JdTable zx_t1{}, zx_t2{};
    JdTable zx_len{};      // curve length ZH..HZ
    JdTable jd_station{};  // continuous station of JD i
    JdTable zx_zh{}, zx_hy{}, zx_yh{}, zx_hz{};
    JdTable zx_zh_x{}, zx_zh_y{};
    JdTable zx_hy_x{}, zx_hy_y{};
    JdTable zx_hz_x{}, zx_hz_y{};
    JdTable zx_hy_azimuth{};
    // The line itself as a table of pieces (straights, transitions, arcs) from JD 1 to JD N,
    // which zx_locate searches.
    LocatedLine zx_line;
};

}  // namespace qelt
