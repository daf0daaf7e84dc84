// The alignment of a table job as the plan drawing shows it: the points engineers name on a main
// line and on a ramp.
#include <string>

#include "app/run.h"

namespace qelt {

namespace {

// Interior JD i carries a curve: its key points, ZH at the start of the entry transition, HY
// where the arc begins, QZ in the middle of the arc, YH where it ends and HZ at the end of the
// exit transition. A curve without a transition on one side begins (ZY, 直圆) or ends (YZ, 圆直)
// with its arc, where the transition's two points would fall together.
void main_line_points(const MainLine& m, PlanAlignment& plan) {
    const int n = m.jd_count;
    plan.line = &m.zx_line;
    for (int i = 1; i <= n; ++i) {
        const std::string& name = m.jd_name[i];
        plan.jds.push_back(
            {name.empty() ? "JD" + std::to_string(i - 1) : name, {m.jd_x[i], m.jd_y[i]}});
    }
    auto& keys = plan.key_points;
    keys.push_back({"起点", m.zx_line.start_mileage()});
    for (int i = 2; i <= n - 1; ++i) {
        if (m.zx_hy[i] > m.zx_zh[i]) {
            keys.push_back({"ZH", m.zx_zh[i]});
            keys.push_back({"HY", m.zx_hy[i]});
        } else {
            keys.push_back({"ZY", m.zx_zh[i]});
        }
        keys.push_back({"QZ", (m.zx_hy[i] + m.zx_yh[i]) / 2});
        if (m.zx_hz[i] > m.zx_yh[i]) {
            keys.push_back({"YH", m.zx_yh[i]});
            keys.push_back({"HZ", m.zx_hz[i]});
        } else {
            keys.push_back({"YZ", m.zx_hz[i]});
        }
    }
    keys.push_back({"终点", m.zx_line.end_mileage()});
}

// The kind of an element as its letter in the point names: Z 直线 (straight), Y 圆曲线 (arc),
// H 缓和曲线 (transition).
char kind(const Piece& piece) {
    if (piece.k0 == piece.k1) return piece.k0 == 0 ? 'Z' : 'Y';
    return 'H';
}

// A ramp has no JDs; its points are the boundaries between its elements, each named by the two
// kinds it joins (ZH, HY, YH, HZ, ZY, YZ), and GQ (公切点) where two curves of the same kind
// meet: two arcs of different radii, or two transitions at an inflection. Two straights in a
// row meet at no point worth a name.
void ramp_points(const ElementChain& chain, PlanAlignment& plan) {
    const LocatedLine& line = chain.ht_line;
    plan.line = &line;
    auto& keys = plan.key_points;
    keys.push_back({"起点", line.start_mileage()});
    const auto& pieces = line.pieces();
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        const char before = kind(pieces[i - 1]), after = kind(pieces[i]);
        if (before == 'Z' && after == 'Z') continue;
        keys.push_back({before == after ? std::string("GQ") : std::string{before, after},
                        pieces[i].start_mileage});
    }
    keys.push_back({"终点", line.end_mileage()});
}

}  // namespace

PlanAlignment TableJob::plan() const {
    PlanAlignment plan;
    plan.breaks = tables_->chain_breaks;
    if (method_ == Method::intersection_points)
        main_line_points(tables_->main_line, plan);
    else
        ramp_points(tables_->element_chain, plan);
    return plan;
}

}  // namespace qelt
