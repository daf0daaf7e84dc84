// The line tables: the numbers of the line as Qelt holds it, laid out as the design drawings
// lay theirs out, so that the engineer can compare them row by row before placing a borehole.
#include "report/tables/line_tables.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string_view>

#include "base/data_error.h"
#include "base/text.h"
#include "base/utf8_path.h"
#include "report/tables/csv_table.h"
#include "report/tables/printed_table.h"

namespace qelt {

namespace {

constexpr double kDegree = 180 / std::numbers::pi;
// Points of the stake table closer than this are one point: a key point on a multiple of the
// interval, the stakes either side of a chain break.
constexpr double kSamePoint = 1e-6;

double degrees(double radians) {
    return radians * kDegree;
}

double azimuth_from(Point from, Point to) {
    return reduced_azimuth(std::atan2(to.y - from.y, to.x - from.x));
}

double distance(Point a, Point b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

// A transition's clothoid parameter: its length over the change of curvature it makes, from
// the arc's 1/R to the far end's 1/R′ (0 at a straight).
double clothoid_parameter(double length, double radius, double far_radius) {
    if (length == 0) return 0;
    const double change = std::abs(1 / radius - (far_radius != 0 ? 1 / far_radius : 0));
    return std::sqrt(std::abs(length) / change);
}

const char* piece_type(const Piece& piece) {
    if (piece.k0 != piece.k1) return "缓和曲线";
    return piece.k0 == 0 ? "直线" : "圆曲线";
}

double signed_radius(double curvature) {
    return curvature != 0 ? 1 / curvature : 0;
}

StationOfMileage station_at(const Alignment& alignment, double mileage) {
    return zh_station_of(alignment.breaks, mileage);
}

// "左 23°37′45.6″" / "右 …": the turn of a curve as the drawings print it.
std::string turn_text(double deflection) {
    return std::string(deflection < 0 ? "左 " : "右 ") + dms_text(std::abs(degrees(deflection)), 1);
}

// The row of chain break i (1..dl_count) in a table of `Row`s (the curve table's, the element
// table's): its stations back and ahead, the chain, and where it stands.
template <class Row>
Row chain_break_row(const Alignment& alignment, int i) {
    const ChainBreaks& breaks = alignment.breaks;
    Row row;
    row.chain_break = true;
    const double before = breaks.dl_before[i], after = breaks.dl_after[i];
    row.back = zh_station_in(breaks, i - 1, before);
    row.ahead = zh_station_in(breaks, i, after);
    row.long_chain = before > after;
    row.chain_length = std::abs(before - after);
    double azimuth = 0;
    alignment.line.locate(dl_break_mileage(breaks, i), row.point, azimuth);
    return row;
}

template <class Row>
std::string chain_text(const Row& row) {
    return row.back.text + " = " + row.ahead.text + "  " + (row.long_chain ? "长链 " : "短链 ") +
           short_number_text(row.chain_length) + " 米";
}

}  // namespace

const char* line_table_title(LineTableKind kind) {
    switch (kind) {
        case LineTableKind::curves:
            return kCurveTableTitle;
        case LineTableKind::elements:
            return kElementTableTitle;
        case LineTableKind::grades:
            return kGradeTableTitle;
        case LineTableKind::stakes:
            break;
    }
    return kStakeTableTitle;
}

std::string line_table_file_name(LineTableKind kind) {
    std::string title = line_table_title(kind);
    const std::string_view mark = "、";
    for (std::size_t at; (at = title.find(mark)) != std::string::npos;)
        title.erase(at, mark.size());
    return title;
}

LineTableKind geometry_table_of(const Alignment& alignment) {
    return alignment.jds.empty() ? LineTableKind::elements : LineTableKind::curves;
}

std::string line_table_project_line(const Alignment& alignment, const std::string& alignment_path) {
    std::string line = utf8_of(path_from_utf8(alignment_path).filename());
    if (!alignment.name.empty()) line += (line.empty() ? "" : " ") + alignment.name;
    return line;
}

std::vector<CurveTableRow> curve_table_rows(const Alignment& alignment) {
    if (alignment.jds.empty()) throw DataError(kCurveTableNeedsJds);
    const auto& jds = alignment.jds;
    const ChainBreaks& breaks = alignment.breaks;
    std::vector<CurveTableRow> rows;
    int next_break = 1;
    // The chain breaks standing before `mileage`, each on a row of its own.
    const auto breaks_before = [&](double mileage) {
        for (; next_break <= breaks.dl_count && dl_break_mileage(breaks, next_break) < mileage;
             ++next_break)
            rows.push_back(chain_break_row<CurveTableRow>(alignment, next_break));
    };
    for (std::size_t i = 0; i < jds.size(); ++i) {
        const AlignmentJd& jd = jds[i];
        // A chain break goes before the first curve that begins beyond it.
        if (i > 0) breaks_before(i + 1 < jds.size() ? jd.zh : HUGE_VAL);
        CurveTableRow row;
        row.jd = jd.name;
        row.point = jd.point;
        row.jd_station = station_at(alignment, jd.mileage);
        row.curve = jd.has_curve();
        if (row.curve) {
            row.deflection = jd.deflection;
            row.radius = jd.radius;
            row.ls1 = jd.entry_length;
            row.ls2 = jd.exit_length;
            row.a1 = clothoid_parameter(jd.entry_length, jd.radius, jd.entry_radius);
            row.a2 = clothoid_parameter(jd.exit_length, jd.radius, jd.exit_radius);
            row.t1 = jd.t1;
            row.t2 = jd.t2;
            row.length = jd.length;
            row.correction = jd.t1 + jd.t2 - jd.length;
            const double qz = jd.zh + jd.length / 2;
            Point mid;
            double azimuth = 0;
            alignment.line.locate(qz, mid, azimuth);
            row.external = distance(jd.point, mid);
            row.zh = station_at(alignment, jd.zh);
            row.hy = station_at(alignment, jd.hy);
            row.qz = station_at(alignment, qz);
            row.yh = station_at(alignment, jd.yh);
            row.hz = station_at(alignment, jd.hz);
            row.hairpin = jd.hairpin;
        }
        if (i + 1 < jds.size()) {
            const AlignmentJd& next = jds[i + 1];
            row.leg = true;
            row.straight = next.zh - jd.hz;
            row.jd_distance = distance(jd.point, next.point);
            row.azimuth = azimuth_from(jd.point, next.point);
        }
        rows.push_back(row);
    }
    breaks_before(HUGE_VAL);
    return rows;
}

std::vector<ElementTableRow> element_table_rows(const Alignment& alignment) {
    std::vector<ElementTableRow> rows;
    int index = 0;
    const ChainBreaks& breaks = alignment.breaks;
    int next_break = 1;
    // The chain breaks standing at or before `mileage`, each on a row of its own.
    const auto breaks_before = [&](double mileage) {
        for (; next_break <= breaks.dl_count && dl_break_mileage(breaks, next_break) <= mileage;
             ++next_break)
            rows.push_back(chain_break_row<ElementTableRow>(alignment, next_break));
    };
    for (const Piece& piece : alignment.line.pieces()) {
        // A break goes before the first element that begins at or beyond it.
        breaks_before(piece.start_mileage);
        ElementTableRow row;
        row.index = ++index;
        row.type = piece_type(piece);
        row.start = station_at(alignment, piece.start_mileage);
        // An element that begins at a break begins at its station ahead, the row above says.
        if (!rows.empty() && rows.back().chain_break &&
            dl_break_mileage(breaks, next_break - 1) == piece.start_mileage)
            row.start = rows.back().ahead;
        row.end = station_at(alignment, piece.start_mileage + piece.length);
        row.r_start = signed_radius(piece.k0);
        row.r_end = signed_radius(piece.k1);
        row.length = piece.length;
        if (piece.k0 != piece.k1) row.a = std::sqrt(piece.length / std::abs(piece.k1 - piece.k0));
        row.start_point = piece.start;
        row.azimuth = reduced_azimuth(piece.start_azimuth);
        double end_azimuth = 0;
        piece_point(piece, piece.length, row.end_point, end_azimuth);
        rows.push_back(row);
    }
    breaks_before(HUGE_VAL);
    return rows;
}

StakeRows::StakeRows(const Alignment& alignment, double every)
    : alignment_(alignment), every_(every) {
    if (!(every > 0) || !std::isfinite(every))
        throw DataError("桩距应为正数（米），而不是 " + shortest_number(every));
    const ChainBreaks& breaks = alignment.breaks;
    const double start = alignment.start_mileage(), end = alignment.end_mileage();
    // A line of a single JD has no direction: its end, and every point on it, is NaN.
    if (!std::isfinite(start) || !std::isfinite(end))
        throw DataError("线路没有确定的走向（只有一个交点？），无法列逐桩坐标表");
    const int intervals = breaks.dl_count + 1;

    // The named points: key points, and with a profile its grade points and the ends of its
    // vertical curves, where the engineer sets out a height.
    // Member by member: from a braced list with an empty `ahead`, g++ 12 at -O3 takes that
    // station's text for uninitialised (a false warning) and stops an optimised build.
    const auto add_key = [&](double mileage, std::string name) {
        Item& item = keys_.emplace_back();
        item.mileage = mileage;
        item.rank = kKey;
        item.station = station_at(alignment, mileage);
        item.name = std::move(name);
    };
    for (const KeyPoint& key_point : alignment.key_points)
        add_key(key_point.mileage,
                key_point.jd.empty() ? key_point.name : key_point.jd + " " + key_point.name);
    if (alignment.profile) {
        const Profile& profile = *alignment.profile;
        for (std::size_t k = 0; k < profile.points().size(); ++k) {
            const VerticalCurve& c = profile.curves()[k];
            // A grade line drawn on past the plane line's ends has no stake there.
            const auto add = [&](double mileage, const char* name) {
                if (mileage < start - kSamePoint || mileage > end + kSamePoint) return;
                add_key(mileage, name);
            };
            if (c.kind != VerticalCurveKind::none) add(c.start_mileage, "竖曲线起点");
            add(profile.points()[k].mileage, "变坡点");
            if (c.kind != VerticalCurveKind::none) add(c.end_mileage, "竖曲线终点");
        }
    }
    std::stable_sort(keys_.begin(), keys_.end(),
                     [](const Item& a, const Item& b) { return a.mileage < b.mileage; });

    // Each interval's stakes: its whole multiples of the interval, numbered from the interval's
    // first station (the line's start, or the station ahead of its chain break) to its last.
    double count = 0;
    for (int k = 0; k < intervals; ++k) {
        const double shift = dl_shift(breaks, k);
        const double first = k == 0 ? start - shift : breaks.dl_after[k];
        const double last = k + 1 < intervals ? breaks.dl_before[k + 1] : end - shift;
        const double from = std::ceil(first / every - 1e-9), to = std::floor(last / every + 1e-9);
        count += std::max(0.0, to - from + 1);
        if (count + static_cast<double>(keys_.size()) > kMaxStakeRows)
            throw DataError("逐桩坐标表将超过 " + std::to_string(kMaxStakeRows) + " 行（桩距 " +
                            shortest_number(every) + " 米）：请加大桩距");
        spans_.push_back({static_cast<long>(from), static_cast<long>(to)});
    }
    for (int i = 1; i <= breaks.dl_count; ++i)
        breaks_.push_back({dl_break_mileage(breaks, i), kBreak,
                           zh_station_in(breaks, i - 1, breaks.dl_before[i]),
                           zh_station_in(breaks, i, breaks.dl_after[i]), "断链"});
    multiple_ = spans_.front().from;
}

void StakeRows::stake_item(Item& item) const {
    // n·every for an interval such as 0.1 lands beside the decimal number (10000.1 as
    // 10000.100000000002): the stake is put on the nanometre, where it prints as typed.
    double v = static_cast<double>(multiple_) * every_;
    if (std::abs(v) < 1e6) v = std::round(v * 1e9) / 1e9;
    item = {v + dl_shift(alignment_.breaks, interval_),
            kStake,
            zh_station_in(alignment_.breaks, interval_, v),
            {},
            {}};
}

// Chain breaks first, then plain stakes, then key points, where they stand at one mileage.
bool StakeRows::peek(Item& item) {
    if (pending_) {
        item = *pending_;
        return true;
    }
    while (interval_ < static_cast<int>(spans_.size()) &&
           multiple_ > spans_[static_cast<std::size_t>(interval_)].to) {
        ++interval_;
        if (interval_ < static_cast<int>(spans_.size()))
            multiple_ = spans_[static_cast<std::size_t>(interval_)].from;
    }
    std::optional<Item> best;
    if (next_break_ < breaks_.size()) {
        best = breaks_[next_break_];
        taken_from_ = kBreak;
    }
    if (interval_ < static_cast<int>(spans_.size())) {
        Item stake;
        stake_item(stake);
        if (!best || stake.mileage < best->mileage) {
            best = std::move(stake);
            taken_from_ = kStake;
        }
    }
    if (next_key_ < keys_.size() && (!best || keys_[next_key_].mileage < best->mileage)) {
        best = keys_[next_key_];
        taken_from_ = kKey;
    }
    if (!best) return false;
    pending_ = best;
    item = *best;
    return true;
}

void StakeRows::take() {
    pending_.reset();
    if (taken_from_ == kBreak) ++next_break_;
    if (taken_from_ == kStake) ++multiple_;
    if (taken_from_ == kKey) ++next_key_;
}

namespace {

// The row's point and tangent on the line, and its design height where the profile reaches.
void place_stake(const Alignment& alignment, StakeRow& row) {
    alignment.line.locate(row.mileage, row.point, row.azimuth);
    if (alignment.profile) row.design_elevation = alignment.profile->elevation(row.mileage);
}

}  // namespace

bool StakeRows::next(StakeRow& row) {
    Item first;
    if (!peek(first)) return false;
    take();
    // Where several fall together the row keeps the first one's station (a stake's own round
    // number beats a key point's computed one) and the names of all the named ones.
    Item best = first;
    std::vector<std::string> names;
    const auto named = [&](const Item& item) {
        // Two curves that touch put HZ of one and ZH of the next on one point: both named.
        if (!item.name.empty() && std::find(names.begin(), names.end(), item.name) == names.end())
            names.push_back(item.name);
    };
    named(first);
    for (Item item; peek(item) && item.mileage - first.mileage <= kSamePoint;) {
        take();
        if (item.rank < best.rank) best = item;
        named(item);
    }
    row = StakeRow{};
    row.mileage = best.mileage;
    row.station = best.station;
    row.chain_break = best.rank == kBreak;
    row.ahead = best.ahead;
    for (const std::string& name : names) row.name += (row.name.empty() ? "" : "、") + name;
    place_stake(alignment_, row);
    return true;
}

bool ListedStakeRows::next(StakeRow& row) {
    if (next_ >= mileages_.size()) return false;
    row = StakeRow{};
    row.mileage = mileages_[next_++];
    row.station = station_at(alignment_, row.mileage);
    // The list writes its stations to the millimetre: a key point within half of one is the
    // stake the list set on it.
    constexpr double kListedDigit = 0.0005;
    for (const KeyPoint& key : alignment_.key_points)
        if (std::abs(key.mileage - row.mileage) <= kListedDigit + kSamePoint)
            row.name += (row.name.empty() ? "" : "、") +
                        (key.jd.empty() ? key.name : key.jd + " " + key.name);
    place_stake(alignment_, row);
    return true;
}

std::vector<StakeRow> stake_table_rows(const Alignment& alignment, double every) {
    StakeRows stakes(alignment, every);
    std::vector<StakeRow> rows;
    for (StakeRow row; stakes.next(row);) rows.push_back(row);
    return rows;
}

std::vector<GradeTableRow> grade_table_rows(const Alignment& alignment) {
    if (!alignment.profile) throw DataError(kGradeTableNeedsProfile);
    const Profile& profile = *alignment.profile;
    std::vector<GradeTableRow> rows;
    const std::size_t n = profile.points().size();
    for (std::size_t k = 0; k < n; ++k) {
        GradeTableRow row;
        row.index = static_cast<int>(k + 1);
        row.station = station_at(alignment, profile.points()[k].mileage);
        row.elevation = profile.points()[k].elevation;
        row.curve = profile.curves()[k];
        row.curve_start = station_at(alignment, row.curve.start_mileage);
        row.curve_end = station_at(alignment, row.curve.end_mileage);
        if (k + 1 < n) {
            row.grade = true;
            row.grade_after = profile.grade_after(k);
            row.grade_length = profile.grade_length(k);
        }
        rows.push_back(row);
    }
    return rows;
}

// --- The tables' columns -----------------------------------------------------------------------
//
// One column table per table kind: the printed columns (their cells as the drawings print
// them: angles in d°m′s″, a chain break's line across the middle columns) and the CSV's (full
// precision, decimal degrees), each column's cell taken from the row.

namespace {

using Cell = RowCell;

Cell text(std::string t) {
    return Cell::of(std::move(t));
}
Cell number(double v) {
    return Cell::of(v);
}
Cell number_if(bool given, double v) {
    return Cell::of_if(given, v);
}
// A chain break's line across four columns of the printed table.
template <class Row>
Cell chain_line(const Row& r) {
    Cell cell = text(chain_text(r));
    cell.span = 4;
    return cell;
}

// "凸" for a crest, "凹" for a sag, empty where there is no curve.
std::string curve_type(const VerticalCurve& c) {
    if (c.kind == VerticalCurveKind::none) return {};
    return c.crest() ? "凸" : "凹";
}

// A value of the curve that may differ in and out (an asymmetric parabola's R and T): one
// number where the two agree, "in/out" where they do not.
std::string in_out_text(double in, double out, int decimals) {
    const auto text = [&](double v) {
        return decimals < 0 ? shortest_number(v) : fixed_text(v, decimals);
    };
    return in == out ? text(in) : text(in) + "/" + text(out);
}
// The printed value: a number where in and out agree, else "in/out" to the millimetre.
Cell in_out_cell(double in, double out) {
    return in == out ? number(in) : text(in_out_text(in, out, 3));
}

std::string radius_text(double r) {
    return r == 0 ? std::string("∞") : fixed_text(r, 3);
}

// "+2.500" / "−1.250": a grade in per cent as the profile drawings print it, signed.
std::string grade_text(double grade) {
    return (grade > 0 ? "+" : "") + fixed_text(grade * 100, 3);
}

using CurveRow = const CurveTableRow&;
using ElementRow = const ElementTableRow&;
using StakeRowRef = const StakeRow&;
using GradeRow = const GradeTableRow&;

bool has_curve(const GradeTableRow& r) {
    return r.curve.kind != VerticalCurveKind::none;
}

// Wide: 24 columns, A3 landscape, as the design drawings print it. Lengths to the millimetre,
// coordinates to the millimetre, angles to a tenth of a second. A side without a transition
// shows no transition values at all.
constexpr const char* kCurveElements = "曲线要素值（米）";
constexpr const char* kCurveStations = "曲线主点桩号";
constexpr const char* kLegs = "直线长度及方向";
constexpr const char* kJdPoint = "交点坐标";
constexpr RowColumn<CurveTableRow> kCurveColumns[] = {
    {"", "交点号", 6, -1, false, [](CurveRow r) { return text(r.chain_break ? "断链" : r.jd); }},
    {"", "交点桩号", 14, -1, false,
     [](CurveRow r) { return r.chain_break ? chain_line(r) : text(r.jd_station.text); }},
    {kJdPoint, "X", 12.75, 3, false,
     [](CurveRow r) { return number_if(!r.chain_break, r.point.x); }},
    {kJdPoint, "Y", 14, 3, false, [](CurveRow r) { return number_if(!r.chain_break, r.point.y); }},
    {"", "转角值", 14.5, -1, false,
     [](CurveRow r) { return r.curve ? text(turn_text(r.deflection)) : Cell{}; }},
    {kCurveElements, "半径\nR", 9, 3, false,
     [](CurveRow r) { return number_if(r.curve, r.radius); }},
    {kCurveElements, "缓和曲线\n长度 Ls1", 8.5, 3, false,
     [](CurveRow r) { return number_if(r.curve && r.ls1 != 0, r.ls1); }},
    {kCurveElements, "缓和曲线\n长度 Ls2", 8.5, 3, false,
     [](CurveRow r) { return number_if(r.curve && r.ls2 != 0, r.ls2); }},
    {kCurveElements, "缓和曲线\n参数 A1", 8.5, 3, false,
     [](CurveRow r) { return number_if(r.curve && r.a1 > 0, r.a1); }},
    {kCurveElements, "缓和曲线\n参数 A2", 8.5, 3, false,
     [](CurveRow r) { return number_if(r.curve && r.a2 > 0, r.a2); }},
    {kCurveElements, "切线长度\nT1", 9, 3, false,
     [](CurveRow r) { return number_if(r.curve, r.t1); }},
    {kCurveElements, "切线长度\nT2", 9, 3, false,
     [](CurveRow r) { return number_if(r.curve, r.t2); }},
    {kCurveElements, "曲线长度\nL", 9, 3, false,
     [](CurveRow r) { return number_if(r.curve, r.length); }},
    {kCurveElements, "外距\nE", 9, 3, false,
     [](CurveRow r) { return number_if(r.curve, r.external); }},
    {kCurveElements, "校正值\nJ", 9, 3, false,
     [](CurveRow r) { return number_if(r.curve, r.correction); }},
    {kCurveStations, "ZH\n（直缓点）", 14, -1, false,
     [](CurveRow r) { return r.curve ? text(r.zh.text) : Cell{}; }},
    {kCurveStations, "HY\n（缓圆点）", 14, -1, false,
     [](CurveRow r) { return r.curve ? text(r.hy.text) : Cell{}; }},
    {kCurveStations, "QZ\n（曲中点）", 14, -1, false,
     [](CurveRow r) { return r.curve ? text(r.qz.text) : Cell{}; }},
    {kCurveStations, "YH\n（圆缓点）", 14, -1, false,
     [](CurveRow r) { return r.curve ? text(r.yh.text) : Cell{}; }},
    {kCurveStations, "HZ\n（缓直点）", 14, -1, false,
     [](CurveRow r) { return r.curve ? text(r.hz.text) : Cell{}; }},
    {kLegs, "直线长度\n（米）", 9.5, 3, false,
     [](CurveRow r) { return number_if(r.leg, r.straight); }},
    {kLegs, "交点间距\n（米）", 9.5, 3, false,
     [](CurveRow r) { return number_if(r.leg, r.jd_distance); }},
    {kLegs, "计算方位角", 13.5, -1, false,
     [](CurveRow r) { return r.leg ? text(dms_text(degrees(r.azimuth), 1)) : Cell{}; }},
    {"", "备注", 7, -1, true,
     [](CurveRow r) { return r.curve && r.hairpin ? text("回头曲线") : Cell{}; }},
};
// A chain break's row: its two stations, and where it stands on the line. Ls1 and Ls2 as typed,
// 0 included.
constexpr RowCsvColumn<CurveTableRow> kCurveCsv[] = {
    {"jd", [](CurveRow r) { return text(r.chain_break ? "断链" : r.jd); }},
    {"jd_station",
     [](CurveRow r) {
         return text(r.chain_break ? r.back.text + "=" + r.ahead.text : r.jd_station.text);
     }},
    {"x", [](CurveRow r) { return number(r.point.x); }},
    {"y", [](CurveRow r) { return number(r.point.y); }},
    {"deflection", [](CurveRow r) { return number_if(r.curve, degrees(r.deflection)); }},
    {"R", [](CurveRow r) { return number_if(r.curve, r.radius); }},
    {"Ls1", [](CurveRow r) { return number_if(r.curve, r.ls1); }},
    {"Ls2", [](CurveRow r) { return number_if(r.curve, r.ls2); }},
    {"A1", [](CurveRow r) { return number_if(r.curve && r.a1 > 0, r.a1); }},
    {"A2", [](CurveRow r) { return number_if(r.curve && r.a2 > 0, r.a2); }},
    {"T1", [](CurveRow r) { return number_if(r.curve, r.t1); }},
    {"T2", [](CurveRow r) { return number_if(r.curve, r.t2); }},
    {"L", [](CurveRow r) { return number_if(r.curve, r.length); }},
    {"E", [](CurveRow r) { return number_if(r.curve, r.external); }},
    {"J", [](CurveRow r) { return number_if(r.curve, r.correction); }},
    {"ZH", [](CurveRow r) { return r.curve ? text(r.zh.text) : Cell{}; }},
    {"HY", [](CurveRow r) { return r.curve ? text(r.hy.text) : Cell{}; }},
    {"QZ", [](CurveRow r) { return r.curve ? text(r.qz.text) : Cell{}; }},
    {"YH", [](CurveRow r) { return r.curve ? text(r.yh.text) : Cell{}; }},
    {"HZ", [](CurveRow r) { return r.curve ? text(r.hz.text) : Cell{}; }},
    {"leg", [](CurveRow r) { return number_if(r.leg, r.jd_distance); }},
    {"azimuth", [](CurveRow r) { return number_if(r.leg, degrees(r.azimuth)); }},
};

constexpr const char* kElementStations = "桩号";
constexpr const char* kElementRadii = "半径（米，右正左负）";
constexpr const char* kElementStart = "起点";
constexpr const char* kElementEnd = "终点";
// A chain break's row: its stations back and ahead across the stations and radii, and where it
// stands as the start point.
constexpr RowColumn<ElementTableRow> kElementColumns[] = {
    {"", "序号", 5, 0, false, [](ElementRow r) { return number_if(!r.chain_break, r.index); }},
    {"", "类型", 8.5, -1, false,
     [](ElementRow r) { return text(r.chain_break ? "断链" : r.type); }},
    {kElementStations, "起点", 14, -1, false,
     [](ElementRow r) { return r.chain_break ? chain_line(r) : text(r.start.text); }},
    {kElementStations, "终点", 14, -1, false,
     [](ElementRow r) { return r.chain_break ? Cell{} : text(r.end.text); }},
    {kElementRadii, "起点", 10.5, -1, false,
     [](ElementRow r) { return r.chain_break ? Cell{} : text(radius_text(r.r_start)); }},
    {kElementRadii, "终点", 10.5, -1, false,
     [](ElementRow r) { return r.chain_break ? Cell{} : text(radius_text(r.r_end)); }},
    {"", "长度\n（米）", 10, 3, false,
     [](ElementRow r) { return number_if(!r.chain_break, r.length); }},
    {"", "参数 A", 10, 3, false, [](ElementRow r) { return number_if(r.a > 0, r.a); }},
    {kElementStart, "X", 12.75, 3, false,
     [](ElementRow r) { return number(r.chain_break ? r.point.x : r.start_point.x); }},
    {kElementStart, "Y", 14, 3, false,
     [](ElementRow r) { return number(r.chain_break ? r.point.y : r.start_point.y); }},
    {kElementStart, "方位角", 13.5, -1, false,
     [](ElementRow r) { return r.chain_break ? Cell{} : text(dms_text(degrees(r.azimuth), 1)); }},
    {kElementEnd, "X", 12.75, 3, false,
     [](ElementRow r) { return number_if(!r.chain_break, r.end_point.x); }},
    {kElementEnd, "Y", 14, 3, false,
     [](ElementRow r) { return number_if(!r.chain_break, r.end_point.y); }},
};
// A chain break's row: its stations back and ahead as the start and end stations, and where it
// stands.
constexpr RowCsvColumn<ElementTableRow> kElementCsv[] = {
    {"index", [](ElementRow r) { return number_if(!r.chain_break, r.index); }},
    {"type", [](ElementRow r) { return text(r.chain_break ? "断链" : r.type); }},
    {"start_station",
     [](ElementRow r) { return text(r.chain_break ? r.back.text : r.start.text); }},
    {"end_station", [](ElementRow r) { return text(r.chain_break ? r.ahead.text : r.end.text); }},
    {"R_start", [](ElementRow r) { return number_if(r.r_start != 0, r.r_start); }},
    {"R_end", [](ElementRow r) { return number_if(r.r_end != 0, r.r_end); }},
    {"length", [](ElementRow r) { return number_if(!r.chain_break, r.length); }},
    {"A", [](ElementRow r) { return number_if(r.a > 0, r.a); }},
    {"x", [](ElementRow r) { return number(r.chain_break ? r.point.x : r.start_point.x); }},
    {"y", [](ElementRow r) { return number(r.chain_break ? r.point.y : r.start_point.y); }},
    {"azimuth", [](ElementRow r) { return number_if(!r.chain_break, degrees(r.azimuth)); }},
    {"end_x", [](ElementRow r) { return number_if(!r.chain_break, r.end_point.x); }},
    {"end_y", [](ElementRow r) { return number_if(!r.chain_break, r.end_point.y); }},
};

// Five to seven columns on a portrait page, centred under the page header's title; 设计高程
// where the line has a profile, 地面高程 (on the centre line) where the job has a ground. A
// chain break's row prints both its stations.
constexpr const char* kStakeCoordinates = "坐标（米）";
constexpr RowColumn<StakeRow> kStakeColumns[] = {
    {"", "桩号", 19, -1, false,
     [](StakeRowRef r) {
         return text(r.chain_break ? r.station.text + "=" + r.ahead.text : r.station.text);
     }},
    {kStakeCoordinates, "X", 14, 4, false, [](StakeRowRef r) { return number(r.point.x); }},
    {kStakeCoordinates, "Y", 15.25, 4, false, [](StakeRowRef r) { return number(r.point.y); }},
    {"", "切线方位角", 14, -1, false,
     [](StakeRowRef r) { return text(dms_text(degrees(r.azimuth), 1)); }},
    {"", "设计高程\n（米）", 10, 3, false,
     [](StakeRowRef r) {
         return number_if(r.design_elevation.has_value(), r.design_elevation.value_or(0));
     },
     ShownWith::design_elevation},
    {"", "地面高程\n（米）", 10, 3, false,
     [](StakeRowRef r) {
         return number_if(r.ground_elevation.has_value(), r.ground_elevation.value_or(0));
     },
     ShownWith::ground_elevation},
    {"", "点名", 13, -1, true, [](StakeRowRef r) { return text(r.name); }},
};
constexpr RowCsvColumn<StakeRow> kStakeCsv[] = {
    {"station", [](StakeRowRef r) { return text(r.station.text); }},
    {"station_value", [](StakeRowRef r) { return number(r.station.number); }},
    {"x", [](StakeRowRef r) { return number(r.point.x); }},
    {"y", [](StakeRowRef r) { return number(r.point.y); }},
    {"azimuth", [](StakeRowRef r) { return number(degrees(r.azimuth)); }},
    {"point", [](StakeRowRef r) { return text(r.name); }},
    {"design_elevation",
     [](StakeRowRef r) {
         return number_if(r.design_elevation.has_value(), r.design_elevation.value_or(0));
     },
     ShownWith::design_elevation},
    {"ground_elevation",
     [](StakeRowRef r) {
         return number_if(r.ground_elevation.has_value(), r.ground_elevation.value_or(0));
     },
     ShownWith::ground_elevation},
};

// An asymmetric parabola's two radii and tangents as "in/out" text.
constexpr const char* kVerticalCurve = "竖曲线要素（米）";
constexpr const char* kGrade = "纵坡";
constexpr RowColumn<GradeTableRow> kGradeColumns[] = {
    {"", "序号", 5, 0, false, [](GradeRow r) { return number(r.index); }},
    {"", "变坡点桩号", 14, -1, false, [](GradeRow r) { return text(r.station.text); }},
    {"", "高程\n（米）", 10, 3, false, [](GradeRow r) { return number(r.elevation); }},
    {"", "凸/凹", 6, -1, false,
     [](GradeRow r) { return has_curve(r) ? text(curve_type(r.curve)) : Cell{}; }},
    {kVerticalCurve, "半径 R", 11, 3, false,
     [](GradeRow r) {
         return has_curve(r) ? in_out_cell(r.curve.radius_in, r.curve.radius_out) : Cell{};
     }},
    {kVerticalCurve, "切线长 T", 10, 3, false,
     [](GradeRow r) {
         return has_curve(r) ? in_out_cell(r.curve.tangent_in, r.curve.tangent_out) : Cell{};
     }},
    {kVerticalCurve, "外距 E", 8, 3, false,
     [](GradeRow r) { return number_if(has_curve(r), r.curve.external); }},
    {kVerticalCurve, "曲线长 L", 9, 3, false,
     [](GradeRow r) { return number_if(has_curve(r), r.curve.length); }},
    {"", "竖曲线\n起点桩号", 14, -1, false,
     [](GradeRow r) { return has_curve(r) ? text(r.curve_start.text) : Cell{}; }},
    {"", "竖曲线\n终点桩号", 14, -1, false,
     [](GradeRow r) { return has_curve(r) ? text(r.curve_end.text) : Cell{}; }},
    {kGrade, "纵坡（%）", 9, -1, false,
     [](GradeRow r) { return r.grade ? text(grade_text(r.grade_after)) : Cell{}; }},
    {kGrade, "坡长（米）", 10, 3, false,
     [](GradeRow r) { return number_if(r.grade, r.grade_length); }},
};
// The grade in per cent; R and T "in/out" where an asymmetric parabola's differ.
constexpr RowCsvColumn<GradeTableRow> kGradeCsv[] = {
    {"point", [](GradeRow r) { return number(r.index); }},
    {"station", [](GradeRow r) { return text(r.station.text); }},
    {"elevation", [](GradeRow r) { return number(r.elevation); }},
    {"type", [](GradeRow r) { return has_curve(r) ? text(curve_type(r.curve)) : Cell{}; }},
    {"R",
     [](GradeRow r) {
         return has_curve(r) ? text(in_out_text(r.curve.radius_in, r.curve.radius_out, -1))
                             : Cell{};
     }},
    {"T",
     [](GradeRow r) {
         return has_curve(r) ? text(in_out_text(r.curve.tangent_in, r.curve.tangent_out, -1))
                             : Cell{};
     }},
    {"E", [](GradeRow r) { return number_if(has_curve(r), r.curve.external); }},
    {"L", [](GradeRow r) { return number_if(has_curve(r), r.curve.length); }},
    {"start_station", [](GradeRow r) { return has_curve(r) ? text(r.curve_start.text) : Cell{}; }},
    {"end_station", [](GradeRow r) { return has_curve(r) ? text(r.curve_end.text) : Cell{}; }},
    {"grade", [](GradeRow r) { return number_if(r.grade, r.grade_after * 100); }},
    {"grade_length", [](GradeRow r) { return number_if(r.grade, r.grade_length); }},
};

}  // namespace

const RowTableLayout<CurveTableRow> kCurveTable{kCurveTableTitle, Paper::a3, true, false,
                                                kCurveColumns,    kCurveCsv};
const RowTableLayout<ElementTableRow> kElementTable{kElementTableTitle, Paper::a4,  true, false,
                                                    kElementColumns,    kElementCsv};
const RowTableLayout<StakeRow> kStakeTable{kStakeTableTitle, Paper::a4, false, true,
                                           kStakeColumns,    kStakeCsv};
const RowTableLayout<GradeTableRow> kGradeTable{kGradeTableTitle, Paper::a4, true, false,
                                                kGradeColumns,    kGradeCsv};

// --- Writing them ------------------------------------------------------------------------------

namespace {

// The heights a stake table shows: the design elevation where the line has a profile, the
// ground's where the job found it.
FieldSet stake_heights(const Alignment& alignment, bool ground) {
    FieldSet present;
    if (alignment.profile) present = present.with(RecordField::design_elevation);
    if (ground) present = present.with(RecordField::ground_elevation);
    return present;
}

// The stake rows as the printed table takes them, one at a time, each written to the CSV too
// where there is one: both files in one pass over the stakes.
class StakeCells final : public PrintedRowSource {
  public:
    StakeCells(StakeSource& stakes, FieldSet present, CsvRows<StakeRow>* csv)
        : stakes_(stakes), columns_(shown_row_columns(kStakeTable.columns, present)), csv_(csv) {}
    bool next(std::vector<PrintedCell>& cells) override {
        StakeRow row;
        if (!stakes_.next(row)) return false;
        if (csv_) csv_->row(row);
        cells = row_cells(columns_, row);
        return true;
    }

  private:
    StakeSource& stakes_;
    std::vector<const RowColumn<StakeRow>*> columns_;
    CsvRows<StakeRow>* csv_;
};

template <class Row>
void write_csv(std::ostream& out, const RowTableLayout<Row>& layout, const std::vector<Row>& rows) {
    CsvRows<Row> csv(out, layout);
    for (const Row& r : rows) csv.row(r);
}

template <class Row>
bool write_xlsx(const std::string& path, const RowTableLayout<Row>& layout,
                const std::vector<Row>& rows, const std::string& project_line, std::string& error) {
    PrintedTable table = printed_table_of(layout, {});
    const auto columns = shown_row_columns(layout.columns, {});
    for (const Row& r : rows) table.rows.push_back(row_cells(columns, r));
    return write_printed_table(path, table, project_line, error);
}

}  // namespace

std::vector<PrintedColumn> line_table_columns(LineTableKind kind) {
    // Every column, the optional heights' too.
    const FieldSet all{RecordField::design_elevation, RecordField::ground_elevation};
    switch (kind) {
        case LineTableKind::curves:
            return printed_table_of(kCurveTable, all).columns;
        case LineTableKind::elements:
            return printed_table_of(kElementTable, all).columns;
        case LineTableKind::stakes:
            return printed_table_of(kStakeTable, all).columns;
        case LineTableKind::grades:
            return printed_table_of(kGradeTable, all).columns;
    }
    return {};
}

void write_line_table_csv(std::ostream& out, LineTableKind kind, const Alignment& alignment,
                          double every) {
    switch (kind) {
        case LineTableKind::curves:
            write_csv(out, kCurveTable, curve_table_rows(alignment));
            return;
        case LineTableKind::elements:
            write_csv(out, kElementTable, element_table_rows(alignment));
            return;
        case LineTableKind::stakes: {
            StakeRows stakes(alignment, every);
            CsvRows<StakeRow> csv(out, kStakeTable, stake_heights(alignment, false));
            for (StakeRow r; stakes.next(r);) csv.row(r);
            return;
        }
        case LineTableKind::grades:
            write_csv(out, kGradeTable, grade_table_rows(alignment));
            return;
    }
}

bool write_line_table_xlsx(const std::string& path, LineTableKind kind, const Alignment& alignment,
                           const std::string& project_line, double every, std::string& error) {
    switch (kind) {
        case LineTableKind::curves:
            return write_xlsx(path, kCurveTable, curve_table_rows(alignment), project_line, error);
        case LineTableKind::elements:
            return write_xlsx(path, kElementTable, element_table_rows(alignment), project_line,
                              error);
        case LineTableKind::stakes: {
            StakeRows stakes(alignment, every);
            return write_stake_table(path, nullptr, alignment, stakes, false, project_line, error);
        }
        case LineTableKind::grades:
            return write_xlsx(path, kGradeTable, grade_table_rows(alignment), project_line, error);
    }
    return false;
}

bool write_stake_table(const std::string& path, std::ostream* csv, const Alignment& alignment,
                       StakeSource& stakes, bool ground, const std::string& project_line,
                       std::string& error) {
    const FieldSet present = stake_heights(alignment, ground);
    std::optional<CsvRows<StakeRow>> csv_rows;
    if (csv) csv_rows.emplace(*csv, kStakeTable, present);
    // The stakes of a long line at a short interval are many: streamed, never held.
    StakeCells rows(stakes, present, csv_rows ? &*csv_rows : nullptr);
    return write_printed_table(path, printed_table_of(kStakeTable, present), rows, project_line,
                               error);
}

}  // namespace qelt
