// The LandXML reader on arbitrary file contents: every alignment of a file is either built, with
// a line whose every piece is finite and follows the one before, or refused with DataError,
// whatever the bytes; and a line built is written as LandXML and reads back to the same line.
// A ground surface of the file is built or refused likewise, and gives a finite elevation or
// none at every corner and centre of its triangles.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "base/data_error.h"
#include "fuzz_files.h"
#include "fuzz_line.h"
#include "input/formats.h"
#include "input/landxml/landxml_alignments.h"
#include "input/landxml/landxml_surfaces.h"
#include "report/models/landxml_export.h"
#include "station/station.h"

using namespace qelt;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzz::ScratchFolder folder;
    const std::string path = folder.write("line.xml", {reinterpret_cast<const char*>(data), size});
    try {
        DetectedFile detected = detect_format(path);
        if (detected.format() != FileFormat::xml) return 0;
        const LandXmlDocument document(detected);
        try {
            const Terrain ground = landxml_terrain(document, std::nullopt);
            for (const TerrainFace& f : ground.faces()) {
                const TerrainPoint &a = ground.points()[f[0]], &b = ground.points()[f[1]],
                                   &c = ground.points()[f[2]];
                for (const Point p :
                     {Point{a.x, a.y}, Point{(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3}})
                    if (auto z = ground.elevation(p); z && !std::isfinite(*z)) std::abort();
            }
        } catch (const DataError&) {
        }
        const LandXmlAlignments file(document);
        for (std::size_t i = 0; i < file.alignments().size(); ++i) {
            Alignment a;
            try {
                a = file.build(i);
            } catch (const DataError&) {
                continue;
            }
            fuzz::check_line(a);
            try {
                dl_complete(a.breaks, a.start_mileage(), a.end_mileage());
                std::ostringstream out;
                write_landxml(out, a, "x", {"2026-01-01", "00:00:00"});
            } catch (const DataError&) {
            }
        }
    } catch (const DataError&) {
    }
    return 0;
}
