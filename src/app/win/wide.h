#pragma once
// UTF-8, the program's one encoding, to and from the UTF-16 of the wide-character Windows calls,
// converted only where a call is made.

#include <string>
#include <string_view>

namespace qelt::win {

// Embedded NUL characters are kept (the open-file dialog's filter list is made of them).
std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view wide);

}  // namespace qelt::win
