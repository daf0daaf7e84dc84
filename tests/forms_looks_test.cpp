// The looks as the two front ends paint them: the pictures stay inside their square and on
// their background (outside it the icon is transparent and a control shows what lies below),
// read as what they stand for, and the colours keep text readable where it stands.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "app/forms/looks.h"

namespace qelt::forms {
namespace {

// WCAG relative luminance and contrast ratio: text wants at least 4.5 : 1 against what is
// behind it.
double luminance(Rgb c) {
    const auto linear = [](std::uint8_t v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.r) + 0.7152 * linear(c.g) + 0.0722 * linear(c.b);
}
double contrast(Rgb a, Rgb b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// How far a shape reaches beyond its points: half a line's width, a disc's radius.
double reach(const PictureShape& shape) {
    return shape.kind == ShapeKind::stroke ? shape.size / 2
           : shape.kind == ShapeKind::disc ? shape.size
                                           : 0;
}

struct PictureCase {
    Look look;
    const char* what;
};
constexpr PictureCase kPictures[] = {
    {Look::road_mark, "road_mark"},
    {Look::minimise_mark, "minimise_mark"},
    {Look::close_mark, "close_mark"},
};

TEST(LookPictures, EachLiesOnItsBackgroundInsideItsSquare) {
    for (const PictureCase& c : kPictures) {
        SCOPED_TRACE(c.what);
        const Picture& picture = picture_of(c.look);
        ASSERT_GT(picture.side, 0);
        ASSERT_GE(picture.shapes.size(), 2u);
        // The background: a rounded square filling the picture but for a sliver at most.
        const PictureShape& back = picture.shapes.front();
        ASSERT_EQ(back.kind, ShapeKind::rounded_fill);
        ASSERT_EQ(back.points.size(), 2u);
        const double s = picture.side;
        EXPECT_GE(back.points[0].x, 0);
        EXPECT_GE(back.points[0].y, 0);
        EXPECT_LE(back.points[1].x, s);
        EXPECT_LE(back.points[1].y, s);
        EXPECT_LE(back.points[0].x, 0.05 * s);
        EXPECT_LE(back.points[0].y, 0.05 * s);
        EXPECT_GE(back.points[1].x, 0.95 * s);
        EXPECT_GE(back.points[1].y, 0.95 * s);
        EXPECT_GT(back.size, 0);
        EXPECT_LE(back.size, s / 4) << "corners so round the square turns into a disc";
        for (std::size_t i = 1; i < picture.shapes.size(); ++i) {
            const PictureShape& shape = picture.shapes[i];
            SCOPED_TRACE("shape " + std::to_string(i));
            EXPECT_NE(shape.kind, ShapeKind::rounded_fill);
            EXPECT_GT(shape.size, 0);
            ASSERT_GE(shape.points.size(), shape.kind == ShapeKind::stroke ? 2u : 1u);
            const double r = reach(shape);
            for (const PicturePoint& p : shape.points) {
                EXPECT_GE(p.x - r, back.points[0].x);
                EXPECT_GE(p.y - r, back.points[0].y);
                EXPECT_LE(p.x + r, back.points[1].x);
                EXPECT_LE(p.y + r, back.points[1].y);
            }
            // Seen at 16 pixels, a shape must stand out from the square it lies on.
            EXPECT_GE(contrast(shape.colour, back.colour), 2.0);
        }
    }
}

TEST(LookPictures, OnlyPictureLooksHaveOne) {
    for (Look look :
         {Look::plain, Look::link, Look::slogan, Look::header_band, Look::caption_strip}) {
        EXPECT_EQ(picture_of(look).side, 0) << static_cast<int>(look);
        EXPECT_TRUE(picture_of(look).shapes.empty()) << static_cast<int>(look);
    }
}

bool segments_cross(PicturePoint a, PicturePoint b, PicturePoint c, PicturePoint d) {
    const auto side = [](PicturePoint p, PicturePoint q, PicturePoint r) {
        return (q.x - p.x) * (r.y - p.y) - (q.y - p.y) * (r.x - p.x);
    };
    return side(a, b, c) * side(a, b, d) < 0 && side(c, d, a) * side(c, d, b) < 0;
}

// As title bars show them: a white cross on red ends, a white bar low on grey minimises.
TEST(LookPictures, TheCaptionStripMarks) {
    const Picture& close = picture_of(Look::close_mark);
    const Rgb red = close.shapes.front().colour;
    EXPECT_GT(red.r, red.g + 0x40);
    EXPECT_GT(red.r, red.b + 0x40);
    ASSERT_EQ(close.shapes.size(), 3u);
    const PictureShape &a = close.shapes[1], &b = close.shapes[2];
    ASSERT_EQ(a.points.size(), 2u);
    ASSERT_EQ(b.points.size(), 2u);
    EXPECT_TRUE(segments_cross(a.points[0], a.points[1], b.points[0], b.points[1]));
    // Crossing in the middle of the square.
    const double mid = close.side / 2;
    for (const PictureShape* stroke : {&a, &b}) {
        EXPECT_EQ(stroke->colour, kWhite);
        EXPECT_NEAR((stroke->points[0].x + stroke->points[1].x) / 2, mid, close.side / 16);
        EXPECT_NEAR((stroke->points[0].y + stroke->points[1].y) / 2, mid, close.side / 16);
    }

    const Picture& minimise = picture_of(Look::minimise_mark);
    const Rgb grey = minimise.shapes.front().colour;
    const int channels[] = {grey.r, grey.g, grey.b};
    EXPECT_LE(*std::max_element(channels, channels + 3) - *std::min_element(channels, channels + 3),
              0x30);
    ASSERT_EQ(minimise.shapes.size(), 2u);
    const PictureShape& bar = minimise.shapes[1];
    EXPECT_EQ(bar.colour, kWhite);
    ASSERT_EQ(bar.points.size(), 2u);
    EXPECT_EQ(bar.points[0].y, bar.points[1].y);
    EXPECT_GT(bar.points[0].y, minimise.side / 2);
    EXPECT_GT(std::fabs(bar.points[1].x - bar.points[0].x), minimise.side / 3);
}

// The program's mark: a road curving up across the square, between two boreholes.
TEST(LookPictures, TheMarkIsARoadBetweenTwoBoreholes) {
    const Picture& mark = picture_of(Look::road_mark);
    const double s = mark.side;
    std::vector<const PictureShape*> roads, holes;
    for (const PictureShape& shape : mark.shapes) {
        if (shape.kind == ShapeKind::stroke) roads.push_back(&shape);
        if (shape.kind == ShapeKind::disc) holes.push_back(&shape);
    }
    ASSERT_EQ(roads.size(), 1u);
    ASSERT_EQ(holes.size(), 2u);
    const PictureShape& road = *roads[0];
    ASSERT_GE(road.points.size(), 8u) << "a curve drawn with too few chords shows its corners";
    const PicturePoint from = road.points.front(), to = road.points.back();
    EXPECT_GT(from.y, 0.75 * s);
    EXPECT_LT(to.y, 0.25 * s);
    // Curved: some point stands off the chord between its ends, and its chords are short.
    double off = 0, longest = 0;
    const double dx = to.x - from.x, dy = to.y - from.y, chord = std::hypot(dx, dy);
    for (std::size_t i = 0; i < road.points.size(); ++i) {
        const PicturePoint p = road.points[i];
        off = std::max(off, std::fabs((p.x - from.x) * dy - (p.y - from.y) * dx) / chord);
        if (i > 0)
            longest = std::max(longest,
                               std::hypot(p.x - road.points[i - 1].x, p.y - road.points[i - 1].y));
    }
    EXPECT_GT(off, 0.05 * s);
    EXPECT_LT(longest, 0.1 * s);
    // Two boreholes of one colour, apart from each other and from the road's ends.
    EXPECT_EQ(holes[0]->colour, holes[1]->colour);
    const auto distance = [](PicturePoint p, PicturePoint q) {
        return std::hypot(p.x - q.x, p.y - q.y);
    };
    EXPECT_GT(distance(holes[0]->points[0], holes[1]->points[0]), holes[0]->size + holes[1]->size);
    for (const PictureShape* hole : holes)
        for (PicturePoint end : {from, to})
            EXPECT_GT(distance(hole->points[0], end), hole->size + road.size / 2);
}

TEST(LookColours, TextStaysReadableWhereItStands) {
    struct Case {
        const char* what;
        Rgb text, behind;
    };
    const Case kCases[] = {
        {"caption strip", kStripTextColour, kStripColour},
        {"slogan on the band's left end", kSloganColour, band_colour(0)},
        {"slogan on the band's right end", kSloganColour, band_colour(1)},
        {"link on the window's grey", kLinkColour, {0xf0, 0xf0, 0xf0}},
        {"page heading on white", kSloganColour, kWhite},
    };
    for (const Case& c : kCases) EXPECT_GE(contrast(c.text, c.behind), 4.5) << c.what;
    // White text on the strip; the link and the slogan are blues.
    EXPECT_EQ(kStripTextColour, kWhite);
    for (Rgb blue : {kLinkColour, kSloganColour, kStripColour}) {
        EXPECT_GT(blue.b, blue.r);
        EXPECT_GE(blue.b, blue.g);
    }
}

// The header band: white at its left edge to a light blue at its right, without a band of
// another colour between.
TEST(LookColours, TheBandRunsFromWhiteToLightBlue) {
    EXPECT_EQ(band_colour(0), kWhite);
    const Rgb right = band_colour(1);
    EXPECT_GT(right.b, right.r);
    EXPECT_GT(luminance(right), 0.7);
    EXPECT_EQ(band_colour(-0.5), band_colour(0));
    EXPECT_EQ(band_colour(1.5), band_colour(1));
    Rgb before = band_colour(0);
    for (int i = 1; i <= 100; ++i) {
        const Rgb c = band_colour(i / 100.0);
        EXPECT_LE(c.r, before.r) << i;
        EXPECT_LE(c.g, before.g) << i;
        EXPECT_LE(c.b, before.b) << i;
        EXPECT_GE(c.r, right.r) << i;
        EXPECT_GE(c.g, right.g) << i;
        EXPECT_GE(c.b, right.b) << i;
        before = c;
    }
}

TEST(LookColours, HtmlColourIsSixLowerCaseHexDigits) {
    struct Case {
        Rgb colour;
        const char* html;
    };
    const Case kCases[] = {
        {{0, 0, 0}, "#000000"},
        {{0xff, 0x0a, 0xb0}, "#ff0ab0"},
        {{0x01, 0x10, 0xfe}, "#0110fe"},
    };
    for (const Case& c : kCases) EXPECT_EQ(html_colour(c.colour), c.html);
}

}  // namespace
}  // namespace qelt::forms
