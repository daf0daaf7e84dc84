#include "app/forms/looks.h"

#include <algorithm>
#include <cmath>

namespace qelt::forms {

namespace {

constexpr Rgb kBoreholeOrange{0xf0, 0xa0, 0x30};
constexpr Rgb kMinimiseGrey{0x5d, 0x6d, 0x7e};
constexpr Rgb kCloseRed{0xc0, 0x39, 0x2b};

// The road of the mark is a cubic Bézier curve, handed to the front ends as a polyline: lines
// are drawn alike by every toolkit, and 24 chords of it stray less than a tenth of a pixel from
// the curve at the largest size the mark is shown (a 64-pixel icon).
std::vector<PicturePoint> bezier(PicturePoint p0, PicturePoint p1, PicturePoint p2,
                                 PicturePoint p3) {
    constexpr int kChords = 24;
    std::vector<PicturePoint> points;
    points.reserve(kChords + 1);
    for (int i = 0; i <= kChords; ++i) {
        const double t = static_cast<double>(i) / kChords, u = 1 - t;
        const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
        points.push_back(
            {a * p0.x + b * p1.x + c * p2.x + d * p3.x, a * p0.y + b * p1.y + c * p2.y + d * p3.y});
    }
    return points;
}

// The program's mark in the unit square: a road curving up across a blue square between two
// boreholes.
Picture road_mark() {
    return {1.0,
            {
                {ShapeKind::rounded_fill, kProgramBlue, {{0, 0}, {1, 1}}, 1.0 / 6},
                {ShapeKind::stroke, kWhite,
                 bezier({0.15, 0.9}, {0.3, 0.3}, {0.7, 0.7}, {0.85, 0.1}), 1.0 / 8},
                {ShapeKind::disc, kBoreholeOrange, {{0.72, 0.62}}, 0.1},
                {ShapeKind::disc, kBoreholeOrange, {{0.3, 0.35}}, 0.1},
            }};
}

// The caption strip's marks on a 16-unit grid (the 16 pixels of a small caption button): a
// white bar low on grey for minimise, a white cross on red for close, as title bars show them.
Picture strip_mark(bool cross) {
    Picture picture{16.0,
                    {{ShapeKind::rounded_fill,
                      cross ? kCloseRed : kMinimiseGrey,
                      {{0.5, 0.5}, {15.5, 15.5}},
                      3}}};
    if (cross) {
        picture.shapes.push_back({ShapeKind::stroke, kWhite, {{5, 5}, {11, 11}}, 2});
        picture.shapes.push_back({ShapeKind::stroke, kWhite, {{11, 5}, {5, 11}}, 2});
    } else {
        picture.shapes.push_back({ShapeKind::stroke, kWhite, {{4.5, 11}, {11.5, 11}}, 2});
    }
    return picture;
}

}  // namespace

Rgb band_colour(double t) {
    t = std::clamp(t, 0.0, 1.0);
    const auto mix = [t](std::uint8_t a, std::uint8_t b) {
        return static_cast<std::uint8_t>(std::lround(a + (b - a) * t));
    };
    return {mix(kBandLeft.r, kBandRight.r), mix(kBandLeft.g, kBandRight.g),
            mix(kBandLeft.b, kBandRight.b)};
}

std::string html_colour(Rgb colour) {
    static const char hex[] = "0123456789abcdef";
    std::string out = "#";
    for (const std::uint8_t channel : {colour.r, colour.g, colour.b}) {
        out += hex[channel >> 4];
        out += hex[channel & 0xF];
    }
    return out;
}

const Picture& picture_of(Look look) {
    static const Picture mark = road_mark();
    static const Picture minimise = strip_mark(false);
    static const Picture close = strip_mark(true);
    static const Picture none;
    switch (look) {
        case Look::road_mark:
            return mark;
        case Look::minimise_mark:
            return minimise;
        case Look::close_mark:
            return close;
        default:
            return none;
    }
}

}  // namespace qelt::forms
