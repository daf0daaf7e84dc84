#include "input/station_equations.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "base/text.h"
#include "input/landxml/landxml_document.h"
#include "station/station.h"

namespace qelt {

namespace {

// Coordinates and stations are exported to the millimetre: a station before an equation that
// misses the one reached by no more is rounding, beyond it the file contradicts itself.
constexpr double kStationMissRefused = 1e-3;  // metres
// Slot dl_count + 1 of the chain-break table holds the end of the line.
constexpr int kMaxChainBreaks = kChainBreakSlots - 2;

}  // namespace

ChainBreaks build_station_equations(
    std::vector<StationEquation> equations, const EquationLine& line,
    const std::function<DataError(std::size_t, const std::string&)>& refused) {
    std::vector<std::size_t> order(equations.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return equations[a].at < equations[b].at;
    });
    ChainBreaks breaks;
    std::size_t previous = 0;  // the equation of the last break
    for (const std::size_t k : order) {
        const StationEquation& q = equations[k];
        if (!(q.at >= line.from - kStationMissRefused && q.at <= line.to + kStationMissRefused))
            throw refused(k, q.name + " 的 " + q.field + " " + short_number_text(q.at) +
                                 " 在线路之外（线路从 " + short_number_text(line.from) + " 到 " +
                                 short_number_text(line.to) + "）");
        const int i = breaks.dl_count + 1;
        // The station shown here before the equation: the continuous mileage less what the
        // earlier equations took out.
        const double reached = line.origin + q.at - dl_shift(breaks, i - 1);
        if (q.back && !(std::abs(*q.back - reached) <= kStationMissRefused))
            throw refused(k, q.name + " 的 " + q.back_field + " " + short_number_text(*q.back) +
                                 " 与该处的桩号 " + short_number_text(reached) + " 相差 " +
                                 discrepancy(std::abs(*q.back - reached)));
        const double back = q.back.value_or(reached);
        if (line.jumps_only && std::abs(q.ahead - back) <= kStationMissRefused) continue;
        if (i > kMaxChainBreaks)
            throw refused(k, q.name + "：断链超过 " + std::to_string(kMaxChainBreaks) +
                                 " 个，超出程序的容量");
        // The chain-break file's "-1 -1" line says "no chain breaks": such a first break would
        // be dropped without a word.
        if (i == 1 && back == -1)
            throw refused(k, q.name +
                                 " 的断前桩号为 -1，与断链资料中表示“无断链”的 -1 相同，"
                                 "无法作为断链使用");
        if (i > 1 && !(back > breaks.dl_after[i - 1]))
            throw refused(k, q.name + " 与 " + equations[previous].name + " 位于同一处（" +
                                 q.field + " " + short_number_text(q.at) +
                                 "）：两个断链之间应有一段线路");
        breaks.dl_before[i] = back;
        breaks.dl_after[i] = q.ahead;
        breaks.dl_count = static_cast<std::int16_t>(i);
        previous = k;
    }
    return breaks;
}

}  // namespace qelt
