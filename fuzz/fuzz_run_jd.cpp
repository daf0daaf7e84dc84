// A whole run of the intersection-point method on the in-memory sheet: alignment, chain-break
// and borehole file split from the input at form feeds.
#include <cmath>
#include <cstdint>
#include <string>
#include <variant>

#include "run_fuzz.h"
#include "support/sheet_model.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qelt;
    SheetModel sheet;
    fuzz::scratch();  // its folder is made once, not counted below
    const long files_before = fuzz::open_files();
    const RunResult result = fuzz::run_on_input(data, size, true, 3, sheet);
    QELT_FUZZ_CHECK(fuzz::open_files() == files_before);
    // Nothing is written before the table is begun.
    QELT_FUZZ_CHECK(sheet.opened == result.sheet_touched());
    if (!result.sheet_touched()) QELT_FUZZ_CHECK(sheet.cells.empty());
    QELT_FUZZ_CHECK(sheet.note_row.has_value() == (result.outcome == RunOutcome::complete));
    for (const auto& [where, value] : sheet.cells) {
        QELT_FUZZ_CHECK(where.first >= 1 && where.first <= kMaxSheetRows);
        QELT_FUZZ_CHECK(where.second >= 1 && where.second <= 6);
        if (const double* number = std::get_if<double>(&value))
            QELT_FUZZ_CHECK(std::isfinite(*number));
        if (where.second == 2 && where.first <= sheet.last_data_row() &&
            std::holds_alternative<std::string>(value))
            QELT_FUZZ_CHECK(!std::get<std::string>(value).empty());
    }
    if (result.outcome == RunOutcome::complete)
        QELT_FUZZ_CHECK(sheet.last_row() == *sheet.note_row);
    return 0;
}
