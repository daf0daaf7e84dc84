#pragma once
// UTF-8, the program's one encoding, to and from the UTF-16 of the wide-character Windows calls,
// converted only where a call is made.

#include <string>
#include <string_view>

#include "base/platform.h"

namespace qelt::win {

using qelt::widen;
// Embedded NUL characters are kept; what is not UTF-16 comes out as U+FFFD.
std::string narrow(std::wstring_view wide);

}  // namespace qelt::win
