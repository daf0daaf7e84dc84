#include "input/text/list_events.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <deque>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/data_error.h"
#include "base/text.h"
#include "base/utf8_path.h"
#include "input/formats.h"
#include "input/text/readers.h"
#include "station/station.h"

namespace qelt {

namespace {

std::string base_name(const std::string& path) {
    return utf8_of(path_from_utf8(path).filename());
}

// The project line, then group lines each followed by its rows.
class GroupedList : public LineListEvents {
  public:
    GroupedList(const std::string& path, ListKind kind)
        : LineListEvents(path),
          kind_(kind),
          csv_extension_(lower_extension(path) == ".csv"),
          file_name_(kind == ListKind::points ? "实测坐标资料文件" : "钻孔资料文件"),
          data_name_(kind == ListKind::points ? "实测坐标资料" : "钻孔资料") {}

    std::string at_line(long line) const override {
        return file_name_ + ("“" + base_name(file_.path())) + "”第 " + std::to_string(line) +
               " 行：";
    }
    const char* data_name() const override { return data_name_; }

    // Refuses a file of another known kind (a profile given as the list), told from the lines
    // read ahead: the file is not opened a second time to tell it.
    void refuse_other_kind(FileStep step) {
        read_ahead();
        std::string_view lines[2];
        std::size_t told = 0;
        for (const AheadLine& ahead : ahead_)
            if (!ahead.failure && told < 2 && !trim_blanks(ahead.text).empty())
                lines[told++] = trim_blanks(ahead.text);
        qelt::refuse_other_kind(file_.path(), kind_of_lines(lines[0], lines[1]), step);
    }

  private:
    enum class State { project, groups, rows, ended };

    void step() override;
    void stop() override { state_ = State::ended; }
    void read_project();
    void read_group();
    void read_row();
    void end();
    void lines_not_read(long blank_line);
    bool reads_as_row(const std::string& line) const;
    std::string not_a_row(const std::string& line, const std::string& detail) const;
    void read_ahead();
    bool take(std::string& line);
    bool at_end() { return ahead_.empty() && file_.at_end(); }

    ListKind kind_;
    bool csv_extension_;
    bool csv_ = false;  // saved by Excel as CSV: every line's fields cut at its commas
    // The lines read to tell whether the list was saved as CSV and not yet taken, each with its
    // number, or the failure to decode it (thrown when its turn comes): the file is read once.
    struct AheadLine {
        std::string text;
        long number = 0;
        std::exception_ptr failure;
    };
    std::deque<AheadLine> ahead_;
    bool read_ahead_ = false;  // the two lines read ahead at the start, once
    long line_number_ = 0;     // of the line taken last
    std::string file_name_;
    const char* data_name_;
    State state_ = State::project;
    int groups_read_ = 0;
    int serial_ = 0;  // the row of the group read last, from 1
    long rows_read_ = 0;
    std::string line_;
};

void GroupedList::step() {
    switch (state_) {
        case State::project:
            return read_project();
        case State::groups:
            return read_group();
        case State::rows:
            return read_row();
        case State::ended:
            return emit(ListEvent::Kind::end, 0);
    }
}

// The first line names the project, for the page headers.
void GroupedList::read_project() {
    read_ahead();
    if (!take(event_.text)) return refuse(1, file_name_ + "为空，缺少第一行（项目名称）");
    if (csv_) {
        // The project is the row's text; a name holding commas is a cell of its own in Excel.
        const std::optional<std::vector<std::string>> cells = comma_fields(event_.text);
        if (cells) {
            std::string project;
            for (const std::string& cell : *cells)
                if (!cell.empty()) project += (project.empty() ? "" : " ") + cell;
            event_.text = project;
        }
    }
    state_ = State::groups;
    emit(ListEvent::Kind::project, line_number_);
}

// The project line and the first group line, read ahead to tell a list saved as CSV: a
// blank-separated list has no comma in a group line, and Excel pads every row of a sheet to its
// widest row. The group line's second cell is its count: a title holding a comma
// ("K13+480,涵洞 3") keeps the file blank-separated.
void GroupedList::read_ahead() {
    if (read_ahead_) return;
    read_ahead_ = true;
    int lines = 0;
    bool commas = true;
    while (lines < 2 && !file_.at_end()) {
        AheadLine& ahead = ahead_.emplace_back();
        try {
            file_.next(ahead.text);
        } catch (const DataError&) {
            // The line is refused when the list comes to it; the file is not CSV.
            ahead.failure = std::current_exception();
            ahead.number = file_.line_number();
            commas = false;
            break;
        }
        ahead.number = file_.line_number();
        if (trim_blanks(ahead.text).empty()) continue;
        const auto cells = comma_fields(ahead.text);
        if (ahead.text.find(',') == std::string::npos || !cells) commas = false;
        if (++lines == 2 && (!cells || cells->size() < 2 || !parse_number((*cells)[1])))
            commas = false;
    }
    csv_ = csv_extension_ || (commas && lines == 2);
}

// The next line of the file, those read ahead first; false at its end.
bool GroupedList::take(std::string& line) {
    if (ahead_.empty()) {
        const bool more = file_.next(line);
        if (more) line_number_ = file_.line_number();
        return more;
    }
    AheadLine ahead = std::move(ahead_.front());
    ahead_.pop_front();
    line_number_ = ahead.number;
    if (ahead.failure) std::rethrow_exception(ahead.failure);
    line = std::move(ahead.text);
    return true;
}

// The next group line; the list ends at the end of the file or at a blank line.
void GroupedList::read_group() {
    if (at_end()) return end();
    take(line_);
    if (csv_) {
        try {
            line_ = csv_row_as_line(line_);
        } catch (const DataError& e) {
            return refuse(line_number_, e.what());
        }
    }
    if (trim_blanks(line_).empty()) {
        lines_not_read(line_number_);
        return end();
    }
    const long line = line_number_;
    ListGroup& group = event_.group;
    const std::string previous_title = group.title;
    std::int16_t count = 0;
    try {
        bh_parse_group(line_, group.title, count);
    } catch (const DataError& e) {
        return refuse(line, e.what());
    }
    group.count = count;
    group.number = ++groups_read_;
    const std::vector<std::string_view> fields = field_views(line_);
    group.further.clear();
    if (fields.size() > 2)
        group.further = trim_blanks(std::string_view(line_).substr(
            static_cast<std::size_t>(fields[1].data() + fields[1].size() - line_.data())));
    GroupFields read;
    if (kind_ == ListKind::boreholes) try {
            read = read_group_fields(group.further);
        } catch (const DataError& e) {
            return refuse(line, "分组“" + group.title + "”的" + e.what());
        }
    group.crossing_angle = read.crossing_angle;
    group.crossing_angle_text = read.crossing_angle_text;
    group.line_name = read.line_name;
    group.plan = read.plan;
    emit(ListEvent::Kind::group, line);
    // "11150 0" is a borehole at station 11150 on the centre line as much as a group without
    // boreholes: read as a group, the borehole is lost without a word. As the first group the
    // file's first line is most likely missing (the real first group line became the project
    // name); later, the group before holds more lines than its count says.
    if (count == 0 && reads_as_row(line_))
        event_.notices.push_back(
            at_line(line) + "分组“" + group.title + "”的钻孔数为 0，而这一行也读作一个钻孔：" +
            (groups_read_ == 1
                 ? "文件可能缺少第一行（项目名称），原来的第一个分组行被当作了项目名称，"
                   "请核对文件开头"
                 : "它可能是分组“" + previous_title + "”的钻孔，请核对该组的钻孔数"));
    state_ = State::rows;
}

void GroupedList::read_row() {
    const ListGroup& group = event_.group;
    ListRow& row = event_.row;
    const int k = ++serial_;
    if (k > group.count) {
        serial_ = 0;
        state_ = State::groups;
        return emit(ListEvent::Kind::group_end, 0);
    }
    row.serial = k;
    if (!take(line_))
        return refuse(line_number_ + 1, "文件在分组“" + group.title + "”的第 " + std::to_string(k) +
                                            " 个钻孔之前结束（该组应有 " +
                                            std::to_string(group.count) + " 个钻孔）");
    const long line = line_number_;
    try {
        if (csv_) line_ = csv_row_as_line(line_);
        if (kind_ == ListKind::points)
            pt_parse_point(line_, row.name, row.point.x, row.point.y, row.remark);
        else
            bh_parse_borehole(line_, row.at.station_text, row.at.offset, row.at.offset_text,
                              row.remark);
    } catch (const DataError& e) {
        return refuse(line, not_a_row(line_, e.what()));
    }
    if (kind_ == ListKind::boreholes) try {
            HolePlan own;
            row.remark = take_plan_fields(row.remark, own);
            row.plan = plan_over(group.plan, own);
        } catch (const DataError& e) {
            return refuse(line, e.what());
        }
    ++rows_read_;
    emit(ListEvent::Kind::row, line);
}

// The list has ended; an empty table delivered as a success would look like a run that worked.
void GroupedList::end() {
    file_.close();
    state_ = State::ended;
    emit(ListEvent::Kind::end, 0);
    if (rows_read_ == 0)
        event_.notices.push_back(file_name_ + ("“" + base_name(file_.path())) + "”没有给出钻孔：" +
                                 (groups_read_ == 0
                                      ? std::string("第 1 行（项目名称）之后没有读到分组行")
                                      : std::to_string(groups_read_) + " 个分组的钻孔数都是 0") +
                                 "，表格中没有钻孔");
}

// A blank line ends the list; the user is told when something follows it.
void GroupedList::lines_not_read(long blank_line) {
    long first = 0, count = 0;
    for (const AheadLine& ahead : ahead_)
        if (ahead.failure || !trim_blanks(ahead.text).empty()) {
            if (first == 0) first = ahead.number;
            ++count;
        }
    long first_after = 0, count_after = 0;
    count_nonblank_lines(file_, first_after, count_after);
    if (first == 0) first = first_after;
    count += count_after;
    if (count > 0)
        event_.notices.push_back(file_name_ + ("“" + base_name(file_.path())) + "”第 " +
                                 std::to_string(blank_line) + " 行是空行，" + data_name_ +
                                 "到此结束；其后从第 " + std::to_string(first) + " 行起的 " +
                                 std::to_string(count) + " 行未读入（若仍是" + data_name_ +
                                 "，请删去空行）");
}

bool GroupedList::reads_as_row(const std::string& line) const {
    if (kind_ == ListKind::boreholes) return parse_station(split_fields(line).front()).has_value();
    std::string name, remark;
    double x = 0, y = 0;
    try {
        pt_parse_point(line, name, x, y, remark);
        return true;
    } catch (const DataError&) {
        return false;
    }
}

// The text of a line that does not read as a row, with what the group expected there.
std::string GroupedList::not_a_row(const std::string& line, const std::string& detail) const {
    const ListGroup& group = event_.group;
    std::string text = "这一行应是分组“" + group.title + "”（共 " + std::to_string(group.count) +
                       " 个钻孔）的第 " + std::to_string(serial_) + " 个钻孔，但" + detail;
    // The next group's line read as a row: the count above is larger than the lines.
    std::string next_title;
    std::int16_t next_count = 0;
    try {
        bh_parse_group(line, next_title, next_count);
        if (next_count > 0 && !reads_as_row(line))
            text += "。这一行像是下一个分组行，请核对分组“" + group.title + "”的钻孔数";
    } catch (const DataError&) {
    }
    return text;
}

}  // namespace

const ListEvent& LineListEvents::next() {
    event_.notices.clear();
    event_.row.serial = 0;
    try {
        step();
    } catch (const DataError& e) {
        refuse(e.line(), e.what());
    }
    return event_;
}

// Every refusal ends the list; the file is closed by whoever stops.
void LineListEvents::refuse(long line, const std::string& detail) {
    stop();
    event_.text = at_line(line) + detail;
    emit(ListEvent::Kind::refused, line);
}

namespace {

// The angle of a 交角 field, the field itself quoted in the refusals. Degrees, minutes and
// seconds are read as the design drawings write them; the whole field must read, so that
// "交角75度" or "交角7５x" is refused rather than read as 75.
void read_crossing_angle(std::string_view field, std::string_view angle, GroupFields& out) {
    const std::string quoted = "交角“" + std::string(field) + "”";
    const std::string folded = fold_fullwidth_digits(angle);
    // The marks ending degrees °, minutes ′ (or '), seconds ″ (or ").
    static constexpr std::string_view kMarks[3][2] = {{"°", "°"}, {"′", "'"}, {"″", "\""}};
    static constexpr const char* kPrinted[3] = {"°", "′", "″"};
    std::string parts[3];
    int given = 0;
    std::string_view rest = folded;
    for (int part = 0; part < 3 && !rest.empty(); ++part) {
        std::size_t at = std::string_view::npos, mark_size = 0;
        for (std::string_view mark : kMarks[part])
            if (const std::size_t i = rest.find(mark); i < at) {
                at = i;
                mark_size = mark.size();
            }
        if (at == std::string_view::npos) break;
        parts[part] = std::string(rest.substr(0, at));
        rest.remove_prefix(at + mark_size);
        given = part + 1;
    }
    const std::string unreadable =
        quoted +
        "读不出角度：交角写作十进制度（交角75、交角75.5）或度分秒（交角45°30′、交角45°30′15″）";
    double degrees = 0;
    if (given == 0) {
        const std::optional<double> value = parse_folded_number(folded);
        if (!value) throw DataError(unreadable);
        degrees = *value;
        out.crossing_angle_text = folded + "°";
    } else {
        if (!rest.empty()) throw DataError(unreadable);
        double value[3] = {0, 0, 0};
        for (int part = 0; part < given; ++part) {
            const std::optional<double> v = parse_folded_number(parts[part]);
            // Only the last part may have a fraction (45°30.5′); no part has a sign.
            if (!v || parts[part].find_first_of("+-") != std::string::npos ||
                (part + 1 < given && *v != std::floor(*v)))
                throw DataError(unreadable);
            if (part > 0 && *v >= 60)
                throw DataError(quoted + "的" + (part == 1 ? "分" : "秒") + "数 " + parts[part] +
                                " 不小于 60");
            value[part] = *v;
            out.crossing_angle_text += parts[part] + kPrinted[part];
        }
        degrees = value[0] + value[1] / 60 + value[2] / 3600;
    }
    if (!(degrees > 0 && degrees < 180))
        throw DataError(quoted +
                        "不在 0° 与 180° 之间（不含两端）：交角是墩台轴线左侧一半与"
                        "桩号增加方向的夹角，正交为 90°");
    // A square axis is the ordinary case: the group reads as if the field were not there.
    if (degrees == 90) {
        out.crossing_angle_text.clear();
        return;
    }
    out.crossing_angle = degrees;
}

}  // namespace

GroupFields read_group_fields(std::string_view further) {
    GroupFields out;
    bool angle_given = false;
    static constexpr std::string_view kAngle = "交角";
    const std::vector<std::string_view> fields = field_views(further);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        std::string_view field = fields[i];
        bool took_next = false;
        if (read_plan_field(field, i + 1 < fields.size() ? fields[i + 1] : std::string_view(),
                            out.plan, took_next)) {
            if (took_next) ++i;
        } else if (field.starts_with(kAngle)) {
            if (angle_given)
                throw DataError("交角给了两次（“" + std::string(field) + "”），只能给一个");
            angle_given = true;
            // "交角 75", typed with a blank, is the same angle as "交角75".
            if (field == kAngle && i + 1 < fields.size()) {
                const std::string_view angle = fields[++i];
                read_crossing_angle(
                    std::string_view(field.data(), static_cast<std::size_t>(
                                                       angle.data() + angle.size() - field.data())),
                    angle, out);
                continue;
            }
            read_crossing_angle(field, field.substr(kAngle.size()), out);
        } else if (field.starts_with("@") || field.starts_with("＠")) {
            const std::string_view name = field.substr(field.starts_with("@") ? 1 : 3);
            if (name.empty())
                throw DataError("“" + std::string(field) + "”缺少线路名称：写作 @线路名称");
            if (!out.line_name.empty())
                throw DataError("线路给了两次（@" + out.line_name + "、" + std::string(field) +
                                "），只能给一条");
            out.line_name = std::string(name);
        }
    }
    return out;
}

std::string take_plan_fields(std::string_view remark, HolePlan& plan) {
    const std::vector<std::string_view> fields = field_views(remark);
    std::vector<std::string_view> kept;  // the words that are no plan field
    bool between = false;                // a field taken out from between two of them
    bool taken_since = false;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        bool took_next = false;
        if (read_plan_field(fields[i], i + 1 < fields.size() ? fields[i + 1] : std::string_view(),
                            plan, took_next)) {
            if (took_next) ++i;
            taken_since = !kept.empty();
            continue;
        }
        between = between || taken_since;
        kept.push_back(fields[i]);
    }
    if (kept.empty()) return {};
    // The remark as written, inner blanks kept, where the fields stood before or after it.
    if (!between)
        return std::string(kept.front().data(),
                           static_cast<std::size_t>(kept.back().data() + kept.back().size() -
                                                    kept.front().data()));
    std::string text;
    for (std::string_view word : kept) {
        if (!text.empty()) text += ' ';
        text += word;
    }
    return text;
}

class HeldList::Replay : public ListEvents {
  public:
    explicit Replay(const HeldList& list) : list_(list) {}
    const ListEvent& next() override {
        if (at_ >= list_.steps_.size()) {
            event_.kind = ListEvent::Kind::end;
            event_.line = 0;
            event_.notices.clear();
            return event_;
        }
        const Step& step = list_.steps_[at_++];
        if (step.kind == ListEvent::Kind::row) {
            // The group stays that of the group event before, as the list gave it.
            event_.kind = step.kind;
            event_.line = step.line;
            list_.unpack(step.item, event_.row);
            event_.notices.clear();
        } else {
            event_ = list_.others_[step.item];
        }
        if (step.notices) event_.notices = list_.notices_[step.notices - 1];
        return event_;
    }
    std::string at_line(long line) const override { return list_.source_->at_line(line); }
    const char* data_name() const override { return list_.source_->data_name(); }
    const std::string& path() const override { return list_.source_->path(); }
    void close() override { at_ = list_.steps_.size(); }

  private:
    const HeldList& list_;
    std::size_t at_ = 0;
    ListEvent event_;
};

HeldList::HeldList(std::unique_ptr<ListEvents> source) : source_(std::move(source)) {
    for (;;) {
        const ListEvent& event = source_->next();
        Step step{event.kind, event.line, 0, 0};
        if (!event.notices.empty()) {
            notices_.push_back(event.notices);
            step.notices = notices_.size();
        }
        if (event.kind == ListEvent::Kind::row) {
            step.item = rows_.size();
            hold(event.row);
        } else {
            step.item = others_.size();
            others_.push_back(event);
            others_.back().notices.clear();
        }
        steps_.push_back(step);
        if (event.kind == ListEvent::Kind::row || event.kind == ListEvent::Kind::group) {
            const HolePlan& plan =
                event.kind == ListEvent::Kind::row ? event.row.plan : event.group.plan;
            if (plan.depth.given != DepthGiven::none || !plan.type.empty()) groups_.planned = true;
        }
        if (event.kind == ListEvent::Kind::group) {
            const ListGroup& group = event.group;
            if (group.crossing_angle) groups_.skewed = true;
            if (group.line_name.empty()) {
                if (group.count > 0) groups_.unnamed = true;
            } else if (std::find(groups_.lines.begin(), groups_.lines.end(), group.line_name) ==
                       groups_.lines.end()) {
                groups_.lines.push_back(group.line_name);
            }
        }
        if (event.kind == ListEvent::Kind::end || event.kind == ListEvent::Kind::refused) break;
    }
    source_->close();
}

// Every field of a ListRow is held: one added there must be added to HeldRow, hold and unpack.
static_assert(sizeof(ListRow) == 272 || sizeof(void*) != 8, "a ListRow field not held");

void HeldList::hold(const ListRow& row) {
    HeldRow h;
    h.texts = texts_.size();
    const std::string* texts[] = {&row.at.station_text, &row.at.offset_text,  &row.name,
                                  &row.remark,          &row.plan.depth.text, &row.plan.type};
    for (std::size_t k = 0; k < h.lengths.size(); ++k) {
        h.lengths[k] = static_cast<std::uint32_t>(texts[k]->size());
        texts_ += *texts[k];
    }
    h.serial = row.serial;
    h.depth_given = row.plan.depth.given;
    h.has_height = row.height.has_value();
    h.has_angle = row.at.crossing_angle.has_value();
    h.offset = row.at.offset;
    h.angle = row.at.crossing_angle.value_or(0);
    h.depth = row.plan.depth.value;
    h.height = row.height.value_or(0);
    h.point = row.point;
    rows_.push_back(h);
}

void HeldList::unpack(std::size_t i, ListRow& row) const {
    const HeldRow& h = rows_[i];
    std::string* texts[] = {&row.at.station_text, &row.at.offset_text,  &row.name,
                            &row.remark,          &row.plan.depth.text, &row.plan.type};
    std::size_t at = h.texts;
    for (std::size_t k = 0; k < h.lengths.size(); ++k) {
        texts[k]->assign(texts_, at, h.lengths[k]);
        at += h.lengths[k];
    }
    row.serial = h.serial;
    row.plan.depth.given = h.depth_given;
    row.height = h.has_height ? std::optional<double>(h.height) : std::nullopt;
    row.at.crossing_angle = h.has_angle ? std::optional<double>(h.angle) : std::nullopt;
    row.at.offset = h.offset;
    row.plan.depth.value = h.depth;
    row.point = h.point;
}

std::vector<std::string> HeldList::row_names() const {
    std::vector<std::string> names;
    names.reserve(rows_.size());
    for (const HeldRow& h : rows_)  // the name is the third text
        names.emplace_back(texts_, h.texts + h.lengths[0] + h.lengths[1], h.lengths[2]);
    return names;
}

std::unique_ptr<ListEvents> HeldList::events() const {
    return std::make_unique<Replay>(*this);
}

std::optional<std::vector<std::string>> comma_fields(std::string_view line) {
    std::vector<std::string> fields;
    std::size_t i = 0;
    const auto skip_blanks = [&] {
        while (i < line.size() && blank_length(line, i) > 0) i += blank_length(line, i);
    };
    for (;;) {
        skip_blanks();
        std::string field;
        if (i < line.size() && line[i] == '"') {
            for (++i;; ++i) {
                if (i >= line.size()) return std::nullopt;
                if (line[i] != '"') {
                    field += line[i];
                } else if (i + 1 < line.size() && line[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else {
                    ++i;
                    break;
                }
            }
            skip_blanks();
            if (i < line.size() && line[i] != ',') return std::nullopt;
        } else {
            const std::size_t end = std::min(line.find(',', i), line.size());
            field = trim_blanks(line.substr(i, end - i));
            i = end;
        }
        fields.push_back(std::move(field));
        if (i >= line.size()) return fields;
        ++i;  // the comma
    }
}

std::string lower_extension(const std::string& path) {
    std::string ext = utf8_of(path_from_utf8(path).extension());
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

std::string csv_row_as_line(const std::string& row) {
    const std::optional<std::vector<std::string>> fields = comma_fields(row);
    if (!fields)
        throw DataError("以逗号分项的这一行引号不成对（Excel 把含逗号或引号的项括在双引号中）");
    std::size_t used = fields->size();
    while (used > 0 && (*fields)[used - 1].empty()) --used;
    std::string line;
    for (std::size_t i = 0; i < used; ++i) {
        // An empty cell between two others would shift every field after it.
        if ((*fields)[i].empty())
            throw DataError("以逗号分项的这一行第 " + std::to_string(i + 1) +
                            " 项为空（只有行尾的项可以空着）");
        line += (i ? " " : "") + (*fields)[i];
    }
    return line;
}

void count_nonblank_lines(LineReader& file, long& first, long& count) {
    first = 0;
    count = 0;
    std::string line;
    for (;;) {
        try {
            if (!file.next(line)) return;
            if (trim_blanks(line).empty()) continue;
        } catch (const DataError&) {
            // A line that cannot even be decoded is still a line.
        }
        if (first == 0) first = file.line_number();
        ++count;
    }
}

std::unique_ptr<ListEvents> read_grouped_list(const std::string& path, ListKind kind) {
    auto list = std::make_unique<GroupedList>(path, kind);
    list->refuse_other_kind(kind == ListKind::points ? FileStep::points : FileStep::boreholes);
    return list;
}

}  // namespace qelt
