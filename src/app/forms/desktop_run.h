#pragma once
// The coordinate-table run, and its sibling the as-drilled run (坐标反算), as both desktop programs
// start them: the run's dialogs and messages go through Desktop (each front end's file dialog,
// message box, cursor and shell), and the workbook is delivered the same way on every platform.
//
// Where a spreadsheet application would be left holding an unsaved sheet, the desktop program
// writes the table as an .xlsx workbook beside the borehole file, named after it
// ("<name>_钻孔数量及位置表.xlsx", numbered " (2)", " (3)" … rather than overwriting anything),
// or into the Documents folder when the borehole file's folder cannot be written, and opens it
// with the desktop's spreadsheet application. A complete run and a run stopped in the borehole
// phase both deliver what they wrote; a run that ends on the error path before the borehole
// phase writes and opens nothing. The as-drilled run delivers its table the same way, beside
// the points file as "<name>_钻孔桩号及偏距表.xlsx".
//
// With the coordinate table comes the plan drawing for CAD, "<borehole file
// name>_钻孔平面布置图.dxf", in the folder the workbook went to, numbered like it; no workbook,
// no drawing. With either table come the stakeout points for the survey crew's controller,
// "<name>_放样点.dat" (South CASS format), and the boreholes on a map, "<name>_钻孔位置.kml",
// when the coordinate system is known from the zone number prefixed to Y (the desktop has no
// option to name one; the box at the end says why no map came and how to get one). Nothing
// opens these: the box at the end says where they are, followed by what the run noticed along
// the way.
//
// The line tables (线形表) need only the alignment's dialogs: the table of the line's own
// geometry ("<alignment file name>_直线曲线及转角表.xlsx" for a line by JDs, "_线元表.xlsx"
// otherwise) and "<alignment file name>_逐桩坐标表.xlsx" go beside the alignment file by the same
// rules, both under one number, and the first is opened.
//
// Unlike the rest of forms/, this part drives the run and its workbook writer (qelt_run); the
// front ends that use it link both.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "app/forms/delivery.h"
#include "app/forms/file_rules.h"
#include "app/run.h"

namespace qelt::forms {

enum class MessageKind {
    error,        // error icon, OK
    data,         // no icon, OK only (the station messages)
    information,  // information icon, OK
};

// What a run asks of the desktop. Paths and texts are UTF-8; paths are written in the
// desktop's own style (path_style).
class Desktop {
  public:
    virtual ~Desktop() = default;
    // An open-file dialog titled `title`, starting in `start_folder`, whose filter is written
    // "desc|patterns|…" (the front end converts it to its toolkit's form); the chosen path, or
    // nothing when cancelled.
    virtual std::optional<std::string> choose_file(const std::string& title,
                                                   const std::string& filter,
                                                   const std::string& start_folder) = 0;
    // The file chosen last in an open-file dialog while the program runs, in this run or an
    // earlier one; "" before the first. The front end keeps it as long as the program runs,
    // so that every dialog starts where the user was (dialog_start_folder).
    virtual std::string& last_chosen_file() = 0;
    // A message box; returns once the user has dismissed it.
    virtual void show_message(MessageKind kind, const std::string& title,
                              const std::string& text) = 0;
    // Brings the main window to the front (before every message of the run).
    virtual void bring_to_front() = 0;
    // The wait cursor on or off; off while a dialog or message waits for the user.
    virtual void set_busy(bool busy) = 0;
    // Opens a document with the desktop's application for it, without waiting; false when
    // nothing could open it.
    virtual bool open_document(const std::string& path) = 0;
    // Whether a new file can be created in `folder`.
    virtual bool folder_writable(const std::string& folder) = 0;
    // The user's Documents folder.
    virtual std::string documents_folder() = 0;
    // Creates `folder` and the folders above it that are missing.
    virtual void make_folder(const std::string& folder) = 0;
    // A modal window titled `title` listing `items`, one a line, below `prompt`, to choose one
    // (the alignment of a LandXML file that holds several): the index chosen, or nothing when
    // the user cancels. The window is described by alignment_list_form().
    virtual std::optional<std::size_t> choose_from_list(const std::string& title,
                                                        const std::string& prompt,
                                                        const std::vector<std::string>& items) = 0;
    // Whether anything (file, folder, link) has the name `path`.
    virtual bool exists(const std::string& path) = 0;
    virtual PathStyle path_style() const = 0;
};

struct TableRunResult {
    RunResult run;
    std::string workbook;  // the workbook written, empty when none was
    std::string section;   // the section drawing written beside it (with heights), or empty
    std::string drawing;   // the plan drawing written beside it, empty when none was
    std::string stakeout;  // the stakeout points (South CASS .dat) beside it, likewise
    std::string map;       // the boreholes on a map (KML) beside it, likewise
    std::string model;     // the IFC model with the holes (a line from an IFC model), likewise
};

// The list window of a LandXML file that holds several alignments (a whole interchange): its
// title, the prompt above the list ("“互通.xml”中有 3 条线路，请选择一条："), and each
// alignment's line, its name, length and station range ("A匝道    长 1234.567 米    K0+000 ～
// K1+234.567"), so that the engineer tells the ramps apart as the design drawings do.
inline constexpr const char* kAlignmentListTitle = "选择线路";
std::string alignment_list_prompt(const std::string& file, std::size_t count);
// The same list window for the design profiles of the line a LandXML file carries, where it has
// several: "“互通.xml”中这条线路有 2 条设计纵断面，请选择一条：".
inline constexpr const char* kProfileListTitle = "选择纵断面";
std::string profile_list_prompt(const std::string& file, std::size_t count);
// The same list window for the ground surfaces (TIN) a LandXML alignment file carries, where it
// has several: "“互通.xml”中有 2 个地面模型，请选择一个：".
inline constexpr const char* kSurfaceListTitle = "选择地面模型";
std::string surface_list_prompt(const std::string& file, std::size_t count);
std::string alignment_choice_text(const AlignmentChoice& choice);

// Runs the coordinate table once by `method`, as `options` ask (the main window's boxes,
// options_of): with heights (设计高程) the run reads a design profile after the line and the
// table shows each hole's design elevation; with the ground (地面高程) the ground's dialog follows
// the profile's, and the table shows 地面高程 (and 填挖高 with heights).
TableRunResult run_table(Desktop& desktop, Method method, const RunOptions& options = {});
// Runs the as-drilled table (坐标反算) once by `method`: the alignment's dialogs, then the points
// file's. With the comparison (对比计划) it compares the holes with the planned list; heights and
// ground as run_table.
TableRunResult run_inverse(Desktop& desktop, Method method, const RunOptions& options = {});

// What the line tables' run delivered.
struct LineTablesResult {
    RunResult run;                       // complete, or data_error with the reason in its message
    std::vector<std::string> workbooks;  // the geometry table, the stakes, then the grades (with
                                         // heights); empty when none
};

// Runs the line tables once by `method`: the alignment's dialogs (and the chain breaks' where
// the line takes them from a file), then both workbooks; a stake every kDefaultStakeInterval.
// With heights (`options`) the profile's dialog follows, the stake table carries 设计高程 and the
// 纵坡、竖曲线表 "<alignment file name>_纵坡竖曲线表.xlsx" is the third workbook. With the ground
// its dialog follows and the stake table carries 地面高程 on the centre line.
LineTablesResult run_line_tables(Desktop& desktop, Method method, const RunOptions& options = {});

}  // namespace qelt::forms
