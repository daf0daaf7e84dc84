// The Windows desktop program's windows checked against their description in forms/: every
// control exists as the native control of its kind with its caption, rectangle (twips at the
// system DPI), style and check state, and a click (or double click) on it asks for its action.
// Also the helpers at the Windows calls: UTF-8 ↔ UTF-16, the message boxes' styles, and the
// file system's answers to the desktop run.
//
// The window checks need a display: under wine without one no window can be made, and they are
// skipped (tests/win/gui_smoke.sh runs this program on a virtual screen too).

#include <gtest/gtest.h>
#include <windows.h>

#include <iterator>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "app/forms/form.h"
#include "app/run.h"
#include "app/win/desktop.h"
#include "app/win/form_window.h"
#include "app/win/list_window.h"
#include "app/win/screen.h"
#include "app/win/wide.h"

using namespace qelt;
using namespace qelt::win;
using forms::Action;
using forms::ControlKind;

namespace qelt::forms {
// Rectangles in failure messages.
void PrintTo(const PixelBox& b, std::ostream* out) {
    *out << "(" << b.left << ", " << b.top << ", " << b.width << " x " << b.height << ")";
}
}  // namespace qelt::forms

namespace {

class TestWindow : public FormWindow {
  public:
    explicit TestWindow(const forms::Form& form) : FormWindow(form) {}
    std::vector<Action> acted;

  protected:
    void act(Action action) override { acted.push_back(action); }
};

bool classes_registered() {
    static const bool registered = register_window_classes(GetModuleHandleW(nullptr));
    return registered;
}

std::wstring text_of(HWND hwnd) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring class_of(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

// The control's rectangle in its window's client area.
forms::PixelBox client_box(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

std::vector<const forms::Form*> all_forms() {
    return {&forms::main_form(), &forms::about_form(), &forms::promo_form(forms::ScreenEdge::right),
            &forms::promo_form(forms::ScreenEdge::left), &forms::alignment_list_form()};
}

// Makes the window of `form`, hidden; skips the test where no window can be made.
#define MAKE_WINDOW(window)                                                      \
    ASSERT_TRUE(classes_registered());                                           \
    if (!(window).create(nullptr, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 0)) { \
        GTEST_SKIP() << "no window can be made here (wine without a display)";   \
    }

}  // namespace

TEST(WinText, Utf8AndUtf16) {
    struct Case {
        std::string utf8;
        std::wstring wide;
    };
    const Case cases[] = {
        {"", L""},
        {"Qelt V2.0", L"Qelt V2.0"},
        {"钻孔数量及位置表", L"钻孔数量及位置表"},
        {"  坐标表", L"  坐标表"},
        {std::string("a\0b\0\0", 5), std::wstring(L"a\0b\0\0", 5)},  // a filter list
        {"\xF0\x9F\x9A\xA7", L"\U0001F6A7"},  // beyond the BMP: a surrogate pair
    };
    for (const Case& c : cases) {
        EXPECT_EQ(widen(c.utf8), c.wide) << c.utf8;
        EXPECT_EQ(narrow(c.wide), c.utf8) << c.utf8;
    }
    // The borehole dialog's filter as GetOpenFileNameW takes it: closed by two NULs.
    const wchar_t expected[] =
        L"文本文件(*.txt;*.dat)\0*.txt;*.dat\0CSV 文件(*.csv)\0*.csv\0文本文件(*.txt)\0*.txt\0"
        L"所有文件（*.*)\0*.*\0";
    EXPECT_EQ(widen(forms::win32_file_filter(kBoreholeDialog.filter)),
              std::wstring(expected, std::size(expected)));
}

TEST(WinMessages, TitlesKeepTheirIcons) {
    struct Case {
        forms::MessageKind kind;
        UINT icon;
    };
    const Case cases[] = {
        {forms::MessageKind::error, MB_ICONERROR},
        {forms::MessageKind::data, 0},  // "数据有误": OK only, no icon
        {forms::MessageKind::information, MB_ICONINFORMATION},
    };
    for (const Case& c : cases) {
        const UINT style = message_box_style(c.kind);
        EXPECT_EQ(style & MB_TYPEMASK, static_cast<UINT>(MB_OK));
        EXPECT_EQ(style & MB_ICONMASK, c.icon);
    }
}

TEST(WinDesktop, FileSystemAnswers) {
    wchar_t temp[MAX_PATH] = {};
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    const std::string root =
        forms::join_path(narrow(temp), "qelt-测试-" + std::to_string(GetCurrentProcessId()),
                         forms::PathStyle::windows);
    std::string last_chosen_file;
    Win32Desktop desktop(nullptr, last_chosen_file);
    EXPECT_EQ(desktop.path_style(), forms::PathStyle::windows);
    const std::string nested = forms::join_path(root, "工程/钻孔", forms::PathStyle::windows);
    EXPECT_FALSE(desktop.exists(nested));
    EXPECT_FALSE(desktop.folder_writable(nested));
    desktop.make_folder(nested);  // the folders above it too
    EXPECT_TRUE(desktop.exists(nested));
    EXPECT_TRUE(desktop.folder_writable(nested));
    // The probe leaves nothing behind.
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(widen(nested + "\\*").c_str(), &found);
    int entries = 0;
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (found.cFileName != std::wstring(L".") && found.cFileName != std::wstring(L".."))
                ++entries;
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    EXPECT_EQ(entries, 0);
    // A file is no folder to write into.
    const std::string file = forms::join_path(nested, "zk.txt", forms::PathStyle::windows);
    HANDLE h = CreateFileW(widen(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_TRUE(desktop.exists(file));
    EXPECT_FALSE(desktop.folder_writable(file));
    EXPECT_FALSE(desktop.documents_folder().empty());
    DeleteFileW(widen(file).c_str());
    RemoveDirectoryW(widen(nested).c_str());
    RemoveDirectoryW(widen(forms::folder_of(nested)).c_str());
    RemoveDirectoryW(widen(root).c_str());
}

TEST(WinWindows, MatchTheirDescription) {
    const int dpi = system_dpi();
    for (const forms::Form* form : all_forms()) {
        TestWindow window(*form);
        if (form->role == forms::WindowRole::promotional) window.page_url = "https://example.org/p";
        MAKE_WINDOW(window);
        EXPECT_EQ(text_of(window.hwnd()), widen(form->caption));
        RECT client{};
        GetClientRect(window.hwnd(), &client);
        EXPECT_EQ(client.right, forms::twips_to_device_pixels(form->width, dpi)) << form->name;
        EXPECT_EQ(client.bottom, forms::twips_to_device_pixels(form->height, dpi)) << form->name;
        for (const forms::Control& c : form->controls) {
            HWND control = window.control(c.name);
            ASSERT_NE(control, nullptr) << c.name;
            EXPECT_EQ(GetParent(control), window.hwnd()) << c.name;
            EXPECT_TRUE(IsWindowVisible(control) || !IsWindowVisible(window.hwnd())) << c.name;
            EXPECT_EQ(client_box(control), forms::to_pixels(forms::window_twips(*form, c), dpi))
                << form->name << " " << c.name;
            const LONG style = GetWindowLongW(control, GWL_STYLE);
            switch (c.kind) {
                case ControlKind::frame:
                    EXPECT_EQ(class_of(control), L"Button");
                    EXPECT_EQ(style & BS_TYPEMASK, BS_GROUPBOX) << c.name;
                    break;
                case ControlKind::option_button:
                    EXPECT_EQ(class_of(control), L"Button");
                    EXPECT_EQ(style & BS_TYPEMASK, BS_AUTORADIOBUTTON) << c.name;
                    EXPECT_EQ(SendMessageW(control, BM_GETCHECK, 0, 0),
                              c.selected ? BST_CHECKED : BST_UNCHECKED)
                        << c.name;
                    break;
                case ControlKind::check_box:
                    EXPECT_EQ(class_of(control), L"Button");
                    EXPECT_EQ(style & BS_TYPEMASK, BS_AUTOCHECKBOX) << c.name;
                    EXPECT_EQ(SendMessageW(control, BM_GETCHECK, 0, 0), BST_UNCHECKED) << c.name;
                    break;
                case ControlKind::push_button:
                    EXPECT_EQ(class_of(control), L"Button");
                    EXPECT_EQ(style & BS_TYPEMASK,
                              c.default_button ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON)
                        << c.name;
                    break;
                case ControlKind::label:
                case ControlKind::picture:
                case ControlKind::line:
                    EXPECT_EQ(class_of(control), L"Static");
                    EXPECT_EQ((style & SS_NOTIFY) != 0, c.action != Action::none) << c.name;
                    break;
                case ControlKind::browser:
                    EXPECT_EQ(class_of(control), L"QeltPage");
                    break;
                case ControlKind::list:
                    // One line at a time, telling its double clicks, at the form's height.
                    EXPECT_EQ(class_of(control), L"ListBox");
                    EXPECT_TRUE(style & LBS_NOTIFY) << c.name;
                    EXPECT_TRUE(style & LBS_NOINTEGRALHEIGHT) << c.name;
                    EXPECT_FALSE(style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) << c.name;
                    break;
            }
            if (c.kind != ControlKind::browser) {
                EXPECT_EQ(text_of(control), widen(c.caption)) << c.name;
            }
        }
    }
}

TEST(WinWindows, ClicksAskForTheirActions) {
    for (const forms::Form* form : all_forms()) {
        TestWindow window(*form);
        MAKE_WINDOW(window);
        for (const forms::Control& c : form->controls) {
            HWND control = window.control(c.name);
            ASSERT_NE(control, nullptr);
            const int id = GetDlgCtrlID(control);
            const auto send = [&](int code) {
                window.acted.clear();
                SendMessageW(window.hwnd(), WM_COMMAND, MAKEWPARAM(id, code),
                             reinterpret_cast<LPARAM>(control));
                return window.acted;
            };
            const std::vector<Action> none, action{c.action};
            // A list's codes are its own: a new selection (1, a static's double click) only
            // selects.
            const bool list = c.kind == ControlKind::list;
            const int click = list ? LBN_SELCHANGE : STN_CLICKED;
            const int double_click = list ? LBN_DBLCLK : STN_DBLCLK;
            if (c.action == Action::none) {
                EXPECT_EQ(send(BN_CLICKED), none) << c.name;
                EXPECT_EQ(send(STN_DBLCLK), none) << c.name;
            } else if (c.on_double_click) {
                EXPECT_EQ(send(click), none) << c.name;
                EXPECT_EQ(send(double_click), action) << c.name;
            } else {
                EXPECT_EQ(send(BN_CLICKED), action) << c.name;  // = STN_CLICKED
            }
        }
        // Enter presses the default button, where there is one.
        const LRESULT def = SendMessageW(window.hwnd(), DM_GETDEFID, 0, 0);
        const forms::Control* default_button = nullptr;
        for (const forms::Control& c : form->controls)
            if (c.default_button) default_button = &c;
        if (default_button) {
            EXPECT_EQ(HIWORD(def), DC_HASDEFID);
            EXPECT_EQ(LOWORD(def), GetDlgCtrlID(window.control(default_button->name)));
        } else {
            EXPECT_EQ(def, 0);
        }
    }
}

TEST(WinWindows, OptionButtonsExcludeEachOther) {
    TestWindow window(forms::main_form());
    MAKE_WINDOW(window);
    HWND option1 = window.control("Option1"), option2 = window.control("Option2");
    SendMessageW(option2, BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessageW(option2, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(option1, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    SendMessageW(option1, BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessageW(option1, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(option2, BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST(WinWindows, CenterFormPlacesTheOuterRectangle) {
    TestWindow window(forms::main_form());
    MAKE_WINDOW(window);
    center_form(window.hwnd());
    const forms::PixelRect r = window_pixels(window.hwnd());
    const int screen_w = GetSystemMetrics(SM_CXSCREEN), screen_h = GetSystemMetrics(SM_CYSCREEN);
    const int w = r.right - r.left, h = r.bottom - r.top;
    EXPECT_NEAR(r.left, (screen_w - w) / 2.0, 1.0);
    EXPECT_NEAR(r.top, (screen_h - h) / 3.0, 1.0);
}

// 坐标反算 is there and asks for the as-drilled run.
TEST(WinWindows, AsDrilledButton) {
    TestWindow window(forms::main_form());
    MAKE_WINDOW(window);
    HWND button = window.control("Command2");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(text_of(button), L"  坐标反算");
    SendMessageW(window.hwnd(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
    EXPECT_EQ(window.acted, std::vector<Action>{Action::as_drilled_table});
}

// Both buttons of the About window close it: 取 消 as well as 确 定 (a cancel button that did
// nothing read as a broken program).
TEST(WinWindows, AboutButtonsBothClose) {
    for (const char* name : {"Command1", "Command2"}) {
        TestWindow window(forms::about_form());
        MAKE_WINDOW(window);
        HWND button = window.control(name);
        ASSERT_NE(button, nullptr) << name;
        SendMessageW(window.hwnd(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
        EXPECT_EQ(window.acted, std::vector<Action>{Action::close_window}) << name;
    }
}

namespace {

const std::vector<std::string> kRamps = {
    "A匝道    长 1234.567 米    K0+000 ～ K1+234.567",
    "B匝道    长 456.000 米    BK0+000 ～ BK0+456",
    "C匝道    长 789.120 米    CK0+000 ～ CK0+789.120",
};

// The text of line `index` of a list box.
std::wstring line_of(HWND list, int index) {
    std::wstring text(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, index, 0)) + 1,
                      L'\0');
    text.resize(static_cast<std::size_t>(
        SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

}  // namespace

// The list window as the run shows it: its title, prompt and lines, the first line selected,
// and a list that scrolls sideways as far as the longest line.
TEST(WinListWindow, ShowsTheRunsLines) {
    ASSERT_TRUE(classes_registered());
    ListWindow window("某互通立交.xml", "文件中有 3 条线路：", kRamps);
    if (!window.open(nullptr))
        GTEST_SKIP() << "no window can be made here (wine without a display)";
    EXPECT_EQ(text_of(window.hwnd()), L"某互通立交.xml");
    EXPECT_EQ(text_of(window.control(forms::kListPrompt)), L"文件中有 3 条线路：");
    HWND list = window.control(forms::kListLines);
    ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(line_of(list, i), widen(kRamps[i])) << i;
    EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 0);
    EXPECT_GT(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0), 0);
    window.close();
    EXPECT_EQ(window.chosen(), std::nullopt);

    // Without a title or prompt of the run's, the form's own.
    ListWindow plain("", "", {});
    ASSERT_TRUE(plain.open(nullptr));
    EXPECT_EQ(text_of(plain.hwnd()), widen(forms::alignment_list_form().caption));
    EXPECT_EQ(
        text_of(plain.control(forms::kListPrompt)),
        widen(forms::find_control(forms::alignment_list_form(), forms::kListPrompt)->caption));
    plain.close();
}

// Each way of closing the window: the line chosen, or nothing. The keys go through the window's
// own modal loop and the dialog keyboard handling, as the user's would; the clicks (the
// notifications the controls send) straight to the window, which then need not be shown (under
// wine without a window manager, a shown window takes two seconds to go).
TEST(WinListWindow, ChoosesOrCancels) {
    ASSERT_TRUE(classes_registered());
    struct Case {
        const char* what;
        int select;         // the line selected first; -1: none, < -1: as opened
        const char* focus;  // the control that has the keyboard; nullptr: the list
        std::vector<std::pair<const char*, int>> clicks;  // (control, notification)
        std::vector<WPARAM> keys;                         // or keys pressed, in the loop
        std::optional<std::size_t> chosen;
        bool closes = true;
    };
    const Case cases[] = {
        {"确 定 on the line selected at opening", -2, nullptr, {{"Command1", BN_CLICKED}}, {}, 0},
        {"second line, 确 定", 1, nullptr, {{"Command1", BN_CLICKED}}, {}, 1},
        {"double click on the third line", 2, nullptr, {{forms::kListLines, LBN_DBLCLK}}, {}, 2},
        {"a new selection alone",
         2,
         nullptr,
         {{forms::kListLines, LBN_SELCHANGE}},
         {},
         std::nullopt,
         false},
        {"取 消", 1, nullptr, {{"Command2", BN_CLICKED}}, {}, std::nullopt},
        // No line selected: 确 定 chooses none for the user, and the window stays.
        {"no line, 确 定", -1, nullptr, {{"Command1", BN_CLICKED}}, {}, std::nullopt, false},
        {"second line, Enter", 1, nullptr, {}, {VK_RETURN}, 1},
        {"Esc", 1, nullptr, {}, {VK_ESCAPE}, std::nullopt},
        // Tab to 取 消 and Enter: the button with the focus, not the default one.
        {"Enter on 取 消", 1, "Command2", {}, {VK_RETURN}, std::nullopt},
    };
    for (const Case& c : cases) {
        ListWindow window("某互通立交.xml", "", kRamps);
        if (!window.open(nullptr))
            GTEST_SKIP() << "no window can be made here (wine without a display)";
        HWND list = window.control(forms::kListLines);
        if (c.select > -2) SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(c.select), 0);
        for (const auto& [name, code] : c.clicks) {
            HWND control = window.control(name);
            SendMessageW(window.hwnd(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
                         reinterpret_cast<LPARAM>(control));
        }
        if (!c.keys.empty()) {
            HWND focus = c.focus ? window.control(c.focus) : list;
            for (const WPARAM key : c.keys) {
                PostMessageW(focus, WM_KEYDOWN, key, 1);
                PostMessageW(focus, WM_KEYUP, key, 0xC0000001);
            }
            // A key that left the window open ends the loop rather than hang the test.
            PostMessageW(window.hwnd(), WM_CLOSE, 0, 0);
            // Shown and active (which puts the focus on the list), then the focus where the
            // user would have moved it.
            ShowWindow(window.hwnd(), SW_SHOW);
            SetFocus(focus);
            EXPECT_EQ(window.run(), c.chosen) << c.what;
            continue;
        }
        EXPECT_EQ(window.hwnd() == nullptr, c.closes) << c.what;
        EXPECT_EQ(window.chosen(), c.chosen) << c.what;
        window.close();
        EXPECT_EQ(window.chosen(), c.chosen) << c.what;  // closing afterwards chooses nothing
    }
}
