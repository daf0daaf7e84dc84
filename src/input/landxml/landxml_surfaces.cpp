// The reader of a LandXML file's ground surfaces (Surfaces/Surface, TIN).
#include "input/landxml/landxml_surfaces.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>
#include <pugixml.hpp>
#include <string_view>
#include <unordered_map>

#include "base/text.h"
#include "base/utf8_path.h"

namespace qelt {

namespace {

// The TIN surfaces of the file with their definitions.
struct TinSurface {
    pugi::xml_node surface, definition;
};

std::vector<TinSurface> tin_surfaces(pugi::xml_node root) {
    std::vector<TinSurface> found;
    for (pugi::xml_node surfaces : root.children()) {
        if (local_name(surfaces) != "Surfaces") continue;
        for (pugi::xml_node surface : surfaces.children()) {
            if (local_name(surface) != "Surface") continue;
            const pugi::xml_node definition = child_named(surface, "Definition");
            // surfType defaults to TIN where a definition leaves it out (a grid says GRID).
            const char* type = definition.attribute("surfType").as_string("TIN");
            if (definition && same_word(type, "TIN")) found.push_back({surface, definition});
        }
    }
    return found;
}

std::size_t count_items(const LandXmlDocument& document, pugi::xml_node list, std::string_view name,
                        bool visible_only) {
    std::size_t n = 0;
    document.for_each_item(list, name, [&](const ListItem& item) {
        if (!(visible_only && item.invisible)) ++n;
    });
    return n;
}

// The points' ids to their places in the point table. Ids are text: "7" and "007" are two
// points. Those written as plain whole numbers, as the design programs number their points, are
// kept in an array by their value; the rest by their text.
class PointIds {
  public:
    // Adds `id` for point `index`; false when a point already has it.
    bool add(std::string_view id, std::uint32_t index) {
        const std::optional<std::uint32_t> n = whole_number(id);
        if (!n) return text_.emplace(std::string(id), index).second;
        if (find(id)) return false;
        // The array only as long as a numbering without large gaps needs.
        if (*n >= dense_.size() && *n <= 4 * std::uint64_t{index} + 1000000)
            dense_.resize(std::max<std::size_t>(*n + 1, dense_.size() + dense_.size() / 2), kNone);
        if (*n < dense_.size())
            dense_[*n] = index;
        else
            sparse_.emplace(*n, index);
        return true;
    }

    std::optional<std::uint32_t> find(std::string_view id) const {
        const std::optional<std::uint32_t> n = whole_number(id);
        if (!n) {
            const auto it = text_.find(std::string(id));
            if (it == text_.end()) return std::nullopt;
            return it->second;
        }
        if (*n < dense_.size() && dense_[*n] != kNone) return dense_[*n];
        if (sparse_.empty()) return std::nullopt;
        const auto it = sparse_.find(*n);
        if (it == sparse_.end()) return std::nullopt;
        return it->second;
    }

  private:
    static constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();

    // The value of an id written as a whole number the one way it can be (no sign, no leading
    // zero), below a billion; nothing for any other id.
    static std::optional<std::uint32_t> whole_number(std::string_view id) {
        if (id.empty() || id.size() > 9 || (id[0] == '0' && id.size() > 1)) return std::nullopt;
        std::uint32_t n = 0;
        const auto [end, ec] = std::from_chars(id.data(), id.data() + id.size(), n);
        if (ec != std::errc() || end != id.data() + id.size()) return std::nullopt;
        return n;
    }

    std::vector<std::uint32_t> dense_;
    std::unordered_map<std::uint32_t, std::uint32_t> sparse_;
    std::unordered_map<std::string, std::uint32_t> text_;
};

SurfaceSummary summary(const LandXmlDocument& document, const TinSurface& s) {
    return {s.surface.attribute("name").value(),
            count_items(document, child_named(s.definition, "Pnts"), "P", false),
            count_items(document, child_named(s.definition, "Faces"), "F", true)};
}

std::string choices_text(const LandXmlDocument& document, const std::vector<TinSurface>& surfaces) {
    std::string text;
    for (const TinSurface& s : surfaces) {
        const SurfaceSummary sum = summary(document, s);
        text += (text.empty() ? "“" : "、“") + sum.name + "”（" + std::to_string(sum.points) +
                " 个点，" + std::to_string(sum.faces) + " 个三角形）";
    }
    return text;
}

class SurfaceReader : private LandXmlPart {
  public:
    SurfaceReader(const LandXmlDocument& document, const TinSurface& s)
        : LandXmlPart(document, "地面“" + std::string(s.surface.attribute("name").value()) + "”"),
          s_(s) {}

    Terrain read() {
        read_points();
        read_faces();
        read_boundaries();
        Terrain terrain(std::move(points_), std::move(faces_),
                        utf8_of(path_from_utf8(document().path()).filename()), std::move(outer_),
                        std::move(voids_));
        if (terrain.empty()) throw refused(s_.definition, "没有可见的三角形（<Faces> 中的 <F>）");
        return terrain;
    }

  private:
    void read_points() {
        const LengthUnit unit = document().unit();
        const pugi::xml_node list = child_named(s_.definition, "Pnts");
        points_.reserve(document().item_count_hint(list));
        document().for_each_item(list, "P", [&](const ListItem& p) {
            const auto owner = [&] { return "点 P id=\"" + std::string(p.id) + "\""; };
            std::string_view w[3];
            const std::size_t words = xml_words(p.text, w, 3);
            if (words != 3)
                throw refused_at(p.offset, owner() + " 应为“北坐标 东坐标 高程” 3 个数，有 " +
                                               std::to_string(words) + " 项");
            double v[3];
            static const char* const kFields[3] = {"北坐标", "东坐标", "高程"};
            for (std::size_t i = 0; i < 3; ++i) {
                const std::optional<double> value = parse_number(w[i]);
                v[i] = unit.metres(value ? *value : number_at(p.offset, owner(), kFields[i], w[i]));
            }
            if (!ids_.add(p.id, static_cast<std::uint32_t>(points_.size())))
                throw refused_at(p.offset, owner() + " 与前面的点同号");
            points_.push_back({v[0], v[1], v[2]});
        });
    }

    void read_faces() {
        const pugi::xml_node list = child_named(s_.definition, "Faces");
        faces_.reserve(document().item_count_hint(list));
        document().for_each_item(list, "F", [&](const ListItem& f) {
            if (f.invisible) return;
            std::string_view w[3];
            const std::size_t words = xml_words(f.text, w, 3);
            if (words != 3)
                throw refused_at(f.offset,
                                 "三角形 <F> 应为 3 个点号，有 " + std::to_string(words) + " 项");
            TerrainFace face;
            for (std::size_t i = 0; i < 3; ++i) {
                const std::optional<std::uint32_t> at = ids_.find(w[i]);
                if (!at)
                    throw refused_at(
                        f.offset, "三角形 <F> 的点号“" + std::string(w[i]) + "”在 <Pnts> 中没有");
                face[i] = *at;
            }
            faces_.push_back(face);
        });
    }

    void read_boundaries() {
        const pugi::xml_node list =
            child_named(child_named(s_.surface, "SourceData"), "Boundaries");
        for (pugi::xml_node b : list.children()) {
            if (local_name(b) != "Boundary") continue;
            const std::string type = b.attribute("bndType").value();
            if (!same_word(type, "outer") && !same_word(type, "void")) continue;
            pugi::xml_node list2 = child_named(b, "PntList2D"), list3 = child_named(b, "PntList3D");
            const pugi::xml_node at = list2 ? list2 : list3;
            const std::size_t per_point = list2 ? 2 : 3;
            const std::vector<std::string_view> w = xml_words(at.child_value());
            const std::string owner = "边界“" + std::string(b.attribute("name").value()) + "”";
            if (!at || w.size() % per_point != 0 || w.size() < 3 * per_point)
                throw refused(b, owner + "应有至少 3 个点（<PntList2D> 每点“北坐标 东坐标”）");
            Ring ring;
            for (std::size_t i = 0; i < w.size(); i += per_point)
                ring.push_back({document().unit().metres(number(at, owner, "北坐标", w[i])),
                                document().unit().metres(number(at, owner, "东坐标", w[i + 1]))});
            if (same_word(type, "outer"))
                outer_ = std::move(ring);
            else
                voids_.push_back(std::move(ring));
        }
    }

    const TinSurface& s_;
    PointIds ids_;
    std::vector<TerrainPoint> points_;
    std::vector<TerrainFace> faces_;
    Ring outer_;
    std::vector<Ring> voids_;
};

}  // namespace

std::vector<SurfaceSummary> landxml_surfaces(const LandXmlDocument& document) {
    std::vector<SurfaceSummary> found;
    for (const TinSurface& s : tin_surfaces(document.root())) found.push_back(summary(document, s));
    return found;
}

Terrain landxml_terrain(const LandXmlDocument& document, const std::optional<std::string>& name) {
    const pugi::xml_node root = document.root();
    const std::vector<TinSurface> surfaces = tin_surfaces(root);
    if (surfaces.empty())
        throw DataError("文件中没有三角网地面（<Surfaces> 中 surfType=\"TIN\" 的 <Surface>）",
                        document.path(), document.line_of(root));
    std::size_t chosen = 0;
    if (name) {
        chosen = surfaces.size();
        for (std::size_t i = 0; i < surfaces.size(); ++i)
            if (*name == surfaces[i].surface.attribute("name").value()) chosen = i;
        if (chosen == surfaces.size())
            throw DataError(
                "文件中没有名为“" + *name + "”的地面；其地面：" + choices_text(document, surfaces),
                document.path(), document.line_of(surfaces.front().surface));
    } else if (surfaces.size() > 1) {
        throw DataError("文件中有 " + std::to_string(surfaces.size()) + " 个地面：" +
                            choices_text(document, surfaces) +
                            "，未选定其中一个（命令行用 --terrain-name 给出地面名称）",
                        document.path(), document.line_of(surfaces.front().surface));
    }
    return SurfaceReader(document, surfaces[chosen]).read();
}

}  // namespace qelt
