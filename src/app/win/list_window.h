#pragma once
// The list window xlfrm on Windows: one line chosen from several (the alignment of a LandXML
// file that holds an interchange's ramps), a FormWindow of forms::alignment_list_form() with a
// LISTBOX. 确 定, Enter or a double click on a line takes the line selected; 取 消, Esc or the
// close box take none. Shown modally: the program's other windows take no input meanwhile.

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "app/win/form_window.h"

namespace qelt::win {

class ListWindow : public FormWindow {
  public:
    // `title` and `prompt` (UTF-8) replace the form's caption and prompt where they are not
    // empty; `lines` are listed in order, the first selected.
    ListWindow(std::string title, std::string prompt, std::vector<std::string> lines);

    // Creates the window over `owner`, hidden, filled and centred; false when the window system
    // refused.
    bool open(HWND owner);
    // Shows the window made by open() modally and returns once it is closed: chosen().
    std::optional<std::size_t> run();
    // The index of the line chosen, once the window has closed by a choice; nothing before
    // then, or when it was cancelled.
    std::optional<std::size_t> chosen() const { return chosen_; }

    void CenterForm(HWND frm);

  protected:
    void act(forms::Action action) override;
    bool handle(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

  private:
    std::string title_, prompt_;
    std::vector<std::string> lines_;
    std::optional<std::size_t> chosen_;
    HWND focus_ = nullptr;  // the control that had the focus when the window was last left
};

}  // namespace qelt::win
