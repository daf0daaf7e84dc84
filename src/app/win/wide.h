#pragma once
// UTF-8, the program's one encoding, to and from the UTF-16 of the wide-character Windows calls,
// converted only where a call is made.

#include <string>
#include <string_view>

#include "base/platform.h"

namespace qelt::win {

using qelt::narrow;
using qelt::widen;

}  // namespace qelt::win
