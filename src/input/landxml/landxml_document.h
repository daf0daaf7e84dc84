#pragma once
// A LandXML 1.2 file as every reader of its parts takes it: the parsed document, the file's
// length unit, and the reading of its numbers and points with refusals that name the file, the
// line of the element and the field as written. The readers of the file's alignments, profiles
// and surfaces each go in a file of their own beside this one.
//
// The file is read line by line (LineSource: UTF-16, UTF-8 or GB18030, as every input file)
// and joined with '\n' before pugixml parses it: line n of the text is line n of the file.
// A design model's ground holds millions of points and faces (<P>, <F>), each element of which
// would cost pugixml a node of some 64 bytes and the reader a walk over them: a list of them
// written plainly (the elements, their attributes in quotes and their numbers, no comments,
// entities or CDATA) is checked as XML, kept as the text it is and read straight from the text
// (for_each_item); any other list is parsed by pugixml as the rest of the file.
//
// Frame and units of what is read: metres (whatever unit the file is in); a point's first number
// is its northing (X, north), its second its easting (Y, east).

#include <cstddef>
#include <functional>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/data_error.h"
#include "base/line_reader.h"
#include "geometry/geometry.h"

namespace qelt {

// An element's name without its namespace prefix: files written with "lx:Alignment" are as
// good as those with a default namespace.
std::string_view local_name(pugi::xml_node node);

// The first child element of `node` named `name` (without prefix); an empty node when none.
pugi::xml_node child_named(pugi::xml_node node, std::string_view name);

// The words of an element's text, split at XML's white space (a point's numbers, a face's ids).
std::vector<std::string_view> xml_words(std::string_view text);

// The first `room` words of `text` into `words`; returns how many words the text has.
std::size_t xml_words(std::string_view text, std::string_view* words, std::size_t room);

// ASCII letters compared without regard to case ("INF", "Infinity", "CW").
bool same_word(std::string_view a, std::string_view b);

// A discrepancy as the engineer reads it: millimetres while it is small ("1.5 mm"), metres
// beyond ("0.101 m").
std::string discrepancy(double metres);

// A length unit as the factor numerator/denominator to metres, exact where the unit is defined
// exactly (the US survey foot is 1200/3937 m).
struct LengthUnit {
    double numerator = 1, denominator = 1;
    double metres(double value) const { return value * numerator / denominator; }
};

// An element of a surface's list of points or faces (<P> of <Pnts>, <F> of <Faces>).
struct ListItem {
    std::ptrdiff_t offset = 0;  // where it begins in the text, for its line
    std::string_view id;        // its id attribute; empty without one
    bool invisible = false;     // i="1": a face that is not part of the surface
    std::string_view text;      // its content: the numbers or the point ids
};

// A LandXML file, read and parsed whole.
class LandXmlDocument {
  public:
    // Reads every line of `lines` and parses them. Throws DataError(detail, path, line) for
    // malformed XML (the line of the error), a root element that is not LandXML, and units it
    // cannot take (lengths in metres, millimetres, centimetres, kilometres, feet or US survey
    // feet are taken).
    explicit LandXmlDocument(LineSource& lines);
    // pugixml's nodes point into the text the document holds.
    LandXmlDocument(const LandXmlDocument&) = delete;
    LandXmlDocument& operator=(const LandXmlDocument&) = delete;

    const std::string& path() const { return path_; }
    // The <LandXML> element.
    pugi::xml_node root() const { return document_.document_element(); }
    // The file's length unit, from its <Units>.
    LengthUnit unit() const { return unit_; }
    // The 1-based line of the file where `node` begins.
    long line_of(pugi::xml_node node) const { return line_at(node.offset_debug()); }
    // The 1-based line of the file holding character `offset` of the text.
    long line_at(std::ptrdiff_t offset) const;

    // Calls `each` for every child element of `list` named `name` (without prefix), in order.
    void for_each_item(pugi::xml_node list, std::string_view name,
                       const std::function<void(const ListItem&)>& each) const;
    // About how many elements `list` holds, to make room for them at once (0: not known).
    std::size_t item_count_hint(pugi::xml_node list) const;

  private:
    // Where the content of `list` is when it is read from the text; null otherwise.
    const std::pair<std::size_t, std::size_t>* plain_list(pugi::xml_node list) const;

    std::string path_;
    std::vector<std::size_t> line_starts_;  // offset of line 1, 2, …
    // The file's text, parsed in place: pugixml's names and values point into it.
    std::string text_;
    // The lists read from the text rather than by pugixml: where each one's content begins and
    // ends (at the "<" of its end tag), in the order of the file.
    std::vector<std::pair<std::size_t, std::size_t>> plain_lists_;
    pugi::xml_document document_;
    LengthUnit unit_;
};

// The reading of one object of a document (an alignment, a profile, a surface): every refusal
// begins with how the engineer knows the object ("线路“A”", "第 2 条线路").
class LandXmlPart {
  public:
    LandXmlPart(const LandXmlDocument& document, std::string prefix)
        : document_(document), prefix_(std::move(prefix)) {}

    const LandXmlDocument& document() const { return document_; }
    const std::string& prefix() const { return prefix_; }

    // The refusal of what was found at `at`: the prefix and `what`, the file and the line of `at`.
    DataError refused(pugi::xml_node at, const std::string& what) const;
    // The same for what was found at character `offset` of the text.
    DataError refused_at(std::ptrdiff_t offset, const std::string& what) const;

    // A number of the file read whole; `owner` names the element for the engineer ("第 3 个线元
    // Curve"), `field` the attribute or the part of a point.
    double number(pugi::xml_node at, const std::string& owner, const char* field,
                  std::string_view written) const;
    double number_at(std::ptrdiff_t offset, const std::string& owner, const char* field,
                     std::string_view written) const;
    // Length attribute `a` of `at`, in metres.
    double length(pugi::xml_node at, const std::string& owner, pugi::xml_attribute a) const;
    // A length attribute that must not be negative, in metres; nothing when `at` does not have it.
    std::optional<double> length_attribute(pugi::xml_node at, const std::string& owner,
                                           const char* name) const;
    // The point of child `child` of `at`, "northing easting [elevation]" in metres; nothing when
    // `at` has no such child. A point given by reference (pntRef) is refused.
    std::optional<Point> point(pugi::xml_node at, const std::string& owner,
                               const char* child) const;
    // The same for a point `at` must have.
    Point required_point(pugi::xml_node at, const std::string& owner, const char* child) const;

  private:
    const LandXmlDocument& document_;
    std::string prefix_;
};

}  // namespace qelt
