#include "app/forms/placement.h"

#include <cmath>

namespace qelt::forms {

namespace {

// The twips per pixel as a whole number, as the topmost call divides by it.
long whole_twips_per_pixel(float twips_per_pixel) {
    const long tpp = std::lrint(twips_per_pixel);
    return tpp > 0 ? tpp : 1;
}

}  // namespace

TwipRect pixels_to_twips(const PixelRect& rect, float twips_per_pixel) {
    return {static_cast<float>(rect.left) * twips_per_pixel,
            static_cast<float>(rect.top) * twips_per_pixel,
            static_cast<float>(rect.right - rect.left) * twips_per_pixel,
            static_cast<float>(rect.bottom - rect.top) * twips_per_pixel};
}

TwipPoint center_form(float screen_width, float screen_height, float width, float height) {
    return {(screen_width - width) / 2, (screen_height - height) / 3};
}

TwipPoint center_form1(ScreenEdge edge, float screen_width, float screen_height, float width,
                       float height) {
    const float left = edge == ScreenEdge::left ? 0.0f : screen_width - width;
    return {left, (screen_height - height) / 3};
}

PixelPoint topmost_position(TwipPoint position, float twips_per_pixel) {
    const long x = std::lrint(position.left / twips_per_pixel);
    // y: the twips rounded first, then divided as whole numbers (towards zero).
    const long y = std::lrint(position.top) / whole_twips_per_pixel(twips_per_pixel);
    return {static_cast<int>(x), static_cast<int>(y)};
}

int twips_to_pixels(float twips, float twips_per_pixel) {
    return static_cast<int>(std::lrint(twips / twips_per_pixel));
}

std::optional<DockMove> dock_step(const DockInput& in) {
    if (in.minimised) return std::nullopt;
    const TwipRect w = pixels_to_twips(in.frame, in.twips_per_pixel);
    const bool cursor_inside =
        in.pointer_over || (in.frame.left < in.cursor.x && in.cursor.x < in.frame.right &&
                            in.frame.top < in.cursor.y && in.cursor.y < in.frame.bottom);
    if (cursor_inside) {
        if (w.top < 0) return DockMove{{w.left, -kDockOvershootTwips}, true};
        if (w.left < 0) return DockMove{{-kDockOvershootTwips, w.top}, true};
        if (w.left + w.width >= in.screen_width)
            return DockMove{{in.screen_width - w.width + kDockOvershootTwips, w.top}, true};
        return std::nullopt;
    }
    if (in.frame.top <= kDockTouchPixels) return DockMove{{w.left, kDockStripTwips - w.height}};
    if (in.frame.left <= kDockTouchPixels) return DockMove{{kDockStripTwips - w.width, w.top}};
    if (in.screen_width - kDockTouchTwips <= w.left + w.width)
        return DockMove{{in.screen_width - kDockStripTwips, w.top}};
    return std::nullopt;
}

}  // namespace qelt::forms
