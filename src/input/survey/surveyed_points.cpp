#include "input/survey/surveyed_points.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/data_error.h"
#include "base/limits.h"
#include "base/line_reader.h"
#include "base/text.h"
#include "base/utf8_path.h"
#include "input/formats.h"

namespace qelt {

namespace {

const char* const kFileName = "实测坐标资料文件";

std::string quoted_name(const std::string& path) {
    return "“" + utf8_of(path_from_utf8(path).filename()) + "”";
}

// The first line that is not blank, or nothing.
std::optional<std::string> first_line(const std::string& path) {
    LineReader file(path);
    std::string line;
    try {
        while (file.next(line))
            if (!trim_blanks(line).empty()) return line;
    } catch (const DataError&) {
        // A line that cannot be decoded tells no layout; the grouped reader refuses it.
    }
    return std::nullopt;
}

// A surveyors' file without groups: one group titled by the file's name, a row per line.
class SurveyedList : public LineListEvents {
  public:
    SurveyedList(const std::string& path, PointsLayoutChoice choice)
        : LineListEvents(path),
          layout_(choice.layout),
          by_name_(choice.by_name),
          title_(utf8_of(path_from_utf8(path).stem())) {
        // The group's count goes before its rows (the printed table frames the group by it), so
        // the points are counted first; a line that cannot be decoded is counted all the same,
        // and refused when it is read.
        LineReader counting(path);
        long first = 0, count = 0;
        count_nonblank_lines(counting, first, count);
        points_ = count;
    }

    std::string at_line(long line) const override {
        return kFileName + quoted_name(file_.path()) + "第 " + std::to_string(line) + " 行：";
    }
    const char* data_name() const override { return "实测坐标资料"; }

  private:
    enum class State { project, group, rows, ended };

    void step() override;
    void stop() override { state_ = State::ended; }
    void read_row();
    std::string layout_notice() const;
    void end() {
        file_.close();
        state_ = State::ended;
        emit(ListEvent::Kind::end, 0);
    }

    PointsLayout layout_;
    bool by_name_;
    std::string title_;
    long points_ = 0;
    int serial_ = 0;
    State state_ = State::project;
    std::string line_;
};

void SurveyedList::step() {
    switch (state_) {
        case State::project:
            // No project line: the file's name names the project, as it titles the group.
            event_.text = title_;
            event_.notices.push_back(layout_notice());
            if (points_ == 0)
                event_.notices.push_back(kFileName + quoted_name(file_.path()) +
                                         "没有给出钻孔：文件中没有点，表格中没有钻孔");
            state_ = points_ > 0 ? State::group : State::ended;
            return emit(ListEvent::Kind::project, 0);
        case State::group:
            event_.group.title = title_;
            event_.group.count = static_cast<int>(std::min<long>(points_, kMaxSheetRows));
            event_.group.number = 1;
            event_.group.further.clear();
            state_ = State::rows;
            return emit(ListEvent::Kind::group, 1);
        case State::rows:
            return read_row();
        case State::ended:
            return end();
    }
}

void SurveyedList::read_row() {
    ListRow& row = event_.row;
    const auto group_end = [&] {
        row.serial = 0;
        state_ = State::ended;
        emit(ListEvent::Kind::group_end, 0);
    };
    if (serial_ >= event_.group.count) return group_end();
    // The table keeps the serial number of a line that cannot even be decoded.
    row.serial = serial_ + 1;
    do {
        if (!file_.next(line_)) return group_end();
    } while (trim_blanks(line_).empty());
    ++serial_;
    const long line = file_.line_number();
    try {
        SurveyedPoint point = surveyed_point({layout_, by_name_}, line_);
        row.name = std::move(point.name);
        row.point = point.point;
        row.height = point.height;
        row.remark = std::move(point.remark);
    } catch (const DataError& e) {
        return refuse(line, e.what());
    }
    emit(ListEvent::Kind::row, line);
}

// The hole's name: what the crew wrote on the stake, and what the stakeout file named the
// planned hole. A comma in it cannot be written back to these files unquoted, and CASS quotes
// nothing.
std::string point_name(const std::string& field) {
    if (field.empty()) throw DataError("点名为空");
    if (field.find(',') != std::string::npos || field.find("，") != std::string::npos)
        throw DataError("点名“" + field + "”中有逗号：点名不能含逗号（坐标文件以逗号分项）");
    if (utf8_length(field) > kMaxCellText)
        throw DataError("点名超过 " + std::to_string(kMaxCellText) + " 个字符");
    return field;
}

double coordinate(const std::string& field, const char* what) {
    if (auto value = parse_number(field)) return *value;
    throw DataError(std::string(what) + "“" + field +
                    "”不是数（应为以米计的实测坐标，如 3512345.678）");
}

// H empty (not surveyed) or a number.
std::optional<double> height(const std::string& field) {
    if (field.empty()) return std::nullopt;
    if (auto value = parse_number(field)) return value;
    throw DataError("H（高程）“" + field + "”不是数（应为以米计的高程，如 123.456，或者空着）");
}

std::string remark(const std::string& field) {
    if (utf8_length(field) > kMaxCellText)
        throw DataError("备注超过 " + std::to_string(kMaxCellText) + " 个字符");
    return field;
}

std::string wrong_field_count(PointsLayoutChoice choice, const std::string& line,
                              std::size_t count) {
    const bool cass = choice.layout == PointsLayout::cass;
    std::string text =
        cass ? "CASS 坐标文件的一行应为“点名,编码,Y,X,H” 5 项（编码、H 可以空着），"
             : "PNEZD 坐标文件的一行应为“点名,X,Y,H,描述” 4 或 5 项（H、描述可以空着），";
    text += "这一行有 " + std::to_string(count) + " 项";
    if (line.find("，") != std::string::npos)
        text += "；这一行有全角逗号“，”，请改为半角逗号“,”";
    else if (count > 5)
        text += "；点名或描述中的逗号须用双引号括起";
    if (choice.by_name && count == 1 && line.find("，") == std::string::npos)
        text += std::string("；扩展名为 ") + (cass ? ".dat" : ".csv") +
                " 的文件按测量坐标文件读入，Qelt 分组格式的实测坐标资料请存为 .txt 文件";
    return text;
}

std::string SurveyedList::layout_notice() const {
    const bool cass = layout_ == PointsLayout::cass;
    std::string why;
    if (by_name_)
        why = cass ? "扩展名为 .dat" : "扩展名为 .csv";
    else
        why = std::string("第 1 行以逗号分为 4 项以上，第 2 项") + (cass ? "为空或不是数" : "是数");
    return kFileName + quoted_name(file_.path()) + "按 " +
           (cass ? "CASS 坐标文件读入（" + why + "）：每行“点名,编码,Y,X,H”，Y（东）在前"
                 : "PNEZD 坐标文件读入（" + why + "）：每行“点名,X,Y,H,描述”，X（北）在前") +
           "，H 为孔口高程；全部点作为一组“" + title_ + "”";
}

}  // namespace

SurveyedPoint surveyed_point(PointsLayoutChoice choice, const std::string& line) {
    const std::optional<std::vector<std::string>> fields = comma_fields(line);
    if (!fields) throw DataError("这一行的双引号（\"）没有配对，无法分项");
    const std::vector<std::string>& f = *fields;
    SurveyedPoint point;
    if (choice.layout == PointsLayout::cass) {
        if (f.size() != 5) throw DataError(wrong_field_count(choice, line, f.size()));
        point.name = point_name(f[0]);
        point.point.y = coordinate(f[2], "Y（东坐标）");
        point.point.x = coordinate(f[3], "X（北坐标）");
        point.height = height(f[4]);
        point.remark = remark(f[1]);
    } else {
        if (f.size() != 4 && f.size() != 5)
            throw DataError(wrong_field_count(choice, line, f.size()));
        point.name = point_name(f[0]);
        point.point.x = coordinate(f[1], "X（北坐标）");
        point.point.y = coordinate(f[2], "Y（东坐标）");
        point.height = height(f[3]);
        point.remark = f.size() == 5 ? remark(f[4]) : std::string();
    }
    return point;
}

PointsLayoutChoice points_layout(const std::string& path) {
    return points_layout(path, first_line(path));
}

PointsLayoutChoice points_layout(const std::string& path, const std::optional<std::string>& line) {
    const std::string ext = lower_extension(path);
    // The first line's cells, cut once (a damaged file may hold a megabyte in that line).
    const std::optional<std::vector<std::string>> cells = line ? comma_fields(*line) : std::nullopt;
    // Qelt's grouped file kept in Excel and saved as CSV: its project line is one cell, the row
    // padded with empty ones, where a surveyors' file has its coordinates.
    if (ext == ".csv" || ext == ".dat")
        if (cells && cells->size() > 1 &&
            std::all_of(cells->begin() + 1, cells->end(),
                        [](const std::string& c) { return c.empty(); }))
            return {PointsLayout::grouped, true};
    if (ext == ".dat") return {PointsLayout::cass, true};
    if (ext == ".csv") return {PointsLayout::pnezd, true};
    // A line whose quotes do not pair is counted by its commas.
    const std::size_t count =
        !line   ? 0
        : cells ? cells->size()
                : static_cast<std::size_t>(std::count(line->begin(), line->end(), ',')) + 1;
    if (count < 4) return {PointsLayout::grouped, false};
    const bool code = !cells || (*cells)[1].empty() || !parse_number((*cells)[1]);
    return {code ? PointsLayout::cass : PointsLayout::pnezd, false};
}

std::unique_ptr<ListEvents> read_points_list(const std::string& path) {
    // The layout and the kind are told from the first lines, read once; a file that cannot be
    // read is refused by its reader, where it reaches the fault.
    std::optional<std::string> first;
    FileKind kind = FileKind::unknown;
    try {
        const DetectedFile detected = detect_format(path);
        kind = detected.kind();
        if (!detected.first_line().empty()) first = detected.first_line();
    } catch (const DataError&) {
        // Told by the reader below, at the line it cannot read.
    }
    refuse_other_kind(path, kind, FileStep::points);
    const PointsLayoutChoice choice = points_layout(path, first);
    if (choice.layout == PointsLayout::grouped) return read_grouped_list(path, ListKind::points);
    return std::make_unique<SurveyedList>(path, choice);
}

}  // namespace qelt
