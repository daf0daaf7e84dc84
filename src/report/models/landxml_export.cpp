// The alignment as LandXML 1.2: the located line is first cut into the stretches it is made of
// (its pieces as far as each one runs, the straights it fills gaps with), transitions into parts
// that each have a PI, every stretch checked against the located line itself; then the document
// is built with pugixml and saved, so that a refused line writes nothing.

#include "report/models/landxml_export.h"

#include <cmath>
#include <ctime>
#include <limits>
#include <numbers>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "base/data_error.h"
#include "base/text.h"
#include "station/station.h"

#ifndef QELT_VERSION
#define QELT_VERSION ""
#endif

namespace qelt {
namespace {

constexpr double kPi = std::numbers::pi;
// A stretch reproduces the located line when it comes this close, metres.
constexpr double kFidelity = 1e-9;
// A transition turning this many quarter turns is no road (a loop ramp's turns a few).
constexpr int kMaxParts = 1000;

const char* const kNamespace = "http://www.landxml.org/schema/LandXML-1.2";

[[noreturn]] void refuse(const std::string& why) {
    throw DataError("线形无法写成 LandXML 文件：" + why);
}

// A number as the file carries it: the shortest text that reads back as the same double.
std::string number(double value) {
    if (!std::isfinite(value)) refuse("线形中有不是有限数的数值（坐标、方位角或长度）");
    return shortest_number(value == 0 ? 0.0 : value);  // no "-0"
}

// A radius of LandXML's Spiral: "INF" where the transition meets a straight.
std::string radius_text(double curvature) {
    return curvature == 0 ? "INF" : number(1 / std::abs(curvature));
}

// The schema's horizontal direction: counter-clockwise from north, where Qelt's azimuth runs
// clockwise from north.
std::string direction(double azimuth) {
    return number(reduced_azimuth(-azimuth));
}

// "northing easting": X, then Y.
void add_point(pugi::xml_node parent, const char* name, Point p) {
    parent.append_child(name).text().set((number(p.x) + " " + number(p.y)).c_str());
}

void set(pugi::xml_node node, const char* attribute, const std::string& value) {
    node.append_attribute(attribute).set_value(value.c_str());
}

// A user's name as an XML attribute can carry it: characters XML 1.0 does not allow (control
// characters but tab and line ends, U+FFFE, U+FFFF) become blanks, bytes that are not UTF-8
// become U+FFFD. pugixml escapes the rest (& < > ").
std::string xml_text(const std::string& text) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t from = i;
        const std::optional<char32_t> c = next_utf8(text, i);
        if (!c) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else if ((*c < 0x20 && *c != '\t' && *c != '\n' && *c != '\r') || *c == 0xFFFE ||
                   *c == 0xFFFF) {
            out += ' ';
        } else {
            out.append(text, from, i - from);
        }
    }
    return out;
}

enum class Kind { line, curve, spiral };

Kind kind_of(const Piece& stretch) {
    if (stretch.k0 == 0 && stretch.k1 == 0) return Kind::line;
    return stretch.k0 == stretch.k1 ? Kind::curve : Kind::spiral;
}

Point end_point(const Piece& stretch, double& azimuth) {
    Point end;
    piece_point(stretch, stretch.length, end, azimuth);
    return end;
}

// The stretches of the located line in the order of mileage, each as a Piece from its own start:
// the straight from the line's start to its first piece, every piece up to where the next one
// starts (or to the line's end), and the straight along the end tangent over each gap, as
// locate reads them.
std::vector<Piece> stretches_of(const LocatedLine& line) {
    std::vector<Piece> out;
    const std::vector<Piece>& pieces = line.pieces();
    double at = line.start_mileage();
    const auto straight_to = [&](double mileage) {
        if (!(mileage > at)) return;
        Piece straight{at, {}, 0, 0, 0, mileage - at};
        line.locate(at, straight.start, straight.start_azimuth);
        out.push_back(straight);
        at = mileage;
    };
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const Piece& piece = pieces[i];
        const double until =
            i + 1 < pieces.size() ? pieces[i + 1].start_mileage : line.end_mileage();
        straight_to(piece.start_mileage);
        Piece kept = piece;
        // The sum, as the line itself formed it, is where the piece ends when nothing cut it.
        at = piece.start_mileage + piece.length;
        if (until < at) {
            // Cut short, a transition ends on the curvature it has reached there: its law
            // (k0 + (k1 − k0)·s/length) is kept, not its end curvature.
            kept.length = until - piece.start_mileage;
            kept.k1 = piece.k0 + (piece.k1 - piece.k0) * (kept.length / piece.length);
            at = until;
        }
        if (kept.length > 0) out.push_back(kept);
    }
    straight_to(line.end_mileage());
    return out;
}

// A transition as parts that each turn less than a quarter turn and keep one sign of curvature:
// split at its inflection (the curvature exactly 0 there), then into the fewest equal lengths
// that do. The curvature runs linearly, so a part turns its mean curvature times its length,
// and the part at the sharper end turns most.
void add_transition_parts(const Piece& spiral, std::vector<Piece>& out) {
    struct Cut {
        double s, k;  // arc length from the spiral's start, curvature there
    };
    std::vector<Cut> ends{{0, spiral.k0}};
    if ((spiral.k0 < 0 && spiral.k1 > 0) || (spiral.k0 > 0 && spiral.k1 < 0))
        ends.push_back({spiral.k0 / (spiral.k0 - spiral.k1) * spiral.length, 0});
    ends.push_back({spiral.length, spiral.k1});
    for (std::size_t j = 0; j + 1 < ends.size(); ++j) {
        const Cut a = ends[j], b = ends[j + 1];
        const auto sharpest_turn = [&](int n) {
            const double first = a.k + (b.k - a.k) / (2 * n), last = b.k - (b.k - a.k) / (2 * n);
            return std::fmax(std::abs(first), std::abs(last)) * (b.s - a.s) / n;
        };
        int n = 1;
        while (n <= kMaxParts && !(sharpest_turn(n) < kPi / 2)) ++n;
        if (n > kMaxParts) refuse("缓和曲线的转角不合理");
        for (int m = 0; m < n; ++m) {
            const double t0 = static_cast<double>(m) / n, t1 = static_cast<double>(m + 1) / n;
            const double s0 = a.s + (b.s - a.s) * t0;
            const double s1 = m + 1 == n ? b.s : a.s + (b.s - a.s) * t1;
            Piece part{spiral.start_mileage + s0,
                       {},
                       0,
                       a.k + (b.k - a.k) * t0,
                       m + 1 == n ? b.k : a.k + (b.k - a.k) * t1,
                       s1 - s0};
            if (s0 == 0) {
                part.start = spiral.start;
                part.start_azimuth = spiral.start_azimuth;
            } else {
                piece_point(spiral, s0, part.start, part.start_azimuth);
            }
            if (part.length > 0) out.push_back(part);
        }
    }
}

// Whether the stretch is what the located line is: compared just before its end, where a span
// the stretches missed (the straight after a piece of length 0 placed inside a gap, which
// `pieces()` does not list) would show.
void check_against_line(const LocatedLine& line, const Piece& stretch) {
    const double end = stretch.start_mileage + stretch.length;
    double probe = std::nextafter(end, -std::numeric_limits<double>::infinity());
    if (probe < stretch.start_mileage) probe = stretch.start_mileage;
    Point ours, theirs;
    double azimuth = 0;
    piece_point(stretch, probe - stretch.start_mileage, ours, azimuth);
    line.locate(probe, theirs, azimuth);
    const double off = std::hypot(ours.x - theirs.x, ours.y - theirs.y);
    if (!(off <= kFidelity)) {
        refuse("连续里程 " + number(stretch.start_mileage) + " 米起的一段与线路定位相差 " +
               number(off) + " 米");
    }
}

// What every element carries: its staStart and length, and the direction of its tangent (dir
// for a straight, dirStart and dirEnd for a curve). Returns its end point.
Point add_extent(pugi::xml_node element, const Piece& stretch) {
    set(element, "staStart", number(stretch.start_mileage));
    set(element, "length", number(stretch.length));
    double end_azimuth = 0;
    const Point end = end_point(stretch, end_azimuth);
    if (kind_of(stretch) == Kind::line) {
        set(element, "dir", direction(stretch.start_azimuth));
    } else {
        set(element, "dirStart", direction(stretch.start_azimuth));
        set(element, "dirEnd", direction(end_azimuth));
    }
    return end;
}

void add_line(pugi::xml_node geometry, const Piece& stretch) {
    pugi::xml_node line = geometry.append_child("Line");
    const Point end = add_extent(line, stretch);
    add_point(line, "Start", stretch.start);
    add_point(line, "End", end);
}

void add_curve(pugi::xml_node geometry, const Piece& stretch) {
    const double k = stretch.k0;
    const double turn = std::abs(k) * stretch.length;
    pugi::xml_node curve = geometry.append_child("Curve");
    set(curve, "rot", k > 0 ? "cw" : "ccw");
    set(curve, "radius", number(1 / std::abs(k)));
    const Point end = add_extent(curve, stretch);
    add_point(curve, "Start", stretch.start);
    // The centre lies R to the right of the start tangent for a curve to the right.
    add_point(curve, "Center", place(stretch.start, stretch.start_azimuth, 0, 1 / k));
    add_point(curve, "End", end);
    // The tangents meet T = R·tan(Δ/2) ahead of the start; from a half turn on they meet
    // behind it or not at all.
    if (turn < kPi) {
        add_point(curve, "PI",
                  place(stretch.start, stretch.start_azimuth, std::tan(turn / 2) / std::abs(k), 0));
    }
}

void add_spiral(pugi::xml_node geometry, const Piece& stretch) {
    double along = 0, right = 0, turn = 0;
    piece_local(stretch.k0, stretch.k1, stretch.length, stretch.length, along, right, turn);
    // The end tangent crosses the start tangent right/tan(turn) before the end's foot on it.
    const double to_pi = along - right / std::tan(turn);
    pugi::xml_node spiral = geometry.append_child("Spiral");
    set(spiral, "spiType", "clothoid");
    set(spiral, "rot", stretch.k0 + stretch.k1 > 0 ? "cw" : "ccw");
    set(spiral, "radiusStart", radius_text(stretch.k0));
    set(spiral, "radiusEnd", radius_text(stretch.k1));
    const Point end = add_extent(spiral, stretch);
    add_point(spiral, "Start", stretch.start);
    add_point(spiral, "PI", place(stretch.start, stretch.start_azimuth, to_pi, 0));
    add_point(spiral, "End", end);
}

}  // namespace

LandXmlTime landxml_now() {
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);  // the run is single-threaded
    char date[32], time[32];
    std::strftime(date, sizeof date, "%Y-%m-%d", local);
    std::strftime(time, sizeof time, "%H:%M:%S", local);
    return {date, time};
}

void write_landxml(std::ostream& out, const Alignment& alignment, const std::string& name,
                   const LandXmlTime& written) {
    const LocatedLine& line = alignment.line;
    const double start = line.start_mileage(), end = line.end_mileage();
    if (!std::isfinite(start) || !std::isfinite(end)) refuse("线形数据有误，定位结果不是有限数");
    if (!(end > start)) refuse("线路长度为零");
    const ChainBreaks& breaks = alignment.breaks;
    if (breaks.dl_count < 0 || breaks.dl_count > kChainBreakSlots - 2) refuse("断链个数超出容量");

    std::vector<Piece> stretches;
    for (const Piece& stretch : stretches_of(line)) {
        check_against_line(line, stretch);
        if (kind_of(stretch) == Kind::spiral) {
            add_transition_parts(stretch, stretches);
        } else {
            stretches.push_back(stretch);
        }
    }

    pugi::xml_document document;
    pugi::xml_node declaration = document.append_child(pugi::node_declaration);
    set(declaration, "version", "1.0");
    set(declaration, "encoding", "UTF-8");
    pugi::xml_node root = document.append_child("LandXML");
    set(root, "xmlns", kNamespace);
    set(root, "version", "1.2");
    set(root, "date", written.date);
    set(root, "time", written.time);
    pugi::xml_node metric = root.append_child("Units").append_child("Metric");
    set(metric, "areaUnit", "squareMeter");
    set(metric, "linearUnit", "meter");
    set(metric, "volumeUnit", "cubicMeter");
    set(metric, "temperatureUnit", "celsius");
    set(metric, "pressureUnit", "milliBars");
    set(metric, "angularUnit", "radians");
    set(metric, "directionUnit", "radians");
    pugi::xml_node application = root.append_child("Application");
    set(application, "name", "Qelt");
    set(application, "desc", "道路钻孔坐标计算");
    if (*QELT_VERSION) set(application, "version", QELT_VERSION);

    pugi::xml_node road = root.append_child("Alignments").append_child("Alignment");
    set(road, "name", xml_text(name));
    set(road, "length", number(end - start));
    set(road, "staStart", number(start));
    pugi::xml_node geometry = road.append_child("CoordGeom");
    for (const Piece& stretch : stretches) {
        switch (kind_of(stretch)) {
            case Kind::line:
                add_line(geometry, stretch);
                break;
            case Kind::curve:
                add_curve(geometry, stretch);
                break;
            case Kind::spiral:
                add_spiral(geometry, stretch);
                break;
        }
    }
    for (int i = 1; i <= breaks.dl_count; ++i) {
        pugi::xml_node equation = road.append_child("StaEquation");
        set(equation, "staBack", number(breaks.dl_before[i]));
        set(equation, "staAhead", number(breaks.dl_after[i]));
        set(equation, "staInternal", number(dl_break_mileage(breaks, i)));
    }
    document.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
}

}  // namespace qelt
