#include "app/win/form_window.h"

#include <commctrl.h>

#include <algorithm>

#include "app/forms/looks.h"
#include "app/forms/maker.h"
#include "app/win/desktop.h"
#include "app/win/look_drawing.h"
#include "app/win/program.h"
#include "app/win/promo_page.h"
#include "app/win/screen.h"
#include "app/win/wide.h"

namespace qelt::win {

namespace {

using forms::Action;
using forms::ControlKind;
using forms::Look;

constexpr const wchar_t* kFormClass = L"QeltForm";
constexpr int kFirstControlId = 100;

bool owner_drawn(Look look) {
    return look == Look::header_band || look == Look::road_mark || look == Look::slogan ||
           look == Look::minimise_mark || look == Look::close_mark;
}

// Controls that others lie on: they go to the bottom of the stacking order, so that what lies
// on them is drawn over them and takes the clicks.
bool underlay(const forms::Control& c) {
    return c.kind == ControlKind::frame || c.kind == ControlKind::browser ||
           c.look == Look::header_band || c.look == Look::caption_strip;
}

bool shows_hand(const forms::Control& c) {
    return c.look == Look::link || c.action == Action::open_site || c.action == Action::open_mail;
}

bool contains(const forms::TwipBox& outer, const forms::TwipBox& inner) {
    return inner.left >= outer.left && inner.top >= outer.top &&
           inner.left + inner.width <= outer.left + outer.width &&
           inner.top + inner.height <= outer.top + outer.height;
}

// The first of the forms' font faces that the system has, else the first (the font mapper then
// finds the nearest).
std::wstring font_face() {
    HDC dc = GetDC(nullptr);
    std::wstring chosen;
    for (const char* face : forms::kFontFaces) {
        LOGFONTW wanted{};
        wanted.lfCharSet = DEFAULT_CHARSET;
        const std::wstring name = widen(face);
        lstrcpynW(wanted.lfFaceName, name.c_str(), LF_FACESIZE);
        bool found = false;
        EnumFontFamiliesExW(
            dc, &wanted,
            [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) -> int {
                *reinterpret_cast<bool*>(found) = true;
                return 0;
            },
            reinterpret_cast<LPARAM>(&found), 0);
        if (found) {
            chosen = name;
            break;
        }
    }
    ReleaseDC(nullptr, dc);
    return chosen.empty() ? widen(forms::kFontFaces[0]) : chosen;
}

HFONT make_font(int points, int dpi, int weight, bool underline) {
    const std::wstring face = font_face();
    return CreateFontW(-MulDiv(points, dpi, 72), 0, 0, 0, weight, FALSE, underline ? TRUE : FALSE,
                       FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str());
}

}  // namespace

bool register_window_classes(HINSTANCE instance) {
    INITCOMMONCONTROLSEX controls{sizeof(controls),
                                  ICC_STANDARD_CLASSES | ICC_LINK_CLASS | ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);

    WNDCLASSEXW form{};
    form.cbSize = sizeof(form);
    form.style = CS_DBLCLKS;
    form.lpfnWndProc = FormWindow::window_proc;
    form.hInstance = instance;
    form.hIcon = make_program_icon(GetSystemMetrics(SM_CXICON));
    form.hIconSm = make_program_icon(GetSystemMetrics(SM_CXSMICON));
    form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    form.lpszClassName = kFormClass;
    if (!RegisterClassExW(&form)) return false;
    return register_page_class(instance);
}

FormWindow::FormWindow(const forms::Form& form) : form_(form) {}

FormWindow::~FormWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
    for (HGDIOBJ object : {static_cast<HGDIOBJ>(font_), static_cast<HGDIOBJ>(link_font_),
                           static_cast<HGDIOBJ>(bold_font_), static_cast<HGDIOBJ>(heading_font_),
                           static_cast<HGDIOBJ>(strip_brush_)})
        if (object) DeleteObject(object);
}

bool FormWindow::create(HWND owner, DWORD style, DWORD ex_style) {
    dpi_ = system_dpi();
    const forms::PixelBox client = forms::to_pixels({0, 0, form_.width, form_.height}, dpi_);
    RECT outer{0, 0, client.width, client.height};
    AdjustWindowRectEx(&outer, style, FALSE, ex_style);
    make_fonts();
    strip_brush_ = CreateSolidBrush(colour_of(forms::kStripColour));
    CreateWindowExW(ex_style, kFormClass, widen(form_.caption).c_str(), style, CW_USEDEFAULT,
                    CW_USEDEFAULT, outer.right - outer.left, outer.bottom - outer.top, owner,
                    nullptr, GetModuleHandleW(nullptr), this);
    if (!hwnd_) return false;
    build_controls();
    return true;
}

void FormWindow::make_fonts() {
    font_ = make_font(forms::kFontPoints, dpi_, FW_NORMAL, false);
    link_font_ = make_font(forms::kFontPoints, dpi_, FW_NORMAL, true);
    bold_font_ = make_font(forms::kFontPoints, dpi_, FW_BOLD, false);
    heading_font_ = make_font(14, dpi_, FW_BOLD, false);
}

RECT FormWindow::client_rect_of(const forms::Control& control) const {
    const forms::PixelBox p = forms::to_pixels(forms::window_twips(form_, control), dpi_);
    return {p.left, p.top, p.left + p.width, p.top + p.height};
}

void FormWindow::build_controls() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    bool after_option = false;
    for (std::size_t i = 0; i < form_.controls.size(); ++i) {
        const forms::Control& c = form_.controls[i];
        const int id = kFirstControlId + static_cast<int>(i);
        const RECT r = client_rect_of(c);
        DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
        DWORD ex_style = 0;
        const wchar_t* window_class = L"STATIC";
        void* parameters = nullptr;
        PageSetup page;
        switch (c.kind) {
            case ControlKind::frame:
                window_class = L"BUTTON";
                style |= BS_GROUPBOX | WS_GROUP;
                break;
            case ControlKind::option_button:
                // The option buttons in a row form one group of choices.
                window_class = L"BUTTON";
                style |= BS_AUTORADIOBUTTON | WS_TABSTOP | (after_option ? 0 : WS_GROUP);
                break;
            case ControlKind::check_box:
                window_class = L"BUTTON";
                style |= BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP;
                break;
            case ControlKind::push_button:
                window_class = L"BUTTON";
                style |=
                    (c.default_button ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP | WS_GROUP;
                break;
            case ControlKind::label:
            case ControlKind::picture:
                style |= SS_NOPREFIX | WS_GROUP;
                if (c.kind == ControlKind::picture || owner_drawn(c.look))
                    style |= SS_OWNERDRAW;
                else if (c.look == Look::caption_strip)
                    style |= SS_LEFT | SS_CENTERIMAGE;
                else
                    style |= SS_LEFT;
                if (c.action != Action::none) style |= SS_NOTIFY;
                break;
            case ControlKind::line:
                // Drawn here: the system's etched static widens itself on some systems.
                style |= SS_OWNERDRAW | WS_GROUP;
                break;
            case ControlKind::list:
                // At the form's height rather than shrunk to whole lines, and scrolled sideways
                // where a line is longer than the list is wide (set_lines sets how far).
                window_class = L"LISTBOX";
                ex_style = WS_EX_CLIENTEDGE;
                style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP |
                         WS_GROUP;
                break;
            case ControlKind::browser:
                window_class = kPageClass;
                ex_style = WS_EX_CLIENTEDGE;
                page = {widen(forms::kPromoHeading), widen(forms::promo_link_markup(page_url)),
                        font_, heading_font_, dpi_};
                parameters = &page;
                break;
        }
        after_option = c.kind == ControlKind::option_button;
        HWND hwnd = CreateWindowExW(ex_style, window_class, widen(c.caption).c_str(), style, r.left,
                                    r.top, r.right - r.left, r.bottom - r.top, hwnd_,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                                    parameters);
        if (!hwnd) continue;
        SendMessageW(hwnd, WM_SETFONT,
                     reinterpret_cast<WPARAM>(c.look == Look::link ? link_font_ : font_), FALSE);
        if (c.kind == ControlKind::option_button && c.selected)
            SendMessageW(hwnd, BM_SETCHECK, BST_CHECKED, 0);
        if (c.tip) {
            if (!tooltip_)
                tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                           WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_,
                                           nullptr, instance, nullptr);
            std::wstring tip = widen(c.tip);
            TTTOOLINFOW tool{};
            tool.cbSize = sizeof(tool);
            tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            tool.hwnd = hwnd_;
            tool.uId = reinterpret_cast<UINT_PTR>(hwnd);
            tool.lpszText = tip.data();
            SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        }
        built_.push_back({&c, hwnd, id});
    }
    // Once all exist (a control made later would otherwise end up below them).
    for (const Built& b : built_)
        if (underlay(*b.control))
            SetWindowPos(b.hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

HWND FormWindow::control(std::string_view name) const {
    for (const Built& b : built_)
        if (name == b.control->name) return b.hwnd;
    return nullptr;
}

const FormWindow::Built* FormWindow::built_by_id(int id) const {
    for (const Built& b : built_)
        if (b.id == id) return &b;
    return nullptr;
}

const FormWindow::Built* FormWindow::built_by_hwnd(HWND hwnd) const {
    for (const Built& b : built_)
        if (b.hwnd == hwnd) return &b;
    return nullptr;
}

void FormWindow::set_lines(std::string_view name, const std::vector<std::string>& lines) {
    HWND list = control(name);
    if (!list) return;
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    HDC dc = GetDC(list);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)));
    LONG widest = 0;
    for (const std::string& line : lines) {
        const std::wstring text = widen(line);
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        widest = std::max(widest, size.cx);
    }
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    // A few pixels past the longest line, for the margin the list leaves before its text.
    SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + MulDiv(4, dpi_, 96)),
                 0);
    if (!lines.empty()) SendMessageW(list, LB_SETCURSEL, 0, 0);
}

void FormWindow::close() {
    if (!hwnd_) return;
    if (before_close) before_close();
    DestroyWindow(hwnd_);
}

void FormWindow::act(forms::Action action) {
    switch (action) {
        case forms::Action::close_window:
            close();
            break;
        case forms::Action::minimise:
            ShowWindow(hwnd_, SW_MINIMIZE);
            break;
        case forms::Action::exit_program:
            end_program();
            break;
        case forms::Action::open_site:
            open_or_tell(hwnd_, forms::kMakerSite);
            break;
        case forms::Action::open_mail:
            open_or_tell(hwnd_, std::string("mailto:") + forms::kMakerMail);
            break;
        default:
            break;
    }
}

bool FormWindow::handle(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

void FormWindow::paint_underlay(HDC dc, const forms::Control& control, const RECT& area) {
    const forms::Control* under = nullptr;
    if (control.look == Look::header_band || control.look == Look::caption_strip) {
        under = &control;
    } else {
        const forms::TwipBox self = forms::window_twips(form_, control);
        for (const forms::Control& other : form_.controls)
            if ((other.look == Look::header_band || other.look == Look::caption_strip) &&
                contains(forms::window_twips(form_, other), self))
                under = &other;
    }
    if (!under) {
        FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
        return;
    }
    if (under->look == Look::caption_strip) {
        FillRect(dc, &area, strip_brush_);
        return;
    }
    // The band's gradient, in the control's own coordinates.
    const RECT band = client_rect_of(*under), self = client_rect_of(control);
    paint_band(dc, area, band.left - self.left, band.right - band.left);
}

void FormWindow::draw(const DRAWITEMSTRUCT& item) {
    const Built* built = built_by_id(static_cast<int>(item.CtlID));
    if (!built) return;
    const forms::Control& c = *built->control;
    HDC dc = item.hDC;
    const RECT& r = item.rcItem;
    paint_underlay(dc, c, r);
    if (c.kind == ControlKind::line) {
        RECT edge = r;
        DrawEdge(dc, &edge, EDGE_ETCHED, BF_TOP);
        return;
    }
    const int side = std::min(r.right - r.left, r.bottom - r.top);
    switch (c.look) {
        case Look::slogan: {
            HGDIOBJ old = SelectObject(dc, bold_font_);
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, colour_of(forms::kSloganColour));
            RECT text = r;
            const std::wstring caption = widen(c.caption);
            DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
                      DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
            SelectObject(dc, old);
            break;
        }
        case Look::road_mark:
            draw_picture(dc, forms::picture_of(c.look), r.left, r.top, side - 1);
            break;
        case Look::minimise_mark:
        case Look::close_mark:
            draw_picture(dc, forms::picture_of(c.look), r.left, r.top, side);
            break;
        default:
            break;
    }
}

LRESULT CALLBACK FormWindow::window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        self = static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = hwnd;
    }
    if (!self) return DefWindowProcW(hwnd, message, wparam, lparam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->tooltip_ = nullptr;  // destroyed with its owner
        window_closed();
        return DefWindowProcW(hwnd, message, wparam, lparam);
    }
    return self->proc(message, wparam, lparam);
}

LRESULT FormWindow::proc(UINT message, WPARAM wparam, LPARAM lparam) {
    LRESULT result = 0;
    if (handle(message, wparam, lparam, result)) return result;
    switch (message) {
        case WM_CREATE:
            window_opened();
            return 0;
        case WM_CLOSE:
            close();
            return 0;
        case WM_COMMAND: {
            const int id = LOWORD(wparam), code = HIWORD(wparam);
            if (id == IDCANCEL && form_.role == forms::WindowRole::modal) {
                close();  // Esc
                return 0;
            }
            const Built* built = built_by_id(id);
            if (!built || built->control->action == Action::none) return 0;
            const forms::Control& c = *built->control;
            // A list tells a double click by a code of its own (its 1 is a new selection).
            const int wanted = c.kind == ControlKind::list          ? LBN_DBLCLK
                               : c.on_double_click                  ? STN_DBLCLK
                               : c.kind == ControlKind::push_button ? BN_CLICKED
                                                                    : STN_CLICKED;
            if (code == wanted) act(c.action);
            return 0;
        }
        case DM_GETDEFID: {
            // Enter presses the push button that has the focus, as in any dialog (取 消 reached
            // with Tab must not choose), else the form's default button.
            const Built* focused = built_by_hwnd(GetFocus());
            if (focused && focused->control->kind == ControlKind::push_button)
                return MAKELRESULT(focused->id, DC_HASDEFID);
            for (const Built& b : built_)
                if (b.control->default_button) return MAKELRESULT(b.id, DC_HASDEFID);
            return 0;
        }
        case WM_CTLCOLORSTATIC: {
            const Built* built = built_by_hwnd(reinterpret_cast<HWND>(lparam));
            HDC dc = reinterpret_cast<HDC>(wparam);
            if (built && built->control->look == Look::link) {
                SetTextColor(dc, colour_of(forms::kLinkColour));
                SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
                return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
            }
            if (built && built->control->look == Look::caption_strip) {
                SetTextColor(dc, colour_of(forms::kStripTextColour));
                SetBkColor(dc, colour_of(forms::kStripColour));
                return reinterpret_cast<LRESULT>(strip_brush_);
            }
            break;
        }
        case WM_DRAWITEM:
            draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
            return TRUE;
        case WM_SETCURSOR: {
            if (busy()) {
                SetCursor(LoadCursorW(nullptr, IDC_WAIT));
                return TRUE;
            }
            const Built* built = built_by_hwnd(reinterpret_cast<HWND>(wparam));
            if (built && shows_hand(*built->control) && LOWORD(lparam) == HTCLIENT) {
                SetCursor(LoadCursorW(nullptr, IDC_HAND));
                return TRUE;
            }
            break;
        }
        default:
            break;
    }
    return DefWindowProcW(hwnd_, message, wparam, lparam);
}

}  // namespace qelt::win
