// Station text and chain-break resolution on a fuzzed chain-break table: the checks must accept
// or reject every text, and an accepted station must lead to a mileage and a printed station
// without reading outside the table.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <regex>
#include <string>
#include <vector>

#include "fuzz_files.h"
#include "base/text.h"
#include "station/chain_breaks.h"
#include "station/station.h"

namespace {

using namespace qelt;

double station_value(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange(0, 3)) {
        case 0:
            return in.ConsumeIntegralInRange(-2000, 30000);
        case 1:
            return in.ConsumeIntegralInRange(-2000000, 30000000) / 1000.0;
        case 2:
            return -1;
        default:
            return in.ConsumeFloatingPoint<double>();
    }
}

// The table as the run hands it over: 0..19 chain breaks from the file (finite numbers), entry 0
// at station 0, entry count + 1 at the line's end, and no chain breaks at all when the first
// "before" station is -1.
ChainBreaks chain_breaks(FuzzedDataProvider& in) {
    ChainBreaks breaks;
    const int n = in.ConsumeIntegralInRange(0, kChainBreakSlots - 2);
    breaks.dl_count = static_cast<std::int16_t>(n);
    for (int i = 1; i <= n; ++i) {
        breaks.dl_before[i] = station_value(in);
        breaks.dl_after[i] = station_value(in);
    }
    breaks.dl_before[0] = breaks.dl_after[0] = 0;
    breaks.dl_before[n + 1] = breaks.dl_after[n + 1] = station_value(in);
    if (breaks.dl_before[1] == -1) breaks.dl_count = 0;
    return breaks;
}

bool printed_form(const std::string& printed) {
    static const std::regex form(R"(-?K([0-9]+\+[0-9]{3}(\.[0-9]{3})?|∞))");
    return std::regex_match(printed, form);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const ChainBreaks breaks = chain_breaks(in);
    const std::string text = in.ConsumeRemainingBytesAsString();

    // Printing needs no check first: any text prints, and a station that reads prints in
    // the form that reads back to the same number.
    std::string printed;
    zh_format(text, printed);
    QELT_FUZZ_CHECK(printed_form(printed));
    if (auto station = parse_station(text); station && std::isfinite(station->number) &&
                                            std::fabs(station->number) < 1e12) {
        auto back = parse_station(printed);
        // Rounded to the millimetre on the digits as written; the doubles either side of such a
        // half may lie a few units in the last place beyond it.
        QELT_FUZZ_CHECK(back && std::fabs(back->number - station->number) <=
                                    0.0005 + 1e-15 * std::fabs(station->number) + 1e-12);
    }

    // The run's stations are the first field of a borehole line: never blank, no blanks inside.
    const std::vector<std::string> fields = split_fields(text);
    const std::string station = fields.empty() ? std::string() : fields[0];

    std::string message;
    if (!zh_check(breaks, station, message)) {
        QELT_FUZZ_CHECK(!message.empty());
        return 0;
    }
    const LetteredStation result = zh_dlstr(breaks, station);
    QELT_FUZZ_CHECK(result.text.has_value() == result.message.empty());
    if (!result) return 0;
    const std::string& lettered = *result.text;
    // An accepted station names an interval of the table, or none when there are no breaks.
    // (The text's first letter may be the K of the kilometre form, which is no identifier.)
    const auto accepted = parse_station(lettered);
    QELT_FUZZ_CHECK(accepted.has_value());
    if (accepted->letter != 0)
        QELT_FUZZ_CHECK(accepted->letter - 'A' <= breaks.dl_count);
    else
        QELT_FUZZ_CHECK(breaks.dl_count == 0);
    double mileage = NAN;
    zh_mileage(breaks, lettered, mileage);
    // Overflow may give an infinity (the run refuses it), never NaN: finite breaks cannot cancel
    // one.
    QELT_FUZZ_CHECK(!std::isnan(mileage));
    zh_format(lettered, printed);
    QELT_FUZZ_CHECK(printed_form(printed));
    for (int i = 0; i <= breaks.dl_count + 1; ++i) {
        (void)short_number_text(breaks.dl_before[i]);
        (void)short_number_text(breaks.dl_after[i]);
    }
    return 0;
}
