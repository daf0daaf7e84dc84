// The route group's stake list (.sta): the stakes its 逐桩坐标表 and cross sections stand at,
// the regular ones and those the design put at its key points and structures.
#include <string>
#include <vector>

#include "input/hintcad/hintcad_lines.h"
#include "station/station.h"

namespace qelt {

namespace {

// Where two mileages are one stake (a nanometre-scale rounding of the file's millimetres).
constexpr double kSamePoint = 1e-6;

}  // namespace

std::vector<double> hintcad_read_stakes(LineSource& file, const Alignment& alignment) {
    HintcadLines in(file, HintcadKind::stakes);
    const double start = alignment.start_mileage(), end = alignment.end_mileage();
    std::vector<double> stakes;
    std::string station, before;
    long serial = 0;
    while (in.next()) {
        if (in.fields().size() > 2)
            in.refuse("这一行应为“桩号 序号”（序号可省），实有 " +
                      std::to_string(in.fields().size()) + " 项");
        const double mileage = in.mileage(0, alignment.breaks, station);
        // The suite numbers its stakes 1, 2, …: a gap is a line lost or typed over.
        if (in.fields().size() == 2) {
            const long number = in.count(1, "序号");
            if (!stakes.empty() && number != serial + 1)
                in.refuse("序号" + as_typed(in.fields()[1]) + "应为 " + std::to_string(serial + 1) +
                          "：上一行的序号是 " + std::to_string(serial));
            serial = number;
        }
        if (!stakes.empty())
            in.refuse_unless_after(mileage, stakes.back(), "上一行的桩号 " + before, "桩号应递增");
        // A stake off the line has no point on it: another line's list, or a typing error.
        if (mileage < start - kSamePoint || mileage > end + kSamePoint)
            in.refuse("桩号" + as_typed(in.fields()[0]) + "不在线路上（线路自 " +
                      zh_station_of(alignment.breaks, start).text + " 至 " +
                      zh_station_of(alignment.breaks, end).text + "）");
        stakes.push_back(mileage);
        before = station;
    }
    if (stakes.empty()) in.refuse("文件中没有桩号");
    return stakes;
}

}  // namespace qelt
