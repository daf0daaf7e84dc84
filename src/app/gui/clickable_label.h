#pragma once
// A label or picture that acts on a click or a double click, as the pictures and link labels of
// the About and promotional windows do.

#include <QLabel>

namespace qelt::gui {

class ClickableLabel : public QLabel {
    Q_OBJECT
  public:
    using QLabel::QLabel;

  signals:
    void clicked();
    void doubleClicked();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

}  // namespace qelt::gui
