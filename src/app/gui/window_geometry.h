#pragma once
// The placement rules of forms/placement.h applied to Qt windows: what Qt reports, turned into
// twips measured from the primary screen's top left corner, and back. Qt's pixels are
// device-independent, so a pixel is always 15 twips here.

#include "app/forms/placement.h"

class QWidget;

namespace qelt::gui {

using forms::PixelPoint;
using forms::PixelRect;
using forms::TwipPoint;
using forms::TwipRect;

// The primary screen's size in twips.
TwipRect screen_twips();
// A window's outer rectangle (frame included, once the window system has framed it) in twips.
TwipRect frame_twips(const QWidget& window);
// The same rectangle in pixels, right and bottom one past the last pixel.
PixelRect frame_pixels(const QWidget& window);
// The cursor in pixels.
PixelPoint cursor_pixels();
// Moves a window's outer top left corner to `position` (twips).
void move_to_twips(QWidget& window, TwipPoint position);
// Moves a window's outer top left corner to `position` (pixels).
void move_to_pixels(QWidget& window, PixelPoint position);

// CenterForm on a Qt window.
void center_form(QWidget& window);

}  // namespace qelt::gui
