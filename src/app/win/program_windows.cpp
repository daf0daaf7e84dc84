#include "app/win/program_windows.h"

#include <functional>

#include "app/forms/file_rules.h"
#include "app/forms/form.h"
#include "app/forms/main_actions.h"
#include "app/forms/maker.h"
#include "app/win/desktop.h"
#include "app/win/program.h"
#include "app/win/screen.h"
#include "app/win/wide.h"

namespace qelt::win {

namespace {

// Fixed-size windows: a caption with the system menu and minimise box, no sizing frame.
constexpr DWORD kFixedWindow = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// The folder the program was started from.
std::string program_folder() {
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length);
    return forms::folder_of(narrow(path));
}

}  // namespace

// --- promotional windows ----------------------------------------------------------------------

PromoWindow::PromoWindow(forms::ScreenEdge edge)
    : FormWindow(forms::promo_form(edge)), edge_(edge) {
    page_url = forms::promo_page_url(edge);
}

bool PromoWindow::open() {
    // Without an owner, so that it stays when the main window is closed.
    if (!create(nullptr, kFixedWindow, WS_EX_TOPMOST)) return false;
    // Load: against the edge, on top of other windows (at the place CenterForm1 chose, in the
    // system's pixels), then the page (made with the window); Timer2 starts waiting.
    CenterForm1(hwnd());
    const forms::TwipRect frame = window_twips(hwnd());
    const forms::PixelPoint at =
        forms::topmost_position({frame.left, frame.top}, twips_per_pixel());
    SetWindowPos(hwnd(), HWND_TOPMOST, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    SetTimer(hwnd(), kTimer2, forms::kDockArmMs, nullptr);
    ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
    // The system measures the frame it draws only for a window on screen: against the edge
    // again by that frame (a move of a few pixels where Windows draws invisible borders).
    CenterForm1(hwnd());
    return true;
}

void PromoWindow::CenterForm1(HWND frm) {
    const forms::TwipRect screen = screen_twips();
    // Against the edge as the user sees the window: Windows 10 and 11 draw it inside invisible
    // borders, and docking measures the drawn frame, so a window placed by its outer rectangle
    // would stand a few pixels off the edge and never be found touching it.
    const forms::TwipRect frame =
        forms::pixels_to_twips(drawn_frame_pixels(frm), twips_per_pixel());
    move_frame_to_twips(
        frm, forms::center_form1(edge_, screen.width, screen.height, frame.width, frame.height));
}

void PromoWindow::dock() {
    forms::DockInput in;
    in.cursor = cursor_pixels();
    in.frame = drawn_frame_pixels(hwnd());
    in.twips_per_pixel = twips_per_pixel();
    in.screen_width = screen_twips().width;
    in.minimised = IsIconic(hwnd()) != FALSE;
    const std::optional<forms::DockMove> move = forms::dock_step(in);
    if (!move) return;
    move_frame_to_twips(hwnd(), move->position);
    const forms::PixelRect after = drawn_frame_pixels(hwnd());
    if (move->bring_to_front && (after.left != in.frame.left || after.top != in.frame.top))
        SetWindowPos(hwnd(), HWND_TOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

bool PromoWindow::handle(UINT message, WPARAM wparam, LPARAM, LRESULT& result) {
    if (message != WM_TIMER) return false;
    if (wparam == kTimer2 && !docking_) {
        // From the first tick on, Timer1 watches the cursor as often as timers come.
        docking_ = true;
        SetTimer(hwnd(), kTimer1, forms::kDockPollMs, nullptr);
    } else if (wparam == kTimer1) {
        dock();
    }
    result = 0;
    return true;
}

// --- About window -----------------------------------------------------------------------------

AboutWindow::AboutWindow() : FormWindow(forms::about_form()) {}

void AboutWindow::show(HWND owner) {
    if (!create(owner, kFixedWindow & ~WS_MINIMIZEBOX, WS_EX_DLGMODALFRAME)) return;
    CenterForm(hwnd());  // load
    show_modal(*this);
}

void AboutWindow::CenterForm(HWND frm) {
    center_form(frm);
}

// --- main window ------------------------------------------------------------------------------

MainWindow::MainWindow() : FormWindow(forms::main_form()) {}

MainWindow::~MainWindow() = default;

bool MainWindow::open(int show_command) {
    if (!create(nullptr, kFixedWindow, 0)) return false;
    // Load: the promotional windows first (adfrm, then ad1frm), then the help file, then the
    // window's own place.
    for (const forms::PromoWindow& promo : forms::kPromoWindows) {
        auto window = std::make_unique<PromoWindow>(promo.edge);
        if (window->open())
            (promo.edge == forms::ScreenEdge::right ? adfrm_ : ad1frm_) = std::move(window);
    }
    help_file_ = forms::help_file_path(program_folder(), forms::PathStyle::windows);
    CenterForm(hwnd());
    ShowWindow(hwnd(), show_command);
    UpdateWindow(hwnd());
    return true;
}

void MainWindow::CenterForm(HWND frm) {
    center_form(frm);
}

namespace {

// The main window's own actions, as forms does them, on Win32.
class Win32Shell : public forms::MainWindowShell {
  public:
    Win32Shell(HWND window, std::string& last_chosen_file, const std::string& help_file,
               Method method, bool heights, bool planned, bool ground)
        : window_(window),
          last_chosen_file_(last_chosen_file),
          help_file_(help_file),
          method_(method),
          heights_(heights),
          planned_(planned),
          ground_(ground) {}
    Method chosen_method() const override { return method_; }
    bool design_elevation() const override { return heights_; }
    bool compare_planned() const override { return planned_; }
    bool ground_elevation() const override { return ground_; }
    void with_desktop(const std::function<void(forms::Desktop&)>& run) override {
        Win32Desktop desktop(window_, last_chosen_file_);
        run(desktop);
    }
    void open_help() override { open_or_tell(window_, help_file_); }
    void open_site(const std::string& url) override { open_or_tell(window_, url); }
    void show_about() override {
        AboutWindow about;
        about.show(window_);
    }

  private:
    HWND window_;
    std::string& last_chosen_file_;
    const std::string& help_file_;
    Method method_;
    bool heights_;
    bool planned_;
    bool ground_;
};

}  // namespace

void MainWindow::act(forms::Action action) {
    // The method is read once, as the button is clicked; the run keeps to it.
    const bool main_line =
        SendMessageW(control("Option1"), BM_GETCHECK, 0, 0) == static_cast<LRESULT>(BST_CHECKED);
    const bool heights = SendMessageW(control(forms::kDesignElevationBox), BM_GETCHECK, 0, 0) ==
                         static_cast<LRESULT>(BST_CHECKED);
    const bool planned = SendMessageW(control(forms::kComparePlannedBox), BM_GETCHECK, 0, 0) ==
                         static_cast<LRESULT>(BST_CHECKED);
    const bool ground = SendMessageW(control(forms::kGroundElevationBox), BM_GETCHECK, 0, 0) ==
                        static_cast<LRESULT>(BST_CHECKED);
    Win32Shell shell(hwnd(), last_chosen_file_, help_file_,
                     main_line ? Method::intersection_points : Method::building_blocks, heights,
                     planned, ground);
    if (!forms::act_on_main_window(action, shell, last_run_)) FormWindow::act(action);
}

}  // namespace qelt::win
