#pragma once
// The main window qeltfrm: the choice of method, and the four buttons (coordinate table, help,
// more software, exit). It holds no computation: the coordinate table is run_table's, the
// placement rules are placement.h's.
//
// Loading it opens the two promotional windows, works out the help file beside the program and
// centres it; closing it with its close box closes only it, and the program ends when its last
// window closes.

#include <QPointer>
#include <QString>
#include <QWidget>

#include "app/gui/services.h"
#include "app/gui/table_run.h"

class QGroupBox;
class QPushButton;
class QRadioButton;

namespace qelt::gui {

class AdFrm;

class QeltFrm : public QWidget {
    Q_OBJECT
  public:
    explicit QeltFrm(GuiServices services = desktop_services(), QWidget* parent = nullptr);
    ~QeltFrm() override;

    // Places `frm` across the middle of the screen, a third of the free height from the top.
    void CenterForm(QWidget* frm);

    // The help file: the program's folder + "help/qelt.html".
    const QString& help_file() const { return help_file_; }
    // The promotional windows opened at start-up, null once closed.
    AdFrm* adfrm() const;
    AdFrm* ad1frm() const;
    // The outcome of the last coordinate-table run.
    const TableRunResult& last_run() const { return last_run_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private slots:
    void Command1_Click();
    void xpcmdbutton1_Click();
    void xpcmdbutton2_Click();
    void xpcmdbutton3_Click();

  private:
    GuiServices services_;
    QString help_file_;
    QGroupBox* frame1_ = nullptr;
    QRadioButton* option1_ = nullptr;
    QRadioButton* option2_ = nullptr;
    QPointer<AdFrm> adfrm_;
    QPointer<AdFrm> ad1frm_;
    TableRunResult last_run_;
    bool centred_when_shown_ = false;
};

}  // namespace qelt::gui
