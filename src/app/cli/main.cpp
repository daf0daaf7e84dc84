// qelt-cli: the coordinate table from the command line. The file options stand in for the
// desktop program's three open-file dialogs, in the same order; the table goes to an .xlsx
// workbook (and optionally a CSV file), written beside its target and renamed into place so
// that a failed run never leaves a half-written file.

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/run.h"
#include "io/platform.h"
#include "report/csv_sheet.h"
#include "report/sheet_fanout.h"
#include "report/xlsx_sheet.h"

namespace {

using namespace qelt;

constexpr int kExitComplete = 0;
constexpr int kExitDataError = 1;
constexpr int kExitPartial = 2;
constexpr int kExitUsage = 64;

const char* const kUsage =
    R"(用法 / usage:
  qelt-cli table --method jd --alignment FILE --chain-breaks FILE --boreholes FILE
                 [--output T.xlsx] [--csv T.csv]
  qelt-cli table --method ht --alignment FILE --boreholes FILE [--output T.xlsx] [--csv T.csv]

  --method jd       交点法―主线 (intersection-point method, main line)
  --method ht       积木法―互通 (building-block method, interchange ramp; no chain breaks)
  --alignment       平面资料 (alignment file: JD file for jd, element file for ht)
  --chain-breaks    断链资料 (chain-break file, jd only; a first line "-1 -1" means none)
  --boreholes       钻孔资料 (borehole file: project line, then groups "title n" + n lines
                    "station offset [remark]")
  --output          the workbook to write (default: 钻孔数量及位置表.xlsx in this folder)
  --csv             also write the rows as CSV (UTF-8 with BOM):
                    group,serial,station,offset,x,y,remark

Input files may be UTF-8 or GBK, with CR LF or LF line ends.

Messages go to stderr: "错误：数据文件格式有误或操作不当！" or "数据有误：<message>",
followed by a line naming the file and line where known.

Exit status:
  0   the table is complete
  1   data error in the alignment, chain-break or borehole file choice: nothing written
  2   a station was rejected or a borehole line could not be processed: the table up to
      that borehole is written (no frame for its group, no note row, no page headers)
  64  bad usage
)";

struct Options {
    std::string method;
    std::optional<std::string> alignment, chain_breaks, boreholes, csv;
    std::string output = "钻孔数量及位置表.xlsx";
};

// Answers the run's dialogs from the command line and prints its messages on stderr.
class CommandLineUi : public RunUi {
  public:
    explicit CommandLineUi(const Options& options) : options_(options) {}
    bool intersection_point_method() override { return options_.method == "jd"; }
    std::optional<std::string> choose_file(const FileDialog& dialog) override {
        std::string title = dialog.title;
        if (title == kAlignmentDialog.title) return options_.alignment;
        if (title == kChainBreakDialog.title) return options_.chain_breaks;
        return options_.boreholes;
    }
    void show_error_box(const std::string& text, const std::string& title) override {
        end_progress();
        std::cerr << title << "：" << text << "\n";
    }
    void show_data_message(const std::string& text) override {
        end_progress();
        std::cerr << kDataMessageTitle << "：" << text << "\n";
    }
    void bring_main_window_to_front() override {}

    // Progress on a terminal for runs longer than a second; nothing when stderr is redirected.
    class Progress : public RunProgress {
      public:
        Progress() : start_(std::chrono::steady_clock::now()), tty_(isatty(STDERR_FILENO) != 0) {}
        void borehole_done(long boreholes) override {
            if (!tty_ || boreholes % 4096 != 0) return;
            double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
            if (seconds < 1.0) return;
            std::fprintf(stderr, "\r已完成 %ld 个钻孔（%.0f 个/秒）", boreholes,
                         boreholes / seconds);
            shown = true;
        }
        bool shown = false;

      private:
        std::chrono::steady_clock::time_point start_;
        bool tty_;
    } progress;

    void end_progress() {
        if (progress.shown) std::fputc('\n', stderr);
        progress.shown = false;
    }

  private:
    const Options& options_;
};

int usage_error(const std::string& message) {
    std::cerr << "qelt-cli: " << message << "\n\n" << kUsage;
    return kExitUsage;
}

// A file written under a temporary name beside its target and renamed into place at the end.
struct PendingFile {
    std::string target, temporary;
    explicit PendingFile(const std::string& path)
        : target(path), temporary(temporary_path_beside(path)) {}
    void discard() const { std::remove(temporary.c_str()); }
    bool commit(std::string& error) const {
        error = replace_file(temporary, target);
        if (error.empty()) return true;
        discard();
        return false;
    }
};

int run_table(const Options& options) {
    auto tables = std::make_unique<RunTables>();
    auto main_line = make_main_line_alignment(tables->main_line);
    auto ramp = make_element_alignment(tables->element_chain);

    PendingFile workbook_file(options.output);
    std::optional<PendingFile> csv_file;
    std::ofstream csv_stream;
    if (options.csv) {
        csv_file.emplace(*options.csv);
        csv_stream.open(csv_file->temporary, std::ios::binary);
        if (!csv_stream) {
            std::cerr << "错误：无法写入 " << *options.csv << "\n";
            return kExitDataError;
        }
    }
    XlsxSheet workbook(workbook_file.temporary);
    std::optional<CsvSheet> csv;
    std::vector<Sheet*> sheets{&workbook};
    if (options.csv) sheets.push_back(&csv.emplace(csv_stream));
    SheetFanout sheet(sheets);

    CommandLineUi ui(options);
    RunResult result =
        run_coordinate_table(ui, *main_line, *ramp, tables->chain_breaks, sheet, &ui.progress);
    ui.end_progress();

    std::string close_error;
    bool closed = workbook.close(close_error);
    if (csv_file) csv_stream.close();
    auto where = [&] {
        if (!result.file.empty()) {
            std::cerr << "位置：" << result.file;
            if (result.line > 0) std::cerr << " 第 " << result.line << " 行";
            std::cerr << "\n";
        }
    };

    if (result.outcome == RunOutcome::data_error) {
        where();
        if (!result.message.empty()) std::cerr << "原因：" << result.message << "\n";
        workbook_file.discard();
        if (csv_file) csv_file->discard();
        return kExitDataError;
    }
    if (!closed || (csv_file && !csv_stream)) {
        std::cerr << "错误：无法写出表格：" << (closed ? "CSV" : close_error) << "\n";
        workbook_file.discard();
        if (csv_file) csv_file->discard();
        return kExitDataError;
    }
    std::string error;
    if (!workbook_file.commit(error)) {
        std::cerr << "错误：无法写入 " << options.output << "：" << error << "\n";
        if (csv_file) csv_file->discard();
        return kExitDataError;
    }
    if (csv_file && !csv_file->commit(error)) {
        std::cerr << "错误：无法写入 " << *options.csv << "：" << error << "\n";
        return kExitDataError;
    }
    if (result.outcome != RunOutcome::complete) {
        if (result.outcome == RunOutcome::station_rejected) where();
        std::cerr << "表格只写到第 " << result.last_data_row << " 行（" << result.boreholes
                  << " 个钻孔），已写入 " << options.output << "\n";
        return kExitPartial;
    }
    std::cout << "钻孔数量及位置表：" << result.boreholes << " 个钻孔，已写入 " << options.output;
    if (options.csv) std::cout << " 和 " << *options.csv;
    std::cout << "\n";
    return kExitComplete;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    for (const auto& a : args)
        if (a == "--help" || a == "-h") {
            std::cout << kUsage;
            return kExitComplete;
        }
    if (args.empty() || args[0] != "table") return usage_error("the only command is \"table\"");
    Options options;
    std::map<std::string, std::string*> text_options{{"--method", &options.method},
                                                     {"--output", &options.output}};
    std::map<std::string, std::optional<std::string>*> file_options{
        {"--alignment", &options.alignment},
        {"--chain-breaks", &options.chain_breaks},
        {"--boreholes", &options.boreholes},
        {"--csv", &options.csv}};
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (i + 1 >= args.size()) return usage_error("missing value after " + name);
        const std::string& value = args[++i];
        if (auto t = text_options.find(name); t != text_options.end())
            *t->second = value;
        else if (auto f = file_options.find(name); f != file_options.end())
            *f->second = value;
        else
            return usage_error("unknown option " + name);
    }
    if (options.method != "jd" && options.method != "ht")
        return usage_error("--method must be jd or ht");
    if (!options.alignment) return usage_error("--alignment is required");
    if (!options.boreholes) return usage_error("--boreholes is required");
    if (options.method == "jd" && !options.chain_breaks)
        return usage_error("--chain-breaks is required with --method jd");
    if (options.method == "ht" && options.chain_breaks)
        return usage_error(
            "--chain-breaks applies to --method jd only (ramps have no chain breaks)");
    if (options.output.empty()) return usage_error("--output is empty");
    return run_table(options);
}
