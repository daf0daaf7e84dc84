// The line tables: the numbers of the line as Qelt holds it, laid out as the design drawings
// lay theirs out, so that the engineer can compare them row by row before placing a borehole.
#include "report/line_tables.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string_view>

#include "base/data_error.h"
#include "base/text.h"
#include "base/utf8_path.h"
#include "report/csv_table.h"
#include "report/printed_table.h"

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

std::string number_or_empty(bool given, double value) {
    return given ? shortest_number(value) : std::string();
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

StakeRows::StakeRows(const Alignment& alignment, double every, const Terrain* ground)
    : alignment_(alignment), every_(every), ground_(ground) {
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
    alignment_.line.locate(row.mileage, row.point, row.azimuth);
    if (alignment_.profile) row.design_elevation = alignment_.profile->elevation(row.mileage);
    if (ground_) row.ground_elevation = ground_->elevation(row.point);
    return true;
}

StakesOffGround stakes_off_ground(const Alignment& alignment, double every, const Terrain& ground) {
    StakesOffGround off;
    StakeRows stakes(alignment, every, &ground);
    for (StakeRow r; stakes.next(r);) {
        if (r.ground_elevation) continue;
        ++off.count;
        if (off.first.size() < kStakesOffGroundNamed) off.first.push_back(r.station.text);
    }
    return off;
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

// --- CSV ---------------------------------------------------------------------------------------

namespace {

void write_curves_csv(std::ostream& out, const Alignment& alignment) {
    out << "jd,jd_station,x,y,deflection,R,Ls1,Ls2,A1,A2,T1,T2,L,E,J,ZH,HY,QZ,YH,HZ,leg,"
           "azimuth\n";
    for (const CurveTableRow& r : curve_table_rows(alignment)) {
        if (r.chain_break) {
            // The break's two stations, and where it stands on the line.
            out << "断链," << csv_field(r.back.text + "=" + r.ahead.text) << ','
                << shortest_number(r.point.x) << ',' << shortest_number(r.point.y)
                << ",,,,,,,,,,,,,,,,,,\n";
            continue;
        }
        out << csv_field(r.jd) << ',' << csv_field(r.jd_station.text) << ','
            << shortest_number(r.point.x) << ',' << shortest_number(r.point.y) << ',';
        if (r.curve) {
            out << shortest_number(degrees(r.deflection)) << ',' << shortest_number(r.radius) << ','
                << shortest_number(r.ls1) << ',' << shortest_number(r.ls2) << ','
                << number_or_empty(r.a1 > 0, r.a1) << ',' << number_or_empty(r.a2 > 0, r.a2) << ','
                << shortest_number(r.t1) << ',' << shortest_number(r.t2) << ','
                << shortest_number(r.length) << ',' << shortest_number(r.external) << ','
                << shortest_number(r.correction) << ',' << csv_field(r.zh.text) << ','
                << csv_field(r.hy.text) << ',' << csv_field(r.qz.text) << ','
                << csv_field(r.yh.text) << ',' << csv_field(r.hz.text) << ',';
        } else {
            out << ",,,,,,,,,,,,,,,,";
        }
        out << number_or_empty(r.leg, r.jd_distance) << ','
            << number_or_empty(r.leg, degrees(r.azimuth)) << '\n';
    }
}

void write_elements_csv(std::ostream& out, const Alignment& alignment) {
    out << "index,type,start_station,end_station,R_start,R_end,length,A,x,y,azimuth,end_x,"
           "end_y\n";
    for (const ElementTableRow& r : element_table_rows(alignment)) {
        if (r.chain_break) {
            // The break's two stations as the elements' start and end, and where it stands.
            out << ",断链," << csv_field(r.back.text) << ',' << csv_field(r.ahead.text) << ",,,,,"
                << shortest_number(r.point.x) << ',' << shortest_number(r.point.y) << ",,,\n";
            continue;
        }
        out << r.index << ',' << r.type << ',' << csv_field(r.start.text) << ','
            << csv_field(r.end.text) << ',' << number_or_empty(r.r_start != 0, r.r_start) << ','
            << number_or_empty(r.r_end != 0, r.r_end) << ',' << shortest_number(r.length) << ','
            << number_or_empty(r.a > 0, r.a) << ',' << shortest_number(r.start_point.x) << ','
            << shortest_number(r.start_point.y) << ',' << shortest_number(degrees(r.azimuth)) << ','
            << shortest_number(r.end_point.x) << ',' << shortest_number(r.end_point.y) << '\n';
    }
}

void write_stakes_csv(std::ostream& out, const Alignment& alignment, double every,
                      const Terrain* ground) {
    // The design elevation is a column only where the line has a profile, the ground's only
    // with a terrain: without them the file is as it always was.
    const bool heights = alignment.profile.has_value();
    out << "station,station_value,x,y,azimuth,point" << (heights ? ",design_elevation" : "")
        << (ground ? ",ground_elevation" : "") << '\n';
    StakeRows stakes(alignment, every, ground);
    for (StakeRow r; stakes.next(r);) {
        out << csv_field(r.station.text) << ',' << shortest_number(r.station.number) << ','
            << shortest_number(r.point.x) << ',' << shortest_number(r.point.y) << ','
            << shortest_number(degrees(r.azimuth)) << ',' << csv_field(r.name);
        if (heights)
            out << ','
                << number_or_empty(r.design_elevation.has_value(), r.design_elevation.value_or(0));
        if (ground)
            out << ','
                << number_or_empty(r.ground_elevation.has_value(), r.ground_elevation.value_or(0));
        out << '\n';
    }
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

void write_grades_csv(std::ostream& out, const Alignment& alignment) {
    out << "point,station,elevation,type,R,T,E,L,start_station,end_station,grade,grade_length\n";
    for (const GradeTableRow& r : grade_table_rows(alignment)) {
        out << r.index << ',' << csv_field(r.station.text) << ',' << shortest_number(r.elevation)
            << ',';
        const VerticalCurve& c = r.curve;
        if (c.kind != VerticalCurveKind::none)
            out << curve_type(c) << ',' << in_out_text(c.radius_in, c.radius_out, -1) << ','
                << in_out_text(c.tangent_in, c.tangent_out, -1) << ','
                << shortest_number(c.external) << ',' << shortest_number(c.length) << ','
                << csv_field(r.curve_start.text) << ',' << csv_field(r.curve_end.text) << ',';
        else
            out << ",,,,,,,";
        out << number_or_empty(r.grade, r.grade_after * 100) << ','
            << number_or_empty(r.grade, r.grade_length) << '\n';
    }
}

// --- The printed tables -------------------------------------------------------------------------

PrintedCell text(std::string t) {
    return PrintedCell::of(std::move(t));
}
PrintedCell number(double v) {
    return PrintedCell::of(v);
}
PrintedCell number_if(bool given, double v) {
    return given ? PrintedCell::of(v) : PrintedCell{};
}

// Wide: 24 columns, A3 landscape, as the design drawings print it. Lengths to the millimetre,
// coordinates to the millimetre, angles to a tenth of a second.
PrintedTable curve_table(const Alignment& alignment) {
    PrintedTable t;
    t.title = kCurveTableTitle;
    t.paper = Paper::a3;
    t.landscape = true;
    const char* const elements = "曲线要素值（米）";
    const char* const stations = "曲线主点桩号";
    const char* const legs = "直线长度及方向";
    t.columns = {
        {"", "交点号", 6, -1},
        {"", "交点桩号", 14, -1},
        {"交点坐标", "X", 12.75, 3},
        {"交点坐标", "Y", 14, 3},
        {"", "转角值", 14.5, -1},
        {elements, "半径\nR", 9, 3},
        {elements, "缓和曲线\n长度 Ls1", 8.5, 3},
        {elements, "缓和曲线\n长度 Ls2", 8.5, 3},
        {elements, "缓和曲线\n参数 A1", 8.5, 3},
        {elements, "缓和曲线\n参数 A2", 8.5, 3},
        {elements, "切线长度\nT1", 9, 3},
        {elements, "切线长度\nT2", 9, 3},
        {elements, "曲线长度\nL", 9, 3},
        {elements, "外距\nE", 9, 3},
        {elements, "校正值\nJ", 9, 3},
        {stations, "ZH\n（直缓点）", 14, -1},
        {stations, "HY\n（缓圆点）", 14, -1},
        {stations, "QZ\n（曲中点）", 14, -1},
        {stations, "YH\n（圆缓点）", 14, -1},
        {stations, "HZ\n（缓直点）", 14, -1},
        {legs, "直线长度\n（米）", 9.5, 3},
        {legs, "交点间距\n（米）", 9.5, 3},
        {legs, "计算方位角", 13.5, -1},
        {"", "备注", 7, -1, true},
    };
    for (const CurveTableRow& r : curve_table_rows(alignment)) {
        std::vector<PrintedCell> cells(t.columns.size());
        if (r.chain_break) {
            cells[0] = text("断链");
            cells[1] = text(chain_text(r));
            cells[1].span = 4;
            t.rows.push_back(std::move(cells));
            continue;
        }
        cells[0] = text(r.jd);
        cells[1] = text(r.jd_station.text);
        cells[2] = number(r.point.x);
        cells[3] = number(r.point.y);
        if (r.curve) {
            cells[4] = text(turn_text(r.deflection));
            cells[5] = number(r.radius);
            // A side without a transition shows no transition values at all.
            cells[6] = number_if(r.ls1 != 0, r.ls1);
            cells[7] = number_if(r.ls2 != 0, r.ls2);
            cells[8] = number_if(r.a1 > 0, r.a1);
            cells[9] = number_if(r.a2 > 0, r.a2);
            cells[10] = number(r.t1);
            cells[11] = number(r.t2);
            cells[12] = number(r.length);
            cells[13] = number(r.external);
            cells[14] = number(r.correction);
            cells[15] = text(r.zh.text);
            cells[16] = text(r.hy.text);
            cells[17] = text(r.qz.text);
            cells[18] = text(r.yh.text);
            cells[19] = text(r.hz.text);
            if (r.hairpin) cells[23] = text("回头曲线");
        }
        if (r.leg) {
            cells[20] = number(r.straight);
            cells[21] = number(r.jd_distance);
            cells[22] = text(dms_text(degrees(r.azimuth), 1));
        }
        t.rows.push_back(std::move(cells));
    }
    return t;
}

std::string radius_text(double r) {
    return r == 0 ? std::string("∞") : fixed_text(r, 3);
}

PrintedTable element_table(const Alignment& alignment) {
    PrintedTable t;
    t.title = kElementTableTitle;
    t.landscape = true;
    const char* const start = "起点";
    const char* const end = "终点";
    t.columns = {
        {"", "序号", 5, 0},
        {"", "类型", 8.5, -1},
        {"桩号", "起点", 14, -1},
        {"桩号", "终点", 14, -1},
        {"半径（米，右正左负）", "起点", 10.5, -1},
        {"半径（米，右正左负）", "终点", 10.5, -1},
        {"", "长度\n（米）", 10, 3},
        {"", "参数 A", 10, 3},
        {start, "X", 12.75, 3},
        {start, "Y", 14, 3},
        {start, "方位角", 13.5, -1},
        {end, "X", 12.75, 3},
        {end, "Y", 14, 3},
    };
    for (const ElementTableRow& r : element_table_rows(alignment)) {
        if (r.chain_break) {
            std::vector<PrintedCell> cells(t.columns.size());
            cells[1] = text("断链");
            cells[2] = text(chain_text(r));
            cells[2].span = 4;
            cells[8] = number(r.point.x);
            cells[9] = number(r.point.y);
            t.rows.push_back(std::move(cells));
            continue;
        }
        t.rows.push_back({number(r.index), text(r.type), text(r.start.text), text(r.end.text),
                          text(radius_text(r.r_start)), text(radius_text(r.r_end)),
                          number(r.length), number_if(r.a > 0, r.a), number(r.start_point.x),
                          number(r.start_point.y), text(dms_text(degrees(r.azimuth), 1)),
                          number(r.end_point.x), number(r.end_point.y)});
    }
    return t;
}

// The stake table's columns, with 设计高程 where the line has a profile and 地面高程 (on the
// centre line) with a ground; its rows come from stake_row one at a time.
PrintedTable stake_table(const Alignment& alignment, bool ground) {
    PrintedTable t;
    t.title = kStakeTableTitle;
    // Five or six columns on a portrait page: centred under the page header's title.
    t.centred = true;
    const char* const coordinates = "坐标（米）";
    t.columns = {
        {"", "桩号", 19, -1},       {coordinates, "X", 14, 4},  {coordinates, "Y", 15.25, 4},
        {"", "切线方位角", 14, -1}, {"", "点名", 13, -1, true},
    };
    if (alignment.profile)
        t.columns.insert(t.columns.begin() + 4, PrintedColumn{"", "设计高程\n（米）", 10, 3});
    if (ground) t.columns.insert(t.columns.end() - 1, PrintedColumn{"", "地面高程\n（米）", 10, 3});
    return t;
}

void stake_row(const StakeRow& r, bool heights, bool ground, std::vector<PrintedCell>& cells) {
    const std::string station =
        r.chain_break ? r.station.text + "=" + r.ahead.text : r.station.text;
    cells = {text(station), number(r.point.x), number(r.point.y),
             text(dms_text(degrees(r.azimuth), 1))};
    if (heights)
        cells.push_back(number_if(r.design_elevation.has_value(), r.design_elevation.value_or(0)));
    if (ground)
        cells.push_back(number_if(r.ground_elevation.has_value(), r.ground_elevation.value_or(0)));
    cells.push_back(text(r.name));
}

// The stake table's rows as the printed table takes them, one at a time.
class StakeTableRows final : public PrintedRowSource {
  public:
    StakeTableRows(const Alignment& alignment, double every, const Terrain* ground)
        : stakes_(alignment, every, ground),
          heights_(alignment.profile.has_value()),
          ground_(ground != nullptr) {}
    bool next(std::vector<PrintedCell>& cells) override {
        StakeRow row;
        if (!stakes_.next(row)) return false;
        stake_row(row, heights_, ground_, cells);
        return true;
    }

  private:
    StakeRows stakes_;
    bool heights_;
    bool ground_;
};

// "+2.500" / "−1.250": a grade in per cent as the profile drawings print it, signed.
std::string grade_text(double grade) {
    return (grade > 0 ? "+" : "") + fixed_text(grade * 100, 3);
}

PrintedTable grade_table(const Alignment& alignment) {
    PrintedTable t;
    t.title = kGradeTableTitle;
    t.landscape = true;
    const char* const curve = "竖曲线要素（米）";
    const char* const grade = "纵坡";
    t.columns = {
        {"", "序号", 5, 0},
        {"", "变坡点桩号", 14, -1},
        {"", "高程\n（米）", 10, 3},
        {"", "凸/凹", 6, -1},
        {curve, "半径 R", 11, 3},
        {curve, "切线长 T", 10, 3},
        {curve, "外距 E", 8, 3},
        {curve, "曲线长 L", 9, 3},
        {"", "竖曲线\n起点桩号", 14, -1},
        {"", "竖曲线\n终点桩号", 14, -1},
        {grade, "纵坡（%）", 9, -1},
        {grade, "坡长（米）", 10, 3},
    };
    for (const GradeTableRow& r : grade_table_rows(alignment)) {
        std::vector<PrintedCell> cells(t.columns.size());
        cells[0] = number(r.index);
        cells[1] = text(r.station.text);
        cells[2] = number(r.elevation);
        const VerticalCurve& c = r.curve;
        if (c.kind != VerticalCurveKind::none) {
            cells[3] = text(curve_type(c));
            // An asymmetric parabola's two radii and tangents as "in/out" text.
            cells[4] = c.radius_in == c.radius_out
                           ? number(c.radius_in)
                           : text(in_out_text(c.radius_in, c.radius_out, 3));
            cells[5] = c.tangent_in == c.tangent_out
                           ? number(c.tangent_in)
                           : text(in_out_text(c.tangent_in, c.tangent_out, 3));
            cells[6] = number(c.external);
            cells[7] = number(c.length);
            cells[8] = text(r.curve_start.text);
            cells[9] = text(r.curve_end.text);
        }
        if (r.grade) {
            cells[10] = text(grade_text(r.grade_after));
            cells[11] = number(r.grade_length);
        }
        t.rows.push_back(std::move(cells));
    }
    return t;
}

// The printed table of `kind`; the stake table without its rows, which are streamed.
PrintedTable printed_line_table(LineTableKind kind, const Alignment& alignment,
                                const Terrain* ground) {
    switch (kind) {
        case LineTableKind::curves:
            return curve_table(alignment);
        case LineTableKind::elements:
            return element_table(alignment);
        case LineTableKind::stakes:
            return stake_table(alignment, ground != nullptr);
        case LineTableKind::grades:
            return grade_table(alignment);
    }
    return {};
}

}  // namespace

std::vector<PrintedColumn> line_table_columns(LineTableKind kind, const Alignment& alignment,
                                              const Terrain* ground) {
    return printed_line_table(kind, alignment, ground).columns;
}

void write_line_table_csv(std::ostream& out, LineTableKind kind, const Alignment& alignment,
                          double every, const Terrain* ground) {
    out << "\xEF\xBB\xBF";
    switch (kind) {
        case LineTableKind::curves:
            write_curves_csv(out, alignment);
            return;
        case LineTableKind::elements:
            write_elements_csv(out, alignment);
            return;
        case LineTableKind::stakes:
            write_stakes_csv(out, alignment, every, ground);
            return;
        case LineTableKind::grades:
            write_grades_csv(out, alignment);
            return;
    }
}

bool write_line_table_xlsx(const std::string& path, LineTableKind kind, const Alignment& alignment,
                           const std::string& project_line, double every, std::string& error,
                           const Terrain* ground) {
    if (kind == LineTableKind::stakes) {
        // The stakes of a long line at a short interval are many: streamed, never held.
        StakeTableRows rows(alignment, every, ground);
        return write_printed_table(path, stake_table(alignment, ground != nullptr), rows,
                                   project_line, error);
    }
    return write_printed_table(path, printed_line_table(kind, alignment, nullptr), project_line,
                               error);
}

}  // namespace qelt
