#include <cctype>
#include <cmath>

#include "base/data_error.h"
#include "base/text.h"
#include "input/documents.h"
#include "input/formats.h"
#include "input/hintcad/hintcad_lines.h"
#include "station/station.h"

namespace qelt {

namespace {

struct KindName {
    HintcadKind kind;
    const char* suffix;  // after "HINTCAD<version>_"
    const char* name;
};
constexpr KindName kKinds[] = {
    {HintcadKind::elements, "PM_SHUJU_PM", "纬地平面线元文件（.pm）"},
    {HintcadKind::jds, "PM_SHUJU_JD", "纬地平面交点文件（.jd）"},
    {HintcadKind::profile, "ZDM_SHUJU", "纬地纵断面数据文件（.zdm）"},
    {HintcadKind::ground_line, "DMX_SHUJU", "纬地纵向地面线文件（.dmx）"},
    {HintcadKind::sections, "HDM_SHUJU", "纬地横断面数据文件（.hdm）"},
    {HintcadKind::stakes, "STA_SHUJU", "纬地桩号序列文件（.sta）"},
};

bool same_letters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != b[i]) return false;
    return true;
}

// The first line as a message shows it: a binary or very long line is cut short.
std::string shown(std::string_view line) {
    constexpr std::size_t kLongest = 60;
    std::size_t end = 0;
    while (end < line.size() && end < kLongest) end = next_utf8_boundary(line, end);
    std::string text(line.substr(0, end));
    if (end < line.size()) text += "…";
    return text;
}

}  // namespace

HintcadKind hintcad_kind(std::string_view first) {
    constexpr std::string_view kMark = "HINTCAD";
    if (first.size() < kMark.size() || !same_letters(first.substr(0, kMark.size()), kMark))
        return HintcadKind::none;
    std::size_t i = kMark.size();
    while (i < first.size() &&
           (std::isdigit(static_cast<unsigned char>(first[i])) || first[i] == '.'))
        ++i;
    if (i >= first.size() || first[i] != '_') return HintcadKind::none;
    const std::string_view rest = first.substr(i + 1);
    for (const KindName& k : kKinds)
        if (same_letters(rest, k.suffix)) return k.kind;
    return HintcadKind::none;
}

std::string hintcad_file_name(HintcadKind kind) {
    for (const KindName& k : kKinds)
        if (k.kind == kind) return k.name;
    return "纬地数据文件";
}

std::string as_typed(std::string_view field) {
    return "“" + std::string(field) + "”";
}

HintcadLines::HintcadLines(LineSource& file, HintcadKind kind, HintcadKind or_kind)
    : file_(file), kind_(kind) {
    std::string text;
    std::string_view first;
    while (file_.next(text)) {
        first = trim_blanks(text);
        if (!first.empty()) break;
    }
    if (hintcad_kind(first) == kind) return;
    if (or_kind != HintcadKind::none && hintcad_kind(first) == or_kind) {
        kind_ = or_kind;
        return;
    }
    const char* suffix = "";
    for (const KindName& k : kKinds)
        if (k.kind == kind) suffix = k.suffix;
    std::string why = "不是" + hintcad_file_name(kind) + "：第一行应为 HINTCAD<版本>_" + suffix;
    if (first.empty())
        why += "，文件中没有内容";
    else
        why += "，实为" + as_typed(shown(first));
    if (const HintcadKind other = hintcad_kind(first); other != HintcadKind::none)
        why += "（这是" + hintcad_file_name(other) + "）";
    throw DataError(why, file_.path(), first.empty() ? 0 : file_.line_number());
}

bool HintcadLines::next() {
    std::string text;
    while (file_.next(text)) {
        fields_ = split_fields(text);
        if (!fields_.empty()) return true;
    }
    fields_.clear();
    return false;
}

void HintcadLines::refuse_unless_after(double mileage, double previous, const std::string& before,
                                       const std::string& rule) const {
    if (!(mileage > previous))
        refuse("桩号" + as_typed(fields_[0]) + "不大于" + before + "：" + rule);
}

void HintcadLines::refuse(const std::string& why) const {
    throw DataError(hintcad_file_name(kind_) + "：" + why, file_.path(), file_.line_number());
}

void HintcadLines::expect_fields(std::size_t count, const char* form) const {
    if (fields_.size() != count)
        refuse(std::string("这一行应为“") + form + "”，共 " + std::to_string(count) + " 项，实有 " +
               std::to_string(fields_.size()) + " 项");
}

void HintcadLines::expect_at_least(std::size_t count, const char* form) const {
    if (fields_.size() < count)
        refuse(std::string("这一行应为“") + form + "”，至少 " + std::to_string(count) +
               " 项，实有 " + std::to_string(fields_.size()) + " 项");
}

double HintcadLines::number(std::size_t i, const char* what) const {
    const auto value = parse_number(fields_[i]);
    if (!value) refuse(std::string(what) + as_typed(fields_[i]) + "不是数");
    return *value;
}

double HintcadLines::distance(std::size_t i, const char* what) const {
    const double value = number(i, what);
    if (value < 0) refuse(std::string(what) + as_typed(fields_[i]) + "是负数：距离不能为负");
    return value;
}

long HintcadLines::count(std::size_t i, const char* what) const {
    const double value = number(i, what);
    if (value < 0 || value != std::floor(value) || value > 1e6)
        refuse(std::string(what) + as_typed(fields_[i]) + "应为不小于 0 的整数");
    return static_cast<long>(value);
}

double HintcadLines::mileage(std::size_t i, const ChainBreaks& breaks, std::string& printed) const {
    const std::string& text = fields_[i];
    if (!parse_station(text)) refuse("桩号" + as_typed(text) + "不是数");
    // Read as a borehole's station is: a station in a short chain's gap or a long chain's
    // overlap is refused with the chain breaks' own message.
    std::string message;
    if (!zh_check(breaks, text, message)) refuse(message);
    const LetteredStation lettered = zh_dlstr(breaks, text);
    if (!lettered) refuse(lettered.message);
    double mileage = 0;
    zh_mileage(breaks, lettered.station, mileage);
    zh_format(lettered.station, printed);
    return mileage;
}

bool is_hintcad_file(Documents& documents, const std::string& path, HintcadKind kind) {
    return documents.format(path) == FileFormat::hintcad &&
           hintcad_kind(trim_blanks(documents.first_line(path))) == kind;
}

}  // namespace qelt
