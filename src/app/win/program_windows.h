#pragma once
// The program's three kinds of window, each a FormWindow of its description in forms/ with the
// behaviour of its controls:
//   MainWindow (qeltfrm): the method, the coordinate table, help, more software, exit, the
//     as-drilled table, the line tables. Loading it opens the two promotional windows, works out
//     the manual beside the program and centres it; its close box closes only it.
//   AboutWindow (aboutfrm): shown modally by more software, centred on itself when it loads.
//   PromoWindow (adfrm, ad1frm): on top of other windows against its screen edge; five seconds
//     after it opens it docks to the edge it touches (forms::dock_step).

#include <windows.h>

#include <memory>
#include <string>

#include "app/forms/desktop_run.h"
#include "app/forms/placement.h"
#include "app/win/form_window.h"

namespace qelt::win {

class PromoWindow : public FormWindow {
  public:
    explicit PromoWindow(forms::ScreenEdge edge);
    // Creates, places and shows the window; false when it could not be created.
    bool open();
    void CenterForm1(HWND frm);
    // One docking step (Timer1).
    void dock();

  protected:
    bool handle(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

  private:
    forms::ScreenEdge edge_;
    bool docking_ = false;
};

class AboutWindow : public FormWindow {
  public:
    AboutWindow();
    // Shows the window modally over `owner`; returns once it is closed.
    void show(HWND owner);
    void CenterForm(HWND frm);
};

class MainWindow : public FormWindow {
  public:
    MainWindow();
    ~MainWindow() override;
    // Loads and shows the window (with the promotional windows); false when it could not be
    // created.
    bool open(int show_command);
    void CenterForm(HWND frm);

    const std::string& help_file() const { return help_file_; }
    const forms::TableRunResult& last_run() const { return last_run_; }

  protected:
    void act(forms::Action action) override;

  private:
    std::unique_ptr<PromoWindow> adfrm_, ad1frm_;
    std::string help_file_;
    forms::TableRunResult last_run_;
    // The file chosen last in the open-file dialogs: the next dialog starts in its folder.
    std::string last_chosen_file_;
};

// Timer identifiers of the promotional windows.
inline constexpr UINT_PTR kTimer1 = 1;  // the docking step, once armed
inline constexpr UINT_PTR kTimer2 = 2;  // arms Timer1 five seconds after loading

}  // namespace qelt::win
