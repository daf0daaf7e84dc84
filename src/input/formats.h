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
#include <optional>
#include <string>
#include <vector>

#include "base/data_error.h"
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
              // (input/hintcad/hintcad_files.h)
};

// The kinds of file the steps of a job read, as far as a file's first lines tell them. A file of
// a kind given where it does not belong (the ground shots as the profile, the JD file as the
// chain breaks) is refused as what it is, rather than with the grammar of the step's own kind,
// which would name a field the user never meant as one. Qelt's lists (the borehole list, its
// points file) begin with free text, as a profile does; they stay `unknown`, as does anything
// the rules below do not recognise for certain: the step's own reader then says what is wrong.
enum class FileKind {
    unknown,
    landxml,
    ifc,
    hintcad_elements,  // 纬地's files, told by their first line (input/hintcad/hintcad_files.h)
    hintcad_jds,
    hintcad_profile,
    hintcad_ground_line,
    hintcad_sections,
    hintcad_stakes,
    survey_points,  // the crew's CASS "点名,编码,Y,X,H" or PNEZD "点名,X,Y,H[,描述]"
    jd_text,        // the JD file: "起点,10000", then "QD,X Y R Ls1 Ls2"
    element_text,   // the element file: "station,X,Y,azimuth", then "R1,R2,length"
    chain_breaks,   // the chain-break file: "13500 13450" a line
    profile_text,   // the 纵断面资料文件: a title, then "K10+000 352.400 [R]"
};

// What the messages call a file of `kind` ("测量点文件（CASS、PNEZD）"); "" for unknown.
std::string file_kind_name(FileKind kind);

// The steps that tell the kinds of their files apart, and what each takes.
enum class FileStep {
    alignment,
    chain_breaks,
    profile,
    ground,
    ground_line,
    sections,
    boreholes,
    points
};

// Refuses the file `path` of `kind` where `step` does not read that kind: "“地面.dat”是测量点
// 文件（CASS、PNEZD），不是纵断面资料文件", naming the file. An unknown kind passes: the step's
// own reader then tells what it finds wrong.
void refuse_other_kind(const std::string& path, FileKind kind, FileStep step);
// The same for a file not yet opened: its kind told from its first lines; a file that cannot be
// read passes, for its reader to refuse where it reaches the fault.
void refuse_other_kind(const std::string& path, FileStep step);
// The kind a file's first two lines that are not blank tell (trimmed; "" for none), for a
// reader that has read them itself.
FileKind kind_of_lines(std::string_view first, std::string_view second);

// A user's file whose format has been told: its lines, decoded once, for the reader of that
// format. Throws DataError as LineReader does (a file that cannot be opened, mixed encodings, a
// line that cannot be decoded), naming the file and the line.
class DetectedFile final : public LineSource {
  public:
    FileFormat format() const { return format_; }
    // The first line that is not blank, as detection read it ("" for a file of blank lines
    // only): what the readers of several layouts tell their layout by, without a second opening.
    const std::string& first_line() const { return first_line_; }
    // The kind its first lines tell (the first two that are not blank).
    FileKind kind() const { return kind_; }

    bool next(std::string& line) override;
    long line_number() const override { return line_number_; }
    const std::string& path() const override { return file_->path(); }

  private:
    friend DetectedFile detect_format(const std::string& path);
    explicit DetectedFile(const std::string& path);

    std::unique_ptr<LineReader> file_;
    FileFormat format_ = FileFormat::text;
    std::string first_line_;
    FileKind kind_ = FileKind::unknown;
    std::vector<std::string> read_ahead_;     // the lines detection read, lines 1, 2, …
    std::optional<DataError> refusal_ahead_;  // of the line after them, for the reader
    long line_number_ = 0;
};

// Opens `path` and tells its format from its first line that is not blank (blanks as
// trim_blanks counts them, after the byte-order mark): '<' begins XML, "ISO-10303-21;" (in any
// case) a STEP file, "HINTCAD" (in any case) a 纬地 file; anything else, and a file of blank lines
// only, is text. A text file's second line that is not blank is read as well, for its kind.
DetectedFile detect_format(const std::string& path);

}  // namespace qelt
