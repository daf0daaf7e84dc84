// The plan drawing: the drawing is first laid out as a list of entities in drawing coordinates,
// then written with dxflib, header first. The header needs the drawing's extents (so that CAD
// opens it on the road, not on the origin kilometres away) and a handle seed above every handle
// the file uses, both known only once everything is laid out.

#include "report/dxf_drawing.h"

#include <dl_dxf.h>
#include <dl_writer_ascii.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <ostream>
#include <variant>

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

constexpr double kPi = std::numbers::pi;

// Sizes in drawing metres (the drawing is at 1:1). At the 1:1000 to 1:2000 of a borehole plan the
// texts print 1.5 to 3 mm high.
constexpr double kTextHeight = 3.0;          // stations, key points, JD names
constexpr double kBoreholeTextHeight = 1.5;  // borehole labels
constexpr double kBoreholeRadius = 1.0;      // the borehole's circle
constexpr double kTickHalf = 2.0;            // a station tick reaches this far either side
constexpr double kStationLabelFrom = 3.0;    // station labels start this far left of the line
constexpr double kKeyLeader = 10.0;          // key points: the tick runs this far to the right
constexpr double kKeyLabelFrom = 11.0;       // and the label starts here
constexpr double kStationInterval = 100.0;   // a tick and a label at every round 100 m
constexpr double kMaxStations = 1e5;         // per interval: 10 000 km
constexpr double kChordTolerance = 0.0005;   // transitions as polylines: sagitta at most 0.5 mm
constexpr double kMaxChords = 20000;         // per transition
constexpr double kStraightSagitta = 1e-7;    // an arc bowing less than this is drawn straight
constexpr double kExtentMargin = 20.0;

// The text style every label uses, and its font.
const char* const kTextStyle = "SimSun";
const char* const kFontFile = "simsun.ttc";
const char* const kFontFamily = "SimSun";

enum Layer { centre_line, jd_polygon, stations, key_points, boreholes, borehole_labels };

struct LayerInfo {
    const char* name;
    int color;  // AutoCAD colour index
};
constexpr LayerInfo kLayers[] = {
    {kLayerCentreLine, 1},      // red
    {kLayerJdPolygon, 5},       // blue
    {kLayerStations, 7},        // black on white, white on black
    {kLayerKeyPoints, 3},       // green
    {kLayerBoreholes, 6},       // magenta
    {kLayerBoreholeLabels, 7},  //
};

// A point of the drawing: x east, y north.
struct DPoint {
    double x = 0, y = 0;
};
DPoint drawn(Point p) {
    return {p.y, p.x};
}

struct LineItem {
    Layer layer = centre_line;
    DPoint a, b;
};
struct ArcItem {
    Layer layer = centre_line;
    DPoint centre;
    double radius = 0;
    double start_degrees = 0, end_degrees = 0;  // counter-clockwise from start to end
};
struct PolylineItem {
    Layer layer = centre_line;
    std::vector<DPoint> points;
};
struct CircleItem {
    Layer layer = centre_line;
    DPoint centre;
    double radius = 0;
};
struct TextItem {
    Layer layer = centre_line;
    DPoint at;  // insertion point; also the alignment point when the text is justified
    double height = 0;
    double angle = 0;         // radians, counter-clockwise from drawing x
    int h_justification = 0;  // 0 left, 2 right
    int v_justification = 0;  // 0 baseline, 2 middle
    std::string text;         // already as dxf_text gives it
};
using Item = std::variant<LineItem, ArcItem, PolylineItem, CircleItem, TextItem>;

double degrees_in_circle(double radians) {
    return reduced_angle(radians * 180 / kPi, 360);
}

class Layout {
  public:
    const std::vector<Item>& items() const { return items_; }
    bool has_extent() const { return min_.x <= max_.x; }
    // The drawing's extent with a margin; an empty drawing's is a 100 m square at the origin.
    DPoint min() const {
        return has_extent() ? DPoint{min_.x - kExtentMargin, min_.y - kExtentMargin} : DPoint{0, 0};
    }
    DPoint max() const {
        return has_extent() ? DPoint{max_.x + kExtentMargin, max_.y + kExtentMargin}
                            : DPoint{100, 100};
    }

    void line(Layer layer, DPoint a, DPoint b) {
        if (!finite(a) || !finite(b)) return;
        extend(a);
        extend(b);
        items_.push_back(LineItem{layer, a, b});
    }
    void arc(Layer layer, DPoint centre, double radius, double start, double end, DPoint a,
             DPoint mid, DPoint b) {
        if (!finite(centre) || !std::isfinite(radius) || !finite(a) || !finite(b)) return;
        extend(a);
        extend(mid);
        extend(b);
        items_.push_back(ArcItem{layer, centre, radius, start, end});
    }
    void polyline(Layer layer, std::vector<DPoint> points) {
        for (const DPoint& p : points)
            if (!finite(p)) return;
        for (const DPoint& p : points) extend(p);
        if (points.size() >= 2) items_.push_back(PolylineItem{layer, std::move(points)});
    }
    void circle(Layer layer, DPoint centre, double radius) {
        if (!finite(centre)) return;
        extend({centre.x - radius, centre.y - radius});
        extend({centre.x + radius, centre.y + radius});
        items_.push_back(CircleItem{layer, centre, radius});
    }
    void text(Layer layer, DPoint at, double height, double angle, int h, int v,
              std::string_view utf8) {
        if (!finite(at) || utf8.empty()) return;
        extend(at);
        items_.push_back(TextItem{layer, at, height, angle, h, v, dxf_text(utf8)});
    }

  private:
    static bool finite(DPoint p) { return std::isfinite(p.x) && std::isfinite(p.y); }
    void extend(DPoint p) {
        if (!finite(p)) return;
        min_.x = std::min(min_.x, p.x);
        min_.y = std::min(min_.y, p.y);
        max_.x = std::max(max_.x, p.x);
        max_.y = std::max(max_.y, p.y);
    }

    std::vector<Item> items_;
    DPoint min_{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
    DPoint max_{-std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
};

// --- The centre line ------------------------------------------------------------------------

// One piece of the line over its first `length` metres: a straight as a LINE, an arc as ARCs
// (one up to three quarters of a turn), a transition as a polyline fine enough that no chord
// strays more than kChordTolerance from the curve.
// `end` and `end_azimuth` are where the piece ends up after `length`.
void draw_piece(Layout& layout, const Piece& piece, double length, Point& end,
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
void draw_centre_line(Layout& layout, const LocatedLine& line) {
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
void normal_label(Layout& layout, Layer layer, Point on_line, double azimuth, int side, double from,
                  const std::string& text) {
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
    layout.text(layer, at, kTextHeight, angle, h, 2, text);
}

// A line across the centre line at a point, from `left` metres on its left to `right` metres on
// its right.
void tick(Layout& layout, Layer layer, Point on_line, double azimuth, double left, double right) {
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

// Ticks and labels at every round 100 m of the chain-break numbering, interval by interval; a
// chain break's own point belongs to the interval before it, as zh_station_of has it. At each
// break its two stations and the length of the long or short chain.
void draw_stations(Layout& layout, const LocatedLine& line, const ChainBreaks& breaks) {
    const double start = line.start_mileage(), end = line.end_mileage();
    if (!std::isfinite(start) || !std::isfinite(end)) return;
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
            Point p;
            double azimuth = 0;
            line.locate(mileage, p, azimuth);
            tick(layout, stations, p, azimuth, kTickHalf, kTickHalf);
            normal_label(layout, stations, p, azimuth, -1, kStationLabelFrom,
                         round_station_text(breaks, mileage, k, number));
        }
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

void draw_key_points(Layout& layout, const Alignment& alignment) {
    for (const KeyPoint& key : alignment.key_points) {
        Point p;
        double azimuth = 0;
        alignment.line.locate(key.mileage, p, azimuth);
        tick(layout, key_points, p, azimuth, kTickHalf, kKeyLeader);
        normal_label(layout, key_points, p, azimuth, 1, kKeyLabelFrom,
                     key.name + " " + zh_station_of(alignment.breaks, key.mileage).text);
    }
}

void draw_jds(Layout& layout, const std::vector<AlignmentJd>& jds) {
    std::vector<DPoint> points;
    for (const AlignmentJd& jd : jds) points.push_back(drawn(jd.point));
    layout.polyline(jd_polygon, points);
    for (const AlignmentJd& jd : jds) {
        const DPoint p = drawn(jd.point);
        layout.text(jd_polygon, {p.x + kTextHeight / 2, p.y + kTextHeight / 2}, kTextHeight, 0, 0,
                    0, jd.name);
    }
}

// A circle at the borehole, and beside it two lines: the group and serial number, then the
// station, offset and remark as the table has them.
void draw_borehole(Layout& layout, const PlanBorehole& b) {
    const DPoint c{b.y, b.x};
    layout.circle(boreholes, c, kBoreholeRadius);
    const double x = c.x + 2 * kBoreholeRadius;
    std::string first = b.group;
    if (b.serial > 0) first += (first.empty() ? "" : " ") + std::to_string(b.serial);
    std::string second = b.station + " " + b.offset_text;
    if (!b.remark.empty()) second += " " + b.remark;
    layout.text(borehole_labels, {x, c.y + 0.25 * kBoreholeTextHeight}, kBoreholeTextHeight, 0, 0,
                0, first);
    layout.text(borehole_labels, {x, c.y - 1.25 * kBoreholeTextHeight}, kBoreholeTextHeight, 0, 0,
                0, second);
}

Layout lay_out(const Alignment& alignment, const std::vector<PlanBorehole>& holes) {
    Layout layout;
    // The JD polygon first: where it runs along a straight, the centre line is drawn over it.
    draw_jds(layout, alignment.jds);
    draw_centre_line(layout, alignment.line);
    draw_stations(layout, alignment.line, alignment.breaks);
    draw_key_points(layout, alignment);
    for (const PlanBorehole& b : holes) draw_borehole(layout, b);
    return layout;
}

// --- Writing --------------------------------------------------------------------------------

// dxflib's writer, with what it writes going to a stream of the caller's: the file it would
// open itself takes a narrow path, which on Windows is the system's code page rather than UTF-8,
// and it flushes the file after every number. Numbers are in the shortest form that reads back
// as the same double, whatever the locale (dxflib's own printf form follows it). Lines end in
// CR LF, as AutoCAD writes them; every DXF reader takes them.
class Writer : public DL_WriterA {
  public:
    // dxflib's own file is never opened (an empty name), and never written.
    explicit Writer(std::ostream& out) : DL_WriterA("", DL_Codes::AC1015), out_(out) {}

    void dxfReal(int gc, double value) const override {
        char buf[400];
        auto [end, ec] = std::to_chars(buf, buf + sizeof buf - 3, value, std::chars_format::fixed);
        // The layout lets no NaN or infinity through; were one to come, "nan" would make the
        // file unreadable.
        if (ec != std::errc() || !std::isfinite(value)) end = std::copy_n("0", 1, buf);
        if (std::find(buf, end, '.') == end) end = std::copy_n(".0", 2, end);
        put(gc, std::string_view(buf, static_cast<std::size_t>(end - buf)));
    }
    void dxfInt(int gc, int value) const override {
        char buf[16];
        auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
        (void)ec;
        put(gc, std::string_view(buf, static_cast<std::size_t>(end - buf)));
    }
    void dxfHex(int gc, int value) const override {
        char buf[16];
        auto [end, ec] = std::to_chars(buf, buf + sizeof buf, static_cast<unsigned>(value), 16);
        (void)ec;
        std::transform(buf, end, buf, [](char c) { return c >= 'a' ? c - 'a' + 'A' : c; });
        put(gc, std::string_view(buf, static_cast<std::size_t>(end - buf)));
    }
    void dxfString(int gc, const char* value) const override { put(gc, value ? value : ""); }
    void dxfString(int gc, const std::string& value) const override { put(gc, value); }

  private:
    // A group code right-aligned in three places, as dxflib and AutoCAD write them, then the
    // value; bytes only, so that the stream's locale (thousands separators) cannot touch them.
    void put(int gc, std::string_view value) const {
        char line[8] = {' ', ' ', ' '};
        char* digits = gc < 10 ? line + 2 : gc < 100 ? line + 1 : line;
        auto [end, ec] = std::to_chars(digits, line + sizeof line - 2, gc);
        (void)ec;
        out_.write(line, end - line).write("\r\n", 2);
        out_.write(value.data(), static_cast<std::streamsize>(value.size())).write("\r\n", 2);
    }

    std::ostream& out_;
};

void write_header(Writer& w, const Layout& layout, unsigned long handle_seed) {
    w.comment("Qelt plan drawing");
    w.sectionHeader();
    w.dxfString(9, "$ACADVER");
    w.dxfString(1, "AC1015");
    w.dxfString(9, "$DWGCODEPAGE");
    w.dxfString(3, "ANSI_936");
    w.dxfString(9, "$HANDSEED");
    w.dxfHex(5, static_cast<int>(handle_seed));
    w.dxfString(9, "$INSBASE");
    w.coord(10, 0, 0, 0);
    const DPoint lo = layout.min(), hi = layout.max();
    w.dxfString(9, "$EXTMIN");
    w.coord(10, lo.x, lo.y, 0);
    w.dxfString(9, "$EXTMAX");
    w.coord(10, hi.x, hi.y, 0);
    w.dxfString(9, "$LIMMIN");
    w.dxfReal(10, lo.x);
    w.dxfReal(20, lo.y);
    w.dxfString(9, "$LIMMAX");
    w.dxfReal(10, hi.x);
    w.dxfReal(20, hi.y);
    w.dxfString(9, "$TEXTSTYLE");
    w.dxfString(7, kTextStyle);
    w.dxfString(9, "$TEXTSIZE");
    w.dxfReal(40, kTextHeight);
    w.dxfString(9, "$INSUNITS");
    w.dxfInt(70, 6);  // metres
    w.dxfString(9, "$MEASUREMENT");
    w.dxfInt(70, 1);  // metric
    w.dxfString(9, "$LUNITS");
    w.dxfInt(70, 2);  // decimal
    w.dxfString(9, "$LUPREC");
    w.dxfInt(70, 3);
    w.sectionEnd();
}

// The active viewport looking at the whole drawing. dxflib's own writes a fixed view near the
// origin, where a survey drawing in national coordinates has nothing.
void write_viewport(Writer& w, const Layout& layout) {
    const DPoint lo = layout.min(), hi = layout.max();
    const double width = hi.x - lo.x, height = hi.y - lo.y;
    const double aspect = 1.5;
    w.dxfString(0, "TABLE");
    w.dxfString(2, "VPORT");
    w.dxfHex(5, 0x8);
    w.dxfString(100, "AcDbSymbolTable");
    w.dxfInt(70, 1);
    w.dxfString(0, "VPORT");
    w.handle();
    w.dxfString(100, "AcDbSymbolTableRecord");
    w.dxfString(100, "AcDbViewportTableRecord");
    w.dxfString(2, "*Active");
    w.dxfInt(70, 0);
    w.dxfReal(10, 0.0);
    w.dxfReal(20, 0.0);
    w.dxfReal(11, 1.0);
    w.dxfReal(21, 1.0);
    w.dxfReal(12, (lo.x + hi.x) / 2);  // view centre
    w.dxfReal(22, (lo.y + hi.y) / 2);
    w.dxfReal(13, 0.0);
    w.dxfReal(23, 0.0);
    w.dxfReal(14, 10.0);
    w.dxfReal(24, 10.0);
    w.dxfReal(15, 10.0);
    w.dxfReal(25, 10.0);
    w.dxfReal(16, 0.0);
    w.dxfReal(26, 0.0);
    w.dxfReal(36, 1.0);
    w.dxfReal(17, 0.0);
    w.dxfReal(27, 0.0);
    w.dxfReal(37, 0.0);
    w.dxfReal(40, std::max(height, width / aspect));  // view height
    w.dxfReal(41, aspect);
    w.dxfReal(42, 50.0);
    w.dxfReal(43, 0.0);
    w.dxfReal(44, 0.0);
    w.dxfReal(50, 0.0);
    w.dxfReal(51, 0.0);
    w.dxfInt(71, 0);
    w.dxfInt(72, 100);
    w.dxfInt(73, 1);
    w.dxfInt(74, 3);
    w.dxfInt(75, 0);
    w.dxfInt(76, 0);
    w.dxfInt(77, 0);
    w.dxfInt(78, 0);
    w.dxfInt(281, 0);
    w.dxfInt(65, 1);
    w.dxfReal(110, 0.0);
    w.dxfReal(120, 0.0);
    w.dxfReal(130, 0.0);
    w.dxfReal(111, 1.0);
    w.dxfReal(121, 0.0);
    w.dxfReal(131, 0.0);
    w.dxfReal(112, 0.0);
    w.dxfReal(122, 1.0);
    w.dxfReal(132, 0.0);
    w.dxfInt(79, 0);
    w.dxfReal(146, 0.0);
    w.tableEnd();
}

// The labels' style: the TrueType file in the style's font field, as AutoCAD writes its own,
// and its family name in the ACAD extended data, which picks SimSun rather than NSimSun out of
// the collection. dxflib's writeStyle leaves the font field empty in R2000, so this record is
// written field by field.
void write_text_style(Writer& w) {
    w.dxfString(0, "STYLE");
    w.handle();
    w.dxfString(100, "AcDbSymbolTableRecord");
    w.dxfString(100, "AcDbTextStyleTableRecord");
    w.dxfString(2, kTextStyle);
    w.dxfInt(70, 0);
    w.dxfReal(40, 0.0);  // height set per text
    w.dxfReal(41, 1.0);
    w.dxfReal(50, 0.0);
    w.dxfInt(71, 0);
    w.dxfReal(42, kTextHeight);
    w.dxfString(3, kFontFile);
    w.dxfString(4, "");
    w.dxfString(1001, "ACAD");
    w.dxfString(1000, kFontFamily);
    w.dxfInt(1071, 0);
}

void write_tables(DL_Dxf& dxf, Writer& w, const Layout& layout) {
    w.sectionTables();
    write_viewport(w, layout);

    w.tableLinetypes(3);
    dxf.writeLinetype(w, DL_LinetypeData("BYBLOCK", "BYBLOCK", 0, 0, 0.0));
    dxf.writeLinetype(w, DL_LinetypeData("BYLAYER", "BYLAYER", 0, 0, 0.0));
    dxf.writeLinetype(w, DL_LinetypeData("CONTINUOUS", "Continuous", 0, 0, 0.0));
    w.tableEnd();

    w.tableLayers(1 + static_cast<int>(std::size(kLayers)));
    dxf.writeLayer(w, DL_LayerData("0", 0), DL_Attributes("", 7, -1, "CONTINUOUS", 1.0));
    for (const LayerInfo& layer : kLayers)
        dxf.writeLayer(w, DL_LayerData(dxf_text(layer.name), 0),
                       DL_Attributes("", layer.color, -1, "CONTINUOUS", 1.0));
    w.tableEnd();

    w.tableStyle(2);
    dxf.writeStyle(w, DL_StyleData("Standard", 0, 0.0, 1.0, 0.0, 0, kTextHeight, "txt", ""));
    write_text_style(w);
    w.tableEnd();

    dxf.writeView(w);
    dxf.writeUcs(w);
    w.tableAppid(1);
    dxf.writeAppid(w, "ACAD");
    w.tableEnd();
    dxf.writeDimStyle(w, 2.5, 1.25, 0.625, 0.625, kTextHeight);
    dxf.writeBlockRecord(w);
    w.tableEnd();
    w.sectionEnd();

    w.sectionBlocks();
    for (const char* name : {"*Model_Space", "*Paper_Space", "*Paper_Space0"}) {
        dxf.writeBlock(w, DL_BlockData(name, 0, 0.0, 0.0, 0.0));
        dxf.writeEndBlock(w, name);
    }
    w.sectionEnd();
}

void write_item(DL_Dxf& dxf, Writer& w, const Item& item) {
    const auto attributes = [](Layer layer) {
        return DL_Attributes(dxf_text(kLayers[layer].name), 256, -1, "BYLAYER", 1.0);
    };
    if (const auto* line = std::get_if<LineItem>(&item)) {
        dxf.writeLine(w, DL_LineData(line->a.x, line->a.y, 0, line->b.x, line->b.y, 0),
                      attributes(line->layer));
    } else if (const auto* arc = std::get_if<ArcItem>(&item)) {
        dxf.writeArc(w,
                     DL_ArcData(arc->centre.x, arc->centre.y, 0, arc->radius, arc->start_degrees,
                                arc->end_degrees),
                     attributes(arc->layer));
    } else if (const auto* polyline = std::get_if<PolylineItem>(&item)) {
        dxf.writePolyline(w, DL_PolylineData(static_cast<int>(polyline->points.size()), 0, 0, 0),
                          attributes(polyline->layer));
        for (const DPoint& p : polyline->points) dxf.writeVertex(w, DL_VertexData(p.x, p.y, 0, 0));
        dxf.writePolylineEnd(w);
    } else if (const auto* circle = std::get_if<CircleItem>(&item)) {
        dxf.writeCircle(w, DL_CircleData(circle->centre.x, circle->centre.y, 0, circle->radius),
                        attributes(circle->layer));
    } else if (const auto* text = std::get_if<TextItem>(&item)) {
        dxf.writeText(w,
                      DL_TextData(text->at.x, text->at.y, 0, text->at.x, text->at.y, 0,
                                  text->height, 1.0, 0, text->h_justification,
                                  text->v_justification, text->text, kTextStyle, text->angle),
                      attributes(text->layer));
    }
}

// Appends one UTF-16 unit as \U+XXXX.
void append_escape(std::string& out, std::uint32_t unit) {
    static const char hex[] = "0123456789ABCDEF";
    out += "\\U+";
    for (int shift = 12; shift >= 0; shift -= 4) out += hex[(unit >> shift) & 0xF];
}

}  // namespace

std::string dxf_text(std::string_view utf8) {
    const bool percent_codes = utf8.find("%%") != std::string_view::npos;
    std::string out;
    out.reserve(utf8.size() * 2);
    const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t n = utf8.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            if (c < 0x20 || c == 0x7F)
                out += ' ';
            else if (c == '\\')
                append_escape(out, '\\');
            else if (c == '%' && percent_codes)
                out += "%%%";
            else
                out += static_cast<char>(c);
            continue;
        }
        const std::optional<char32_t> decoded = next_utf8(utf8, i);
        if (!decoded) {
            append_escape(out, 0xFFFD);
            ++i;
            continue;
        }
        const char32_t cp = *decoded;
        if (cp >= 0x10000) {
            append_escape(out, 0xD800 + ((cp - 0x10000) >> 10));
            append_escape(out, 0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            append_escape(out, cp);
        }
    }
    return out;
}

double chord_for_sagitta(double curvature, double tolerance) {
    return std::sqrt(8 * tolerance / std::fabs(curvature));
}

void write_plan_drawing(std::ostream& out, const Alignment& alignment,
                        const std::vector<PlanBorehole>& boreholes) {
    const Layout layout = lay_out(alignment, boreholes);
    // Handles from 0x30 on: one per entity, one per layer, style and viewport record, and the
    // few the objects section takes; the seed goes above them all.
    const unsigned long handle_seed = 0x30 + layout.items().size() + std::size(kLayers) + 64;
    Writer w(out);
    DL_Dxf dxf;
    write_header(w, layout, handle_seed);
    write_tables(dxf, w, layout);
    w.sectionEntities();
    for (const Item& item : layout.items()) write_item(dxf, w, item);
    w.sectionEnd();
    dxf.writeObjects(w);
    dxf.writeObjectsEnd(w);
    w.dxfEOF();
}

}  // namespace qelt
