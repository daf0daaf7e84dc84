#include "input/formats.h"

#include <string_view>

#include "base/text.h"

namespace qelt {

namespace {

// How a format shows itself in the first line of its file that is not blank.
struct Signature {
    FileFormat format;
    bool (*begins)(std::string_view first_line);  // the line trimmed, never empty
};

// An IFC 4.3 file (a STEP exchange file) will show itself here by its first line,
// "ISO-10303-21;".
constexpr Signature kSignatures[] = {
    {FileFormat::xml, [](std::string_view first) { return first.front() == '<'; }},
};

}  // namespace

DetectedFile::DetectedFile(const std::string& path) : file_(std::make_unique<LineReader>(path)) {
    std::string line;
    while (file_->next(line)) {
        const std::string_view first = trim_blanks(line);
        read_ahead_.push_back(line);
        if (first.empty()) continue;
        for (const Signature& s : kSignatures)
            if (s.begins(first)) format_ = s.format;
        break;
    }
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
