#pragma once
// One borehole of a run as every output takes it: the printed table, its CSV, the plan drawing,
// the stakeout files for the survey crew's controllers and the map files. The run hands them
// out one by one, in the order of the borehole file (of the points file for the as-drilled
// table); the table's layout (rows, frames, page lines) is the workbook writer's business alone.
//
// Frame and units: metres; X north, Y east, as the alignment file gives them (a Y with its zone
// prefix keeps it).

#include <string>

namespace qelt {

struct BoreholeRecord {
    std::string group;          // the group title, as written in the borehole file
    int serial = 0;             // its number in the group, from 1
    std::string name;           // the hole's own name where the file gives one (as-drilled points)
    std::string station;        // the printed station, lettered where the number alone would
                                // read elsewhere ("BK13+470.000")
    double station_value = 0;   // the station number in its interval's numbering, metres
    double offset = 0;          // metres, positive to the left of the centre line
    std::string offset_text;    // the offset as the table prints it (as written in the file)
    double x = 0;               // north, metres
    double y = 0;               // east, metres
    std::string remark;
    // The group's place among the file's groups, from 1 (groups without boreholes counted), as
    // the printed table shows them.
    int group_number = 0;
};

// Takes the run's records as they are made.
class RecordSink {
  public:
    virtual ~RecordSink() = default;
    virtual void record(const BoreholeRecord& borehole) = 0;
};

}  // namespace qelt
