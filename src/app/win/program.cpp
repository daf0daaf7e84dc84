#include "app/win/program.h"

#include <vector>

#include "app/win/form_window.h"

namespace qelt::win {

namespace {

int open_windows = 0;
bool busy_now = false;

// The program's visible, enabled top-level windows other than `except`.
std::vector<HWND> other_windows(HWND except) {
    struct Search {
        HWND except;
        std::vector<HWND> found;
    } search{except, {}};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            if (hwnd != s->except && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd))
                s->found.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

void window_opened() {
    ++open_windows;
}

void window_closed() {
    if (--open_windows <= 0) PostQuitMessage(0);
}

void end_program() {
    // Nothing is asked and nothing is saved: every window goes at once.
    for (HWND hwnd : other_windows(nullptr)) ShowWindow(hwnd, SW_HIDE);
    PostQuitMessage(0);
}

void set_busy(bool busy) {
    busy_now = busy;
    SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

bool busy() {
    return busy_now;
}

bool dialog_keys(MSG& message) {
    HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    return root && IsDialogMessageW(root, &message);
}

void show_modal(FormWindow& window) {
    HWND dialog = window.hwnd();
    if (!dialog) return;
    const std::vector<HWND> blocked = other_windows(dialog);
    HWND owner = GetWindow(dialog, GW_OWNER);
    // Input goes back before the window goes, so that the owner, not some other program,
    // becomes the active window.
    window.before_close = [blocked, owner] {
        for (HWND hwnd : blocked)
            if (IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
        if (owner && IsWindow(owner)) SetActiveWindow(owner);
    };
    for (HWND hwnd : blocked) EnableWindow(hwnd, FALSE);
    ShowWindow(dialog, SW_SHOW);
    MSG message;
    while (window.hwnd()) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            // The program is ending: the outer loop must see the quit too.
            if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
            window.close();
            break;
        }
        if (dialog_keys(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    window.before_close = nullptr;
}

}  // namespace qelt::win
