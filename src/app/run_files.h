#pragma once
// What the jobs read and what they deliver, as two tables that qelt-cli's options and checks, its
// summary lines and the desktop program's delivery all iterate: a new input is a row of
// kJobInputs, a new output a row of kDeliverables (and its writer in RunDeliverables).

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

namespace qelt {

// The commands of qelt-cli, as bits of a set: each input and each output names the commands
// that take it.
enum Command : unsigned {
    kTableCommand = 1u << 0,     // 坐标表: boreholes by station and offset
    kInverseCommand = 1u << 1,   // 坐标反算: surveyed holes back to station and offset
    kLandXmlCommand = 1u << 2,   // the line written as LandXML
    kCurvesCommand = 1u << 3,    // 直线、曲线及转角表
    kElementsCommand = 1u << 4,  // 线元表
    kStakesCommand = 1u << 5,    // 逐桩坐标表
    kGradesCommand = 1u << 6,    // 纵坡、竖曲线表
};
inline constexpr unsigned kLineTableCommands =
    kCurvesCommand | kElementsCommand | kStakesCommand | kGradesCommand;
inline constexpr unsigned kEveryCommand =
    kTableCommand | kInverseCommand | kLandXmlCommand | kLineTableCommands;

struct CommandName {
    const char* name;
    unsigned command;
};
inline constexpr CommandName kCommands[] = {
    {"table", kTableCommand},   {"inverse", kInverseCommand},   {"landxml", kLandXmlCommand},
    {"curves", kCurvesCommand}, {"elements", kElementsCommand}, {"stakes", kStakesCommand},
    {"grades", kGradesCommand},
};
// The command called `name`, or nothing.
std::optional<unsigned> command_named(std::string_view name);
// The name of `command` (a single bit).
const char* command_name(unsigned command);

// The files a job reads, told apart by their role: the command line answers each from its own
// option and the desktop program asks for each in its dialog.
enum class DialogRole {
    alignment,
    chain_breaks,
    boreholes,
    points,
    profile,
    planned,
    terrain,
    ground_line,  // 纬地's centre-line ground (.dmx)
    sections,     // 纬地's cross sections (.hdm), with their .dmx
};

struct JobInput {
    DialogRole role;
    const char* option;      // qelt-cli's option, "--boreholes"
    unsigned commands;       // the commands that read it
    unsigned required;       // the commands that cannot go without it
    const char* not_chosen;  // why a run stops when its dialog is cancelled
    // The list whose rows the table holds: the outputs are named after it and go beside it.
    bool names_outputs;
};
inline constexpr JobInput kJobInputs[] = {
    {DialogRole::alignment, "--alignment", kEveryCommand, kEveryCommand, "未选择平面资料文件",
     false},
    // Required by --method jd alone, and refused by ht: a rule of the method, not the command.
    {DialogRole::chain_breaks, "--chain-breaks", kEveryCommand, 0, "未选择断链资料文件", false},
    {DialogRole::boreholes, "--boreholes", kTableCommand, kTableCommand, "未选择钻孔资料文件",
     true},
    {DialogRole::points, "--points", kInverseCommand, kInverseCommand, "未选择实测坐标资料文件",
     true},
    // The design profile, read after the line and its chain breaks: the stations of a
    // 纵断面资料文件 are turned into mileages through them. Without it no heights.
    {DialogRole::profile, "--profile",
     kTableCommand | kInverseCommand | kStakesCommand | kGradesCommand, kGradesCommand,
     "未选择纵断面资料文件", false},
    // The borehole list the table and the stakeout file of the holes were made from, read after
    // the points file: each surveyed hole is compared with the planned hole of its point name.
    {DialogRole::planned, "--planned", kInverseCommand, 0, "未选择计划钻孔资料文件", false},
    // The ground (a LandXML surface or the crew's ground shots), read after the line and the
    // profile: without it no ground elevations.
    {DialogRole::terrain, "--terrain", kTableCommand | kInverseCommand | kStakesCommand, 0,
     "未选择地面资料文件", false},
    // The ground as the route group surveys it (纬地): the centre line's ground, and across the
    // line the cross sections, whose heights are from the centre stake's ground.
    {DialogRole::ground_line, "--ground-line", kTableCommand | kInverseCommand | kStakesCommand, 0,
     "未选择纵向地面线文件", false},
    {DialogRole::sections, "--sections", kTableCommand | kInverseCommand | kStakesCommand, 0,
     "未选择横断面数据文件", false},
};
inline constexpr std::size_t kJobInputCount = std::size(kJobInputs);
const JobInput& job_input(DialogRole role);

// The files a table run may deliver, in the order they are delivered.
enum class Deliverable { workbook, csv, drawing, stakeout, points_csv, kml, geojson, section, ifc };

struct DeliverableKind {
    Deliverable file;
    const char* option;  // qelt-cli's option; the workbook is --output, always written
    unsigned commands;   // the commands that deliver it
    // What the summary lines call it ("钻孔平面布置图已写入 …"); null: the summary names it
    // otherwise (the table itself, and its CSV beside it).
    const char* summary;
    // The desktop program's file beside the table, "<list file name><suffix><extension>"; null
    // suffix: the table's own ("_<title>"); null extension: the desktop does not deliver it.
    const char* desktop_suffix;
    const char* extension;
    // Made of the run's records after the run (a drawing's extents go before its entities, a
    // point's name depends on every other point's), so the records are kept for it.
    bool needs_records;
    // What the desktop's closing box calls it, for a file no program opens: "<name><note>已写入：
    // <path>", or "未写出<name>：<why>" (desktop_written_text, app/run_deliverables.h); the note
    // says what the file is for (its format, the programs that open it). Null: the desktop
    // delivers it otherwise (the workbook it opens) or not at all.
    const char* desktop_name;
    const char* desktop_note;
};
inline constexpr DeliverableKind kDeliverables[] = {
    // --output is every command's: the table's workbook, a line table's, the LandXML file.
    {Deliverable::workbook, "--output", kEveryCommand, nullptr, nullptr, ".xlsx", false, nullptr,
     nullptr},
    {Deliverable::csv, "--csv", kTableCommand | kInverseCommand | kLineTableCommands, nullptr,
     nullptr, nullptr, false, nullptr, nullptr},
    {Deliverable::drawing, "--dxf", kTableCommand, "钻孔平面布置图", "_钻孔平面布置图", ".dxf",
     true, "钻孔平面布置图", ""},
    {Deliverable::stakeout, "--stakeout", kTableCommand | kInverseCommand, "放样点文件", "_放样点",
     ".dat", true, "放样点文件", "（南方 CASS 格式）"},
    {Deliverable::points_csv, "--points-csv", kTableCommand | kInverseCommand, "放样点 CSV 文件",
     nullptr, nullptr, true, nullptr, nullptr},
    {Deliverable::kml, "--kml", kTableCommand | kInverseCommand, "KML 文件", "_钻孔位置", ".kml",
     true, "钻孔位置 KML", "（Google Earth、奥维互动地图）"},
    {Deliverable::geojson, "--geojson", kTableCommand | kInverseCommand, "GeoJSON 文件", nullptr,
     nullptr, true, nullptr, nullptr},
    // The section drawing along the centre line: the ground, the grade line and the holes at
    // their stations; a section per line the list uses, one below another in the one file, as
    // the closing lines say. Only with heights (a profile or a ground) has it anything to show.
    {Deliverable::section, "--section-dxf", kTableCommand,
     "钻孔纵断面图（每条线路一段，自上而下排列）", "_钻孔纵断面图", ".dxf", true, "钻孔纵断面图",
     "（每条线路一段，自上而下排列）"},
    // The planned holes in the BIM model (IFC 4.3): the desktop delivers it where the line came
    // from an IFC model, which it then copies with the holes added.
    {Deliverable::ifc, "--ifc", kTableCommand, "IFC 钻孔模型", "_钻孔模型", ".ifc", true,
     "含钻孔的 IFC 模型", ""},
};
inline constexpr std::size_t kDeliverableCount = std::size(kDeliverables);
const DeliverableKind& deliverable(Deliverable file);

}  // namespace qelt
