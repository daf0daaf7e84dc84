#include "app/gui/main_window.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QRadioButton>

#include "app/forms/file_rules.h"
#include "app/forms/form.h"
#include "app/forms/main_actions.h"
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

namespace {

// The main window's own actions, as forms does them, on Qt.
class QtShell : public forms::MainWindowShell {
  public:
    QtShell(QWidget& window, const GuiServices& services, std::string& last_chosen_file,
            const QString& help_file, Method method, bool heights, bool planned, bool ground)
        : window_(window),
          services_(services),
          last_chosen_file_(last_chosen_file),
          help_file_(help_file),
          method_(method),
          heights_(heights),
          planned_(planned),
          ground_(ground) {}
    Method chosen_method() const override { return method_; }
    bool design_elevation() const override { return heights_; }
    bool compare_planned() const override { return planned_; }
    bool ground_elevation() const override { return ground_; }
    void with_desktop(const std::function<void(forms::Desktop&)>& run) override {
        with_qt_desktop(window_, services_, last_chosen_file_, run);
    }
    void open_help() override {
        open_or_tell(services_, &window_, QUrl::fromLocalFile(help_file_));
    }
    void open_site(const std::string& url) override {
        open_or_tell(services_, &window_, QUrl(QString::fromStdString(url)));
    }
    void show_about() override {
        AboutFrm about(services_, &window_);
        about.exec();
    }

  private:
    QWidget& window_;
    const GuiServices& services_;
    std::string& last_chosen_file_;
    const QString& help_file_;
    Method method_;
    bool heights_;
    bool planned_;
    bool ground_;
};

}  // namespace

void QeltFrm::act(forms::Action action) {
    // The method is read once, as the button is clicked; the run keeps to it.
    const Method method =
        option1_->isChecked() ? Method::intersection_points : Method::building_blocks;
    const auto* heights = findChild<QCheckBox*>(QString::fromUtf8(forms::kDesignElevationBox));
    const auto* planned = findChild<QCheckBox*>(QString::fromUtf8(forms::kComparePlannedBox));
    const auto* ground = findChild<QCheckBox*>(QString::fromUtf8(forms::kGroundElevationBox));
    QtShell shell(*this, services_, last_chosen_file_, help_file_, method,
                  heights && heights->isChecked(), planned && planned->isChecked(),
                  ground && ground->isChecked());
    if (forms::act_on_main_window(action, shell, last_run_)) return;
    if (action == forms::Action::exit_program) end_program();
}

void QeltFrm::end_program() {
    services_.end_program();
}

}  // namespace qelt::gui
