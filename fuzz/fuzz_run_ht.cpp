// A whole run of the building-block method written to a real .xlsx workbook: element file and
// borehole file split from the input at a form feed. The workbook must close cleanly whatever
// the run wrote into it.
#include <cstdint>
#include <cstdio>
#include <string>

#include "report/tables/xlsx_table.h"
#include "run_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qelt;
    const std::string path = fuzz::scratch().path("table.xlsx");
    const long files_before = fuzz::open_files();
    std::string error;
    {
        XlsxTable table(path);
        const RunResult result = fuzz::run_on_input(data, size, false, 2, table);
        (void)result;
        if (!table.close(error)) {
            std::fprintf(stderr, "workbook not written: %s\n", error.c_str());
            __builtin_trap();
        }
    }
    std::remove(path.c_str());
    QELT_FUZZ_CHECK(fuzz::open_files() == files_before);
    return 0;
}
