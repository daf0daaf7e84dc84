// The reader of a LandXML file's horizontal alignments (Alignments/Alignment/CoordGeom).
#include "input/landxml_alignments.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <pugixml.hpp>
#include <string_view>

#include "base/text.h"
#include "base/utf8_path.h"
#include "input/seams.h"
#include "station/station.h"

namespace qelt {

namespace {

constexpr double kPi = std::numbers::pi;
// An element's own numbers (Start, direction, length, radii) must bring it to its own End: a
// millimetre covers the rounding of the exported coordinates and lengths.
constexpr double kEndMissRefused = 1e-3;  // metres
// A StaEquation's staBack may be written; it must agree with the station reached at its
// staInternal.
constexpr double kStaBackMissRefused = 1e-3;  // metres
// Slot dl_count + 1 of the chain-break table holds the end of the line.
constexpr int kMaxStationEquations = kChainBreakSlots - 2;

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
        Alignment alignment;
        alignment.name = node_.attribute("name").value();
        const pugi::xml_attribute sta_start = node_.attribute("staStart");
        const double start = sta_start ? length(node_, "", sta_start) : 0;
        std::vector<Element> elements = read_elements();
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

  private:
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

    // The unsigned curvature, 1/m, at a spiral's end whose radius is written in `name`: INF
    // (in any case, or "infinity") and 0 stand for a straight.
    double spiral_curvature(pugi::xml_node at, const std::string& owner, const char* name) const {
        const pugi::xml_attribute a = at.attribute(name);
        if (!a) throw refused(at, owner + " 缺少 " + name);
        const std::string_view written = trim_blanks(a.value());
        if (same_word(written, "INF") || same_word(written, "infinity")) return 0;
        const double radius = length(at, owner, a);
        if (radius < 0) throw refused(at, owner + " 的 " + name + "“" + a.value() + "”为负");
        return radius == 0 ? 0 : 1 / radius;
    }

    std::vector<Element> read_elements() const {
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
                if (auto piece = read_element(e, kind, name))
                    elements.push_back({name, document().line_of(e), *piece});
            }
        }
        if (elements.empty())
            throw refused(node_, "没有线元（<CoordGeom> 中长度不为零的 Line、Curve 或 Spiral）");
        return elements;
    }

    // The piece of one element at its own Start, in the direction its coordinates give;
    // nothing for an element of length 0, which adds nothing to the line.
    std::optional<Piece> read_element(pugi::xml_node e, std::string_view kind,
                                      const std::string& name) const {
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
            double k0 = spiral_curvature(e, name, "radiusStart");
            double k1 = spiral_curvature(e, name, "radiusEnd");
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
            if (!(miss <= kEndMissRefused))
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
        struct Equation {
            std::string name;
            pugi::xml_node node;
            double internal = 0, ahead = 0;
            std::optional<double> back;
        };
        std::vector<Equation> equations;
        for (pugi::xml_node e : node_.children()) {
            if (e.type() != pugi::node_element || local_name(e) != "StaEquation") continue;
            Equation q;
            q.name = "第 " + std::to_string(equations.size() + 1) + " 个 StaEquation";
            q.node = e;
            if (equations.size() == kMaxStationEquations)
                throw refused(e, q.name + "：断链超过 " + std::to_string(kMaxStationEquations) +
                                     " 个，超出程序的容量");
            // Stations that count down after the equation are no chain break this table holds.
            if (same_word(e.attribute("staIncrement").value(), "decreasing"))
                throw refused(e, q.name + " 的 staIncrement 为 decreasing：其后桩号递减，无法计算");
            for (const char* required : {"staInternal", "staAhead"})
                if (!e.attribute(required)) throw refused(e, q.name + " 缺少 " + required);
            q.internal = length(e, q.name, e.attribute("staInternal"));
            q.ahead = length(e, q.name, e.attribute("staAhead"));
            if (e.attribute("staBack")) q.back = length(e, q.name, e.attribute("staBack"));
            equations.push_back(q);
        }
        std::stable_sort(
            equations.begin(), equations.end(),
            [](const Equation& a, const Equation& b) { return a.internal < b.internal; });
        ChainBreaks breaks;
        for (const Equation& q : equations) {
            const int i = breaks.dl_count + 1;
            if (!(q.internal >= start && q.internal <= end))
                throw refused(q.node, q.name + " 的 staInternal " + short_number_text(q.internal) +
                                          " 在线路之外（线路从 " + short_number_text(start) +
                                          " 到 " + short_number_text(end) + "）");
            // staInternal is the place as continuous mileage; the station shown there before
            // the equation is that mileage less what the earlier equations took out.
            const double reached = q.internal - dl_shift(breaks, i - 1);
            if (q.back && !(std::abs(*q.back - reached) <= kStaBackMissRefused))
                throw refused(q.node, q.name + " 的 staBack " + short_number_text(*q.back) +
                                          " 与其 staInternal 处的桩号 " +
                                          short_number_text(reached) + " 相差 " +
                                          discrepancy(std::abs(*q.back - reached)));
            breaks.dl_before[i] = q.back.value_or(reached);
            breaks.dl_after[i] = q.ahead;
            // The chain-break file's "-1 -1" line says "no chain breaks": such a first break
            // would be dropped without a word.
            if (i == 1 && breaks.dl_before[1] == -1)
                throw refused(q.node, q.name +
                                          " 的断前桩号为 -1，与断链资料中表示“无断链”的 -1 "
                                          "相同，无法作为断链使用");
            if (i > 1 && !(breaks.dl_before[i] > breaks.dl_after[i - 1]))
                throw refused(q.node,
                              q.name + " 与" + equations[i - 2].name + " 位于同一处（staInternal " +
                                  short_number_text(q.internal) + "）：两个断链之间应有一段线路");
            breaks.dl_count = static_cast<std::int16_t>(i);
        }
        return breaks;
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
