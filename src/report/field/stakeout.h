#pragma once
// The boreholes for the survey crew, who stake them out with an RTK receiver: point files their
// controllers (South 工程之星, Hi-Target Hi-Survey, CHC LandStar) and CASS import, so that nobody
// retypes a coordinate.
//
//   South CASS .dat   点名,编码,Y,X,H   easting before northing, as CASS and the controllers'
//                                      "CASS format" read it; 编码 empty, H empty (no elevation
//                                      has been surveyed yet, and an invented 0 would read as
//                                      one)
//   PNEZD .csv        name,northing,easting,elevation,description   (description: the group
//                                      and the station), no header line, RFC 4180 quoting
//
// Both in GBK (code page 936), the encoding CASS (an AutoCAD application on Chinese Windows) and
// the controllers' import read plain text files in; no byte-order mark, which a controller
// would take for part of the first point's name. Lines end in CR LF, as Windows programs write
// them and the controllers' file transfer expects. Coordinates with 4 decimals (a tenth of a
// millimetre), the field convention of these files; the table's CSV keeps them in full.
//
// Frame and units: metres; X north, Y east, as the table gives them (a Y with its zone prefix
// keeps it, as the controller's coordinate system expects it when set up with the prefix).

#include <ostream>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "report/borehole_record.h"

namespace qelt {

enum class StakeoutFormat { cass_dat, points_csv };

// The letter of the n-th group of a table (n from 1): A … Z, then AA, AB … as spreadsheet
// columns count, so that every group has its own however many there are.
std::string group_letter(int n);

// Names the points of one table, one each in the table's order (BoreholeRecord::point_name),
// unique within it and short enough for a controller's screen:
//   - a planned borehole: its group's letter and its serial number ("A1", "B12"); the letters
//     go by the group's place in the table, since group titles are Chinese and often begin
//     alike ("青龙河大桥", "青山隧道");
//   - a surveyed hole (it has a name): its own name ("ZK1"), which the crew wrote on the stake;
//     a name that several holes share (each bridge its ZK1) becomes name, '-' and the group's
//     letter for each of them ("ZK1-A", "ZK1-B"), and should that too be taken, gets the serial
//     number and then a count, so that no two points and no hole's own name ever coincide.
// A name depends on every own name of the table, which the namer is given before the first.
class PointNamer {
  public:
    // `own_names`: the own names of every hole of the table, in any order ("" for none).
    explicit PointNamer(std::span<const std::string> own_names);
    // The name of the next hole of the table, `borehole` with its group number, serial and name.
    std::string name(const BoreholeRecord& borehole);

  private:
    std::unordered_map<std::string, int> holding_;  // holes per own name
    std::unordered_set<std::string> used_;          // every own name, and every name given
};

// The point names of `boreholes` as PointNamer gives them, for records made without one.
std::vector<std::string> stakeout_names(std::span<const BoreholeRecord> boreholes);

// The description of a point in the PNEZD file: its group and printed station
// ("青龙河大桥 K11+150.000"), so that crew and engineer speak of the same hole.
std::string stakeout_description(const BoreholeRecord& borehole);

// Writes the points file of `boreholes`, each under its point_name, to `out`, opened in
// binary mode and checked by the caller. Throws DataError, having written nothing, when a name
// or description holds a character GBK has no code for, naming the hole.
void write_stakeout_file(std::ostream& out, StakeoutFormat format,
                         std::span<const BoreholeRecord> boreholes);

}  // namespace qelt
