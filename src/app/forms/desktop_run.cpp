#include "app/forms/desktop_run.h"

#include <cerrno>

#include "app/run_output.h"
#include "base/platform.h"

namespace qelt::forms {

namespace {

// The wait cursor while the run works; lifted while a dialog or message waits for the user.
class BusyCursor {
  public:
    explicit BusyCursor(Desktop& desktop) : desktop_(desktop) { resume(); }
    ~BusyCursor() { pause(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
    void pause() {
        if (on_) desktop_.set_busy(false);
        on_ = false;
    }
    void resume() {
        if (!on_) desktop_.set_busy(true);
        on_ = true;
    }

  private:
    Desktop& desktop_;
    bool on_ = false;
};

class DesktopRunUi : public RunUi {
  public:
    DesktopRunUi(Desktop& desktop, BusyCursor& busy) : desktop_(desktop), busy_(busy) {}

    std::optional<std::string> choose_file(const FileDialog& dialog) override {
        busy_.pause();
        std::string& last = desktop_.last_chosen_file();
        std::optional<std::string> path = desktop_.choose_file(
            dialog.title, dialog.filter, dialog_start_folder(last, desktop_.documents_folder()));
        busy_.resume();
        if (!path || path->empty()) return std::nullopt;
        last = *path;
        if (dialog.role == DialogRole::boreholes) borehole_file = *path;
        return path;
    }

    void show_error_box(const std::string& text, const std::string& title) override {
        show(MessageKind::error, title, text);
    }

    void show_data_message(const std::string& text) override {
        show(MessageKind::data, kDataMessageTitle, text);
    }

    void bring_main_window_to_front() override { desktop_.bring_to_front(); }

    void show(MessageKind kind, const std::string& title, const std::string& text) {
        busy_.pause();
        desktop_.show_message(kind, title, text);
        busy_.resume();
    }

    std::string borehole_file;  // the last borehole file chosen

  private:
    Desktop& desktop_;
    BusyCursor& busy_;
};

// The workbook, begun only when the run starts its table: the borehole file is chosen by then,
// and a run that ends before it leaves no file behind. It goes beside the borehole file, or into
// the Documents folder when that folder cannot be written, and takes the first free name there.
class WorkbookSheet : public Sheet {
  public:
    WorkbookSheet(const DesktopRunUi& ui, Desktop& desktop) : ui_(ui), desktop_(desktop) {}

    void report_open() override {
        folder_ = folder_of(ui_.borehole_file);
        if (folder_.empty()) folder_.push_back('.');  // a bare name lies in the current folder
        if (!desktop_.folder_writable(folder_)) {
            folder_ = desktop_.documents_folder();
            desktop_.make_folder(folder_);
        }
        stem_ = workbook_stem(ui_.borehole_file);
        // A folder that cannot be written after all is told when the workbook is delivered.
        workbook_.emplace(first_choice());
        workbook_->create();
        sheet().report_open();
    }
    void report_group_head(long r, const std::string& title) override {
        sheet().report_group_head(r, title);
    }
    void report_serial(long row, int k) override { sheet().report_serial(row, k); }
    void report_row(long row, const BoreholeRow& borehole) override {
        sheet().report_row(row, borehole);
    }
    void report_group_frame(long first, long last) override {
        sheet().report_group_frame(first, last);
    }
    void report_note(long row) override { sheet().report_note(row); }
    void report_page_lines(long last_data_row) override {
        sheet().report_page_lines(last_data_row);
    }
    void report_headers(const std::string& project_line) override {
        sheet().report_headers(project_line);
    }

    bool begun() const { return workbook_.has_value(); }

    // Writes the workbook and gives it its name: the path, or the message saying why it could
    // not be written.
    std::optional<std::string> deliver(std::string& error) {
        if (!workbook_->close()) {
            error = write_failure_message(first_choice(), workbook_->file().failure_reason());
            return std::nullopt;
        }
        DeliveryFiles files;
        files.exists = [this](const std::string& p) { return desktop_.exists(p); };
        files.move = [this](const std::string& p) {
            return workbook_->file().commit_no_replace(p);
        };
        files.reason = write_failure_reason;
        return deliver_workbook(folder_, stem_, desktop_.path_style(), files, error);
    }

  private:
    XlsxSheet& sheet() { return workbook_->sheet(); }
    std::string first_choice() const {
        return join_path(folder_, numbered_workbook_name(stem_, 1), desktop_.path_style());
    }

    const DesktopRunUi& ui_;
    Desktop& desktop_;
    std::optional<PendingWorkbook> workbook_;
    std::string folder_, stem_;
};

TableExtent extent_of(const RunResult& run) {
    return {run.outcome == RunOutcome::complete, run.last_data_row, run.boreholes};
}

}  // namespace

TableRunResult run_table(Desktop& desktop, Method method) {
    TableRunResult result;
    BusyCursor busy(desktop);
    DesktopRunUi ui(desktop, busy);
    WorkbookSheet sheet(ui, desktop);
    result.run = TableJob(method).run(ui, sheet);
    if (sheet.begun()) {
        std::string error;
        if (std::optional<std::string> path = sheet.deliver(error)) {
            result.workbook = *path;
            busy.pause();
            if (!desktop.open_document(result.workbook))
                ui.show(MessageKind::information, kTableTitle,
                        workbook_not_opened_text(result.workbook, extent_of(result.run)));
        } else {
            ui.bring_main_window_to_front();
            ui.show(MessageKind::error, kErrorBoxTitle, error);
        }
    }
    // Last, what the run computed but the user should know, in one box.
    if (!result.run.notices.empty()) {
        ui.bring_main_window_to_front();
        ui.show(MessageKind::information, kNoticeTitle, notices_text(result.run.notices));
    }
    return result;
}

}  // namespace qelt::forms
