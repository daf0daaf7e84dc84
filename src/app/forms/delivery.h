#pragma once
// What the desktop programs do with a run's results once it has ended: the workbook's final
// name, and the texts of the boxes that follow. Plain functions (the file system is passed in),
// so that they are checked without files; desktop_run.h puts them to work.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/forms/file_rules.h"

namespace qelt::forms {

// The information box that lists a run's notices (a borehole off the ends of the line, lines
// after a blank line that were not read), shown once the run has ended and its workbook has
// been delivered.
inline constexpr const char* kNoticeTitle = "提示";
inline constexpr std::size_t kNoticesListed = 20;

// The box's text: the first kNoticesListed notices one per line, then a line saying how many
// more there are.
std::string notices_text(const std::vector<std::string>& notices);

// How much of the table a run wrote. A run stopped in the borehole phase (a station rejected,
// a borehole line that could not be processed) still delivers its rows; the engineer must not
// take them for the whole table.
struct TableExtent {
    bool complete = true;
    long last_data_row = 0;  // worksheet row of the last complete borehole row, 0 when none
    long boreholes = 0;      // borehole rows completed
};

// The message when the workbook is written but nothing opened it: the user must at least learn
// where the table is, titled after the table (kTableTitle, or the as-drilled table's
// kAsDrilledTitle), information icon; for a stopped run, that it holds only part of the table
// ("表格只写到第 N 行（M 个钻孔）").
std::string workbook_not_opened_text(const std::string& path,
                                     std::string_view table = "钻孔数量及位置表",
                                     const TableExtent& extent = {});

// The information box when nothing could open `target`: the manual (its path), the maker's
// site (a web address) or a mail to the author (a "mailto:" address). It names what could not
// be opened, so that the user can open it by hand. Titled kNoticeTitle.
std::string not_opened_text(std::string_view target);

// The closing box's line for a run stopped before its first borehole: no file delivered.
std::string no_borehole_written_text(std::string_view table);
// The closing box's line for a stopped run's table: delivered, named and headed incomplete, and
// no drawing, stakeout or map made of the holes written so far.
std::string incomplete_set_text(std::string_view table);

// The line that tells where the plan drawing went (it is written with every coordinate table
// the desktop program delivers, but no program opens it: the user takes it into CAD).
std::string drawing_written_text(const std::string& path);
// The same for the section drawing (钻孔纵断面图), written when the run has heights.
std::string section_written_text(const std::string& path);
// The same for the stakeout file and the map file.
std::string stakeout_written_text(const std::string& path);
std::string map_written_text(const std::string& path);
// Why no map file came with the table (`reason`, as the map writer gives it: no coordinate
// system known), and how to get one.
std::string map_not_written_text(const std::string& reason);
// The same for the IFC model with the holes, and why it could not be made.
std::string ifc_written_text(const std::string& path);
std::string ifc_not_written_text(const std::string& reason);
// Why the stakeout file could not be made of the table's points.
std::string stakeout_not_written_text(const std::string& reason);

// Gives a complete pending workbook (or drawing, with its `extension`) its final name in
// `folder`: the first free numbered name (free_workbook_path), moved there without replacing
// anything. Should a file of that name
// appear before the move (`move` answers EEXIST), the next free name is taken; a name that
// `exists` calls free but the move finds taken (a dangling link) bounds the attempts. Returns
// the path, or sets `error` to the message naming the path and the reason.
struct DeliveryFiles {
    std::function<bool(const std::string&)> exists;
    // Moves the workbook to the path unless it is taken: 0, EEXIST, or another errno value.
    std::function<int(const std::string&)> move;
    std::function<std::string(int)> reason;  // the errno value in the user's words
};
std::optional<std::string> deliver_workbook(const std::string& folder, const std::string& stem,
                                            PathStyle style, const DeliveryFiles& files,
                                            std::string& error,
                                            std::string_view extension = kWorkbookExtension);
inline constexpr int kDeliveryAttempts = 100;

// A file of a set delivered together (a table and its drawing and points; the two line tables):
// its name before the number, and its extension.
struct SetMember {
    std::string stem;
    std::string_view extension;
};
// Whether `path`, `own`'s name with some number in `folder`, is taken for a set whose files all
// carry one number ("… (2).xlsx" goes with "… (2).dxf"), so that an engineer never pairs one
// run's table with another run's drawing: taken where it `exists`, or where that number of
// another member of `set` exists and is not one of the files this run has `delivered`.
bool set_number_taken(const std::string& path, const SetMember& own,
                      const std::vector<SetMember>& set, const std::string& folder, PathStyle style,
                      const std::vector<std::string>& delivered,
                      const std::function<bool(const std::string&)>& exists);

}  // namespace qelt::forms
