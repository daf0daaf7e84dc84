#include "app/gui/window_geometry.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace qelt::gui {

namespace {

QRect primary_screen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

}  // namespace

TwipRect screen_twips() {
    const QRect s = primary_screen();
    return {0, 0, static_cast<float>(s.width() * kTwipsPerPixel),
            static_cast<float>(s.height() * kTwipsPerPixel)};
}

PixelRect frame_pixels(const QWidget& window) {
    const QRect f = window.frameGeometry().translated(-primary_screen().topLeft());
    return {f.x(), f.y(), f.x() + f.width(), f.y() + f.height()};
}

TwipRect frame_twips(const QWidget& window) {
    const PixelRect f = frame_pixels(window);
    return {static_cast<float>(f.left * kTwipsPerPixel), static_cast<float>(f.top * kTwipsPerPixel),
            static_cast<float>((f.right - f.left) * kTwipsPerPixel),
            static_cast<float>((f.bottom - f.top) * kTwipsPerPixel)};
}

PixelPoint cursor_pixels() {
    const QPoint p = QCursor::pos() - primary_screen().topLeft();
    return {p.x(), p.y()};
}

void move_to_pixels(QWidget& window, PixelPoint position) {
    // For a top-level window, move() places the outer frame.
    window.move(primary_screen().topLeft() + QPoint(position.x, position.y));
}

void move_to_twips(QWidget& window, TwipPoint position) {
    move_to_pixels(window, {twips_to_pixels(position.left), twips_to_pixels(position.top)});
}

void center_form(QWidget& window) {
    const TwipRect screen = screen_twips();
    const TwipRect frame = frame_twips(window);
    move_to_twips(window, center_form(screen.width, screen.height, frame.width, frame.height));
}

QFont songti_9pt() {
    QFont font;
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("NSimSun"),
                      QStringLiteral("WenQuanYi Micro Hei")});
    font.setPointSize(9);
    return font;
}

}  // namespace qelt::gui
