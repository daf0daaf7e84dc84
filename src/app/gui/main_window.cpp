#include "app/gui/main_window.h"

#include <QCoreApplication>
#include <QRadioButton>

#include "app/forms/file_rules.h"
#include "app/forms/form.h"
#include "app/forms/maker.h"
#include "app/gui/about_window.h"
#include "app/gui/form_widgets.h"
#include "app/gui/promo_window.h"
#include "app/gui/window_geometry.h"

namespace qelt::gui {

QeltFrm::QeltFrm(GuiServices services, QWidget* parent)
    : QWidget(parent), services_(std::move(services)) {
    build_form(*this, forms::main_form(), [this](forms::Action action) { act(action); });
    option1_ = findChild<QRadioButton*>(QStringLiteral("Option1"));

    // Load: the promotional windows first, then the help file, then the window's own place.
    if (services_.promotional_windows) {
        adfrm_ = new AdFrm(AdFrm::Side::right, services_);
        adfrm_->show();
        ad1frm_ = new AdFrm(AdFrm::Side::left, services_);
        ad1frm_->show();
    }
    help_file_ = QString::fromStdString(
        forms::help_file_path(QCoreApplication::applicationDirPath().toStdString()));
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

void QeltFrm::act(forms::Action action) {
    switch (action) {
        case forms::Action::coordinate_table:
            make_coordinate_table();
            break;
        case forms::Action::as_drilled_table:
            make_as_drilled_table();
            break;
        case forms::Action::line_tables:
            make_line_tables();
            break;
        case forms::Action::help:
            show_help();
            break;
        case forms::Action::more_software:
            show_more_software();
            break;
        case forms::Action::exit_program:
            end_program();
            break;
        default:
            break;
    }
}

// The method is read once, as the button is clicked; the run keeps to it.
Method QeltFrm::chosen_method() const {
    return option1_->isChecked() ? Method::intersection_points : Method::building_blocks;
}

void QeltFrm::make_coordinate_table() {
    last_run_ = run_table(*this, chosen_method(), services_, last_chosen_file_);
}

void QeltFrm::make_as_drilled_table() {
    last_run_ = run_inverse(*this, chosen_method(), services_, last_chosen_file_);
}

void QeltFrm::make_line_tables() {
    run_line_tables(*this, chosen_method(), services_, last_chosen_file_);
}

void QeltFrm::show_help() {
    open_or_tell(services_, this, QUrl::fromLocalFile(help_file_));
}

void QeltFrm::show_more_software() {
    open_or_tell(services_, this, QUrl(QString::fromUtf8(forms::kMakerSite)));
    AboutFrm about(services_, this);
    about.exec();
}

void QeltFrm::end_program() {
    services_.end_program();
}

}  // namespace qelt::gui
