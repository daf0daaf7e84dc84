#pragma once
// The single failure of the run's reading and building phase. Whatever goes wrong while the
// alignment, chain-break and borehole files are chosen, read and built (a malformed record, a
// radius of zero, a table overflow) ends the run with one message box; the file name and line
// number travel along for the command line and the log, never into that box.

#include <stdexcept>
#include <string>

namespace qelt {

class DataError : public std::runtime_error {
  public:
    explicit DataError(const std::string& detail, std::string file = {}, long line = 0)
        : std::runtime_error(detail), file_(std::move(file)), line_(line) {}

    // Name of the input file the failure was found in; empty when it is not tied to one.
    const std::string& file() const { return file_; }
    // 1-based line number in that file; 0 when unknown.
    long line() const { return line_; }

  private:
    std::string file_;
    long line_;
};

}  // namespace qelt
