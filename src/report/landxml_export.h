#pragma once
// Placeholder until the LandXML writer lands.
#include <ostream>
#include <string>

#include "alignment/alignment.h"

namespace qelt {

void write_landxml(std::ostream& out, const Alignment& alignment, const std::string& name);

}  // namespace qelt
