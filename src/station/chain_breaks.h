#pragma once
// The chain-break table (断链表). At chain break i the station counted so far (dl_before[i],
// 断前桩号) continues as dl_after[i] (断后桩号). Interval k (letter 'A' + k) runs from
// dl_after[k] to dl_before[k+1], both ends included. Element 0 is 0 and element dl_count + 1 is
// the station of the line's end, so at most 19 chain breaks fit.

#include <array>
#include <cstdint>

namespace qelt {

inline constexpr int kChainBreakSlots = 21;  // indices 0..20

struct ChainBreaks {
    std::int16_t dl_count = 0;
    std::array<double, kChainBreakSlots> dl_before{};
    std::array<double, kChainBreakSlots> dl_after{};
};

}  // namespace qelt
