#include "app/run_line_tables.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "base/data_error.h"
#include "report/models/landxml_export.h"

namespace qelt {

namespace {

// The stake table's rows with the ground found under each stake once, here, and the stakes the
// ground does not cover counted for the notice.
class GroundedStakes final : public StakeSource {
  public:
    GroundedStakes(StakeSource& stakes, const Terrain* ground) : stakes_(stakes), ground_(ground) {}
    bool next(StakeRow& row) override {
        if (!stakes_.next(row)) return false;
        if (ground_) {
            row.ground_elevation = ground_->elevation(row.point);
            if (!row.ground_elevation && ++off_ground_ <= kNamed)
                off_named_ += (off_named_.empty() ? "" : "、") + row.station.text;
        }
        return true;
    }
    // The notice naming the stakes off the ground, the first few by station; "" for none.
    std::string notice() const {
        if (off_ground_ == 0) return {};
        return std::to_string(off_ground_) + " 个桩在地面模型“" + ground_->source() +
               "”的范围之外，没有地面高程：" + off_named_ + (off_ground_ > kNamed ? " 等" : "");
    }

  private:
    static constexpr long kNamed = 10;
    StakeSource& stakes_;
    const Terrain* ground_;
    long off_ground_ = 0;
    std::string off_named_;
};

}  // namespace

bool write_line_table_files(PendingFile& workbook, PendingFile* csv, LineTableKind kind,
                            const Alignment& alignment, const std::string& alignment_path,
                            double every, const Terrain* ground, std::vector<std::string>* notices,
                            const std::vector<double>* stakes) {
    // A curve table asked of a line without JDs is refused before either file is begun.
    if (kind == LineTableKind::curves && alignment.jds.empty())
        throw DataError(kCurveTableNeedsJds, alignment_path);
    if (kind == LineTableKind::grades && !alignment.profile)
        throw DataError(kGradeTableNeedsProfile, alignment_path);
    const std::string project_line = line_table_project_line(alignment, alignment_path);
    if (kind == LineTableKind::stakes) {
        // Only the stake table stands on the ground: both files in one pass over the stakes.
        std::optional<StakeRows> every_stake;
        std::optional<ListedStakeRows> listed;
        StakeSource& source = stakes ? static_cast<StakeSource&>(listed.emplace(alignment, *stakes))
                                     : every_stake.emplace(alignment, every);
        GroundedStakes grounded(source, ground);
        std::optional<std::ostream> out;
        if (csv) out.emplace(csv);
        const bool written = write_pending_stake_table(workbook, out ? &*out : nullptr, alignment,
                                                       grounded, ground != nullptr, project_line);
        if (out) out->flush();
        if (notices && !grounded.notice().empty()) notices->push_back(grounded.notice());
        return written;
    }
    if (csv) {
        std::ostream out(csv);
        write_line_table_csv(out, kind, alignment, every);
        out.flush();
    }
    return write_pending_line_table(workbook, kind, alignment, project_line, every);
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
