#pragma once
// What kind of file the user gave for a line, told once from its content, and its text decoded
// once for the reader that follows.
//
// A file is decoded as every input file is (LineReader: UTF-16, UTF-8 or GB18030) up to its first
// line that is not blank, which tells the format; the reader of that format then reads the same
// lines again from memory and the rest from the file, so nothing is decoded twice and the lines
// keep the numbers the messages name.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "base/line_reader.h"

namespace qelt {

// The formats a file's content tells apart. The JD file and the element file are both plain
// text, one number after another, and a file of either kind can read as the other: which one a
// text file is comes from the method the user chose, not from the file.
enum class FileFormat {
    text,     // Qelt's own text files (the JD file, the element file)
    xml,      // XML: LandXML as design software exports it
    step,     // a STEP exchange file (ISO 10303-21): an IFC model as BIM software exports it
    hintcad,  // a data file of the road-CAD suite 纬地, "HINTCAD<version>_…"
              // (input/hintcad_files.h)
};

// A user's file whose format has been told: its lines, decoded once, for the reader of that
// format. Throws DataError as LineReader does (a file that cannot be opened, mixed encodings, a
// line that cannot be decoded), naming the file and the line.
class DetectedFile final : public LineSource {
  public:
    FileFormat format() const { return format_; }
    // The first line that is not blank, as detection read it ("" for a file of blank lines
    // only): what the readers of several layouts tell their layout by, without a second opening.
    const std::string& first_line() const { return first_line_; }

    bool next(std::string& line) override;
    long line_number() const override { return line_number_; }
    const std::string& path() const override { return file_->path(); }

  private:
    friend DetectedFile detect_format(const std::string& path);
    explicit DetectedFile(const std::string& path);

    std::unique_ptr<LineReader> file_;
    FileFormat format_ = FileFormat::text;
    std::vector<std::string> read_ahead_;  // the lines detection read, lines 1, 2, …
    std::string first_line_;
    long line_number_ = 0;
};

// Opens `path` and tells its format from its first line that is not blank (blanks as
// trim_blanks counts them, after the byte-order mark): '<' begins XML, "ISO-10303-21;" (in any
// case) a STEP file, "HINTCAD" (in any case) a 纬地 file; anything else, and a file of blank lines
// only, is text.
DetectedFile detect_format(const std::string& path);

}  // namespace qelt
