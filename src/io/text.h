#pragma once
// Reading Chinese road engineers' text files: the encoding they were saved in, their fields
// and their numbers.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qelt {

// Trims blanks from both ends, collapses every run of blanks to one and splits at the blanks.
// Tabs count as blanks: files pasted from a spreadsheet are tab-separated.
std::vector<std::string> split_fields(std::string_view line);

// True for the characters the field splitting treats as blanks (space and tab).
inline bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

// Trims blanks (space and tab) from both ends.
std::string_view trim_blanks(std::string_view text);

// The value of the leading number of a text, the way a station number is read: blanks are
// ignored, then an optional sign, digits, a decimal point and an exponent; reading stops at the
// first character that cannot continue the number. A text without a number gives 0. A number
// beyond the double range gives ±infinity, which the callers reject.
double numeric_value(std::string_view text);

// Strict reading of a whole field as a decimal number (optional sign, fraction, exponent).
// Returns nothing for anything else, including "nan", "inf" and out-of-range values.
std::optional<double> parse_number(std::string_view field);

// Shortest text that reads back as the same double, e.g. "3512345.678912" (for CSV output).
std::string shortest_number(double value);

// Whether the bytes are valid UTF-8 (a leading byte-order mark included).
bool is_valid_utf8(std::string_view bytes);

// Number of characters of a UTF-8 text (bytes that start a character).
std::size_t utf8_length(std::string_view text);

}  // namespace qelt
