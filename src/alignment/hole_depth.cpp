#include "alignment/hole_depth.h"

#include "base/data_error.h"
#include "base/limits.h"
#include "base/text.h"

namespace qelt {

namespace {

constexpr std::string_view kDepthWord = "孔深", kBottomWord = "孔底", kBelowWord = "设计下",
                           kTypeWord = "类别";

// The depth words, what each gives, and how the refusal says it must be written.
struct DepthWord {
    std::string_view word;
    DepthGiven given;
    bool positive;  // a depth, not an elevation: more than zero
    const char* form;
};
constexpr DepthWord kDepthWords[] = {
    {kDepthWord, DepthGiven::depth, true,
     "孔深写作钻孔处地面以下的深度（米），只写数，如 孔深30、孔深25.5"},
    {kBottomWord, DepthGiven::bottom, false, "孔底写作孔底的高程（米），只写数，如 孔底320.5"},
    {kBelowWord, DepthGiven::below_design, true,
     "设计下写作孔底在钻孔桩号处设计高程以下的深度（米），只写数，如 设计下5"},
};

std::string quoted(std::string_view word, std::string_view field) {
    return std::string(word) + "“" + std::string(field) + "”";
}

// The field as written with its value when the two were typed apart ("孔深 30").
std::string_view joined(std::string_view field, std::string_view next) {
    return {field.data(), static_cast<std::size_t>(next.data() + next.size() - field.data())};
}

void read_depth(const DepthWord& w, std::string_view field, std::string_view value,
                HolePlan& plan) {
    const std::optional<double> number = parse_folded_number(fold_fullwidth_digits(value));
    if (!number) throw DataError(quoted(w.word, field) + "读不出数：" + w.form);
    if (w.positive && !(*number > 0))
        throw DataError(quoted(w.word, field) + "应大于 0：" + w.form);
    if (plan.depth.given != DepthGiven::none)
        throw DataError("孔深、孔底、设计下只能给一个，这一行给了“" + plan.depth.text + "”和“" +
                        std::string(field) + "”");
    plan.depth = {w.given, *number, std::string(field)};
}

void read_type(std::string_view field, std::string_view type, HolePlan& plan) {
    if (type.empty())
        throw DataError(quoted(kTypeWord, field) +
                        "缺少类别名称：写作 类别:技术孔（冒号后不空格）");
    if (utf8_length(type) > kMaxCellText)
        throw DataError("类别超过 " + std::to_string(kMaxCellText) + " 个字符");
    if (!plan.type.empty())
        throw DataError("类别给了两次（" + plan.type + "、“" + std::string(field) +
                        "”），只能给一个");
    plan.type = std::string(type);
}

}  // namespace

HolePlan plan_over(const HolePlan& group, const HolePlan& hole) {
    HolePlan plan = group;
    if (hole.depth.given != DepthGiven::none) plan.depth = hole.depth;
    if (!hole.type.empty()) plan.type = hole.type;
    return plan;
}

bool read_plan_field(std::string_view field, std::string_view next, HolePlan& plan,
                     bool& took_next) {
    took_next = false;
    for (const DepthWord& w : kDepthWords) {
        if (!field.starts_with(w.word)) continue;
        // "孔深 30", typed with a blank, is the same depth as "孔深30".
        if (field == w.word && !next.empty()) {
            took_next = true;
            read_depth(w, joined(field, next), next, plan);
        } else {
            read_depth(w, field, field.substr(w.word.size()), plan);
        }
        return true;
    }
    if (!field.starts_with(kTypeWord)) return false;
    std::string_view rest = field.substr(kTypeWord.size());
    if (rest.starts_with(":"))
        rest.remove_prefix(1);
    else if (rest.starts_with("："))
        rest.remove_prefix(std::string_view("：").size());
    else
        throw DataError(quoted(kTypeWord, field) +
                        "缺少冒号：类别写作 类别:技术孔 或 类别：技术孔");
    if (rest.empty() && !next.empty()) {
        took_next = true;
        read_type(joined(field, next), next, plan);
    } else {
        read_type(field, rest, plan);
    }
    return true;
}

ResolvedDepth resolve_depth(const DepthSpec& spec, const HeightsAtHole& at) {
    ResolvedDepth out;
    const std::string quoted_field = "“" + spec.text + "”";
    switch (spec.given) {
        case DepthGiven::none:
            return out;
        case DepthGiven::depth:
            // The bottom follows only where the ground is known; the depth stands alone.
            out.depth = spec.value;
            if (at.ground) out.bottom_elevation = *at.ground - spec.value;
            return out;
        case DepthGiven::bottom:
            if (!at.ground) {
                out.refusal = quoted_field + "要由钻孔处的地面高程算出孔深，但" + at.no_ground;
                return out;
            }
            out.bottom_elevation = spec.value;
            break;
        case DepthGiven::below_design:
            if (!at.design || !at.ground) {
                out.refusal = quoted_field +
                              "要由钻孔桩号处的设计高程和钻孔处的地面高程算出孔深，但" +
                              (at.design ? at.no_ground : at.no_design);
                return out;
            }
            out.bottom_elevation = *at.design - spec.value;
            break;
    }
    out.depth = *at.ground - *out.bottom_elevation;
    // A bottom at or above the collar: in a fill the design elevation lies above the ground,
    // and "5 m below it" may not reach below the ground at all.
    if (!(*out.depth > 0)) {
        out.refusal = quoted_field + "的孔底高程 " + fixed_text(*out.bottom_elevation, 3) +
                      " 不低于钻孔处的地面高程 " + fixed_text(*at.ground, 3) + "（孔深 " +
                      fixed_text(*out.depth, 3) + " 米），钻孔无法这样布置";
        out.depth.reset();
        out.bottom_elevation.reset();
    }
    return out;
}

}  // namespace qelt
