#pragma once
// Reading Chinese road engineers' text files: the encoding they were saved in, their fields
// and their numbers.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qelt {

// Blanks between fields: space, tab (files pasted from a spreadsheet are tab-separated) and the
// ideographic space U+3000 that a Chinese input method types in full-width mode.

// Length in bytes of the blank that starts at text[i]: 1 for a space or tab, 3 for U+3000,
// 0 when no blank starts there.
std::size_t blank_length(std::string_view text, std::size_t i);

// Trims blanks from both ends, collapses every run of blanks to one and splits at the blanks.
std::vector<std::string> split_fields(std::string_view line);

// The fields of a line as views into it, so that a caller can take "the rest of the line" after
// a field with its inner blanks kept.
std::vector<std::string_view> field_views(std::string_view line);

// Trims blanks from both ends.
std::string_view trim_blanks(std::string_view text);

// The text with full-width digits, signs and decimal point (０–９, ＋, －, ．) and the minus
// sign U+2212 replaced by their ASCII forms; every other character is kept. A Chinese input
// method left in full-width mode types these, and they mean the same number.
std::string fold_fullwidth_digits(std::string_view text);

// Reads a whole field as a decimal number: optional blanks around it, an optional sign (ASCII
// or full-width), digits, a fraction and an exponent, and nothing else. Returns nothing for any
// other text ("11,150", "6.5m", a quoted number, "nan", "inf", out-of-range values): a field
// that only begins with a number must never be read as that number.
std::optional<double> parse_number(std::string_view field);
// The same for a field already trimmed and folded (fold_fullwidth_digits), for a reader that has
// done both to take the field apart first.
std::optional<double> parse_folded_number(std::string_view field);

// Numbers as the messages and tables write them. Each form is part of what a user reads (or a
// program parses), so every message takes its numbers from here.

// Shortest text that reads back as the same double, in plain decimal notation, e.g.
// "3512345.678912", "0.000016840743827692258" (for CSV output): never the exponent form
// ("1.68e-05"), which a spreadsheet shows as 1.68E-05 and a column of coordinates never uses.
std::string shortest_number(double value);

// A fixed number of decimals, rounded as printf rounds: fixed_text(1234.5678, 3) is "1234.568",
// the millimetre of a length in metres. Never cut short, however large the value.
std::string fixed_text(double value, int decimals);

// At most `digits` significant digits, printf's %g: "500", "0.333333", "1e+20".
std::string significant_text(double value, int digits);

// A number in its shortest plain form, as chain-break stations appear in messages: up to 15
// significant digits, no trailing zeros, no 0 before the point (".5", "-.25", "1100").
std::string short_number_text(double value);

// An angle in degrees as degrees, minutes and seconds, the seconds to `decimals` places,
// rounded half away from zero with the carry into minutes and degrees: dms_text(23.62933, 1)
// is "23°37′45.6″". The sign, if any, leads ("-0°00′01.0″"). Minutes and seconds below ten get
// a leading zero, as angles are printed in the design tables.
std::string dms_text(double degrees, int decimals);

// Whether the bytes are valid UTF-8 (a leading byte-order mark included).
bool is_valid_utf8(std::string_view bytes);

// The character of the UTF-8 sequence at byte `i`, with `i` moved past it; nothing, and `i`
// left where it was, where the bytes there are no UTF-8 (a cut sequence, an overlong form, a
// surrogate, a value beyond U+10FFFF: GBK text often happens to look like such sequences).
std::optional<char32_t> next_utf8(std::string_view bytes, std::size_t& i);

// The byte after the character that starts at byte `i` of a UTF-8 text (the next byte that
// starts a character, or the end), for cutting a text without splitting a character.
std::size_t next_utf8_boundary(std::string_view text, std::size_t i);

// Number of characters of a UTF-8 text (bytes that start a character).
std::size_t utf8_length(std::string_view text);

}  // namespace qelt
