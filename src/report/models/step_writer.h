#pragma once
// Writing the DATA section of a STEP file (ISO 10303-21), the form of an IFC model: numbered
// instances, each an entity and its attributes, written as text. What an IFC model needs and no
// more: reals that read back to the same double, strings in the format's own escapes (a Chinese
// name survives any reader that keeps to the standard), references and GlobalIds.

#include <cstdint>
#include <string>
#include <vector>

namespace qelt {

// A REAL as STEP writes it: the shortest text that reads back to the same double, with its
// decimal point ("100." and "1.5E-07"). The value must be finite.
std::string step_real(double value);

// A string with its quotes, in STEP's own encoding: ASCII as is ('' for a quote, \\ for a
// backslash), anything else as \X2\…\X0\ (UTF-16, surrogate pairs for the planes above the
// first). `utf8` must be UTF-8.
std::string step_string(const std::string& utf8);

// "#12".
std::string step_ref(std::int64_t id);
// "(#1,#2)".
std::string step_refs(const std::vector<std::int64_t>& ids);

class StepWriter {
  public:
    // Numbers instances from `first_id`. GlobalIds count up from `guid_base` (128 bits as two
    // halves): 0 gives '0000000000000000000001', '…2' … (the reproducible files of the tests); a
    // model others work on takes a random base, so that its ids are unique beyond this file.
    explicit StepWriter(std::int64_t first_id = 1, std::uint64_t guid_high = 0,
                        std::uint64_t guid_low = 0);

    // A base for GlobalIds drawn at random.
    static StepWriter with_random_guids(std::int64_t first_id);

    // Adds an instance, "IFCSITE(…)" without its number and semicolon; its number.
    std::int64_t add(const std::string& entity_and_attributes);
    // A quoted GlobalId, 22 characters of IFC's base-64 alphabet, a new one each call.
    std::string guid();
    // The instances so far, one a line.
    const std::string& data() const { return data_; }

  private:
    std::string data_;
    std::int64_t next_;
    std::uint64_t high_, low_;
};

}  // namespace qelt
