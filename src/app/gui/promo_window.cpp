#include "app/gui/promo_window.h"

#include <QPainter>
#include <QTextBrowser>
#include <QTimer>

#include "app/gui/clickable_label.h"
#include "app/gui/maker.h"
#include "app/gui/window_geometry.h"

namespace qelt::gui {

namespace {

constexpr int kWidth = 240;
constexpr int kHeight = 300;
constexpr int kStripHeight = 20;

// The two small pictures on the caption strip: a bar (minimise) and a cross (end the program).
QPixmap strip_picture(bool cross) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
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

// What the window shows in place of the site's page: a browser inside a widget cannot fetch a
// page over the network here, so it names the page and links it; a click opens the user's
// browser.
QString local_page(const QUrl& page) {
    const QString link = page.toString().toHtmlEscaped();
    return QStringLiteral(
               "<div style='margin:8px'>"
               "<p style='font-size:14pt; font-weight:bold; color:#1f3f6f'>Qelt</p>"
               "<p>%1</p>"
               "<p>钻孔坐标、断链、缓和曲线……<br>道路勘察设计的小工具都在这里：</p>"
               "<p><a href='%2'>%2</a></p>"
               "<p style='color:#777777'>点击链接在浏览器中打开。<br>"
               "双击标题栏关闭本窗口。</p></div>")
        .arg(QString::fromUtf8(kMakerSlogan).toHtmlEscaped(), link);
}

}  // namespace

AdFrm::AdFrm(Side side, const GuiServices& services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint),
      side_(side),
      end_program_(services.end_program) {
    setObjectName(side == Side::left ? QStringLiteral("ad1frm") : QStringLiteral("adfrm"));
    setWindowTitle(QStringLiteral("休息一下，马上回来！"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(songti_9pt());
    setFixedSize(kWidth, kHeight);

    auto* strip = new ClickableLabel(QStringLiteral(" 休息一下，马上回来！"), this);
    strip->setObjectName(QStringLiteral("Label1"));
    strip->setGeometry(0, 0, kWidth, kStripHeight);
    strip->setAutoFillBackground(true);
    strip->setStyleSheet(QStringLiteral("background:#1f5f9f; color:white;"));
    connect(strip, &ClickableLabel::doubleClicked, this, &QWidget::close);

    auto* image1 = new ClickableLabel(this);
    image1->setObjectName(QStringLiteral("Image1"));
    image1->setPixmap(strip_picture(false));
    image1->setGeometry(kWidth - 40, 2, 16, 16);
    image1->setToolTip(QStringLiteral("最小化"));
    connect(image1, &ClickableLabel::clicked, this, &QWidget::showMinimized);

    auto* image2 = new ClickableLabel(this);
    image2->setObjectName(QStringLiteral("Image2"));
    image2->setPixmap(strip_picture(true));
    image2->setGeometry(kWidth - 20, 2, 16, 16);
    image2->setToolTip(QStringLiteral("退出程序"));
    connect(image2, &ClickableLabel::clicked, this, [this] { end_program_(); });

    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("WebBrowser1"));
    browser_->setGeometry(0, kStripHeight, kWidth, kHeight - kStripHeight);
    browser_->setOpenExternalLinks(true);

    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    connect(timer1_, &QTimer::timeout, this, &AdFrm::dock);
    timer2_ = new QTimer(this);
    timer2_->setObjectName(QStringLiteral("Timer2"));
    timer2_->setInterval(kDockArmMs);
    connect(timer2_, &QTimer::timeout, this, [this] {
        if (!timer1_->isActive()) timer1_->start(kDockPollMs);
    });
    timer2_->start();

    // Load: against the edge, on top of other windows, then the page.
    place();
    browser_->setHtml(local_page(page()));
}

void AdFrm::place() {
    CenterForm1(this);
    const TwipRect frame = frame_twips(*this);
    move_to_pixels(*this, topmost_position({frame.left, frame.top}));
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
    return QUrl(QString::fromUtf8(kMakerSite) +
                QString::fromUtf8(side_ == Side::left ? kLeftPromoPage : kRightPromoPage));
}

void AdFrm::CenterForm1(QWidget* frm) {
    const TwipRect screen = screen_twips();
    const TwipRect frame = frame_twips(*frm);
    move_to_twips(*frm, center_form1(side_ == Side::left ? ScreenEdge::left : ScreenEdge::right,
                                     screen.width, screen.height, frame.width, frame.height));
}

void AdFrm::CenterForm(QWidget* frm) {
    center_form(*frm);
}

void AdFrm::dock() {
    DockInput in;
    in.cursor = cursor_pixels();
    in.rect = frame_pixels(*this);
    in.window = frame_twips(*this);
    in.screen_width = screen_twips().width;
    in.minimised = isMinimized();
    const std::optional<DockMove> move = dock_step(in);
    if (!move) return;
    const QPoint before = pos();
    move_to_twips(*this, move->position);
    if (move->bring_to_front && pos() != before) {
        show();
        raise();
    }
}

}  // namespace qelt::gui
