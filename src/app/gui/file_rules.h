#pragma once
// Names and paths the desktop program works out for itself: the open-file dialogs' filters in
// Qt's form, the help file beside the program, and the name of the workbook a run writes.
// Plain functions of UTF-8 strings, so each rule is checked without a file system.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace qelt::gui {

// The user manual, relative to the program's folder.
inline constexpr const char* kHelpFile = "help/qelt.html";

// The workbook's name: the borehole file's name without its extension, then this, then ".xlsx".
inline constexpr const char* kWorkbookSuffix = "_钻孔数量及位置表";

// Turns a filter of the form "description|patterns|description|patterns…" (patterns separated
// by ';') into Qt's "description (patterns);;…" with blank-separated patterns; "*.*" becomes
// "*", which matches names without a dot too. A description without patterns gets "*".
std::string qt_file_filter(std::string_view filter);

// `folder` + separator + `name`, without a second separator when the folder already ends with
// one (a drive or file-system root such as "C:\" or "/"). Both '/' and '\' count as separators;
// '/' is inserted.
std::string join_path(std::string_view folder, std::string_view name);

// The help file of a program that lives in `program_folder`.
inline std::string help_file_path(std::string_view program_folder) {
    return join_path(program_folder, kHelpFile);
}

// "<borehole file name without extension>_钻孔数量及位置表": the workbook's name before any
// numbering. Only the file name part of `borehole_file` counts; a leading dot is no extension.
std::string workbook_stem(std::string_view borehole_file);

// The first of "<folder>/<stem>.xlsx", "<folder>/<stem> (2).xlsx", "<folder>/<stem> (3).xlsx" …
// for which `exists` is false, so that no file is ever overwritten; nothing when even the
// 9999th is taken.
std::optional<std::string> free_workbook_path(
    std::string_view folder, std::string_view stem,
    const std::function<bool(const std::string&)>& exists);

}  // namespace qelt::gui
