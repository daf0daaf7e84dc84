#pragma once
// The program's lifetime across its windows: it ends when its last window closes (closing the
// main window alone leaves the promotional windows, and the program, running), or at once when
// told to. Also the wait cursor while a run works, and showing a window modally.

#include <windows.h>

namespace qelt::win {

class FormWindow;

// A window of the program was created or destroyed; the last one gone ends the message loop.
void window_opened();
void window_closed();

// Ends the program at once: every window goes without further events or questions.
void end_program();

// The wait cursor over the program's windows while a run works.
void set_busy(bool busy);
bool busy();

// Shows `window` (created, hidden) and returns once it is closed; meanwhile the program's other
// windows take no input.
void show_modal(FormWindow& window);

// The keyboard handling of dialogs (Tab between controls, Enter, Esc) for `message`; true when
// it was taken.
bool dialog_keys(MSG& message);

}  // namespace qelt::win
