#pragma once
// The window description of forms/ mapped onto Qt widgets: each control of a form becomes the
// widget of its kind with its object name, caption, look and geometry (twips / 15, in Qt's
// device-independent pixels), inside the widget of its parent. Nothing is worked out here
// beyond that mapping.

#include <QFont>
#include <QPixmap>
#include <functional>

#include "app/forms/form.h"

class QWidget;

namespace qelt::gui {

// Gives `window` the form's object name, caption, font and fixed client size, and builds the
// form's controls in it. A control with an action calls `act` with it when clicked (or double
// clicked, where the form says so).
void build_form(QWidget& window, const forms::Form& form,
                const std::function<void(forms::Action)>& act);

// A control's rectangle in Qt's pixels, relative to its parent widget.
QRect widget_rect(const forms::Control& control);

// The picture of a picture control's look, `size` pixels square.
QPixmap look_picture(forms::Look look, int size);

// The forms' font: 宋体 at 9 points where installed, else the nearest CJK face.
QFont form_font();

}  // namespace qelt::gui
