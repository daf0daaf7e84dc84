#pragma once
// Users' input files, line by line, in UTF-8 whatever encoding they were saved in.

#include <cstdio>
#include <string>

namespace qelt {

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
