// The start azimuth of an element file is written the surveyor's way, ddd.mmss.

#include <cmath>
#include <cstdint>
#include <string>

#include "base/data_error.h"
#include "htbas/htbas.h"

namespace qelt {
namespace {

// 2^31 / 10000: from here on the whole-number parts of the conversion (10000·d) leave a 32-bit
// integer, which is the range the element file format has always accepted.
constexpr double kDmsLimit = 214748.3648;

}  // namespace

double ht_dms_to_degrees(double v) {
    if (!(std::abs(v) < kDmsLimit)) {  // also rejects NaN and infinities
        throw DataError("起始方位角 " + std::to_string(v) + " 超出范围", {}, 0);
    }
    const double sign = v > 0 ? 1.0 : (v < 0 ? -1.0 : 0.0);
    const double b = std::abs(v);
    const std::int32_t d = static_cast<std::int32_t>(std::floor(b));
    const std::int32_t m = static_cast<std::int32_t>(std::floor(100 * b - 100 * d));
    // Seconds keep their decimal fraction; minutes and seconds of 60 or more (12.75 is
    // 12° 75') are taken as they come: the reader has refused them in a file.
    const double s = 10000 * b - 10000 * d - 100 * m;
    return (m / 60.0 + d + s / 3600) * sign;
}

}  // namespace qelt
