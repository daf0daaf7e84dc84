#pragma once
// The coordinate-table run as the desktop program starts it: the run's dialogs and messages
// through GuiServices, a busy cursor while it works, and the workbook it leaves.
//
// Where a spreadsheet application would be left holding an unsaved sheet, the desktop program
// writes the table as an .xlsx workbook beside the borehole file, named after it
// ("<name>_钻孔数量及位置表.xlsx", numbered " (2)", " (3)" … rather than overwriting anything),
// or into the Documents folder when the borehole file's folder cannot be written, and opens it
// with the desktop's spreadsheet application. A complete run and a run stopped in the borehole
// phase both deliver what they wrote; a run that ends on the error path before the borehole
// phase writes and opens nothing.

#include <QString>
#include <string>
#include <vector>

#include "app/gui/services.h"
#include "app/run.h"

class QWidget;

namespace qelt::gui {

struct TableRunResult {
    RunResult run;
    QString workbook;  // the workbook written, empty when none was
};

// The information box that lists a run's notices (a borehole off the ends of the line, lines
// after a blank line that were not read), shown once the run has ended and its workbook has
// been delivered.
inline constexpr const char* kNoticeTitle = "提示";
inline constexpr std::size_t kNoticesListed = 20;

// The box's text: the first kNoticesListed notices one per line, then a line saying how many
// more there are.
std::string notices_text(const std::vector<std::string>& notices);

// Runs the coordinate table once by `method`. `main_window` owns the dialogs and is brought to
// the front before every message.
TableRunResult run_table(QWidget& main_window, Method method, const GuiServices& services);

}  // namespace qelt::gui
