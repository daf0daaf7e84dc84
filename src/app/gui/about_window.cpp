#include "app/gui/about_window.h"

#include "app/forms/form.h"
#include "app/forms/maker.h"
#include "app/gui/form_widgets.h"
#include "app/gui/window_geometry.h"

namespace qelt::gui {

AboutFrm::AboutFrm(const GuiServices& services, QWidget* parent)
    : QDialog(parent), services_(services) {
    setModal(true);
    build_form(*this, forms::about_form(), [this](forms::Action action) {
        switch (action) {
            case forms::Action::open_site:
                open_or_tell(services_, this, QUrl(QString::fromUtf8(forms::kMakerSite)));
                break;
            case forms::Action::open_mail:
                open_or_tell(
                    services_, this,
                    QUrl(QStringLiteral("mailto:") + QString::fromUtf8(forms::kMakerMail)));
                break;
            case forms::Action::close_window:
                accept();
                break;
            default:
                break;
        }
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
