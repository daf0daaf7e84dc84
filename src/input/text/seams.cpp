#include "input/text/seams.h"

#include "base/data_error.h"
#include "base/text.h"

namespace qelt {

std::optional<std::string> seam_verdict(double gap, double turn, double noticed,
                                        const std::string& seam, const std::string& file,
                                        long line) {
    if (!(gap <= kSeamRefused))
        throw DataError(seam + fixed_text(gap, 3) + " m（超过 0.1 m）：这些线元连不成一条线路",
                        file, line);
    if (!(gap > noticed || turn > kTurnNoticed)) return std::nullopt;
    return seam + fixed_text(gap * 1000, 1) + " mm，方向相差 " +
           fixed_text(turn * kSecondsPerRadian, 1) + "″";
}

}  // namespace qelt
