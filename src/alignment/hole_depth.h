#pragma once
// How deep a planned borehole goes, as the borehole list gives it, and its depth and bottom
// elevation once the ground and the grade line at the hole are known. Pure: it reads no file;
// its refusals are texts for the caller to put after the file, the line and the hole.
//
// A hole is planned to a depth below its collar (孔深), down to an elevation (孔底, a bridge
// pier's holes ending in the bearing stratum the outline names), or to a depth below the design
// elevation at its station (设计下, how cuts are planned: the hole must pass the future subgrade).
// Units: metres; elevations in the height datum of the profile and the terrain.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qelt {

enum class DepthGiven : std::uint8_t {
    none,
    depth,         // 孔深D: D metres below the ground at the hole, D > 0
    bottom,        // 孔底Z: down to elevation Z
    below_design,  // 设计下N: down to N metres below the design elevation at the station, N > 0
};

struct DepthSpec {
    DepthGiven given = DepthGiven::none;
    double value = 0;  // D, Z or N, metres
    std::string text;  // the field as written ("孔深30"), for the texts that quote it
};

// What the list plans for a hole: its depth and its type (类别, the outline's 技术孔, 鉴别孔 …).
struct HolePlan {
    DepthSpec depth;
    std::string type;  // "" when not given
};

// The plan of a hole that gives its own fields over its group's: each field the hole gives
// replaces the group's, the others stay the group's.
HolePlan plan_over(const HolePlan& group, const HolePlan& hole);

// Reads `field` when it is one of the plan's words (孔深, 孔底, 设计下, 类别) into `plan` and
// returns true; false for any other field. A word written apart from its value ("孔深 30",
// "类别： 技术孔") takes `next` (empty when the line has no further field) and sets `took_next`.
// Throws DataError (no file, no line: the caller names them) quoting the field as written when
// it does not read whole ("孔深30m", "孔深", "孔深0", "设计下-5", "类别技术孔") or when the line
// gives a depth or a type twice.
bool read_plan_field(std::string_view field, std::string_view next, HolePlan& plan,
                     bool& took_next);

// The heights at a hole that the depth is read against, and for each one missing why, in the
// user's words ("没有给出地面模型", "钻孔在地面模型范围之外").
struct HeightsAtHole {
    std::optional<double> ground, design;
    std::string no_ground, no_design;
};

struct ResolvedDepth {
    std::optional<double> depth;             // metres below the collar
    std::optional<double> bottom_elevation;  // metres
    std::string refusal;                     // why the hole cannot be planned so; "" when it can
};

// The depth and the bottom elevation of a hole planned as `spec`: 孔深 gives the depth and,
// where the ground is known, bottom = ground − depth; 孔底 gives the bottom and needs the ground
// for depth = ground − bottom; 设计下 gives bottom = design − N and needs both. A bottom at or
// above the collar (a depth of zero or less) is refused: such a hole cannot be drilled.
ResolvedDepth resolve_depth(const DepthSpec& spec, const HeightsAtHole& at);

}  // namespace qelt
