#pragma once
// Interchange geometry: the inflection split, the start-azimuth conversion, the chain build and
// the locate.
// Units and frame as in element_chain.h: metres; X north, Y east; azimuths in radians clockwise
// from +X; a positive radius or deflection turns right. The run calls, once per reading of the
// element file: ht_split_inflections, ht_build_chain; then ht_locate for every borehole.

#include <string>

#include "alignment/alignment.h"
#include "htbas/element_chain.h"

namespace qelt {

// Most elements the working chain may hold: the per-point tables need one entry beyond the
// last element for the chain's end.
inline constexpr int kMaxChainElements = kMaxElements - 1;

// Fills the working tables (ht_r1, ht_r2, ht_len, ht_count) from the input as read, every
// inflection element (radii of opposite signs, neither 9999) replaced by an exit transition to
// zero curvature followed by an entry transition. The input tables (ht_in_*) are left as read.
// Throws DataError (line 0) when the chain would exceed the tables (more than 999 elements after
// the split) or the count read is outside 0..1000; the working tables are then left as they
// were.
void ht_split_inflections(ElementChain& chain);

// ddd.mmss to decimal degrees (45.3020 -> 45.50555…). Minutes and seconds are not validated
// here: the element file's reader refuses 60 or more from the digits as written.
// Throws DataError for |v| >= 214748.3648, where the whole-number parts leave 32 bits, and for
// a value that is not finite.
double ht_dms_to_degrees(double v);

// Stations (metres), azimuths (radians, reduced to [0, 2π)), deflections and coordinates
// (metres) of every element start and of the chain's end, the start azimuth taken from
// ht_start_azimuth (ddd.mmss, left as it is). Throws DataError (line 0, the detail naming the
// element of the working chain with its radii and length) for: a start azimuth that
// ht_dms_to_degrees refuses; a negative length; a radius of 0; a
// transition (entry, exit, radius-to-radius) of length 0; radii of opposite signs left in the
// working chain; a count outside 0..999; an accumulated azimuth beyond 10000 turns; any value
// written that is not finite. The tables may be partly written when it throws.
void ht_build_chain(ElementChain& chain);

// Point and tangent of the chain at a station p (metres, the stationing of ht_start_station).
//   x, y     metres; X north, Y east
//   azimuth  radians clockwise from +X in the direction of increasing station, in [0, 2π)
// Stations before the chain or at and beyond its end lie on the straight extensions along the
// start and end tangents. A station on an element boundary belongs to the element starting
// there. Never throws; all three outputs are always written (NaN for a NaN station, or for a
// chain whose count the build would have refused). Valid only after ht_build_chain.
void ht_locate(const ElementChain& chain, double p, double& x, double& y, double& azimuth);

// The built chain as the alignment model: its located line (ht_line) and the boundaries between
// its elements as key points (element_key_points). A ramp has no chain breaks
// (ChainBreakSource::none). Its notices name, by their place in the element file and its
// lines (ht_in_line), every two elements that meet with radii of opposite signs (a reverse
// curve without a transition, almost always a lost minus sign); `file_name` is the file as the
// notices name it ("ht.txt"). Requires ht_build_chain to have run on `chain`.
Alignment ht_alignment(const ElementChain& chain, const std::string& file_name);

}  // namespace qelt
