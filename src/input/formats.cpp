#include "input/formats.h"

#include <cctype>
#include <string_view>

#include "base/text.h"

namespace qelt {

namespace {

// How a format shows itself in the first line of its file that is not blank.
struct Signature {
    FileFormat format;
    bool (*begins)(std::string_view first_line);  // the line trimmed, never empty
};

// A STEP file must begin with its keyword; the semicolon may follow after blanks, and the
// keyword is case-insensitive as every STEP keyword is. No text file of Qelt's begins so.
bool begins_step(std::string_view first) {
    constexpr std::string_view kKeyword = "ISO-10303-21";
    if (first.size() < kKeyword.size()) return false;
    for (std::size_t i = 0; i < kKeyword.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(first[i])) != kKeyword[i]) return false;
    return trim_blanks(first.substr(kKeyword.size())).starts_with(';');
}

// The 纬地 files name their suite first; no text file of Qelt's begins so. Which of its files
// it is, the reader of the role tells from the rest of the line.
bool begins_hintcad(std::string_view first) {
    constexpr std::string_view kMark = "HINTCAD";
    if (first.size() < kMark.size()) return false;
    for (std::size_t i = 0; i < kMark.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(first[i])) != kMark[i]) return false;
    return true;
}

constexpr Signature kSignatures[] = {
    {FileFormat::xml, [](std::string_view first) { return first.front() == '<'; }},
    {FileFormat::step, begins_step},
    {FileFormat::hintcad, begins_hintcad},
};

}  // namespace

DetectedFile::DetectedFile(const std::string& path) : file_(std::make_unique<LineReader>(path)) {
    // To XML every line end is white space, and one exporter ends each line with CR CR LF: a lone
    // CR is a line end there. Qelt's own text formats refuse it, where it means a damaged file
    // (saved with CR alone, all its lines read as one); so does STEP, which no exporter writes so.
    file_->take_lone_cr_as_line_end();
    std::string line;
    while (file_->next(line)) {
        const std::string_view first = trim_blanks(line);
        read_ahead_.push_back(line);
        if (first.empty()) continue;
        first_line_ = line;
        for (const Signature& s : kSignatures)
            if (s.begins(first)) format_ = s.format;
        break;
    }
    if (format_ != FileFormat::xml) file_->refuse_lone_cr();
}

bool DetectedFile::next(std::string& line) {
    if (static_cast<std::size_t>(line_number_) < read_ahead_.size()) {
        line = read_ahead_[static_cast<std::size_t>(line_number_++)];
        return true;
    }
    if (!file_->next(line)) return false;
    line_number_ = file_->line_number();
    return true;
}

DetectedFile detect_format(const std::string& path) {
    return DetectedFile(path);
}

}  // namespace qelt
