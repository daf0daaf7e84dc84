#include "app/gui/form_widgets.h"

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QHash>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleFactory>
#include <QTextBrowser>

#include "app/gui/clickable_label.h"

namespace qelt::gui {

namespace {

using forms::Action;
using forms::ControlKind;
using forms::Look;

// The program's mark: a road curving between two borehole points.
QPixmap road_mark(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0x1f, 0x5f, 0x9f));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(0, 0, size, size), size / 6.0, size / 6.0);
    QPainterPath road;
    road.moveTo(size * 0.15, size * 0.9);
    road.cubicTo(size * 0.3, size * 0.3, size * 0.7, size * 0.7, size * 0.85, size * 0.1);
    p.setPen(QPen(Qt::white, size / 8.0, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(road);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf0, 0xa0, 0x30));
    p.drawEllipse(QPointF(size * 0.72, size * 0.62), size / 10.0, size / 10.0);
    p.drawEllipse(QPointF(size * 0.3, size * 0.35), size / 10.0, size / 10.0);
    return pixmap;
}

// The two small pictures on the caption strip: a bar (minimise) and a cross (end the program).
QPixmap strip_mark(bool cross, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    p.setBrush(cross ? QColor(0xc0, 0x39, 0x2b) : QColor(0x5d, 0x6d, 0x7e));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
    if (cross) {
        p.drawLine(QPointF(5, 5), QPointF(11, 11));
        p.drawLine(QPointF(11, 5), QPointF(5, 11));
    } else {
        p.drawLine(QPointF(4.5, 11), QPointF(11.5, 11));
    }
    return pixmap;
}

// A frame as the windows were drawn: its caption on the border line, over a gap in it, and the
// border half a caption below the frame's top, so that the first option button lies clear
// inside it. Qt's Fusion style puts the caption above the border instead, which pushes the
// border onto the first option button; the classic Windows style draws it the old way.
QStyle* frame_style() {
    static QStyle* const style = [] {
        QStyle* s = QStyleFactory::create(QStringLiteral("Windows"));
        if (s) s->setParent(QCoreApplication::instance());
        return s;
    }();
    return style ? style : QApplication::style();
}

void apply_look(ClickableLabel& label, const forms::Control& c) {
    switch (c.look) {
        case Look::link:
            label.setStyleSheet(QStringLiteral("color: #0645ad; text-decoration: underline;"));
            break;
        case Look::slogan:
            label.setStyleSheet(QStringLiteral("font-weight: bold; color: #1f3f6f;"));
            break;
        case Look::header_band:
            label.setAutoFillBackground(true);
            label.setStyleSheet(
                QStringLiteral("background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 "
                               "#ffffff, stop:1 #d6e4f2);"));
            break;
        case Look::caption_strip:
            label.setAutoFillBackground(true);
            label.setStyleSheet(QStringLiteral("background:#1f5f9f; color:white;"));
            break;
        case Look::road_mark:
        case Look::minimise_mark:
        case Look::close_mark: {
            const QRect r = widget_rect(c);
            label.setPixmap(look_picture(c.look, std::min(r.width(), r.height())));
            break;
        }
        case Look::plain:
            break;
    }
    // The ways to the maker's site and mail show the hand.
    if (c.look == Look::link || c.action == Action::open_site || c.action == Action::open_mail)
        label.setCursor(Qt::PointingHandCursor);
}

}  // namespace

QRect widget_rect(const forms::Control& control) {
    const forms::PixelBox p = forms::to_pixels(control.rect);
    return {p.left, p.top, p.width, p.height};
}

QPixmap look_picture(Look look, int size) {
    switch (look) {
        case Look::road_mark:
            return road_mark(size);
        case Look::minimise_mark:
            return strip_mark(false, size);
        case Look::close_mark:
            return strip_mark(true, size);
        default:
            return {};
    }
}

QFont form_font() {
    QFont font;
    QStringList families;
    for (const char* face : forms::kFontFaces) families << QString::fromUtf8(face);
    font.setFamilies(families);
    font.setPointSize(forms::kFontPoints);
    return font;
}

void build_form(QWidget& window, const forms::Form& form, const std::function<void(Action)>& act) {
    window.setObjectName(QString::fromUtf8(form.name));
    window.setWindowTitle(QString::fromUtf8(form.caption));
    window.setFont(form_font());
    const forms::PixelBox size = forms::to_pixels({0, 0, form.width, form.height});
    window.setFixedSize(size.width, size.height);

    QHash<QString, QWidget*> built;
    for (const forms::Control& c : form.controls) {
        QWidget* parent = c.parent ? built.value(QString::fromUtf8(c.parent), &window) : &window;
        const QString caption = QString::fromUtf8(c.caption);
        const Action action = c.action;
        QWidget* widget = nullptr;
        switch (c.kind) {
            case ControlKind::frame:
                widget = new QGroupBox(caption, parent);
                widget->setStyle(frame_style());
                break;
            case ControlKind::option_button: {
                auto* option = new QRadioButton(caption, parent);
                option->setChecked(c.selected);
                widget = option;
                break;
            }
            case ControlKind::push_button: {
                auto* button = new QPushButton(caption, parent);
                // Enter presses the button that has the focus (取 消 reached with Tab must not
                // choose), else the default button.
                button->setAutoDefault(true);
                button->setDefault(c.default_button);
                if (action != Action::none)
                    QObject::connect(button, &QPushButton::clicked, &window,
                                     [act, action] { act(action); });
                widget = button;
                break;
            }
            case ControlKind::label:
            case ControlKind::picture: {
                auto* label = new ClickableLabel(caption, parent);
                apply_look(*label, c);
                if (action != Action::none) {
                    const auto signal = c.on_double_click ? &ClickableLabel::doubleClicked
                                                          : &ClickableLabel::clicked;
                    QObject::connect(label, signal, &window, [act, action] { act(action); });
                }
                widget = label;
                break;
            }
            case ControlKind::line: {
                auto* line = new QFrame(parent);
                line->setFrameShape(QFrame::HLine);
                line->setFrameShadow(QFrame::Sunken);
                widget = line;
                break;
            }
            case ControlKind::browser: {
                // Its links are the window's to follow (AdFrm).
                widget = new QTextBrowser(parent);
                break;
            }
            case ControlKind::list: {
                // The window fills it. Enter in it is left to the window's default button, so
                // only the double click is connected here.
                auto* list = new QListWidget(parent);
                list->setSelectionMode(QAbstractItemView::SingleSelection);
                list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
                if (action != Action::none)
                    QObject::connect(list, &QListWidget::itemDoubleClicked, &window,
                                     [act, action] { act(action); });
                widget = list;
                break;
            }
        }
        widget->setObjectName(QString::fromUtf8(c.name));
        widget->setGeometry(widget_rect(c));
        if (c.tip) widget->setToolTip(QString::fromUtf8(c.tip));
        built.insert(widget->objectName(), widget);
    }
}

}  // namespace qelt::gui
