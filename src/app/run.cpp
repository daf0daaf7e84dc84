#include "app/run.h"

#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>

#include "input/readers.h"
#include "base/data_error.h"
#include "station/station.h"

namespace qelt {

namespace {

// A borehole-phase failure: the table written so far is kept, the user is told which line of
// the borehole file could not be processed.
struct BoreholeFailure {
    std::string detail;
    long line;
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

}  // namespace

RunResult run_coordinate_table(RunUi& ui, Alignment& main_line, Alignment& interchange,
                               ChainBreaks& breaks, Sheet& sheet, RunProgress* progress) {
    RunResult result;
    const double pi = 4 * std::atan(1.0);
    std::unique_ptr<LineReader> boreholes;
    std::string current_file;

    // Steps 1 to 5: choosing and reading the files and building the alignment share one error
    // path. Nothing has been written yet, so a failure here leaves no table at all.
    try {
        auto alignment_path = ui.choose_file(kAlignmentDialog);
        if (!alignment_path) throw DataError("未选择平面资料文件");
        current_file = *alignment_path;
        if (ui.intersection_point_method()) {
            LineReader file(current_file);
            main_line.read(file);
        } else {
            LineReader file(current_file);
            interchange.read(file);
            // Ramps carry no chain breaks; no chain-break file is asked for.
            breaks.dl_count = 0;
        }
        if (ui.intersection_point_method())
            main_line.build();
        else
            interchange.build();

        if (ui.intersection_point_method()) {
            auto chain_path = ui.choose_file(kChainBreakDialog);
            if (!chain_path) throw DataError("未选择断链资料文件");
            current_file = *chain_path;
            LineReader file(current_file);
            dl_read_file(file, breaks);
            // Interval 0 starts at station 0 and the last interval ends at the line's end.
            const int n = breaks.dl_count;
            breaks.dl_before[0] = breaks.dl_after[0] = 0;
            breaks.dl_before[n + 1] = breaks.dl_after[n + 1] = main_line.end_station();
            // A file starting with −1 declares a line without chain breaks.
            if (breaks.dl_before[1] == -1) breaks.dl_count = 0;
            dl_check_order(breaks, main_line.start_station(), main_line.end_station());
        }

        auto borehole_path = ui.choose_file(kBoreholeDialog);
        if (!borehole_path) throw DataError("未选择钻孔资料文件");
        current_file = *borehole_path;
        boreholes = std::make_unique<LineReader>(current_file);
    } catch (const DataError& e) {
        ui.bring_main_window_to_front();
        ui.show_error_box(kErrorBoxText, kErrorBoxTitle);
        result.outcome = RunOutcome::data_error;
        result.message = e.what();
        result.file = e.file().empty() ? current_file : e.file();
        result.line = e.line();
        return result;
    } catch (const std::exception& e) {
        ui.bring_main_window_to_front();
        ui.show_error_box(kErrorBoxText, kErrorBoxTitle);
        result.outcome = RunOutcome::data_error;
        result.message = e.what();
        result.file = current_file;
        return result;
    }

    sheet.report_open();
    std::string project_line;
    long row_cursor = 1;
    long last_data_row = 0;
    result.file = boreholes->path();

    try {
        if (!boreholes->next(project_line))
            throw BoreholeFailure{"钻孔资料文件为空，缺少第一行（项目名称）", 1};
        std::string line;
        for (;;) {
            if (boreholes->at_end()) break;
            boreholes->next(line);
            if (trim_blanks(line).empty()) {
                // A blank line ends the list; say so when something follows it.
                const long blank_line = boreholes->line_number();
                long first = 0, count = 0;
                count_unread_lines(*boreholes, first, count);
                if (count > 0)
                    result.notices.push_back(
                        "钻孔资料文件“" + base_name(boreholes->path()) + "”第 " +
                        std::to_string(blank_line) + " 行是空行，钻孔资料到此结束；其后从第 " +
                        std::to_string(first) + " 行起的 " + std::to_string(count) +
                        " 行未读入（若仍是钻孔资料，请删去空行）");
                break;
            }
            const long group_line = boreholes->line_number();
            std::string title;
            std::int16_t n = 0;
            try {
                bh_parse_group(line, title, n);
            } catch (const DataError& e) {
                throw BoreholeFailure{e.what(), group_line};
            }
            // The group's rows must fit on the sheet, and so must the note row after the table.
            if (row_cursor + n + 1 > sheet.max_rows())
                throw BoreholeFailure{"表格超过工作表的最大行数 " +
                                          std::to_string(sheet.max_rows()) +
                                          "，请将钻孔资料分成几个文件",
                                      group_line};
            sheet.report_group_head(row_cursor, title);
            for (int k = 1; k <= n; ++k) {
                const long row = row_cursor + 1 + k;
                sheet.report_serial(row, k);
                if (!boreholes->next(line))
                    throw BoreholeFailure{"文件在分组“" + title + "”的第 " + std::to_string(k) +
                                              " 个钻孔之前结束（该组应有 " + std::to_string(n) +
                                              " 个钻孔）",
                                          boreholes->line_number() + 1};
                const long borehole_line = boreholes->line_number();
                BoreholeRow borehole;
                std::string station_text;
                try {
                    bh_parse_borehole(line, station_text, borehole.offset, borehole.offset_text,
                                      borehole.remark);
                } catch (const DataError& e) {
                    throw BoreholeFailure{not_a_borehole(line, e.what(), title, k, n),
                                          borehole_line};
                }
                std::string message, lettered;
                std::int16_t errle = 1;
                bool accepted = zh_check(breaks, station_text, message);
                if (accepted) {
                    zh_dlstr(breaks, station_text, lettered, errle, message);
                    accepted = errle != 0;
                }
                if (!accepted) {
                    // The station's own message has been shown; the run ends quietly and the
                    // table keeps what it has, this row's serial number included.
                    ui.bring_main_window_to_front();
                    ui.show_data_message(message);
                    boreholes->close();
                    result.outcome = RunOutcome::station_rejected;
                    result.message = message;
                    result.line = borehole_line;
                    result.last_data_row = last_data_row;
                    return result;
                }
                double mileage = 0, x = 0, y = 0, azimuth = 0;
                zh_mileage(breaks, lettered, mileage);
                zh_format(lettered, borehole.station);
                if (!std::isfinite(mileage))
                    throw BoreholeFailure{"桩号" + station_text + "超出数值范围", borehole_line};
                const Alignment& alignment =
                    ui.intersection_point_method() ? main_line : interchange;
                alignment.locate(mileage, x, y, azimuth);
                if (auto where = off_line_notice(mileage, alignment))
                    result.notices.push_back("钻孔资料文件“" + base_name(boreholes->path()) +
                                             "”第 " + std::to_string(borehole_line) + " 行：桩号" +
                                             borehole.station + *where);
                // The left-hand normal: a positive offset lies to the left of the direction of
                // increasing station.
                const double a = azimuth + pi * 90 / 180 - pi;
                x = x + borehole.offset * std::cos(a);
                y = y + borehole.offset * std::sin(a);
                if (!std::isfinite(x) || !std::isfinite(y))
                    throw BoreholeFailure{
                        "桩号" + station_text + "的坐标无法计算（线形数据在此处无解）",
                        borehole_line};
                borehole.x = x;
                borehole.y = y;
                sheet.report_row(row, borehole);
                last_data_row = row;
                ++result.boreholes;
                if (progress) progress->borehole_done(result.boreholes);
            }
            sheet.report_group_frame(row_cursor, row_cursor + n + 1);
            row_cursor = row_cursor + n + 3;
        }
    } catch (const BoreholeFailure& f) {
        boreholes->close();
        result.outcome = RunOutcome::borehole_failure;
        result.message = "钻孔资料文件“" + base_name(boreholes->path()) + "”第 " +
                         std::to_string(f.line) + " 行：" + f.detail;
        result.line = f.line;
        result.last_data_row = last_data_row;
        ui.bring_main_window_to_front();
        ui.show_error_box(result.message, kErrorBoxTitle);
        return result;
    } catch (const DataError& e) {
        // A line that cannot be decoded.
        boreholes->close();
        result.outcome = RunOutcome::borehole_failure;
        result.line = e.line();
        result.message = "钻孔资料文件“" + base_name(boreholes->path()) + "”第 " +
                         std::to_string(e.line()) + " 行：" + e.what();
        result.last_data_row = last_data_row;
        ui.bring_main_window_to_front();
        ui.show_error_box(result.message, kErrorBoxTitle);
        return result;
    }
    boreholes->close();
    if (row_cursor > sheet.max_rows()) {
        result.outcome = RunOutcome::borehole_failure;
        result.message = "表格超过工作表的最大行数 " + std::to_string(sheet.max_rows()) +
                         "，无法写入注释行，请将钻孔资料分成几个文件";
        result.last_data_row = last_data_row;
        ui.bring_main_window_to_front();
        ui.show_error_box(result.message, kErrorBoxTitle);
        return result;
    }
    sheet.report_note(row_cursor);
    sheet.report_page_lines(last_data_row);
    sheet.report_headers(project_line);
    result.last_data_row = last_data_row;
    result.line = 0;
    return result;
}

}  // namespace qelt
