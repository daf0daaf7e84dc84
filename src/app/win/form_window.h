#pragma once
// A window built from the description in forms/: the window of the form's caption and client
// size, and each control as the native control of its kind (BUTTON group box, radio and push
// buttons, STATIC texts and owner-drawn pictures, an etched line, a LISTBOX, the page of a
// promotional window with a SysLink control) with its caption, look and rectangle (twips →
// pixels at the system DPI). A click (double click, where the form says so) on a control with an
// action calls act(); Enter presses the push button that has the focus, else the default button.
// Nothing is worked out here beyond that mapping; the looks are drawn by look_drawing.h, the
// promotional page is promo_page.h's window.

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/forms/form.h"

namespace qelt::win {

class FormWindow {
  public:
    explicit FormWindow(const forms::Form& form);
    virtual ~FormWindow();
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    // Creates the window, hidden, with its controls; false when the window system refused.
    bool create(HWND owner, DWORD style, DWORD ex_style);
    HWND hwnd() const { return hwnd_; }
    // The native control of the form's control `name`, or null.
    HWND control(std::string_view name) const;
    // Fills the list control `name` with `lines` (UTF-8), the first selected, scrolling sideways
    // as far as the longest line needs.
    void set_lines(std::string_view name, const std::vector<std::string>& lines);
    // Closes the window as its close box does.
    void close();

    // Run just before close() destroys the window (a modal window gives the input back here).
    std::function<void()> before_close;
    // The address a browser control shows, set before create().
    std::string page_url;

  protected:
    // What a control asks for. The actions that mean the same on every window (close, minimise,
    // end the program, open the maker's site or mail) are done here; a window with actions of
    // its own handles those and passes the rest on.
    virtual void act(forms::Action action);
    // The window's own messages; true when handled, with `result` to return.
    virtual bool handle(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result);

  private:
    friend bool register_window_classes(HINSTANCE instance);
    struct Built {
        const forms::Control* control;
        HWND hwnd;
        int id;
    };
    static LRESULT CALLBACK window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT proc(UINT message, WPARAM wparam, LPARAM lparam);
    void build_controls();
    void make_fonts();
    const Built* built_by_id(int id) const;
    const Built* built_by_hwnd(HWND hwnd) const;
    // Pixels at the system DPI, in the window's client area.
    RECT client_rect_of(const forms::Control& control) const;
    void draw(const DRAWITEMSTRUCT& item);
    // Paints what lies under an owner-drawn control: the band or strip it sits on, or the
    // window's own background.
    void paint_underlay(HDC dc, const forms::Control& control, const RECT& area);

    const forms::Form& form_;
    HWND hwnd_ = nullptr;
    int dpi_ = 96;
    std::vector<Built> built_;
    HFONT font_ = nullptr, link_font_ = nullptr, bold_font_ = nullptr, heading_font_ = nullptr;
    HBRUSH strip_brush_ = nullptr;
    HWND tooltip_ = nullptr;
};

// Registers the window classes (once, before the first window): the forms' and the promotional
// page's (promo_page.h).
bool register_window_classes(HINSTANCE instance);

}  // namespace qelt::win
