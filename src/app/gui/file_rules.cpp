#include "app/gui/file_rules.h"

#include <vector>

namespace qelt::gui {

namespace {

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        const auto at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) return parts;
        text.remove_prefix(at + 1);
    }
}

std::string_view trim_blanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

bool is_separator(char c) {
    return c == '/' || c == '\\';
}

}  // namespace

std::string qt_file_filter(std::string_view filter) {
    const auto parts = split(filter, '|');
    std::string result;
    for (std::size_t i = 0; i < parts.size(); i += 2) {
        const std::string_view description = trim_blanks(parts[i]);
        std::string patterns;
        if (i + 1 < parts.size()) {
            for (std::string_view pattern : split(parts[i + 1], ';')) {
                pattern = trim_blanks(pattern);
                if (pattern.empty()) continue;
                if (!patterns.empty()) patterns += ' ';
                patterns += pattern == "*.*" ? std::string_view("*") : pattern;
            }
        }
        if (description.empty() && patterns.empty()) continue;
        if (patterns.empty()) patterns = "*";
        if (!result.empty()) result += ";;";
        result.append(description);
        if (!description.empty()) result += ' ';
        result += "(" + patterns + ")";
    }
    return result;
}

std::string join_path(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && !is_separator(path.back())) path += '/';
    path.append(name);
    return path;
}

std::string workbook_stem(std::string_view borehole_file) {
    std::string_view name = borehole_file;
    for (std::size_t i = name.size(); i > 0; --i)
        if (is_separator(name[i - 1])) {
            name.remove_prefix(i);
            break;
        }
    const auto dot = name.rfind('.');
    if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
    return std::string(name) + kWorkbookSuffix;
}

std::optional<std::string> free_workbook_path(
    std::string_view folder, std::string_view stem,
    const std::function<bool(const std::string&)>& exists) {
    for (int n = 1; n <= 9999; ++n) {
        std::string name(stem);
        if (n > 1) name += " (" + std::to_string(n) + ")";
        std::string path = join_path(folder, name + ".xlsx");
        if (!exists(path)) return path;
    }
    return std::nullopt;
}

}  // namespace qelt::gui
