#pragma once
// Users' input files, line by line, in UTF-8 whatever encoding they were saved in.

#include <cstdio>
#include <string>
#include <vector>

namespace qelt {

// Lines of a user's file in UTF-8, numbered from 1 as the file numbers them: what the readers of
// the text formats take, so that a file whose first lines were already read to tell its format
// (input/formats.h) is not decoded a second time.
class LineSource {
  public:
    virtual ~LineSource() = default;
    // Reads the next line into `line`; false at the end of the file. Throws DataError for a line
    // that cannot be decoded.
    virtual bool next(std::string& line) = 0;
    // 1-based number of the line last returned (0 before the first).
    virtual long line_number() const = 0;
    virtual const std::string& path() const = 0;
};

// One input file, read line by line in UTF-8 whatever the file's own encoding was.
// Accepted are the encodings Chinese Windows saves text in:
// - UTF-16 with a byte-order mark, little endian (FF FE: Notepad's "Unicode", Excel's
//   "Unicode 文本") or big endian (FE FF: Notepad's "Unicode big endian");
// - UTF-8, with or without a byte-order mark;
// - GB18030, of which GBK (Notepad's "ANSI" on Chinese Windows) is a part.
// A file without a UTF-16 byte-order mark is examined whole before its first line is handed out.
// Valid UTF-8 is taken as it is; a file whose lines holding more than ASCII are mostly not UTF-8
// is read as GB18030. A file that is neither throughout, typically one with a line pasted in from
// a file of the other encoding, is refused with DataError naming the first line that breaks the
// encoding most of its lines use; a UTF-8 byte-order mark settles that a file is UTF-8.
// Lines end at LF; a CR before the LF is dropped. A last line without a line end still counts;
// an empty piece after the final line end is no line; the byte-order mark is no part of line 1.
// Files are streamed, so a borehole file of a million lines costs no more memory than one of ten.
// A line holding a NUL (in UTF-8 or GBK a binary file or UTF-16 without a byte-order mark), a CR
// that ends no line (a file saved with CR alone as its line end, which would read as one long
// line) or UTF-16 that cannot be decoded (an unpaired surrogate, an odd number of bytes) is
// refused with DataError naming the line: read on, such a file would lose its data without a
// word. A reader of XML, to which every line end is white space, may take a lone CR as the line
// end it is (take_lone_cr_as_line_end).
class LineReader final : public LineSource {
  public:
    // Throws DataError naming the file when it cannot be opened or is not a regular file, and
    // naming the line when the file mixes UTF-8 and GBK lines.
    explicit LineReader(const std::string& path);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // True when no further line can be read.
    bool at_end();
    // Reads the next line into `line`; false at the end of the file. Throws DataError when a
    // line cannot be decoded or holds a NUL, a lone CR or broken UTF-16.
    bool next(std::string& line) override;
    // 1-based number of the line last returned (0 before the first).
    long line_number() const override { return line_number_; }
    const std::string& path() const override { return path_; }
    void close();

    // From here on a lone CR ends a line, as an editor shows it (Notepad++ and VS Code break a line
    // at a CR alone): "a CR CR LF b" is the lines "a", "" and "b", so the numbers of the lines
    // stay those the engineer sees in the editor.
    void take_lone_cr_as_line_end() { lone_cr_ends_line_ = true; }
    // From here on a lone CR is refused again. Throws DataError naming the first line that a lone
    // CR ended while it was taken as a line end, for a file found to be of a format where it is
    // damage.
    void refuse_lone_cr();

  private:
    enum class Encoding { utf8, gb18030, utf16le, utf16be };

    void decide_encoding();
    void restart();
    bool utf16() const { return encoding_ == Encoding::utf16le || encoding_ == Encoding::utf16be; }
    void decode_utf16(const unsigned char* bytes, std::size_t size);
    void take_utf16_unit(unsigned unit);
    bool read_raw(std::string& raw);
    bool next_raw(std::string& raw);
    bool fill();

    std::string path_;
    std::FILE* file_ = nullptr;
    Encoding encoding_ = Encoding::utf8;
    bool first_line_ = true;
    long line_number_ = 0;
    // Text ready to be cut into lines: the file's bytes, or for UTF-16 their UTF-8 decoding.
    std::string buffer_;
    std::size_t buffer_pos_ = 0;
    bool eof_ = false;
    std::string chunk_;  // UTF-16 bytes as read, before decoding
    // A chunk may end inside a code unit or a surrogate pair; what is left over waits here.
    int utf16_odd_byte_ = -1;
    unsigned utf16_high_surrogate_ = 0;
    bool lone_cr_ends_line_ = false;
    long first_lone_cr_line_ = 0;  // the line a lone CR ended first (0: none)
    // The lines after a lone CR, in reverse order, each waiting for its turn.
    std::vector<std::string> after_lone_cr_;
};

}  // namespace qelt
