// The document part of the LandXML readers.
#include "input/landxml/landxml_document.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "base/text.h"
#include "base/utf8_path.h"

namespace qelt {

namespace {

// pugixml's reason for refusing a text, as the engineer reads it.
const char* parse_failure_text(pugi::xml_parse_status status) {
    switch (status) {
        case pugi::status_unrecognized_tag:
            return "无法识别的标记";
        case pugi::status_bad_pi:
            return "XML 声明或处理指令（<?…?>）不完整";
        case pugi::status_bad_comment:
            return "注释（<!--…-->）不完整";
        case pugi::status_bad_cdata:
            return "CDATA 段不完整";
        case pugi::status_bad_doctype:
            return "文档类型声明（<!DOCTYPE…>）有误";
        case pugi::status_bad_pcdata:
            return "元素中的文字有误";
        case pugi::status_bad_start_element:
            return "开始标记有误";
        case pugi::status_bad_attribute:
            return "属性有误（属性值应写在引号内）";
        case pugi::status_bad_end_element:
            return "结束标记有误";
        case pugi::status_end_element_mismatch:
            return "结束标记与开始标记不配对（标记名不同、缺少结束标记或多出结束标记）";
        case pugi::status_no_document_element:
            return "文件中没有 XML 元素";
        case pugi::status_out_of_memory:
            return "内存不足";
        default:
            return "无法解析";
    }
}

bool xml_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool name_start(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':';
}

bool name_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.' || c == ':';
}

// What stands for the "<" of a plain list's elements once the list is taken from pugixml: a
// byte pugixml takes as text, so that the list's content is one piece of text to it.
constexpr char kHiddenOpen = '\x01';

// One element of a plain list at `at` (`open` its first character, "<" or kHiddenOpen): a name
// (with or without prefix), attributes in quotes, and text or nothing ("/>"). Its local name goes
// to `name`, the rest to `item`; `at` moves past it, `close` to the "<" of its end tag (npos for
// "/>"). False for anything else, or for what pugixml would read otherwise: an entity, a CR,
// white space pugixml would change in an attribute, an i that is neither 0 nor 1.
bool plain_item(std::string_view text, std::size_t& at, char open, std::string_view& name,
                ListItem& item, std::size_t& close) {
    const std::size_t n = text.size();
    std::size_t i = at + 1;
    const std::size_t name_from = i;
    while (i < n && name_char(text[i])) ++i;
    const std::string_view full = text.substr(name_from, i - name_from);
    if (full.empty() || !name_start(full[0])) return false;
    item = ListItem{static_cast<std::ptrdiff_t>(at), {}, false, {}};
    bool id_seen = false, i_seen = false;
    for (;;) {
        const std::size_t before = i;
        while (i < n && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n')) ++i;
        if (i >= n) return false;
        if (text[i] == '>' || text[i] == '/') break;
        if (i == before) return false;  // an attribute must follow white space
        const std::size_t attr_from = i;
        if (!name_start(text[i])) return false;
        while (i < n && name_char(text[i])) ++i;
        const std::string_view attr = text.substr(attr_from, i - attr_from);
        while (i < n && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n')) ++i;
        if (attr.empty() || i >= n || text[i] != '=') return false;
        ++i;
        while (i < n && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n')) ++i;
        if (i >= n || (text[i] != '"' && text[i] != '\'')) return false;
        const char quote = text[i++];
        const std::size_t value_from = i;
        while (i < n && text[i] != quote) {
            const char c = text[i];
            if (c == '<' || c == '&' || c == '\t' || c == '\n' || c == '\r' || c == kHiddenOpen)
                return false;
            ++i;
        }
        if (i >= n) return false;
        const std::string_view value = text.substr(value_from, i - value_from);
        ++i;
        // pugixml answers the first of two attributes of one name.
        if (attr == "id" && !id_seen) {
            id_seen = true;
            item.id = value;
        } else if (attr == "i" && !i_seen) {
            i_seen = true;
            if (value != "0" && value != "1") return false;
            item.invisible = value == "1";
        }
    }
    const std::size_t colon = full.find(':');
    name = colon == std::string_view::npos ? full : full.substr(colon + 1);
    if (text[i] == '/') {
        if (i + 1 >= n || text[i + 1] != '>') return false;
        at = i + 2;
        close = std::string_view::npos;
        return true;
    }
    const std::size_t text_from = ++i;
    while (i < n && text[i] != open) {
        const char c = text[i];
        if (c == '<' || c == '&' || c == '\r' || c == kHiddenOpen) return false;
        ++i;
    }
    if (i + 2 + full.size() > n || text[i + 1] != '/' || text.substr(i + 2, full.size()) != full)
        return false;
    item.text = text.substr(text_from, i - text_from);
    close = i;
    i += 2 + full.size();
    while (i < n && xml_blank(text[i]) && text[i] != '\r') ++i;
    if (i >= n || text[i] != '>') return false;
    at = i + 1;
    return true;
}

// Takes the list whose content begins at `from` from pugixml when it is plain: every element an
// `item` (P or F) as plain_item reads it, white space between them, then the end tag `</list>`.
// The "<" of its elements become kHiddenOpen, so that pugixml sees the content as one text.
// Returns where the content ends (the "<" of the end tag), or npos, the text untouched.
std::size_t hide_plain_list(std::string& text, std::size_t from, std::string_view list,
                            std::string_view item) {
    const std::string_view view(text);
    std::size_t at = from, count = 0;
    const auto undo = [&] {
        std::replace(text.begin() + static_cast<std::ptrdiff_t>(from),
                     text.begin() + static_cast<std::ptrdiff_t>(at), kHiddenOpen, '<');
        return std::string_view::npos;
    };
    for (;;) {
        while (at < view.size() && xml_blank(view[at]) && view[at] != '\r') ++at;
        if (at + 1 >= view.size() || view[at] != '<') return undo();
        if (view[at + 1] == '/') {
            std::size_t i = at + 2;
            if (view.substr(i, list.size()) != list) return undo();
            i += list.size();
            while (i < view.size() && xml_blank(view[i])) ++i;
            if (i >= view.size() || view[i] != '>' || count == 0) return undo();
            return at;
        }
        std::string_view name;
        ListItem found;
        std::size_t close = 0;
        const std::size_t start = at;
        if (!plain_item(view, at, '<', name, found, close) || name != item) return undo();
        text[start] = kHiddenOpen;
        if (close != std::string_view::npos) text[close] = kHiddenOpen;
        ++count;
    }
}

// Where `text` holds a tag, comment, declaration or CDATA section at `at` ("<"): the end of it,
// and for a start tag of a list of points or faces its name. npos for what is not plainly
// written (a DOCTYPE, a tag left open): the lists after it are left to pugixml.
std::size_t markup_end(std::string_view text, std::size_t at, std::string_view& start_name) {
    start_name = {};
    const auto past = [&](const char* end) {
        const std::size_t found = text.find(end, at + 1);
        return found == std::string_view::npos ? found : found + std::strlen(end);
    };
    if (text.substr(at, 4) == "<!--") return past("-->");
    if (text.substr(at, 9) == "<![CDATA[") return past("]]>");
    if (text.substr(at, 2) == "<?") return past("?>");
    if (text.substr(at, 2) == "<!") return std::string_view::npos;
    if (text.substr(at, 2) == "</") return past(">");
    std::size_t i = at + 1;
    while (i < text.size() && name_char(text[i])) ++i;
    // A name goes on to a blank, "/" or ">"; one that goes on in other characters ("<Pnts测>")
    // is no list's.
    const bool whole = i < text.size() && (xml_blank(text[i]) || text[i] == '/' || text[i] == '>');
    const std::string_view name = whole ? text.substr(at + 1, i - at - 1) : std::string_view();
    // Attribute values may hold ">", so the tag ends at the first ">" outside quotes.
    for (char quote = 0; i < text.size(); ++i) {
        if (quote) {
            if (text[i] == quote) quote = 0;
        } else if (text[i] == '"' || text[i] == '\'') {
            quote = text[i];
        } else if (text[i] == '>') {
            if (text[i - 1] != '/') start_name = name;
            return i + 1;
        }
    }
    return std::string_view::npos;
}

// Hides every plain list of points (<Pnts>) or faces (<Faces>) of `text` from pugixml; returns
// where their contents begin and end.
std::vector<std::pair<std::size_t, std::size_t>> hide_plain_lists(std::string& text) {
    std::vector<std::pair<std::size_t, std::size_t>> hidden;
    std::size_t at = 0;
    for (;;) {
        const void* open = std::memchr(text.data() + at, '<', text.size() - at);
        if (!open) return hidden;
        at = static_cast<std::size_t>(static_cast<const char*>(open) - text.data());
        std::string_view name;
        at = markup_end(text, at, name);
        if (at == std::string_view::npos) return hidden;
        const std::size_t colon = name.find(':');
        const std::string_view local =
            colon == std::string_view::npos ? name : name.substr(colon + 1);
        if (local != "Pnts" && local != "Faces") continue;
        const std::size_t end = hide_plain_list(text, at, name, local == "Pnts" ? "P" : "F");
        if (end == std::string_view::npos) continue;
        hidden.emplace_back(at, end);
        at = end;
    }
}

LengthUnit length_unit(const LandXmlDocument& document, pugi::xml_node root) {
    const pugi::xml_node units = child_named(root, "Units");
    if (!units)
        throw DataError("缺少 <Units>：不知道文件的长度单位，不能当作米读", document.path(),
                        document.line_of(root));
    struct Known {
        const char* system;
        const char* name;
        LengthUnit unit;
    };
    static const Known kKnown[] = {
        {"Metric", "meter", {1, 1}},         {"Metric", "millimeter", {1, 1000}},
        {"Metric", "centimeter", {1, 100}},  {"Metric", "kilometer", {1000, 1}},
        {"Imperial", "foot", {3048, 10000}}, {"Imperial", "USSurveyFoot", {1200, 3937}},
    };
    for (pugi::xml_node system : units.children()) {
        if (system.type() != pugi::node_element) continue;
        const std::string_view kind = local_name(system);
        if (kind != "Metric" && kind != "Imperial") continue;
        const pugi::xml_attribute unit = system.attribute("linearUnit");
        if (!unit)
            throw DataError("<" + std::string(kind) + "> 缺少 linearUnit：不知道文件的长度单位",
                            document.path(), document.line_of(system));
        for (const Known& known : kKnown)
            if (kind == known.system && same_word(unit.value(), known.name)) return known.unit;
        throw DataError("长度单位 <" + std::string(kind) + " linearUnit=\"" + unit.value() +
                            "\"> 无法换算为米（可读 Metric 的 meter、millimeter、centimeter、"
                            "kilometer，Imperial 的 foot、USSurveyFoot）",
                        document.path(), document.line_of(system));
    }
    throw DataError("<Units> 中没有 <Metric> 或 <Imperial>：不知道文件的长度单位", document.path(),
                    document.line_of(units));
}

}  // namespace

std::string_view local_name(pugi::xml_node node) {
    const std::string_view name = node.name();
    const std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

pugi::xml_node child_named(pugi::xml_node node, std::string_view name) {
    for (pugi::xml_node child : node.children())
        if (child.type() == pugi::node_element && local_name(child) == name) return child;
    return {};
}

bool same_word(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

std::size_t xml_words(std::string_view text, std::string_view* words, std::size_t room) {
    std::size_t count = 0, at = 0;
    while (at < text.size()) {
        while (at < text.size() && xml_blank(text[at])) ++at;
        const std::size_t from = at;
        while (at < text.size() && !xml_blank(text[at])) ++at;
        if (at == from) break;
        if (count < room) words[count] = text.substr(from, at - from);
        ++count;
    }
    return count;
}

std::vector<std::string_view> xml_words(std::string_view text) {
    std::vector<std::string_view> found(xml_words(text, nullptr, 0));
    xml_words(text, found.data(), found.size());
    return found;
}

std::string discrepancy(double metres) {
    return metres < 1 ? fixed_text(metres * 1000, 1) + " mm" : fixed_text(metres, 3) + " m";
}

LandXmlDocument::LandXmlDocument(LineSource& lines) : path_(lines.path()) {
    // The text is about as long as the file (UTF-8 as most are): one allocation of the right
    // size rather than a doubling string's copies.
    std::error_code failed;
    const std::uintmax_t size = std::filesystem::file_size(path_from_utf8(path_), failed);
    if (!failed) text_.reserve(static_cast<std::size_t>(size));
    std::string line;
    for (bool first = true; lines.next(line); first = false) {
        if (!first) text_ += '\n';
        text_ += line;
    }
    // Counted first, so that the table of millions of lines is made once at its size.
    line_starts_.reserve(static_cast<std::size_t>(std::count(text_.begin(), text_.end(), '\n')) +
                         1);
    line_starts_.push_back(0);
    for (std::size_t at = text_.find('\n'); at != std::string::npos; at = text_.find('\n', at + 1))
        line_starts_.push_back(at + 1);
    plain_lists_ = hide_plain_lists(text_);
    const pugi::xml_parse_result parsed = document_.load_buffer_inplace(
        text_.data(), text_.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!parsed)
        throw DataError(std::string("XML 格式有误：") + parse_failure_text(parsed.status), path_,
                        line_at(parsed.offset));
    const pugi::xml_node root = document_.document_element();
    if (local_name(root) != "LandXML")
        throw DataError("根元素是 <" + std::string(root.name()) + ">，不是 <LandXML>", path_,
                        line_of(root));
    unit_ = length_unit(*this, root);
}

long LandXmlDocument::line_at(std::ptrdiff_t offset) const {
    const auto after =
        std::upper_bound(line_starts_.begin(), line_starts_.end(),
                         static_cast<std::size_t>(std::max<std::ptrdiff_t>(offset, 0)));
    return static_cast<long>(after - line_starts_.begin());
}

const std::pair<std::size_t, std::size_t>* LandXmlDocument::plain_list(pugi::xml_node list) const {
    // The content of a list read from the text is the one piece of text pugixml made of it.
    const char* content = list.child_value();
    const std::less<const char*> before;
    if (before(content, text_.data()) || !before(content, text_.data() + text_.size()))
        return nullptr;
    const std::size_t from = static_cast<std::size_t>(content - text_.data());
    const auto found = std::lower_bound(plain_lists_.begin(), plain_lists_.end(),
                                        std::make_pair(from, std::size_t{0}));
    return found != plain_lists_.end() && found->first == from ? &*found : nullptr;
}

std::size_t LandXmlDocument::item_count_hint(pugi::xml_node list) const {
    const auto* plain = plain_list(list);
    if (!plain) return 0;
    // Two hidden "<" an element, one where it closes itself.
    return static_cast<std::size_t>(std::count(text_.begin() + plain->first,
                                               text_.begin() + plain->second, kHiddenOpen)) /
           2;
}

void LandXmlDocument::for_each_item(pugi::xml_node list, std::string_view name,
                                    const std::function<void(const ListItem&)>& each) const {
    if (const auto* plain = plain_list(list)) {
        // Checked whole before parsing: every element is one plain_item reads.
        const std::string_view text(text_.data(), plain->second);
        std::size_t at = plain->first;
        std::string_view found;
        ListItem item;
        std::size_t close = 0;
        for (;;) {
            while (at < text.size() && xml_blank(text[at])) ++at;
            if (at >= text.size() || !plain_item(text, at, kHiddenOpen, found, item, close)) return;
            if (found == name) each(item);
        }
    }
    for (pugi::xml_node e : list.children()) {
        if (e.type() != pugi::node_element || local_name(e) != name) continue;
        each({e.offset_debug(), e.attribute("id").value(), e.attribute("i").as_int(0) == 1,
              e.child_value()});
    }
}

DataError LandXmlPart::refused(pugi::xml_node at, const std::string& what) const {
    return refused_at(at.offset_debug(), what);
}

DataError LandXmlPart::refused_at(std::ptrdiff_t offset, const std::string& what) const {
    return DataError(prefix_ + what, document_.path(), document_.line_at(offset));
}

double LandXmlPart::number(pugi::xml_node at, const std::string& owner, const char* field,
                           std::string_view written) const {
    return number_at(at.offset_debug(), owner, field, written);
}

double LandXmlPart::number_at(std::ptrdiff_t offset, const std::string& owner, const char* field,
                              std::string_view written) const {
    const auto value = parse_number(written);
    if (!value)
        throw refused_at(offset, owner + (owner.empty() ? "的 " : " 的 ") + field + "“" +
                                     std::string(written) + "”不是数");
    return *value;
}

double LandXmlPart::length(pugi::xml_node at, const std::string& owner,
                           pugi::xml_attribute a) const {
    return document_.unit().metres(number(at, owner, a.name(), a.value()));
}

std::optional<double> LandXmlPart::length_attribute(pugi::xml_node at, const std::string& owner,
                                                    const char* name) const {
    const pugi::xml_attribute a = at.attribute(name);
    if (!a) return std::nullopt;
    const double value = length(at, owner, a);
    if (value < 0) throw refused(at, owner + " 的 " + name + "“" + a.value() + "”为负");
    return value;
}

std::optional<Point> LandXmlPart::point(pugi::xml_node at, const std::string& owner,
                                        const char* child) const {
    const pugi::xml_node p = child_named(at, child);
    if (!p) return std::nullopt;
    std::string written = p.text().get();
    const std::string tag = std::string("<") + child + ">";
    if (trim_blanks(written).empty() && p.attribute("pntRef"))
        throw refused(p, owner + " 的 " + tag + " 以 pntRef=\"" + p.attribute("pntRef").value() +
                             "\" 引用点：只能读直接写出坐标的点");
    // A point's numbers may stand on several lines of the file.
    std::replace(written.begin(), written.end(), '\n', ' ');
    const std::vector<std::string> fields = split_fields(written);
    if (fields.size() != 2 && fields.size() != 3)
        throw refused(p, owner + " 的 " + tag + "“" + std::string(trim_blanks(written)) +
                             "”应为“北坐标 东坐标 [高程]”两个或三个数");
    static const char* const kFieldNames[3] = {"北坐标", "东坐标", "高程"};
    double values[3] = {0, 0, 0};
    for (std::size_t i = 0; i < fields.size(); ++i)
        values[i] = number(p, owner + " 的 " + tag, kFieldNames[i], fields[i]);
    const LengthUnit unit = document_.unit();
    return Point{unit.metres(values[0]), unit.metres(values[1])};
}

Point LandXmlPart::required_point(pugi::xml_node at, const std::string& owner,
                                  const char* child) const {
    if (auto p = point(at, owner, child)) return *p;
    throw refused(at, owner + " 缺少 <" + child + ">");
}

}  // namespace qelt
