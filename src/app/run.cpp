#include "app/run.h"

#include <cmath>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "app/run_steps.h"
#include "base/data_error.h"
#include "base/text.h"
#include "base/utf8_path.h"
#include "geometry/geometry.h"
#include "input/readers.h"
#include "report/borehole_record.h"
#include "station/station.h"

namespace qelt {

namespace {

std::string base_name(const std::string& path) {
    return utf8_of(path_from_utf8(path).filename());
}

// Where a row lies when its mileage is outside the line: the run still computes it along the
// extended end tangent (a borehole just beyond the end of a section is ordinary), but a typing
// error such as K99+999 for K9+999 lands kilometres away, so the engineer is always told.
std::optional<std::string> off_line_notice(double mileage, const Alignment& alignment,
                                           const char* computed) {
    const double before = alignment.start_mileage() - mileage;
    const double after = mileage - alignment.end_mileage();
    if (before > 0)
        return "位于线路起点之前 " + fixed_text(before, 3) + " 米，" + computed +
               "按起点切线的延长线算出";
    if (after > 0)
        return "位于线路终点之后 " + fixed_text(after, 3) + " 米，" + computed +
               "按终点切线的延长线算出";
    return std::nullopt;
}

// After the blank line that ends the list: how many non-blank lines follow, and the first of
// them, so that rows below a stray blank line are not lost without a word.
void count_unread_lines(LineReader& file, long& first, long& count) {
    first = 0;
    count = 0;
    std::string line;
    for (;;) {
        try {
            if (!file.next(line)) return;
            if (trim_blanks(line).empty()) continue;
        } catch (const DataError&) {
            // A line that cannot even be decoded is still a line that was not read.
        }
        if (first == 0) first = file.line_number();
        ++count;
    }
}

// Why the run stopped when a dialog was cancelled: the result's message (the box itself says
// only kErrorBoxText).
const char* not_chosen(DialogRole role) {
    switch (role) {
        case DialogRole::alignment:
            return "未选择平面资料文件";
        case DialogRole::chain_breaks:
            return "未选择断链资料文件";
        case DialogRole::points:
            return "未选择实测坐标资料文件";
        case DialogRole::boreholes:
            break;
    }
    return "未选择钻孔资料文件";
}

// The files of read_line's steps as the user chooses them, and the one that a failure naming
// no file concerns: the one chosen last.
class LineFiles {
  public:
    explicit LineFiles(RunUi& ui) : ui_(ui) {}
    std::string choose(const FileDialog& dialog) {
        auto path = ui_.choose_file(dialog);
        if (!path) throw DataError(not_chosen(dialog.role));
        last_ = *path;
        return last_;
    }
    const std::string& last() const { return last_; }

  private:
    RunUi& ui_;
    std::string last_;
};

// The chain breaks of a line, from where its source takes them.
void read_chain_breaks(RunUi& ui, LineFiles& files, Alignment& alignment) {
    ChainBreaks& breaks = alignment.breaks;
    switch (alignment.break_source) {
        case ChainBreakSource::none:
            // Ramps carry no chain breaks; no chain-break file is asked for.
            breaks.dl_count = 0;
            break;
        case ChainBreakSource::line:
            // The line numbers itself: a chain-break file as well would be a second source of
            // one fact, and the two could disagree without a word.
            if (const auto given = ui.file_given(DialogRole::chain_breaks))
                throw DataError(
                    "平面资料文件中已有断链（LandXML 的 StaEquation），不能再用断链资料文件“" +
                        *given + "”；请去掉断链资料文件，或去掉 LandXML 文件中的断链",
                    files.last());
            break;
        case ChainBreakSource::file_or_none:
            if (ui.answers_up_front() && !ui.file_given(DialogRole::chain_breaks)) {
                breaks.dl_count = 0;
                break;
            }
            [[fallthrough]];
        case ChainBreakSource::file: {
            LineReader file(files.choose(kChainBreakDialog));
            dl_read_file(file, breaks);
            break;
        }
    }
    dl_complete(breaks, alignment.start_mileage(), alignment.end_mileage());
}

}  // namespace

void read_line(RunUi& ui, AlignmentSource& source, Alignment& alignment,
               std::vector<std::string>& notices) {
    LineFiles files(ui);
    try {
        alignment = source.read(files.choose(kAlignmentDialog), ui);
        notices.insert(notices.end(), alignment.notices.begin(), alignment.notices.end());
        read_chain_breaks(ui, files, alignment);
    } catch (const DataError& e) {
        if (!e.file().empty()) throw;
        throw DataError(e.what(), files.last(), e.line());
    }
}

RunResult TableRun::run() {
    try {
        // Choosing and reading the files and building the alignment share one error path.
        // Nothing has been written yet, so a failure here leaves no table at all.
        try {
            read_line(ui_, source_, alignment_, result_.notices);
            open_list();
        } catch (const DataError& e) {
            throw input_error(e.what(), e.file(), e.line());
        } catch (const std::exception& e) {
            throw input_error(e.what(), {}, 0);
        }
        // From here on the table is begun, and a failure keeps the rows written so far.
        begin_table();
        try {
            read_project_line();
            while (read_group()) write_group();
        } catch (const DataError& e) {
            // A line that cannot be decoded.
            throw row_failure(e.what(), e.line());
        }
        finish();
    } catch (const RunStop& reason) {
        stop(reason);
    }
    return result_;
}

void TableRun::open_list() {
    auto path = ui_.choose_file(list_.dialog);
    if (!path) throw DataError(not_chosen(list_.dialog.role));
    list_reader_ = std::make_unique<LineReader>(*path);
}

void TableRun::begin_table() {
    records_.begin_table();
    result_.file = list_reader_->path();
}

// The list file's first line names the project, for the page headers.
void TableRun::read_project_line() {
    if (!list_reader_->next(project_line_))
        throw row_failure(std::string(list_.file) + "为空，缺少第一行（项目名称）", 1);
    result_.project = std::string(trim_blanks(project_line_));
}

// Reads the next group line; false when the list has ended, at the end of the file or at a
// blank line.
bool TableRun::read_group() {
    std::string line;
    if (list_reader_->at_end()) return false;
    list_reader_->next(line);
    if (trim_blanks(line).empty()) {
        note_lines_not_read(list_reader_->line_number());
        return false;
    }
    const std::string previous_title = group_.title;
    group_.line = list_reader_->line_number();
    try {
        bh_parse_group(line, group_.title, group_.count);
    } catch (const DataError& e) {
        throw row_failure(e.what(), group_.line);
    }
    ++groups_read_;
    // "11150 0" is a borehole at station 11150 on the centre line as much as a group without
    // boreholes: read as a group, the borehole is lost without a word. As the first group the
    // file's first line is most likely missing (the real first group line became the project
    // name); later, the group before holds more lines than its count says.
    if (group_.count == 0 && reads_as_row(line))
        notice(group_.line,
               "分组“" + group_.title + "”的钻孔数为 0，而这一行也读作一个钻孔：" +
                   (groups_read_ == 1
                        ? "文件可能缺少第一行（项目名称），原来的第一个分组行被当作了项目名称，"
                          "请核对文件开头"
                        : "它可能是分组“" + previous_title + "”的钻孔，请核对该组的钻孔数"));
    return true;
}

// A blank line ends the list; the user is told when something follows it.
void TableRun::note_lines_not_read(long blank_line) {
    long first = 0, count = 0;
    count_unread_lines(*list_reader_, first, count);
    if (count > 0)
        result_.notices.push_back(list_.file + ("“" + base_name(list_reader_->path())) + "”第 " +
                                  std::to_string(blank_line) + " 行是空行，" + list_.data +
                                  "到此结束；其后从第 " + std::to_string(first) + " 行起的 " +
                                  std::to_string(count) + " 行未读入（若仍是" + list_.data +
                                  "，请删去空行）");
}

void TableRun::write_group() {
    const int n = group_.count;
    // The group's rows must fit on the sheet, and so must the note row after the table.
    if (!records_.group_fits(n))
        throw row_failure("表格超过工作表的最大行数 " + std::to_string(records_.max_rows()) +
                              "，请将" + list_.data + "分成几个文件",
                          group_.line);
    records_.begin_group({group_.title, n, groups_read_});
    for (int k = 1; k <= n; ++k) write_entry(k);
    records_.end_group();
}

void TableRun::write_entry(int k) {
    records_.begin_row(k);
    std::string line;
    if (!list_reader_->next(line))
        throw row_failure("文件在分组“" + group_.title + "”的第 " + std::to_string(k) +
                              " 个钻孔之前结束（该组应有 " + std::to_string(group_.count) +
                              " 个钻孔）",
                          list_reader_->line_number() + 1);
    const long line_number = list_reader_->line_number();
    try {
        parse_row(line);
    } catch (const DataError& e) {
        throw row_failure(not_a_row(line, e.what(), k), line_number);
    }
    BoreholeRecord record = write_row(line_number);
    record.group = group_.title;
    record.group_number = groups_read_;
    record.serial = k;
    records_.record(record);
    ++result_.boreholes;
    if (progress_) progress_->borehole_done(result_.boreholes);
}

// The text of a line that does not read as a row, with what the group expected there.
std::string TableRun::not_a_row(const std::string& line, const std::string& detail, int k) const {
    std::string text = "这一行应是分组“" + group_.title + "”（共 " + std::to_string(group_.count) +
                       " 个钻孔）的第 " + std::to_string(k) + " 个钻孔，但" + detail;
    // The next group's line read as a row: the count above is larger than the lines.
    std::string next_title;
    std::int16_t next_count = 0;
    try {
        bh_parse_group(line, next_title, next_count);
        if (next_count > 0 && !reads_as_row(line))
            text += "。这一行像是下一个分组行，请核对分组“" + group_.title + "”的钻孔数";
    } catch (const DataError&) {
    }
    return text;
}

void TableRun::finish() {
    list_reader_->close();
    // An empty table delivered as a success would look like a run that worked.
    if (result_.boreholes == 0)
        result_.notices.push_back(
            list_.file + ("“" + base_name(list_reader_->path())) + "”没有给出钻孔：" +
            (groups_read_ == 0 ? std::string("第 1 行（项目名称）之后没有读到分组行")
                               : std::to_string(groups_read_) + " 个分组的钻孔数都是 0") +
            "，表格中没有钻孔");
    if (!records_.note_fits())
        throw RunStop{RunOutcome::borehole_failure,
                      "表格超过工作表的最大行数 " + std::to_string(records_.max_rows()) +
                          "，无法写入注释行，请将" + list_.data + "分成几个文件",
                      list_reader_->path(), 0};
    records_.finish(project_line_);
}

RunStop TableRun::input_error(const std::string& detail, const std::string& file, long line) const {
    return {RunOutcome::data_error, detail, file, line};
}

std::string TableRun::at_line(long line) const {
    return list_.file + ("“" + base_name(list_reader_->path())) + "”第 " + std::to_string(line) +
           " 行：";
}

// A list-phase failure: the table written so far is kept, and the message names the line of
// the list file that could not be processed.
RunStop TableRun::row_failure(const std::string& detail, long line) const {
    return {RunOutcome::borehole_failure, at_line(line) + detail, list_reader_->path(), line};
}

void TableRun::notice(long line, const std::string& text) {
    result_.notices.push_back(at_line(line) + text);
}

std::optional<std::string> TableRun::off_line(double mileage, const char* computed) const {
    return off_line_notice(mileage, alignment_, computed);
}

void TableRun::stop(const RunStop& reason) {
    if (list_reader_) list_reader_->close();
    result_.outcome = reason.outcome;
    result_.message = reason.message;
    result_.file = reason.file;
    result_.line = reason.line;
    ui_.bring_main_window_to_front();
    if (reason.outcome == RunOutcome::data_error)
        // The box says only that the data or its handling was wrong; the result keeps the
        // detail for the command line and the log.
        ui_.show_error_box(kErrorBoxText, kErrorBoxTitle);
    else if (reason.outcome == RunOutcome::station_rejected)
        ui_.show_data_message(reason.message);
    else
        ui_.show_error_box(reason.message, kErrorBoxTitle);
}

namespace {

// The coordinate table (坐标表): every borehole's station is checked against the chain breaks,
// turned into a continuous mileage, located on the centre line and moved sideways by its
// offset.
class CoordinateTableRun : public TableRun {
  public:
    using TableRun::TableRun;

  private:
    void parse_row(const std::string& line) override {
        bh_parse_borehole(line, station_text_, borehole_.offset, borehole_.offset_text,
                          borehole_.remark);
    }
    BoreholeRecord write_row(long line) override;
    bool reads_as_row(const std::string& line) const override {
        return parse_station(split_fields(line).front()).has_value();
    }
    double mileage_of(const std::string& station_text, std::string& printed, double& station_value,
                      long line);

    std::string station_text_;
    BoreholeRecord borehole_;
};

BoreholeRecord CoordinateTableRun::write_row(long line) {
    double station_value = 0;
    const double mileage = mileage_of(station_text_, borehole_.station, station_value, line);
    Point centre;
    double azimuth = 0;
    alignment_.line.locate(mileage, centre, azimuth);
    if (auto where = off_line(mileage, "坐标")) notice(line, "桩号" + borehole_.station + *where);
    // On the inside of a curve an offset of the radius reaches the centre of curvature, and
    // beyond it the point lies on the far side: its nearest point on the centre line is
    // elsewhere, and the station and offset no longer describe where it is. A positive offset
    // is to the left, where a left-hand curve (k < 0) has its centre.
    const double k = alignment_.line.curvature(mileage);
    if (borehole_.offset * -k >= 1)
        notice(line, "桩号" + borehole_.station + "处曲线半径 " + fixed_text(1 / std::abs(k), 3) +
                         " 米，圆心在中线" + (k < 0 ? "左" : "右") + "侧；距中线距离 " +
                         borehole_.offset_text +
                         " 已到达或越过圆心：坐标照算，但此点离中线最近处不在此桩号，"
                         "桩号和距中线距离已不能说明它的位置，请核对距中线距离");
    // A positive offset lies to the left of the direction of increasing station.
    const Point at = place(centre, azimuth, 0, -borehole_.offset);
    const double x = at.x, y = at.y;
    if (!std::isfinite(x) || !std::isfinite(y))
        throw row_failure("桩号" + station_text_ + "的坐标无法计算（线形数据在此处无解）", line);
    BoreholeRecord record;
    record.station = borehole_.station;
    record.station_value = station_value;
    record.offset = borehole_.offset;
    record.offset_text = borehole_.offset_text;
    record.x = x;
    record.y = y;
    record.remark = borehole_.remark;
    return record;
}

// A station's continuous mileage, in `printed` the station as the table prints it and in
// `station_value` its number in its interval's numbering.
double CoordinateTableRun::mileage_of(const std::string& station_text, std::string& printed,
                                      double& station_value, long line) {
    // The station's own message is shown and the run ends quietly; the table keeps what it
    // has, this row's serial number included.
    const auto reject = [&](const std::string& message) {
        return RunStop{RunOutcome::station_rejected, message, list_path(), line};
    };
    std::string message;
    if (!zh_check(alignment_.breaks, station_text, message)) throw reject(message);
    const LetteredStation lettered = zh_dlstr(alignment_.breaks, station_text);
    if (!lettered) throw reject(lettered.message);
    double mileage = 0;
    zh_mileage(alignment_.breaks, lettered.station, mileage);
    zh_format(lettered.station, printed);
    station_value = lettered.station.number;
    if (!std::isfinite(mileage)) throw row_failure("桩号" + station_text + "超出数值范围", line);
    return mileage;
}

}  // namespace

RunResult run_coordinate_table(RunUi& ui, AlignmentSource& source, Alignment& alignment,
                               RecordSink& records, RunProgress* progress) {
    return CoordinateTableRun(ui, source, alignment, records, progress,
                              {kBoreholeDialog, "钻孔资料文件", "钻孔资料"})
        .run();
}

}  // namespace qelt
