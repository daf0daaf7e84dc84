// Inflection split: an element whose curvature changes sign inside it (an S-curve's reverse
// point lies within it) becomes an exit transition to zero curvature followed by an entry
// transition, so that every element of the working chain turns one way only.

#include <cmath>
#include <string>
#include <vector>

#include "base/data_error.h"
#include "htbas/htbas.h"

namespace qelt {
namespace {

bool is_inflection(double r1, double r2) {
    return r1 != kStraightRadius && r2 != kStraightRadius && r1 != r2 && r1 * r2 < 0;
}

}  // namespace

void ht_split_inflections(ElementChain& chain) {
    const int n = chain.ht_in_count;
    if (n < 0 || n > kMaxElements) {
        throw DataError("线元个数 " + std::to_string(n) + " 超出 0..1000", {}, 0);
    }
    std::vector<int> inflections;
    for (int i = 1; i <= n; ++i) {
        if (is_inflection(chain.ht_in_r1[i], chain.ht_in_r2[i])) inflections.push_back(i);
    }
    const int k = static_cast<int>(inflections.size());
    // Checked before anything is written, so a rejected chain leaves the working tables as they
    // were.
    if (n + k > kMaxChainElements) {
        throw DataError("拆分反向线元后共 " + std::to_string(n + k) + " 个线元，超过 999 个", {},
                        0);
    }

    // Worked on copies and then written to the working tables: the tables as read stay as they
    // were, for what names elements as the file gives them.
    ElementTable r1 = chain.ht_in_r1;
    ElementTable r2 = chain.ht_in_r2;
    ElementTable len = chain.ht_in_len;
    for (int j = 1; j <= k; ++j) {
        const int p = inflections[j - 1] + j - 1;  // j − 1 pieces were inserted before it
        for (int m = n + j; m >= p + 2; --m) {
            r1[m] = r1[m - 1];
            r2[m] = r2[m - 1];
            len[m] = len[m - 1];
        }
        // Curvature runs linearly from 1/R1 to 1/R2 and so passes zero at the fraction
        // |R2| / (|R1| + |R2|) of the length; that point becomes the joint of the two pieces.
        const double a = r1[p];
        const double b = r2[p];
        const double l = len[p];
        const double sum = std::abs(a) + std::abs(b);
        r1[p] = a;
        r2[p] = kStraightRadius;
        len[p] = l * std::abs(b) / sum;
        r1[p + 1] = kStraightRadius;
        r2[p + 1] = b;
        len[p + 1] = l * std::abs(a) / sum;
    }

    chain.ht_count = static_cast<std::int16_t>(n + k);
    for (int i = 1; i <= n + k; ++i) {
        chain.ht_r1[i] = r1[i];
        chain.ht_r2[i] = r2[i];
        chain.ht_len[i] = len[i];
    }
}

}  // namespace qelt
