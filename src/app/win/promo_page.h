#pragma once
// The page of a promotional window (the browser control of its form): its heading, and the
// rest of the page as a SysLink control whose link opens in the user's browser.

#include <windows.h>

#include <string>

namespace qelt::win {

inline constexpr const wchar_t* kPageClass = L"QeltPage";

// What a page window is created with (the lpParam of CreateWindowExW of kPageClass); read
// during the creation only.
struct PageSetup {
    std::wstring heading, markup;  // markup: the text of the link control
    HFONT font, heading_font;
    int dpi;
};

// Registers kPageClass (once, before the first window).
bool register_page_class(HINSTANCE instance);

}  // namespace qelt::win
