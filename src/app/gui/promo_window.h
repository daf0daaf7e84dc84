#pragma once
// The promotional windows adfrm and ad1frm: a page of the maker's site, always on top, against
// the right or left screen edge. Five seconds after they open they begin docking: they slide
// almost out of sight against the edge they touch while the cursor is elsewhere, and come back
// when it enters the strip left visible (dock_step in forms/placement.h). Built from
// forms::promo_form().
//
// Their Image1 minimises the window, Image2 ends the whole program, and a double click on the
// caption strip Label1 closes that window only.

#include <QWidget>

#include "app/forms/placement.h"
#include "app/gui/services.h"

class QTextBrowser;
class QTimer;

namespace qelt::gui {

class AdFrm : public QWidget {
    Q_OBJECT
  public:
    // left: ad1frm, "/bdownload.htm"; right: adfrm, "/gdownload.htm".
    using Side = forms::ScreenEdge;
    AdFrm(Side side, const GuiServices& services, QWidget* parent = nullptr);

    // Places `frm` against this window's screen edge, a third of the free height from the top.
    void CenterForm1(QWidget* frm);
    // Places `frm` across the middle of the screen, a third of the free height from the top.
    void CenterForm(QWidget* frm);

    // The page of the maker's site this window shows.
    QUrl page() const;

    // The docking step, run by Timer1.
    void dock();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void place();

    Side side_;
    bool placed_when_shown_ = false;
    GuiServices services_;
    QTextBrowser* browser_ = nullptr;
    QTimer* timer1_ = nullptr;
    QTimer* timer2_ = nullptr;
};

}  // namespace qelt::gui
