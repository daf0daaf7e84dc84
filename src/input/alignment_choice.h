#pragma once
// Which alignment of a file that holds several (a LandXML file of a whole interchange) the run
// is to use: the user names it before the run or picks it from the list the file gives; a name
// the file does not hold, or no choice at all, is refused listing what the file holds.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "alignment/alignment.h"
#include "base/data_error.h"

namespace qelt {

// One alignment of a file that holds several (LandXML, IFC), as the user chooses among them.
struct AlignmentInfo {
    std::string name;          // as the file names it ("" when it has none)
    double length = 0;         // metres along the line
    double start_station = 0;  // metres, the station shown at its start
    double end_station = 0;    // metres, the station shown at its end, in the last chain
                               // break's numbering
    long line = 0;             // line of the file where the alignment begins
    // length, start_station and end_station are NaN for an alignment that cannot be built
    // (FileAlignments::build says why).
};

// The alignments of a file, each built as the file is read, so that the list the user chooses
// from can show each one's length and stations, and say which cannot be built: one broken line
// must not make the others of the file unusable.
class FileAlignments {
  public:
    // The alignments in the order of the file.
    const std::vector<AlignmentInfo>& alignments() const { return infos_; }

    // Alignment `index` (0-based, below alignments().size()) as built: its located line, its
    // chain breaks (not completed: the run completes them with dl_complete), its key points and
    // the notices of its checks. Throws the DataError its building threw.
    Alignment build(std::size_t index) const;

  protected:
    // Builds the next alignment of the file, `name` at line `line`, with `build`, keeping a
    // DataError it throws for build(index).
    void add(std::string name, long line, const std::function<Alignment()>& build);

  private:
    struct Built {
        Alignment alignment;
        std::optional<DataError> error;
    };
    std::vector<AlignmentInfo> infos_;
    std::vector<Built> built_;
};

// One alignment of a file that holds several, as the user chooses among them.
struct AlignmentChoice {
    std::string name;
    double length = 0;          // metres along the line; NaN for an alignment that cannot be built
    std::string start_station;  // as the tables print it, "K0+000"
    std::string end_station;
    long line = 0;  // line of the file where the alignment begins (0: not known)
    // Where the file gives two or more alignments one name (a ramp exported twice, the left and
    // right carriageways both called "主线"), this one's place among them, 1, 2, …; 0 where its
    // name is its own. The name alone cannot choose it: "名称#2" does.
    int twin = 0;
};

// How the user names an alignment among those of its name: "#2" for the second.
std::string twin_mark(int twin);

// The choices of a file's alignments, in its order, each with its line and, where names are
// shared, its place among the alignments of its name.
std::vector<AlignmentChoice> alignment_choices(const std::vector<AlignmentInfo>& alignments);

// The alignments among `names` (a file's, in its order) that the user's `wanted` names: every
// one of that name (two or more where the name is shared); else, for "名称#k", the k-th
// alignment of that name, and for "#k" the k-th of the file (k from 1). Empty where none is.
std::vector<std::size_t> alignments_named(const std::vector<std::string>& names,
                                          const std::string& wanted);

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
// one named in `answer` (alignments_named), the only one, or the one the user picks. Throws
// DataError naming the file for a name it does not hold, for a name two or more alignments
// share (listing each with its line and stations, and the "名称#k" that chooses it), and for a
// file of several where none was picked.
std::size_t chosen_alignment(const std::vector<AlignmentChoice>& choices, const std::string& path,
                             const AlignmentAnswer& answer);

}  // namespace qelt
