// The LandXML reader. The file is read line by line through LineReader, so that a file saved
// as UTF-16 or GBK reads as every other input file does, and joined with '\n' before pugixml
// parses it: line n of the text is line n of the file, and every message can name it.
#include "input/landxml.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <pugixml.hpp>
#include <string_view>

#include "base/line_reader.h"
#include "base/text.h"
#include "base/utf8_path.h"
#include "station/station.h"

namespace qelt {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kPi = std::numbers::pi;
constexpr double kSecondsPerRadian = 180 * 3600 / kPi;

// Where one element ends and the next starts, exported coordinates rounded to 0.1 mm meet to
// well within a millimetre and ten seconds of arc; more is worth telling the engineer. A seam
// of more than 0.1 m is no rounding: the elements do not describe one line.
constexpr double kSeamNoticed = 1e-3;                    // metres
constexpr double kSeamRefused = 0.1;                     // metres
constexpr double kTurnNoticed = 10 / kSecondsPerRadian;  // radians
// An element's own numbers (Start, direction, length, radii) must bring it to its own End: a
// millimetre covers the rounding of the exported coordinates and lengths.
constexpr double kEndMissRefused = 1e-3;  // metres
// A StaEquation's staBack may be written; it must agree with the station reached at its
// staInternal.
constexpr double kStaBackMissRefused = 1e-3;  // metres
// Slot dl_count + 1 of the chain-break table holds the end of the line.
constexpr int kMaxStationEquations = kChainBreakSlots - 2;

// An element's name without its namespace prefix: files written with "lx:Alignment" are as
// good as those with a default namespace.
std::string_view local_name(pugi::xml_node node) {
    const std::string_view name = node.name();
    const std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

pugi::xml_node child_named(pugi::xml_node node, std::string_view name) {
    for (pugi::xml_node child : node.children())
        if (child.type() == pugi::node_element && local_name(child) == name) return child;
    return {};
}

// ASCII letters compared without regard to case ("INF", "Infinity", "CW").
bool same_word(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

double distance(Point a, Point b) {
    return std::hypot(b.x - a.x, b.y - a.y);
}

// Azimuth of the direction from a to b, radians clockwise from +X (north).
double azimuth_of(Point a, Point b) {
    return std::atan2(b.y - a.y, b.x - a.x);
}

// A discrepancy as the engineer reads it: millimetres while it is small, metres beyond.
std::string discrepancy(double metres) {
    return metres < 1 ? fixed_text(metres * 1000, 1) + " mm" : fixed_text(metres, 3) + " m";
}

// pugixml's reason for refusing a text, as the engineer reads it.
const char* parse_failure_text(pugi::xml_parse_status status) {
    switch (status) {
        case pugi::status_unrecognized_tag:
            return "无法识别的标记";
        case pugi::status_bad_pi:
            return "XML 声明或处理指令（<?…?>）不完整";
        case pugi::status_bad_comment:
            return "注释（<!--…-->）不完整";
        case pugi::status_bad_cdata:
            return "CDATA 段不完整";
        case pugi::status_bad_doctype:
            return "文档类型声明（<!DOCTYPE…>）有误";
        case pugi::status_bad_pcdata:
            return "元素中的文字有误";
        case pugi::status_bad_start_element:
            return "开始标记有误";
        case pugi::status_bad_attribute:
            return "属性有误（属性值应写在引号内）";
        case pugi::status_bad_end_element:
            return "结束标记有误";
        case pugi::status_end_element_mismatch:
            return "结束标记与开始标记不配对（标记名不同、缺少结束标记或多出结束标记）";
        case pugi::status_no_document_element:
            return "文件中没有 XML 元素";
        case pugi::status_out_of_memory:
            return "内存不足";
        default:
            return "无法解析";
    }
}

// The text of the file as pugixml reads it, with where each of its lines starts.
struct XmlText {
    std::string path;
    std::string text;
    std::vector<std::size_t> line_starts;  // offset of line 1, 2, …

    explicit XmlText(const std::string& file_path) : path(file_path) {
        LineReader file(file_path);
        std::string line;
        while (file.next(line)) {
            if (!line_starts.empty()) text += '\n';
            line_starts.push_back(text.size());
            text += line;
        }
        if (line_starts.empty()) line_starts.push_back(0);
    }

    long line_at(std::ptrdiff_t offset) const {
        const auto after =
            std::upper_bound(line_starts.begin(), line_starts.end(),
                             static_cast<std::size_t>(std::max<std::ptrdiff_t>(offset, 0)));
        return static_cast<long>(after - line_starts.begin());
    }
    long line_of(pugi::xml_node node) const { return line_at(node.offset_debug()); }
};

// A length unit as the factor numerator/denominator to metres, exact where the unit is
// defined exactly (the US survey foot is 1200/3937 m).
struct LengthUnit {
    double numerator = 1, denominator = 1;
    double metres(double value) const { return value * numerator / denominator; }
};

LengthUnit length_unit(const XmlText& text, pugi::xml_node root) {
    const pugi::xml_node units = child_named(root, "Units");
    if (!units)
        throw DataError("缺少 <Units>：不知道文件的长度单位，不能当作米读", text.path,
                        text.line_of(root));
    struct Known {
        const char* system;
        const char* name;
        LengthUnit unit;
    };
    static const Known kKnown[] = {
        {"Metric", "meter", {1, 1}},         {"Metric", "millimeter", {1, 1000}},
        {"Metric", "centimeter", {1, 100}},  {"Metric", "kilometer", {1000, 1}},
        {"Imperial", "foot", {3048, 10000}}, {"Imperial", "USSurveyFoot", {1200, 3937}},
    };
    for (pugi::xml_node system : units.children()) {
        if (system.type() != pugi::node_element) continue;
        const std::string_view kind = local_name(system);
        if (kind != "Metric" && kind != "Imperial") continue;
        const pugi::xml_attribute unit = system.attribute("linearUnit");
        if (!unit)
            throw DataError("<" + std::string(kind) + "> 缺少 linearUnit：不知道文件的长度单位",
                            text.path, text.line_of(system));
        for (const Known& known : kKnown)
            if (kind == known.system && same_word(unit.value(), known.name)) return known.unit;
        throw DataError("长度单位 <" + std::string(kind) + " linearUnit=\"" + unit.value() +
                            "\"> 无法换算为米（可读 Metric 的 meter、millimeter、centimeter、"
                            "kilometer，Imperial 的 foot、USSurveyFoot）",
                        text.path, text.line_of(system));
    }
    throw DataError("<Units> 中没有 <Metric> 或 <Imperial>：不知道文件的长度单位", text.path,
                    text.line_of(units));
}

// One element of a CoordGeom, placed at its own start.
struct Element {
    std::string name;  // "第 3 个线元 Curve", as messages call it
    long line = 0;
    Piece piece;
};

// The reading, checking and building of one Alignment.
class AlignmentBuilder {
  public:
    AlignmentBuilder(const XmlText& text, pugi::xml_node node, std::size_t index, LengthUnit unit)
        : text_(text), node_(node), unit_(unit) {
        const std::string name = node.attribute("name").value();
        prefix_ =
            name.empty() ? "第 " + std::to_string(index + 1) + " 条线路" : "线路“" + name + "”";
    }

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
    DataError refused(pugi::xml_node at, const std::string& what) const {
        return DataError(prefix_ + what, text_.path, text_.line_of(at));
    }

    // A number of the file read whole; `owner` names the element for the engineer.
    double number(pugi::xml_node at, const std::string& owner, const char* field,
                  std::string_view written) const {
        const auto value = parse_number(written);
        if (!value)
            throw refused(at, owner + (owner.empty() ? "的 " : " 的 ") + field + "“" +
                                  std::string(written) + "”不是数");
        return *value;
    }
    double length(pugi::xml_node at, const std::string& owner, pugi::xml_attribute a) const {
        return unit_.metres(number(at, owner, a.name(), a.value()));
    }
    // A length attribute that must not be negative; nothing when the element does not have it.
    std::optional<double> length_attribute(pugi::xml_node at, const std::string& owner,
                                           const char* name) const {
        const pugi::xml_attribute a = at.attribute(name);
        if (!a) return std::nullopt;
        const double value = length(at, owner, a);
        if (value < 0) throw refused(at, owner + " 的 " + name + "“" + a.value() + "”为负");
        return value;
    }

    // A point "northing easting [elevation]"; nothing when the element has no such child.
    std::optional<Point> point(pugi::xml_node at, const std::string& owner,
                               const char* child) const {
        const pugi::xml_node p = child_named(at, child);
        if (!p) return std::nullopt;
        std::string written = p.text().get();
        const std::string tag = std::string("<") + child + ">";
        if (trim_blanks(written).empty() && p.attribute("pntRef"))
            throw refused(p, owner + " 的 " + tag + " 以 pntRef=\"" +
                                 p.attribute("pntRef").value() +
                                 "\" 引用点：只能读直接写出坐标的点");
        // A point's numbers may stand on several lines of the file.
        std::replace(written.begin(), written.end(), '\n', ' ');
        const std::vector<std::string> fields = split_fields(written);
        if (fields.size() != 2 && fields.size() != 3)
            throw refused(p, owner + " 的 " + tag + "“" + std::string(trim_blanks(written)) +
                                 "”应为“北坐标 东坐标 [高程]”两个或三个数");
        static const char* const kFieldNames[3] = {"北坐标", "东坐标", "高程"};
        double values[3] = {0, 0, 0};
        for (std::size_t i = 0; i < fields.size(); ++i)
            values[i] = number(p, owner + " 的 " + tag, kFieldNames[i], fields[i]);
        return Point{unit_.metres(values[0]), unit_.metres(values[1])};
    }
    Point required_point(pugi::xml_node at, const std::string& owner, const char* child) const {
        if (auto p = point(at, owner, child)) return *p;
        throw refused(at, owner + " 缺少 <" + child + ">");
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
                    elements.push_back({name, text_.line_of(e), *piece});
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
                const auto seam = [&] {
                    return prefix_ + elements[i].name + "（" +
                           zh_station_of(stations, mileage).text + "）的起点与" +
                           elements[i - 1].name + " 算得的终点相距 ";
                };
                if (!(gap <= kSeamRefused))
                    throw DataError(
                        seam() + fixed_text(gap, 3) + " m（超过 0.1 m）：这些线元连不成一条线路",
                        text_.path, elements[i].line);
                if (gap > kSeamNoticed || turn > kTurnNoticed)
                    alignment.notices.push_back(
                        "LandXML 文件“" + utf8_of(path_from_utf8(text_.path).filename()) + "”第 " +
                        std::to_string(elements[i].line) + " 行：" + seam() +
                        fixed_text(gap * 1000, 1) + " mm，方向相差 " +
                        fixed_text(turn * kSecondsPerRadian, 1) + "″");
            }
            line.append(piece);
            mileage += piece.length;
            if (!std::isfinite(line.end_mileage()))
                throw DataError(prefix_ + elements[i].name + " 算不出终点（长度或半径不合理）",
                                text_.path, elements[i].line);
        }
    }

    const XmlText& text_;
    pugi::xml_node node_;
    LengthUnit unit_;
    std::string prefix_;  // how messages name the alignment
};

}  // namespace

bool is_xml_file(const std::string& path) {
    LineReader file(path);
    std::string line;
    while (file.next(line)) {
        const std::string_view text = trim_blanks(line);
        if (!text.empty()) return text.front() == '<';
    }
    return false;
}

LandXmlFile::LandXmlFile(const std::string& path) {
    const XmlText text(path);
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_buffer(
        text.text.data(), text.text.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!parsed)
        throw DataError(std::string("XML 格式有误：") + parse_failure_text(parsed.status), path,
                        text.line_at(parsed.offset));
    const pugi::xml_node root = document.document_element();
    if (local_name(root) != "LandXML")
        throw DataError("根元素是 <" + std::string(root.name()) + ">，不是 <LandXML>", path,
                        text.line_of(root));
    const LengthUnit unit = length_unit(text, root);
    for (pugi::xml_node group : root.children()) {
        if (group.type() != pugi::node_element || local_name(group) != "Alignments") continue;
        for (pugi::xml_node node : group.children()) {
            if (node.type() != pugi::node_element || local_name(node) != "Alignment") continue;
            LandXmlAlignmentInfo info;
            info.name = node.attribute("name").value();
            info.line = text.line_of(node);
            Built built;
            try {
                built.alignment = AlignmentBuilder(text, node, infos_.size(), unit).build();
                const Alignment& a = built.alignment;
                info.length = a.end_mileage() - a.start_mileage();
                info.start_station = a.start_mileage();
                info.end_station = a.end_mileage() - dl_shift(a.breaks, a.breaks.dl_count);
            } catch (const DataError& e) {
                built.error = e;
                info.length = info.start_station = info.end_station = kNaN;
            }
            infos_.push_back(std::move(info));
            built_.push_back(std::move(built));
        }
    }
    if (infos_.empty())
        throw DataError("文件中没有线路（<Alignments> 中的 <Alignment>）", path,
                        text.line_of(root));
}

Alignment LandXmlFile::build(std::size_t index) const {
    const Built& built = built_.at(index);
    if (built.error) throw *built.error;
    return built.alignment;
}

}  // namespace qelt
