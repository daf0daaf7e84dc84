// The plane of a 纬地 line (.pm), as an element chain built by the interchange method's build:
// the file writes each element's radii and length, and also where the suite placed it (points,
// stations, azimuths). Qelt builds the line from the radii and lengths alone and holds it
// against those: a line that does not come out where the suite drew it is refused, never
// drawn somewhere else.
#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "base/data_error.h"
#include "base/text.h"
#include "base/utf8_path.h"
#include "htbas/htbas.h"
#include "input/hintcad/hintcad_lines.h"
#include "input/text/seams.h"
#include "zxbas/zxbas.h"

namespace qelt {

namespace {

// How far the built line may stray from the points and azimuths the file writes: the suite
// writes coordinates to 1e-8 m and azimuths to 1e-12 rad, so anything beyond rounding is a
// changed number.
constexpr double kPointTolerance = 1e-3;                     // metres
constexpr double kAzimuthTolerance = 1 / kSecondsPerRadian;  // 1″
constexpr double kStraight = 9999.0;                         // the suite's radius of a straight

// ddd.mmss of an azimuth in radians, as the element chain takes its start azimuth; the chain
// turns it back to within 1e-9″.
double dms_of(double azimuth) {
    double degrees = std::fmod(azimuth * 180 / std::numbers::pi, 360.0);
    if (degrees < 0) degrees += 360;
    const double d = std::floor(degrees);
    const double minutes = (degrees - d) * 60;
    const double m = std::floor(minutes);
    const double s = (minutes - m) * 60;
    return d + m / 100 + s / 10000;
}

// The signed difference b − a of two azimuths, radians in (−π, π].
double turn(double a, double b) {
    double d = std::remainder(b - a, 2 * std::numbers::pi);
    if (d <= -std::numbers::pi) d += 2 * std::numbers::pi;
    return d;
}

struct Element {
    long line = 0;  // the element's first line
    double length = 0, r1 = 0, r2 = 0;
    Point start, end, centre;
    bool has_centre = false;
    double start_station = 0, end_station = 0, start_azimuth = 0, end_azimuth = 0;
};

std::string radius_text(double r) {
    return r == kStraight ? "∞" : fixed_text(std::abs(r), 3);
}

std::string element_name(std::size_t k, const Element& e) {
    const char* kind = e.r1 == kStraight && e.r2 == kStraight ? "直线"
                       : e.r1 == e.r2                         ? "圆曲线"
                                                              : "缓和曲线";
    std::string name =
        "第 " + std::to_string(k) + " 个线元（第 " + std::to_string(e.line) + " 行，" + kind;
    if (e.r1 != kStraight || e.r2 != kStraight) {
        name += " R ";
        name += e.r1 == e.r2 ? radius_text(e.r1) : radius_text(e.r1) + "→" + radius_text(e.r2);
    }
    return name + "，长 " + fixed_text(e.length, 3) + " m）";
}

Element read_element(HintcadLines& in, std::size_t k, long count) {
    const auto more = [&] {
        if (!in.next())
            throw DataError(hintcad_file_name(HintcadKind::elements) + "：第二行的线元数为 " +
                                std::to_string(count) + "，文件在第 " + std::to_string(k) +
                                " 个线元结束前就结束了",
                            in.path(), in.line());
    };
    Element e;
    more();
    e.line = in.line();
    in.expect_fields(7, "转向 0 长度 A 起点半径 终点半径 类型");
    for (std::size_t i : {0u, 1u, 3u}) in.number(i, i == 3 ? "参数 A" : "线元头的数");
    e.length = std::abs(in.number(2, "长度"));
    in.count(6, "类型");
    const auto radius = [&](std::size_t i, const char* what) {
        const double r = in.number(i, what);
        if (!(r > 0))
            in.refuse(std::string(what) + as_typed(in.fields()[i]) + "应为正数（直线写 9999）");
        return r;
    };
    e.r1 = radius(4, "起点半径");
    e.r2 = radius(5, "终点半径");
    if (e.length == 0) in.refuse("长度" + as_typed(in.fields()[2]) + "为 0：线元不能没有长度");

    more();
    in.expect_fields(8, "起点X 起点Y 中点X 中点Y 终点X 终点Y 圆心X 圆心Y");
    e.start = {in.number(0, "起点 X"), in.number(1, "起点 Y")};
    in.number(2, "中点 X");
    in.number(3, "中点 Y");
    e.end = {in.number(4, "终点 X"), in.number(5, "终点 Y")};
    e.centre = {in.number(6, "圆心 X"), in.number(7, "圆心 Y")};
    e.has_centre = e.centre.x != 0 || e.centre.y != 0;

    more();
    in.expect_fields(4, "起点桩号 终点桩号 起点方位角 终点方位角");
    e.start_station = in.number(0, "起点桩号");
    e.end_station = in.number(1, "终点桩号");
    e.start_azimuth = in.number(2, "起点方位角");
    e.end_azimuth = in.number(3, "终点方位角");
    if (e.end_station < e.start_station)
        in.refuse("终点桩号" + as_typed(in.fields()[1]) + "小于起点桩号" +
                  as_typed(in.fields()[0]) + "：桩号应递增");
    return e;
}

// Which way a curve turns: +1 right (the azimuth grows), −1 left. Its circle's centre lies on
// that side of its start tangent; where the file writes no centre (the suite leaves it out at a
// transition's straight end), the way its azimuth turns says it, which no transition can turn
// by half a circle.
int side_of(const Element& e, std::size_t k, const std::string& path) {
    double side = 0;
    if (e.has_centre)
        side = (e.centre.y - e.start.y) * std::cos(e.start_azimuth) -
               (e.centre.x - e.start.x) * std::sin(e.start_azimuth);
    else
        side = turn(e.start_azimuth, e.end_azimuth);
    if (side == 0 || !std::isfinite(side))
        throw DataError(hintcad_file_name(HintcadKind::elements) + "：" + element_name(k, e) +
                            "看不出向哪一侧转：没有圆心，方位角也没有变化",
                        path, e.line);
    return side > 0 ? 1 : -1;
}

void refuse_difference(const std::string& path, std::size_t k, const Element& e, const char* what,
                       const std::string& difference, const char* allowed) {
    throw DataError(hintcad_file_name(HintcadKind::elements) + "：" + element_name(k, e) +
                        "按半径和长度算得的" + what + "与文件所记相差 " + difference + "（容许 " +
                        allowed + "）：线元的数据与其坐标不符",
                    path, e.line);
}

Alignment read_elements(HintcadLines& in) {
    if (!in.next()) in.refuse("第一行之后没有数据：应为“线元数 NULL NULL 起点桩号”");
    in.expect_fields(4, "线元数 NULL NULL 起点桩号");
    const long count = in.count(0, "线元数");
    const double start_station = in.number(3, "起点桩号");
    if (count < 1 || count > kMaxChainElements)
        in.refuse("线元数" + as_typed(in.fields()[0]) + "应在 1 到 " +
                  std::to_string(kMaxChainElements) + " 之间");
    if (!in.next()) in.refuse("缺少起点行：应为“1 0 起点方位角 0 起点X 起点Y”");
    in.expect_fields(6, "1 0 起点方位角 0 起点X 起点Y");
    const double start_azimuth = in.number(2, "起点方位角");
    const Point start{in.number(4, "起点 X"), in.number(5, "起点 Y")};

    std::vector<Element> elements;
    for (long k = 1; k <= count; ++k) {
        elements.push_back(read_element(in, static_cast<std::size_t>(k), count));
        const Element& e = elements.back();
        // The stations run on from element to element, each element as long as it says.
        const double from = k == 1 ? start_station : elements[elements.size() - 2].end_station;
        if (std::abs(e.start_station - from) > kPointTolerance)
            throw DataError(hintcad_file_name(HintcadKind::elements) + "：" +
                                element_name(static_cast<std::size_t>(k), e) + "的起点桩号 " +
                                fixed_text(e.start_station, 3) + " 应为 " + fixed_text(from, 3) +
                                (k == 1 ? "（第二行的起点桩号）" : "（上一线元的终点桩号）"),
                            in.path(), e.line + 2);
        if (std::abs(e.end_station - e.start_station - e.length) > kPointTolerance)
            throw DataError(hintcad_file_name(HintcadKind::elements) + "：" +
                                element_name(static_cast<std::size_t>(k), e) + "的起终点桩号相差 " +
                                fixed_text(e.end_station - e.start_station, 3) +
                                " m，与线元长度不符",
                            in.path(), e.line + 2);
    }
    // The suite may close the list with a record whose first field is 0; anything else after
    // the elements means the count in line 2 is short, and the line would end early.
    if (in.next()) {
        if (in.fields()[0] != "0")
            in.refuse("第二行的线元数为 " + std::to_string(count) +
                      "，其后却还有数据：线元数与线元不符");
        if (in.next())
            in.refuse("结束行（首项为 0）之后还有数据：线元数为 " + std::to_string(count) +
                      "，与线元不符");
    }

    auto chain = std::make_unique<ElementChain>();
    chain->ht_start_station = start_station;
    chain->ht_start_x = start.x;
    chain->ht_start_y = start.y;
    chain->ht_start_azimuth = dms_of(start_azimuth);
    chain->ht_in_count = static_cast<std::int16_t>(count);
    for (std::size_t k = 1; k <= elements.size(); ++k) {
        const Element& e = elements[k - 1];
        const bool straight = e.r1 == kStraight && e.r2 == kStraight;
        const int side = straight ? 1 : side_of(e, k, in.path());
        chain->ht_in_r1[k] = e.r1 == kStraight ? kStraightRadius : side * e.r1;
        chain->ht_in_r2[k] = e.r2 == kStraight ? kStraightRadius : side * e.r2;
        chain->ht_in_len[k] = e.length;
        chain->ht_in_line[k] = e.line;
    }
    try {
        ht_split_inflections(*chain);
        ht_build_chain(*chain);
    } catch (const DataError& error) {
        throw DataError(hintcad_file_name(HintcadKind::elements) + "：" + error.what(), in.path(),
                        error.line());
    }

    // Every element where the suite placed it, start and end.
    for (std::size_t k = 1; k <= elements.size(); ++k) {
        const Element& e = elements[k - 1];
        const auto check_point = [&](std::size_t i, Point written, const char* what) {
            const double gap = std::hypot(chain->ht_x[i] - written.x, chain->ht_y[i] - written.y);
            if (!(gap <= kPointTolerance))
                refuse_difference(in.path(), k, e, what, fixed_text(gap * 1000, 1) + " mm", "1 mm");
        };
        const auto check_azimuth = [&](std::size_t i, double written, const char* what) {
            const double off = std::abs(turn(chain->ht_azimuth[i], written));
            if (!(off <= kAzimuthTolerance))
                refuse_difference(in.path(), k, e, what,
                                  fixed_text(off * kSecondsPerRadian, 1) + "″", "1″");
        };
        check_point(k, e.start, "起点");
        check_point(k + 1, e.end, "终点");
        check_azimuth(k, e.start_azimuth, "起点方位角");
        check_azimuth(k + 1, e.end_azimuth, "终点方位角");
    }
    Alignment alignment = ht_alignment(*chain, utf8_of(path_from_utf8(in.path()).filename()));
    // A main line drawn in the suite has its chain breaks in a file of their own.
    alignment.break_source = ChainBreakSource::file_or_none;
    return alignment;
}

// One JD of a .jd file: its own line, the curve's line and its stations' line.
struct JdRecord {
    long line = 0;
    std::string name;
    Point at;
    double ls1 = 0, r1 = 0, t1 = 0, r = 0, ls2 = 0, r2 = 0, t2 = 0;
};

// The radius at a transition's outer end: the suite writes 9999 for a straight there.
double outer_radius(const HintcadLines& in, std::size_t i) {
    const double r = in.number(i, "缓和曲线外端半径");
    return r == kStraight ? 0.0 : r;
}

// The line of a .jd file, built as Qelt's own JD file is (zx_build): each JD's coordinates, the
// radius of its arc and the lengths of its transitions. The file also writes what the suite
// computed of each curve (tangent lengths, stations), which the build must reproduce within
// 1 mm: a line whose curves come out otherwise is refused.
Alignment read_jds(HintcadLines& in) {
    if (!in.next()) in.refuse("第一行之后没有数据：应为“交点数 起点桩号”");
    in.expect_fields(2, "交点数 起点桩号");
    const long count = in.count(0, "交点数");
    const double start_station = in.number(1, "起点桩号");
    if (count < 2 || count > kMaxJd)
        in.refuse("交点数" + as_typed(in.fields()[0]) + "应在 2 到 " + std::to_string(kMaxJd) +
                  " 之间");
    std::vector<JdRecord> jds;
    while (in.next()) {
        // Between two JDs the suite writes the elements of the curve (lines of 7, 8 and 4
        // numbers); the line is built from the JDs alone.
        const std::size_t n = in.fields().size();
        if (n == 7 || n == 8 || n == 4) continue;
        in.expect_fields(5, "交点号 标识 类型 X Y");
        if (static_cast<long>(jds.size()) == count)
            in.refuse("第二行的交点数为 " + std::to_string(count) +
                      "，其后却还有交点：交点数与交点不符");
        JdRecord jd;
        jd.line = in.line();
        const std::string& tag = in.fields()[1];
        jd.name = tag.find_first_not_of("0123456789") == std::string::npos ? "JD" + tag : tag;
        jd.at = {in.number(3, "X"), in.number(4, "Y")};
        const auto more = [&](std::size_t fields, const char* form) {
            if (!in.next())
                in.refuse("交点 " + jd.name + " 的记录不完整：应有三行（坐标、曲线、桩号）");
            in.expect_fields(fields, form);
        };
        more(12, "A1 Ls1 R1 T1 R 圆曲线长 曲线长 A2 Ls2 R2 T2 外距");
        jd.ls1 = in.distance(1, "Ls1");
        jd.r1 = outer_radius(in, 2);
        jd.t1 = in.number(3, "T1");
        jd.r = in.distance(4, "R");
        jd.ls2 = in.distance(8, "Ls2");
        jd.r2 = outer_radius(in, 9);
        jd.t2 = in.number(10, "T2");
        more(10, "交点桩号 … ZH HY QZ YH HZ");
        in.number(0, "交点桩号");
        jds.push_back(jd);
    }
    if (static_cast<long>(jds.size()) < count)
        in.refuse("第二行的交点数为 " + std::to_string(count) + "，文件中只有 " +
                  std::to_string(jds.size()) + " 个交点");

    auto line = std::make_unique<MainLine>();
    line->jd_count = static_cast<int>(jds.size());
    line->jd_start_station = start_station;
    for (std::size_t i = 1; i <= jds.size(); ++i) {
        const JdRecord& jd = jds[i - 1];
        line->jd_x[i] = jd.at.x;
        line->jd_y[i] = jd.at.y;
        line->jd_name[i] = jd.name;
        if (i == 1 || i == jds.size()) continue;
        line->jd_r[i] = jd.r;
        line->jd_ls1[i] = jd.ls1;
        line->jd_ls2[i] = jd.ls2;
        line->jd_r1[i] = jd.r1;
        line->jd_r2[i] = jd.r2;
    }
    try {
        zx_build(*line);
    } catch (const DataError& error) {
        throw DataError(hintcad_file_name(HintcadKind::jds) + "：" + error.what(), in.path(),
                        error.line());
    }
    for (std::size_t i = 1; i <= jds.size(); ++i) {
        const JdRecord& jd = jds[i - 1];
        const auto check = [&](double built, double written, const char* what) {
            if (std::abs(built - written) <= kPointTolerance) return;
            throw DataError(hintcad_file_name(HintcadKind::jds) + "：交点 " + jd.name +
                                " 按坐标、半径和缓和曲线长算得的" + what + " " +
                                fixed_text(built, 3) + " 与文件所记 " + fixed_text(written, 3) +
                                " 相差 " + fixed_text(std::abs(built - written) * 1000, 1) +
                                " mm（容许 1 mm）",
                            in.path(), jd.line);
        };
        // The JD's station is as the suite prints it, chain breaks and all: the tangent
        // lengths, which no chain break touches, are what the curve is checked by.
        if (i == 1 || i == jds.size() || jd.r == 0) continue;
        check(line->zx_t1[i], jd.t1, "切线长 T1");
        check(line->zx_t2[i], jd.t2, "切线长 T2");
    }
    Alignment alignment = zx_alignment(*line);
    alignment.break_source = ChainBreakSource::file_or_none;
    return alignment;
}

}  // namespace

Alignment hintcad_read_alignment(LineSource& file) {
    HintcadLines in(file, HintcadKind::elements, HintcadKind::jds);
    return in.kind() == HintcadKind::jds ? read_jds(in) : read_elements(in);
}

}  // namespace qelt
