#include "app/gui/window_geometry.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMargins>
#include <QScreen>
#include <QWidget>

namespace qelt::gui {

namespace {

QRect primary_screen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

QMargins own_frame(const QWidget& window) {
    const QRect frame = window.frameGeometry(), client = window.geometry();
    return {client.left() - frame.left(), client.top() - frame.top(),
            frame.right() - client.right(), frame.bottom() - client.bottom()};
}

// A new window's frame is not known at once on every window system (on X11 the window manager
// tells it some time after the window is shown); until then a framed window of the program
// tells its likely size. Null when the window's frame is known or nothing better is at hand.
QMargins frame_still_unknown(const QWidget& window) {
    if (!window.isWindow() || !own_frame(window).isNull()) return {};
    for (const QWidget* other : QApplication::topLevelWidgets()) {
        if (other == &window || !other->isVisible()) continue;
        const QMargins m = own_frame(*other);
        if (!m.isNull()) return m;
    }
    return {};
}

}  // namespace

TwipRect screen_twips() {
    const QRect s = primary_screen();
    return forms::pixels_to_twips({0, 0, s.width(), s.height()});
}

PixelRect frame_pixels(const QWidget& window) {
    const QRect f = window.frameGeometry()
                        .marginsAdded(frame_still_unknown(window))
                        .translated(-primary_screen().topLeft());
    return {f.x(), f.y(), f.x() + f.width(), f.y() + f.height()};
}

TwipRect frame_twips(const QWidget& window) {
    return forms::pixels_to_twips(frame_pixels(window));
}

PixelPoint cursor_pixels() {
    const QPoint p = QCursor::pos() - primary_screen().topLeft();
    return {p.x(), p.y()};
}

void move_to_pixels(QWidget& window, PixelPoint position) {
    // For a framed top-level window, move() places the outer frame; while the frame is still
    // unknown it places the inside, so the expected frame is allowed for.
    const QMargins unknown = frame_still_unknown(window);
    window.move(primary_screen().topLeft() + QPoint(position.x, position.y) +
                QPoint(unknown.left(), unknown.top()));
}

void move_to_twips(QWidget& window, TwipPoint position) {
    move_to_pixels(window,
                   {forms::twips_to_pixels(position.left), forms::twips_to_pixels(position.top)});
}

void center_form(QWidget& window) {
    const TwipRect screen = screen_twips();
    const TwipRect frame = frame_twips(window);
    move_to_twips(window,
                  forms::center_form(screen.width, screen.height, frame.width, frame.height));
}

}  // namespace qelt::gui
