#include "app/forms/desktop_run.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "app/forms/desktop_run_ui.h"
#include "app/run_deliverables.h"
#include "app/run_output.h"
#include "base/platform.h"
#include "base/text.h"

namespace qelt::forms {

namespace {

// The run's deliverables, begun only when the run starts its table: the borehole file is chosen
// by then, and a run that ends before it leaves no file behind. They go beside the borehole
// file, or into the Documents folder when that folder cannot be written, and each takes the
// first free name there.
class DeliverySheet : public RecordFanout {
  public:
    // The files of `command` (kTableCommand, kInverseCommand) that the desktop delivers: the
    // rows of kDeliverables with an extension of their own.
    DeliverySheet(const DesktopRunUi& ui, const RunOptions& options, Desktop& desktop,
                  const TableLayout& layout, unsigned command, TableJob& job)
        : ui_(ui),
          options_(options),
          desktop_(desktop),
          layout_(layout),
          command_(command),
          job_(job) {}

    void begin_table() override {
        folder_ = delivery_folder(desktop_, ui_.borehole_file);
        DeliverableTargets targets;
        for (const DeliverableKind& f : kDeliverables)
            if (wanted(f))
                targets.of(f.file) =
                    join_path(folder_, numbered_workbook_name(stem(f), 1, f.extension),
                              desktop_.path_style());
        // A folder that cannot be written after all is told when the workbook is delivered.
        const FieldSet present = job_.fields(options_, command_ == kInverseCommand);
        out_.emplace(command_ == kInverseCommand ? as_drilled_layout(present) : layout_, targets,
                     options_.grid, present);
        out_->create();
        add(*out_);
        RecordFanout::begin_table();
    }

    long last_data_row() const { return out_ ? out_->last_data_row() : 0; }
    bool begun() const { return out_.has_value(); }
    // The table of a stopped run takes a name that says it is incomplete.
    void set_incomplete() { incomplete_ = true; }
    // Removes every file not delivered, the temporary files beside the table included.
    void discard() { out_.reset(); }

    // Writes the workbook and gives it its name: the path, or the message saying why it could
    // not be written.
    std::optional<std::string> deliver_workbook_file(std::string& error) {
        out_->close_table();
        PendingFile& file = *out_->file(Deliverable::workbook);
        if (file.failed()) {
            error = write_failure_message(file.target(), file.failure_reason());
            return std::nullopt;
        }
        return give_name(deliverable(Deliverable::workbook), error);
    }

    // Writes the files made from the records, of `alignment`, the maps titled by `project`
    // (the borehole file's name when it has none); only after the workbook is delivered.
    void write_files(const Alignment& alignment, const std::string& project,
                     std::span<const Alignment> further_lines, const Terrain* ground) {
        out_->set_ground(ground);
        out_->set_section_scales(options_.section_scales);
        out_->set_line_model(job_.line_model(ui_.alignment_file));
        out_->write_files(alignment,
                          project.empty() ? workbook_stem(ui_.borehole_file, "") : project,
                          further_lines);
    }
    // Why `file` could not be made, or null.
    const RunDeliverables::Refusal* refusal(Deliverable file) const {
        for (const RunDeliverables::Refusal& r : out_->refusals())
            if (r.file == file) return &r;
        return nullptr;
    }
    // Gives `file` its name beside the workbook: the path, or nothing with the message in
    // `error`.
    std::optional<std::string> deliver(Deliverable file, std::string& error) {
        PendingFile& pending = *out_->file(file);
        if (pending.failed()) {
            error = write_failure_message(pending.target(), pending.failure_reason());
            return std::nullopt;
        }
        return give_name(deliverable(file), error);
    }
    bool wanted(const DeliverableKind& f) const {
        if (f.file == Deliverable::section && !section_has_heights(options_)) return false;
        // The holes' model goes into the BIM model the line came from: a line typed as text
        // has no model to go into on the desktop (qelt-cli --ifc makes one).
        if (f.file == Deliverable::ifc) {
            if (!ifc_line_) ifc_line_ = RunDeliverables::is_ifc_model(ui_.alignment_file);
            if (!*ifc_line_) return false;
        }
        return f.extension && (f.commands & command_);
    }

  private:
    std::string stem(const DeliverableKind& f) const {
        if (f.desktop_suffix) return workbook_stem(ui_.borehole_file, f.desktop_suffix);
        // Appended rather than "_" + title: g++ 12 at -O3 warns falsely (-Wrestrict) on
        // prepending to a temporary.
        std::string suffix = "_";
        suffix += title_of(layout_, !incomplete_);
        return workbook_stem(ui_.borehole_file, suffix);
    }
    // The workbook and the files that go with it take one number (set_number_taken).
    bool taken(const std::string& path, const DeliverableKind& own) const {
        std::vector<SetMember> set;
        for (const DeliverableKind& f : kDeliverables)
            if (wanted(f)) set.push_back({stem(f), f.extension});
        return set_number_taken(path, {stem(own), own.extension}, set, folder_,
                                desktop_.path_style(), delivered_,
                                [this](const std::string& p) { return desktop_.exists(p); });
    }
    std::optional<std::string> give_name(const DeliverableKind& f, std::string& error) {
        PendingFile& file = *out_->file(f.file);
        DeliveryFiles files;
        files.exists = [this, &f](const std::string& p) { return taken(p, f); };
        files.move = [&file](const std::string& p) { return file.commit_no_replace(p); };
        files.reason = write_failure_reason;
        std::optional<std::string> path =
            deliver_workbook(folder_, stem(f), desktop_.path_style(), files, error, f.extension);
        if (path) delivered_.push_back(*path);
        return path;
    }

    const DesktopRunUi& ui_;
    const RunOptions& options_;
    Desktop& desktop_;
    const TableLayout& layout_;
    unsigned command_;
    TableJob& job_;
    std::optional<RunDeliverables> out_;
    std::string folder_;
    std::vector<std::string> delivered_;  // where this run's files went
    bool incomplete_ = false;
    mutable std::optional<bool> ifc_line_;  // whether the line came from an IFC model
};

// What a desktop run delivers: its table laid out as `layout`, and the files of `command` made
// of the records and `job`'s alignment, as `options` ask.
struct Delivery {
    const TableLayout& layout;
    TableJob& job;
    unsigned command;
    const RunOptions& options;
};

// Where the file `d` went, in the result.
std::string* path_of(TableRunResult& result, Deliverable d) {
    switch (d) {
        case Deliverable::drawing:
            return &result.drawing;
        case Deliverable::stakeout:
            return &result.stakeout;
        case Deliverable::kml:
            return &result.map;
        case Deliverable::section:
            return &result.section;
        case Deliverable::ifc:
            return &result.model;
        default:
            return nullptr;
    }
}

TableRunResult run_and_deliver(
    Desktop& desktop, const Delivery& delivery,
    const std::function<RunResult(RunUi&, const RunOptions&, RecordSink&)>& run) {
    TableRunResult result;
    BusyCursor busy(desktop);
    DesktopRunUi ui(desktop, busy);
    DeliverySheet sheet(ui, delivery.options, desktop, delivery.layout, delivery.command,
                        delivery.job);
    result.run = run(ui, delivery.options, sheet);
    // The lines of the closing box about the files besides the table.
    std::vector<std::string> told;
    const bool complete = result.run.outcome == RunOutcome::complete;
    if (sheet.begun() && result.run.boreholes == 0) {
        // A run that wrote no borehole has no table to give: an empty workbook, drawing or
        // stakeout file would only be mistaken for results.
        told.push_back(no_borehole_written_text(delivery.layout.title));
    } else if (sheet.begun()) {
        std::string error;
        std::vector<std::string> errors;
        if (!complete) sheet.set_incomplete();
        if (std::optional<std::string> path = sheet.deliver_workbook_file(error)) {
            result.workbook = *path;
            // The drawing, the stakeout and the map are made of a complete set only: a crew
            // sent out with part of the holes, or a drawing missing some, would pass for the
            // whole. The incomplete table says what is missing.
            if (!complete) told.push_back(incomplete_set_text(delivery.layout.title));
            if (complete) {
                sheet.write_files(delivery.job.alignment(), result.run.project,
                                  delivery.job.named_lines(), result.run.terrain.get());
                // The files no program opens: the box says where each went, or why it did
                // not come.
                for (const DeliverableKind& d : kDeliverables) {
                    if (!d.desktop_name || !sheet.wanted(d)) continue;
                    if (const RunDeliverables::Refusal* why = sheet.refusal(d.file)) {
                        told.push_back(desktop_refused_text(*why));
                        continue;
                    }
                    std::string file_error;
                    if (std::optional<std::string> p = sheet.deliver(d.file, file_error)) {
                        if (std::string* path = path_of(result, d.file)) *path = *p;
                        told.push_back(desktop_written_text(d.file, *p));
                    } else {
                        errors.push_back(file_error);
                    }
                }
            }
            const TableExtent extent{complete, sheet.last_data_row(), result.run.boreholes};
            sheet.discard();
            busy.pause();
            if (!desktop.open_document(result.workbook))
                ui.show(MessageKind::information, delivery.layout.title,
                        workbook_not_opened_text(result.workbook, delivery.layout.title, extent));
            for (const std::string& e : errors) {
                ui.bring_main_window_to_front();
                ui.show(MessageKind::error, kErrorBoxTitle, e);
            }
        } else {
            ui.bring_main_window_to_front();
            ui.show(MessageKind::error, kErrorBoxTitle, error);
        }
    }
    sheet.discard();
    // Last, in one box: where the drawing and the points went (no program opens them), why a
    // map did not come, and what the run computed but the user should know.
    // The comparison's count first: what the engineer opened the run for.
    std::string text = result.run.comparison;
    // The holes and metres to drill, where the list plans them: the outline's and the
    // contract's figure.
    if (!result.run.workload.empty()) text += (text.empty() ? "" : "\n") + result.run.workload;
    for (const std::string& line : told) text += (text.empty() ? "" : "\n") + line;
    if (!result.run.notices.empty()) {
        if (!text.empty()) text += "\n\n";
        text += notices_text(result.run.notices);
    }
    if (!text.empty()) {
        ui.bring_main_window_to_front();
        ui.show(MessageKind::information, kNoticeTitle, text);
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
    std::string name = choice.name.empty() ? "（无名称）" : choice.name;
    // Two alignments of one name: the rows say which is which by their place in the file.
    if (choice.twin > 0)
        name += twin_mark(choice.twin) + "（第 " + std::to_string(choice.line) + " 行）";
    // An alignment the file describes wrongly is listed all the same: chosen, the run says why
    // it cannot be built.
    if (!std::isfinite(choice.length)) return name + "    （数据有误）";
    return name + "    长 " + length + " 米    " + choice.start_station + " ～ " +
           choice.end_station;
}

std::string profile_list_prompt(const std::string& file, std::size_t count) {
    return "“" + std::string(file_name_of(file)) + "”中这条线路有 " + std::to_string(count) +
           " 条设计纵断面，请选择一条：";
}

std::string surface_list_prompt(const std::string& file, std::size_t count) {
    return "“" + std::string(file_name_of(file)) + "”中有 " + std::to_string(count) +
           " 个地面模型，请选择一个：";
}

TableRunResult run_table(Desktop& desktop, Method method, const RunOptions& options) {
    TableJob job(method);
    return run_and_deliver(desktop, {kBoreholeTable, job, kTableCommand, options},
                           [&job](RunUi& ui, const RunOptions& o, RecordSink& records) {
                               return job.run(ui, o, records);
                           });
}

TableRunResult run_inverse(Desktop& desktop, Method method, const RunOptions& options) {
    TableJob job(method);
    return run_and_deliver(desktop, {kAsDrilledTable, job, kInverseCommand, options},
                           [&job](RunUi& ui, const RunOptions& o, RecordSink& records) {
                               return job.run_as_drilled(ui, o, records);
                           });
}

}  // namespace qelt::forms
