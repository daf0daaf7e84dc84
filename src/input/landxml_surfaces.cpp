// The reader of a LandXML file's ground surfaces (Surfaces/Surface, TIN).
#include "input/landxml_surfaces.h"

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

bool invisible(pugi::xml_node face) {
    return face.attribute("i").as_int(0) == 1;
}

std::size_t count_children(pugi::xml_node node, std::string_view name, bool visible_only) {
    std::size_t n = 0;
    for (pugi::xml_node c : node.children())
        if (local_name(c) == name && !(visible_only && invisible(c))) ++n;
    return n;
}

SurfaceSummary summary(const TinSurface& s) {
    return {s.surface.attribute("name").value(),
            count_children(child_named(s.definition, "Pnts"), "P", false),
            count_children(child_named(s.definition, "Faces"), "F", true)};
}

std::string choices_text(const std::vector<TinSurface>& surfaces) {
    std::string text;
    for (const TinSurface& s : surfaces) {
        const SurfaceSummary sum = summary(s);
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
        const pugi::xml_node pnts = child_named(s_.definition, "Pnts");
        for (pugi::xml_node p : pnts.children()) {
            if (local_name(p) != "P") continue;
            const std::string owner = "点 P id=\"" + std::string(p.attribute("id").value()) + "\"";
            const std::vector<std::string_view> w = xml_words(p.child_value());
            if (w.size() != 3)
                throw refused(p, owner + " 应为“北坐标 东坐标 高程” 3 个数，有 " +
                                     std::to_string(w.size()) + " 项");
            const LengthUnit unit = document().unit();
            TerrainPoint point{unit.metres(number(p, owner, "北坐标", w[0])),
                               unit.metres(number(p, owner, "东坐标", w[1])),
                               unit.metres(number(p, owner, "高程", w[2]))};
            const auto [at, inserted] =
                ids_.emplace(p.attribute("id").value(), static_cast<std::uint32_t>(points_.size()));
            if (!inserted) throw refused(p, owner + " 与前面的点同号");
            points_.push_back(point);
        }
    }

    void read_faces() {
        const pugi::xml_node list = child_named(s_.definition, "Faces");
        for (pugi::xml_node f : list.children()) {
            if (local_name(f) != "F" || invisible(f)) continue;
            const std::vector<std::string_view> w = xml_words(f.child_value());
            if (w.size() != 3)
                throw refused(f,
                              "三角形 <F> 应为 3 个点号，有 " + std::to_string(w.size()) + " 项");
            TerrainFace face;
            for (std::size_t i = 0; i < 3; ++i) {
                const auto it = ids_.find(std::string(w[i]));
                if (it == ids_.end())
                    throw refused(f,
                                  "三角形 <F> 的点号“" + std::string(w[i]) + "”在 <Pnts> 中没有");
                face[i] = it->second;
            }
            faces_.push_back(face);
        }
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
    std::unordered_map<std::string, std::uint32_t> ids_;
    std::vector<TerrainPoint> points_;
    std::vector<TerrainFace> faces_;
    Ring outer_;
    std::vector<Ring> voids_;
};

}  // namespace

std::vector<SurfaceSummary> landxml_surfaces(const LandXmlDocument& document) {
    std::vector<SurfaceSummary> found;
    for (const TinSurface& s : tin_surfaces(document.root())) found.push_back(summary(s));
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
                "文件中没有名为“" + *name + "”的地面；其地面：" + choices_text(surfaces),
                document.path(), document.line_of(surfaces.front().surface));
    } else if (surfaces.size() > 1) {
        throw DataError("文件中有 " + std::to_string(surfaces.size()) + " 个地面：" +
                            choices_text(surfaces) +
                            "，未选定其中一个（命令行用 --terrain-name 给出地面名称）",
                        document.path(), document.line_of(surfaces.front().surface));
    }
    return SurfaceReader(document, surfaces[chosen]).read();
}

}  // namespace qelt
