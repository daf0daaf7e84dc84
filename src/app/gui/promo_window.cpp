#include "app/gui/promo_window.h"

#include <QTextBrowser>
#include <QTimer>

#include "app/forms/form.h"
#include "app/gui/form_widgets.h"
#include "app/gui/window_geometry.h"

namespace qelt::gui {

AdFrm::AdFrm(Side side, const GuiServices& services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), side_(side), services_(services) {
    setAttribute(Qt::WA_DeleteOnClose);
    build_form(*this, forms::promo_form(side_),
               [this](forms::Action action) { act_common(*this, services_, action); });
    browser_ = findChild<QTextBrowser*>(QStringLiteral("WebBrowser1"));
    // The page's link goes to the user's browser, and the user hears of it when none opens.
    browser_->setOpenLinks(false);
    connect(browser_, &QTextBrowser::anchorClicked, this,
            [this](const QUrl& url) { open_or_tell(services_, this, url); });

    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    connect(timer1_, &QTimer::timeout, this, &AdFrm::dock);
    timer2_ = new QTimer(this);
    timer2_->setObjectName(QStringLiteral("Timer2"));
    timer2_->setInterval(forms::kDockArmMs);
    connect(timer2_, &QTimer::timeout, this, [this] {
        if (!timer1_->isActive()) timer1_->start(forms::kDockPollMs);
    });
    timer2_->start();

    // Load: against the edge, on top of other windows, then the page.
    place();
    browser_->setHtml(
        QString::fromStdString(forms::promo_page_html(page().toString().toStdString())));
}

void AdFrm::place() {
    CenterForm1(this);
    const TwipRect frame = frame_twips(*this);
    move_to_pixels(*this, forms::topmost_position({frame.left, frame.top}));
}

void AdFrm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Placed again once shown, when the window system may have told the frame's size, so
    // that the right-hand window's frame ends at the screen edge.
    if (!placed_when_shown_) {
        placed_when_shown_ = true;
        place();
    }
}

QUrl AdFrm::page() const {
    return QUrl(QString::fromStdString(forms::promo_page_url(side_)));
}

void AdFrm::CenterForm1(QWidget* frm) {
    const TwipRect screen = screen_twips();
    const TwipRect frame = frame_twips(*frm);
    move_to_twips(
        *frm, forms::center_form1(side_, screen.width, screen.height, frame.width, frame.height));
}

void AdFrm::CenterForm(QWidget* frm) {
    center_form(*frm);
}

void AdFrm::dock() {
    forms::DockInput in;
    in.cursor = cursor_pixels();
    in.frame = frame_pixels(*this);
    in.screen_width = screen_twips().width;
    in.minimised = isMinimized();
    // Where the window manager keeps more of the window on the screen than asked, Qt still
    // tells the place it asked for; the pointer's entering the window is the window system's
    // own word.
    in.pointer_over = underMouse();
    const std::optional<forms::DockMove> move = forms::dock_step(in);
    if (!move) return;
    const QPoint before = pos();
    move_to_twips(*this, move->position);
    if (move->bring_to_front && pos() != before) {
        show();
        raise();
    }
}

}  // namespace qelt::gui
