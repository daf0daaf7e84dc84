// The LandXML reader on arbitrary file contents: every alignment of a file is either built, with
// a line whose every piece is finite and follows the one before, or refused with DataError,
// whatever the bytes; and a line built is written as LandXML and reads back to the same line.
#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>

#include "base/data_error.h"
#include "fuzz_files.h"
#include "input/formats.h"
#include "input/landxml_alignments.h"
#include "report/landxml_export.h"
#include "station/station.h"

namespace {

using namespace qelt;

void check_line(const Alignment& a) {
    QELT_FUZZ_CHECK(std::isfinite(a.start_mileage()) && std::isfinite(a.end_mileage()));
    QELT_FUZZ_CHECK(a.end_mileage() >= a.start_mileage());
    double last = a.start_mileage();
    for (const Piece& p : a.line.pieces()) {
        QELT_FUZZ_CHECK(p.start_mileage >= last && std::isfinite(p.start.x) &&
                        std::isfinite(p.start.y) && std::isfinite(p.start_azimuth));
        last = p.start_mileage;
    }
    QELT_FUZZ_CHECK(a.breaks.dl_count >= 0 && a.breaks.dl_count <= kChainBreakSlots - 2);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzz::ScratchFolder folder;
    const std::string path =
        folder.write("line.xml", {reinterpret_cast<const char*>(data), size});
    try {
        DetectedFile detected = detect_format(path);
        if (detected.format() != FileFormat::xml) return 0;
        const LandXmlDocument document(detected);
        const LandXmlAlignments file(document);
        for (std::size_t i = 0; i < file.alignments().size(); ++i) {
            Alignment a;
            try {
                a = file.build(i);
            } catch (const DataError&) {
                continue;
            }
            check_line(a);
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
