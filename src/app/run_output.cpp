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

bool write_pending_line_table(PendingFile& file, LineTableKind kind, const Alignment& alignment,
                              const std::string& project_line, double every,
                              const Terrain* ground) {
    QuietStandardError quiet;
    std::string error;
    errno = 0;
    if (!write_line_table_xlsx(file.temporary(), kind, alignment, project_line, every, error,
                               ground))
        file.fail(errno);
    return !file.failed();
}

}  // namespace qelt
