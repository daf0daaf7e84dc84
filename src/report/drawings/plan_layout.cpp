// The plan drawing laid out: the centre line, the stations and key points, the JD polygon and the
// boreholes as items in drawing coordinates, with the drawing's extent.

#include "report/drawings/plan_layout.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "base/text.h"
#include "station/station.h"

// g++ 12 at -O2 reports the members of a std::variant being moved as "maybe uninitialized"
// (a known false report in its variant storage); every item below is fully built before it is
// stored.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace qelt {

namespace {

using enum PlanLayer;

constexpr double kPi = std::numbers::pi;

// Sizes in drawing metres (the drawing is at 1:1).
constexpr double kBoreholeRadius = 1.0;     // the borehole's circle
constexpr double kTickHalf = 2.0;           // a station tick reaches this far either side
constexpr double kStationLabelFrom = 3.0;   // station labels start this far left of the line
constexpr double kKeyLeader = 10.0;         // key points: the tick runs this far to the right
constexpr double kKeyLabelFrom = 11.0;      // and the label starts here
constexpr double kStationInterval = 100.0;  // a tick and a label at every round 100 m
constexpr double kMaxStations = 1e5;        // per interval: 10 000 km
constexpr double kChordTolerance = 0.0005;  // transitions as polylines: sagitta at most 0.5 mm
constexpr double kMaxChords = 20000;        // per transition
constexpr double kStraightSagitta = 1e-7;   // an arc bowing less than this is drawn straight
constexpr double kExtentMargin = 20.0;

DPoint drawn(Point p) {
    return {p.y, p.x};
}

bool finite(DPoint p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

double degrees_in_circle(double radians) {
    return reduced_angle(radians * 180 / kPi, 360);
}

// --- The centre line ------------------------------------------------------------------------

// One piece of the line over its first `length` metres: a straight as a LINE, an arc as ARCs
// (one up to three quarters of a turn), a transition as a polyline fine enough that no chord
// strays more than kChordTolerance from the curve.
// `end` and `end_azimuth` are where the piece ends up after `length`.
void draw_piece(PlanLayout& layout, const Piece& piece, double length, Point& end,
                double& end_azimuth) {
    piece_point(piece, length, end, end_azimuth);
    const double k = piece.k0;
    const bool arc = piece.k0 == piece.k1;
    if (arc && std::fabs(k) * length * length / 8 < kStraightSagitta) {
        layout.line(centre_line, drawn(piece.start), drawn(end));
        return;
    }
    if (arc) {
        const Point centre = place(piece.start, piece.start_azimuth, 0, 1 / k);
        const DPoint c = drawn(centre);
        const DPoint s = drawn(piece.start);
        const double radius = 1 / std::fabs(k);
        const double from = std::atan2(s.y - c.y, s.x - c.x);
        const double sweep = std::fabs(k) * length;
        // More than a whole turn (which no road has) goes round the circle once.
        const double drawn_sweep = std::min(sweep, 2 * kPi);
        const int parts = drawn_sweep > 1.5 * kPi ? 2 : 1;
        const double step = drawn_sweep / parts;
        // A right-hand curve (k > 0) turns clockwise on the drawing: its angle falls; DXF arcs
        // run counter-clockwise, so they go from the far end back to the near one.
        const double sign = k > 0 ? -1 : 1;
        for (int j = 0; j < parts; ++j) {
            const double a0 = from + sign * step * j;
            const double a1 = from + sign * step * (j + 1);
            const double lo = std::min(a0, a1), hi = std::max(a0, a1);
            const auto on_arc = [&](double a) {
                return DPoint{c.x + radius * std::cos(a), c.y + radius * std::sin(a)};
            };
            layout.arc(centre_line, c, radius, degrees_in_circle(lo), degrees_in_circle(hi),
                       on_arc(a0), on_arc((a0 + a1) / 2), on_arc(a1));
        }
        return;
    }
    const double k_max = std::max(std::fabs(piece.k0), std::fabs(piece.k1));
    const double chord = chord_for_sagitta(k_max, kChordTolerance);
    // A kilometre of transition into a radius of 15 m takes 4 300 chords; only nonsensical data
    // would need more than this cap, and gets coarser chords rather than an endless file.
    const double count = std::min(std::ceil(length / chord), kMaxChords);
    const long n = count >= 1 ? static_cast<long>(count) : 1L;
    // Each vertex from the one before, along the short stretch of the curvature law between
    // them: evaluated from the piece's start, a vertex would cost steps in proportion to the
    // turn before it, which data with a transition of kilometres into a radius of metres makes
    // thousands of radians. The error added per chord is of the order of 1e-12 m.
    const double slope = (piece.k1 - piece.k0) / piece.length;  // dk/ds, 1/m²
    const auto curvature = [&](double s) { return piece.k0 + slope * s; };
    const auto azimuth = [&](double s) {
        return piece.start_azimuth + s * (piece.k0 + slope * s / 2);
    };
    std::vector<DPoint> points;
    points.reserve(static_cast<std::size_t>(n) + 1);
    points.push_back(drawn(piece.start));
    Point at = piece.start;
    double s = 0;
    for (long j = 1; j < n; ++j) {
        const double next = length * static_cast<double>(j) / static_cast<double>(n);
        const Piece chord_piece{0, at, azimuth(s), curvature(s), curvature(next), next - s};
        double ignored = 0;
        piece_point(chord_piece, next - s, at, ignored);
        s = next;
        points.push_back(drawn(at));
    }
    points.push_back(drawn(end));
    layout.polyline(centre_line, std::move(points));
}

// The line as locate reads it, start to end: each piece up to where the next one takes over (a
// piece starting before the end of the one before cuts it short), and between a piece's end and
// a later start the straight along its end tangent.
void draw_centre_line(PlanLayout& layout, const LocatedLine& line) {
    const std::vector<Piece>& pieces = line.pieces();
    double at = line.start_mileage();
    Point point;
    double azimuth = 0;
    line.locate(at, point, azimuth);
    const auto straight_to = [&](double mileage) {
        if (!(mileage > at)) return;
        const Point end = place(point, azimuth, mileage - at, 0);
        layout.line(centre_line, drawn(point), drawn(end));
        point = end;
        at = mileage;
    };
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const Piece& piece = pieces[i];
        straight_to(piece.start_mileage);
        const double next =
            i + 1 < pieces.size() ? pieces[i + 1].start_mileage : line.end_mileage();
        const double length = std::min(piece.length, next - piece.start_mileage);
        if (!(length > 0)) continue;
        draw_piece(layout, piece, length, point, azimuth);
        at = piece.start_mileage + length;
    }
    straight_to(line.end_mileage());
}

// --- Stations and key points ------------------------------------------------------------------

// Unit normal of the line on the drawing: to the right of the direction of travel for side 1,
// to the left for side −1.
DPoint normal(double azimuth, int side) {
    return {side * std::cos(azimuth), -side * std::sin(azimuth)};
}

// A text along the normal at a point of the line, starting `from` metres out on `side` and
// centred on the normal, turned so that it never reads upside down.
void normal_label(PlanLayout& layout, PlanLayer layer, Point on_line, double azimuth, int side,
                  double from, const std::string& text) {
    const DPoint u = normal(azimuth, side);
    const DPoint p = drawn(on_line);
    const DPoint at{p.x + from * u.x, p.y + from * u.y};
    double angle = std::atan2(u.y, u.x);
    int h = 0;
    if (u.x < -1e-9 || (std::fabs(u.x) <= 1e-9 && u.y < 0)) {
        // Pointing leftwards on the sheet: turn the text round and let it end at the line.
        angle += kPi;
        h = 2;
    }
    layout.text(layer, at, kPlanTextHeight, angle, h, 2, text);
}

// A line across the centre line at a point, from `left` metres on its left to `right` metres on
// its right.
void tick(PlanLayout& layout, PlanLayer layer, Point on_line, double azimuth, double left,
          double right) {
    const DPoint u = normal(azimuth, 1);
    const DPoint p = drawn(on_line);
    layout.line(layer, {p.x - left * u.x, p.y - left * u.y},
                {p.x + right * u.x, p.y + right * u.y});
}

// The printed station of a round number of interval k at its continuous mileage: lettered where
// zh_station_of letters it (the number alone would be read in another interval), its number
// printed from the round number itself, since (number + shift) − shift need not give it back to
// the bit.
std::string round_station_text(const ChainBreaks& breaks, double mileage, int k, double number) {
    const StationOfMileage station = zh_station_of(breaks, mileage);
    std::string plain_of_station, printed;
    zh_format(shortest_number(station.number), plain_of_station);
    zh_format(shortest_number(number), printed);
    const bool lettered = station.text != plain_of_station;
    return lettered ? static_cast<char>('A' + k) + printed : printed;
}

// Ticks and labels at every round 100 m of the chain-break numbering (round_stations). At each
// break its two stations and the length of the long or short chain.
void draw_stations(PlanLayout& layout, const LocatedLine& line, const ChainBreaks& breaks) {
    const double start = line.start_mileage(), end = line.end_mileage();
    if (!std::isfinite(start) || !std::isfinite(end)) return;
    for (const RoundStation& round : round_stations(breaks, start, end)) {
        Point p;
        double azimuth = 0;
        line.locate(round.mileage, p, azimuth);
        tick(layout, stations, p, azimuth, kTickHalf, kTickHalf);
        normal_label(layout, stations, p, azimuth, -1, kStationLabelFrom, round.text);
    }
    for (int i = 1; i <= breaks.dl_count; ++i) {
        const double before = breaks.dl_before[i], after = breaks.dl_after[i];
        Point p;
        double azimuth = 0;
        line.locate(dl_break_mileage(breaks, i), p, azimuth);
        std::string before_text, after_text;
        zh_format(shortest_number(before), before_text);
        zh_format(shortest_number(after), after_text);
        // Numbers that run on past the break repeat stations: a long chain (长链); numbers that
        // jump ahead leave stations out: a short chain (短链).
        const std::string text = before_text + "=" + after_text +
                                 (before > after ? " 长链" : " 短链") +
                                 short_number_text(std::fabs(before - after)) + "米";
        tick(layout, stations, p, azimuth, kTickHalf, kKeyLeader);
        normal_label(layout, stations, p, azimuth, 1, kKeyLabelFrom, text);
    }
}

void draw_key_points(PlanLayout& layout, const Alignment& alignment) {
    for (const KeyPoint& key : alignment.key_points) {
        Point p;
        double azimuth = 0;
        alignment.line.locate(key.mileage, p, azimuth);
        tick(layout, key_points, p, azimuth, kTickHalf, kKeyLeader);
        normal_label(layout, key_points, p, azimuth, 1, kKeyLabelFrom,
                     key.name + " " + zh_station_of(alignment.breaks, key.mileage).text);
    }
}

void draw_jds(PlanLayout& layout, const std::vector<AlignmentJd>& jds) {
    std::vector<DPoint> points;
    for (const AlignmentJd& jd : jds) points.push_back(drawn(jd.point));
    layout.polyline(jd_polygon, points);
    for (const AlignmentJd& jd : jds) {
        const DPoint p = drawn(jd.point);
        layout.text(jd_polygon, {p.x + kPlanTextHeight / 2, p.y + kPlanTextHeight / 2},
                    kPlanTextHeight, 0, 0, 0, jd.name);
    }
}

// A circle at the borehole, and beside it two lines: the group and serial number, then the
// station, offset and remark as the table has them.
void draw_borehole(PlanLayout& layout, const BoreholeRecord& b) {
    const DPoint c{b.y, b.x};
    layout.circle(boreholes, c, kBoreholeRadius);
    const double x = c.x + 2 * kBoreholeRadius;
    std::string first = b.group;
    // Appended piece by piece: g++ 12 at -O3 takes `"" + std::string` for an overlapping copy.
    if (b.serial > 0) {
        if (!first.empty()) first += ' ';
        first += std::to_string(b.serial);
    }
    std::string second = b.station + " " + b.offset_text;
    if (!b.remark.empty()) second += " " + b.remark;
    layout.text(borehole_labels, {x, c.y + 0.25 * kBoreholeTextHeight}, kBoreholeTextHeight, 0, 0,
                0, first);
    layout.text(borehole_labels, {x, c.y - 1.25 * kBoreholeTextHeight}, kBoreholeTextHeight, 0, 0,
                0, second);
}

// The skewed pier axes: one line per axis (a group's holes at one station) through the
// centre-line point and its holes, reaching kAxisOverhang beyond the outermost hole on either
// side of the line, so that the engineer sees the axis the offsets were measured along and can
// lay it over the bridge drawing. An axis whose holes all lie on the centre line shows no
// direction and is not drawn.
void draw_skewed_axes(PlanLayout& layout, std::span<const BoreholeRecord> holes) {
    constexpr double kAxisOverhang = 5;  // metres
    for (std::size_t i = 0; i < holes.size(); ++i) {
        const BoreholeRecord& first = holes[i];
        if (!first.crossing_angle) continue;
        const auto same_axis = [&](const BoreholeRecord& b) {
            return b.crossing_angle && b.group_number == first.group_number &&
                   b.centre_x == first.centre_x && b.centre_y == first.centre_y;
        };
        bool drawn_before = false;
        for (std::size_t j = 0; j < i && !drawn_before; ++j) drawn_before = same_axis(holes[j]);
        if (drawn_before) continue;
        // The axis's direction towards positive offsets (east, north), from a hole off the line.
        double ux = 0, uy = 0, low = 0, high = 0;
        for (std::size_t j = i; j < holes.size(); ++j)
            if (same_axis(holes[j])) {
                if (holes[j].offset != 0 && ux == 0 && uy == 0) {
                    ux = (holes[j].y - first.centre_y) / holes[j].offset;
                    uy = (holes[j].x - first.centre_x) / holes[j].offset;
                }
                low = std::fmin(low, holes[j].offset);
                high = std::fmax(high, holes[j].offset);
            }
        if (ux == 0 && uy == 0) continue;
        low -= kAxisOverhang;
        high += kAxisOverhang;
        layout.line(boreholes, {first.centre_y + low * ux, first.centre_x + low * uy},
                    {first.centre_y + high * ux, first.centre_x + high * uy});
    }
}

// The line's name at its start, on the side away from the key points' labels, for a drawing of
// several lines.
void draw_line_name(PlanLayout& layout, const Alignment& alignment) {
    if (alignment.name.empty()) return;
    Point p;
    double azimuth = 0;
    alignment.line.locate(alignment.start_mileage(), p, azimuth);
    normal_label(layout, stations, p, azimuth, -1, kKeyLabelFrom, alignment.name);
}

}  // namespace

DPoint PlanLayout::min() const {
    return has_extent() ? DPoint{min_.x - kExtentMargin, min_.y - kExtentMargin} : DPoint{0, 0};
}

DPoint PlanLayout::max() const {
    return has_extent() ? DPoint{max_.x + kExtentMargin, max_.y + kExtentMargin} : DPoint{100, 100};
}

void PlanLayout::line(PlanLayer layer, DPoint a, DPoint b) {
    if (!finite(a) || !finite(b)) return;
    extend(a);
    extend(b);
    items_.push_back(LineItem{layer, a, b});
}

void PlanLayout::arc(PlanLayer layer, DPoint centre, double radius, double start, double end,
                     DPoint a, DPoint mid, DPoint b) {
    if (!finite(centre) || !std::isfinite(radius) || !finite(a) || !finite(b)) return;
    extend(a);
    extend(mid);
    extend(b);
    items_.push_back(ArcItem{layer, centre, radius, start, end});
}

void PlanLayout::polyline(PlanLayer layer, std::vector<DPoint> points) {
    for (const DPoint& p : points)
        if (!finite(p)) return;
    for (const DPoint& p : points) extend(p);
    if (points.size() >= 2) items_.push_back(PolylineItem{layer, std::move(points)});
}

void PlanLayout::circle(PlanLayer layer, DPoint centre, double radius) {
    if (!finite(centre)) return;
    extend({centre.x - radius, centre.y - radius});
    extend({centre.x + radius, centre.y + radius});
    items_.push_back(CircleItem{layer, centre, radius});
}

void PlanLayout::text(PlanLayer layer, DPoint at, double height, double angle, int h, int v,
                      std::string_view utf8) {
    if (!finite(at) || utf8.empty()) return;
    extend(at);
    items_.push_back(TextItem{layer, at, height, angle, h, v, std::string(utf8)});
}

void PlanLayout::extend(DPoint p) {
    if (!finite(p)) return;
    min_.x = std::min(min_.x, p.x);
    min_.y = std::min(min_.y, p.y);
    max_.x = std::max(max_.x, p.x);
    max_.y = std::max(max_.y, p.y);
}

PlanLayout lay_out_plan(const Alignment& alignment, std::span<const BoreholeRecord> holes,
                        std::span<const Alignment> further_lines) {
    PlanLayout layout;
    for (std::size_t i = 0; i <= further_lines.size(); ++i) {
        const Alignment& line = i == 0 ? alignment : further_lines[i - 1];
        // The JD polygon first: where it runs along a straight, the centre line is drawn over it.
        draw_jds(layout, line.jds);
        draw_centre_line(layout, line.line);
        draw_stations(layout, line.line, line.breaks);
        draw_key_points(layout, line);
        if (!further_lines.empty()) draw_line_name(layout, line);
    }
    draw_skewed_axes(layout, holes);
    for (const BoreholeRecord& b : holes) draw_borehole(layout, b);
    return layout;
}

std::vector<RoundStation> round_stations(const ChainBreaks& breaks, double start, double end) {
    std::vector<RoundStation> found;
    if (!std::isfinite(start) || !std::isfinite(end)) return found;
    for (int k = 0; k <= breaks.dl_count; ++k) {
        const double shift = dl_shift(breaks, k);  // station number = mileage − shift here
        const double low = std::max(k == 0 ? start - shift : breaks.dl_after[k], start - shift);
        const double high =
            std::min(k < breaks.dl_count ? breaks.dl_before[k + 1] : end - shift, end - shift);
        // Counted in whole hundreds, so that a line of absurd length (a typing error in the
        // data) ends the loop all the same; a road has a few hundred of them.
        double first = std::ceil(low / kStationInterval);
        if (k > 0 && first * kStationInterval == breaks.dl_after[k]) first += 1;
        const double count = std::floor(high / kStationInterval) - first + 1;
        for (double j = 0; j < std::min(count, kMaxStations); ++j) {
            const double number = (first + j) * kStationInterval;
            const double mileage = number + shift;
            if (mileage < start || mileage > end) continue;
            found.push_back({mileage, round_station_text(breaks, mileage, k, number)});
        }
    }
    return found;
}

double chord_for_sagitta(double curvature, double tolerance) {
    return std::sqrt(8 * tolerance / std::fabs(curvature));
}

}  // namespace qelt
