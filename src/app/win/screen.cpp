#include "app/win/screen.h"

#include <dwmapi.h>

namespace qelt::win {

int system_dpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

float twips_per_pixel() {
    return forms::twips_per_pixel(system_dpi());
}

forms::TwipRect screen_twips() {
    return forms::pixels_to_twips(
        {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, twips_per_pixel());
}

forms::PixelRect window_pixels(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return {r.left, r.top, r.right, r.bottom};
}

forms::TwipRect window_twips(HWND window) {
    return forms::pixels_to_twips(window_pixels(window), twips_per_pixel());
}

forms::PixelRect drawn_frame_pixels(HWND window) {
    RECT r{};
    if (DwmGetWindowAttribute(window, DWMWA_EXTENDED_FRAME_BOUNDS, &r, sizeof(r)) == S_OK &&
        r.right > r.left && r.bottom > r.top)
        return {r.left, r.top, r.right, r.bottom};
    return window_pixels(window);
}

void move_frame_to_twips(HWND window, forms::TwipPoint position) {
    // SetWindowPos places the window's rectangle: the invisible borders are added back.
    const forms::PixelRect outer = window_pixels(window), drawn = drawn_frame_pixels(window);
    const float tpp = twips_per_pixel();
    move_to_pixels(window, {forms::twips_to_pixels(position.left, tpp) - (drawn.left - outer.left),
                            forms::twips_to_pixels(position.top, tpp) - (drawn.top - outer.top)});
}

forms::PixelPoint cursor_pixels() {
    POINT p{};
    GetCursorPos(&p);
    return {p.x, p.y};
}

void move_to_pixels(HWND window, forms::PixelPoint position) {
    SetWindowPos(window, nullptr, position.x, position.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void move_to_twips(HWND window, forms::TwipPoint position) {
    const float tpp = twips_per_pixel();
    move_to_pixels(window, {forms::twips_to_pixels(position.left, tpp),
                            forms::twips_to_pixels(position.top, tpp)});
}

void center_form(HWND window) {
    const forms::TwipRect screen = screen_twips();
    const forms::TwipRect frame = window_twips(window);
    move_to_twips(window,
                  forms::center_form(screen.width, screen.height, frame.width, frame.height));
}

}  // namespace qelt::win
