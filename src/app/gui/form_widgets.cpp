#include "app/gui/form_widgets.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QHash>
#include <QListWidget>
#include <QPainter>
#include <QPolygonF>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleFactory>
#include <QTextBrowser>

#include "app/forms/looks.h"
#include "app/gui/clickable_label.h"

namespace qelt::gui {

namespace {

using forms::Action;
using forms::ControlKind;
using forms::Look;

QColor colour_of(forms::Rgb c) {
    return QColor(c.r, c.g, c.b);
}

QString css(forms::Rgb c) {
    return QString::fromStdString(forms::html_colour(c));
}

// The shapes of a picture of forms/looks.h, scaled from the picture's square onto `size` pixels.
QPixmap paint_picture(const forms::Picture& picture, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    if (!(picture.side > 0)) return pixmap;
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / picture.side, size / picture.side);
    const auto at = [](forms::PicturePoint q) { return QPointF(q.x, q.y); };
    for (const forms::PictureShape& shape : picture.shapes) {
        if (shape.points.empty()) continue;
        switch (shape.kind) {
            case forms::ShapeKind::rounded_fill:
                if (shape.points.size() < 2) break;
                p.setPen(Qt::NoPen);
                p.setBrush(colour_of(shape.colour));
                p.drawRoundedRect(QRectF(at(shape.points[0]), at(shape.points[1])), shape.size,
                                  shape.size);
                break;
            case forms::ShapeKind::stroke: {
                p.setPen(QPen(colour_of(shape.colour), shape.size, Qt::SolidLine, Qt::RoundCap,
                              Qt::RoundJoin));
                p.setBrush(Qt::NoBrush);
                QPolygonF line;
                for (const forms::PicturePoint& q : shape.points) line << at(q);
                p.drawPolyline(line);
                break;
            }
            case forms::ShapeKind::disc:
                p.setPen(Qt::NoPen);
                p.setBrush(colour_of(shape.colour));
                p.drawEllipse(at(shape.points[0]), shape.size, shape.size);
                break;
        }
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
            label.setStyleSheet(QStringLiteral("color: %1; text-decoration: underline;")
                                    .arg(css(forms::kLinkColour)));
            break;
        case Look::slogan:
            label.setStyleSheet(
                QStringLiteral("font-weight: bold; color: %1;").arg(css(forms::kSloganColour)));
            break;
        case Look::header_band:
            label.setAutoFillBackground(true);
            label.setStyleSheet(
                QStringLiteral("background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 %1, "
                               "stop:1 %2);")
                    .arg(css(forms::kBandLeft), css(forms::kBandRight)));
            break;
        case Look::caption_strip:
            label.setAutoFillBackground(true);
            label.setStyleSheet(QStringLiteral("background:%1; color:%2;")
                                    .arg(css(forms::kStripColour), css(forms::kStripTextColour)));
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
    const forms::Picture& picture = forms::picture_of(look);
    if (!(picture.side > 0)) return {};
    return paint_picture(picture, size);
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
            case ControlKind::check_box:
                widget = new QCheckBox(caption, parent);
                break;
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
