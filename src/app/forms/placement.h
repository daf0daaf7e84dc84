#pragma once
// Window placement, worked in the desktop's logical unit: the twip (1/1440 inch), 15 to the pixel
// at the usual 96 dots per inch. Positions and sizes of windows are in twips and describe the
// outer rectangle, frame included; what the window system reports (the cursor, a window's
// rectangle) is in pixels. Screen coordinates start at the primary screen's top left corner.
//
// These are plain functions of numbers so that every rule can be checked without a screen; each
// front end feeds them what its toolkit reports and applies the result. Where pixels are
// involved, the twips per pixel are a parameter: the Qt program works in Qt's device-independent
// pixels (always 15 twips), the Win32 program in the system's pixels (1440 / DPI twips).

#include <optional>

namespace qelt::forms {

inline constexpr int kTwipsPerPixel = 15;
inline constexpr int kTwipsPerInch = 1440;

// Twips per pixel on a screen of `dpi` dots per inch (15 at 96, 12 at 120, 10 at 144).
inline float twips_per_pixel(int dpi) {
    return dpi > 0 ? static_cast<float>(kTwipsPerInch) / static_cast<float>(dpi)
                   : static_cast<float>(kTwipsPerPixel);
}

// A window's outer rectangle in twips (single precision, as the placement arithmetic is done).
struct TwipRect {
    float left = 0, top = 0, width = 0, height = 0;
};
struct TwipPoint {
    float left = 0, top = 0;
};
// A rectangle in pixels as the window system gives it: right and bottom lie one past the last
// pixel, so right − left is the width.
struct PixelRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};
struct PixelPoint {
    int x = 0, y = 0;
};

// The rectangle in twips of a pixel rectangle (`twips_per_pixel` twips to the pixel).
TwipRect pixels_to_twips(const PixelRect& rect, float twips_per_pixel = kTwipsPerPixel);

// CenterForm: centred across the screen, a third of the free height from the top (not in the
// middle: the eye rests above the centre). All values in twips; the size is not changed.
TwipPoint center_form(float screen_width, float screen_height, float width, float height);

// CenterForm1: the promotional windows sit against the left or the right screen edge, a third of
// the free height from the top.
enum class ScreenEdge { left, right };
TwipPoint center_form1(ScreenEdge edge, float screen_width, float screen_height, float width,
                       float height);

// Pixel position given to the window system when a window at `position` (twips) is made topmost:
// x is the rounded quotient, y the integer quotient of the rounded twips by the rounded twips per
// pixel. The window keeps its size: at a fractional number of twips per pixel (7.5 at 192 DPI)
// the same integer division would shrink it.
PixelPoint topmost_position(TwipPoint position, float twips_per_pixel = kTwipsPerPixel);

// Pixel coordinate of a window edge moved to `twips` (rounded to the nearest pixel, halves to
// even).
int twips_to_pixels(float twips, float twips_per_pixel = kTwipsPerPixel);

// One step of the promotional windows' edge docking. Such a window slides almost out of sight
// against the edge it touches when the cursor is outside it, leaving a strip of 40 twips, and
// comes back when the cursor enters that strip.
//
// The window is taken as the window manager draws it: its frame, title bar and borders
// included, since that is what the user sees and points at. A window manager may also keep
// more of a hidden window on the screen than asked (some keep the width of a title bar); all of
// that strip must bring the window out, so the window system's own word that the pointer is
// over the window counts as well as the rectangle.
struct DockInput {
    PixelPoint cursor;  // pixels
    PixelRect frame;    // the window's frame as drawn, pixels
    float twips_per_pixel = kTwipsPerPixel;
    float screen_width = 0;  // twips
    bool minimised = false;
    bool pointer_over = false;  // the window system has the pointer over the window
};
struct DockMove {
    TwipPoint position;  // new top left corner of the frame, twips
    bool bring_to_front = false;
};
// The move to make, or nothing when the window stays where it is. The top edge takes precedence
// over the left edge, and the left over the right.
std::optional<DockMove> dock_step(const DockInput& in);

// How far the window edges reach: a window within 4 pixels of the top or left edge, or within
// 4 twips of the right edge, counts as touching it.
inline constexpr int kDockTouchPixels = 4;
inline constexpr float kDockTouchTwips = 4;
// Visible strip of a hidden window, twips.
inline constexpr float kDockStripTwips = 40;
// A window brought out lies this far past the edge, twips.
inline constexpr float kDockOvershootTwips = 10;

// The interval at which a docking window watches the cursor once armed, milliseconds. The
// window systems deliver timer events about every 16 ms at best; asking for 1 ms would only
// keep a processor core busy.
inline constexpr int kDockPollMs = 16;
// Delay before docking begins, milliseconds (the arming timer's interval).
inline constexpr int kDockArmMs = 5000;

}  // namespace qelt::forms
