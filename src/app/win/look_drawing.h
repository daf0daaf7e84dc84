#pragma once
// The looks of forms/looks.h drawn with GDI: a picture's shapes scaled onto a square of pixels,
// the header band's gradient, and the program's icon, which is the mark again. The shapes and
// colours are the description's; here they are only turned into pixels.

#include <windows.h>

#include "app/forms/looks.h"

namespace qelt::win {

inline COLORREF colour_of(forms::Rgb c) {
    return RGB(c.r, c.g, c.b);
}

// Paints `picture` at (x, y), its side scaled onto `extent` pixels. A picture whose background
// reaches its edges (the mark) fills a square of n pixels at extent n − 1, its far edge falling
// on the last pixel; one whose background keeps half a unit off them (the strip's marks) at
// extent n.
void draw_picture(HDC dc, const forms::Picture& picture, int x, int y, int extent);

// Paints the header band's gradient over `area`, for a band whose left edge lies at `band_left`
// and which is `band_width` pixels wide (in the coordinates of `area`; a control showing part
// of the band paints its part).
void paint_band(HDC dc, const RECT& area, LONG band_left, LONG band_width);

// The program's icon: its mark at `size` pixels, transparent outside the mark's rounded square.
HICON make_program_icon(int size);

}  // namespace qelt::win
