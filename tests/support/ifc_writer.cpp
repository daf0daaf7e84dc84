#include "support/ifc_writer.h"

#include <charconv>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include "base/line_reader.h"
#include "base/text.h"
#include "input/alignment_readers.h"
#include "input/profile_text.h"
#include "input/readers.h"
#include "station/station.h"

namespace qelt::testing {

namespace {

// A REAL as STEP writes it: the shortest text that reads back to the same double, with its
// decimal point ("100." and "1.5E-07").
std::string real(double value) {
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    std::string text(buffer, end);
    std::size_t e = text.find('e');
    if (e == std::string::npos) e = text.size();
    if (text.substr(0, e).find('.') == std::string::npos) text.insert(e, ".");
    for (char& c : text)
        if (c == 'e') c = 'E';
    return text;
}

// A string in STEP's own encoding: ASCII as is ('' for a quote), anything else as \X2\…\X0\.
std::string step_string(const std::string& utf8) {
    std::string out = "'";
    std::size_t i = 0;
    while (i < utf8.size()) {
        const std::optional<char32_t> c = next_utf8(utf8, i);
        if (!c) throw std::invalid_argument("not UTF-8");
        if (*c < 0x80) {
            out += static_cast<char>(*c);
            if (*c == '\'') out += '\'';
            if (*c == '\\') out += '\\';
            continue;
        }
        char hex[16];
        std::vector<unsigned> units;
        if (*c < 0x10000) {
            units.push_back(*c);
        } else {
            units.push_back(0xD800 + ((*c - 0x10000) >> 10));
            units.push_back(0xDC00 + ((*c - 0x10000) & 0x3FF));
        }
        out += "\\X2\\";
        for (unsigned u : units) {
            std::snprintf(hex, sizeof hex, "%04X", u);
            out += hex;
        }
        out += "\\X0\\";
    }
    return out + "'";
}

class Writer {
  public:
    // Adds an instance; its number.
    int add(const std::string& entity_and_attributes) {
        data_ += "#" + std::to_string(++count_) + "=" + entity_and_attributes + ";\n";
        return count_;
    }
    // A GlobalId, 22 characters of IFC's base-64 alphabet, one per call.
    std::string guid() {
        static const char kDigits[] =
            "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz_$";
        std::string id(22, '0');
        unsigned long n = ++guids_;
        for (int i = 21; i >= 0 && n; --i, n /= 64)
            id[static_cast<std::size_t>(i)] = kDigits[n % 64];
        return "'" + id + "'";
    }
    const std::string& data() const { return data_; }

  private:
    std::string data_;
    int count_ = 0;
    unsigned long guids_ = 0;
};

std::string ref(int id) {
    return "#" + std::to_string(id);
}

int unit(Writer& w, const IfcUnitData& u, const char* type, const char* si) {
    const std::string prefix = u.prefix.empty() ? "$" : "." + u.prefix + ".";
    if (u.name.empty())
        return w.add("IFCSIUNIT(*,." + std::string(type) + "," + prefix + "," + si + ")");
    const int base = w.add("IFCSIUNIT(*,." + std::string(type) + ",$," + si + ")");
    const char* measure =
        std::string(type) == "LENGTHUNIT." ? "IFCLENGTHMEASURE" : "IFCPLANEANGLEMEASURE";
    const int factor = w.add("IFCMEASUREWITHUNIT(" + std::string(measure) + "(" + real(u.factor) +
                             ")," + ref(base) + ")");
    const int dims =
        w.add(std::string(type) == "LENGTHUNIT." ? "IFCDIMENSIONALEXPONENTS(1,0,0,0,0,0,0)"
                                                 : "IFCDIMENSIONALEXPONENTS(0,0,0,0,0,0,0)");
    return w.add("IFCCONVERSIONBASEDUNIT(" + ref(dims) + ",." + type + "," + step_string(u.name) +
                 "," + ref(factor) + ")");
}

std::string list(const std::vector<int>& ids) {
    std::string text = "(";
    for (std::size_t i = 0; i < ids.size(); ++i) text += (i ? "," : "") + ref(ids[i]);
    return text + ")";
}

}  // namespace

std::string ifc_text(const IfcModelData& model) {
    Writer w;
    const int origin = w.add("IFCCARTESIANPOINT((0.,0.,0.))");
    const int axes = w.add("IFCAXIS2PLACEMENT3D(" + ref(origin) + ",$,$)");
    const int context = w.add("IFCGEOMETRICREPRESENTATIONCONTEXT($,'Model',3," +
                              (model.precision ? real(*model.precision) : std::string("$")) + "," +
                              ref(axes) + ",$)");
    const int length = unit(w, model.length, "LENGTHUNIT.", ".METRE.");
    const int angle = unit(w, model.angle, "PLANEANGLEUNIT.", ".RADIAN.");
    const int units = w.add("IFCUNITASSIGNMENT(" + list({length, angle}) + ")");
    const int project = w.add("IFCPROJECT(" + w.guid() + ",$,'Qelt',$,$,$,$," + list({context}) +
                              "," + ref(units) + ")");
    if (!model.crs.empty()) {
        const int crs = w.add("IFCPROJECTEDCRS(" + step_string(model.crs) + ",$,$,$,$,$,$)");
        if (model.rigid_operation)
            w.add("IFCRIGIDOPERATION(" + ref(context) + "," + ref(crs) + ",IFCLENGTHMEASURE(" +
                  real(model.eastings) + "),IFCLENGTHMEASURE(" + real(model.northings) + "),0.)");
        else
            w.add("IFCMAPCONVERSION(" + ref(context) + "," + ref(crs) + "," + real(model.eastings) +
                  "," + real(model.northings) + ",0.," + real(model.abscissa) + "," +
                  real(model.ordinate) + "," + real(model.scale) + ")");
    }
    std::vector<int> alignments;
    int own_axes = axes;
    if (model.placement_east != 0 || model.placement_north != 0 || model.placement_turn != 0) {
        const int at = w.add("IFCCARTESIANPOINT((" + real(model.placement_east) + "," +
                             real(model.placement_north) + ",0.))");
        const int x_axis = w.add("IFCDIRECTION((" + real(std::cos(model.placement_turn)) + "," +
                                 real(std::sin(model.placement_turn)) + ",0.))");
        own_axes = w.add("IFCAXIS2PLACEMENT3D(" + ref(at) + ",$," + ref(x_axis) + ")");
    }
    for (const IfcAlignmentData& a : model.alignments) {
        const int placement = w.add("IFCLOCALPLACEMENT($," + ref(own_axes) + ")");
        const int alignment = w.add("IFCALIGNMENT(" + w.guid() + ",$," + step_string(a.name) +
                                    ",$,$," + ref(placement) + ",$,.NOTDEFINED.)");
        alignments.push_back(alignment);
        const auto part = [&](const char* entity) {
            const int p = w.add("IFCLOCALPLACEMENT(" + ref(placement) + "," + ref(axes) + ")");
            return w.add(std::string(entity) + "(" + w.guid() + ",$,$,$,$," + ref(p) + ",$)");
        };
        std::vector<int> parts;
        const int horizontal = part("IFCALIGNMENTHORIZONTAL");
        parts.push_back(horizontal);
        std::vector<int> segments;
        for (const IfcHorizontalSegment& s : a.horizontal) {
            const int point = w.add("IFCCARTESIANPOINT((" + real(s.x) + "," + real(s.y) + "))");
            const int design =
                w.add("IFCALIGNMENTHORIZONTALSEGMENT($,$," + ref(point) + "," + real(s.direction) +
                      "," + real(s.start_radius) + "," + real(s.end_radius) + "," + real(s.length) +
                      ",$,." + s.type + ".)");
            segments.push_back(
                w.add("IFCALIGNMENTSEGMENT(" + w.guid() + ",$,$,$,$,$,$," + ref(design) + ")"));
        }
        w.add("IFCRELNESTS(" + w.guid() + ",$,$,$," + ref(horizontal) + "," + list(segments) + ")");
        if (!a.vertical.empty()) {
            const int vertical = part("IFCALIGNMENTVERTICAL");
            parts.push_back(vertical);
            segments.clear();
            for (const IfcVerticalSegment& s : a.vertical) {
                const int design = w.add(
                    "IFCALIGNMENTVERTICALSEGMENT($,$," + real(s.start) + "," + real(s.length) +
                    "," + real(s.height) + "," + real(s.grade_in) + "," + real(s.grade_out) + "," +
                    (s.radius ? real(*s.radius) : std::string("$")) + ",." + s.type + ".)");
                segments.push_back(
                    w.add("IFCALIGNMENTSEGMENT(" + w.guid() + ",$,$,$,$,$,$," + ref(design) + ")"));
            }
            w.add("IFCRELNESTS(" + w.guid() + ",$,$,$," + ref(vertical) + "," + list(segments) +
                  ")");
        }
        w.add("IFCRELNESTS(" + w.guid() + ",$,$,$," + ref(alignment) + "," + list(parts) + ")");
        std::vector<int> referents;
        for (const IfcStation& s : a.stations) {
            const int distance = w.add("IFCPOINTBYDISTANCEEXPRESSION(IFCLENGTHMEASURE(" +
                                       real(s.along) + "),$,$,$,$)");
            const int linear = w.add("IFCAXIS2PLACEMENTLINEAR(" + ref(distance) + ",$,$)");
            const int at =
                w.add("IFCLINEARPLACEMENT(" + ref(placement) + "," + ref(linear) + ",$)");
            const int referent =
                w.add("IFCREFERENT(" + w.guid() + ",$,$,$,$," + ref(at) + ",$,.STATION.)");
            std::vector<int> properties{w.add(
                "IFCPROPERTYSINGLEVALUE('Station',$,IFCLENGTHMEASURE(" + real(s.station) + "),$)")};
            if (s.incoming)
                properties.push_back(
                    w.add("IFCPROPERTYSINGLEVALUE('IncomingStation',$,IFCLENGTHMEASURE(" +
                          real(*s.incoming) + "),$)"));
            const int set = w.add("IFCPROPERTYSET(" + w.guid() + ",$,'Pset_Stationing',$," +
                                  list(properties) + ")");
            w.add("IFCRELDEFINESBYPROPERTIES(" + w.guid() + ",$,$,$," + list({referent}) + "," +
                  ref(set) + ")");
            referents.push_back(referent);
        }
        if (!referents.empty())
            w.add("IFCRELNESTS(" + w.guid() + ",$,$,$," + ref(alignment) + "," + list(referents) +
                  ")");
    }
    w.add("IFCRELAGGREGATES(" + w.guid() + ",$,$,$," + ref(project) + "," + list(alignments) + ")");
    return "ISO-10303-21;\nHEADER;\nFILE_DESCRIPTION(('ViewDefinition "
           "[Alignment-basedView]'),'2;1');\n"
           "FILE_NAME(" +
           step_string(model.file_name) +
           ",'2026-12-10T00:00:00',(''),(''),'Qelt','Qelt','');\nFILE_SCHEMA(('" + model.schema +
           "'));\nENDSEC;\nDATA;\n" + w.data() + "ENDSEC;\nEND-ISO-10303-21;\n";
}

IfcAlignmentData ifc_alignment(const std::string& name, const Alignment& alignment,
                               const Profile* profile) {
    constexpr double kPi = std::numbers::pi;
    IfcAlignmentData a;
    a.name = name;
    const double start = alignment.start_mileage();
    // Qelt's X north, Y east, azimuth clockwise from north, curvature + to the right.
    const auto radius = [](double k) { return k == 0 ? 0.0 : -1 / k; };
    for (const Piece& p : alignment.line.pieces()) {
        IfcHorizontalSegment s;
        s.x = p.start.y;
        s.y = p.start.x;
        s.direction = reduced_angle(kPi / 2 - p.start_azimuth, 2 * kPi);
        s.start_radius = radius(p.k0);
        s.end_radius = radius(p.k1);
        s.length = p.length;
        s.type = p.k0 == 0 && p.k1 == 0 ? "LINE" : p.k0 == p.k1 ? "CIRCULARARC" : "CLOTHOID";
        a.horizontal.push_back(s);
    }
    const Point end = alignment.line.end_point();
    a.horizontal.push_back({end.y, end.x,
                            reduced_angle(kPi / 2 - alignment.line.end_azimuth(), 2 * kPi), 0, 0, 0,
                            "LINE"});

    a.stations.push_back({0, start, std::nullopt});
    const ChainBreaks& b = alignment.breaks;
    for (int i = 1; i <= b.dl_count; ++i)
        a.stations.push_back(
            {b.dl_before[i] + dl_shift(b, i - 1) - start, b.dl_after[i], b.dl_before[i]});

    if (profile) {
        const std::vector<GradePoint>& points = profile->points();
        const std::vector<VerticalCurve>& curves = profile->curves();
        double at = points.front().mileage;
        const auto grade = [&](double to, double g) {
            if (to > at)
                a.vertical.push_back(
                    {at - start, to - at, *profile->elevation(at), g, g, {}, "CONSTANTGRADIENT"});
            at = to;
        };
        for (std::size_t k = 1; k < points.size(); ++k) {
            const VerticalCurve& c = curves[k];
            const double g_in = profile->grade_after(k - 1);
            if (c.kind == VerticalCurveKind::none) {
                grade(points[k].mileage, g_in);
                continue;
            }
            if (c.kind == VerticalCurveKind::asymmetric)
                throw std::invalid_argument("the writer knows symmetric vertical curves only");
            grade(c.start_mileage, g_in);
            a.vertical.push_back(
                {c.start_mileage - start, c.end_mileage - c.start_mileage,
                 *profile->elevation(c.start_mileage), g_in, profile->grade_after(k), c.radius_in,
                 c.kind == VerticalCurveKind::circle ? "CIRCULARARC" : "PARABOLICARC"});
            at = c.end_mileage;
        }
        const double g = profile->grade_after(points.size() - 2);
        a.vertical.push_back(
            {at - start, 0, *profile->elevation(at), g, g, {}, "CONSTANTGRADIENT"});
    }
    return a;
}

IfcModelData bundled_interchange(const std::string& examples) {
    const auto read = [&](const char* name, AlignmentFormat method) {
        Documents documents;
        return alignment_reader(FileFormat::text, method)
            .read(documents, examples + "/" + name, {});
    };
    Alignment main_line = read("mainline-jd.txt", AlignmentFormat::jd_text);
    LineReader breaks(examples + "/mainline-dl.txt");
    dl_read_file(breaks, main_line.breaks);
    ChainBreaks completed = main_line.breaks;
    dl_complete(completed, main_line.start_mileage(), main_line.end_mileage());
    LineReader profile_file(examples + "/mainline-profile.txt");
    const Profile profile = zdm_read_profile(profile_file, completed);
    const Alignment ramp = read("ramp-elements.txt", AlignmentFormat::element_text);

    IfcModelData model;
    model.file_name = "interchange.ifc";
    model.precision = 1e-5;
    model.crs = "EPSG:4547";
    model.alignments.push_back(ifc_alignment("主线", main_line, &profile));
    model.alignments.push_back(ifc_alignment("A匝道", ramp));
    return model;
}

}  // namespace qelt::testing
