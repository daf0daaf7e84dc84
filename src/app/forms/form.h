#pragma once
// The desktop program's windows as a description: for every window its name, caption, client
// size and controls (name, kind, caption, rectangle in twips, the control it lies in, what a
// click does, how it looks). The Qt and the Win32 front ends each build the same windows from
// this one table and only map it onto their toolkit, so the two cannot drift apart.
//
// Rectangles are in twips (1/1440 inch) as the windows were drawn; to_pixels turns them into
// pixels at a screen's dots per inch (15 twips to the pixel at 96 DPI).

#include <span>
#include <string>
#include <string_view>

#include "app/forms/maker.h"
#include "app/forms/placement.h"

namespace qelt::forms {

enum class ControlKind {
    frame,          // a captioned frame; the controls that name it as parent lie inside it
    option_button,  // one of the mutually exclusive choices inside the same frame
    check_box,      // a choice on its own, off at start; read as a run begins
    push_button,
    label,    // text; may act on a click or a double click
    picture,  // drawn by the front end after its look; may act on a click
    line,     // a dividing line
    browser,  // the promotional page (kPromoHeading, kPromoText, the link, kPromoHint)
    list,     // lines of text to choose one from; the first is selected when the window opens,
              // so that Enter alone takes it; a long line scrolls sideways rather than being cut
};

// How a control is drawn beyond its kind and caption.
enum class Look {
    plain,
    link,           // the usual link blue, underlined, with the hand cursor
    slogan,         // bold, dark blue, over the header band
    header_band,    // picture: white to light blue, left to right
    road_mark,      // picture: the program's mark, a road curving between two boreholes
    caption_strip,  // white on blue: the promotional window's own caption strip
    minimise_mark,  // picture: a bar on grey
    close_mark,     // picture: a cross on red
};

// What a control does when it is clicked (double-clicked, for on_double_click).
enum class Action {
    none,
    coordinate_table,  // the coordinate-table run by the method the option buttons show
    as_drilled_table,  // the as-drilled run (坐标反算): surveyed holes back to station and offset
    line_tables,       // the line tables (线形表): the line's geometry and its stakes, to check
                       // against the design drawings
    help,              // the manual beside the program
    more_software,     // the maker's site, then the About window
    exit_program,      // ends the program at once, every window included
    close_window,      // closes the window holding the control
    open_site,         // the maker's site in the user's browser
    open_mail,         // a mail to the author
    minimise,          // minimises the window holding the control
    accept_choice,     // the line selected in the window's list is the answer; the window closes
};

struct TwipBox {
    int left = 0, top = 0, width = 0, height = 0;
};
struct PixelBox {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const PixelBox&) const = default;
};

struct Control {
    const char* name;
    ControlKind kind;
    const char* caption = "";
    TwipBox rect;                  // relative to the parent's top left corner
    const char* parent = nullptr;  // the frame it lies in; nullptr: the window itself
    Action action = Action::none;
    bool on_double_click = false;  // the action waits for a double click
    Look look = Look::plain;
    bool selected = false;        // an option button selected when the window opens
    bool default_button = false;  // the button Enter presses unless another has the focus
    const char* tip = nullptr;    // tool tip, if any
};

enum class WindowRole {
    main,         // the program's window
    modal,        // shown modally over the main window: the rest of the program waits
    promotional,  // modeless, on top of other windows, docking to a screen edge
};

struct Form {
    const char* name;
    const char* caption;
    int width = 0, height = 0;  // client area, twips
    WindowRole role;
    std::span<const Control> controls;
};

// The main window qeltfrm: the choice of method and the six buttons.
const Form& main_form();
// The main window's check box 设计高程: ticked, the runs read a design profile.
inline constexpr const char* kDesignElevationBox = "Check1";
// The main window's check box 对比计划: ticked, 坐标反算 compares with the planned holes.
inline constexpr const char* kComparePlannedBox = "Check2";
// The box 地面高程 under 设计高程: ticked, the tables read a ground surface.
inline constexpr const char* kGroundElevationBox = "Check3";
// The About window aboutfrm.
const Form& about_form();
// The promotional windows: the same form twice, differing in name, edge and page.
const Form& promo_form(ScreenEdge edge);
// The list window xlfrm, for choosing the alignment of a LandXML file that holds several (the
// ramps of an interchange): a prompt over the list, 确 定 (Enter, or a double click on a line)
// and 取 消 (Esc, or the close box: nothing is chosen). Its caption and the prompt's text are
// the form's own unless the run gives others; the run writes the lines.
const Form& alignment_list_form();
// The controls of alignment_list_form() that the front ends fill: the prompt and the list.
inline constexpr const char* kListPrompt = "Label1";
inline constexpr const char* kListLines = "List1";

struct PromoWindow {
    const char* name;
    ScreenEdge edge;   // CenterForm1's edge
    const char* page;  // path on the maker's site
};
// In the order the main window opens them.
inline constexpr PromoWindow kPromoWindows[2] = {
    {"adfrm", ScreenEdge::right, kRightPromoPage},
    {"ad1frm", ScreenEdge::left, kLeftPromoPage},
};
const PromoWindow& promo_window(ScreenEdge edge);
// The maker's site followed by the window's page.
std::string promo_page_url(ScreenEdge edge);

// The control of `form` called `name`, or nullptr.
const Control* find_control(const Form& form, std::string_view name);
// The control's rectangle relative to the window's client area: its parents' corners added.
TwipBox window_twips(const Form& form, const Control& control);
// Twips to pixels at `dpi` dots per inch, each value rounded to the nearest pixel.
int twips_to_device_pixels(int twips, int dpi);
PixelBox to_pixels(const TwipBox& box, int dpi = 96);

// The font of every window: 宋体 at 9 points where installed, else the first of the others.
inline constexpr const char* kFontFaces[] = {"宋体", "SimSun", "NSimSun", "WenQuanYi Micro Hei"};
inline constexpr int kFontPoints = 9;

// The promotional page as rich text (HTML), for a text view that shows links.
std::string promo_page_html(std::string_view url);
// The same page below its heading as the text of a link control: plain lines ('\n') with the
// link written <a href="url">url</a>.
std::string promo_link_markup(std::string_view url);

// `text` with &, <, > and " written as HTML entities.
std::string html_escape(std::string_view text);

}  // namespace qelt::forms
