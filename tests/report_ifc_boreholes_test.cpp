// The boreholes written into an IFC 4.3 model whose coordinates are not the grid's: each hole's
// linear placement read back with the STEP reader and located on the line the IFC reader builds
// from the same file (the table's point within 1e-6 m), its CartesianPosition carried into the
// grid by the model's own placement and map conversion, its body; the model kept byte for byte;
// the models that cannot take the holes; a new model's coordinate system. (The end-to-end test
// reads the models of the bundled example and of a typed line with web-ifc and back as lines.)
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <numbers>
#include <sstream>

#include "input/alignment_readers.h"
#include "input/documents.h"
#include "input/ifc/step.h"
#include "report/models/ifc_boreholes.h"
#include "support/ifc_writer.h"
#include "test_files.h"

namespace qelt {
namespace {

using testing::IfcModelData;
using testing::TempDir;
const std::string kExamples = std::string(QELT_SOURCE_DIR) + "/examples";

Alignment read_line(const std::string& path, const std::string& name) {
    Documents documents;
    return alignment_reader(documents.format(path), AlignmentFormat::jd_text)
        .read(documents, path, {name, {}});
}

// Holes on `line` at `mileages`, alternately left and right; the third on a skewed axis (60°
// to the line), the second with a planned depth, the fourth with a bottom under its ground.
std::vector<BoreholeRecord> holes_on(const Alignment& line,
                                     std::initializer_list<double> mileages) {
    std::vector<BoreholeRecord> records;
    int serial = 0;
    for (double m : mileages) {
        BoreholeRecord r;
        r.group = "桥";
        r.serial = ++serial;
        r.line = line.name;
        r.mileage = m;
        r.station = "K" + std::to_string(serial);
        r.offset = serial % 2 ? 6.5 : -8.25;
        Point c;
        double a = 0;
        line.line.locate(m, c, a);
        const double skew = serial == 3 ? std::numbers::pi / 3 : std::numbers::pi / 2;
        if (serial == 3) r.crossing_angle = 60;
        // Along the axis turned `skew` from the line's direction towards the left.
        r.x = c.x + r.offset * std::cos(a - skew);
        r.y = c.y + r.offset * std::sin(a - skew);
        if (serial == 2) r.depth = 35;
        if (serial == 4) r.ground_elevation = 101.5, r.bottom_elevation = 71.5;
        records.push_back(r);
    }
    return records;
}

struct WrittenHole {
    double along = 0, lateral = 0, longitudinal = 0, vertical = 0;
    double x = 0, y = 0, z = 0;  // the CartesianPosition, the model's x east and y north
    std::string body;            // the body's representation type
    double depth = 0;
};

// The holes of the model at `path`, its lengths (`per_metre` units a metre) in metres.
std::vector<WrittenHole> written_holes(const std::string& path, double per_metre) {
    const StepFile file(path);
    std::vector<WrittenHole> holes;
    for (const StepInstance* h : file.instances_of("IFCBOREHOLE")) {
        WrittenHole w;
        const StepInstance& lp = h->attribute(5, "ObjectPlacement").instance("IFCLINEARPLACEMENT");
        const StepInstance& e = lp.attribute(1, "RelativePlacement")
                                    .instance("IFCAXIS2PLACEMENTLINEAR")
                                    .attribute(0, "Location")
                                    .instance("IFCPOINTBYDISTANCEEXPRESSION");
        w.along = e.attribute(0, "DistanceAlong").typed("IFCLENGTHMEASURE").real();
        w.lateral = e.attribute(1, "OffsetLateral").real();
        w.vertical = e.attribute(2, "OffsetVertical").optional_real().value_or(0);
        w.longitudinal = e.attribute(3, "OffsetLongitudinal").optional_real().value_or(0);
        const std::vector<StepField> p = lp.attribute(2, "CartesianPosition")
                                             .instance()
                                             .attribute(0, "Location")
                                             .instance()
                                             .attribute(0, "Coordinates")
                                             .list();
        w.x = p[0].real(), w.y = p[1].real(), w.z = p[2].real();
        const StepInstance& shape = h->attribute(6, "Representation")
                                        .instance()
                                        .attribute(2, "Representations")
                                        .list()[0]
                                        .instance();
        w.body = shape.attribute(2, "RepresentationType").string();
        const StepInstance& item = shape.attribute(3, "Items").list()[0].instance();
        if (item.entity() == "IFCEXTRUDEDAREASOLID") w.depth = item.attribute(3, "Depth").real();
        for (double* v :
             {&w.along, &w.lateral, &w.longitudinal, &w.vertical, &w.x, &w.y, &w.z, &w.depth})
            *v /= per_metre;
        holes.push_back(w);
    }
    return holes;
}

// Each hole's distance along and offsets on `line` (read back from the written file) give the
// table's point; its CartesianPosition, carried into the grid by `to_grid`, too.
template <class ToGrid>
void expect_placed(const std::vector<WrittenHole>& holes,
                   const std::vector<BoreholeRecord>& records, const Alignment& line,
                   ToGrid to_grid) {
    ASSERT_EQ(holes.size(), records.size());
    for (std::size_t i = 0; i < holes.size(); ++i) {
        const WrittenHole& h = holes[i];
        const BoreholeRecord& r = records[i];
        Point c;
        double a = 0;
        line.line.locate(line.start_mileage() + h.along, c, a);
        const double x = c.x + h.lateral * std::sin(a) + h.longitudinal * std::cos(a);
        const double y = c.y - h.lateral * std::cos(a) + h.longitudinal * std::sin(a);
        EXPECT_NEAR(x, r.x, 1e-6) << "hole " << r.serial;
        EXPECT_NEAR(y, r.y, 1e-6) << "hole " << r.serial;
        EXPECT_NEAR(h.along, r.mileage - line.start_mileage(), 1e-9);
        const Point g = to_grid(h);
        EXPECT_NEAR(g.x, r.x, 1e-6) << "hole " << r.serial;
        EXPECT_NEAR(g.y, r.y, 1e-6) << "hole " << r.serial;
        EXPECT_EQ(h.vertical, h.z);
        EXPECT_EQ(h.body, r.depth || r.bottom_elevation ? "SweptSolid" : "CSG");
        // A planned depth, or the ground down to a planned bottom (101.5 − 71.5).
        EXPECT_EQ(h.depth, r.depth ? *r.depth : r.bottom_elevation ? 30 : 0);
    }
}

// The model in millimetres and degrees (its design scaled to them), without georeferencing.
IfcModelData in_millimetres_and_degrees(IfcModelData m) {
    m.length.prefix = "MILLI";
    m.angle = {"", "DEGREE", std::numbers::pi / 180};
    m.crs.clear();
    for (testing::IfcAlignmentData& a : m.alignments) {
        for (testing::IfcHorizontalSegment& s : a.horizontal) {
            for (double* v : {&s.x, &s.y, &s.start_radius, &s.end_radius, &s.length}) *v *= 1000;
            s.direction *= 180 / std::numbers::pi;
        }
        for (testing::IfcVerticalSegment& s : a.vertical) {
            for (double* v : {&s.start, &s.length, &s.height}) *v *= 1000;
            if (s.radius) *s.radius *= 1000;
        }
        for (testing::IfcStation& s : a.stations) {
            s.along *= 1000, s.station *= 1000;
            if (s.incoming) *s.incoming *= 1000;
        }
    }
    return m;
}

TEST(IfcBoreholes, TheModelTheLineCameFromKeepsEveryByteAndPlacesTheHolesInItsOwnFrame) {
    // The bundled lines in a model whose coordinates are local: each alignment shifted and
    // turned by its placement, the whole onto the grid by a turned map conversion with a false
    // origin and an orthogonal height; and in one of millimetres and degrees.
    IfcModelData local = testing::bundled_interchange(kExamples);
    local.footprint = true;
    local.placement_east = 120.5, local.placement_north = -80.25, local.placement_turn = 0.3;
    local.eastings = 1000, local.northings = 2000, local.abscissa = std::cos(0.2),
    local.ordinate = std::sin(0.2);
    // The model's own motion: the alignment's placement, then the map conversion.
    const auto local_to_grid = [&](const WrittenHole& h) {
        const double t = local.placement_turn, m = 0.2;
        const double e1 = local.placement_east + h.x * std::cos(t) - h.y * std::sin(t);
        const double n1 = local.placement_north + h.x * std::sin(t) + h.y * std::cos(t);
        return Point{local.northings + e1 * std::sin(m) + n1 * std::cos(m),
                     local.eastings + e1 * std::cos(m) - n1 * std::sin(m)};
    };
    const struct {
        IfcModelData model;
        double per_metre;
        std::function<Point(const WrittenHole&)> to_grid;
    } cases[] = {
        {local, 1, local_to_grid},
        {in_millimetres_and_degrees(testing::bundled_interchange(kExamples)), 1000,
         [](const WrittenHole& h) {
             return Point{h.y, h.x};
         }},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string original = testing::ifc_text(c.model);
        const std::string source = dir.write("model.ifc", original);
        const Alignment main = read_line(source, "主线");
        const Alignment ramp = read_line(source, "A匝道");
        std::vector<BoreholeRecord> records = holes_on(main, {11180, 14300.5});
        for (BoreholeRecord& r : holes_on(ramp, {150, 300, 560})) records.push_back(r);

        IfcBoreholeModel options;
        const StepFile parsed(source);
        options.source_model = &parsed;
        std::ostringstream out;
        const Alignment ramp_line[] = {ramp};
        write_ifc_boreholes(out, main, ramp_line, records, options);
        const std::string text = out.str();
        const std::string kept = original.substr(0, original.rfind("ENDSEC;"));
        ASSERT_EQ(text.substr(0, kept.size()), kept);
        EXPECT_EQ(text.substr(text.size() - 26), "ENDSEC;\nEND-ISO-10303-21;\n");
        const std::string path = dir.write("with-holes.ifc", text);

        const std::vector<WrittenHole> holes = written_holes(path, c.per_metre);
        const std::vector<BoreholeRecord> on_main(records.begin(), records.begin() + 2);
        const std::vector<BoreholeRecord> on_ramp(records.begin() + 2, records.end());
        expect_placed({holes.begin(), holes.begin() + 2}, on_main, read_line(path, "主线"),
                      c.to_grid);
        expect_placed({holes.begin() + 2, holes.end()}, on_ramp, read_line(path, "A匝道"),
                      c.to_grid);
        if (!c.model.footprint) continue;

        // Measured along each alignment's own curve, its FootPrint; no curve of the holes' own.
        const StepFile back(path);
        std::map<std::string, std::int64_t> footprint;
        for (const StepInstance* a : parsed.instances_of("IFCALIGNMENT"))
            footprint[a->attribute(2, "Name").string()] = a->attribute(6, "Representation")
                                                              .instance()
                                                              .attribute(2, "Representations")
                                                              .list()[0]
                                                              .instance()
                                                              .attribute(3, "Items")
                                                              .list()[0]
                                                              .reference();
        EXPECT_EQ(back.instances_of("IFCCOMPOSITECURVE").size(), 2u);
        std::size_t i = 0;
        for (const StepInstance* h : back.instances_of("IFCBOREHOLE"))
            EXPECT_EQ(h->attribute(5, "ObjectPlacement")
                          .instance()
                          .attribute(1, "RelativePlacement")
                          .instance()
                          .attribute(0, "Location")
                          .instance()
                          .attribute(4, "BasisCurve")
                          .reference(),
                      footprint[records[i++].line]);
    }
}

TEST(IfcBoreholes, AModelThatCannotTakeTheHolesIsRefusedByName) {
    TempDir dir;
    const Alignment main = read_line(
        dir.write("m.ifc", testing::ifc_text(testing::bundled_interchange(kExamples))), "主线");
    Alignment other = main;
    other.name = "B匝道";
    // The model as Notepad saves it as "Unicode": UTF-16LE after its byte-order mark.
    std::string utf16("\xFF\xFE", 2);
    for (char c : testing::ifc_text(testing::bundled_interchange(kExamples)))
        utf16 += std::string{c, '\0'};
    const std::string model = testing::ifc_text(testing::bundled_interchange(kExamples));
    // The same model saved again, one instance more, after the run read it.
    const std::string resaved = model.substr(0, model.find("#2=")) +
                                "#9999=IFCCARTESIANPOINT((0.,0.));\n" +
                                model.substr(model.find("#2="));
    const struct {
        std::string text;
        const Alignment* line;
        const char* refusal;
        std::string saved_again = {};
    } cases[] = {
        {testing::ifc_text(testing::bundled_interchange(kExamples)), &other, "没有线路“B匝道”"},
        {utf16, &main, "UTF-16"},
        {model, &main, "读入之后又被改过", resaved},
    };
    for (const auto& c : cases) {
        IfcBoreholeModel options;
        const StepFile parsed(dir.write("refused.ifc", c.text));
        if (!c.saved_again.empty()) dir.write("refused.ifc", c.saved_again);
        options.source_model = &parsed;
        std::ostringstream out;
        try {
            write_ifc_boreholes(out, *c.line, {}, holes_on(main, {11180}), options);
            ADD_FAILURE() << "not refused: " << c.refusal;
        } catch (const DataError& e) {
            EXPECT_NE(std::string(e.what()).find(c.refusal), std::string::npos) << e.what();
        }
    }
}

TEST(IfcBoreholes, TheGridSystemOfANewModel) {
    const auto records = [](double y) {
        BoreholeRecord r;
        r.y = y;
        return std::vector<BoreholeRecord>{r};
    };
    const struct {
        GridSystem grid;
        double y;
        const char* epsg;
    } cases[] = {
        {{"EPSG:4545", {}}, 500000, "EPSG:4545"},  // the user's, whatever it is
        {{"", 114.0}, 500000, "EPSG:4547"},        // 3° zone CM 114°E, no prefix
        {{"", 75.0}, 500000, "EPSG:4534"},
        {{"", 116.0}, 500000, ""},         // no CGCS2000 zone's meridian
        {{}, 38498953.0072, "EPSG:4526"},  // 3° zone 38 with its prefix
        {{}, 19500000, "EPSG:4497"},       // 6° zone 19 with its prefix
        {{}, 500000, ""},                  // nothing known: no georeferencing
    };
    for (const auto& c : cases) EXPECT_EQ(cgcs2000_epsg(c.grid, records(c.y)), c.epsg) << c.y;
}

}  // namespace
}  // namespace qelt
