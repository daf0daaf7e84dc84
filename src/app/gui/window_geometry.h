#pragma once
// The placement rules of placement.h applied to Qt windows: what Qt reports, turned into twips
// measured from the primary screen's top left corner, and back.

#include <QFont>

#include "app/gui/placement.h"

class QWidget;

namespace qelt::gui {

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

// 宋体 at 9 points where installed, else the nearest CJK face.
QFont songti_9pt();

}  // namespace qelt::gui
