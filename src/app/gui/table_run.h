#pragma once
// The coordinate-table, as-drilled and line-table runs as the Qt program starts them:
// forms::run_table, forms::run_inverse and forms::run_line_tables (the run, the workbooks beside
// its input file, the boxes after it) with the desktop it asks for mapped onto GuiServices and
// Qt: the dialogs and messages owned by the main window, Qt's wait cursor, the filters in Qt's
// form, and the workbook opened as a local file URL.

#include <string>

#include "app/forms/desktop_run.h"
#include "app/gui/services.h"
#include "app/run.h"

class QWidget;

namespace qelt::gui {

using forms::TableRunResult;

// Runs the coordinate table once by `method`. `main_window` owns the dialogs and is brought to
// the front before every message. `last_chosen_file` is the file chosen last in the program's
// open-file dialogs ("" before the first), kept by the caller from run to run.
TableRunResult run_table(QWidget& main_window, Method method, const GuiServices& services,
                         std::string& last_chosen_file);
// Runs the as-drilled table (坐标反算) once by `method`, likewise.
TableRunResult run_inverse(QWidget& main_window, Method method, const GuiServices& services,
                           std::string& last_chosen_file);
// Runs the line tables (线形表) once by `method`, likewise.
forms::LineTablesResult run_line_tables(QWidget& main_window, Method method,
                                        const GuiServices& services, std::string& last_chosen_file);

}  // namespace qelt::gui
