#include "app/forms/desktop_run.h"

#include <cerrno>
#include <cmath>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "app/forms/desktop_run_ui.h"
#include "app/run_output.h"
#include "base/platform.h"
#include "base/text.h"
#include "report/sheet_fanout.h"

namespace qelt::forms {

namespace {

// The workbook, begun only when the run starts its table: the borehole file is chosen by then,
// and a run that ends before it leaves no file behind. It goes beside the borehole file, or into
// the Documents folder when that folder cannot be written, and takes the first free name there.
// The plan drawing, when the run makes one, collects the same rows and goes into the same folder.
class WorkbookSheet : public Sheet {
  public:
    WorkbookSheet(const DesktopRunUi& ui, Desktop& desktop, const TableLayout& layout,
                  bool with_drawing)
        : ui_(ui), desktop_(desktop), layout_(layout), with_drawing_(with_drawing) {}

    void report_open() override {
        folder_ = delivery_folder(desktop_, ui_.borehole_file);
        // Named after its input file and the table: "<name>_钻孔数量及位置表.xlsx".
        stem_ = workbook_stem(ui_.borehole_file, std::string("_") + layout_.title);
        // A folder that cannot be written after all is told when the workbook is delivered.
        workbook_.emplace(first_choice(stem_, kWorkbookExtension), layout_);
        workbook_->create();
        std::vector<Sheet*> sheets{&workbook_->sheet()};
        if (with_drawing_) {
            drawing_.emplace(first_choice(drawing_stem(), kDrawingExtension));
            drawing_->create();
            sheets.push_back(&drawing_->sheet());
        }
        out_.emplace(std::move(sheets));
        out_->report_open();
    }
    void report_group_head(long r, const std::string& title) override {
        out_->report_group_head(r, title);
    }
    void report_serial(long row, int k) override { out_->report_serial(row, k); }
    void report_row(long row, const BoreholeRow& borehole) override {
        out_->report_row(row, borehole);
    }
    void report_point_row(long row, const PointRow& point) override {
        out_->report_point_row(row, point);
    }
    void report_group_frame(long first, long last) override {
        out_->report_group_frame(first, last);
    }
    void report_note(long row) override { out_->report_note(row); }
    void report_page_lines(long last_data_row) override { out_->report_page_lines(last_data_row); }
    void report_headers(const std::string& project_line) override {
        out_->report_headers(project_line);
    }

    bool begun() const { return workbook_.has_value(); }

    // Writes the workbook and gives it its name: the path, or the message saying why it could
    // not be written.
    std::optional<std::string> deliver(std::string& error) {
        if (!workbook_->close()) {
            error = write_failure_message(workbook_->file().target(),
                                          workbook_->file().failure_reason());
            return std::nullopt;
        }
        std::optional<std::string> path =
            give_name(workbook_->file(), stem_, kWorkbookExtension, error);
        if (path) workbook_path_ = *path;
        return path;
    }

    // Writes the drawing of `alignment` with the boreholes the run placed, and gives it its
    // name beside the workbook; only after the workbook is delivered.
    std::optional<std::string> deliver_drawing(const Alignment& alignment, std::string& error) {
        if (!drawing_->close(alignment)) {
            error =
                write_failure_message(drawing_->file().target(), drawing_->file().failure_reason());
            return std::nullopt;
        }
        return give_name(drawing_->file(), drawing_stem(), kDrawingExtension, error);
    }

  private:
    std::string drawing_stem() const { return workbook_stem(ui_.borehole_file, kDrawingSuffix); }
    std::string first_choice(const std::string& stem, const char* extension) const {
        return join_path(folder_, numbered_workbook_name(stem, 1, extension),
                         desktop_.path_style());
    }
    // The workbook and its drawing take the same number, so that "… (2).xlsx" goes with
    // "… (2).dxf" and an engineer never pairs a table with another run's drawing: a number is
    // free only where both names are (the workbook just delivered aside, when its drawing is
    // named after it).
    bool taken(const std::string& path, const std::string& stem, const char* extension) const {
        if (desktop_.exists(path)) return true;
        if (!with_drawing_) return false;
        const bool naming_workbook = std::string_view(extension) == kWorkbookExtension;
        std::string_view number = file_name_of(path);
        number.remove_prefix(stem.size());
        number.remove_suffix(std::string_view(extension).size());
        const std::string partner =
            join_path(folder_,
                      (naming_workbook ? drawing_stem() : stem_) + std::string(number) +
                          (naming_workbook ? kDrawingExtension : kWorkbookExtension),
                      desktop_.path_style());
        return partner != workbook_path_ && desktop_.exists(partner);
    }
    std::optional<std::string> give_name(PendingFile& file, const std::string& stem,
                                         const char* extension, std::string& error) {
        DeliveryFiles files;
        files.exists = [this, &stem, extension](const std::string& p) {
            return taken(p, stem, extension);
        };
        files.move = [&file](const std::string& p) { return file.commit_no_replace(p); };
        files.reason = write_failure_reason;
        return deliver_workbook(folder_, stem, desktop_.path_style(), files, error, extension);
    }

    const DesktopRunUi& ui_;
    Desktop& desktop_;
    const TableLayout& layout_;
    bool with_drawing_;
    std::optional<PendingWorkbook> workbook_;
    std::optional<PendingDrawing> drawing_;
    std::optional<SheetFanout> out_;
    std::string folder_, stem_;
    std::string workbook_path_;  // where the workbook went, once delivered
};

// What a desktop run delivers: its table laid out as `layout`, and for the coordinate table
// the plan drawing of `drawn`'s alignment.
struct Delivery {
    const TableLayout& layout;
    const TableJob* drawn;  // null: no drawing
};

TableExtent extent_of(const RunResult& run) {
    return {run.outcome == RunOutcome::complete, run.last_data_row, run.boreholes};
}

TableRunResult run_and_deliver(Desktop& desktop, const Delivery& delivery,
                               const std::function<RunResult(RunUi&, Sheet&)>& run) {
    TableRunResult result;
    BusyCursor busy(desktop);
    DesktopRunUi ui(desktop, busy);
    WorkbookSheet sheet(ui, desktop, delivery.layout, delivery.drawn != nullptr);
    result.run = run(ui, sheet);
    if (sheet.begun()) {
        std::string error, drawing_error;
        if (std::optional<std::string> path = sheet.deliver(error)) {
            result.workbook = *path;
            // The drawing, like the table, shows the boreholes written so far when the run
            // stopped; its alignment exists whenever the table was begun.
            if (delivery.drawn && result.run.outcome != RunOutcome::data_error) {
                if (std::optional<std::string> drawing =
                        sheet.deliver_drawing(delivery.drawn->alignment(), drawing_error))
                    result.drawing = *drawing;
            }
            busy.pause();
            if (!desktop.open_document(result.workbook))
                ui.show(MessageKind::information, delivery.layout.title,
                        workbook_not_opened_text(result.workbook, delivery.layout.title,
                                                 extent_of(result.run)));
            if (!drawing_error.empty()) {
                ui.bring_main_window_to_front();
                ui.show(MessageKind::error, kErrorBoxTitle, drawing_error);
            }
        } else {
            ui.bring_main_window_to_front();
            ui.show(MessageKind::error, kErrorBoxTitle, error);
        }
    }
    // Last, in one box: where the drawing went (no program opens it) and what the run computed
    // but the user should know.
    std::string told = result.drawing.empty() ? "" : drawing_written_text(result.drawing);
    if (!result.run.notices.empty()) {
        if (!told.empty()) told += "\n\n";
        told += notices_text(result.run.notices);
    }
    if (!told.empty()) {
        ui.bring_main_window_to_front();
        ui.show(MessageKind::information, kNoticeTitle, told);
    }
    return result;
}

}  // namespace

std::string alignment_list_prompt(const std::string& file, std::size_t count) {
    return "“" + std::string(file_name_of(file)) + "”中有 " + std::to_string(count) +
           " 条线路，请选择一条：";
}

std::string alignment_choice_text(const AlignmentChoice& choice) {
    const std::string length = fixed_text(choice.length, 3);
    const std::string name = choice.name.empty() ? "（无名称）" : choice.name;
    // An alignment the file describes wrongly is listed all the same: chosen, the run says why
    // it cannot be built.
    if (!std::isfinite(choice.length)) return name + "    （数据有误）";
    return name + "    长 " + length + " 米    " + choice.start_station + " ～ " +
           choice.end_station;
}

TableRunResult run_table(Desktop& desktop, Method method) {
    TableJob job(method);
    return run_and_deliver(desktop, {kBoreholeTable, &job},
                           [&job](RunUi& ui, Sheet& sheet) { return job.run(ui, sheet); });
}

TableRunResult run_inverse(Desktop& desktop, Method method) {
    TableJob job(method);
    return run_and_deliver(desktop, {kAsDrilledTable, nullptr}, [&job](RunUi& ui, Sheet& sheet) {
        return job.run_as_drilled(ui, sheet);
    });
}

}  // namespace qelt::forms
