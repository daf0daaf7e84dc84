#include "app/run_output.h"

#include <cerrno>
#include <utility>

#include "base/platform.h"

namespace qelt {

bool PendingWorkbook::close() {
    // libxlsxwriter would tell of a failure itself, in English and naming the temporary file;
    // the reason is taken from errno instead.
    QuietStandardError quiet;
    std::string error;
    errno = 0;
    if (!table_.close(error)) file_.fail(errno);
    return !file_.failed();
}

namespace {

// Runs `write` (a workbook writer at a path, false with its reason) on the temporary name of
// `file`; the reason libxlsxwriter would print itself, in English and naming the temporary
// file, is taken from errno instead.
template <class Write>
bool write_pending(PendingFile& file, Write write) {
    QuietStandardError quiet;
    std::string error;
    errno = 0;
    if (!write(file.temporary(), error)) file.fail(errno);
    return !file.failed();
}

}  // namespace

bool write_pending_line_table(PendingFile& file, LineTableKind kind, const Alignment& alignment,
                              const std::string& project_line, double every) {
    return write_pending(file, [&](const std::string& path, std::string& error) {
        return write_line_table_xlsx(path, kind, alignment, project_line, every, error);
    });
}

bool write_pending_stake_table(PendingFile& file, std::ostream* csv, const Alignment& alignment,
                               StakeSource& stakes, bool ground, const std::string& project_line) {
    return write_pending(file, [&](const std::string& path, std::string& error) {
        return write_stake_table(path, csv, alignment, stakes, ground, project_line, error);
    });
}

}  // namespace qelt
