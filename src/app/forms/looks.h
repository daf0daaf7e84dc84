#pragma once
// How the looks of forms.h are painted, as a description that names no toolkit: the colours as
// RGB values, and each picture look (the program's mark, the caption strip's two marks) as a
// list of shapes in the picture's own square. The Qt front end maps the shapes onto QPainter,
// the Win32 one onto GDI, and the program's icon is the mark again; neither draws a shape of
// its own, so the mark and its colours cannot drift apart between the two programs.
//
// Picture coordinates: the square 0..side × 0..side, x to the right, y downwards, as on the
// screen; a front end scales side to the control's pixels.

#include <cstdint>
#include <string>
#include <vector>

#include "app/forms/form.h"

namespace qelt::forms {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

// The program's blue: the mark's square and the promotional window's caption strip.
inline constexpr Rgb kProgramBlue{0x1f, 0x5f, 0x9f};
inline constexpr Rgb kWhite{0xff, 0xff, 0xff};
inline constexpr Rgb kLinkColour{0x06, 0x45, 0xad};    // Look::link: the usual link blue
inline constexpr Rgb kSloganColour{0x1f, 0x3f, 0x6f};  // Look::slogan, the page's heading
inline constexpr Rgb kStripColour = kProgramBlue;      // Look::caption_strip, under white text
inline constexpr Rgb kStripTextColour = kWhite;
inline constexpr Rgb kBandLeft = kWhite;            // Look::header_band, at its left edge
inline constexpr Rgb kBandRight{0xd6, 0xe4, 0xf2};  // and at its right edge

// The band's colour at `t` across it (0 its left edge, 1 its right; clamped), each channel
// interpolated linearly and rounded.
Rgb band_colour(double t);

// "#rrggbb", for style sheets and HTML.
std::string html_colour(Rgb colour);

struct PicturePoint {
    double x = 0, y = 0;
};

enum class ShapeKind {
    rounded_fill,  // a filled rectangle, points[0] its top left and points[1] its bottom right
                   // corner, with corners rounded to the radius `size`
    stroke,        // a line through all the points, `size` wide, with round ends and joins
    disc,          // a filled circle about points[0] of radius `size`
};

struct PictureShape {
    ShapeKind kind;
    Rgb colour;
    std::vector<PicturePoint> points;
    double size = 0;
};

struct Picture {
    double side = 0;                   // 0: the look has no picture
    std::vector<PictureShape> shapes;  // in the order they are painted, each over the ones before
};

// The picture of a picture look: road_mark, minimise_mark, close_mark. Each begins with its
// background, a rounded square that the rest lies on (outside it the picture is transparent,
// which is also the program icon's mask). For any other look a picture of side 0.
const Picture& picture_of(Look look);

}  // namespace qelt::forms
