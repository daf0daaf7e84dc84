#pragma once
// One borehole of a run as every output takes it: the printed table, its CSV, the plan drawing,
// the stakeout files for the survey crew's controllers and the map files. The run hands them
// out one by one, in the order of the borehole file (of the points file for the as-drilled
// table), framed by the events of the list they come from (the table begun, each group with
// its title and count, each row's serial number before its line is read, the table finished);
// how a sink lays them out (rows, frames, page lines) is that sink's business alone.
//
// Frame and units: metres; X north, Y east, as the alignment file gives them (a Y with its zone
// prefix keeps it).

#include <optional>
#include <string>

#include "base/limits.h"

namespace qelt {

struct BoreholeRecord {
    std::string group;         // the group title, as written in the borehole file
    int serial = 0;            // its number in the group, from 1
    std::string name;          // the hole's own name where the file gives one (as-drilled points)
    std::string station;       // the printed station, lettered where the number alone would
                               // read elsewhere ("BK13+470.000")
    double station_value = 0;  // the station number in its interval's numbering, metres
    double offset = 0;         // metres, positive to the left of the centre line
    std::string offset_text;   // the offset as the table prints it (as written in the file)
    double x = 0;              // north, metres
    double y = 0;              // east, metres
    std::string remark;
    // The group's place among the file's groups, from 1 (groups without boreholes counted), as
    // the printed table shows them.
    int group_number = 0;

    // What only some runs know; an output shows a column for it only when the run gives it.
    std::optional<double> design_elevation =
        std::nullopt;  // the profile's grade line at the station, metres
    std::optional<double> ground_elevation =
        std::nullopt;  // the terrain at the hole's X, Y, metres
    std::optional<double> collar_elevation =
        std::nullopt;  // the surveyed height of an as-drilled hole, metres
    // The crossing angle of the group's skewed pier axis (交角), degrees; nothing when square.
    std::optional<double> crossing_angle = std::nullopt;
    // The line the hole was placed on where its group names one (@名称); "" for the run's line.
    std::string line = {};
    // The centre-line point at the station, X north, Y east, metres: where a skewed axis crosses
    // the line, which the plan drawing draws through its holes.
    double centre_x = 0, centre_y = 0;

    // The as-drilled hole against its planned one (inverse with a planned borehole list): the
    // planned station and offset, the drilled point's deviation from the planned point along
    // and across the line and in plan (metres; + ahead, + left), and the verdict ("", "超限",
    // "未钻", "计划外"). A planned hole not drilled has no drilled position: `placed` false, and
    // its drilled fields (station, offset, X, Y) are no values but empty cells.
    std::string planned_station = {};
    std::optional<double> planned_offset = std::nullopt;
    std::optional<double> d_along = std::nullopt;
    std::optional<double> d_across = std::nullopt;
    std::optional<double> distance = std::nullopt;
    std::string status = {};
    bool placed = true;
    // The continuous mileage of the station (of the foot), metres: where the section drawing
    // puts the hole.
    double mileage = 0;
    // The name the survey crew's controller and the maps give the hole (PointNamer,
    // report/field/stakeout.h), set once where the record is made: "A1" for a planned hole, its own
    // name for a surveyed one.
    std::string point_name = {};
    // How deep the planned hole goes, where the list gives it (孔深, 孔底, 设计下): metres below
    // its collar, and the elevation of its bottom (where the ground is known); its type as the
    // investigation outline names it (技术孔, 鉴别孔 …), "" when not given.
    std::optional<double> depth = std::nullopt;
    std::optional<double> bottom_elevation = std::nullopt;
    std::string hole_type = {};
};

// A group of the list as the run begins it.
struct GroupHead {
    std::string title;
    int count = 0;   // how many rows the group line says follow
    int number = 0;  // its place among the file's groups, from 1
    // The crossing angle as the title row prints it ("75°", "45°30′"); "" when square.
    std::string crossing_angle = {};
    std::string line = {};  // the line its group names (@名称); "" for the run's line
};

// Takes the run's records as they are made, with the events of the list around them. Only
// record() is required: a sink that keeps records alone (the drawing's, the stakeout files')
// ignores the rest.
// What the ground is made of, which decides how a hole's height is found on it.
enum class GroundKind {
    tin,             // triangles: the plane of the one under the hole's X, Y
    cross_sections,  // 纬地's sections: between two sections at the hole's offset
    centre_line,     // 纬地's ground line alone: holes on the centre line only
};

class RecordSink {
  public:
    virtual ~RecordSink() = default;

    // The list file is open and the table begun: from here on a stopped run keeps what it has.
    virtual void begin_table() {}
    // Whether a group of `count` rows, and the note row after the table, still fit; the run
    // refuses the group (naming max_rows()) when it does not.
    virtual bool group_fits(int count) const {
        (void)count;
        return true;
    }
    virtual void begin_group(const GroupHead& group) { (void)group; }
    // The serial number of the next row, before its line is read: the printed table keeps it
    // even when the line then fails.
    virtual void begin_row(int serial) { (void)serial; }
    virtual void record(const BoreholeRecord& borehole) = 0;
    // Every row of the group has been written.
    virtual void end_group() {}
    // The ground's elevations come from the terrain in the file named `source` (its name
    // without folder), of `kind`: the printed table names it on the 地面高程 note row and says how
    // a hole's height is found on it. Called once the table is begun, before its first group,
    // only by a run that has a terrain.
    virtual void ground_from(const std::string& source, GroundKind kind) {
        (void)source;
        (void)kind;
    }
    // Whether the note row after the last group still fits.
    virtual bool note_fits() const { return true; }
    // The table is complete: note row, page lines, the page headers naming `project_line`. A run
    // that stops never calls it.
    virtual void finish(const std::string& project_line) { (void)project_line; }
    // The run stopped before the list's end (a station rejected, a line refused): the table
    // keeps the rows written so far and is headed as incomplete, so that a printed page of it
    // cannot pass for the whole table.
    virtual void stopped(const std::string& project_line) { (void)project_line; }
    // Rows the sink's table can hold (for the message that refuses a group).
    virtual long max_rows() const { return kMaxSheetRows; }
};

}  // namespace qelt
