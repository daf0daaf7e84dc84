#include "input/formats.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string_view>

#include "base/data_error.h"
#include "base/text.h"
#include "base/utf8_path.h"
#include "input/hintcad/hintcad_files.h"
#include "input/text/list_events.h"
#include "station/station.h"

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

// The format a file's first line that is not blank (trimmed, never empty) shows.
FileFormat format_of(std::string_view first) {
    FileFormat format = FileFormat::text;
    for (const Signature& s : kSignatures)
        if (s.begins(first)) format = s.format;
    return format;
}

bool is_number(std::string_view field) {
    return parse_number(field).has_value();
}

bool all_numbers(const std::vector<std::string>& fields) {
    for (const std::string& f : fields)
        if (!is_number(f)) return false;
    return !fields.empty();
}

// The fields of a line cut at commas (ASCII or full-width) and blanks alike: the element file
// takes either.
std::vector<std::string> comma_or_blank_fields(std::string_view line) {
    constexpr std::string_view kWideComma = "，";
    std::string text;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line.substr(i).starts_with(kWideComma)) {
            text.push_back(' ');
            i += kWideComma.size() - 1;
        } else {
            text.push_back(line[i] == ',' ? ' ' : line[i]);
        }
    }
    return split_fields(text);
}

// The rules of the text kinds, each certain of what it recognises and exclusive of the others:
// `first` and `second` are the first two lines that are not blank, trimmed ("" where the file
// has one).
bool is_survey_points(std::string_view first, std::string_view) {
    // A name and the coordinates: four or five comma-separated fields, the third and fourth
    // numbers. Four numbers alone may be the element file's first line instead.
    const auto fields = comma_fields(first);
    if (!fields || fields->size() < 4 || fields->size() > 5) return false;
    if (!is_number((*fields)[2]) || !is_number((*fields)[3])) return false;
    return fields->size() == 5 || !is_number((*fields)[0]);
}

bool is_jd_text(std::string_view first, std::string_view second) {
    // "起点,10000", then the start point "QD,X Y R Ls1 Ls2 [R1 R2]".
    const auto comma = [](std::string_view line) {
        const std::size_t ascii = line.find(','), wide = line.find("，");
        if (ascii == std::string_view::npos && wide == std::string_view::npos)
            return std::string_view::npos;
        return std::min(ascii, wide);
    };
    const std::size_t at = comma(second);
    if (comma(first) == std::string_view::npos || at == std::string_view::npos) return false;
    const std::size_t skip = second.substr(at).starts_with(",") ? 1 : 3;
    const std::vector<std::string> numbers = split_fields(second.substr(at + skip));
    return (numbers.size() == 5 || numbers.size() == 7) && all_numbers(numbers);
}

bool is_element_text(std::string_view first, std::string_view second) {
    // The start (station, X, Y, azimuth), then the first element (R1, R2, length).
    return comma_or_blank_fields(first).size() == 4 && all_numbers(comma_or_blank_fields(first)) &&
           comma_or_blank_fields(second).size() == 3 && all_numbers(comma_or_blank_fields(second));
}

bool is_chain_break_pair(std::string_view line) {
    const std::vector<std::string> fields = split_fields(line);
    if (fields.size() != 2) return false;
    for (const std::string& f : fields)
        if (!is_number(f) && !parse_station(f)) return false;
    return true;
}

bool is_chain_breaks(std::string_view first, std::string_view second) {
    return is_chain_break_pair(first) && (second.empty() || is_chain_break_pair(second));
}

bool is_profile_text(std::string_view first, std::string_view second) {
    // A title, then "station elevation [radius]". A group line of a borehole list ("K12+340 3",
    // a culvert named by its station) has a whole count where the profile has an elevation:
    // only an elevation with decimals tells the profile for certain.
    if (all_numbers(split_fields(first))) return false;
    const std::vector<std::string> fields = split_fields(second);
    if (fields.size() < 2 || fields.size() > 3 || !parse_station(fields[0])) return false;
    const std::optional<double> elevation = parse_number(fields[1]);
    if (!elevation || *elevation == std::floor(*elevation)) return false;
    return fields.size() == 2 || is_number(fields[2]);
}

struct KindRule {
    FileKind kind;
    bool (*is)(std::string_view first, std::string_view second);
};
constexpr KindRule kTextKinds[] = {
    {FileKind::survey_points, is_survey_points}, {FileKind::jd_text, is_jd_text},
    {FileKind::element_text, is_element_text},   {FileKind::chain_breaks, is_chain_breaks},
    {FileKind::profile_text, is_profile_text},
};

FileKind kind_of(FileFormat format, std::string_view first, std::string_view second) {
    switch (format) {
        case FileFormat::xml:
            return FileKind::landxml;
        case FileFormat::step:
            return FileKind::ifc;
        case FileFormat::hintcad:
            switch (hintcad_kind(first)) {
                case HintcadKind::elements:
                    return FileKind::hintcad_elements;
                case HintcadKind::jds:
                    return FileKind::hintcad_jds;
                case HintcadKind::profile:
                    return FileKind::hintcad_profile;
                case HintcadKind::ground_line:
                    return FileKind::hintcad_ground_line;
                case HintcadKind::sections:
                    return FileKind::hintcad_sections;
                case HintcadKind::stakes:
                    return FileKind::hintcad_stakes;
                case HintcadKind::none:
                    return FileKind::unknown;
            }
            return FileKind::unknown;
        case FileFormat::text:
            break;
    }
    // Every kind of text file has short lines (a few numbers and a name); a line of thousands
    // of characters is none of them, and splitting it into fields for every rule would make
    // the refusal of a damaged file wait: its reader says what is wrong with it.
    constexpr std::size_t kLongestKindLine = 1000;
    if (first.empty() || first.size() > kLongestKindLine || second.size() > kLongestKindLine)
        return FileKind::unknown;
    for (const KindRule& rule : kTextKinds)
        if (rule.is(first, second)) return rule.kind;
    return FileKind::unknown;
}

// The one table of kind names; the 纬地 files are named by their own table.
struct KindName {
    FileKind kind;
    const char* name;
    HintcadKind hintcad;
};
constexpr KindName kKindNames[] = {
    {FileKind::landxml, "LandXML 文件", HintcadKind::none},
    {FileKind::ifc, "IFC 模型文件", HintcadKind::none},
    {FileKind::hintcad_elements, nullptr, HintcadKind::elements},
    {FileKind::hintcad_jds, nullptr, HintcadKind::jds},
    {FileKind::hintcad_profile, nullptr, HintcadKind::profile},
    {FileKind::hintcad_ground_line, nullptr, HintcadKind::ground_line},
    {FileKind::hintcad_sections, nullptr, HintcadKind::sections},
    {FileKind::hintcad_stakes, nullptr, HintcadKind::stakes},
    {FileKind::survey_points, "测量点文件（CASS、PNEZD）", HintcadKind::none},
    {FileKind::jd_text, "交点法平面资料文件", HintcadKind::none},
    {FileKind::element_text, "积木法平面资料文件（线元）", HintcadKind::none},
    {FileKind::chain_breaks, "断链资料文件", HintcadKind::none},
    {FileKind::profile_text, "纵断面资料文件", HintcadKind::none},
};

constexpr unsigned bit(FileKind kind) {
    return 1u << static_cast<unsigned>(kind);
}

// What each step takes, and what it calls the file it wants.
struct StepKinds {
    FileStep step;
    const char* wanted;
    unsigned kinds;
};
constexpr StepKinds kSteps[] = {
    {FileStep::alignment, "平面资料文件",
     bit(FileKind::landxml) | bit(FileKind::ifc) | bit(FileKind::hintcad_elements) |
         bit(FileKind::hintcad_jds) | bit(FileKind::jd_text) | bit(FileKind::element_text)},
    {FileStep::chain_breaks, "断链资料文件", bit(FileKind::chain_breaks)},
    {FileStep::profile, "纵断面资料文件",
     bit(FileKind::profile_text) | bit(FileKind::landxml) | bit(FileKind::ifc) |
         bit(FileKind::hintcad_profile)},
    {FileStep::ground, "地面资料文件",
     bit(FileKind::landxml) | bit(FileKind::survey_points) | bit(FileKind::hintcad_ground_line) |
         bit(FileKind::hintcad_sections)},
    {FileStep::ground_line, "纬地纵向地面线文件（.dmx）", bit(FileKind::hintcad_ground_line)},
    {FileStep::sections, "纬地横断面数据文件（.hdm）", bit(FileKind::hintcad_sections)},
    {FileStep::boreholes, "钻孔资料文件", 0},
    {FileStep::points, "实测坐标资料文件", bit(FileKind::survey_points)},
};

}  // namespace

std::string file_kind_name(FileKind kind) {
    for (const KindName& k : kKindNames)
        if (k.kind == kind) return k.name ? k.name : hintcad_file_name(k.hintcad);
    return {};
}

void refuse_other_kind(const std::string& path, FileKind kind, FileStep step) {
    if (kind == FileKind::unknown) return;
    for (const StepKinds& s : kSteps)
        if (s.step == step && !(s.kinds & bit(kind)))
            throw DataError("“" + utf8_of(path_from_utf8(path).filename()) + "”是" +
                                file_kind_name(kind) + "，不是" + s.wanted,
                            path);
}

FileKind kind_of_lines(std::string_view first, std::string_view second) {
    if (first.empty()) return FileKind::unknown;
    return kind_of(format_of(first), first, second);
}

void refuse_other_kind(const std::string& path, FileStep step) {
    FileKind kind = FileKind::unknown;
    try {
        kind = detect_format(path).kind();
    } catch (const DataError&) {
        // A file that cannot be read is refused by the step's reader, where it reaches the fault.
    }
    refuse_other_kind(path, kind, step);
}

DetectedFile::DetectedFile(const std::string& path) : file_(std::make_unique<LineReader>(path)) {
    // To XML every line end is white space, and one exporter ends each line with CR CR LF: a lone
    // CR is a line end there. Qelt's own text formats refuse it, where it means a damaged file
    // (saved with CR alone, all its lines read as one); so does STEP, which no exporter writes so.
    file_->take_lone_cr_as_line_end();
    std::string line, first;
    while (file_->next(line)) {
        read_ahead_.push_back(line);
        if (trim_blanks(line).empty()) continue;
        first = trim_blanks(line);
        first_line_ = line;
        format_ = format_of(first);
        break;
    }
    if (format_ != FileFormat::xml) file_->refuse_lone_cr();
    // The second line tells the kinds of text apart; XML and STEP are told by their first.
    std::string second;
    // A line that cannot be read is refused where the reader reaches it, as it would be
    // without this look ahead: its refusal waits till then.
    if (format_ == FileFormat::text && !first.empty()) try {
            while (file_->next(line)) {
                read_ahead_.push_back(line);
                if (trim_blanks(line).empty()) continue;
                second = trim_blanks(line);
                break;
            }
        } catch (const DataError& e) {
            refusal_ahead_ = e;
        }
    kind_ = kind_of(format_, first, second);
}

bool DetectedFile::next(std::string& line) {
    if (static_cast<std::size_t>(line_number_) < read_ahead_.size()) {
        line = read_ahead_[static_cast<std::size_t>(line_number_++)];
        return true;
    }
    if (refusal_ahead_) {
        const DataError refusal = *refusal_ahead_;
        refusal_ahead_.reset();
        throw refusal;
    }
    if (!file_->next(line)) return false;
    line_number_ = file_->line_number();
    return true;
}

DetectedFile detect_format(const std::string& path) {
    return DetectedFile(path);
}

}  // namespace qelt
