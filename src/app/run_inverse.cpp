// The as-drilled run (坐标反算): after drilling, each hole's surveyed X, Y go back to the station
// and offset the design tables use, in the as-drilled table "钻孔桩号及偏距表".

#include <cmath>
#include <memory>
#include <string>

#include "app/run.h"
#include "app/run_steps.h"
#include "base/data_error.h"
#include "input/readers.h"
#include "report/borehole_record.h"
#include "station/station.h"

namespace qelt {

namespace {

class AsDrilledRun : public TableRun {
  public:
    using TableRun::TableRun;

  private:
    void parse_row(const std::string& line) override {
        pt_parse_point(line, point_.name, point_.x, point_.y, point_.remark);
    }
    BoreholeRecord write_row(long line) override;
    bool reads_as_row(const std::string& line) const override {
        BoreholeRecord point;
        try {
            pt_parse_point(line, point.name, point.x, point.y, point.remark);
            return true;
        } catch (const DataError&) {
            return false;
        }
    }

    BoreholeRecord point_;
};

BoreholeRecord AsDrilledRun::write_row(long line) {
    double mileage = 0;
    alignment_.line.nearest({point_.x, point_.y}, mileage, point_.offset);
    if (!std::isfinite(mileage) || !std::isfinite(point_.offset))
        throw row_failure("孔号" + point_.name + "的桩号无法计算（线形数据在此处无解）", line);
    // The station the borehole file would give for this point: in a long chain's overlap the
    // letter says which of the two places it is, so that the printed station read back in a
    // borehole file gives this point again.
    const StationOfMileage station = zh_station_of(alignment_.breaks, mileage);
    point_.station = station.text;
    point_.station_value = station.number;
    if (auto where = off_line(mileage, "桩号和距中线距离"))
        notice(line, "孔号" + point_.name + "的垂足（桩号" + point_.station + "）" + *where);
    BoreholeRecord record;
    record.name = point_.name;
    record.station = point_.station;
    record.station_value = point_.station_value;
    record.offset = point_.offset;
    record.x = point_.x;
    record.y = point_.y;
    record.remark = point_.remark;
    return record;
}

}  // namespace

RunResult run_as_drilled_table(RunUi& ui, AlignmentSource& source, Alignment& alignment,
                               RecordSink& records, RunProgress* progress) {
    return AsDrilledRun(ui, source, alignment, records, progress,
                        {kPointsDialog, "实测坐标资料文件", "实测坐标资料"})
        .run();
}

RunResult TableJob::run_as_drilled(RunUi& ui, RecordSink& records, RunProgress* progress) {
    return run_as_drilled_table(ui, *source_, alignment_, records, progress);
}

}  // namespace qelt
