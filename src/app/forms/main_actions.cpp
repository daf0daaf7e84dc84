#include "app/forms/main_actions.h"

#include "app/forms/maker.h"

namespace qelt::forms {

RunOptions options_of(const MainWindowShell& shell) {
    RunOptions options;
    options.heights = shell.design_elevation();
    options.ground = shell.ground_elevation();
    options.compare_planned = shell.compare_planned();
    return options;
}

bool act_on_main_window(Action action, MainWindowShell& shell, TableRunResult& last_run) {
    switch (action) {
        case Action::coordinate_table:
            shell.with_desktop([&](Desktop& d) {
                last_run = run_table(d, shell.chosen_method(), options_of(shell));
            });
            return true;
        case Action::as_drilled_table:
            shell.with_desktop([&](Desktop& d) {
                last_run = run_inverse(d, shell.chosen_method(), options_of(shell));
            });
            return true;
        case Action::line_tables:
            shell.with_desktop(
                [&](Desktop& d) { run_line_tables(d, shell.chosen_method(), options_of(shell)); });
            return true;
        case Action::help:
            shell.open_help();
            return true;
        case Action::more_software:
            shell.open_site(kMakerSite);
            shell.show_about();
            return true;
        default:
            return false;
    }
}

}  // namespace qelt::forms
