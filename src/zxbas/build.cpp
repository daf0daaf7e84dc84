// The main line from its intersection points: leg azimuths, deflections, the curve at every
// interior JD, the continuous stations of JDs and key points, and the key points' coordinates.

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "base/data_error.h"
#include "base/text.h"
#include "zxbas/zxbas.h"

namespace qelt {
namespace {

// The alignment file holds the start station on its first line and JD i on line i + 1.
long file_line(int jd) {
    return jd + 1;
}

[[noreturn]] void fail(const MainLine& m, int jd, const std::string& what) {
    throw DataError(zx_jd_name(m, jd) + " " + what, {}, file_line(jd));
}

// Lengths in messages: metres to the millimetre, as the coordinates are surveyed.
std::string metres(double v) {
    return fixed_text(v, 3);
}

bool is_hairpin(const MainLine& m, int i, int n) {
    return i >= 2 && i <= n - 1 && m.jd_hairpin[i];
}

// Only a count that fits the tables can be built.
int checked_count(const MainLine& m) {
    const int n = m.jd_count;
    if (n < 1) throw DataError("没有交点记录");
    if (n > kMaxJd)
        throw DataError("交点记录超过 1000 个，超出程序的容量", {}, file_line(kMaxJd + 1));
    return n;
}

// The reader accepts "inf" and "nan" as numbers; no geometry can be made from them.
void check_input(const MainLine& m, int n) {
    if (!std::isfinite(m.jd_start_station)) throw DataError("起点桩号不是有限数", {}, 1);
    for (int i = 1; i <= n; ++i) {
        bool ok = std::isfinite(m.jd_x[i]) && std::isfinite(m.jd_y[i]);
        if (i >= 2 && i <= n - 1) {
            for (double v : {m.jd_r[i], m.jd_ls1[i], m.jd_ls2[i], m.jd_r1[i], m.jd_r2[i]}) {
                ok = ok && std::isfinite(v);
            }
        }
        if (!ok) fail(m, i, "数据不是有限数");
    }
}

// Every value the build writes, row by row, so that the first bad row names the JD at fault
// (an overflow in one curve spreads to every later station).
void check_output(const MainLine& m, int n) {
    for (int i = 1; i <= n; ++i) {
        bool ok = true;
        auto need = [&ok](double v) { ok = ok && std::isfinite(v); };
        need(m.zx_t1[i]);
        need(m.zx_t2[i]);
        need(m.jd_station[i]);
        for (double v :
             {m.zx_zh_x[i], m.zx_zh_y[i], m.zx_hy_x[i], m.zx_hy_y[i], m.zx_hz_x[i], m.zx_hz_y[i]}) {
            need(v);
        }
        if (i <= n - 1) need(m.zx_azimuth[i]);
        if (i >= 2 && i <= n - 1) {
            for (double v : {m.zx_defl[i], m.zx_len[i], m.zx_zh[i], m.zx_hy[i], m.zx_yh[i],
                             m.zx_hz[i], m.zx_hy_azimuth[i]}) {
                need(v);
            }
        }
        if (!ok) fail(m, i, "计算结果溢出（曲线要素不合理）");
    }
}

double azimuth(const MainLine& m, int from, int to) {
    return zx_point_azimuth({m.jd_x[from], m.jd_y[from]}, {m.jd_x[to], m.jd_y[to]});
}

double jd_distance(const MainLine& m, int a, int b) {
    const double dx = m.jd_x[b] - m.jd_x[a];
    const double dy = m.jd_y[b] - m.jd_y[a];
    return std::sqrt(dy * dy + dx * dx);
}

// Two consecutive JDs at one point (a record typed twice, a coordinate copied from the line
// above) leave the leg between them without a direction: the deflections at both JDs, and so
// both curves, would be made up. Half a millimetre is nothing at the millimetre the
// coordinates are given to.
void check_distinct(const MainLine& m, int n) {
    for (int i = 1; i <= n - 1; ++i) {
        const double d = jd_distance(m, i, i + 1);
        if (d < 0.0005) {
            throw DataError(zx_jd_name(m, i) + " 与 " + zx_jd_name(m, i + 1) +
                                " 位于同一点（两交点间距 " + metres(d) +
                                " 米），其间直线没有方向；请检查这两个交点的坐标，" +
                                "删去重复的交点记录",
                            {}, file_line(i + 1));
        }
    }
}

// Leg i, JD i to JD i + 1, as the line runs it: a leg that a hairpin runs backwards counts
// negative, so that the JD stations follow from the legs and curves alike.
JdTable signed_legs(const MainLine& m, int n) {
    JdTable leg{};
    for (int i = 2; i <= n; ++i) leg[i - 1] = jd_distance(m, i - 1, i);
    for (int i = 2; i <= n - 1; ++i) {
        if (!is_hairpin(m, i, n)) continue;
        leg[i - 1] = m.jd_keep_in[i] ? jd_distance(m, i - 1, i) : -jd_distance(m, i - 1, i);
        leg[i] = m.jd_keep_out[i] ? jd_distance(m, i, i + 1) : -jd_distance(m, i, i + 1);
    }
    return leg;
}

// The line as the table of pieces zx_locate searches: from JD 1 the straight to the first ZH,
// then per curve its entry transition from ZH, its arc from HY and its exit transition from YH,
// the straight on from HZ, and last the straight from the last HZ to the end point. Each curve
// starts from its own key points, placed from its JD, so that an error can never run on from
// one curve into the next.
void locate_pieces(MainLine& m, int n, const std::vector<CurveShape>& shapes) {
    LocatedLine& line = m.zx_line;
    Point at{m.jd_x[1], m.jd_y[1]};
    double from = m.jd_station[1];
    line.reset(from, at, n >= 2 ? m.zx_azimuth[1] : std::numeric_limits<double>::quiet_NaN());
    const auto add = [&line](const Piece& piece) { line.append(piece); };
    const auto straight_to = [&](double mileage, double azimuth) {
        add(Piece{from, at, azimuth, 0, 0, std::max(0.0, mileage - from)});
    };
    for (int i = 2; i <= n - 1; ++i) {
        const CurveShape& c = shapes[i];
        straight_to(m.zx_zh[i], m.zx_azimuth[i - 1]);
        add(Piece{m.zx_zh[i],
                  {m.zx_zh_x[i], m.zx_zh_y[i]},
                  m.zx_azimuth[i - 1],
                  c.k_start,
                  c.k_arc,
                  c.entry});
        const Piece arc{
            m.zx_hy[i], {m.zx_hy_x[i], m.zx_hy_y[i]}, m.zx_hy_azimuth[i], c.k_arc, c.k_arc, c.arc};
        add(arc);
        Point yh;
        double yh_azimuth = 0;
        piece_point(arc, c.arc, yh, yh_azimuth);
        add(Piece{m.zx_yh[i], yh, yh_azimuth, c.k_arc, c.k_end, c.exit});
        at = {m.zx_hz_x[i], m.zx_hz_y[i]};
        from = m.zx_hz[i];
    }
    if (n >= 2) straight_to(m.jd_station[n], m.zx_azimuth[n - 1]);
}

void build_rows(MainLine& m, int n) {
    const double pi = std::numbers::pi;

    // Legs in the direction of travel. A hairpin's legs meet behind the curve, so by default
    // the line runs away from the JD on the incoming leg and towards it on the outgoing one.
    for (int i = 1; i <= n - 1; ++i) m.zx_azimuth[i] = azimuth(m, i, i + 1);
    for (int i = 2; i <= n - 1; ++i) {
        if (!is_hairpin(m, i, n)) continue;
        m.zx_azimuth[i - 1] = m.jd_keep_in[i] ? azimuth(m, i - 1, i) : azimuth(m, i, i - 1);
        m.zx_azimuth[i] = m.jd_keep_out[i] ? azimuth(m, i, i + 1) : azimuth(m, i + 1, i);
    }

    for (int i = 2; i <= n - 1; ++i)
        m.zx_defl[i] = reduced_turn(m.zx_azimuth[i] - m.zx_azimuth[i - 1]);
    // A hairpin turns by more than a half turn: the same legs, the other way round.
    for (int i = 2; i <= n - 1; ++i) {
        if (!is_hairpin(m, i, n)) continue;
        m.zx_defl[i] = m.zx_defl[i] < 0 ? m.zx_defl[i] + 2 * pi : m.zx_defl[i] - 2 * pi;
    }
    // Negative curve data is what tells the solver that a curve is a hairpin; the negated
    // values live here only, so the input stays as it was read.
    const auto curve_value = [&m, n](const JdTable& table, int i) {
        return is_hairpin(m, i, n) ? -table[i] : table[i];
    };

    for (int i = 1; i <= n; ++i) {
        m.zx_t1[i] = 0;
        m.zx_t2[i] = 0;
    }
    std::vector<CurveShape> shapes(static_cast<std::size_t>(n) + 1);
    for (int i = 2; i <= n - 1; ++i) {
        const double r = curve_value(m.jd_r, i), r1 = curve_value(m.jd_r1, i),
                     r2 = curve_value(m.jd_r2, i), ls1 = curve_value(m.jd_ls1, i),
                     ls2 = curve_value(m.jd_ls2, i);
        CurveSolution c;
        try {
            c = zx_curve_solve(r, r1, r2, ls1, ls2, m.zx_defl[i], m.zx_azimuth[i - 1],
                               m.zx_azimuth[i]);
            shapes[i] = zx_curve_shape(r, r1, r2, ls1, ls2, m.zx_defl[i]);
        } catch (const DataError& e) {
            fail(m, i, e.what());
        }
        m.zx_t1[i] = c.t1;
        m.zx_t2[i] = c.t2;
        m.zx_len[i] = shapes[i].entry + shapes[i].arc + shapes[i].exit;
    }

    const JdTable leg = signed_legs(m, n);
    // A JD's station is reckoned along the line: the previous curve's length replaces its
    // two tangents.
    m.jd_station[1] = m.jd_start_station;
    for (int i = 2; i <= n; ++i) {
        const double curve = i - 1 >= 2 ? m.zx_len[i - 1] : 0.0;
        m.jd_station[i] =
            m.jd_station[i - 1] + leg[i - 1] + curve - m.zx_t1[i - 1] - m.zx_t2[i - 1];
    }
    for (int i = 2; i <= n - 1; ++i) {
        const double zh = m.jd_station[i] - m.zx_t1[i];
        m.zx_zh[i] = zh;
        m.zx_hy[i] = zh + shapes[i].entry;
        m.zx_yh[i] = zh + m.zx_len[i] - shapes[i].exit;
        m.zx_hz[i] = zh + m.zx_len[i];
    }

    for (int i : {1, n}) {
        m.zx_zh_x[i] = m.zx_hy_x[i] = m.zx_hz_x[i] = m.jd_x[i];
        m.zx_zh_y[i] = m.zx_hy_y[i] = m.zx_hz_y[i] = m.jd_y[i];
    }
    for (int i = 2; i <= n - 1; ++i) {
        const double back = m.zx_azimuth[i - 1] + pi;
        m.zx_zh_x[i] = m.jd_x[i] + m.zx_t1[i] * std::cos(back);
        m.zx_zh_y[i] = m.jd_y[i] + m.zx_t1[i] * std::sin(back);
    }
    for (int i = 2; i <= n - 1; ++i) {
        m.zx_hz_x[i] = m.jd_x[i] + m.zx_t2[i] * std::cos(m.zx_azimuth[i]);
        m.zx_hz_y[i] = m.jd_y[i] + m.zx_t2[i] * std::sin(m.zx_azimuth[i]);
    }

    // HY and the tangent there: the entry transition traced from ZH along the incoming leg.
    for (int i = 2; i <= n - 1; ++i) {
        double along = 0, right = 0, turned = 0;
        piece_local(shapes[i].k_start, shapes[i].k_arc, shapes[i].entry, shapes[i].entry, along,
                    right, turned);
        const Point hy = place({m.zx_zh_x[i], m.zx_zh_y[i]}, m.zx_azimuth[i - 1], along, right);
        m.zx_hy_x[i] = hy.x;
        m.zx_hy_y[i] = hy.y;
        m.zx_hy_azimuth[i] = m.zx_azimuth[i - 1] + turned;
    }
    locate_pieces(m, n, shapes);
}

// Every curve must fit its legs: the straight between HZ of one curve and ZH of the next (or
// between the start point and the first ZH, the last HZ and the end point) may not be
// negative. A radius typed 8000 for 800 gives tangents of kilometres; the curves then overlap,
// the stations run backwards and every borehole beyond is placed hundreds of metres off, so the
// line is refused rather than built. With the legs and tangents signed as the line runs them,
// that straight is leg − T2 − T1 for hairpins too: it is ZH of the next JD less HZ of this one.
// A millimetre is allowed for curves designed to touch, whose tangents were rounded.
void check_fit(const MainLine& m, int n) {
    const JdTable leg = signed_legs(m, n);
    for (int i = 1; i <= n - 1; ++i) {
        const bool curve_before = i >= 2;
        const bool curve_after = i + 1 <= n - 1;
        if (!curve_before && !curve_after) continue;
        const double t2 = curve_before ? m.zx_t2[i] : 0.0;
        const double t1 = curve_after ? m.zx_t1[i + 1] : 0.0;
        const double excess = t2 + t1 - leg[i];
        if (!(excess > 0.001)) continue;

        const std::string a = zx_jd_name(m, i), b = zx_jd_name(m, i + 1);
        std::string what;
        long at = 0;
        if (curve_before && curve_after) {
            what = a + " 的切线长 T2 = " + metres(t2) + " 米与 " + b +
                   " 的切线长 T1 = " + metres(t1) + " 米之和超过两交点间距 " + metres(leg[i]) +
                   " 米（曲线重叠 " + metres(excess) +
                   " 米）；请检查这两个交点的圆曲线半径和缓和曲线长度";
            at = file_line(i + 1);
        } else if (curve_after) {
            what = b + " 的切线长 T1 = " + metres(t1) + " 米超过 " + a + " 至 " + b + " 的距离 " +
                   metres(leg[i]) + " 米（ZH 点落在路线起点 " + a + " 之前 " + metres(excess) +
                   " 米）；请检查 " + b + " 的圆曲线半径和缓和曲线长度";
            at = file_line(i + 1);
        } else {
            what = a + " 的切线长 T2 = " + metres(t2) + " 米超过 " + a + " 至 " + b + " 的距离 " +
                   metres(leg[i]) + " 米（HZ 点落在路线终点 " + b + " 之后 " + metres(excess) +
                   " 米）；请检查 " + a + " 的圆曲线半径和缓和曲线长度";
            at = file_line(i);
        }
        // A hairpin runs its legs backwards unless told to keep them; the lengths shown are then
        // negative, and the keep marks are as likely at fault as the radius.
        if (is_hairpin(m, i, n) || is_hairpin(m, i + 1, n)) {
            what +=
                "。回头曲线的切线长和交点间距按路线前进方向计，反向为负；另请检查回头曲线"
                "交点名末尾表示前后直线保持方向的“1”";
        }
        throw DataError(what, {}, at);
    }
}

}  // namespace

std::string zx_jd_name(const MainLine& line, int jd) {
    if (jd >= 1 && jd <= kMaxJd && !line.jd_name[jd].empty()) return line.jd_name[jd];
    return "JD" + std::to_string(jd);
}

void zx_build(MainLine& line) {
    const int n = checked_count(line);
    check_input(line, n);
    check_distinct(line, n);
    // Build on a copy: a line that fails leaves the caller's tables exactly as they were,
    // never half built and never holding inf or NaN.
    auto work = std::make_unique<MainLine>(line);
    build_rows(*work, n);
    check_output(*work, n);
    check_fit(*work, n);
    line = *work;
}

}  // namespace qelt
