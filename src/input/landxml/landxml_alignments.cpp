// The reader of a LandXML file's horizontal alignments (Alignments/Alignment/CoordGeom).
#include "input/landxml/landxml_alignments.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <pugixml.hpp>
#include <string_view>

#include "base/text.h"
#include "base/utf8_path.h"
#include "input/text/seams.h"
#include "input/station_equations.h"
#include "station/station.h"
#include "zxbas/zxbas.h"

namespace qelt {

namespace {

constexpr double kPi = std::numbers::pi;
// An element's own numbers (Start, direction, length, radii) must bring it to its own End: a
// millimetre covers the rounding of the exported coordinates and lengths.
constexpr double kEndMissRefused = 1e-3;  // metres
// A station the file writes (an element's staStart, a Line's length) against the one its
// lengths and station equations give: a millimetre is rounding; beyond it the engineer is told;
// beyond a decimetre the file contradicts itself and no borehole can be placed on it with trust.
constexpr double kStationNoticed = 1e-3;  // metres
constexpr double kStationRefused = 0.1;   // metres
// A line given both by its elements and by its intersection points is one design: where the two
// part by more than a millimetre at a key point, the engineer is told.
constexpr double kPiLineNoticed = 1e-3;  // metres

double distance(Point a, Point b) {
    return std::hypot(b.x - a.x, b.y - a.y);
}

// Azimuth of the direction from a to b, radians clockwise from +X (north).
double azimuth_of(Point a, Point b) {
    return std::atan2(b.y - a.y, b.x - a.x);
}

// One element of a CoordGeom, placed at its own start.
struct Element {
    std::string name;  // "第 3 个线元 Curve", as messages call it
    long line = 0;
    Piece piece;
    std::optional<double> station;  // its staStart as written, metres
    pugi::xml_node node;
};

// How messages name an alignment: by its name, or by its place in the file where it has none.
std::string alignment_prefix(pugi::xml_node node, std::size_t index) {
    const std::string name = node.attribute("name").value();
    return name.empty() ? "第 " + std::to_string(index + 1) + " 条线路" : "线路“" + name + "”";
}

// The reading, checking and building of one Alignment.
class AlignmentBuilder : private LandXmlPart {
  public:
    AlignmentBuilder(const LandXmlDocument& document, pugi::xml_node node, std::size_t index)
        : LandXmlPart(document, alignment_prefix(node, index)), node_(node) {}

    Alignment build() {
        const bool has_elements = static_cast<bool>(child_named(node_, "CoordGeom"));
        const pugi::xml_node pis = child_named(node_, "AlignPIs");
        if (!has_elements && pis) return build_from_pis(pis);
        Alignment alignment = build_from_elements(pis ? first_pi_station(pis) : std::nullopt);
        // The elements are the line; the intersection points, where also given, must describe
        // the same one.
        if (pis) compare_with_pis(alignment, pis);
        return alignment;
    }

  private:
    // A notice about line `line` of the file, as the run lists it.
    std::string notice(long line, const std::string& what) const {
        return "LandXML 文件“" + utf8_of(path_from_utf8(document().path()).filename()) + "”第 " +
               std::to_string(line) + " 行：" + what;
    }

    // `fallback` gives the stationing where neither the alignment nor its first element does.
    Alignment build_from_elements(std::optional<double> fallback) {
        Alignment alignment;
        alignment.name = node_.attribute("name").value();
        std::vector<Element> elements = read_elements(alignment.notices);
        const pugi::xml_attribute sta_start = node_.attribute("staStart");
        // Without the alignment's staStart the first element's own gives the stationing.
        const double start = sta_start                  ? length(node_, "", sta_start)
                             : elements.front().station ? *elements.front().station
                                                        : fallback.value_or(0);
        double end = start;
        for (const Element& e : elements) end += e.piece.length;
        alignment.breaks = read_station_equations(start, end);
        alignment.break_source =
            alignment.breaks.dl_count > 0 ? ChainBreakSource::line : ChainBreakSource::file_or_none;
        // The stations the notices name, in the file's own numbering.
        ChainBreaks stations = alignment.breaks;
        dl_complete(stations, start, end);
        place(elements, start, stations, alignment);
        alignment.key_points = element_key_points(alignment.line);
        return alignment;
    }

    // The verdict on a station the file writes against the one derived from the lengths and
    // the station equations, at continuous mileage `mileage`: silent within a millimetre or
    // where the written station is the place in the numbering of another interval (an
    // exporter writing stations before an equation, or continuous ones) within a millimetre; a
    // notice up to a decimetre; refused beyond. `what` names the written station, `derived`
    // how it is derived.
    void check_station(pugi::xml_node at, double written, double mileage,
                       const ChainBreaks& stations, const std::string& what,
                       const std::string& derived, std::vector<std::string>& notices) const {
        const StationOfMileage here = zh_station_of(stations, mileage);
        const double apart = std::abs(written - here.number);
        if (apart <= kStationNoticed) return;
        for (int j = 0; j <= stations.dl_count; ++j)
            if (std::abs(written - (mileage - dl_shift(stations, j))) <= kStationNoticed) return;
        const std::string text = what + " " + fixed_text(written, 3) + " 与" + derived + " " +
                                 here.text + " 相差 " + discrepancy(apart);
        if (!(apart <= kStationRefused))
            throw refused(at,
                          text + "（超过 0.1 m，也不是断链所致）：文件中的桩号与线元长度自相矛盾");
        notices.push_back(notice(document().line_of(at), prefix() + text));
    }

    // The line by its intersection points (AlignPIs), built as the main line of a JD file is:
    // the same curve solver and every check a JD file gets, so that the line serves every job,
    // the table of curves (直曲表) included.
    // `start` overrides the stationing the file gives, for the comparison with the elements.
    Alignment build_from_pis(pugi::xml_node pis, std::optional<double> start_given = {}) {
        auto main_line = std::make_unique<MainLine>();
        MainLine& m = *main_line;
        std::vector<long> pi_lines{document().line_of(pis)};  // the line of JD i at [i]
        std::vector<pugi::xml_node> pi_nodes{pis};
        int n = 0;
        const std::optional<double> first_station = first_pi_station(pis);
        for (pugi::xml_node pi : pis.children()) {
            if (pi.type() != pugi::node_element || local_name(pi) != "AlignPI") continue;
            const std::string name = "第 " + std::to_string(n + 1) + " 个 AlignPI";
            if (n == kMaxJd) throw refused(pi, name + "：交点超过 1000 个，超出程序的容量");
            const int i = ++n;
            const Point p = required_point(pi, name, "PI");
            m.jd_x[i] = p.x;
            m.jd_y[i] = p.y;
            std::string jd_name = pi.attribute("name").value();
            if (jd_name.empty()) jd_name = child_named(pi, "PI").attribute("name").value();
            m.jd_name[i] = jd_name;
            m.jd_hairpin[i] = m.jd_keep_in[i] = m.jd_keep_out[i] = false;
            read_pi_curve(pi, name, m, i);
            pi_lines.push_back(document().line_of(pi));
            pi_nodes.push_back(pi);
        }
        if (n < 2)
            throw refused(
                pis, "<AlignPIs> 中只有 " + std::to_string(n) + " 个交点（AlignPI），连不成线路");
        for (int end : {1, n})
            if (m.jd_r[end] != 0 || m.jd_ls1[end] != 0 || m.jd_ls2[end] != 0)
                throw refused(pi_nodes[end], std::string(end == 1 ? "起点" : "终点") + "交点（第 " +
                                                 std::to_string(end) +
                                                 " 个 AlignPI）有曲线：线路的两端不转弯");
        // A JD where the line turns needs its curve; a file of the bare IP polygon (J-LandXML
        // writes one beside its elements) gives no line by itself.
        for (int i = 2; i <= n - 1; ++i)
            if (m.jd_r[i] == 0)
                throw refused(pi_nodes[static_cast<std::size_t>(i)],
                              "第 " + std::to_string(i) + " 个 AlignPI（" + zx_jd_name(m, i) +
                                  "）没有圆曲线（<Curve1> 的 radius）：按交点法计算，每个中间交点"
                                  "都要有曲线");
        m.jd_count = n;
        const pugi::xml_attribute sta_start = node_.attribute("staStart");
        const double start = start_given     ? *start_given
                             : sta_start     ? length(node_, "", sta_start)
                             : first_station ? *first_station
                                             : 0;
        std::vector<std::string> notices;
        if (sta_start && first_station && !start_given) {
            ChainBreaks plain;
            dl_complete(plain, start, start);
            check_station(pi_nodes[1], *first_station, start, plain, "第 1 个 AlignPI 的 <Station>",
                          "线路的 staStart", notices);
        }
        m.jd_start_station = start;
        try {
            zx_build(m);
        } catch (const DataError& e) {
            // The build names the JD by its line in a JD file, JD i on line i + 1.
            const long jd = e.line() - 1;
            throw DataError(prefix() + e.what(), document().path(),
                            jd >= 1 && jd <= n ? pi_lines[static_cast<std::size_t>(jd)]
                                               : document().line_of(node_));
        }
        check_pi_turns(m, pi_nodes);
        Alignment alignment = zx_alignment(m);
        alignment.name = node_.attribute("name").value();
        alignment.notices = std::move(notices);
        alignment.breaks =
            read_station_equations(alignment.start_mileage(), alignment.end_mileage());
        alignment.break_source =
            alignment.breaks.dl_count > 0 ? ChainBreakSource::line : ChainBreakSource::file_or_none;
        return alignment;
    }

    // The station of the first AlignPI, where it gives one.
    std::optional<double> first_pi_station(pugi::xml_node pis) const {
        for (pugi::xml_node pi : pis.children()) {
            if (pi.type() != pugi::node_element || local_name(pi) != "AlignPI") continue;
            const pugi::xml_node station = child_named(pi, "Station");
            if (!station) return std::nullopt;
            return document().unit().metres(
                number(station, "第 1 个 AlignPI 的 <Station>", "桩号", station.text().get()));
        }
        return std::nullopt;
    }

    // The curve of AlignPI `pi` (JD i of `m`): InSpiral/Spiral (length, radiusStart at its outer
    // end), Curve1/Curve (radius) and OutSpiral/Spiral (length, radiusEnd at its outer end); a
    // radius of 0 or INF is a straight. A PI without Curve1 has no curve (radius 0): only the
    // start and the end may be such.
    void read_pi_curve(pugi::xml_node pi, const std::string& name, MainLine& m, int i) const {
        m.jd_r[i] = m.jd_ls1[i] = m.jd_ls2[i] = m.jd_r1[i] = m.jd_r2[i] = 0;
        for (pugi::xml_node part : pi.children()) {
            if (part.type() != pugi::node_element) continue;
            const std::string_view kind = local_name(part);
            if (kind == "PI" || kind == "Station" || kind == "Feature" || kind == "InSpiral" ||
                kind == "Curve1" || kind == "OutSpiral")
                continue;
            throw refused(part, name + " 的 <" + std::string(kind) +
                                    ">：交点的曲线只能由 InSpiral、Curve1、OutSpiral "
                                    "组成（复曲线不能按交点法计算）");
        }
        double radius = 0;
        if (const pugi::xml_node c1 = child_named(pi, "Curve1")) {
            const std::string owner = name + " 的 <Curve1>";
            const pugi::xml_node curve = child_named(c1, "Curve");
            if (!curve) throw refused(c1, owner + " 缺少 <Curve>");
            const double k = curvature_of(curve, owner, "radius");
            radius = k == 0 ? 0 : 1 / k;
        }
        m.jd_r[i] = radius;
        // A transition's inner end meets the arc: its radius there, where written, must be the
        // arc's.
        const auto transition = [&](const char* wrapper, const char* outer, const char* inner,
                                    double& length_out, double& outer_radius) {
            const pugi::xml_node w = child_named(pi, wrapper);
            if (!w) return;
            const std::string owner = name + " 的 <" + wrapper + ">";
            const pugi::xml_node spiral = child_named(w, "Spiral");
            if (!spiral) throw refused(w, owner + " 缺少 <Spiral>");
            const std::string type = spiral.attribute("spiType").value();
            if (!type.empty() && !same_word(type, "clothoid"))
                throw refused(spiral, owner + " 的 spiType 为“" + type +
                                          "”：只能读回旋线（clothoid），其曲率沿线长均匀变化");
            const auto len = length_attribute(spiral, owner, "length");
            if (!len) throw refused(spiral, owner + " 缺少 length");
            length_out = *len;
            if (spiral.attribute(outer)) {
                const double k = curvature_of(spiral, owner, outer);
                outer_radius = k == 0 ? 0 : 1 / k;
            }
            if (spiral.attribute(inner) && radius != 0) {
                const double k = curvature_of(spiral, owner, inner);
                const double inner_radius = k == 0 ? 0 : 1 / k;
                if (!(std::abs(inner_radius - radius) <= kStationNoticed))
                    throw refused(spiral, owner + " 的 " + inner + "“" +
                                              spiral.attribute(inner).value() + "”与圆曲线半径 " +
                                              short_number_text(radius) +
                                              " 不同：缓和曲线应与圆曲线相接");
            }
        };
        transition("InSpiral", "radiusStart", "radiusEnd", m.jd_ls1[i], m.jd_r1[i]);
        transition("OutSpiral", "radiusEnd", "radiusStart", m.jd_ls2[i], m.jd_r2[i]);
    }

    // A curve's rot, where written, must turn the way its legs do.
    void check_pi_turns(const MainLine& m, const std::vector<pugi::xml_node>& pi_nodes) const {
        for (int i = 2; i <= m.jd_count - 1; ++i) {
            const pugi::xml_node curve =
                child_named(child_named(pi_nodes[static_cast<std::size_t>(i)], "Curve1"), "Curve");
            const pugi::xml_attribute rot = curve.attribute("rot");
            if (!rot) continue;
            const double turn =
                rotation(curve, "第 " + std::to_string(i) + " 个 AlignPI 的 <Curve>");
            if (turn * m.zx_defl[i] < 0)
                throw refused(curve, "第 " + std::to_string(i) + " 个 AlignPI（" +
                                         zx_jd_name(m, i) + "）的 rot 为“" + rot.value() +
                                         "”，而前后直线" + (m.zx_defl[i] > 0 ? "右转" : "左转"));
        }
    }

    // The intersection points against the elements, at every key point of the curves they
    // give: the point at the key point's mileage on the elements' line. A line the points cannot
    // build is told, not refused: the elements are the line.
    void compare_with_pis(Alignment& alignment, pugi::xml_node pis) {
        // Points without any curve (J-LandXML writes the IP polygon so beside its elements)
        // give no line to compare with.
        bool curves = false;
        for (pugi::xml_node pi : pis.children())
            for (const char* part : {"InSpiral", "Curve1", "OutSpiral"})
                curves = curves || child_named(pi, part);
        if (!curves) return;
        Alignment by_pis;
        try {
            by_pis = build_from_pis(pis, alignment.start_mileage());
        } catch (const DataError& e) {
            alignment.notices.push_back(
                notice(e.line(), std::string(e.what()) + "（按 <CoordGeom> 的线元计算）"));
            return;
        }
        double worst = -1;
        const KeyPoint* worst_at = nullptr;
        for (const KeyPoint& key : by_pis.key_points) {
            Point on_pis, on_elements;
            double azimuth = 0;
            by_pis.line.locate(key.mileage, on_pis, azimuth);
            alignment.line.locate(key.mileage, on_elements, azimuth);
            const double apart = distance(on_pis, on_elements);
            if (apart > worst || std::isnan(apart)) {
                worst = apart;
                worst_at = &key;
                if (std::isnan(apart)) break;
            }
        }
        if (worst_at && worst <= kPiLineNoticed) {
            // One line, given twice: its curves as the points give them serve the table of
            // curves (直曲表) and name the key points as the design drawings do.
            alignment.jds = std::move(by_pis.jds);
            alignment.key_points = std::move(by_pis.key_points);
            return;
        }
        if (!worst_at) return;
        ChainBreaks stations = alignment.breaks;
        dl_complete(stations, alignment.start_mileage(), alignment.end_mileage());
        alignment.notices.push_back(
            notice(document().line_of(pis),
                   prefix() + "按 <AlignPIs> 的交点算得的线路与 <CoordGeom> 的线元在 " +
                       (worst_at->jd.empty() ? "" : worst_at->jd + " ") + worst_at->name + "（" +
                       zh_station_of(stations, worst_at->mileage).text + "）相距 " +
                       (std::isfinite(worst) ? discrepancy(worst) : std::string("无从比较")) +
                       "（按线元计算）"));
    }

    // +1 for rot="cw" (a turn to the right, the azimuth growing), −1 for "ccw".
    double rotation(pugi::xml_node at, const std::string& owner) const {
        const pugi::xml_attribute rot = at.attribute("rot");
        if (same_word(rot.value(), "cw")) return 1;
        if (same_word(rot.value(), "ccw")) return -1;
        throw refused(
            at, owner +
                    (rot ? std::string(" 的 rot“") + rot.value() + "”" : std::string(" 缺少 rot")) +
                    "：应为 cw（右转）或 ccw（左转）");
    }

    // The unsigned curvature, 1/m, of a radius written in `name`: INF (in any case, or
    // "infinity") and 0 stand for a straight.
    double curvature_of(pugi::xml_node at, const std::string& owner, const char* name) const {
        const pugi::xml_attribute a = at.attribute(name);
        if (!a) throw refused(at, owner + " 缺少 " + name);
        const std::string_view written = trim_blanks(a.value());
        if (same_word(written, "INF") || same_word(written, "infinity")) return 0;
        const double radius = length(at, owner, a);
        if (radius < 0) throw refused(at, owner + " 的 " + name + "“" + a.value() + "”为负");
        return radius == 0 ? 0 : 1 / radius;
    }

    std::vector<Element> read_elements(std::vector<std::string>& notices) const {
        std::vector<Element> elements;
        int position = 0;
        for (pugi::xml_node geometry : node_.children()) {
            if (geometry.type() != pugi::node_element || local_name(geometry) != "CoordGeom")
                continue;
            for (pugi::xml_node e : geometry.children()) {
                if (e.type() != pugi::node_element) continue;
                const std::string_view kind = local_name(e);
                // A Feature carries the exporter's own data, no geometry.
                if (kind == "Feature") continue;
                ++position;
                const std::string name =
                    "第 " + std::to_string(position) + " 个线元 " + std::string(kind);
                if (kind != "Line" && kind != "Curve" && kind != "Spiral")
                    throw refused(e,
                                  name + "：只能读直线（Line）、圆曲线（Curve）和回旋线（Spiral）");
                if (auto piece = read_element(e, kind, name, notices)) {
                    std::optional<double> station;
                    if (const pugi::xml_attribute a = e.attribute("staStart"))
                        station = length(e, name, a);
                    elements.push_back({name, document().line_of(e), *piece, station, e});
                }
            }
        }
        if (elements.empty())
            throw refused(node_, "没有线元（<CoordGeom> 中长度不为零的 Line、Curve 或 Spiral）");
        return elements;
    }

    // The piece of one element at its own Start, in the direction its coordinates give;
    // nothing for an element of length 0, which adds nothing to the line.
    std::optional<Piece> read_element(pugi::xml_node e, std::string_view kind,
                                      const std::string& name,
                                      std::vector<std::string>& notices) const {
        Piece piece;
        piece.start = required_point(e, name, "Start");
        const std::optional<Point> end = point(e, name, "End");
        const auto needed_end = [&]() {
            if (!end) throw refused(e, name + " 缺少 <End>");
            return *end;
        };
        std::optional<double> length = length_attribute(e, name, "length");
        if (kind == "Line") {
            if (!length) length = distance(piece.start, needed_end());
            if (*length == 0) return std::nullopt;
            if (distance(piece.start, needed_end()) == 0)
                throw refused(e, name + " 的 <Start> 与 <End> 重合，定不出直线的方向");
            piece.start_azimuth = azimuth_of(piece.start, *end);
        } else if (kind == "Curve") {
            const double turn = rotation(e, name);
            const Point center = required_point(e, name, "Center");
            const double to_start = distance(center, piece.start);
            if (to_start == 0) throw refused(e, name + " 的 <Center> 与 <Start> 重合");
            const double radius = length_attribute(e, name, "radius").value_or(to_start);
            if (radius == 0) throw refused(e, name + " 的 radius 为 0");
            const double from_center = azimuth_of(center, piece.start);
            // Turning right, the direction from the centre turns clockwise with the tangent.
            if (!length)
                length = radius *
                         reduced_azimuth(turn * (azimuth_of(center, needed_end()) - from_center));
            if (*length == 0) return std::nullopt;
            piece.start_azimuth = from_center + turn * kPi / 2;
            piece.k0 = piece.k1 = turn / radius;
        } else {
            const std::string type = e.attribute("spiType").value();
            if (!type.empty() && !same_word(type, "clothoid"))
                throw refused(e, name + " 的 spiType 为“" + type +
                                     "”：只能读回旋线（clothoid），其曲率沿线长均匀变化");
            if (!length) throw refused(e, name + " 缺少 length");
            double k0 = curvature_of(e, name, "radiusStart");
            double k1 = curvature_of(e, name, "radiusEnd");
            if (*length == 0) return std::nullopt;
            if (k0 != 0 || k1 != 0) {
                const double turn = rotation(e, name);
                k0 *= turn;
                k1 *= turn;
            }
            piece.k0 = k0;
            piece.k1 = k1;
            // The PI is where the tangents at the two ends meet, on the start tangent; a
            // straight has none worth the name.
            const std::optional<Point> pi = point(e, name, "PI");
            if (pi && (k0 != 0 || k1 != 0) && distance(piece.start, *pi) > 0) {
                piece.start_azimuth = azimuth_of(piece.start, *pi);
            } else {
                // The chord Start→End makes with the start tangent the angle it makes in the
                // piece's own frame.
                double along = 0, right = 0, deflection = 0;
                piece_local(k0, k1, *length, *length, along, right, deflection);
                if (distance(piece.start, needed_end()) == 0)
                    throw refused(e, name + " 的 <Start> 与 <End> 重合，又无 <PI>，定不出方向");
                piece.start_azimuth = azimuth_of(piece.start, *end) - std::atan2(right, along);
            }
        }
        piece.length = *length;
        if (end) {
            Point reached;
            double azimuth = 0;
            piece_point(piece, piece.length, reached, azimuth);
            const double miss = distance(reached, *end);
            // A straight's length is its stationing: written apart from its Start and End by
            // more than rounding, the engineer is told, and beyond a decimetre the two cannot
            // both be the design.
            if (kind == "Line" && miss > kEndMissRefused) {
                const std::string text = name + " 的 length " + fixed_text(piece.length, 3) +
                                         " 与其 <Start>、<End> 间的距离 " +
                                         fixed_text(distance(piece.start, *end), 3) + " 相差 " +
                                         discrepancy(miss);
                if (!(miss <= kStationRefused))
                    throw refused(e, text + "（超过 0.1 m）：线元的数据自相矛盾");
                notices.push_back(notice(document().line_of(e), prefix() + text));
            } else if (!(miss <= kEndMissRefused))
                throw refused(e, name + " 按其 <Start>、方向、长度与半径算得的终点与其 <End> " +
                                     (std::isfinite(miss) ? "相差 " + discrepancy(miss)
                                                          : std::string("无从比较")) +
                                     "：线元的数据自相矛盾");
        }
        piece.start_azimuth = reduced_azimuth(piece.start_azimuth);
        return piece;
    }

    // The station equations as chain breaks, in the order of their staInternal, for a line
    // from continuous mileage `start` to `end`.
    ChainBreaks read_station_equations(double start, double end) const {
        std::vector<StationEquation> equations;
        std::vector<pugi::xml_node> nodes;
        for (pugi::xml_node e : node_.children()) {
            if (e.type() != pugi::node_element || local_name(e) != "StaEquation") continue;
            StationEquation q;
            q.name = "第 " + std::to_string(equations.size() + 1) + " 个 StaEquation";
            q.field = "staInternal";
            q.back_field = "staBack";
            // Stations that count down after the equation are no chain break this table holds.
            if (same_word(e.attribute("staIncrement").value(), "decreasing"))
                throw refused(e, q.name + " 的 staIncrement 为 decreasing：其后桩号递减，无法计算");
            for (const char* required : {"staInternal", "staAhead"})
                if (!e.attribute(required)) throw refused(e, q.name + " 缺少 " + required);
            // staInternal is the place as continuous mileage.
            q.at = length(e, q.name, e.attribute("staInternal"));
            q.ahead = length(e, q.name, e.attribute("staAhead"));
            if (e.attribute("staBack")) q.back = length(e, q.name, e.attribute("staBack"));
            equations.push_back(std::move(q));
            nodes.push_back(e);
        }
        return build_station_equations(
            std::move(equations), {0, start, end, false},
            [&](std::size_t k, const std::string& what) { return refused(nodes[k], what); });
    }

    // Places the pieces one after another from `start`, each at its own Start, checking how
    // each meets the one before.
    void place(const std::vector<Element>& elements, double start, const ChainBreaks& stations,
               Alignment& alignment) const {
        LocatedLine& line = alignment.line;
        double mileage = start;
        for (std::size_t i = 0; i < elements.size(); ++i) {
            Piece piece = elements[i].piece;
            piece.start_mileage = mileage;
            if (elements[i].station)
                check_station(
                    elements[i].node, *elements[i].station, mileage, stations,
                    elements[i].name + " 的 staStart",
                    i == 0 ? std::string("线路的 staStart") : "按前面线元的长度与断链算得的桩号",
                    alignment.notices);
            if (i == 0) {
                line.reset(mileage, piece.start, piece.start_azimuth);
            } else {
                const double gap = distance(line.end_point(), piece.start);
                const double turn =
                    std::abs(reduced_turn(piece.start_azimuth - line.end_azimuth()));
                const std::string seam = prefix() + elements[i].name + "（" +
                                         zh_station_of(stations, mileage).text + "）的起点与" +
                                         elements[i - 1].name + " 算得的终点相距 ";
                if (auto notice = seam_verdict(gap, turn, kSeamNoticed, seam, document().path(),
                                               elements[i].line))
                    alignment.notices.push_back(
                        "LandXML 文件“" + utf8_of(path_from_utf8(document().path()).filename()) +
                        "”第 " + std::to_string(elements[i].line) + " 行：" + *notice);
            }
            line.append(piece);
            mileage += piece.length;
            if (!std::isfinite(line.end_mileage()))
                throw DataError(prefix() + elements[i].name + " 算不出终点（长度或半径不合理）",
                                document().path(), elements[i].line);
        }
    }

    pugi::xml_node node_;
};

}  // namespace

LandXmlAlignments::LandXmlAlignments(const LandXmlDocument& document) {
    const pugi::xml_node root = document.root();
    for (pugi::xml_node group : root.children()) {
        if (group.type() != pugi::node_element || local_name(group) != "Alignments") continue;
        for (pugi::xml_node node : group.children()) {
            if (node.type() != pugi::node_element || local_name(node) != "Alignment") continue;
            const std::size_t index = alignments().size();
            add(node.attribute("name").value(), document.line_of(node),
                [&] { return AlignmentBuilder(document, node, index).build(); });
        }
    }
    if (alignments().empty())
        throw DataError("文件中没有线路（<Alignments> 中的 <Alignment>）", document.path(),
                        document.line_of(root));
}

}  // namespace qelt
