#pragma once
// Reading Chinese road engineers' text files: the encoding they were saved in, their fields
// and their numbers.

#include <cstdio>
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

// One input file, read line by line in UTF-8 whatever the file's own encoding was.
// The encoding is decided for the whole file before the first line is handed out: valid UTF-8
// (with or without a byte-order mark) is taken as it is, anything else is read as GB18030.
// Lines end at LF; a CR before the LF is dropped. A last line without a line end still counts;
// an empty piece after the final line end is no line. Files are streamed, so a borehole file of
// a million lines costs no more memory than one of ten.
// A line holding a NUL byte (a binary or UTF-16 file) or a CR that ends no line (a file saved
// with CR alone as its line end, which would read as one long line) is refused with DataError
// naming the line: read on, such a file would lose its data without a word.
class LineReader {
  public:
    // Throws DataError naming the file when it cannot be opened or is not a regular file.
    explicit LineReader(const std::string& path);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // True when no further line can be read.
    bool at_end();
    // Reads the next line into `line`; false at the end of the file. Throws DataError when a
    // line cannot be decoded or holds a NUL byte or a lone CR.
    bool next(std::string& line);
    // 1-based number of the line last returned (0 before the first).
    long line_number() const { return line_number_; }
    const std::string& path() const { return path_; }
    void close();

  private:
    bool read_raw(std::string& raw);
    bool fill();

    std::string path_;
    std::FILE* file_ = nullptr;
    bool utf8_ = true;
    bool first_line_ = true;
    long line_number_ = 0;
    std::string buffer_;
    std::size_t buffer_pos_ = 0;
    bool eof_ = false;
};

}  // namespace qelt
