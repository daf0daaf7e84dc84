#pragma once
// Station equations (a LandXML StaEquation, an IFC referent whose Pset_Stationing jumps) as the
// chain-break table every job reads. Each source reads its own records; the order, the checks
// and their refusals are this one piece of code, whatever the file was.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/data_error.h"
#include "station/chain_breaks.h"

namespace qelt {

// One station equation as a source writes it.
//   at        where it stands, in the source's own terms (metres): a LandXML staInternal (the
//             continuous mileage itself), an IFC DistanceAlong (from the line's start)
//   back      the station before it (staBack, IncomingStation), when written; metres
//   ahead     the station after it (staAhead, Station); metres
//   name      how the engineer finds it ("第 2 个 StaEquation", "#45=IFCREFERENT(…)")
//   field, back_field  the names of `at` and `back` in the file, for messages ("staInternal",
//             "staBack"; "DistanceAlong", "IncomingStation")
struct StationEquation {
    double at = 0;
    std::optional<double> back;
    double ahead = 0;
    std::string name;
    std::string field;
    std::string back_field;
};

// The line the equations number.
//   origin    the continuous mileage where `at` is 0 (0 for a staInternal, the start station
//             for a distance along)
//   from, to  the ends of the line in the terms of `at`
//   jumps_only  an equation whose station ahead is the station reached (within a millimetre)
//             only marks a station and makes no chain break (IFC referents number every
//             station post, not only the breaks)
struct EquationLine {
    double origin = 0;
    double from = 0, to = 0;
    bool jumps_only = false;
};

// The chain breaks of `equations`, taken in the order of `at` (equal places kept in the file's
// order). Refused, through `refused(index, what)` (the source's DataError naming equation
// `index` by its file and line): an equation off the line (a millimetre of rounding allowed), a
// station before it that disagrees with the one reached there by more than a millimetre, more
// chain breaks than the table holds (19), a first break whose station before is -1 (the
// chain-break file's "no chain breaks"), and two breaks at one place.
ChainBreaks build_station_equations(
    std::vector<StationEquation> equations, const EquationLine& line,
    const std::function<DataError(std::size_t index, const std::string& what)>& refused);

}  // namespace qelt
