// The reader of a LandXML file's design profiles (Alignment/Profile/ProfAlign).
#include "input/landxml/landxml_profiles.h"

#include <algorithm>
#include <cmath>
#include <pugixml.hpp>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "base/utf8_path.h"
#include "input/alignment_choice.h"
#include "station/station.h"

namespace qelt {

namespace {

// A CircCurve's written length may differ from what its radius and grades give by the rounding
// of the exported numbers: a millimetre.
constexpr double kCircleLengthMiss = 1e-3;  // metres

std::vector<pugi::xml_node> children_named(pugi::xml_node node, std::string_view name) {
    std::vector<pugi::xml_node> found;
    for (pugi::xml_node child : node.children())
        if (child.type() == pugi::node_element && local_name(child) == name) found.push_back(child);
    return found;
}

// A grade point as read, before the grades around it are known.
struct ReadPoint {
    GradePoint point;
    pugi::xml_node node;
    std::string owner;                    // "第 3 个变坡点 CircCurve", as messages call it
    std::optional<double> circle_length;  // a CircCurve's written length, metres
};

class ProfileReader : private LandXmlPart {
  public:
    ProfileReader(const LandXmlDocument& document, pugi::xml_node prof_align, std::string prefix)
        : LandXmlPart(document, std::move(prefix)), node_(prof_align) {}

    Profile read() const {
        std::vector<ReadPoint> points;
        for (pugi::xml_node e : node_.children()) {
            if (e.type() != pugi::node_element) continue;
            const std::string_view kind = local_name(e);
            if (kind == "Feature") continue;
            points.push_back(read_point(e, kind, points.size() + 1));
        }
        check_circles(points);
        std::vector<GradePoint> grade_points;
        for (ReadPoint& p : points) grade_points.push_back(std::move(p.point));
        Profile profile = build_profile(std::move(grade_points), document().path());
        profile.name = node_.attribute("name").value();
        for (std::string& notice : profile.notices)
            notice.insert(0, "LandXML 文件“" +
                                 utf8_of(path_from_utf8(document().path()).filename()) + "”" +
                                 prefix() + "：");
        return profile;
    }

  private:
    ReadPoint read_point(pugi::xml_node e, std::string_view kind, std::size_t position) const {
        ReadPoint p;
        p.node = e;
        p.owner = "第 " + std::to_string(position) + " 个变坡点 " + std::string(kind);
        if (kind != "PVI" && kind != "ParaCurve" && kind != "UnsymParaCurve" && kind != "CircCurve")
            throw refused(e, p.owner +
                                 "：纵断面只能由 PVI、ParaCurve、UnsymParaCurve 和 CircCurve "
                                 "组成");
        const std::vector<std::string_view> fields = xml_words(e.child_value());
        if (fields.size() != 2)
            throw refused(e, p.owner + " 应写“桩号 高程”两个数，实有 " +
                                 std::to_string(fields.size()) + " 个");
        GradePoint& g = p.point;
        g.mileage = document().unit().metres(number(e, p.owner, "桩号", fields[0]));
        g.elevation = document().unit().metres(number(e, p.owner, "高程", fields[1]));
        g.station = std::string(fields[0]);
        g.line = document().line_of(e);
        const auto required = [&](const char* name) {
            const std::optional<double> value = length_attribute(e, p.owner, name);
            if (!value) throw refused(e, p.owner + " 缺少 " + name);
            return *value;
        };
        if (kind == "ParaCurve") {
            g.curve = VerticalCurveKind::parabola;
            g.length = required("length");
        } else if (kind == "UnsymParaCurve") {
            g.curve = VerticalCurveKind::asymmetric;
            g.length_in = required("lengthIn");
            g.length_out = required("lengthOut");
        } else if (kind == "CircCurve") {
            g.curve = VerticalCurveKind::circle;
            const pugi::xml_attribute radius = e.attribute("radius");
            if (!radius) throw refused(e, p.owner + " 缺少 radius");
            // Signed either way by exporters: the grades say crest or sag.
            g.radius = std::abs(length(e, p.owner, radius));
            p.circle_length = length_attribute(e, p.owner, "length");
        }
        return p;
    }

    // A CircCurve's written length against its radius and the grades either side, read in each
    // of the ways exporters write it: the arc R·|α| (α the angle between the grades), its
    // horizontal extent, or R·|i2 − i1| (the length of the parabola of that radius, which the
    // circle follows to well within a millimetre on road grades). A length that is none of
    // them describes another curve, and no one elevation follows from the two.
    void check_circles(const std::vector<ReadPoint>& points) const {
        for (std::size_t k = 1; k + 1 < points.size(); ++k) {
            const ReadPoint& p = points[k];
            if (!p.circle_length || !(p.point.radius > 0)) continue;
            const GradePoint &a = points[k - 1].point, &here = p.point, &b = points[k + 1].point;
            const double i1 = (here.elevation - a.elevation) / (here.mileage - a.mileage);
            const double i2 = (b.elevation - here.elevation) / (b.mileage - here.mileage);
            if (!std::isfinite(i1) || !std::isfinite(i2)) continue;  // build_profile says why
            const double a1 = std::atan(i1), a2 = std::atan(i2);
            const double arc = here.radius * std::abs(a2 - a1);
            const double t = here.radius * std::tan(std::abs(a2 - a1) / 2);
            const double horizontal = t * (std::cos(a1) + std::cos(a2));
            const double parabola = here.radius * std::abs(i2 - i1);
            const double written = *p.circle_length;
            const double miss = std::min({std::abs(written - arc), std::abs(written - horizontal),
                                          std::abs(written - parabola)});
            if (!(miss <= kCircleLengthMiss))
                throw refused(p.node,
                              p.owner + " 的 length " + fixed_text(written, 3) + " 与其半径 " +
                                  fixed_text(here.radius, 3) + " 及前后纵坡不符：算得弧长 " +
                                  fixed_text(arc, 3) + "，水平长 " + fixed_text(horizontal, 3) +
                                  "，R·|i2−i1| 为 " + fixed_text(parabola, 3) + "，至少相差 " +
                                  discrepancy(miss) + "：圆形竖曲线的数据自相矛盾");
        }
    }

    pugi::xml_node node_;
};

// How messages name an alignment or a profile: by its name, or by its place where it has none.
std::string named(pugi::xml_node node, std::size_t index, const char* what) {
    const std::string name = node.attribute("name").value();
    return name.empty() ? "第 " + std::to_string(index + 1) + " 个" + what
                        : std::string(what) + "“" + name + "”";
}

// "“设计线”（K0+000～BK2+500）、…": the profiles of an alignment, for the messages that
// refuse a choice, each with its first and last station. A ProfAlign is written in continuous
// mileage; the engineer knows the line by its stations, so they are given in the line's
// numbering (`breaks`, completed), with the chain-break letter where the number needs it.
std::string profiles_text(const LandXmlDocument& document, const std::vector<pugi::xml_node>& list,
                          const ChainBreaks& breaks) {
    std::string text;
    for (pugi::xml_node p : list) {
        if (!text.empty()) text += "、";
        text += "“" + std::string(p.attribute("name").value()) + "”";
        std::vector<std::string_view> first, last;
        for (pugi::xml_node e : p.children()) {
            if (e.type() != pugi::node_element || local_name(e) == "Feature") continue;
            if (first.empty()) first = xml_words(e.child_value());
            last = xml_words(e.child_value());
        }
        const auto station = [&](const std::vector<std::string_view>& fields) {
            const std::optional<double> value =
                fields.empty() ? std::nullopt : parse_number(fields[0]);
            return value ? zh_station_of(breaks, document.unit().metres(*value)).text
                         : std::string("?");
        };
        text += "（" + station(first) + "～" + station(last) + "）";
    }
    return text;
}

// The Alignment elements of the file, in its order.
std::vector<pugi::xml_node> alignments_of(pugi::xml_node root) {
    std::vector<pugi::xml_node> alignments;
    for (pugi::xml_node group : children_named(root, "Alignments"))
        for (pugi::xml_node a : children_named(group, "Alignment")) alignments.push_back(a);
    return alignments;
}

// Every ProfAlign of an alignment's Profile elements; a ProfSurf is the ground.
std::vector<std::string> names_of(const std::vector<pugi::xml_node>& alignments) {
    std::vector<std::string> names;
    for (pugi::xml_node a : alignments) names.emplace_back(a.attribute("name").value());
    return names;
}

std::vector<pugi::xml_node> prof_aligns(pugi::xml_node alignment) {
    std::vector<pugi::xml_node> profiles;
    for (pugi::xml_node profile : children_named(alignment, "Profile"))
        for (pugi::xml_node p : children_named(profile, "ProfAlign")) profiles.push_back(p);
    return profiles;
}

}  // namespace

std::vector<std::string> landxml_profile_names(const LandXmlDocument& document,
                                               const std::string& alignment_name) {
    const std::vector<pugi::xml_node> alignments = alignments_of(document.root());
    std::vector<std::size_t> found = alignments_named(names_of(alignments), alignment_name);
    if (alignments.size() == 1) found = {0};
    std::vector<std::string> names;
    if (found.size() == 1)
        for (pugi::xml_node p : prof_aligns(alignments[found.front()]))
            names.emplace_back(p.attribute("name").value());
    return names;
}

namespace {

// The line of the file where `word`, a piece of the text of element `e`, stands.
long line_of_text(const LandXmlDocument& document, pugi::xml_node e, std::string_view word) {
    for (pugi::xml_node text : e.children())
        if ((text.type() == pugi::node_pcdata || text.type() == pugi::node_cdata) &&
            text.value() == e.child_value())
            return document.line_at(text.offset_debug() + (word.data() - text.value()));
    return document.line_of(e);
}

}  // namespace

std::vector<Alignment::GroundLinePoint> landxml_ground_line(const LandXmlDocument& document,
                                                            const std::string& alignment_name,
                                                            std::string& source) {
    const std::vector<pugi::xml_node> alignments = alignments_of(document.root());
    std::vector<std::size_t> found = alignments_named(names_of(alignments), alignment_name);
    if (alignments.size() == 1) found = {0};
    if (found.size() != 1) return {};
    const pugi::xml_node alignment = alignments[found.front()];
    pugi::xml_node surface;
    for (pugi::xml_node profile : children_named(alignment, "Profile"))
        for (pugi::xml_node p : children_named(profile, "ProfSurf"))
            if (!surface) surface = p;
    if (!surface) return {};
    const std::string owner = named(alignment, found.front(), "线路") + "的" +
                              named(surface, 0, "地面线") + "（ProfSurf）";
    const LandXmlPart part(document, owner);
    std::vector<Alignment::GroundLinePoint> points;
    const auto add = [&](pugi::xml_node at, std::string_view station, std::string_view elevation) {
        const std::string what = "第 " + std::to_string(points.size() + 1) + " 个地面点";
        Alignment::GroundLinePoint g;
        g.mileage = document.unit().metres(part.number(at, what, "桩号", station));
        g.elevation = document.unit().metres(part.number(at, what, "高程", elevation));
        // A ground line runs forward along the line: a station behind the last one is a slip
        // of the export, and drawing it would fold the line back on itself. Civil 3D repeats
        // the last point of a sampled surface; a point repeated is one point, and two heights
        // at one station are a step in the ground (a wall, a cut face), drawn upright.
        if (!points.empty() && g.mileage < points.back().mileage)
            throw part.refused(at, "：" + what + "的桩号 " + std::string(station) +
                                       " 小于前一点的桩号，地面线的桩号须逐点增大");
        if (!points.empty() && g.mileage == points.back().mileage &&
            g.elevation == points.back().elevation)
            return;
        points.push_back(g);
    };
    for (pugi::xml_node e : surface.children()) {
        if (e.type() != pugi::node_element) continue;
        const std::string_view kind = local_name(e);
        if (kind == "Feature") continue;
        const std::vector<std::string_view> fields = xml_words(e.child_value());
        if (kind == "PVI") {
            if (fields.size() != 2)
                throw part.refused(e, "：PVI 应写“桩号 高程”两个数，实有 " +
                                          std::to_string(fields.size()) + " 个");
            add(e, fields[0], fields[1]);
        } else if (kind == "PntList2D") {
            // XML text may break a line between any two numbers (exporters wrap long lists, a
            // negative number may start a line): a line end is a blank like any other. A number
            // cut in two by a line end ("-" at the end of one line, "1.5" on the next) is
            // damage, refused at the line where the piece stands rather than as a count.
            for (std::size_t i = 0; i < fields.size(); ++i)
                if (!parse_number(fields[i])) {
                    const DataError at =
                        part.refused(e, "：PntList2D 的第 " + std::to_string(i + 1) + " 项“" +
                                            std::string(fields[i]) +
                                            "”不是数（数与数之间可以换行，一个数的中间不能）");
                    throw DataError(at.what(), at.file(), line_of_text(document, e, fields[i]));
                }
            if (fields.size() % 2 != 0)
                throw part.refused(e, "：PntList2D 应为成对的“桩号 高程”，实有 " +
                                          std::to_string(fields.size()) + " 个数");
            for (std::size_t i = 0; i < fields.size(); i += 2) add(e, fields[i], fields[i + 1]);
        } else {
            throw part.refused(e, "：<" + std::string(kind) +
                                      "> 不是地面线的点；地面线只能由 PVI 或 PntList2D 组成");
        }
    }
    if (points.size() < 2)
        throw part.refused(
            surface, "只有 " + std::to_string(points.size()) + " 个点，地面线至少要有 2 个点");
    source = "LandXML 文件“" + utf8_of(path_from_utf8(document.path()).filename()) + "”" + owner;
    return points;
}

Profile landxml_profile(const LandXmlDocument& document, const std::string& alignment_name,
                        const std::optional<std::string>& profile_name, const ChainBreaks& breaks) {
    const pugi::xml_node root = document.root();
    const std::vector<pugi::xml_node> alignments = alignments_of(root);
    if (alignments.empty())
        throw DataError("文件中没有线路（<Alignments> 中的 <Alignment>），也就没有其纵断面",
                        document.path(), document.line_of(root));
    std::size_t index = 0;
    if (alignments.size() > 1) {
        const std::vector<std::size_t> found =
            alignments_named(names_of(alignments), alignment_name);
        if (found.size() > 1)
            throw DataError("文件中有 " + std::to_string(found.size()) + " 条线路名为“" +
                                alignment_name + "”，不知取哪条线路的纵断面（“" + alignment_name +
                                "#2”为其中的第 2 条）",
                            document.path(), document.line_of(root));
        index = found.empty() ? alignments.size() : found.front();
        if (index == alignments.size()) {
            std::string names;
            for (pugi::xml_node a : alignments)
                names +=
                    (names.empty() ? "“" : "、“") + std::string(a.attribute("name").value()) + "”";
            throw DataError("文件中有 " + std::to_string(alignments.size()) + " 条线路（" + names +
                                "），没有与所用线路同名（“" + alignment_name +
                                "”）的一条，不知取哪条线路的纵断面",
                            document.path(), document.line_of(root));
        }
    }
    const pugi::xml_node alignment = alignments[index];
    const std::string alignment_text = named(alignment, index, "线路");

    const std::vector<pugi::xml_node> profiles = prof_aligns(alignment);
    if (profiles.empty())
        throw DataError(alignment_text +
                            "没有设计纵断面（<Profile> 中的 <ProfAlign>；<ProfSurf> 是地面线，"
                            "不是设计线）",
                        document.path(), document.line_of(alignment));
    std::size_t chosen = 0;
    if (profile_name) {
        chosen = profiles.size();
        for (std::size_t i = 0; i < profiles.size(); ++i)
            if (*profile_name == profiles[i].attribute("name").value()) chosen = i;
        if (chosen == profiles.size())
            throw DataError(alignment_text + "没有名为“" + *profile_name +
                                "”的设计纵断面；其设计纵断面：" +
                                profiles_text(document, profiles, breaks),
                            document.path(), document.line_of(alignment));
    } else if (profiles.size() > 1) {
        throw DataError(alignment_text + "有 " + std::to_string(profiles.size()) +
                            " 条设计纵断面：" + profiles_text(document, profiles, breaks) +
                            "，未选定其中一条（命令行用 --profile-name 给出纵断面名称）",
                        document.path(), document.line_of(alignment));
    }
    const pugi::xml_node profile = profiles[chosen];
    return ProfileReader(document, profile,
                         alignment_text + "的" + named(profile, chosen, "纵断面"))
        .read();
}

}  // namespace qelt
