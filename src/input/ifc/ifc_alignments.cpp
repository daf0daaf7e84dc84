// The reader of an IFC 4.3 model's alignments: their horizontal and vertical design and their
// stationing, into the alignment model.
#include "input/ifc/ifc_alignments.h"

#include "base/text.h"
#include "base/utf8_path.h"
#include "input/ifc/ifc_alignment_builder.h"
#include "station/station.h"

namespace qelt {

namespace ifc {

namespace {

// How messages name an alignment: by its name, or by its place in the file where it has none.
std::string alignment_prefix(const std::string& name, std::size_t index) {
    return name.empty() ? "第 " + std::to_string(index + 1) + " 条线路" : "线路“" + name + "”";
}

}  // namespace

AlignmentBuilder::AlignmentBuilder(const IfcModel& model, const StepInstance& node,
                                   std::size_t index)
    : model_(model), node_(node) {
    name_ = node.attribute(2, "Name").optional_string().value_or("");
    prefix_ = alignment_prefix(name_, index);
}

Alignment AlignmentBuilder::build() {
    Alignment alignment;
    alignment.name = name_;
    const StepInstance* horizontal = nullptr;
    const StepInstance* vertical = nullptr;
    std::vector<const StepInstance*> referents;
    const auto take_referent = [&](const StepInstance& child) {
        if (child.entity() != "IFCREFERENT") return;
        const StepField type = child.attribute(7, "PredefinedType");
        if (!type.is_unset() && type.enumeration() == "STATION") referents.push_back(&child);
    };
    for (const StepField& child : model_.nested(node_)) {
        const StepInstance& c = child.instance();
        const auto only = [&](const StepInstance*& slot, const char* what) {
            if (slot) throw refused(c, "有不止一个" + std::string(what));
            slot = &c;
        };
        if (c.entity() == "IFCALIGNMENTHORIZONTAL")
            only(horizontal, "平面线形（IfcAlignmentHorizontal）");
        if (c.entity() == "IFCALIGNMENTVERTICAL") only(vertical, "纵断面（IfcAlignmentVertical）");
        take_referent(c);
    }
    if (!horizontal)
        throw refused(node_, "没有平面线形（IfcRelNests 中的 IfcAlignmentHorizontal）");

    const Motion plane = model_.map().after(model_.placement(
        (horizontal->attribute(5, "ObjectPlacement").is_unset() ? node_ : *horizontal)
            .attribute(5, "ObjectPlacement")));
    std::vector<Segment> segments;
    // The segments of length 0 (the closing one) with the index of the segment before them:
    // they add nothing, but where they start is checked as a seam once the line is placed.
    std::vector<std::pair<std::size_t, Segment>> zero_length;
    int position = 0;
    for (const StepField& child : model_.nested(*horizontal)) {
        const StepInstance& c = child.instance();
        take_referent(c);
        if (c.entity() != "IFCALIGNMENTSEGMENT") continue;
        ++position;
        const StepInstance& p =
            c.attribute(7, "DesignParameters").instance("IFCALIGNMENTHORIZONTALSEGMENT");
        Segment s;
        s.line = p.line();
        s.piece = read_segment(p, plane, position, s.name);
        if (s.piece.length > 0)
            segments.push_back(s);
        else if (!segments.empty())
            zero_length.emplace_back(segments.size() - 1, s);
    }
    if (segments.empty())
        throw refused(*horizontal, "没有长度不为零的平面线元（IfcAlignmentHorizontalSegment）");

    double length = 0;
    for (const Segment& s : segments) length += s.piece.length;
    const double start = read_stationing(referents, length, alignment.breaks, alignment.notices);
    alignment.break_source =
        alignment.breaks.dl_count > 0 ? ChainBreakSource::line : ChainBreakSource::file_or_none;
    // The stations the notices name, in the file's own numbering.
    stations_ = alignment.breaks;
    dl_complete(stations_, start, start + length);
    place(segments, start, alignment);
    for (const auto& [before, s] : zero_length) check_seam(segments[before], s, alignment, nullptr);
    alignment.key_points = element_key_points(alignment.line);
    // The plane line stands without its heights: a vertical that cannot be read leaves the
    // line without a profile, said in a notice, rather than refusing the line's stations
    // and coordinates with it.
    if (vertical) {
        try {
            alignment.profile = read_profile(*vertical, start, alignment.notices);
        } catch (const DataError& e) {
            alignment.notices.push_back(model_.file_title() + "第 " + std::to_string(e.line()) +
                                        " 行：" + e.what() + "：纵断面未读入，线路没有设计高程");
        }
    }
    if (is_epsg_code(model_.crs())) alignment.crs = model_.crs();
    if (!model_.crs().empty())
        alignment.notices.push_back(
            model_.file_title() + "：" + prefix_ + "的坐标系为“" + model_.crs() +
            "”（IfcProjectedCRS）" +
            (model_.map().identity() ? ""
                                     : "，平面坐标已按 " + model_.operation() + " 换算到该坐标系"));
    return alignment;
}

DataError AlignmentBuilder::refused(const StepInstance& at, const std::string& what) const {
    return DataError(prefix_ + "：" + at.error(what).what(), model_.file().path(), at.line());
}

}  // namespace ifc

IfcAlignments::IfcAlignments(const StepFile& file) {
    ifc::check_schema(file);
    const std::vector<const StepInstance*> nodes = file.instances_of("IFCALIGNMENT");
    if (nodes.empty()) throw DataError("文件中没有线路（IFCALIGNMENT）", file.path());
    const ifc::IfcModel model(file);
    for (const StepInstance* node : nodes) {
        const std::size_t index = alignments().size();
        add(node->attribute(2, "Name").optional_string().value_or(""), node->line(),
            [&] { return ifc::AlignmentBuilder(model, *node, index).build(); });
    }
}

}  // namespace qelt
