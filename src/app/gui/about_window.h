#pragma once
// The About window aboutfrm: the maker, the author, and links to the maker's site and mail.
// Shown modally by "more software"; built from forms::about_form().

#include <QDialog>

#include "app/gui/services.h"

namespace qelt::gui {

class AboutFrm : public QDialog {
    Q_OBJECT
  public:
    AboutFrm(const GuiServices& services, QWidget* parent = nullptr);

    // Places `frm` across the middle of the screen, a third of the free height from the top.
    void CenterForm(QWidget* frm);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    const GuiServices& services_;
    bool loaded_ = false;
};

}  // namespace qelt::gui
