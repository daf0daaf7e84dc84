#pragma once
// Interchange geometry: the difference series for a clothoid piece between two radii, the
// inflection split, the start-azimuth conversion, the chain build and the locate.
// Units and frame as in element_chain.h.

#include "htbas/element_chain.h"

namespace qelt {

// x(l2) − x(l1) and y(l2) − y(l1) of the clothoid with signed constant c, the difference formed
// inside each series term (so both ends share one stop rule). l1, l2 in metres from the
// zero-curvature point, may be negative.
double spiral_dx(double l1, double l2, double c);
double spiral_dy(double l1, double l2, double c);

// Replaces every inflection element (radii of opposite signs, neither 9999) by an exit
// transition to zero curvature followed by an entry transition, and copies the result into the
// working tables (ht_r1, ht_r2, ht_len, ht_count). Throws DataError when the chain would
// exceed the tables (more than 1000 during the split, more than 999 after it).
void ht_split_inflections(ElementChain& chain);

// ddd.mmss to decimal degrees (45.3020 -> 45.50555…). Minutes and seconds are not validated.
// Throws DataError for |v| >= 214748.3648, where the whole-number parts leave 32 bits.
double ht_dms_to_degrees(double v);

// Stations, azimuths (reduced to [0, 2π)) and coordinates of every element start and of the
// chain's end. Converts ht_start_azimuth from degrees to radians in place. Throws DataError
// for a radius of 0, a transition of length 0, a negative length or any non-finite result.
void ht_build_chain(ElementChain& chain);

// Point and tangent of the chain at a station p (metres). Stations before the chain or at and
// beyond its end lie on the straight extensions. The azimuth is not reduced.
void ht_locate(const ElementChain& chain, double p, double& x, double& y, double& azimuth);

}  // namespace qelt
