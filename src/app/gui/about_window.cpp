#include "app/gui/about_window.h"

#include "app/forms/form.h"
#include "app/gui/form_widgets.h"
#include "app/gui/window_geometry.h"

namespace qelt::gui {

AboutFrm::AboutFrm(const GuiServices& services, QWidget* parent)
    : QDialog(parent), services_(services) {
    setModal(true);
    build_form(*this, forms::about_form(), [this](forms::Action action) {
        if (action == forms::Action::close_window)
            accept();
        else
            act_common(*this, services_, action);
    });
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
