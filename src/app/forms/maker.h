#pragma once
// Who makes Qelt and where to find it: the one place that names the project's web site and
// mail address. The About window, the "more software" button and the promotional windows of
// both desktop programs take everything from here.

namespace qelt::forms {

inline constexpr const char* kMakerSite = "https://qelt.example.org";
inline constexpr const char* kMakerMail = "qelt@example.org";

inline constexpr const char* kMakerBrand = "Qelt";                           // About window caption
inline constexpr const char* kMakerOrganisation = "Qelt 项目";               // 单 位
inline constexpr const char* kMakerAuthor = "Qelt 开发组";                   // 作 者
inline constexpr const char* kMakerSlogan = "Qelt —— 道路勘察设计的小工具";  // header line

// Pages of the site shown by the promotional windows.
inline constexpr const char* kLeftPromoPage = "/bdownload.htm";   // ad1frm, left edge
inline constexpr const char* kRightPromoPage = "/gdownload.htm";  // adfrm, right edge

// What a promotional window shows in place of the site's page. A browser inside the program
// cannot be relied on to fetch a page over the network (and on Windows would drag in an
// embedded engine), so the window names the page and links it; a click opens the user's
// browser. Lines are separated by '\n'.
inline constexpr const char* kPromoHeading = "Qelt";
inline constexpr const char* kPromoText =
    "钻孔坐标、断链、缓和曲线……\n道路勘察设计的小工具都在这里：";
inline constexpr const char* kPromoHint = "点击链接在浏览器中打开。\n双击标题栏关闭本窗口。";

}  // namespace qelt::forms
