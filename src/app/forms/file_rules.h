#pragma once
// Names and paths the desktop program works out for itself: the open-file dialogs' filters in
// each toolkit's form, the help file beside the program, and the name of the workbook a run
// writes. Plain functions of UTF-8 strings, so each rule is checked without a file system.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace qelt::forms {

// The user manual, relative to the program's folder.
inline constexpr const char* kHelpFile = "help/qelt.html";

// The workbook's extension; the names of the files a table run delivers beside it follow the
// rows of kDeliverables (app/run_files.h).
inline constexpr const char* kWorkbookExtension = ".xlsx";

// Turns a filter of the form "description|patterns|description|patterns…" (patterns separated
// by ';') into Qt's "description (patterns);;…" with blank-separated patterns; "*.*" becomes
// "*", which matches names without a dot too. A description without patterns gets "*".
std::string qt_file_filter(std::string_view filter);

// The same filter in the form of the Windows open-file dialog: each description and its
// patterns (';'-separated, blanks around them removed) as NUL-terminated strings one after
// the other, the list closed by a second NUL. A description without patterns gets "*.*"; an
// empty description is replaced by its patterns (an empty string would end the list).
// Empty when the filter has no entry (the dialog then shows every file).
std::string win32_file_filter(std::string_view filter);

// The filter an open-file dialog shows: the kinds of file the step reads one by one, as
// `filter` lists them ("desc|patterns|…"), behind a first entry that shows them all at once,
// "所有支持的文件(*.txt;*.dat;*.xml;…)", so that the dialog opens on every file the step can take
// (an engineer looking for the LandXML line in a dialog that opens on *.txt thinks it is not
// there). The patterns are taken in their order, each once (case aside), "*.*" and "*" left out;
// where the first entry shows them all already the filter is returned as it is.
std::string filter_with_all_supported(std::string_view filter);
inline constexpr const char* kAllSupportedFiles = "所有支持的文件";

// How paths are written: '/' between names, or '\' (either is read as a separator in both).
enum class PathStyle { posix, windows };

// `folder` + separator + `name`, without a second separator when the folder already ends with
// one (a drive or file-system root such as "C:\" or "/"). Both '/' and '\' count as separators.
// In the Windows style every '/' of `name` becomes '\'.
std::string join_path(std::string_view folder, std::string_view name,
                      PathStyle style = PathStyle::posix);

// The folder part of `path`: what precedes its last separator, the separator kept where it is
// the root ("/a" → "/", "C:\a" → "C:\"); "C:a" → "C:"; a bare name has "".
std::string folder_of(std::string_view path);
// The name after the last separator.
std::string_view file_name_of(std::string_view path);

// The folder an open-file dialog starts in. The alignment, chain-break and borehole files of
// one road usually lie together, so each dialog starts in the folder of the file chosen last,
// in this run or an earlier one while the program runs; the first dialog starts in the
// Documents folder, where the common dialog starts too. `last_chosen_file` is "" before the
// first choice; a bare name (no folder) counts as none.
std::string dialog_start_folder(std::string_view last_chosen_file, std::string_view documents);

// The help file of a program that lives in `program_folder`.
inline std::string help_file_path(std::string_view program_folder,
                                  PathStyle style = PathStyle::posix) {
    return join_path(program_folder, kHelpFile, style);
}

// "<borehole file name without extension><suffix>" ("zk_钻孔数量及位置表"): a delivered file's
// name before any numbering. Only the file name part of `borehole_file` counts; a leading dot
// is no extension.
std::string workbook_stem(std::string_view borehole_file, std::string_view suffix);

// The name "<stem>.xlsx" takes as the n-th try: n = 1 is "<stem>.xlsx", then "<stem> (2).xlsx"…
// (the drawing the same with ".dxf").
std::string numbered_workbook_name(std::string_view stem, int n,
                                   std::string_view extension = kWorkbookExtension);
inline constexpr int kWorkbookNumbers = 9999;

// The first of "<folder>/<stem>.xlsx", "<folder>/<stem> (2).xlsx", "<folder>/<stem> (3).xlsx" …
// for which `exists` is false, so that no file is ever overwritten; nothing when even the
// 9999th is taken.
std::optional<std::string> free_workbook_path(std::string_view folder, std::string_view stem,
                                              const std::function<bool(const std::string&)>& exists,
                                              PathStyle style = PathStyle::posix,
                                              std::string_view extension = kWorkbookExtension);

}  // namespace qelt::forms
