#include "app/win/promo_page.h"

#include <commctrl.h>

#include "app/forms/looks.h"
#include "app/win/desktop.h"
#include "app/win/look_drawing.h"
#include "app/win/wide.h"

namespace qelt::win {

namespace {

constexpr int kPageHeadingId = 1;
constexpr int kPageLinkId = 2;

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
            SetTextColor(dc,
                         heading ? colour_of(forms::kSloganColour) : GetSysColor(COLOR_WINDOWTEXT));
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

bool register_page_class(HINSTANCE instance) {
    WNDCLASSEXW page{};
    page.cbSize = sizeof(page);
    page.lpfnWndProc = page_proc;
    page.hInstance = instance;
    page.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    page.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    page.lpszClassName = kPageClass;
    return RegisterClassExW(&page) != 0;
}

}  // namespace qelt::win
