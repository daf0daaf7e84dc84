#include "app/run.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>

#include "base/data_error.h"
#include "input/readers.h"
#include "station/station.h"

namespace qelt {

namespace {

// Why a run ends before its table is complete. Thrown by the step that finds it and handled in
// one place, which closes the borehole file, tells the user and fills in the result.
struct RunStop {
    RunOutcome outcome;
    std::string message;  // the result's message
    std::string file;     // the file and 1-based line it concerns, when known
    long line = 0;
};

std::string base_name(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

// Where a borehole lies when its mileage is outside the line: the run still places it on the
// extended end tangent (a borehole just beyond the end of a section is ordinary), but a typing
// error such as K99+999 for K9+999 lands kilometres away, so the engineer is always told.
std::optional<std::string> off_line_notice(double mileage, const Alignment& alignment) {
    const double before = alignment.start_station() - mileage;
    const double after = mileage - alignment.end_station();
    char metres[64];
    if (before > 0) {
        std::snprintf(metres, sizeof metres, "%.3f", before);
        return std::string("位于线路起点之前 ") + metres + " 米，坐标按起点切线的延长线算出";
    }
    if (after > 0) {
        std::snprintf(metres, sizeof metres, "%.3f", after);
        return std::string("位于线路终点之后 ") + metres + " 米，坐标按终点切线的延长线算出";
    }
    return std::nullopt;
}

// After the blank line that ends the list: how many non-blank lines follow, and the first of
// them, so that boreholes below a stray blank line are not lost without a word.
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

// The text of a borehole line that does not read as one, with what the group expected there.
std::string not_a_borehole(const std::string& line, const std::string& detail,
                           const std::string& title, int k, int n) {
    std::string text = "这一行应是分组“" + title + "”（共 " + std::to_string(n) + " 个钻孔）的第 " +
                       std::to_string(k) + " 个钻孔，但" + detail;
    // The next group's line read as a borehole: the count above is larger than the lines.
    std::string next_title;
    std::int16_t next_count = 0;
    try {
        bh_parse_group(line, next_title, next_count);
        if (next_count > 0 && !parse_station(split_fields(line).front()))
            text += "。这一行像是下一个分组行，请核对分组“" + title + "”的钻孔数";
    } catch (const DataError&) {
    }
    return text;
}

// Why the run stopped when a dialog was cancelled: the result's message (the box itself says
// only kErrorBoxText).
const char* not_chosen(DialogRole role) {
    switch (role) {
        case DialogRole::alignment:
            return "未选择平面资料文件";
        case DialogRole::chain_breaks:
            return "未选择断链资料文件";
        case DialogRole::boreholes:
            break;
    }
    return "未选择钻孔资料文件";
}

// A group line as read: its title and how many borehole lines follow.
struct Group {
    std::string title;
    std::int16_t count = 0;
    long line = 0;
};

// One run of the coordinate table, step by step; run() reads as the steps it takes.
class CoordinateTableRun {
  public:
    CoordinateTableRun(RunUi& ui, Alignment& alignment, ChainBreaks& breaks, Sheet& sheet,
                       RunProgress* progress)
        : ui_(ui), alignment_(alignment), breaks_(breaks), sheet_(sheet), progress_(progress) {}

    RunResult run();

  private:
    void read_alignment();
    void read_chain_breaks();
    void open_boreholes();
    void begin_table();
    void read_project_line();
    bool read_group();
    void write_group();
    void write_borehole(int k);
    void finish();

    std::string choose(const FileDialog& dialog);
    double mileage_of(const std::string& station_text, std::string& printed, long line);
    void note_lines_not_read(long blank_line);
    RunStop input_error(const std::string& detail, const std::string& file, long line) const;
    RunStop borehole_failure(const std::string& detail, long line) const;
    void stop(const RunStop& reason);

    RunUi& ui_;
    Alignment& alignment_;
    ChainBreaks& breaks_;
    Sheet& sheet_;
    RunProgress* progress_;
    RunResult result_;
    std::string current_file_;  // the file last chosen, for an error that names none
    std::unique_ptr<LineReader> boreholes_;
    std::string project_line_;
    Group group_;
    long row_cursor_ = 1;  // the title row of the next group
    long last_data_row_ = 0;
};

RunResult CoordinateTableRun::run() {
    try {
        // Choosing and reading the files and building the alignment share one error path.
        // Nothing has been written yet, so a failure here leaves no table at all.
        try {
            read_alignment();
            read_chain_breaks();
            open_boreholes();
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
            throw borehole_failure(e.what(), e.line());
        }
        finish();
    } catch (const RunStop& reason) {
        stop(reason);
    }
    return result_;
}

std::string CoordinateTableRun::choose(const FileDialog& dialog) {
    auto path = ui_.choose_file(dialog);
    if (!path) throw DataError(not_chosen(dialog.role));
    current_file_ = *path;
    return current_file_;
}

void CoordinateTableRun::read_alignment() {
    {
        LineReader file(choose(kAlignmentDialog));
        alignment_.read(file);
    }
    alignment_.build();
}

void CoordinateTableRun::read_chain_breaks() {
    if (!alignment_.uses_chain_breaks()) {
        // Ramps carry no chain breaks; no chain-break file is asked for.
        breaks_.dl_count = 0;
        return;
    }
    LineReader file(choose(kChainBreakDialog));
    dl_read_file(file, breaks_);
    // Interval 0 starts at station 0 and the last interval ends at the line's end.
    const int n = breaks_.dl_count;
    breaks_.dl_before[0] = breaks_.dl_after[0] = 0;
    breaks_.dl_before[n + 1] = breaks_.dl_after[n + 1] = alignment_.end_station();
    // A file starting with −1 declares a line without chain breaks.
    if (breaks_.dl_before[1] == -1) breaks_.dl_count = 0;
    dl_check_order(breaks_, alignment_.start_station(), alignment_.end_station());
}

void CoordinateTableRun::open_boreholes() {
    boreholes_ = std::make_unique<LineReader>(choose(kBoreholeDialog));
}

void CoordinateTableRun::begin_table() {
    sheet_.report_open();
    result_.file = boreholes_->path();
}

// The borehole file's first line names the project, for the page headers.
void CoordinateTableRun::read_project_line() {
    if (!boreholes_->next(project_line_))
        throw borehole_failure("钻孔资料文件为空，缺少第一行（项目名称）", 1);
}

// Reads the next group line; false when the list has ended, at the end of the file or at a
// blank line.
bool CoordinateTableRun::read_group() {
    std::string line;
    if (boreholes_->at_end()) return false;
    boreholes_->next(line);
    if (trim_blanks(line).empty()) {
        note_lines_not_read(boreholes_->line_number());
        return false;
    }
    group_.line = boreholes_->line_number();
    try {
        bh_parse_group(line, group_.title, group_.count);
    } catch (const DataError& e) {
        throw borehole_failure(e.what(), group_.line);
    }
    return true;
}

// A blank line ends the list; the user is told when something follows it.
void CoordinateTableRun::note_lines_not_read(long blank_line) {
    long first = 0, count = 0;
    count_unread_lines(*boreholes_, first, count);
    if (count > 0)
        result_.notices.push_back(
            "钻孔资料文件“" + base_name(boreholes_->path()) + "”第 " + std::to_string(blank_line) +
            " 行是空行，钻孔资料到此结束；其后从第 " + std::to_string(first) + " 行起的 " +
            std::to_string(count) + " 行未读入（若仍是钻孔资料，请删去空行）");
}

void CoordinateTableRun::write_group() {
    const int n = group_.count;
    // The group's rows must fit on the sheet, and so must the note row after the table.
    if (row_cursor_ + n + 1 > sheet_.max_rows())
        throw borehole_failure("表格超过工作表的最大行数 " + std::to_string(sheet_.max_rows()) +
                                   "，请将钻孔资料分成几个文件",
                               group_.line);
    sheet_.report_group_head(row_cursor_, group_.title);
    for (int k = 1; k <= n; ++k) write_borehole(k);
    sheet_.report_group_frame(row_cursor_, row_cursor_ + n + 1);
    row_cursor_ = row_cursor_ + n + 3;
}

void CoordinateTableRun::write_borehole(int k) {
    const double pi = 4 * std::atan(1.0);
    const long row = row_cursor_ + 1 + k;
    sheet_.report_serial(row, k);
    std::string line;
    if (!boreholes_->next(line))
        throw borehole_failure("文件在分组“" + group_.title + "”的第 " + std::to_string(k) +
                                   " 个钻孔之前结束（该组应有 " + std::to_string(group_.count) +
                                   " 个钻孔）",
                               boreholes_->line_number() + 1);
    const long borehole_line = boreholes_->line_number();
    BoreholeRow borehole;
    std::string station_text;
    try {
        bh_parse_borehole(line, station_text, borehole.offset, borehole.offset_text,
                          borehole.remark);
    } catch (const DataError& e) {
        throw borehole_failure(not_a_borehole(line, e.what(), group_.title, k, group_.count),
                               borehole_line);
    }
    const double mileage = mileage_of(station_text, borehole.station, borehole_line);
    double x = 0, y = 0, azimuth = 0;
    alignment_.locate(mileage, x, y, azimuth);
    if (auto where = off_line_notice(mileage, alignment_))
        result_.notices.push_back("钻孔资料文件“" + base_name(boreholes_->path()) + "”第 " +
                                  std::to_string(borehole_line) + " 行：桩号" + borehole.station +
                                  *where);
    // The left-hand normal: a positive offset lies to the left of the direction of increasing
    // station.
    const double a = azimuth + pi * 90 / 180 - pi;
    x = x + borehole.offset * std::cos(a);
    y = y + borehole.offset * std::sin(a);
    if (!std::isfinite(x) || !std::isfinite(y))
        throw borehole_failure("桩号" + station_text + "的坐标无法计算（线形数据在此处无解）",
                               borehole_line);
    borehole.x = x;
    borehole.y = y;
    sheet_.report_row(row, borehole);
    last_data_row_ = row;
    ++result_.boreholes;
    if (progress_) progress_->borehole_done(result_.boreholes);
}

// A station's continuous mileage, and in `printed` the station as the table prints it.
double CoordinateTableRun::mileage_of(const std::string& station_text, std::string& printed,
                                      long line) {
    std::string message, lettered;
    std::int16_t errle = 1;
    bool accepted = zh_check(breaks_, station_text, message);
    if (accepted) {
        zh_dlstr(breaks_, station_text, lettered, errle, message);
        accepted = errle != 0;
    }
    // The station's own message is shown and the run ends quietly; the table keeps what it
    // has, this row's serial number included.
    if (!accepted) throw RunStop{RunOutcome::station_rejected, message, boreholes_->path(), line};
    double mileage = 0;
    zh_mileage(breaks_, lettered, mileage);
    zh_format(lettered, printed);
    if (!std::isfinite(mileage))
        throw borehole_failure("桩号" + station_text + "超出数值范围", line);
    return mileage;
}

void CoordinateTableRun::finish() {
    boreholes_->close();
    if (row_cursor_ > sheet_.max_rows())
        throw RunStop{RunOutcome::borehole_failure,
                      "表格超过工作表的最大行数 " + std::to_string(sheet_.max_rows()) +
                          "，无法写入注释行，请将钻孔资料分成几个文件",
                      boreholes_->path(), 0};
    sheet_.report_note(row_cursor_);
    sheet_.report_page_lines(last_data_row_);
    sheet_.report_headers(project_line_);
    result_.last_data_row = last_data_row_;
}

RunStop CoordinateTableRun::input_error(const std::string& detail, const std::string& file,
                                        long line) const {
    return {RunOutcome::data_error, detail, file.empty() ? current_file_ : file, line};
}

// A borehole-phase failure: the table written so far is kept, and the message names the line
// of the borehole file that could not be processed.
RunStop CoordinateTableRun::borehole_failure(const std::string& detail, long line) const {
    return {RunOutcome::borehole_failure,
            "钻孔资料文件“" + base_name(boreholes_->path()) + "”第 " + std::to_string(line) +
                " 行：" + detail,
            boreholes_->path(), line};
}

void CoordinateTableRun::stop(const RunStop& reason) {
    if (boreholes_) boreholes_->close();
    result_.outcome = reason.outcome;
    result_.message = reason.message;
    result_.file = reason.file;
    result_.line = reason.line;
    result_.last_data_row = last_data_row_;
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

}  // namespace

RunResult run_coordinate_table(RunUi& ui, Alignment& alignment, ChainBreaks& breaks, Sheet& sheet,
                               RunProgress* progress) {
    return CoordinateTableRun(ui, alignment, breaks, sheet, progress).run();
}

}  // namespace qelt
