#pragma once
// The desktop the runs ask for (forms::run_table, forms::run_inverse and forms::run_line_tables:
// the run, the workbooks beside its input file, the boxes after it) mapped onto GuiServices and
// Qt: the dialogs and messages owned by the main window, Qt's wait cursor, the filters in Qt's
// form, and the workbook opened as a local file URL.

#include <functional>
#include <string>

#include "app/forms/desktop_run.h"
#include "app/gui/services.h"

class QWidget;

namespace qelt::gui {

using forms::TableRunResult;

// Calls `run` with the desktop of one run (forms::run_table and its siblings): the dialogs and
// messages owned by `main_window`, brought to the front before every message. `last_chosen_file`
// is the file chosen last in the program's open-file dialogs ("" before the first), kept by the
// caller from run to run.
void with_qt_desktop(QWidget& main_window, const GuiServices& services,
                     std::string& last_chosen_file,
                     const std::function<void(forms::Desktop&)>& run);

}  // namespace qelt::gui
