// The design profile of a 纬地 line (.zdm).
#include <string>
#include <vector>

#include "base/data_error.h"
#include "base/utf8_path.h"
#include "input/hintcad/hintcad_lines.h"

namespace qelt {

namespace {

// The refusal of a file whose count line promises more lines than it holds.
[[noreturn]] void short_of(const HintcadLines& in, HintcadKind kind, long count, std::size_t got,
                           const char* what) {
    throw DataError(hintcad_file_name(kind) + "：第二行的" + what + "数为 " +
                        std::to_string(count) + "，文件中只有 " + std::to_string(got) + " 个",
                    in.path(), in.line());
}

}  // namespace

Profile hintcad_read_profile(LineSource& file, const ChainBreaks& breaks) {
    HintcadLines in(file, HintcadKind::profile);
    if (!in.next()) in.refuse("第一行之后没有数据：应为变坡点数");
    in.expect_fields(1, "变坡点数");
    const long count = in.count(0, "变坡点数");
    std::vector<GradePoint> points;
    while (in.next()) {
        if (static_cast<long>(points.size()) == count)
            in.refuse("第二行的变坡点数为 " + std::to_string(count) +
                      "，其后却还有变坡点：变坡点数与变坡点不符");
        if (in.fields().size() != 3) in.expect_fields(5, "桩号 高程 竖曲线半径 错台桩号 错台高差");
        GradePoint point;
        point.mileage = in.mileage(0, breaks, point.station);
        point.station = in.fields()[0];
        point.elevation = in.number(1, "高程");
        const double radius = in.number(2, "竖曲线半径");
        if (radius < 0) in.refuse("竖曲线半径" + as_typed(in.fields()[2]) + "是负数");
        if (radius > 0) {
            point.curve = VerticalCurveKind::parabola;
            point.radius = radius;
        }
        // A step (错台) is a ramp's, where two carriageways' grade lines part: a grade line
        // with a jump is not one a hole's design elevation can be read from.
        if (in.fields().size() == 5) {
            in.number(3, "错台桩号");
            if (in.number(4, "错台高差") != 0)
                in.refuse("变坡点带有错台（错台高差" + as_typed(in.fields()[4]) +
                          "）：有错台的纵断面不能用于钻孔的设计高程");
        }
        if (!points.empty())
            in.refuse_unless_after(point.mileage, points.back().mileage,
                                   "上一变坡点的桩号" + as_typed(points.back().station),
                                   "变坡点的桩号应递增");
        point.line = in.line();
        points.push_back(std::move(point));
    }
    if (static_cast<long>(points.size()) < count)
        short_of(in, HintcadKind::profile, count, points.size(), "变坡点");
    Profile profile = build_profile(std::move(points), in.path());
    profile.name = utf8_of(path_from_utf8(in.path()).stem());
    const std::string prefix = hintcad_file_name(HintcadKind::profile) + "“" +
                               utf8_of(path_from_utf8(in.path()).filename()) + "”：";
    for (std::string& notice : profile.notices) notice.insert(0, prefix);
    return profile;
}

}  // namespace qelt
