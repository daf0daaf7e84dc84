#include "app/run.h"

#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "alignment/placement.h"
#include "app/run_hintcad.h"
#include "app/run_steps.h"
#include "base/data_error.h"
#include "base/text.h"
#include "base/utf8_path.h"
#include "input/hintcad_files.h"
#include "input/list_events.h"
#include "input/profile_readers.h"
#include "input/readers.h"
#include "input/surveyed_points.h"
#include "input/terrain_readers.h"
#include "station/station.h"

namespace qelt {

namespace {

// The files of read_line's steps as the user chooses them, and the one that a failure naming
// no file concerns: the one chosen last.
class LineFiles {
  public:
    explicit LineFiles(RunUi& ui) : ui_(ui) {}
    std::string choose(const FileDialog& dialog) {
        auto path = ui_.choose_file(dialog);
        if (!path) throw DialogCancelled(job_input(dialog.role).not_chosen);
        last_ = *path;
        return last_;
    }
    const std::string& last() const { return last_; }

  private:
    RunUi& ui_;
    std::string last_;
};

// The run's user interface as read_line and the readers meet it, remembering the files the user
// chose (the alignment file, for the lines a list's groups name in it) and, where the run is to
// read a line the user did not choose (one a group names), naming that line.
class KeptChoices : public RunUi {
  public:
    explicit KeptChoices(RunUi& ui) : ui_(ui) {}
    std::optional<std::string> choose_file(const FileDialog& dialog) override {
        std::optional<std::string> path = ui_.choose_file(dialog);
        if (path) chosen_[dialog.role] = *path;
        return path;
    }
    void show_error_box(const std::string& text, const std::string& title) override {
        ui_.show_error_box(text, title);
    }
    void show_data_message(const std::string& text) override { ui_.show_data_message(text); }
    void bring_main_window_to_front() override { ui_.bring_main_window_to_front(); }
    std::optional<std::size_t> choose_alignment(
        const std::string& file, const std::vector<AlignmentChoice>& choices) override {
        return ui_.choose_alignment(file, choices);
    }
    std::optional<std::string> alignment_name() const override {
        return line_name ? line_name : ui_.alignment_name();
    }
    bool answers_up_front() const override { return ui_.answers_up_front(); }
    bool reads_profile() const override { return ui_.reads_profile(); }
    std::optional<std::string> profile_name() const override { return ui_.profile_name(); }
    std::optional<std::size_t> choose_profile(const std::string& file,
                                              const std::vector<std::string>& names) override {
        return ui_.choose_profile(file, names);
    }
    std::optional<std::string> file_given(DialogRole role) const override {
        return ui_.file_given(role);
    }

    // The file chosen in the dialog of `role`, "" when none was.
    std::string chosen(DialogRole role) const {
        const auto it = chosen_.find(role);
        return it == chosen_.end() ? std::string() : it->second;
    }
    std::optional<std::string> line_name;  // the line to read, in place of the user's answer

  private:
    RunUi& ui_;
    std::map<DialogRole, std::string> chosen_;
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
                    "平面资料文件中已有断链（LandXML 的 StaEquation 或 IFC 的 STATION 桩号），"
                    "不能再用断链资料文件“" +
                        *given + "”；请去掉断链资料文件，或去掉平面资料文件中的断链",
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

std::string error_box_text(const std::string& reason, const std::string& file, long line) {
    std::string text = std::string(kErrorBoxText) + "\n";
    if (!file.empty()) {
        text += "\n位置：" + file.substr(file.find_last_of("/\\") + 1);
        if (line > 0) text += " 第 " + std::to_string(line) + " 行";
    }
    if (!reason.empty()) text += "\n原因：" + reason;
    return text;
}

void read_line(RunUi& ui, AlignmentSource& source, Alignment& alignment,
               std::vector<std::string>& notices) {
    LineFiles files(ui);
    try {
        const std::string line_file = files.choose(kAlignmentDialog);
        alignment = source.read(line_file, ui);
        notices.insert(notices.end(), alignment.notices.begin(), alignment.notices.end());
        read_chain_breaks(ui, files, alignment);
        if (!ui.reads_profile()) {
            // No heights unless asked for, whatever the line's file carries (an IFC model's
            // vertical), so that a run without them is the run it always was.
            alignment.profile.reset();
        } else if (alignment.profile &&
                   (!ui.answers_up_front() || ui.file_given(DialogRole::profile) == line_file)) {
            // The model's own vertical (IFC), asked for by the desktop's box or by naming the
            // model again as the profile.
        } else {
            // A desktop user whose LandXML line carries its design profile is not asked for a
            // file again: the line's own profile is taken, chosen from a list where it has
            // several. On the command line --profile names the file, the same one or another.
            std::vector<std::string> own;
            if (!ui.answers_up_front()) own = profiles_in_line_file(line_file, alignment.name);
            std::optional<std::string> name = ui.profile_name();
            std::string path;
            if (own.empty()) {
                path = files.choose(kProfileDialog);
            } else {
                path = line_file;
                if (own.size() > 1 && !name) {
                    const std::optional<std::size_t> i = ui.choose_profile(line_file, own);
                    if (!i || *i >= own.size()) throw DataError("未选择纵断面", line_file);
                    name = own[*i];
                }
            }
            alignment.profile = read_profile_file(path, alignment.breaks, alignment.name, name);
            notices.insert(notices.end(), alignment.profile->notices.begin(),
                           alignment.profile->notices.end());
        }
        // The ground line the LandXML line carries (ProfSurf) goes with the heights to the
        // section drawing, where no terrain is given.
        if (ui.reads_profile()) read_ground_line(line_file, alignment);
    } catch (const DialogCancelled&) {
        throw;
    } catch (const DataError& e) {
        if (!e.file().empty()) throw;
        throw DataError(e.what(), files.last(), e.line());
    }
}

namespace {

// Why a run ends before its table is complete. Thrown by the step that finds it and handled in
// one place, which closes the list file, tells the user and fills in the result.
struct RunStop {
    RunOutcome outcome;
    std::string message;  // the result's message
    std::string file;     // the file and 1-based line it concerns, when known
    long line = 0;
    bool cancelled = false;  // a dialog was cancelled: the box says no more than the sentence
};

// One table run: the line, then a loop over the list's events.
class TableRun {
  public:
    TableRun(RunUi& ui, AlignmentSource& source, Alignment& alignment, RecordSink& records,
             RunProgress* progress, const ListFile& list, std::vector<Alignment>* named_lines)
        : ui_(ui),
          kept_(ui),
          source_(source),
          alignment_(alignment),
          records_(records),
          progress_(progress),
          list_file_(list),
          named_lines_(named_lines ? *named_lines : own_named_lines_) {
        named_lines_.clear();
    }
    RunResult run();

  private:
    void read_ground();
    void open_list();
    void write_list();
    void write_row(const ListEvent& event);
    void finish();
    const Alignment& named_line(const std::string& name);

    // A failure of the list phase: the table written so far is kept, and the message names the
    // line of the list file that could not be processed.
    RunStop row_failure(const std::string& detail, long line) const {
        return {RunOutcome::borehole_failure, list_->at_line(line) + detail, list_->path(), line};
    }
    void stop(const RunStop& reason);

    RunUi& ui_;
    KeptChoices kept_;  // ui_ as read_line met it
    AlignmentSource& source_;
    Alignment& alignment_;  // the line and its stationing, once read_line has built them
    RecordSink& records_;
    RunProgress* progress_;
    ListFile list_file_;
    RunResult result_;
    std::unique_ptr<ListEvents> list_;
    std::shared_ptr<const Terrain> terrain_;
    std::string project_line_;
    std::string group_title_;  // the group being written
    int group_number_ = 0;
    std::optional<double> crossing_angle_;  // the group's, degrees; nothing when square
    // The lines the list's groups name other than alignment_, each read once, in the order
    // first named; the group being written is on line_ (alignment_ or one of these).
    std::vector<Alignment> own_named_lines_;
    std::vector<Alignment>& named_lines_;
    const Alignment* line_ = nullptr;
    bool table_begun_ = false;
};

RunResult TableRun::run() {
    try {
        // Choosing and reading the files and building the alignment share one error path.
        // Nothing has been written yet, so a failure here leaves no table at all.
        try {
            // A list whose every group names its line needs no choice of the run's line: the
            // first line named stands in for it (the drawing's first line).
            if (list_file_.kind == ListKind::boreholes && !ui_.alignment_name())
                if (const auto list = ui_.file_given(list_file_.dialog.role)) {
                    const ListGroupsSummary groups = summarize_groups(*list);
                    if (!groups.unnamed && !groups.lines.empty())
                        kept_.line_name = groups.lines.front();
                }
            try {
                read_line(kept_, source_, alignment_, result_.notices);
            } catch (const DataError& e) {
                // The name came from the list, not from the user's answer: say so.
                if (!kept_.line_name || ui_.alignment_name()) throw;
                const auto list = ui_.file_given(list_file_.dialog.role);
                throw DataError("钻孔资料文件“" + utf8_of(path_from_utf8(*list).filename()) +
                                    "”的分组指定线路 @" + *kept_.line_name + "：" + e.what(),
                                e.file(), e.line());
            }
            kept_.line_name.reset();
            line_ = &alignment_;
            read_ground();
            open_list();
        } catch (const DialogCancelled& e) {
            throw RunStop{RunOutcome::data_error, e.what(), {}, 0, true};
        } catch (const DataError& e) {
            throw RunStop{RunOutcome::data_error, e.what(), e.file(), e.line()};
        } catch (const std::exception& e) {
            throw RunStop{RunOutcome::data_error, e.what(), {}, 0};
        }
        // From here on the table is begun, and a failure keeps the rows written so far.
        records_.begin_table();
        table_begun_ = true;
        result_.file = list_->path();
        try {
            write_list();
        } catch (const DataError& e) {
            throw row_failure(e.what(), e.line());
        }
        finish();
    } catch (const RunStop& reason) {
        stop(reason);
    }
    return result_;
}

}  // namespace

std::shared_ptr<const Terrain> read_ground(RunUi& ui, const std::string& line_file,
                                           const Alignment& alignment,
                                           std::vector<std::string>& notices) {
    if (!ui.reads_terrain()) return nullptr;
    if (const auto dmx = ui.file_given(DialogRole::ground_line))
        return std::make_shared<const Terrain>(
            read_hintcad_ground(ui, *dmx, ui.file_given(DialogRole::sections), alignment, notices));
    // The design software exports the existing ground with the alignment: a desktop user whose
    // LandXML line carries a TIN surface is offered it rather than a dialog, chosen from a list
    // where it has several. On the command line --terrain names the file, the same one or another.
    std::vector<SurfaceSummary> own;
    if (!ui.answers_up_front() && !line_file.empty()) own = surfaces_in_line_file(line_file);
    std::optional<std::string> path;
    std::optional<std::string> name = ui.terrain_name();
    if (own.empty()) {
        path = ui.choose_file(kTerrainDialog);
        if (!path) throw DataError(job_input(DialogRole::terrain).not_chosen);
    } else {
        path = line_file;
        std::size_t i = 0;
        if (own.size() > 1) {
            std::vector<std::string> names;
            for (const SurfaceSummary& s : own) names.push_back(s.name);
            const std::optional<std::size_t> chosen = ui.choose_surface(line_file, names);
            if (!chosen || *chosen >= own.size()) throw DataError("未选择地面模型", line_file);
            i = *chosen;
            name = own[i].name;
        }
        notices.push_back("地面高程取自平面资料文件“" +
                          utf8_of(path_from_utf8(line_file).filename()) + "”中的地面模型“" +
                          own[i].name + "”");
    }
    if (is_hintcad_file(*path, HintcadKind::ground_line))
        return std::make_shared<const Terrain>(
            read_hintcad_ground(ui, *path, std::nullopt, alignment, notices));
    if (is_hintcad_file(*path, HintcadKind::sections))
        return std::make_shared<const Terrain>(
            read_hintcad_ground(ui, std::nullopt, *path, alignment, notices));
    try {
        return std::make_shared<const Terrain>(read_terrain(*path, name));
    } catch (const DataError& e) {
        if (!e.file().empty()) throw;
        throw DataError(e.what(), *path, e.line());
    }
}

namespace {

void TableRun::read_ground() {
    terrain_ =
        qelt::read_ground(ui_, kept_.chosen(DialogRole::alignment), alignment_, result_.notices);
    if (!terrain_) return;
    records_.ground_from(terrain_->source());
    result_.terrain = terrain_;
}

void TableRun::open_list() {
    auto path = ui_.choose_file(list_file_.dialog);
    if (!path) throw DialogCancelled(job_input(list_file_.dialog.role).not_chosen);
    // A points file may be the survey crew's own (CASS, PNEZD), told by its name.
    list_ = list_file_.kind == ListKind::points ? read_points_list(*path)
                                                : read_grouped_list(*path, list_file_.kind);
}

// The list's events up to its end; a refusal stops the run.
void TableRun::write_list() {
    using Kind = ListEvent::Kind;
    for (;;) {
        const ListEvent& event = list_->next();
        result_.notices.insert(result_.notices.end(), event.notices.begin(), event.notices.end());
        switch (event.kind) {
            case Kind::project:
                // The project line names the project, for the page headers.
                project_line_ = event.text;
                result_.project = std::string(trim_blanks(project_line_));
                break;
            case Kind::group:
                // The group's rows must fit on the sheet, and so must the note row after it.
                if (!records_.group_fits(event.group.count))
                    throw row_failure("表格超过工作表的最大行数 " +
                                          std::to_string(records_.max_rows()) + "，请将" +
                                          list_->data_name() + "分成几个文件",
                                      event.line);
                group_title_ = event.group.title;
                group_number_ = event.group.number;
                crossing_angle_ = event.group.crossing_angle;
                try {
                    line_ = &named_line(event.group.line_name);
                } catch (const DataError& e) {
                    std::string file;
                    if (!e.file().empty())
                        file = "（" + utf8_of(path_from_utf8(e.file()).filename()) + "）";
                    throw row_failure("分组“" + group_title_ + "”的线路“@" + event.group.line_name +
                                          "”：" + e.what() + file,
                                      event.line);
                }
                records_.begin_group({group_title_, event.group.count, group_number_,
                                      event.group.crossing_angle_text, event.group.line_name});
                break;
            case Kind::row:
                write_row(event);
                break;
            case Kind::group_end:
                records_.end_group();
                break;
            case Kind::refused:
                // The table keeps the serial number of the row that failed.
                if (event.row.serial > 0) records_.begin_row(event.row.serial);
                throw RunStop{RunOutcome::borehole_failure, event.text, list_->path(), event.line};
            case Kind::end:
                return;
        }
    }
}

void TableRun::write_row(const ListEvent& event) {
    const ListRow& row = event.row;
    records_.begin_row(row.serial);
    StationOffset at = row.at;
    at.crossing_angle = crossing_angle_;
    const PlacedBorehole placed = list_file_.kind == ListKind::points
                                      ? place_surveyed(*line_, row.name, row.point)
                                      : place_borehole(*line_, at);
    for (const std::string& notice : placed.notices)
        result_.notices.push_back(list_->at_line(event.line) + notice);
    switch (placed.outcome) {
        case PlacementOutcome::placed:
            break;
        case PlacementOutcome::station_rejected:
            // The station's own message is shown and the run ends quietly; the table keeps what
            // it has, this row's serial number included.
            throw RunStop{RunOutcome::station_rejected, placed.message, list_->path(), event.line};
        case PlacementOutcome::not_on_line:
        case PlacementOutcome::not_computable:
            throw row_failure(placed.message, event.line);
    }
    BoreholeRecord record;
    record.group = group_title_;
    record.group_number = group_number_;
    record.serial = row.serial;
    record.name = row.name;
    record.station = placed.station;
    record.station_value = placed.station_value;
    record.mileage = placed.mileage;
    record.offset = placed.offset;
    record.offset_text = row.at.offset_text;
    record.x = placed.point.x;
    record.y = placed.point.y;
    record.remark = row.remark;
    record.design_elevation = placed.design_elevation;
    record.collar_elevation = row.height;
    record.crossing_angle = crossing_angle_;
    record.line = line_->name;
    record.centre_x = placed.centre.x;
    record.centre_y = placed.centre.y;
    if (terrain_) {
        // The ground at the hole itself, not at its foot on the centre line: a hole 20 m off
        // a hillside road stands on other ground than the line.
        record.ground_elevation = terrain_->elevation({record.x, record.y});
        if (!record.ground_elevation)
            result_.notices.push_back(list_->at_line(event.line) + "钻孔" +
                                      terrain_->why_none({record.x, record.y}) + "，没有地面高程");
    }
    records_.record(record);
    ++result_.boreholes;
    if (progress_) progress_->borehole_done(result_.boreholes);
}

// The line a group names, read from the run's alignment file with its own stationing (its
// station equations, or none: a chain-break file belongs to the line it was chosen for) and,
// where the run reads heights, its own profile from the same file (an IFC model's vertical, a
// LandXML file's ProfAlign for it). Unnamed: the run's line.
const Alignment& TableRun::named_line(const std::string& name) {
    if (name.empty() || name == alignment_.name) return alignment_;
    for (const Alignment& line : named_lines_)
        if (line.name == name) return line;
    const std::string path = kept_.chosen(DialogRole::alignment);
    if (!alignment_file_is_model(path))
        throw DataError("平面资料文件“" + utf8_of(path_from_utf8(path).filename()) +
                        "”是文本文件，只有一条线路，不能用 @名称 指定线路；@名称 用于含多条线路的 "
                        "LandXML 或 IFC 文件");
    KeptChoices named(ui_);
    named.line_name = name;
    Alignment line = source_.read(path, named);
    result_.notices.insert(result_.notices.end(), line.notices.begin(), line.notices.end());
    if (line.break_source != ChainBreakSource::line) line.breaks.dl_count = 0;
    dl_complete(line.breaks, line.start_mileage(), line.end_mileage());
    if (!ui_.reads_profile()) {
        line.profile.reset();
    } else if (!line.profile) {
        if (!profiles_in_line_file(path, line.name).empty()) {
            line.profile = read_profile_file(path, line.breaks, line.name, std::nullopt);
            result_.notices.insert(result_.notices.end(), line.profile->notices.begin(),
                                   line.profile->notices.end());
        } else {
            result_.notices.push_back("线路“" + line.name + "”在文件“" +
                                      utf8_of(path_from_utf8(path).filename()) +
                                      "”中没有纵断面：它的钻孔没有设计高程");
        }
    }
    named_lines_.push_back(std::move(line));
    return named_lines_.back();
}

void TableRun::finish() {
    list_->close();
    if (!records_.note_fits())
        throw RunStop{RunOutcome::borehole_failure,
                      "表格超过工作表的最大行数 " + std::to_string(records_.max_rows()) +
                          "，无法写入注释行，请将" + list_->data_name() + "分成几个文件",
                      list_->path(), 0};
    records_.finish(project_line_);
}

void TableRun::stop(const RunStop& reason) {
    if (list_) list_->close();
    if (table_begun_) records_.stopped(project_line_);
    result_.outcome = reason.outcome;
    result_.message = reason.message;
    result_.file = reason.file;
    result_.line = reason.line;
    ui_.bring_main_window_to_front();
    if (reason.outcome == RunOutcome::data_error)
        ui_.show_failure(reason.cancelled ? std::string() : reason.message, reason.file,
                         reason.line);
    else if (reason.outcome == RunOutcome::station_rejected)
        ui_.show_data_message(reason.message);
    else
        ui_.show_error_box(reason.message, kErrorBoxTitle);
}

}  // namespace

RunResult run_list_table(RunUi& ui, AlignmentSource& source, Alignment& alignment,
                         RecordSink& records, RunProgress* progress, const ListFile& list,
                         std::vector<Alignment>* named_lines) {
    return TableRun(ui, source, alignment, records, progress, list, named_lines).run();
}

RunResult run_coordinate_table(RunUi& ui, AlignmentSource& source, Alignment& alignment,
                               RecordSink& records, RunProgress* progress,
                               std::vector<Alignment>* named_lines) {
    return run_list_table(ui, source, alignment, records, progress,
                          {kBoreholeDialog, ListKind::boreholes}, named_lines);
}

FieldSet borehole_list_fields(const std::string& list_file) {
    const ListGroupsSummary groups = summarize_groups(list_file);
    FieldSet present;
    if (groups.skewed) present = present.with(RecordField::crossing_angle);
    if (!groups.lines.empty()) present = present.with(RecordField::line);
    return present;
}

}  // namespace qelt
