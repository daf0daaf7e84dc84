// qelt.exe: the desktop program on Windows. The main window with its two promotional windows;
// the program ends when its last window closes or when "退 出" is pressed.

#include <windows.h>

#include "app/run.h"
#include "app/win/form_window.h"
#include "app/win/program.h"
#include "app/win/program_windows.h"
#include "app/win/wide.h"
#include "base/platform.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
    if (!qelt::system_speaks_utf8()) {
        MessageBoxW(nullptr, qelt::win::widen(qelt::kNeedsUtf8System).c_str(),
                    qelt::win::widen(qelt::kErrorBoxTitle).c_str(), MB_OK | MB_ICONERROR);
        return 1;
    }
    if (!qelt::win::register_window_classes(instance)) return 1;
    qelt::win::MainWindow window;
    if (!window.open(show_command)) return 1;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (qelt::win::dialog_keys(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
