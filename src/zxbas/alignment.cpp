// The main line as the alignment model: its located line, its JD polygon and the key points of
// its curves, numbered by the chain-break file the run asks for.
#include <string>

#include "zxbas/zxbas.h"

namespace qelt {

namespace {

// Interior JD i carries a curve: its key points, ZH at the start of the entry transition, HY
// where the arc begins, QZ in the middle of the arc, YH where it ends and HZ at the end of the
// exit transition. A curve without a transition on one side begins (ZY, 直圆) or ends (YZ, 圆直)
// with its arc, where the transition's two points would fall together.
std::vector<KeyPoint> curve_key_points(const MainLine& m) {
    const int n = m.jd_count;
    std::vector<KeyPoint> keys;
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
    return keys;
}

}  // namespace

Alignment zx_alignment(const MainLine& m) {
    Alignment alignment;
    alignment.line = m.zx_line;
    alignment.break_source = ChainBreakSource::file;
    const int n = m.jd_count;
    for (int i = 1; i <= n && i <= kMaxJd; ++i)
        alignment.jds.push_back({zx_jd_name(m, i), {m.jd_x[i], m.jd_y[i]}});
    alignment.key_points = curve_key_points(m);
    return alignment;
}

}  // namespace qelt
