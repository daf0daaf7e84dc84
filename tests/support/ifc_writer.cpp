#include "support/ifc_writer.h"

#include <charconv>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include "base/line_reader.h"
#include "base/text.h"
#include "input/alignment_readers.h"
#include "input/text/profile_text.h"
#include "input/text/readers.h"
#include "station/station.h"

namespace qelt::testing {

namespace {

const auto real = step_real;
const auto ref = step_ref;
const auto list = step_refs;
using Writer = StepWriter;

std::int64_t unit(Writer& w, const IfcUnitData& u, const char* type, const char* si) {
    const std::string prefix = u.prefix.empty() ? "$" : "." + u.prefix + ".";
    if (u.name.empty())
        return w.add("IFCSIUNIT(*,." + std::string(type) + "," + prefix + "," + si + ")");
    const std::int64_t base = w.add("IFCSIUNIT(*,." + std::string(type) + ",$," + si + ")");
    const char* measure =
        std::string(type) == "LENGTHUNIT." ? "IFCLENGTHMEASURE" : "IFCPLANEANGLEMEASURE";
    const std::int64_t factor = w.add("IFCMEASUREWITHUNIT(" + std::string(measure) + "(" +
                                      real(u.factor) + ")," + ref(base) + ")");
    const std::int64_t dims =
        w.add(std::string(type) == "LENGTHUNIT." ? "IFCDIMENSIONALEXPONENTS(1,0,0,0,0,0,0)"
                                                 : "IFCDIMENSIONALEXPONENTS(0,0,0,0,0,0,0)");
    return w.add("IFCCONVERSIONBASEDUNIT(" + ref(dims) + ",." + type + "," + step_string(u.name) +
                 "," + ref(factor) + ")");
}

}  // namespace

std::string ifc_text(const IfcModelData& model) {
    Writer w;
    const std::int64_t origin = w.add("IFCCARTESIANPOINT((0.,0.,0.))");
    const std::int64_t axes = w.add("IFCAXIS2PLACEMENT3D(" + ref(origin) + ",$,$)");
    const std::int64_t context = w.add(
        "IFCGEOMETRICREPRESENTATIONCONTEXT($,'Model',3," +
        (model.precision ? real(*model.precision) : std::string("$")) + "," + ref(axes) + ",$)");
    const std::int64_t length = unit(w, model.length, "LENGTHUNIT.", ".METRE.");
    const std::int64_t angle = unit(w, model.angle, "PLANEANGLEUNIT.", ".RADIAN.");
    const std::int64_t units = w.add("IFCUNITASSIGNMENT(" + list({length, angle}) + ")");
    const std::int64_t project = w.add("IFCPROJECT(" + w.guid() + ",$,'Qelt',$,$,$,$," +
                                       list({context}) + "," + ref(units) + ")");
    if (!model.crs.empty()) {
        const std::int64_t crs =
            w.add("IFCPROJECTEDCRS(" + step_string(model.crs) + ",$,$,$,$,$,$)");
        if (model.rigid_operation)
            w.add("IFCRIGIDOPERATION(" + ref(context) + "," + ref(crs) + ",IFCLENGTHMEASURE(" +
                  real(model.eastings) + "),IFCLENGTHMEASURE(" + real(model.northings) + "),0.)");
        else
            w.add("IFCMAPCONVERSION(" + ref(context) + "," + ref(crs) + "," + real(model.eastings) +
                  "," + real(model.northings) + ",0.," + real(model.abscissa) + "," +
                  real(model.ordinate) + "," + real(model.scale) + ")");
    }
    std::vector<std::int64_t> alignments;
    std::int64_t own_axes = axes;
    if (model.placement_east != 0 || model.placement_north != 0 || model.placement_turn != 0) {
        const std::int64_t at = w.add("IFCCARTESIANPOINT((" + real(model.placement_east) + "," +
                                      real(model.placement_north) + ",0.))");
        const std::int64_t x_axis = w.add("IFCDIRECTION((" + real(std::cos(model.placement_turn)) +
                                          "," + real(std::sin(model.placement_turn)) + ",0.))");
        own_axes = w.add("IFCAXIS2PLACEMENT3D(" + ref(at) + ",$," + ref(x_axis) + ")");
    }
    for (const IfcAlignmentData& a : model.alignments)
        alignments.push_back(
            write_ifc_alignment(w, a, axes, own_axes, model.footprint ? context : 0).alignment);
    w.add("IFCRELAGGREGATES(" + w.guid() + ",$,$,$," + ref(project) + "," + list(alignments) + ")");
    return "ISO-10303-21;\nHEADER;\nFILE_DESCRIPTION(('ViewDefinition "
           "[Alignment-basedView]'),'2;1');\n"
           "FILE_NAME(" +
           step_string(model.file_name) +
           ",'2026-12-10T00:00:00',(''),(''),'Qelt','Qelt','');\nFILE_SCHEMA(('" + model.schema +
           "'));\nENDSEC;\nDATA;\n" + w.data() + "ENDSEC;\nEND-ISO-10303-21;\n";
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
