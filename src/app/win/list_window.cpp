#include "app/win/list_window.h"

#include <utility>

#include "app/forms/form.h"
#include "app/win/program.h"
#include "app/win/screen.h"
#include "app/win/wide.h"

namespace qelt::win {

ListWindow::ListWindow(std::string title, std::string prompt, std::vector<std::string> lines)
    : FormWindow(forms::alignment_list_form()),
      title_(std::move(title)),
      prompt_(std::move(prompt)),
      lines_(std::move(lines)) {}

bool ListWindow::open(HWND owner) {
    // A dialog's frame: a caption with the close box, neither minimised nor sized.
    if (!create(owner, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME)) return false;
    if (!title_.empty()) SetWindowTextW(hwnd(), widen(title_).c_str());
    if (!prompt_.empty()) SetWindowTextW(control(forms::kListPrompt), widen(prompt_).c_str());
    set_lines(forms::kListLines, lines_);
    CenterForm(hwnd());  // load
    return true;
}

std::optional<std::size_t> ListWindow::run() {
    show_modal(*this);
    return chosen_;
}

void ListWindow::CenterForm(HWND frm) {
    center_form(frm);
}

void ListWindow::act(forms::Action action) {
    if (action != forms::Action::accept_choice) {
        FormWindow::act(action);  // 取 消: closes, nothing chosen
        return;
    }
    // Only a line the user can see selected is an answer: with none (nothing listed) 确 定
    // waits rather than guess at one.
    const LRESULT selected = SendMessageW(control(forms::kListLines), LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR || selected < 0) return;
    chosen_ = static_cast<std::size_t>(selected);
    close();
}

bool ListWindow::handle(UINT message, WPARAM wparam, LPARAM, LRESULT& result) {
    if (message != WM_ACTIVATE) return false;
    // As a dialog does: the focus back where the user left it, at first on the list, so that
    // the arrow keys move through the lines at once.
    if (LOWORD(wparam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd(), focus)) focus_ = focus;
    } else {
        SetFocus(focus_ && IsWindow(focus_) ? focus_ : control(forms::kListLines));
    }
    result = 0;
    return true;
}

}  // namespace qelt::win
