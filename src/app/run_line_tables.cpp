#include "app/run_line_tables.h"

#include <ostream>
#include <string>
#include <vector>

#include "base/data_error.h"
#include "report/landxml_export.h"

namespace qelt {

bool write_line_table_files(PendingFile& workbook, PendingFile* csv, LineTableKind kind,
                            const Alignment& alignment, const std::string& alignment_path,
                            double every, const Terrain* ground,
                            std::vector<std::string>* notices) {
    // Only the stake table stands on the ground.
    if (kind != LineTableKind::stakes) ground = nullptr;
    // A curve table asked of a line without JDs is refused before either file is begun.
    if (kind == LineTableKind::curves && alignment.jds.empty())
        throw DataError(kCurveTableNeedsJds, alignment_path);
    if (kind == LineTableKind::grades && !alignment.profile)
        throw DataError(kGradeTableNeedsProfile, alignment_path);
    if (csv) {
        std::ostream out(csv);
        write_line_table_csv(out, kind, alignment, every, ground);
        out.flush();
    }
    if (ground && notices) {
        const StakesOffGround off = stakes_off_ground(alignment, every, *ground);
        if (off.count > 0) {
            std::string named;
            for (const std::string& station : off.first)
                named += (named.empty() ? "" : "、") + station;
            if (off.count > static_cast<long>(off.first.size())) named += " 等";
            notices->push_back(std::to_string(off.count) + " 个桩在地面模型“" + ground->source() +
                               "”的范围之外，没有地面高程：" + named);
        }
    }
    return write_pending_line_table(workbook, kind, alignment,
                                    line_table_project_line(alignment, alignment_path), every,
                                    ground);
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
