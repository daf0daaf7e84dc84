// The IFC 4.3 alignment reader on arbitrary file contents: every alignment of a file is either
// built, with a line as fuzz_line.h checks it, or refused with DataError, whatever the bytes.
#include <cstdint>
#include <string>

#include "base/data_error.h"
#include "fuzz_files.h"
#include "fuzz_line.h"
#include "input/formats.h"
#include "input/ifc/ifc_alignments.h"
#include "input/ifc/step.h"
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
            fuzz::check_line(a);
            try {
                dl_complete(a.breaks, a.start_mileage(), a.end_mileage());
            } catch (const DataError&) {
            }
        }
    } catch (const DataError&) {
    }
    return 0;
}
