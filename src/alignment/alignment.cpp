#include "alignment/alignment.h"

#include "alignment/placement.h"
#include "base/data_error.h"
#include "base/text.h"

namespace qelt {

namespace {

// The kind of a piece as its letter in the point names: Z 直线 (straight), Y 圆曲线 (arc),
// H 缓和曲线 (transition).
char kind(const Piece& piece) {
    if (piece.k0 == piece.k1) return piece.k0 == 0 ? 'Z' : 'Y';
    return 'H';
}

}  // namespace

std::vector<KeyPoint> element_key_points(const LocatedLine& line) {
    std::vector<KeyPoint> keys;
    keys.push_back({"起点", line.start_mileage()});
    const auto& pieces = line.pieces();
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        const char before = kind(pieces[i - 1]), after = kind(pieces[i]);
        if (before == 'Z' && after == 'Z') continue;
        keys.push_back({before == after ? std::string("GQ") : std::string{before, after},
                        pieces[i].start_mileage});
    }
    keys.push_back({"终点", line.end_mileage()});
    return keys;
}

void check_profile_reach(const Alignment& alignment, const std::string& file) {
    if (!alignment.profile) return;
    for (const GradePoint& point : alignment.profile->points()) {
        const double before = alignment.start_mileage() - point.mileage;
        const double after = point.mileage - alignment.end_mileage();
        if (!(before > kFarBeyondEnd || after > kFarBeyondEnd)) continue;
        std::string where = "变坡点 " + point.station;
        if (point.line > 0) where += "（第 " + std::to_string(point.line) + " 行）";
        throw DataError(where + "位于线路" +
                            (before > 0 ? "起点之前 " + fixed_text(before, 3)
                                        : "终点之后 " + fixed_text(after, 3)) +
                            " 米，超出线路两端 1 公里，不会是本线路的变坡点：桩号可能写错了，"
                            "请核对桩号",
                        file, point.line);
    }
}

}  // namespace qelt
