// A planned hole's depth and type as a borehole list gives them (孔深, 孔底, 设计下, 类别 on a
// group line and on a hole line) and its depth and bottom against the heights at the hole: one
// list line each, read as the run reads it, to the numbers or the refusal.

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

#include "alignment/hole_depth.h"
#include "input/text/list_events.h"
#include "test_files.h"

namespace qelt {
namespace {

using testing::TempDir;

constexpr double kNone = NAN;

std::optional<double> given(double v) {
    return std::isnan(v) ? std::nullopt : std::optional<double>(v);
}

TEST(HolePlan, ListLineToDepthBottomTypeOrRefusal) {
    const struct {
        const char* group;  // the group line after "桥 1 "
        const char* hole;   // the hole line after "100 0 "
        double ground, design;
        double depth, bottom;  // kNone: an empty cell
        const char* type;
        const char* remark;
        const char* refusal;  // a part of it; "" when the hole is planned
    } cases[] = {
        {"", "ZK1", 318, 320, kNone, kNone, "", "ZK1", ""},
        {"孔深30", "ZK1", 318.25, kNone, 30, 288.25, "", "ZK1", ""},
        // The hole's own fields over its group's, in any order, the remark kept as written.
        {"孔深30 类别:技术孔", "孔深25 0#  桥台", 318, kNone, 25, 293, "技术孔", "0#  桥台", ""},
        {"类别：鉴别孔 交角75 @右线", "孔底300.5 类别:取样孔", 318.25, kNone, 17.75, 300.5,
         "取样孔", "", ""},
        {"设计下5", "右侧边坡", 330, 320.5, 14.5, 315.5, "", "右侧边坡", ""},
        {"孔深 20 类别： 标贯孔", "", kNone, kNone, 20, kNone, "标贯孔", "", ""},
        {"", "ZK1 孔深３０ 桥台", 300, kNone, 30, 270, "", "ZK1 桥台", ""},
        {"", "孔深30m", 300, kNone, kNone, kNone, "", "", "第 3 行：孔深“孔深30m”读不出数"},
        {"", "ZK1 孔深", 300, kNone, kNone, kNone, "", "", "孔深“孔深”读不出数"},
        {"", "孔深0", 300, kNone, kNone, kNone, "", "", "孔深“孔深0”应大于 0"},
        {"设计下-5", "", 300, 290, kNone, kNone, "", "",
         "第 2 行：分组“桥”的设计下“设计下-5”应大于 0"},
        {"", "孔深30 孔底300", 300, kNone, kNone, kNone, "", "",
         "孔深、孔底、设计下只能给一个，这一行给了“孔深30”和“孔底300”"},
        {"", "类别技术孔", 300, kNone, kNone, kNone, "", "", "类别“类别技术孔”缺少冒号"},
        {"类别:技术孔 类别:鉴别孔", "", 300, kNone, kNone, kNone, "", "", "类别给了两次"},
        {"", "孔底300", kNone, 310, kNone, kNone, "", "",
         "“孔底300”要由钻孔处的地面高程算出孔深，但没有地面"},
        {"设计下5", "", 300, kNone, kNone, kNone, "", "", "但没有设计"},
        {"", "孔底320", 318, kNone, kNone, kNone, "", "",
         "“孔底320”的孔底高程 320.000 不低于钻孔处的地面高程 318.000（孔深 -2.000 米）"},
        // A fill: 3 m below the grade line is still above the ground.
        {"设计下3", "", 300, 310, kNone, kNone, "", "", "不低于钻孔处的地面高程"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const std::string where = std::string(c.group) + " | " + c.hole;
        const auto list = read_grouped_list(
            dir.write("zk.txt", std::string("项目\n桥 1 ") + c.group + "\n100 0 " + c.hole + "\n"),
            ListKind::boreholes);
        std::string refusal;
        ListRow row;
        for (int guard = 0; guard < 5; ++guard) {
            const ListEvent& e = list->next();
            if (e.kind == ListEvent::Kind::refused) refusal = e.text;
            if (e.kind == ListEvent::Kind::row) row = e.row;
            if (e.kind == ListEvent::Kind::row || e.kind == ListEvent::Kind::refused) break;
        }
        ResolvedDepth depth;
        if (refusal.empty()) {
            depth = resolve_depth(row.plan.depth,
                                  {given(c.ground), given(c.design), "没有地面", "没有设计"});
            refusal = depth.refusal;
        }
        if (*c.refusal) {
            EXPECT_NE(refusal.find(c.refusal), std::string::npos) << where << ": " << refusal;
            continue;
        }
        EXPECT_EQ(refusal, "") << where;
        EXPECT_EQ(depth.depth, given(c.depth)) << where;
        EXPECT_EQ(depth.bottom_elevation, given(c.bottom)) << where;
        EXPECT_EQ(row.plan.type, c.type) << where;
        EXPECT_EQ(row.remark, c.remark) << where;
    }
}

}  // namespace
}  // namespace qelt
