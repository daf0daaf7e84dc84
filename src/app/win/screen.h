#pragma once
// The placement rules of forms/placement.h applied to Win32 windows: what the window system
// reports in the system's pixels (the program is DPI-aware at the system DPI), turned into twips
// measured from the primary screen's top left corner, and back.

#include <windows.h>

#include "app/forms/placement.h"

namespace qelt::win {

// The system's dots per inch, and the twips in one of its pixels (15 at 96 DPI).
int system_dpi();
float twips_per_pixel();

// The primary screen's size in twips.
forms::TwipRect screen_twips();
// A window's outer rectangle (frame included) in pixels and in twips.
forms::PixelRect window_pixels(HWND window);
forms::TwipRect window_twips(HWND window);
// The window's frame as drawn on the screen, in pixels: where the desktop window manager draws
// invisible borders round a window (Windows 10 and later), the rectangle without them;
// elsewhere the window's rectangle.
forms::PixelRect drawn_frame_pixels(HWND window);
// Moves the window so that the frame as drawn has its top left corner at `position` (twips).
void move_frame_to_twips(HWND window, forms::TwipPoint position);
// The cursor in pixels.
forms::PixelPoint cursor_pixels();
// Moves a window's outer top left corner to `position`, its size and stacking unchanged.
void move_to_pixels(HWND window, forms::PixelPoint position);
void move_to_twips(HWND window, forms::TwipPoint position);

// CenterForm on a window.
void center_form(HWND window);

}  // namespace qelt::win
