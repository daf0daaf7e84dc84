#pragma once
// Who makes Qelt and where to find it: the one place that names the project's web site and
// mail address. The About window, the "more software" button and the promotional windows take
// everything from here.

namespace qelt::gui {

inline constexpr const char* kMakerSite = "https://qelt.example.org";
inline constexpr const char* kMakerMail = "qelt@example.org";

inline constexpr const char* kMakerBrand = "Qelt";                           // About window caption
inline constexpr const char* kMakerOrganisation = "Qelt 项目";               // 单 位
inline constexpr const char* kMakerAuthor = "Qelt 开发组";                   // 作 者
inline constexpr const char* kMakerSlogan = "Qelt —— 道路勘察设计的小工具";  // header line

// Pages of the site shown by the promotional windows.
inline constexpr const char* kLeftPromoPage = "/bdownload.htm";   // ad1frm, left edge
inline constexpr const char* kRightPromoPage = "/gdownload.htm";  // adfrm, right edge

}  // namespace qelt::gui
