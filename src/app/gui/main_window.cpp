#include "app/gui/main_window.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

#include "app/gui/about_window.h"
#include "app/gui/file_rules.h"
#include "app/gui/maker.h"
#include "app/gui/promo_window.h"
#include "app/gui/window_geometry.h"

namespace qelt::gui {

namespace {

// Controls are laid out in twips, as the window was drawn; Qt takes pixels.
QRect twips(int left, int top, int width, int height) {
    return {left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
            height / kTwipsPerPixel};
}

QPushButton* button(QWidget* parent, const char* name, const char* caption, QRect geometry) {
    auto* b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(geometry);
    b->setAutoDefault(false);
    return b;
}

}  // namespace

QeltFrm::QeltFrm(GuiServices services, QWidget* parent)
    : QWidget(parent), services_(std::move(services)) {
    setObjectName(QStringLiteral("qeltfrm"));
    setWindowTitle(QStringLiteral("Qelt V2.0"));
    setFont(songti_9pt());
    setFixedSize(twips(0, 0, 6075, 1320).size());

    frame1_ = new QGroupBox(QStringLiteral("方 法"), this);
    frame1_->setObjectName(QStringLiteral("Frame1"));
    frame1_->setGeometry(twips(360, 120, 2415, 975));
    option1_ = new QRadioButton(QStringLiteral("交点法―主线"), frame1_);
    option1_->setObjectName(QStringLiteral("Option1"));
    option1_->setGeometry(twips(345, 240, 1575, 300));
    option1_->setChecked(true);
    option2_ = new QRadioButton(QStringLiteral("积木法―互通"), frame1_);
    option2_->setObjectName(QStringLiteral("Option2"));
    option2_->setGeometry(twips(345, 600, 1455, 255));

    auto* command1 = button(this, "Command1", "  坐标表", twips(3120, 240, 1215, 375));
    auto* more = button(this, "xpcmdbutton2", "  更多软件", twips(4515, 240, 1215, 375));
    auto* help = button(this, "xpcmdbutton1", "  帮 助", twips(3120, 720, 1215, 375));
    auto* exit = button(this, "xpcmdbutton3", "  退 出", twips(4515, 720, 1215, 375));
    connect(command1, &QPushButton::clicked, this, &QeltFrm::make_coordinate_table);
    connect(help, &QPushButton::clicked, this, &QeltFrm::show_help);
    connect(more, &QPushButton::clicked, this, &QeltFrm::show_more_software);
    connect(exit, &QPushButton::clicked, this, &QeltFrm::end_program);

    // Load: the promotional windows first, then the help file, then the window's own place.
    if (services_.promotional_windows) {
        adfrm_ = new AdFrm(AdFrm::Side::right, services_);
        adfrm_->show();
        ad1frm_ = new AdFrm(AdFrm::Side::left, services_);
        ad1frm_->show();
    }
    help_file_ = QString::fromStdString(
        help_file_path(QCoreApplication::applicationDirPath().toStdString()));
    CenterForm(this);
}

QeltFrm::~QeltFrm() {
    delete adfrm_.data();
    delete ad1frm_.data();
}

AdFrm* QeltFrm::adfrm() const {
    return adfrm_;
}
AdFrm* QeltFrm::ad1frm() const {
    return ad1frm_;
}

void QeltFrm::CenterForm(QWidget* frm) {
    center_form(*frm);
}

void QeltFrm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Centred again once shown, when the window system may have told the frame's size.
    if (!centred_when_shown_) {
        centred_when_shown_ = true;
        CenterForm(this);
    }
}

void QeltFrm::make_coordinate_table() {
    // The method is read once, as the button is clicked; the run keeps to it.
    const Method method =
        option1_->isChecked() ? Method::intersection_points : Method::building_blocks;
    last_run_ = run_table(*this, method, services_);
}

void QeltFrm::show_help() {
    services_.open_url(QUrl::fromLocalFile(help_file_));
}

void QeltFrm::show_more_software() {
    services_.open_url(QUrl(QString::fromUtf8(kMakerSite)));
    AboutFrm about(services_, this);
    about.exec();
}

void QeltFrm::end_program() {
    services_.end_program();
}

}  // namespace qelt::gui
