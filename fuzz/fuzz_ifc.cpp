// The IFC 4.3 alignment reader on arbitrary file contents: every alignment of a file is either
// built, with a line whose every piece is finite and follows the one before and a profile whose
// elevations are finite, or refused with DataError, whatever the bytes.
#include <cmath>
#include <cstdint>
#include <string>

#include "base/data_error.h"
#include "fuzz_files.h"
#include "input/formats.h"
#include "input/ifc_alignments.h"
#include "input/step.h"
#include "station/station.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qelt;
    static const fuzz::ScratchFolder folder;
    const std::string path = folder.write("model.ifc", {reinterpret_cast<const char*>(data), size});
    try {
        DetectedFile detected = detect_format(path);
        if (detected.format() != FileFormat::step) return 0;
        const StepFile file(detected);
        const IfcAlignments alignments(file);
        for (std::size_t i = 0; i < alignments.alignments().size(); ++i) {
            Alignment a;
            try {
                a = alignments.build(i);
            } catch (const DataError&) {
                continue;
            }
            QELT_FUZZ_CHECK(std::isfinite(a.start_mileage()) && std::isfinite(a.end_mileage()));
            QELT_FUZZ_CHECK(a.end_mileage() >= a.start_mileage());
            double last = a.start_mileage();
            for (const Piece& p : a.line.pieces()) {
                QELT_FUZZ_CHECK(p.start_mileage >= last && std::isfinite(p.start.x) &&
                                std::isfinite(p.start.y) && std::isfinite(p.start_azimuth));
                last = p.start_mileage;
            }
            QELT_FUZZ_CHECK(a.breaks.dl_count >= 0 && a.breaks.dl_count <= kChainBreakSlots - 2);
            if (a.profile)
                for (const GradePoint& g : a.profile->points())
                    QELT_FUZZ_CHECK(std::isfinite(*a.profile->elevation(g.mileage)));
            try {
                dl_complete(a.breaks, a.start_mileage(), a.end_mileage());
            } catch (const DataError&) {
            }
        }
    } catch (const DataError&) {
    }
    return 0;
}
