#pragma once
// The main window qeltfrm: the choice of method, and the six buttons (coordinate table, help,
// more software, exit, as-drilled table, line tables), built from forms::main_form(). It holds
// no computation: its buttons do what forms::act_on_main_window says, the placement
// rules are forms/placement.h's.
//
// Loading it opens the two promotional windows, works out the help file beside the program and
// centres it; closing it with its close box closes only it, and the program ends when its last
// window closes.

#include <QPointer>
#include <QString>
#include <QWidget>
#include <string>

#include "app/forms/form.h"
#include "app/gui/services.h"
#include "app/gui/table_run.h"

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
    // The outcome of the last run (coordinate table or as-drilled table).
    const TableRunResult& last_run() const { return last_run_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // What the window's controls ask for (forms::main_form's actions).
    void act(forms::Action action);
    // "退 出" (xpcmdbutton3): ends the program, every window included.
    void end_program();

    GuiServices services_;
    QString help_file_;
    QRadioButton* option1_ = nullptr;
    QPointer<AdFrm> adfrm_;
    QPointer<AdFrm> ad1frm_;
    TableRunResult last_run_;
    // The file chosen last in the open-file dialogs: the next dialog starts in its folder.
    std::string last_chosen_file_;
    bool centred_when_shown_ = false;
};

}  // namespace qelt::gui
