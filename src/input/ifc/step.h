#pragma once
// STEP files (the clear-text exchange structure of ISO 10303-21), the form in which IFC models
// (.ifc) are delivered: a HEADER naming the schema and a DATA section of numbered instances,
//   #12=IFCCARTESIANPOINT((500000.,3000000.));
// each an entity name and its attribute list. The alignment of a BIM delivery is read from such
// instances, so this reader gives exactly that: instances looked up by their number, their
// attributes with typed access, and references followed; it knows no IFC entity.
//
// The file is read whole through LineReader (a file saved as UTF-8 with or without a byte-order
// mark, GB18030 or UTF-16 reads as every other input file) and checked whole when it is opened:
// the structure of every instance, every string's escapes, every number, the uniqueness of the
// instance numbers and the end of the file. An instance's attribute values are built only when
// it is first asked for, so that a model of tens of megabytes of geometry costs little more than
// the scan.
//
// What is taken: the keywords in upper or lower case (read upper case), blanks, tabs, line ends
// and /* comments */ between any two tokens, strings with '' and the escapes \\ \S\c \PA\ \X\hh
// \X2\…\X0\ (UTF-16, surrogate pairs) \X4\…\X0\ (code points) \N\ \T\, all decoded to UTF-8;
// line ends inside a string are no part of it; a backslash that begins none of these escapes is
// kept as a backslash (exporters write Windows paths unescaped in FILE_NAME). Strings written
// with raw UTF-8 or GBK characters, which the format does not allow but exporters write, are
// taken as the file's encoding reads them. Reals may have a bare point ("1.", "1.E5") and a
// lower-case exponent; digits with an exponent and no point ("1E5") are reals too. Binary
// values ("0FF") are kept as their hex digits.
//
// What is refused, with DataError naming the file, the line and what was found there: a file
// that does not begin with ISO-10303-21; or ends before END-ISO-10303-21; (a cut-off transfer
// would otherwise lose instances without a word), a HEADER without FILE_SCHEMA, complex
// instances #n=(A(…)B(…)) (no IFC entity needs them), a second instance with a number already
// used, a number out of range, an unterminated string or comment, a malformed escape, the
// escape \S\ after \PB\…\PI\ chose an ISO 8859 part other than 1, lists nested deeper than
// kStepMaxNesting, and any token out of place.
//
// Messages name an instance as the file writes it ("#45=IFCALIGNMENTSEGMENT"), an attribute by
// its position and the name the caller gives it, and quote the value found as written.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/data_error.h"
#include "base/line_reader.h"

namespace qelt {

class StepFile;
class StepInstance;

// Deepest nesting of lists and typed values taken inside one attribute (IFC needs three: a list
// of lists of coordinates inside a typed value); deeper is refused rather than risking the stack
// on a damaged file.
constexpr int kStepMaxNesting = 64;

// One attribute value as the file writes it.
struct StepValue {
    enum class Kind {
        unset,        // $: an OPTIONAL attribute not given
        derived,      // *: an attribute the schema derives from others
        integer,      // 42, -7
        real,         // 1., -9.99E-3
        string,       // 'text'
        enumeration,  // .CIRCULARARC., and the booleans .T. .F. .U.
        binary,       // "0FF"
        reference,    // #12
        list,         // (a, b, …), possibly empty
        typed,        // IFCLENGTHMEASURE(1.5): a value of a defined type chosen in a SELECT
    };
    Kind kind = Kind::unset;
    // The value as written in the file, its keywords in upper case (a view into StepFile's text).
    std::string_view written;
    std::int64_t number = 0;  // integer: its value; reference: the instance number
    double real = 0;          // real: its value; integer: its value as a double
    // string: decoded to UTF-8; enumeration: its name without the dots, upper case; typed: the
    // type's name, upper case; binary: its hex digits.
    std::string text;
    std::vector<StepValue> items;  // list: its items; typed: exactly one, the value inside
};

// Name of a kind of value as messages use it ("实数", "枚举值（.X.）").
const char* step_kind_name(StepValue::Kind kind);

// An attribute value (or an item of a list value) together with where it came from, so that
// each typed access that finds something else throws a DataError naming the file, the first
// line of the instance and the attribute, with what was expected and what was found:
//   #45=IFCALIGNMENTHORIZONTALSEGMENT 的第 4 个属性 StartRadiusOfCurvature
//   应为实数，文件中是“.LINE.”
// Valid while its StepFile lives.
class StepField {
  public:
    const StepValue& value() const { return *value_; }
    StepValue::Kind kind() const { return value_->kind; }
    bool is_unset() const { return value_->kind == StepValue::Kind::unset; }
    bool is_derived() const { return value_->kind == StepValue::Kind::derived; }

    // A REAL, or an INTEGER taken as a real (a length written "100" means 100 m as "100." does).
    double real() const;
    // Nothing for $, else real().
    std::optional<double> optional_real() const;
    std::int64_t integer() const;
    // The string decoded to UTF-8.
    const std::string& string() const;
    // Nothing for $, else string().
    std::optional<std::string> optional_string() const;
    // The enumeration's name without its dots, upper case: "CLOTHOID" for .CLOTHOID.
    const std::string& enumeration() const;
    // A boolean (.T. or .F.).
    bool boolean() const;
    // The instance number of a reference #n.
    std::int64_t reference() const;
    // The items of a list, each a field of its own ("… 的第 2 项").
    std::vector<StepField> list() const;
    // The value inside a typed value of type `type` (upper case, e.g. "IFCLENGTHMEASURE").
    StepField typed(std::string_view type) const;
    // The type of a typed value, upper case.
    const std::string& type_name() const;

    // The instance a reference points to. Throws DataError when the field is no reference or
    // no instance of that number exists, naming both the referring attribute and the number.
    const StepInstance& instance() const;
    // The same, and the instance must be of entity `entity` (upper case).
    const StepInstance& instance(std::string_view entity) const;

    // The field as messages name it: "#45=IFCX 的第 2 个属性 StartPoint 的第 1 项".
    const std::string& description() const { return description_; }
    // A DataError at the first line of the field's instance whose text is the field's
    // description followed by `what`.
    DataError error(const std::string& what) const;
    // "…应为<expected>，文件中是“<as written>”" as a DataError.
    DataError expected(const std::string& expected) const;

  private:
    friend class StepInstance;
    StepField(const StepInstance& owner, const StepValue& value, std::string description)
        : owner_(&owner), value_(&value), description_(std::move(description)) {}
    const StepValue& of_kind(StepValue::Kind kind) const;

    const StepInstance* owner_;
    const StepValue* value_;
    std::string description_;
};

// One instance of the DATA section (or one entity of the HEADER, whose number is 0).
class StepInstance {
  public:
    StepInstance(const StepFile& file, std::int64_t id, std::string_view entity, long line,
                 std::vector<StepValue> attributes, bool in_header = false);

    std::int64_t id() const { return id_; }
    // The entity's name, upper case: "IFCALIGNMENT".
    std::string_view entity() const { return entity_; }
    // Line of the file on which the instance begins.
    long line() const { return line_; }
    const StepFile& file() const { return *file_; }
    // Number of attributes written.
    std::size_t size() const { return attributes_.size(); }
    const std::vector<StepValue>& attributes() const { return attributes_; }

    // Attribute `index` (0-based, in the order of the entity's attributes, inherited ones
    // first). `name` is the attribute's name in the schema, for messages. Throws DataError when
    // the instance has fewer attributes.
    StepField attribute(std::size_t index, std::string_view name) const;

    // The instance as messages name it: "#45=IFCALIGNMENTSEGMENT" ("HEADER 中的 FILE_NAME").
    std::string description() const;
    // A DataError at the instance's line whose text is its description followed by `what`.
    DataError error(const std::string& what) const;

  private:
    const StepFile* file_;
    std::int64_t id_;
    std::string_view entity_;
    long line_;
    std::vector<StepValue> attributes_;
    bool in_header_;
};

// A STEP file, read and checked whole when constructed. Instances are built on first use and
// kept; the references handed out stay valid while the StepFile lives. Neither copied nor
// moved (its instances point back to it); not for use from several threads at once.
class StepFile {
  public:
    // Reads the file. Throws DataError(detail, path, line) for a file that cannot be read or
    // decoded and for every fault listed at the top of this header.
    explicit StepFile(const std::string& path);
    // The same for a file whose lines are read from `lines` (a file already opened to tell its
    // format), from its first line; the path is the source's.
    explicit StepFile(LineSource& lines);
    ~StepFile();
    StepFile(const StepFile&) = delete;
    StepFile& operator=(const StepFile&) = delete;

    const std::string& path() const { return path_; }

    // The schema names of the header's FILE_SCHEMA, as written: {"IFC4X3_ADD2"}.
    const std::vector<std::string>& schemas() const { return schemas_; }
    // A HEADER entity by name (FILE_DESCRIPTION, FILE_NAME, FILE_SCHEMA, …); null when absent.
    const StepInstance* header(std::string_view entity) const;

    // Number of instances of the DATA section(s).
    std::size_t size() const { return entries_.size(); }
    // Instance `index` (0-based, below size()) in the order of the file.
    const StepInstance& at(std::size_t index) const;
    // Instance #id; null when the file has none.
    const StepInstance* find(std::int64_t id) const;
    // Instance #id. Throws DataError naming the file when it has none.
    const StepInstance& instance(std::int64_t id) const;
    // Every instance of entity `entity` (upper case), in the order of the file.
    std::vector<const StepInstance*> instances_of(std::string_view entity) const;

  private:
    // Where an instance is, found by the scan; its values are built on first use.
    struct Entry {
        std::int64_t id;
        std::string_view entity;
        std::size_t body;  // offset of the '(' that opens its attribute list
        long line;
    };
    class Parser;
    void read(LineSource& lines);
    const StepInstance& built(std::size_t entry) const;

    std::string path_;
    std::string text_;  // the file's lines in UTF-8, joined with '\n'
    std::vector<std::string> schemas_;
    std::vector<std::unique_ptr<StepInstance>> header_;
    std::vector<Entry> entries_;        // in the order of the file
    std::vector<std::uint32_t> by_id_;  // indexes into entries_, ordered by id
    mutable std::vector<std::unique_ptr<StepInstance>> built_;  // parallel to entries_
};

}  // namespace qelt
