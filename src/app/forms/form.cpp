#include "app/forms/form.h"

#include <cmath>

#include "app/forms/looks.h"

namespace qelt::forms {

namespace {

using K = ControlKind;

// qeltfrm. The button captions begin with two blanks; the buttons form a two-by-two block to
// the right of the method frame. The option buttons lie inside Frame1. The as-drilled run came
// later: its button opens a third row under the block, in the column of the coordinate table
// it follows on site, so that every control users know stays where it was; the window grows
// by that row. The line tables, which the engineer checks against the design drawings before
// any borehole is placed, take the row's second place, under 退 出, in the same block. The
// heights came later still: 设计高程, a choice the runs read as they begin, fills the free place
// of that row under the method frame, left as every control users know stays where it was;
// 对比计划, the as-drilled run's choice, follows it on that row; 地面高程, read by both tables,
// opens a row of its own under 设计高程, and the window grows by it.
constexpr Control kMainControls[] = {
    {.name = "Frame1", .kind = K::frame, .caption = "方 法", .rect = {360, 120, 2415, 975}},
    {.name = "Option1",
     .kind = K::option_button,
     .caption = "交点法―主线",
     .rect = {345, 240, 1575, 300},
     .parent = "Frame1",
     .selected = true},
    {.name = "Option2",
     .kind = K::option_button,
     .caption = "积木法―互通",
     .rect = {345, 600, 1455, 255},
     .parent = "Frame1"},
    {.name = "Command1",
     .kind = K::push_button,
     .caption = "  坐标表",
     .rect = {3120, 240, 1215, 375},
     .action = Action::coordinate_table},
    {.name = "xpcmdbutton2",
     .kind = K::push_button,
     .caption = "  更多软件",
     .rect = {4515, 240, 1215, 375},
     .action = Action::more_software},
    {.name = "xpcmdbutton1",
     .kind = K::push_button,
     .caption = "  帮 助",
     .rect = {3120, 720, 1215, 375},
     .action = Action::help},
    {.name = "xpcmdbutton3",
     .kind = K::push_button,
     .caption = "  退 出",
     .rect = {4515, 720, 1215, 375},
     .action = Action::exit_program},
    {.name = "Command2",
     .kind = K::push_button,
     .caption = "  坐标反算",
     .rect = {3120, 1200, 1215, 375},
     .action = Action::as_drilled_table},
    {.name = "Command3",
     .kind = K::push_button,
     .caption = "  线形表",
     .rect = {4515, 1200, 1215, 375},
     .action = Action::line_tables},
    {.name = kDesignElevationBox,
     .kind = K::check_box,
     .caption = "设计高程",
     .rect = {480, 1260, 1215, 255},
     .tip = "勾选后，坐标表、坐标反算和线形表读取纵断面资料，给出每个钻孔和桩的设计高程"},
    // Back from the field, the engineer compares the drilled holes with the planned ones: a
    // choice beside 设计高程, read as 坐标反算 begins, so that a run without it asks nothing more.
    {.name = kComparePlannedBox,
     .kind = K::check_box,
     .caption = "对比计划",
     .rect = {1800, 1260, 1215, 255},
     .tip = "勾选后，坐标反算在实测坐标资料之后读取计划钻孔资料（出坐标表用的钻孔资料），"
            "按放样点名逐孔对比计划与实测孔位"},
    {.name = kGroundElevationBox,
     .kind = K::check_box,
     .caption = "地面高程",
     .rect = {480, 1560, 1215, 255},
     .tip = "勾选后，坐标表、坐标反算和线形表读取地面资料（LandXML 地面或测量点），给出每个钻孔"
            "（线形表：每个桩）的地面高程，与设计高程同选时给出填挖高"},
};

constexpr Form kMainForm{"qeltfrm", "Qelt V2.0", 6075, 2040, WindowRole::main, kMainControls};

// aboutfrm: a header band with the program's mark and the site's slogan (each a way to the
// site), then the maker, the author and the two addresses, then the buttons.
constexpr int kAboutWidth = 5400;
constexpr Control kAboutControls[] = {
    {.name = "picBGHead",
     .kind = K::picture,
     .rect = {0, 0, kAboutWidth, 840},
     .action = Action::open_site,
     .look = Look::header_band},
    {.name = "picBGHeadIcon",
     .kind = K::picture,
     .rect = {180, 120, 600, 600},
     .action = Action::open_site,
     .look = Look::road_mark},
    {.name = "lblBGHeadInfo1",
     .kind = K::label,
     .caption = kMakerSlogan,
     .rect = {960, 270, 4260, 300},
     .action = Action::open_site,
     .look = Look::slogan},
    {.name = "linBorder", .kind = K::line, .rect = {0, 840, kAboutWidth, 30}},
    {.name = "Label3", .kind = K::label, .caption = "单 位：", .rect = {600, 1140, 1140, 270}},
    {.name = "Label9",
     .kind = K::label,
     .caption = kMakerOrganisation,
     .rect = {1800, 1140, 3360, 270}},
    {.name = "Label2", .kind = K::label, .caption = "作 者：", .rect = {600, 1500, 1140, 270}},
    {.name = "Label7", .kind = K::label, .caption = kMakerAuthor, .rect = {1800, 1500, 3360, 270}},
    {.name = "Label6", .kind = K::label, .caption = "软件下载：", .rect = {600, 1860, 1140, 270}},
    {.name = "Label4",
     .kind = K::label,
     .caption = kMakerSite,
     .rect = {1800, 1860, 3360, 270},
     .action = Action::open_site,
     .look = Look::link},
    {.name = "Label5", .kind = K::label, .caption = "E-mail：", .rect = {600, 2220, 1140, 270}},
    {.name = "lblHomepage",
     .kind = K::label,
     .caption = kMakerMail,
     .rect = {1800, 2220, 3360, 270},
     .action = Action::open_mail,
     .look = Look::link},
    {.name = "Command1",
     .kind = K::push_button,
     .caption = "  确  定",
     .rect = {2280, 2820, 1215, 375},
     .action = Action::close_window,
     .default_button = true},
    // 取 消 closes the window like 确 定: the window asks nothing, so there is nothing to
    // cancel but the window itself, and a button that does nothing reads as a broken one.
    {.name = "Command2",
     .kind = K::push_button,
     .caption = "取    消",
     .rect = {3780, 2820, 1215, 375},
     .action = Action::close_window},
};

constexpr Form kAboutForm{"aboutfrm", kMakerBrand,       kAboutWidth,
                          3480,       WindowRole::modal, kAboutControls};

// adfrm and ad1frm: a caption strip (double click closes the window) with the two small
// pictures on it, and the page below.
constexpr int kPromoWidth = 3600;
constexpr int kPromoStrip = 300;
constexpr Control kPromoControls[] = {
    {.name = "Label1",
     .kind = K::label,
     .caption = " 休息一下，马上回来！",
     .rect = {0, 0, kPromoWidth, kPromoStrip},
     .action = Action::close_window,
     .on_double_click = true,
     .look = Look::caption_strip},
    {.name = "Image1",
     .kind = K::picture,
     .rect = {kPromoWidth - 600, 30, 240, 240},
     .action = Action::minimise,
     .look = Look::minimise_mark,
     .tip = "最小化"},
    {.name = "Image2",
     .kind = K::picture,
     .rect = {kPromoWidth - 300, 30, 240, 240},
     .action = Action::exit_program,
     .look = Look::close_mark,
     .tip = "退出程序"},
    {.name = "WebBrowser1", .kind = K::browser, .rect = {0, kPromoStrip, kPromoWidth, 4200}},
};

constexpr const char* kPromoCaption = "休息一下，马上回来！";
constexpr Form kRightPromoForm{"adfrm", kPromoCaption,           kPromoWidth,
                               4500,    WindowRole::promotional, kPromoControls};
constexpr Form kLeftPromoForm{"ad1frm", kPromoCaption,           kPromoWidth,
                              4500,     WindowRole::promotional, kPromoControls};

// xlfrm: the prompt, the list below it and the two buttons at its right-hand foot. The list is
// sized for the interchanges met in practice: eight lines in view (an interchange of more ramps
// scrolls), each wide enough for a ramp's name, its length and both end stations, some sixty
// half-width characters of 宋体 9 pt (90 twips each) beside the scroll bar.
constexpr int kListWidth = 6600;
constexpr int kListMargin = 240;
constexpr Control kListControls[] = {
    {.name = kListPrompt,
     .kind = K::label,
     .caption = "请选择一条线路：",
     .rect = {kListMargin, 165, kListWidth - 2 * kListMargin, 270}},
    {.name = kListLines,
     .kind = K::list,
     .rect = {kListMargin, 495, kListWidth - 2 * kListMargin, 2025},
     .action = Action::accept_choice,
     .on_double_click = true},
    {.name = "Command1",
     .kind = K::push_button,
     .caption = "确 定",
     .rect = {3645, 2715, 1215, 375},
     .action = Action::accept_choice,
     .default_button = true},
    {.name = "Command2",
     .kind = K::push_button,
     .caption = "取 消",
     .rect = {kListWidth - kListMargin - 1215, 2715, 1215, 375},
     .action = Action::close_window},
};

constexpr Form kListForm{"xlfrm", "选择线路", kListWidth, 3300, WindowRole::modal, kListControls};

}  // namespace

const Form& main_form() {
    return kMainForm;
}

const Form& about_form() {
    return kAboutForm;
}

const Form& alignment_list_form() {
    return kListForm;
}

const Form& promo_form(ScreenEdge edge) {
    return edge == ScreenEdge::left ? kLeftPromoForm : kRightPromoForm;
}

const PromoWindow& promo_window(ScreenEdge edge) {
    return kPromoWindows[0].edge == edge ? kPromoWindows[0] : kPromoWindows[1];
}

std::string promo_page_url(ScreenEdge edge) {
    return std::string(kMakerSite) + promo_window(edge).page;
}

const Control* find_control(const Form& form, std::string_view name) {
    for (const Control& c : form.controls)
        if (name == c.name) return &c;
    return nullptr;
}

TwipBox window_twips(const Form& form, const Control& control) {
    TwipBox box = control.rect;
    // The parents' corners, up the chain (bounded: a cycle in the table cannot hang the caller).
    const Control* at = &control;
    for (std::size_t depth = 0; at->parent && depth < form.controls.size(); ++depth) {
        at = find_control(form, at->parent);
        if (!at) break;
        box.left += at->rect.left;
        box.top += at->rect.top;
    }
    return box;
}

int twips_to_device_pixels(int twips, int dpi) {
    return static_cast<int>(std::lround(static_cast<double>(twips) * dpi / kTwipsPerInch));
}

PixelBox to_pixels(const TwipBox& box, int dpi) {
    return {twips_to_device_pixels(box.left, dpi), twips_to_device_pixels(box.top, dpi),
            twips_to_device_pixels(box.width, dpi), twips_to_device_pixels(box.height, dpi)};
}

std::string html_escape(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

namespace {

// `text` with its '\n' written as `line_break`.
std::string lines(std::string_view text, std::string_view line_break) {
    std::string out;
    for (const char c : text) {
        if (c == '\n')
            out.append(line_break);
        else
            out += c;
    }
    return out;
}

}  // namespace

std::string promo_page_html(std::string_view url) {
    const std::string link = html_escape(url);
    return "<div style='margin:8px'>"
           "<p style='font-size:14pt; font-weight:bold; color:" +
           html_colour(kSloganColour) + "'>" + html_escape(kPromoHeading) + "</p><p>" +
           html_escape(kMakerSlogan) + "</p><p>" + lines(html_escape(kPromoText), "<br>") +
           "</p><p><a href='" + link + "'>" + link + "</a></p><p style='color:#777777'>" +
           lines(html_escape(kPromoHint), "<br>") + "</p></div>";
}

std::string promo_link_markup(std::string_view url) {
    return std::string(kMakerSlogan) + "\n\n" + kPromoText + "\n\n<a href=\"" + std::string(url) +
           "\">" + std::string(url) + "</a>\n\n" + kPromoHint;
}

}  // namespace qelt::forms
