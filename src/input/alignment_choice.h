#pragma once
// Which alignment of a file that holds several (a LandXML file of a whole interchange) the run
// is to use: the user names it before the run or picks it from the list the file gives; a name
// the file does not hold, or no choice at all, is refused listing what the file holds.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qelt {

// One alignment of a file that holds several, as the user chooses among them.
struct AlignmentChoice {
    std::string name;
    double length = 0;          // metres along the line; NaN for an alignment that cannot be built
    std::string start_station;  // as the tables print it, "K0+000"
    std::string end_station;
};

// The choice as the tables print it: `start_station` and `end_station` in metres.
AlignmentChoice alignment_choice(const std::string& name, double length, double start_station,
                                 double end_station);

// The user's answer, as the front end gives it.
struct AlignmentAnswer {
    std::optional<std::string> name;  // named before the run (qelt-cli's --alignment-name)
    // Asks the user to pick one of `choices` (the desktop's list): its index, or nothing when
    // the user cancels. Empty where the front end asks nothing.
    std::function<std::optional<std::size_t>(const std::vector<AlignmentChoice>& choices)> ask;
};

// The index in `choices` (at least one) of the alignment of file `path` the run is to use: the
// one named in `answer`, the only one, or the one the user picks. Throws DataError naming the
// file for a name it does not hold and for a file of several where none was picked.
std::size_t chosen_alignment(const std::vector<AlignmentChoice>& choices, const std::string& path,
                             const AlignmentAnswer& answer);

}  // namespace qelt
