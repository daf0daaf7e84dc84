#pragma once
// What every reader of a designed line (LandXML, IFC) must give for a line it builds, whatever
// the bytes it was built from: finite ends in order, every piece finite and after the one before,
// the chain breaks within the table's capacity, and a profile's elevations finite.
#include <cmath>

#include "alignment/alignment.h"
#include "fuzz_files.h"

namespace qelt::fuzz {

inline void check_line(const Alignment& a) {
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
}

}  // namespace qelt::fuzz
