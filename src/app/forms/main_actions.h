#pragma once
// What the main window's own buttons do, the same in both desktop programs: 坐标表, 坐标反算 and
// 线形表 run by the method the option buttons show, 帮 助 opens the manual, 更多软件 the maker's
// site and then the About window. A front end says only how it reaches its desktop and opens
// a document; the actions every window shares (close, minimise, exit) stay with its windows.

#include <functional>
#include <string>

#include "app/forms/desktop_run.h"
#include "app/forms/form.h"

namespace qelt::forms {

class MainWindowShell {
  public:
    virtual ~MainWindowShell() = default;
    // The method the option buttons show, read once as the button is clicked: the run keeps
    // to it.
    virtual Method chosen_method() const = 0;
    // Whether the box 设计高程 is ticked, read likewise.
    virtual bool design_elevation() const = 0;
    // Whether the box 对比计划 is ticked, read likewise.
    virtual bool compare_planned() const = 0;
    // Whether the box 地面高程 is ticked, read likewise.
    virtual bool ground_elevation() const { return false; }
    // Calls `run` with the front end's desktop for one run (its dialogs and boxes owned by the
    // main window).
    virtual void with_desktop(const std::function<void(Desktop&)>& run) = 0;
    // Opens the manual beside the program in the default browser, or says why it cannot.
    virtual void open_help() = 0;
    // Opens `url` in the user's browser, or says why it cannot.
    virtual void open_site(const std::string& url) = 0;
    // The About window, modal.
    virtual void show_about() = 0;
};

// What the main window's boxes ask of a run (设计高程, 对比计划, 地面高程), read once as the
// button is clicked: the run keeps to them. The desktop gives no file up front: the run asks
// for each in its dialog.
RunOptions options_of(const MainWindowShell& shell);

// Does `action` when it is one of the main window's own, the last table run's outcome in
// `last_run`: true. False for every other action, which the front end's window does itself.
bool act_on_main_window(Action action, MainWindowShell& shell, TableRunResult& last_run);

}  // namespace qelt::forms
