#include "app/win/look_drawing.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace qelt::win {

namespace {

using forms::Picture;
using forms::PicturePoint;
using forms::PictureShape;
using forms::ShapeKind;

// Picture units onto GDI's pixels, the picture's side onto `extent` pixels from (x, y): a point
// goes to the pixel it falls in, a fill from the pixel of its near edge to the one of its far
// edge (drawn without a pen, GDI leaves the last column and row of a RoundRect to what lies
// below), a width or radius to whole pixels, at least one. Picture values are decimal fractions:
// a product meant to be whole must not fall a hair short of it and lose a pixel.
struct Scale {
    int x, y;
    double k;  // pixels per picture unit

    static LONG whole(double v) { return static_cast<LONG>(std::floor(v + 1e-9)); }
    POINT point(PicturePoint p) const { return {x + whole(p.x * k), y + whole(p.y * k)}; }
    RECT span(PicturePoint from, PicturePoint to) const {
        return {x + whole(from.x * k), y + whole(from.y * k), x + whole(to.x * k) + 1,
                y + whole(to.y * k) + 1};
    }
    int length(double u) const { return std::max(1, static_cast<int>(whole(u * k))); }
};

// The rounded square of a rounded_fill in the brush and pen selected.
void round_rect(HDC dc, const Scale& scale, const PictureShape& shape) {
    const RECT r = scale.span(shape.points[0], shape.points[1]);
    const int corner = scale.length(2 * shape.size);
    RoundRect(dc, r.left, r.top, r.right, r.bottom, corner, corner);
}

void draw_shape(HDC dc, const Scale& scale, const PictureShape& shape) {
    if (shape.points.empty()) return;
    const COLORREF colour = colour_of(shape.colour);
    switch (shape.kind) {
        case ShapeKind::rounded_fill:
        case ShapeKind::disc: {
            if (shape.kind == ShapeKind::rounded_fill && shape.points.size() < 2) return;
            HBRUSH brush = CreateSolidBrush(colour);
            HGDIOBJ old_brush = SelectObject(dc, brush);
            HGDIOBJ old_pen = SelectObject(dc, GetStockObject(NULL_PEN));
            if (shape.kind == ShapeKind::rounded_fill) {
                round_rect(dc, scale, shape);
            } else {
                const POINT c = scale.point(shape.points[0]);
                const int r = scale.length(shape.size);
                Ellipse(dc, c.x - r, c.y - r, c.x + r + 1, c.y + r + 1);
            }
            SelectObject(dc, old_brush);
            SelectObject(dc, old_pen);
            DeleteObject(brush);
            break;
        }
        case ShapeKind::stroke: {
            LOGBRUSH solid{BS_SOLID, colour, 0};
            HPEN pen =
                ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND,
                             static_cast<DWORD>(scale.length(shape.size)), &solid, 0, nullptr);
            HGDIOBJ old_pen = SelectObject(dc, pen);
            std::vector<POINT> points;
            for (const PicturePoint& p : shape.points) points.push_back(scale.point(p));
            Polyline(dc, points.data(), static_cast<int>(points.size()));
            SelectObject(dc, old_pen);
            DeleteObject(pen);
            break;
        }
    }
}

}  // namespace

void draw_picture(HDC dc, const Picture& picture, int x, int y, int extent) {
    if (!(picture.side > 0) || extent <= 0) return;
    const Scale scale{x, y, extent / picture.side};
    for (const PictureShape& shape : picture.shapes) draw_shape(dc, scale, shape);
}

void paint_band(HDC dc, const RECT& area, LONG band_left, LONG band_width) {
    // Left to right across the band, one column at a time, whichever control shows a part of it.
    const LONG span = std::max(1L, band_width - 1);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DC_BRUSH));
    for (LONG x = area.left; x < area.right; ++x) {
        SetDCBrushColor(dc,
                        colour_of(forms::band_colour(static_cast<double>(x - band_left) / span)));
        PatBlt(dc, x, area.top, 1, area.bottom - area.top, PATCOPY);
    }
    SelectObject(dc, old);
}

HICON make_program_icon(int size) {
    const Picture& mark = forms::picture_of(forms::Look::road_mark);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP colour = CreateCompatibleBitmap(screen, size, size);
    HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
    ReleaseDC(nullptr, screen);

    HGDIOBJ old = SelectObject(dc, colour);
    RECT all{0, 0, size, size};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    draw_picture(dc, mark, 0, 0, size - 1);
    // The mask: transparent (1) outside the mark's background, its first shape.
    SelectObject(dc, mask);
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    if (!mark.shapes.empty() && mark.shapes[0].kind == ShapeKind::rounded_fill &&
        mark.shapes[0].points.size() >= 2) {
        HGDIOBJ old_brush = SelectObject(dc, GetStockObject(BLACK_BRUSH));
        HGDIOBJ old_pen = SelectObject(dc, GetStockObject(NULL_PEN));
        round_rect(dc, Scale{0, 0, (size - 1) / mark.side}, mark.shapes[0]);
        SelectObject(dc, old_brush);
        SelectObject(dc, old_pen);
    }
    SelectObject(dc, old);
    DeleteDC(dc);

    ICONINFO info{TRUE, 0, 0, mask, colour};
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(colour);
    DeleteObject(mask);
    return icon;
}

}  // namespace qelt::win
