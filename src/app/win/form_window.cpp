#include "app/win/form_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "app/forms/maker.h"
#include "app/win/desktop.h"
#include "app/win/program.h"
#include "app/win/screen.h"
#include "app/win/wide.h"

namespace qelt::win {

namespace {

using forms::Action;
using forms::ControlKind;
using forms::Look;

constexpr const wchar_t* kFormClass = L"QeltForm";
constexpr const wchar_t* kPageClass = L"QeltPage";
constexpr int kFirstControlId = 100;
constexpr int kPageHeadingId = 1;
constexpr int kPageLinkId = 2;

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

// The program's mark, a road curving between two borehole points, in the square of side `s`
// at (x, y).
void draw_road_mark(HDC dc, int x, int y, int s) {
    const auto at = [&](double fx, double fy) {
        return POINT{x + static_cast<LONG>(fx * s), y + static_cast<LONG>(fy * s)};
    };
    HBRUSH blue = CreateSolidBrush(RGB(0x1f, 0x5f, 0x9f));
    HGDIOBJ old_brush = SelectObject(dc, blue);
    HGDIOBJ old_pen = SelectObject(dc, GetStockObject(NULL_PEN));
    RoundRect(dc, x, y, x + s + 1, y + s + 1, s / 3, s / 3);

    LOGBRUSH white{BS_SOLID, RGB(0xff, 0xff, 0xff), 0};
    HPEN road = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND,
                             std::max(1, s / 8), &white, 0, nullptr);
    SelectObject(dc, road);
    const POINT curve[4] = {at(0.15, 0.9), at(0.3, 0.3), at(0.7, 0.7), at(0.85, 0.1)};
    PolyBezier(dc, curve, 4);

    HBRUSH orange = CreateSolidBrush(RGB(0xf0, 0xa0, 0x30));
    SelectObject(dc, GetStockObject(NULL_PEN));
    SelectObject(dc, orange);
    const int r = std::max(1, s / 10);
    for (const POINT p : {at(0.72, 0.62), at(0.3, 0.35)})
        Ellipse(dc, p.x - r, p.y - r, p.x + r + 1, p.y + r + 1);

    SelectObject(dc, old_brush);
    SelectObject(dc, old_pen);
    DeleteObject(road);
    DeleteObject(blue);
    DeleteObject(orange);
}

// The small pictures of the caption strip: a bar on grey (minimise), a cross on red (end the
// program), drawn on a 16-unit grid scaled to the square of side `s`.
void draw_strip_mark(HDC dc, int x, int y, int s, bool cross) {
    const auto at = [&](double u, double v) {
        return POINT{x + static_cast<LONG>(u * s / 16), y + static_cast<LONG>(v * s / 16)};
    };
    HBRUSH fill = CreateSolidBrush(cross ? RGB(0xc0, 0x39, 0x2b) : RGB(0x5d, 0x6d, 0x7e));
    HGDIOBJ old_brush = SelectObject(dc, fill);
    HGDIOBJ old_pen = SelectObject(dc, GetStockObject(NULL_PEN));
    RoundRect(dc, x, y, x + s, y + s, 6 * s / 16, 6 * s / 16);
    LOGBRUSH white{BS_SOLID, RGB(0xff, 0xff, 0xff), 0};
    HPEN pen = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND, std::max(1, 2 * s / 16),
                            &white, 0, nullptr);
    SelectObject(dc, pen);
    const auto line = [&](POINT a, POINT b) {
        MoveToEx(dc, a.x, a.y, nullptr);
        LineTo(dc, b.x, b.y);
    };
    if (cross) {
        line(at(5, 5), at(11, 11));
        line(at(11, 5), at(5, 11));
    } else {
        line(at(4.5, 11), at(11.5, 11));
    }
    SelectObject(dc, old_brush);
    SelectObject(dc, old_pen);
    DeleteObject(pen);
    DeleteObject(fill);
}

// The page of a promotional window: its heading, and the rest as a link control whose link
// opens in the user's browser.
struct PageSetup {
    std::wstring heading, markup;
    HFONT font, heading_font;
    int dpi;
};

LRESULT CALLBACK page_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CREATE: {
            const auto* setup = static_cast<const PageSetup*>(
                reinterpret_cast<const CREATESTRUCTW*>(lparam)->lpCreateParams);
            RECT client{};
            GetClientRect(hwnd, &client);
            const int margin = MulDiv(8, setup->dpi, 96);
            const int heading = MulDiv(30, setup->dpi, 96);
            const int width = client.right - 2 * margin;
            HINSTANCE instance = GetModuleHandleW(nullptr);
            HWND title = CreateWindowExW(
                0, L"STATIC", setup->heading.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                margin, margin, width, heading, hwnd,
                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPageHeadingId)), instance, nullptr);
            SendMessageW(title, WM_SETFONT, reinterpret_cast<WPARAM>(setup->heading_font), FALSE);
            HWND link = CreateWindowExW(
                0, WC_LINK, setup->markup.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP, margin,
                margin + heading, width, client.bottom - 2 * margin - heading, hwnd,
                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPageLinkId)), instance, nullptr);
            SendMessageW(link, WM_SETFONT, reinterpret_cast<WPARAM>(setup->font), FALSE);
            return 0;
        }
        case WM_CTLCOLORSTATIC: {
            HDC dc = reinterpret_cast<HDC>(wparam);
            const bool heading = GetDlgCtrlID(reinterpret_cast<HWND>(lparam)) == kPageHeadingId;
            SetTextColor(dc, heading ? kSloganColour : GetSysColor(COLOR_WINDOWTEXT));
            SetBkColor(dc, RGB(0xff, 0xff, 0xff));
            return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
        }
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lparam);
            if (header->idFrom == kPageLinkId &&
                (header->code == NM_CLICK || header->code == NM_RETURN)) {
                const auto* link = reinterpret_cast<const NMLINK*>(lparam);
                open_or_tell(GetAncestor(hwnd, GA_ROOT), narrow(link->item.szUrl));
            }
            return 0;
        }
        default:
            break;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
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

    WNDCLASSEXW page{};
    page.cbSize = sizeof(page);
    page.lpfnWndProc = page_proc;
    page.hInstance = instance;
    page.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    page.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    page.lpszClassName = kPageClass;
    return RegisterClassExW(&page) != 0;
}

HICON make_program_icon(int size) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP colour = CreateCompatibleBitmap(screen, size, size);
    HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
    ReleaseDC(nullptr, screen);

    HGDIOBJ old = SelectObject(dc, colour);
    RECT all{0, 0, size, size};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    draw_road_mark(dc, 0, 0, size - 1);
    // The mask: transparent (1) outside the mark's rounded square.
    SelectObject(dc, mask);
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HGDIOBJ old_brush = SelectObject(dc, GetStockObject(BLACK_BRUSH));
    HGDIOBJ old_pen = SelectObject(dc, GetStockObject(NULL_PEN));
    RoundRect(dc, 0, 0, size, size, (size - 1) / 3, (size - 1) / 3);
    SelectObject(dc, old_brush);
    SelectObject(dc, old_pen);
    SelectObject(dc, old);
    DeleteDC(dc);

    ICONINFO info{TRUE, 0, 0, mask, colour};
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(colour);
    DeleteObject(mask);
    return icon;
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
    strip_brush_ = CreateSolidBrush(kStripColour);
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
    // The band's gradient, left to right across the band, whichever control shows a part of it.
    const RECT band = client_rect_of(*under), self = client_rect_of(control);
    const int span = std::max(1L, band.right - band.left - 1);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DC_BRUSH));
    for (LONG x = area.left; x < area.right; ++x) {
        const double t =
            std::clamp(static_cast<double>(self.left + x - band.left) / span, 0.0, 1.0);
        const auto mix = [t](int a, int b) { return static_cast<BYTE>(a + (b - a) * t + 0.5); };
        SetDCBrushColor(dc, RGB(mix(GetRValue(kBandLeft), GetRValue(kBandRight)),
                                mix(GetGValue(kBandLeft), GetGValue(kBandRight)),
                                mix(GetBValue(kBandLeft), GetBValue(kBandRight))));
        PatBlt(dc, x, area.top, 1, area.bottom - area.top, PATCOPY);
    }
    SelectObject(dc, old);
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
            SetTextColor(dc, kSloganColour);
            RECT text = r;
            const std::wstring caption = widen(c.caption);
            DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
                      DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
            SelectObject(dc, old);
            break;
        }
        case Look::road_mark:
            draw_road_mark(dc, r.left, r.top, side - 1);
            break;
        case Look::minimise_mark:
        case Look::close_mark:
            draw_strip_mark(dc, r.left, r.top, side, c.look == Look::close_mark);
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
                SetTextColor(dc, kLinkColour);
                SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
                return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
            }
            if (built && built->control->look == Look::caption_strip) {
                SetTextColor(dc, RGB(0xff, 0xff, 0xff));
                SetBkColor(dc, kStripColour);
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
