#include "app/gui/about_window.h"

#include <QFrame>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>

#include "app/gui/clickable_label.h"
#include "app/gui/maker.h"
#include "app/gui/window_geometry.h"

namespace qelt::gui {

namespace {

constexpr int kWidth = 360;
constexpr int kHeight = 232;
constexpr int kHeadHeight = 56;

ClickableLabel* label(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    auto* l = new ClickableLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(geometry);
    return l;
}

// A link in the usual blue, underlined, with the hand cursor.
void make_link(ClickableLabel* l) {
    l->setStyleSheet(QStringLiteral("color: #0645ad; text-decoration: underline;"));
    l->setCursor(Qt::PointingHandCursor);
}

// The program's mark: a road curving between two borehole points.
QPixmap road_icon(int size) {
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

}  // namespace

AboutFrm::AboutFrm(const GuiServices& services, QWidget* parent)
    : QDialog(parent), services_(services) {
    setObjectName(QStringLiteral("aboutfrm"));
    setWindowTitle(QString::fromUtf8(kMakerBrand));
    setFont(songti_9pt());
    setModal(true);
    setFixedSize(kWidth, kHeight);

    auto open_site = [this] { services_.open_url(QUrl(QString::fromUtf8(kMakerSite))); };

    auto* head = label(this, "picBGHead", QString(), QRect(0, 0, kWidth, kHeadHeight));
    head->setAutoFillBackground(true);
    head->setStyleSheet(QStringLiteral(
        "background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #ffffff, stop:1 #d6e4f2);"));
    auto* icon = label(this, "picBGHeadIcon", QString(), QRect(12, 8, 40, 40));
    icon->setPixmap(road_icon(40));
    auto* slogan = label(this, "lblBGHeadInfo1", QString::fromUtf8(kMakerSlogan),
                         QRect(64, 18, kWidth - 76, 20));
    slogan->setStyleSheet(QStringLiteral("font-weight: bold; color: #1f3f6f;"));
    for (ClickableLabel* l : {head, icon, slogan}) {
        l->setCursor(Qt::PointingHandCursor);
        connect(l, &ClickableLabel::clicked, this, open_site);
    }

    auto* border = new QFrame(this);
    border->setObjectName(QStringLiteral("linBorder"));
    border->setFrameShape(QFrame::HLine);
    border->setFrameShadow(QFrame::Sunken);
    border->setGeometry(0, kHeadHeight, kWidth, 2);

    const int name_left = 40, value_left = 120, value_width = kWidth - value_left - 16;
    label(this, "Label3", QStringLiteral("单 位："), QRect(name_left, 76, 76, 18));
    label(this, "Label9", QString::fromUtf8(kMakerOrganisation),
          QRect(value_left, 76, value_width, 18));
    label(this, "Label2", QStringLiteral("作 者："), QRect(name_left, 100, 76, 18));
    label(this, "Label7", QString::fromUtf8(kMakerAuthor), QRect(value_left, 100, value_width, 18));
    label(this, "Label6", QStringLiteral("软件下载："), QRect(name_left, 124, 76, 18));
    auto* site = label(this, "Label4", QString::fromUtf8(kMakerSite),
                       QRect(value_left, 124, value_width, 18));
    make_link(site);
    connect(site, &ClickableLabel::clicked, this, open_site);
    label(this, "Label5", QStringLiteral("E-mail"), QRect(name_left, 148, 76, 18));
    auto* mail = label(this, "lblHomepage", QString::fromUtf8(kMakerMail),
                       QRect(value_left, 148, value_width, 18));
    make_link(mail);
    connect(mail, &ClickableLabel::clicked, this, [this] {
        services_.open_url(QUrl(QStringLiteral("mailto:") + QString::fromUtf8(kMakerMail)));
    });

    auto* ok = new QPushButton(QStringLiteral("  确  定"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setGeometry(152, 188, 81, 25);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel = new QPushButton(QStringLiteral("取    消"), this);
    cancel->setObjectName(QStringLiteral("Command2"));
    cancel->setGeometry(252, 188, 81, 25);
    cancel->setAutoDefault(false);
}

void AboutFrm::CenterForm(QWidget* frm) {
    center_form(*frm);
}

void AboutFrm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!loaded_) {
        loaded_ = true;
        CenterForm(this);
    }
}

}  // namespace qelt::gui
