// The document part of the LandXML readers.
#include "input/landxml_document.h"

#include <algorithm>
#include <cmath>

#include "base/text.h"

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

std::vector<std::string_view> xml_words(std::string_view text) {
    std::vector<std::string_view> found;
    std::size_t at = 0;
    const auto blank = [&](std::size_t i) {
        return text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r';
    };
    while (at < text.size()) {
        while (at < text.size() && blank(at)) ++at;
        const std::size_t from = at;
        while (at < text.size() && !blank(at)) ++at;
        if (at > from) found.push_back(text.substr(from, at - from));
    }
    return found;
}

std::string discrepancy(double metres) {
    return metres < 1 ? fixed_text(metres * 1000, 1) + " mm" : fixed_text(metres, 3) + " m";
}

LandXmlDocument::LandXmlDocument(LineSource& lines) : path_(lines.path()) {
    std::string text, line;
    while (lines.next(line)) {
        if (!line_starts_.empty()) text += '\n';
        line_starts_.push_back(text.size());
        text += line;
    }
    if (line_starts_.empty()) line_starts_.push_back(0);
    const pugi::xml_parse_result parsed =
        document_.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
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

DataError LandXmlPart::refused(pugi::xml_node at, const std::string& what) const {
    return DataError(prefix_ + what, document_.path(), document_.line_of(at));
}

double LandXmlPart::number(pugi::xml_node at, const std::string& owner, const char* field,
                           std::string_view written) const {
    const auto value = parse_number(written);
    if (!value)
        throw refused(at, owner + (owner.empty() ? "的 " : " 的 ") + field + "“" +
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
