// The plan drawing written with dxflib, header first, from its layout (plan_layout.h). The header
// needs the drawing's extents (so that CAD opens it on the road, not on the origin kilometres
// away) and a handle seed above every handle the file uses, both known only once everything is
// laid out.

#include "report/drawings/dxf_drawing.h"

#include <dl_dxf.h>
#include <dl_writer_ascii.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <ostream>
#include <variant>

#include "base/text.h"
#include "report/drawings/section_layout.h"

namespace qelt {

namespace {

// The text style every label uses, and its font.
const char* const kTextStyle = "SimSun";
const char* const kFontFile = "simsun.ttc";
const char* const kFontFamily = "SimSun";

// A drawing's layers: their names and AutoCAD colour indices, an item's layer an index into
// them; and the comment that opens the file.
struct LayerTable {
    std::span<const char* const> names;
    std::span<const int> colours;
    const char* comment;
};

// AutoCAD colour index of each layer, in the order of PlanLayer.
constexpr int kLayerColours[] = {
    1,  // centre line: red
    5,  // JD polygon: blue
    7,  // stations: black on white, white on black
    3,  // key points: green
    6,  // boreholes: magenta
    7,  // borehole labels
};
static_assert(std::size(kLayerColours) == std::size(kPlanLayerNames));
constexpr LayerTable kPlanLayers{kPlanLayerNames, kLayerColours, "Qelt plan drawing"};

// The same for the section drawing, in the order of SectionLayer.
constexpr int kSectionLayerColours[] = {
    3,  // ground line: green
    1,  // grade line: red
    1,  // grade points
    7,  // stations
    5,  // chain breaks: blue
    6,  // boreholes: magenta
    7,  // borehole labels
    7,  // bands
};
static_assert(std::size(kSectionLayerColours) == std::size(kSectionLayerNames));
constexpr LayerTable kSectionLayers{kSectionLayerNames, kSectionLayerColours,
                                    "Qelt section drawing"};

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

void write_header(Writer& w, const PlanLayout& layout, unsigned long handle_seed,
                  const LayerTable& layers) {
    w.comment(layers.comment);
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
    w.dxfReal(40, kPlanTextHeight);
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
void write_viewport(Writer& w, const PlanLayout& layout) {
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
    w.dxfReal(42, kPlanTextHeight);
    w.dxfString(3, kFontFile);
    w.dxfString(4, "");
    w.dxfString(1001, "ACAD");
    w.dxfString(1000, kFontFamily);
    w.dxfInt(1071, 0);
}

void write_tables(DL_Dxf& dxf, Writer& w, const PlanLayout& layout, const LayerTable& layers) {
    w.sectionTables();
    write_viewport(w, layout);

    w.tableLinetypes(3);
    dxf.writeLinetype(w, DL_LinetypeData("BYBLOCK", "BYBLOCK", 0, 0, 0.0));
    dxf.writeLinetype(w, DL_LinetypeData("BYLAYER", "BYLAYER", 0, 0, 0.0));
    dxf.writeLinetype(w, DL_LinetypeData("CONTINUOUS", "Continuous", 0, 0, 0.0));
    w.tableEnd();

    w.tableLayers(1 + static_cast<int>(layers.names.size()));
    dxf.writeLayer(w, DL_LayerData("0", 0), DL_Attributes("", 7, -1, "CONTINUOUS", 1.0));
    for (std::size_t i = 0; i < layers.names.size(); ++i)
        dxf.writeLayer(w, DL_LayerData(dxf_text(layers.names[i]), 0),
                       DL_Attributes("", layers.colours[i], -1, "CONTINUOUS", 1.0));
    w.tableEnd();

    w.tableStyle(2);
    dxf.writeStyle(w, DL_StyleData("Standard", 0, 0.0, 1.0, 0.0, 0, kPlanTextHeight, "txt", ""));
    write_text_style(w);
    w.tableEnd();

    dxf.writeView(w);
    dxf.writeUcs(w);
    w.tableAppid(1);
    dxf.writeAppid(w, "ACAD");
    w.tableEnd();
    dxf.writeDimStyle(w, 2.5, 1.25, 0.625, 0.625, kPlanTextHeight);
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

void write_item(DL_Dxf& dxf, Writer& w, const PlanItem& item, const LayerTable& layers) {
    const auto attributes = [&layers](PlanLayer layer) {
        return DL_Attributes(dxf_text(layers.names[static_cast<std::size_t>(layer)]), 256, -1,
                             "BYLAYER", 1.0);
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
        dxf.writeText(
            w,
            DL_TextData(text->at.x, text->at.y, 0, text->at.x, text->at.y, 0, text->height, 1.0, 0,
                        text->h_justification, text->v_justification, dxf_text(text->text),
                        kTextStyle, text->angle),
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

namespace {

void write_layout(std::ostream& out, const PlanLayout& layout, const LayerTable& layers) {
    // Handles from 0x30 on: one per entity, one per layer, style and viewport record, and the
    // few the objects section takes; the seed goes above them all.
    const unsigned long handle_seed = 0x30 + layout.items().size() + layers.names.size() + 64;
    Writer w(out);
    DL_Dxf dxf;
    write_header(w, layout, handle_seed, layers);
    write_tables(dxf, w, layout, layers);
    w.sectionEntities();
    for (const PlanItem& item : layout.items()) write_item(dxf, w, item, layers);
    w.sectionEnd();
    dxf.writeObjects(w);
    dxf.writeObjectsEnd(w);
    w.dxfEOF();
}

}  // namespace

void write_plan_drawing(std::ostream& out, const Alignment& alignment,
                        std::span<const BoreholeRecord> boreholes,
                        std::span<const Alignment> further_lines) {
    write_layout(out, lay_out_plan(alignment, boreholes, further_lines), kPlanLayers);
}

void write_section_drawing(std::ostream& out, std::span<const LineSection> sections,
                           SectionScales scales) {
    write_layout(out, lay_out_sections(sections, scales), kSectionLayers);
}

}  // namespace qelt
