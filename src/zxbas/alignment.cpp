// The main line as the alignment model: its located line, its JD polygon and the key points of
// its curves, numbered by the chain-break file the run asks for.
#include <string>

#include "zxbas/zxbas.h"

namespace qelt {

namespace {

// Interior JD i carries a curve: its key points, ZH at the start of the entry transition, HY
// where the arc begins, QZ halfway along the curve (ZH + L/2, the point the external distance
// is measured to), YH where the arc ends and HZ at the end of the exit transition. A curve
// without a transition on one side begins (ZY, 直圆) or ends (YZ, 圆直) with its arc, where the
// transition's two points would fall together. Each point knows its JD, so that a table can
// name it as the drawings do ("JD3 HY").
std::vector<KeyPoint> curve_key_points(const MainLine& m) {
    const int n = m.jd_count;
    std::vector<KeyPoint> keys;
    keys.push_back({"起点", m.zx_line.start_mileage()});
    for (int i = 2; i <= n - 1; ++i) {
        const std::string jd = zx_jd_name(m, i);
        const auto key = [&](const char* name, double mileage) {
            keys.push_back({name, mileage, jd});
        };
        if (m.zx_hy[i] > m.zx_zh[i]) {
            key("ZH", m.zx_zh[i]);
            key("HY", m.zx_hy[i]);
        } else {
            key("ZY", m.zx_zh[i]);
        }
        key("QZ", m.zx_zh[i] + m.zx_len[i] / 2);
        if (m.zx_hz[i] > m.zx_yh[i]) {
            key("YH", m.zx_yh[i]);
            key("HZ", m.zx_hz[i]);
        } else {
            key("YZ", m.zx_hz[i]);
        }
    }
    keys.push_back({"终点", m.zx_line.end_mileage()});
    return keys;
}

AlignmentJd jd_of(const MainLine& m, int i) {
    AlignmentJd jd;
    jd.name = zx_jd_name(m, i);
    jd.point = {m.jd_x[i], m.jd_y[i]};
    jd.mileage = m.jd_station[i];
    const bool interior = i >= 2 && i <= m.jd_count - 1;
    if (!interior) {
        // The start and end points lie on the line: every key mileage is their own.
        jd.zh = jd.hy = jd.yh = jd.hz = jd.mileage;
        return jd;
    }
    jd.radius = m.jd_r[i];
    jd.entry_length = m.jd_ls1[i];
    jd.exit_length = m.jd_ls2[i];
    jd.entry_radius = m.jd_r1[i];
    jd.exit_radius = m.jd_r2[i];
    jd.hairpin = m.jd_hairpin[i];
    jd.deflection = m.zx_defl[i];
    jd.t1 = m.zx_t1[i];
    jd.t2 = m.zx_t2[i];
    jd.length = m.zx_len[i];
    jd.zh = m.zx_zh[i];
    jd.hy = m.zx_hy[i];
    jd.yh = m.zx_yh[i];
    jd.hz = m.zx_hz[i];
    return jd;
}

}  // namespace

Alignment zx_alignment(const MainLine& m) {
    Alignment alignment;
    alignment.line = m.zx_line;
    alignment.break_source = ChainBreakSource::file;
    const int n = m.jd_count;
    for (int i = 1; i <= n && i <= kMaxJd; ++i) alignment.jds.push_back(jd_of(m, i));
    alignment.key_points = curve_key_points(m);
    return alignment;
}

}  // namespace qelt
