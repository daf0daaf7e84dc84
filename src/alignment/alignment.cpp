#include "alignment/alignment.h"

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

}  // namespace qelt
