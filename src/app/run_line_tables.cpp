#include "app/run_line_tables.h"

#include <ostream>

#include "base/data_error.h"
#include "report/landxml_export.h"

namespace qelt {

bool write_line_table_files(PendingFile& workbook, PendingFile* csv, LineTableKind kind,
                            const Alignment& alignment, const std::string& alignment_path,
                            double every) {
    // A curve table asked of a line without JDs is refused before either file is begun.
    if (kind == LineTableKind::curves && alignment.jds.empty())
        throw DataError(kCurveTableNeedsJds, alignment_path);
    if (kind == LineTableKind::grades && !alignment.profile)
        throw DataError(kGradeTableNeedsProfile, alignment_path);
    if (csv) {
        std::ostream out(csv);
        write_line_table_csv(out, kind, alignment, every);
        out.flush();
    }
    return write_pending_line_table(workbook, kind, alignment,
                                    line_table_project_line(alignment, alignment_path), every);
}

bool write_line_landxml(PendingFile& file, const Alignment& alignment, const std::string& name) {
    {
        std::ostream out(&file);
        write_landxml(out, alignment, name);
        out.flush();
    }
    return file.close() && !file.failed();
}

}  // namespace qelt
