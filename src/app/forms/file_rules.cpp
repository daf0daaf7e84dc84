#include "app/forms/file_rules.h"

#include <vector>

namespace qelt::forms {

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

// The filter's entries: each description with its patterns, blanks around the patterns
// removed and empty patterns dropped; entries with neither are left out.
struct FilterEntry {
    std::string_view description;
    std::vector<std::string_view> patterns;
};
std::vector<FilterEntry> filter_entries(std::string_view filter) {
    const auto parts = split(filter, '|');
    std::vector<FilterEntry> entries;
    for (std::size_t i = 0; i < parts.size(); i += 2) {
        FilterEntry entry{parts[i], {}};
        if (i + 1 < parts.size())
            for (std::string_view pattern : split(parts[i + 1], ';'))
                if (!trim_blanks(pattern).empty()) entry.patterns.push_back(trim_blanks(pattern));
        if (trim_blanks(entry.description).empty() && entry.patterns.empty()) continue;
        entries.push_back(entry);
    }
    return entries;
}

}  // namespace

std::string filter_with_all_supported(std::string_view filter) {
    const std::vector<FilterEntry> entries = filter_entries(filter);
    std::vector<std::string_view> all;
    const auto lower = [](std::string_view p) {
        std::string l(p);
        for (char& c : l)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return l;
    };
    const auto listed = [&](const std::vector<std::string_view>& in, std::string_view pattern) {
        for (std::string_view p : in)
            if (lower(p) == lower(pattern)) return true;
        return false;
    };
    for (const FilterEntry& entry : entries)
        for (std::string_view pattern : entry.patterns)
            if (pattern != "*.*" && pattern != "*" && !listed(all, pattern)) all.push_back(pattern);
    bool shown = !entries.empty();
    for (std::string_view pattern : all)
        if (shown && !listed(entries.front().patterns, pattern)) shown = false;
    if (all.empty() || shown) return std::string(filter);
    std::string patterns;
    for (std::string_view pattern : all) {
        if (!patterns.empty()) patterns += ';';
        patterns.append(pattern);
    }
    return std::string(kAllSupportedFiles) + "(" + patterns + ")|" + patterns + "|" +
           std::string(filter);
}

std::string qt_file_filter(std::string_view filter) {
    std::string result;
    for (const FilterEntry& entry : filter_entries(filter)) {
        const std::string_view description = trim_blanks(entry.description);
        std::string patterns;
        for (std::string_view pattern : entry.patterns) {
            if (!patterns.empty()) patterns += ' ';
            patterns += pattern == "*.*" ? std::string_view("*") : pattern;
        }
        // assign(1, '*') rather than = "*": g++ 12 at -O3 warns of an overlapping copy in the
        // latter (a false -Wrestrict) and stops an optimised build.
        if (patterns.empty()) patterns.assign(1, '*');
        if (!result.empty()) result += ";;";
        result.append(description);
        if (!description.empty()) result += ' ';
        result += '(';
        result += patterns;
        result += ')';
    }
    return result;
}

std::string win32_file_filter(std::string_view filter) {
    std::string result;
    for (const FilterEntry& entry : filter_entries(filter)) {
        std::string patterns;
        for (std::string_view pattern : entry.patterns) {
            if (!patterns.empty()) patterns += ';';
            patterns.append(pattern);
        }
        if (patterns.empty()) patterns = "*.*";
        // An empty description would read as the end of the list: the patterns stand for it.
        result += entry.description.empty() ? patterns : std::string(entry.description);
        result += '\0';
        result += patterns;
        result += '\0';
    }
    if (!result.empty()) result += '\0';
    return result;
}

std::string join_path(std::string_view folder, std::string_view name, PathStyle style) {
    const char separator = style == PathStyle::windows ? '\\' : '/';
    std::string path(folder);
    if (!path.empty() && !is_separator(path.back())) path += separator;
    const std::size_t name_at = path.size();
    path.append(name);
    if (style == PathStyle::windows)
        for (std::size_t i = name_at; i < path.size(); ++i)
            if (path[i] == '/') path[i] = '\\';
    return path;
}

std::string folder_of(std::string_view path) {
    std::size_t last = std::string_view::npos;
    for (std::size_t i = path.size(); i > 0; --i)
        if (is_separator(path[i - 1])) {
            last = i - 1;
            break;
        }
    if (last == std::string_view::npos) {
        // "C:name": the current folder of drive C, written "C:".
        if (path.size() >= 2 && path[1] == ':') return std::string(path.substr(0, 2));
        return {};
    }
    // The root keeps its separator: "/", "\", "C:\".
    const bool root = last == 0 || (last == 2 && path[1] == ':');
    return std::string(path.substr(0, root ? last + 1 : last));
}

std::string_view file_name_of(std::string_view path) {
    for (std::size_t i = path.size(); i > 0; --i)
        if (is_separator(path[i - 1])) return path.substr(i);
    if (path.size() >= 2 && path[1] == ':') return path.substr(2);
    return path;
}

std::string dialog_start_folder(std::string_view last_chosen_file, std::string_view documents) {
    std::string folder = folder_of(last_chosen_file);
    return folder.empty() ? std::string(documents) : folder;
}

std::string workbook_stem(std::string_view borehole_file, std::string_view suffix) {
    std::string_view name = file_name_of(borehole_file);
    const auto dot = name.rfind('.');
    if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
    return std::string(name) + std::string(suffix);
}

std::string numbered_workbook_name(std::string_view stem, int n, std::string_view extension) {
    std::string name(stem);
    if (n > 1) name += " (" + std::to_string(n) + ")";
    return name + std::string(extension);
}

std::optional<std::string> free_workbook_path(std::string_view folder, std::string_view stem,
                                              const std::function<bool(const std::string&)>& exists,
                                              PathStyle style, std::string_view extension) {
    for (int n = 1; n <= kWorkbookNumbers; ++n) {
        std::string path = join_path(folder, numbered_workbook_name(stem, n, extension), style);
        if (!exists(path)) return path;
    }
    return std::nullopt;
}

}  // namespace qelt::forms
