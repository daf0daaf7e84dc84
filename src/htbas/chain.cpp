// The element chain: the plane position of every element start, and the point and tangent at
// any station, both from the shared piece evaluation: an element is a piece whose curvature runs
// linearly from 1/R1 to 1/R2 over its length.

#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "base/data_error.h"
#include "base/text.h"
#include "geometry/geometry.h"
#include "htbas/htbas.h"

namespace qelt {
namespace {

enum class Kind { straight, arc, entry_transition, exit_transition, radius_to_radius };

// Decided from the two radii alone; no kind code is stored. 9999 is a marker for "no
// curvature" in the element file, so it is compared exactly: −9999 and 9999.5 are radii.
// Radii of opposite signs (removed by the split) and radius 0 (rejected by the build) also fall
// to radius_to_radius.
Kind kind_of(double r1, double r2) {
    const bool straight1 = r1 == kStraightRadius;
    const bool straight2 = r2 == kStraightRadius;
    if (straight1 && straight2) return Kind::straight;
    if (r1 == r2) return Kind::arc;
    if (straight1) return Kind::entry_transition;
    if (straight2) return Kind::exit_transition;
    return Kind::radius_to_radius;
}

// Curvature at an element end (1/m, + to the right); 9999 marks a straight.
double curvature(double r) {
    return r == kStraightRadius ? 0.0 : 1.0 / r;
}

// The element as a piece starting at the start of element i, in its own frame: every kind,
// a transition between two close radii included, is evaluated from its own start.
Piece element_piece(const ElementChain& chain, int i) {
    return Piece{chain.ht_station[i],       {chain.ht_x[i], chain.ht_y[i]}, chain.ht_azimuth[i],
                 curvature(chain.ht_r1[i]), curvature(chain.ht_r2[i]),      chain.ht_len[i]};
}

// "第 3 个线元 (500, 0, 100) ": index in the working chain, i.e. after the inflection split, so
// the radii and length are given as well to find the element in the file.
std::string element_text(const ElementChain& chain, int i) {
    return "第 " + std::to_string(i) + " 个线元 (" + significant_text(chain.ht_r1[i], 10) + ", " +
           significant_text(chain.ht_r2[i], 10) + ", " + significant_text(chain.ht_len[i], 10) +
           ") ";
}

// Data the arithmetic below cannot stand: a division by zero, a station that would run
// backwards, a curvature that changes sign inside one element.
void check_element(const ElementChain& chain, int i) {
    const double r1 = chain.ht_r1[i];
    const double r2 = chain.ht_r2[i];
    const double len = chain.ht_len[i];
    const auto fail = [&](const char* what) {
        throw DataError(element_text(chain, i) + what, {}, 0);
    };
    if (!std::isfinite(r1) || !std::isfinite(r2) || !std::isfinite(len)) fail("数据不是有限数");
    // Stations would decrease along the chain and leave stations that no element contains.
    if (len < 0) fail("长度为负");
    const Kind kind = kind_of(r1, r2);
    if (kind == Kind::straight) return;
    if (r1 == 0 || r2 == 0) fail("半径为 0");
    // A transition of length 0 has clothoid constant 0, and the series divide by it.
    if (kind != Kind::arc && len == 0) fail("为长度 0 的缓和曲线");
    // Only the split's exit/entry pair can pass through zero curvature; left here, the locate's
    // azimuth would divide by zero at the reverse point.
    if (kind == Kind::radius_to_radius && (r1 < 0) != (r2 < 0)) fail("半径异号，未经拆分");
}

// "平面资料文件“ht.txt”第 3 行", or without the line for a chain not read from a file.
std::string file_line(const std::string& file_name, long line) {
    return "平面资料文件“" + file_name + "”" +
           (line > 0 ? "第 " + std::to_string(line) + " 行" : "");
}

// "第 2 个线元（-300, -300, 120）": an element as the file gives it, by its place there, and
// with `line` "第 1 个线元（9999, 300, 60，第 2 行）".
std::string input_element_text(const ElementChain& chain, int i, long line = 0) {
    return "第 " + std::to_string(i) + " 个线元（" + significant_text(chain.ht_in_r1[i], 10) +
           ", " + significant_text(chain.ht_in_r2[i], 10) + ", " +
           significant_text(chain.ht_in_len[i], 10) +
           (line > 0 ? "，第 " + std::to_string(line) + " 行" : "") + "）";
}

// Two elements meeting with radii of opposite signs reverse the road at a point with no
// transition between the curves: the lateral acceleration flips at once and the
// superelevation cannot change sides, so no designer lays that out. In an element file it
// almost always means a minus sign lost or added on one of the radii, which moves everything
// after the joint. The chain is still built as written; the engineer is told. A straight
// (9999) has no sign.
void note_reverse_joints(const ElementChain& chain, const std::string& file_name,
                         std::vector<std::string>& notices) {
    for (int i = 1; i < chain.ht_in_count; ++i) {
        const double end = chain.ht_in_r2[i], start = chain.ht_in_r1[i + 1];
        if (end == kStraightRadius || start == kStraightRadius || (end < 0) == (start < 0))
            continue;
        notices.push_back(
            file_line(file_name, chain.ht_in_line[i + 1]) + "：" +
            input_element_text(chain, i + 1) + "的起点半径 " + significant_text(start, 10) + " 与" +
            input_element_text(chain, i, chain.ht_in_line[i]) + "的终点半径 " +
            significant_text(end, 10) +
            " 异号：两条曲线在此反向直接相接，中间没有缓和曲线，多半是某个半径漏写或多写了负号；"
            "已按所写算出，请核对半径的正负号");
    }
}

// A build writes only finite values; a division by zero or an overflow shows up here.
void check_finite(double v, const std::string& what) {
    if (!std::isfinite(v)) throw DataError(what + "不是有限数", {}, 0);
}

// No ramp turns anywhere near this many times: an accumulated azimuth beyond it comes from
// radii or lengths typed wrong, and its direction would be meaningless rounding.
constexpr double kMaxTurns = 1e4;

}  // namespace

void ht_build_chain(ElementChain& chain) {
    const double pi = std::numbers::pi;
    const double two_pi = 2 * pi;
    // The file's ddd.mmss, first of all: a start azimuth out of range is refused before the
    // elements are looked at.
    const double start_azimuth = ht_dms_to_degrees(chain.ht_start_azimuth) * pi / 180;
    const int n = chain.ht_count;
    if (n < 0 || n > kMaxChainElements) {
        throw DataError("线元个数 " + std::to_string(n) + " 超出 0..999", {}, 0);
    }
    check_finite(chain.ht_start_station, "起点桩号");
    check_finite(chain.ht_start_x, "起点 X");
    check_finite(chain.ht_start_y, "起点 Y");
    for (int i = 1; i <= n; ++i) check_element(chain, i);
    const auto end_text = [&](int i) { return element_text(chain, i) + "终点"; };

    check_finite(start_azimuth, "起点方位角");

    chain.ht_station[1] = chain.ht_start_station;
    for (int i = 1; i <= n; ++i) {
        chain.ht_station[i + 1] = chain.ht_station[i] + chain.ht_len[i];
        check_finite(chain.ht_station[i + 1], end_text(i) + "桩号");
    }

    for (int i = 1; i <= n; ++i) {
        const double r1 = chain.ht_r1[i];
        const double r2 = chain.ht_r2[i];
        const double len = chain.ht_len[i];
        double defl = 0;
        switch (kind_of(r1, r2)) {
            case Kind::straight:
                defl = 0;
                break;
            case Kind::arc:
                defl = len / r1;
                break;
            case Kind::entry_transition:
                defl = len / (2 * r2);
                break;
            case Kind::exit_transition:
                defl = len / (2 * r1);
                break;
            // The mean curvature times the length, in this order of operations.
            case Kind::radius_to_radius:
                defl = (r2 + r1) * len / 2 / r1 / r2;
                break;
        }
        chain.ht_defl[i] = defl;
        check_finite(defl, element_text(chain, i) + "转角");
    }

    // Summed unreduced, then each entry reduced on its own: reducing as we go would change
    // the rounding of every later azimuth.
    chain.ht_azimuth[1] = start_azimuth;
    for (int i = 1; i <= n; ++i) chain.ht_azimuth[i + 1] = chain.ht_azimuth[i] + chain.ht_defl[i];
    for (int i = 1; i <= n + 1; ++i) {
        double a = chain.ht_azimuth[i];
        if (!(std::abs(a) <= kMaxTurns * two_pi)) {
            throw DataError((i == 1 ? std::string("起点") : end_text(i - 1)) +
                                "方位角超过一万周（累计转角过大）",
                            {}, 0);
        }
        chain.ht_azimuth[i] = reduced_azimuth(a);
    }

    for (int i = 1; i <= n; ++i) {
        double along = 0, right = 0, turned = 0;
        piece_local(curvature(chain.ht_r1[i]), curvature(chain.ht_r2[i]), chain.ht_len[i],
                    chain.ht_len[i], along, right, turned);
        const Point d = place({0, 0}, chain.ht_azimuth[i], along, right);
        chain.ht_dx[i] = d.x;
        chain.ht_dy[i] = d.y;
        check_finite(d.x, element_text(chain, i) + "坐标增量");
        check_finite(d.y, element_text(chain, i) + "坐标增量");
    }

    chain.ht_x[1] = chain.ht_start_x;
    chain.ht_y[1] = chain.ht_start_y;
    for (int i = 1; i <= n; ++i) {
        chain.ht_x[i + 1] = chain.ht_x[i] + chain.ht_dx[i];
        chain.ht_y[i + 1] = chain.ht_y[i] + chain.ht_dy[i];
        check_finite(chain.ht_x[i + 1], end_text(i) + " X");
        check_finite(chain.ht_y[i + 1], end_text(i) + " Y");
    }

    // The chain as the table of pieces ht_locate searches, each element from its own start.
    chain.ht_line.reset(chain.ht_station[1], {chain.ht_x[1], chain.ht_y[1]}, chain.ht_azimuth[1]);
    for (int i = 1; i <= n; ++i) chain.ht_line.append(element_piece(chain, i));
}

void ht_locate(const ElementChain& chain, double p, double& x, double& y, double& azimuth) {
    const int n = chain.ht_count;
    if (n < 0 || n > kMaxChainElements) {
        x = y = azimuth = std::numeric_limits<double>::quiet_NaN();
        return;
    }
    Point point;
    chain.ht_line.locate(p, point, azimuth);
    x = point.x;
    y = point.y;
}

Alignment ht_alignment(const ElementChain& chain, const std::string& file_name) {
    Alignment alignment;
    note_reverse_joints(chain, file_name, alignment.notices);
    alignment.line = chain.ht_line;
    alignment.break_source = ChainBreakSource::none;
    alignment.key_points = element_key_points(chain.ht_line);
    return alignment;
}

}  // namespace qelt
