// The window description both desktop programs are built from: the main window's controls as
// the users know them, the rules every form keeps (names, parents, bounds), the conversion to
// pixels at the screens' DPI, and the promotional page in either toolkit's markup.

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/forms/form.h"
#include "base/text.h"

using namespace qelt::forms;

namespace qelt::forms {
// Rectangles in failure messages.
void PrintTo(const PixelBox& b, std::ostream* out) {
    *out << "(" << b.left << ", " << b.top << ", " << b.width << " x " << b.height << ")";
}
}  // namespace qelt::forms

namespace {

std::vector<const Form*> all_forms() {
    return {&main_form(), &about_form(), &promo_form(ScreenEdge::right),
            &promo_form(ScreenEdge::left), &alignment_list_form()};
}

// A caption's width in 宋体 9 pt, twips: 90 for a half-width character, 180 for a Chinese one
// (12 pixels at 96 DPI).
int caption_twips(std::string_view caption) {
    int width = 0;
    for (std::size_t i = 0; i < caption.size();) {
        const std::optional<char32_t> c = qelt::next_utf8(caption, i);
        if (!c) return 1 << 20;  // no UTF-8: fits nowhere
        width += *c < 0x100 ? 90 : 180;
    }
    return width;
}

// A caption as the user reads it, without the spaces that place it in its button.
std::string words(std::string_view caption) {
    std::string out;
    for (const char c : caption)
        if (c != ' ') out += c;
    return out;
}

}  // namespace

// The main window as the users know it: the two methods to choose from in one frame, 交点法 (the
// main line) chosen when it opens, a button for each of the runs and the other things it does,
// and nothing else that acts; every caption readable in full.
TEST(Description, MainWindowOffersTheMethodsAndTheRuns) {
    const Form& form = main_form();
    EXPECT_EQ(form.role, WindowRole::main);
    EXPECT_STREQ(form.caption, "Qelt V2.0");
    const auto by_words = [&](const std::string& text) -> const Control* {
        const Control* found = nullptr;
        for (const Control& c : form.controls)
            if (words(c.caption) == text) {
                EXPECT_EQ(found, nullptr) << text << " twice";
                found = &c;
            }
        return found;
    };

    const Control* main_line = by_words("交点法―主线");
    const Control* interchange = by_words("积木法―互通");
    ASSERT_NE(main_line, nullptr);
    ASSERT_NE(interchange, nullptr);
    for (const Control* method : {main_line, interchange}) {
        EXPECT_EQ(method->kind, ControlKind::option_button) << method->caption;
        ASSERT_NE(method->parent, nullptr) << method->caption;
        EXPECT_STREQ(method->parent, main_line->parent) << "one frame holds both methods";
    }
    if (const Control* frame = find_control(form, main_line->parent)) {
        EXPECT_EQ(words(frame->caption), "方法");
    }
    EXPECT_TRUE(main_line->selected);
    EXPECT_FALSE(interchange->selected);

    const struct {
        const char* words;
        Action action;
    } buttons[] = {
        {"坐标表", Action::coordinate_table}, {"坐标反算", Action::as_drilled_table},
        {"线形表", Action::line_tables},      {"帮助", Action::help},
        {"更多软件", Action::more_software},  {"退出", Action::exit_program},
    };
    std::set<const Control*> acting;
    for (const auto& b : buttons) {
        const Control* c = by_words(b.words);
        ASSERT_NE(c, nullptr) << b.words;
        EXPECT_EQ(c->kind, ControlKind::push_button) << b.words;
        EXPECT_EQ(c->action, b.action) << b.words;
        EXPECT_FALSE(c->on_double_click) << b.words;
        acting.insert(c);
    }
    for (const Control& c : form.controls) {
        if (!acting.count(&c)) {
            EXPECT_EQ(c.action, Action::none) << c.name;
        }
        // The caption beside the option's circle (17 pixels), inside a button's or a frame's
        // edges (4 pixels a side), on one line of text (16 pixels).
        const int edges =
            c.kind == ControlKind::option_button || c.kind == ControlKind::check_box ? 255 : 2 * 60;
        EXPECT_LE(caption_twips(c.caption) + edges, c.rect.width) << c.name;
        if (c.kind != ControlKind::frame) {
            EXPECT_GE(c.rect.height, 240) << c.name;
        }
    }
}

TEST(Description, EveryFormKeepsItsRules) {
    for (const Form* form : all_forms()) {
        std::set<std::string> names;
        std::map<std::string, int> selected_in;  // frame → options selected at start
        for (const Control& c : form->controls) {
            EXPECT_TRUE(names.insert(c.name).second) << form->name << " " << c.name;
            // Inside the parent (a frame) or the window's client area.
            const Control* parent = c.parent ? find_control(*form, c.parent) : nullptr;
            if (c.parent) {
                ASSERT_NE(parent, nullptr) << c.name;
                EXPECT_EQ(parent->kind, ControlKind::frame) << c.name;
                EXPECT_LE(c.rect.left + c.rect.width, parent->rect.width) << c.name;
                EXPECT_LE(c.rect.top + c.rect.height, parent->rect.height) << c.name;
            }
            const TwipBox in_window = window_twips(*form, c);
            EXPECT_GE(in_window.left, 0) << c.name;
            EXPECT_GE(in_window.top, 0) << c.name;
            EXPECT_LE(in_window.left + in_window.width, form->width) << form->name << " " << c.name;
            EXPECT_LE(in_window.top + in_window.height, form->height)
                << form->name << " " << c.name;
            EXPECT_GT(c.rect.width, 0) << c.name;
            EXPECT_GT(c.rect.height, 0) << c.name;
            // Only what can be clicked acts; the option buttons only choose.
            if (c.action != Action::none) {
                EXPECT_TRUE(c.kind == ControlKind::push_button || c.kind == ControlKind::label ||
                            c.kind == ControlKind::picture || c.kind == ControlKind::list)
                    << c.name;
            }
            // A click on a list only selects a line: it acts on a double click.
            if (c.kind == ControlKind::list && c.action != Action::none) {
                EXPECT_TRUE(c.on_double_click) << c.name;
            }
            if (c.on_double_click) {
                EXPECT_NE(c.action, Action::none) << c.name;
            }
            if (c.selected) {
                EXPECT_EQ(c.kind, ControlKind::option_button) << c.name;
                ++selected_in[c.parent ? c.parent : ""];
            }
            if (c.kind == ControlKind::option_button)
                selected_in.try_emplace(c.parent ? c.parent : "", 0);
        }
        // One choice made in every group of option buttons.
        for (const auto& [frame, count] : selected_in)
            EXPECT_EQ(count, 1) << form->name << " " << frame;
    }
}

// No control of the main window or the list window hides another: controls that share a
// parent (the window, or the method frame) do not overlap, even by a twip.
TEST(Description, ControlsDoNotOverlap) {
    for (const Form* form : {&main_form(), &alignment_list_form()})
        for (const Control& a : form->controls)
            for (const Control& b : form->controls) {
                if (&a == &b || std::string(a.parent ? a.parent : "") != (b.parent ? b.parent : ""))
                    continue;
                const bool apart = a.rect.left + a.rect.width <= b.rect.left ||
                                   b.rect.left + b.rect.width <= a.rect.left ||
                                   a.rect.top + a.rect.height <= b.rect.top ||
                                   b.rect.top + b.rect.height <= a.rect.top;
                EXPECT_TRUE(apart) << form->name << ": " << a.name << " and " << b.name;
            }
}

// The list window: Enter and a double click on a line both choose, the other button only
// closes (nothing chosen), and the list shows a whole interchange without cutting its lines.
TEST(Description, ListWindowChoosesOrCancels) {
    const Form& form = alignment_list_form();
    EXPECT_EQ(form.role, WindowRole::modal);
    const Control* prompt = find_control(form, kListPrompt);
    const Control* list = find_control(form, kListLines);
    ASSERT_NE(prompt, nullptr);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(prompt->kind, ControlKind::label);
    EXPECT_EQ(list->kind, ControlKind::list);
    EXPECT_LE(prompt->rect.top + prompt->rect.height, list->rect.top);

    std::vector<const Control*> defaults, buttons;
    for (const Control& c : form.controls) {
        if (c.kind != ControlKind::push_button) continue;
        buttons.push_back(&c);
        if (c.default_button) defaults.push_back(&c);
        // Under the list, where the eye ends after choosing.
        EXPECT_GE(c.rect.top, list->rect.top + list->rect.height) << c.name;
    }
    ASSERT_EQ(defaults.size(), 1u);
    EXPECT_EQ(defaults[0]->action, Action::accept_choice);
    EXPECT_EQ(list->action, defaults[0]->action);  // the double click is 确 定
    ASSERT_EQ(buttons.size(), 2u);
    const Control* cancel = buttons[0] == defaults[0] ? buttons[1] : buttons[0];
    EXPECT_EQ(cancel->action, Action::close_window);
    EXPECT_STREQ(defaults[0]->caption, "确 定");
    EXPECT_STREQ(cancel->caption, "取 消");

    // Eight lines of 宋体 9 pt (a line at most 16 pixels = 240 twips) inside the list's frame,
    // and sixty half-width characters (90 twips each) beside a 17-pixel scroll bar.
    constexpr int kFrame = 2 * 30, kScrollBar = 255;
    EXPECT_GE(list->rect.height, 8 * 240 + kFrame);
    EXPECT_GE(list->rect.width, 60 * 90 + kScrollBar + kFrame);
}

TEST(Description, WindowsAroundTheMainWindow) {
    struct Case {
        const Form& form;
        const char* name;
        const char* caption;
        PixelBox client;
        WindowRole role;
        std::vector<std::string> controls;
    };
    const std::vector<std::string> promo = {"Label1", "Image1", "Image2", "WebBrowser1"};
    const Case cases[] = {
        {about_form(),
         "aboutfrm",
         kMakerBrand,
         {0, 0, 360, 232},
         WindowRole::modal,
         {"picBGHead", "picBGHeadIcon", "lblBGHeadInfo1", "linBorder", "Label3", "Label9", "Label2",
          "Label7", "Label6", "Label4", "Label5", "lblHomepage", "Command1", "Command2"}},
        {promo_form(ScreenEdge::right),
         "adfrm",
         "休息一下，马上回来！",
         {0, 0, 240, 300},
         WindowRole::promotional,
         promo},
        {promo_form(ScreenEdge::left),
         "ad1frm",
         "休息一下，马上回来！",
         {0, 0, 240, 300},
         WindowRole::promotional,
         promo},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(c.form.name, c.name);
        EXPECT_STREQ(c.form.caption, c.caption);
        EXPECT_EQ(to_pixels({0, 0, c.form.width, c.form.height}), c.client) << c.name;
        EXPECT_EQ(c.form.role, c.role) << c.name;
        std::vector<std::string> names;
        for (const Control& control : c.form.controls) names.push_back(control.name);
        EXPECT_EQ(names, c.controls) << c.name;
    }
    // The About window's texts and what its links do.
    struct Text {
        const char* name;
        const char* caption;
        Action action;
    };
    const Text texts[] = {
        {"Label3", "单 位：", Action::none},
        {"Label2", "作 者：", Action::none},
        {"Label6", "软件下载：", Action::none},
        {"Label5", "E-mail：", Action::none},
        {"Label4", kMakerSite, Action::open_site},
        {"lblHomepage", kMakerMail, Action::open_mail},
        {"picBGHead", "", Action::open_site},
        {"picBGHeadIcon", "", Action::open_site},
        {"lblBGHeadInfo1", kMakerSlogan, Action::open_site},
        {"Command1", "  确  定", Action::close_window},
        {"Command2", "取    消", Action::close_window},  // closes it like 确 定
    };
    for (const Text& t : texts) {
        const Control* c = find_control(about_form(), t.name);
        ASSERT_NE(c, nullptr) << t.name;
        EXPECT_STREQ(c->caption, t.caption);
        EXPECT_EQ(c->action, t.action) << t.name;
    }
    // The promotional windows: a double click on the strip closes one, Image1 minimises it,
    // Image2 ends the program; the right-hand one opens first.
    const Form& ad = promo_form(ScreenEdge::left);
    EXPECT_TRUE(find_control(ad, "Label1")->on_double_click);
    EXPECT_EQ(find_control(ad, "Label1")->action, Action::close_window);
    EXPECT_EQ(find_control(ad, "Image1")->action, Action::minimise);
    EXPECT_EQ(find_control(ad, "Image2")->action, Action::exit_program);
    EXPECT_STREQ(kPromoWindows[0].name, "adfrm");
    EXPECT_EQ(kPromoWindows[0].edge, ScreenEdge::right);
    EXPECT_EQ(promo_page_url(ScreenEdge::right), std::string(kMakerSite) + "/gdownload.htm");
    EXPECT_EQ(promo_page_url(ScreenEdge::left), std::string(kMakerSite) + "/bdownload.htm");
    EXPECT_STREQ(promo_window(ScreenEdge::left).name, "ad1frm");
}

TEST(Description, PixelsAtTheScreensDpi) {
    struct Case {
        const char* name;
        int dpi;
        PixelBox pixels;  // in the window's client area
    };
    const Case cases[] = {
        {"Command1", 96, {208, 16, 81, 25}},
        {"Command1", 120, {260, 20, 101, 31}},  // 101.25, 31.25
        {"Command1", 144, {312, 24, 122, 38}},  // 121.5 and 37.5 round up
        {"Command1", 192, {416, 32, 162, 50}},
        {"Option1", 96, {47, 24, 105, 20}},  // inside Frame1 at (360, 120)
        {"Option2", 96, {47, 48, 97, 17}},
        {"Option1", 120, {59, 30, 131, 25}},  // 58.75, 131.25
    };
    for (const Case& c : cases) {
        const Control* control = find_control(main_form(), c.name);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(to_pixels(window_twips(main_form(), *control), c.dpi), c.pixels)
            << c.name << " at " << c.dpi;
    }
    // Relative to the frame, as the toolkits place a frame's children.
    EXPECT_EQ(to_pixels(find_control(main_form(), "Option1")->rect), (PixelBox{23, 16, 105, 20}));
    const std::pair<int, int> rounding[] = {{7, 0}, {8, 1}, {-8, -1}, {1440, 96}, {0, 0}};
    for (const auto& [twips, pixels] : rounding)
        EXPECT_EQ(twips_to_device_pixels(twips, 96), pixels) << twips;
}

TEST(Description, PromotionalPage) {
    const std::string url = "https://qelt.example.org/gdownload.htm?a=1&b=<2>";
    const std::string html = promo_page_html(url);
    const std::string escaped = "https://qelt.example.org/gdownload.htm?a=1&amp;b=&lt;2&gt;";
    EXPECT_NE(html.find("<a href='" + escaped + "'>" + escaped + "</a>"), std::string::npos);
    EXPECT_EQ(html.find("b=<2>"), std::string::npos);
    EXPECT_NE(html.find(kMakerSlogan), std::string::npos);
    EXPECT_NE(html.find("钻孔坐标、断链、缓和曲线……<br>道路勘察设计的小工具都在这里："),
              std::string::npos);
    EXPECT_EQ(html.find('\n'), std::string::npos);

    const std::string markup = promo_link_markup("https://qelt.example.org/bdownload.htm");
    EXPECT_NE(markup.find("\n<a href=\"https://qelt.example.org/bdownload.htm\">"
                          "https://qelt.example.org/bdownload.htm</a>\n"),
              std::string::npos);
    EXPECT_EQ(markup.rfind(kPromoHint), markup.size() - std::string(kPromoHint).size());
    EXPECT_EQ(markup.find("<br>"), std::string::npos);

    const std::pair<std::string, std::string> escapes[] = {
        {"a&b", "a&amp;b"}, {"<p>", "&lt;p&gt;"}, {"\"q\"", "&quot;q&quot;"}, {"钻孔'", "钻孔'"}};
    for (const auto& [text, html_text] : escapes) EXPECT_EQ(html_escape(text), html_text);
}
