#include "app/run.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "alignment/hole_depth.h"
#include "alignment/placement.h"
#include "app/run_hintcad.h"
#include "app/run_steps.h"
#include "base/data_error.h"
#include "base/text.h"
#include "base/utf8_path.h"
#include "input/hintcad/hintcad_files.h"
#include "input/profile_readers.h"
#include "input/survey/surveyed_points.h"
#include "input/survey/terrain_readers.h"
#include "input/text/list_events.h"
#include "input/text/readers.h"
#include "report/field/stakeout.h"
#include "report/record_fanout.h"
#include "report/tables/workload.h"
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

// What the run says of a line whose model file gives it no design profile.
std::string no_profile_notice(const std::string& line, const std::string& file) {
    return "线路“" + line + "”在文件“" + utf8_of(path_from_utf8(file).filename()) +
           "”中没有纵断面：它的钻孔没有设计高程";
}

// The run's user interface passed on unchanged, for a step that listens in on some of it.
class ForwardingUi : public RunUi {
  public:
    explicit ForwardingUi(RunUi& ui) : ui_(ui) {}
    std::optional<std::string> choose_file(const FileDialog& dialog) override {
        return ui_.choose_file(dialog);
    }
    void show_error_box(const std::string& text, const std::string& title) override {
        ui_.show_error_box(text, title);
    }
    void show_data_message(const std::string& text) override { ui_.show_data_message(text); }
    void bring_main_window_to_front() override { ui_.bring_main_window_to_front(); }
    void show_failure(const std::string& reason, const std::string& file, long line) override {
        ui_.show_failure(reason, file, line);
    }
    std::optional<std::size_t> choose_alignment(
        const std::string& file, const std::vector<AlignmentChoice>& choices) override {
        return ui_.choose_alignment(file, choices);
    }
    std::optional<std::size_t> choose_profile(const std::string& file,
                                              const std::vector<std::string>& names) override {
        return ui_.choose_profile(file, names);
    }
    std::optional<std::size_t> choose_surface(const std::string& file,
                                              const std::vector<std::string>& names) override {
        return ui_.choose_surface(file, names);
    }

  private:
    RunUi& ui_;
};

// The line's reader asks through this which line of a file of several the run is on: whether
// it was chosen so (the file is the source of every line it holds, their profiles included),
// and whether the user cancelled the list, which ends the run as a cancelled dialog does.
// (The command line asks nothing of a list: its refusal names the lines instead.)
class LineChoiceUi final : public ForwardingUi {
  public:
    LineChoiceUi(RunUi& ui, bool asks) : ForwardingUi(ui), asks_(asks) {}
    std::optional<std::size_t> choose_alignment(
        const std::string& file, const std::vector<AlignmentChoice>& choices) override {
        one_of_several = true;
        std::optional<std::size_t> chosen = ForwardingUi::choose_alignment(file, choices);
        cancelled = asks_ && !chosen;
        return chosen;
    }
    bool one_of_several = false;
    bool cancelled = false;

  private:
    bool asks_;
};

// The chain breaks of a line, from where its source takes them. A line of a design model
// (`model`: LandXML, IFC) numbers itself: its station equations are its chain breaks, and where
// it has none the desktop asks for no file (the command line reads one where it is given).
void read_chain_breaks(const RunOptions& options, LineFiles& files, Alignment& alignment,
                       bool model) {
    ChainBreaks& breaks = alignment.breaks;
    switch (alignment.break_source) {
        case ChainBreakSource::none:
            // Ramps carry no chain breaks; no chain-break file is asked for.
            breaks.dl_count = 0;
            break;
        case ChainBreakSource::line:
            // The line numbers itself: a chain-break file as well would be a second source of
            // one fact, and the two could disagree without a word.
            if (const auto& given = options.file(DialogRole::chain_breaks))
                throw DataError(
                    "平面资料文件中已有断链（LandXML 的 StaEquation 或 IFC 的 STATION 桩号），"
                    "不能再用断链资料文件“" +
                        *given + "”；请去掉断链资料文件，或去掉平面资料文件中的断链",
                    files.last());
            break;
        case ChainBreakSource::file_or_none:
            if ((options.up_front || model) && !options.file(DialogRole::chain_breaks)) {
                breaks.dl_count = 0;
                break;
            }
            [[fallthrough]];
        case ChainBreakSource::file: {
            const std::string path = files.choose(kChainBreakDialog);
            DetectedFile file = detect_format(path);
            refuse_other_kind(path, file.kind(), FileStep::chain_breaks);
            dl_read_file(file, breaks);
            break;
        }
    }
    dl_complete(breaks, alignment.start_mileage(), alignment.end_mileage());
}

// The ground line the LandXML line carries (ProfSurf) goes with the heights to the section
// drawing, where no terrain is given.
void read_own_ground_line(const RunOptions& options, Documents& documents,
                          const std::string& line_file, Alignment& alignment,
                          std::vector<std::string>& notices) {
    if (!options.heights) return;
    try {
        read_ground_line(documents, line_file, alignment);
    } catch (const DataError& e) {
        // A table of design elevations never reads the ground line: a damaged one stops
        // only the drawing that would draw it.
        if (options.draws_section && !options.ground) throw;
        alignment.ground_line.clear();
        notices.push_back("平面资料文件“" + utf8_of(path_from_utf8(e.file()).filename()) + "”" +
                          (e.line() > 0 ? "第 " + std::to_string(e.line()) + " 行" : "") + "：" +
                          e.what() + "：地面线未读入（本次不画用它的纵断面图）");
    }
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

std::string read_line(RunUi& run_ui, const RunOptions& options, AlignmentSource& source,
                      Alignment& alignment, std::vector<std::string>& notices) {
    LineChoiceUi ui(run_ui, !options.up_front);
    LineFiles files(ui);
    // Each run reads the files as they are now: the engineer may have corrected one since.
    source.documents().clear();
    Documents& documents = source.documents();
    try {
        const std::string line_file = files.choose(kAlignmentDialog);
        std::string profile_file = line_file;
        try {
            alignment = source.read(line_file, options, ui);
        } catch (const DataError&) {
            if (ui.cancelled) throw DialogCancelled("未选择线路");
            throw;
        }
        notices.insert(notices.end(), alignment.notices.begin(), alignment.notices.end());
        const bool model = documents.format(line_file) != FileFormat::text &&
                           documents.format(line_file) != FileFormat::hintcad;
        read_chain_breaks(options, files, alignment, model);
        if (!options.heights) {
            // No heights unless asked for, whatever the line's file carries (an IFC model's
            // vertical), so that a run without them is the run it always was.
            alignment.profile.reset();
        } else if (alignment.profile &&
                   (!options.up_front || options.file(DialogRole::profile) == line_file)) {
            // The model's own vertical (IFC), asked for by the desktop's box or by naming the
            // model again as the profile.
        } else {
            // A desktop user whose LandXML line carries its design profile is not asked for a
            // file again: the line's own profile is taken, chosen from a list where it has
            // several. On the command line --profile names the file, the same one or another.
            std::vector<std::string> own;
            if (!options.up_front)
                own = profiles_in_line_file(documents, line_file, alignment.name);
            std::optional<std::string> name = options.profile_name;
            std::string path;
            if (own.empty() && !options.up_front && model && ui.one_of_several) {
                // One line of a model of several: each line's profile is the model's, and a
                // line the model gives none goes without design elevations, as the further
                // lines of a list do; asking for a file would give one line's profile to another.
                notices.push_back(no_profile_notice(alignment.name, line_file));
            } else if (own.empty()) {
                path = files.choose(kProfileDialog);
            } else {
                path = line_file;
                if (own.size() > 1 && !name) {
                    const std::optional<std::size_t> i = ui.choose_profile(line_file, own);
                    if (!i || *i >= own.size()) throw DialogCancelled("未选择纵断面");
                    name = own[*i];
                }
            }
            if (!path.empty()) {
                alignment.profile =
                    read_profile_file(documents, path, alignment.breaks, alignment.name, name);
                notices.insert(notices.end(), alignment.profile->notices.begin(),
                               alignment.profile->notices.end());
                profile_file = path;
            }
        }
        check_profile_reach(alignment, profile_file);
        read_own_ground_line(options, documents, line_file, alignment, notices);
        return line_file;
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

// One pass of the list loop: a list's events, each row placed and its record handed to `sink`.
struct ListPass {
    ListEvents& list;
    ListKind kind;
    RecordSink& sink;
    PointNamer& namer;
    // The planned holes of a comparison: placed as the coordinate table placed them, but what
    // the table told of them already (off the line's ends, beyond the profile) is not told
    // again, they are not counted as the run's rows, and the ground is not looked up for them.
    bool planned = false;
};

// The desktop's run asks for the borehole list where its line file holds several lines, before
// the list window: a list whose every group names its line (@名称) says which line the run is on,
// and nothing is asked.
class ListNamesLineUi final : public ForwardingUi {
  public:
    // The line the list names among `choices`, or nothing; `cancelled` where the user
    // cancelled the list's dialog (then no list window either: the run ends).
    using Named = std::function<std::optional<std::size_t>(const std::vector<AlignmentChoice>&,
                                                           bool& cancelled)>;
    ListNamesLineUi(RunUi& ui, Named named) : ForwardingUi(ui), named_(std::move(named)) {}
    std::optional<std::size_t> choose_alignment(
        const std::string& file, const std::vector<AlignmentChoice>& choices) override {
        bool cancelled = false;
        if (const std::optional<std::size_t> i = named_(choices, cancelled)) return i;
        if (cancelled) return std::nullopt;
        return ForwardingUi::choose_alignment(file, choices);
    }

  private:
    Named named_;
};

// One table run: the line, then a loop over the list's events.
class TableRun {
  public:
    TableRun(RunUi& ui, const RunOptions& options, AlignmentSource& source, Alignment& alignment,
             RecordSink& records, RunProgress* progress, const ListFile& list,
             std::vector<Alignment>* named_lines, JobLists* lists,
             std::vector<PlannedHole>* planned)
        : ui_(ui),
          options_(options),
          source_(source),
          alignment_(alignment),
          records_(records),
          progress_(progress),
          list_file_(list),
          named_lines_(named_lines ? *named_lines : own_named_lines_),
          lists_(lists ? *lists : own_lists_),
          planned_(planned) {
        named_lines_.clear();
    }
    RunResult run();

  private:
    void read_ground();
    std::optional<std::size_t> line_named_by_list(const std::vector<AlignmentChoice>& choices,
                                                  bool& cancelled);
    void open_list();
    void read_planned();
    void write_list(const ListPass& pass);
    void write_row(const ListPass& pass, const ListEvent& event);
    const Alignment& line_of_drilled(const ListPass& pass, const ListEvent& event);
    void plan_depth(const ListPass& pass, const Alignment& on, const HolePlan& plan,
                    BoreholeRecord& record, long line) const;
    void finish();
    void say_collars_off_ground();
    const Alignment& named_line(const std::string& name);

    // A failure of the list phase: the table written so far is kept, and the message names the
    // line of the list file that could not be processed.
    static RunStop row_failure(const ListEvents& list, const std::string& detail, long line) {
        return {RunOutcome::borehole_failure, list.at_line(line) + detail, list.path(), line};
    }
    void stop(const RunStop& reason);

    RunUi& ui_;
    const RunOptions& options_;
    std::string line_file_;  // the alignment file read_line read
    AlignmentSource& source_;
    Alignment& alignment_;  // the line and its stationing, once read_line has built them
    RecordSink& records_;
    RunProgress* progress_;
    ListFile list_file_;
    RunResult result_;
    std::unique_ptr<ListEvents> list_;
    std::optional<PointNamer> namer_;  // the point names of the list's holes
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
    JobLists own_lists_;
    JobLists& lists_;
    // The comparison's planned holes, and the line each planned point name lies on; whether
    // some lies on another line than alignment_ (then a point planned nowhere says which line
    // it was taken back to).
    std::vector<PlannedHole>* planned_;
    std::unordered_map<std::string, std::string> planned_lines_;
    bool planned_elsewhere_ = false;
    bool table_begun_ = false;
    // The surveyed holes whose collar lies more than kCollarGroundTolerance from the ground
    // model, with collar − model, metres; said once at the end of the run.
    std::vector<std::pair<std::string, double>> collars_off_ground_;
    // The list chosen before the line (line_named_by_list), and the line its groups name.
    std::optional<std::string> list_path_;
    std::string line_named_by_list_;
    Workload workload_;  // the holes and metres planned, for the closing line
};

RunResult TableRun::run() {
    try {
        // Choosing and reading the files and building the alignment share one error path.
        // Nothing has been written yet, so a failure here leaves no table at all.
        try {
            // A list whose every group names its line needs no choice of the run's line: the
            // first line named stands in for it (the drawing's first line).
            RunOptions line = options_;
            const std::optional<std::string>& list = options_.file(list_file_.dialog.role);
            bool named_by_list = false;
            if (list_file_.kind == ListKind::boreholes && !options_.alignment_name && list) try {
                    const ListGroupsSummary& groups =
                        lists_.read(*list, ListKind::boreholes).groups();
                    if (!groups.unnamed && !groups.lines.empty()) {
                        line.alignment_name = groups.lines.front();
                        named_by_list = true;
                    }
                } catch (const DataError&) {
                    // The list is opened again in its turn and refused in the run's words.
                }
            ListNamesLineUi line_ui(
                ui_, [this](const std::vector<AlignmentChoice>& choices, bool& cancelled) {
                    return line_named_by_list(choices, cancelled);
                });
            try {
                line_file_ = read_line(line_ui, line, source_, alignment_, result_.notices);
            } catch (const DialogCancelled&) {
                throw;
            } catch (const DataError& e) {
                // The name came from the list, not from the user's answer: say so.
                if (!named_by_list && line_named_by_list_.empty()) throw;
                const std::string& path = named_by_list ? *list : *list_path_;
                throw DataError("钻孔资料文件“" + utf8_of(path_from_utf8(path).filename()) +
                                    "”的分组指定线路 @" +
                                    (named_by_list ? *line.alignment_name : line_named_by_list_) +
                                    "：" + e.what(),
                                e.file(), e.line());
            }
            line_ = &alignment_;
            read_ground();
            open_list();
            if (planned_) read_planned();
        } catch (const RunStop&) {
            throw;
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
        // Told once the table is begun: the desktop opens its files only then, and a sink added
        // then must still name the ground in its note row.
        if (terrain_) {
            const SectionGround* sections = terrain_->sections();
            records_.ground_from(terrain_->source(), !sections ? GroundKind::tin
                                                     : sections->sections().empty()
                                                         ? GroundKind::centre_line
                                                         : GroundKind::cross_sections);
        }
        result_.file = list_->path();
        const ListPass pass{*list_, list_file_.kind, records_, *namer_};
        try {
            write_list(pass);
        } catch (const DataError& e) {
            throw row_failure(*list_, e.what(), e.line());
        }
        finish();
    } catch (const RunStop& reason) {
        stop(reason);
    }
    return result_;
}

}  // namespace

std::shared_ptr<const Terrain> read_ground(RunUi& ui, const RunOptions& options,
                                           const std::string& line_file, const Alignment& alignment,
                                           std::vector<std::string>& notices) {
    Documents documents;
    return read_ground(ui, options, documents, line_file, alignment, notices);
}

std::shared_ptr<const Terrain> read_ground(RunUi& ui, const RunOptions& options,
                                           Documents& documents, const std::string& line_file,
                                           const Alignment& alignment,
                                           std::vector<std::string>& notices) {
    if (!options.ground) return nullptr;
    if (const auto& dmx = options.file(DialogRole::ground_line))
        return std::make_shared<const Terrain>(
            read_hintcad_ground(ui, *dmx, options.file(DialogRole::sections), alignment, notices));
    // The design software exports the existing ground with the alignment: a desktop user whose
    // LandXML line carries a TIN surface is offered it rather than a dialog, chosen from a list
    // where it has several. On the command line --terrain names the file, the same one or another.
    std::vector<SurfaceSummary> own;
    if (!options.up_front && !line_file.empty()) own = surfaces_in_line_file(documents, line_file);
    std::optional<std::string> path;
    std::optional<std::string> name = options.terrain_name;
    if (own.empty()) {
        path = ui.choose_file(kTerrainDialog);
        if (!path) throw DialogCancelled(job_input(DialogRole::terrain).not_chosen);
    } else {
        path = line_file;
        std::size_t i = 0;
        if (own.size() > 1) {
            std::vector<std::string> names;
            for (const SurfaceSummary& s : own) names.push_back(s.name);
            const std::optional<std::size_t> chosen = ui.choose_surface(line_file, names);
            if (!chosen || *chosen >= own.size()) throw DialogCancelled("未选择地面模型");
            i = *chosen;
            name = own[i].name;
        }
        notices.push_back("地面高程取自平面资料文件“" +
                          utf8_of(path_from_utf8(line_file).filename()) + "”中的地面模型“" +
                          own[i].name + "”");
    }
    if (is_hintcad_file(documents, *path, HintcadKind::ground_line))
        return std::make_shared<const Terrain>(
            read_hintcad_ground(ui, *path, std::nullopt, alignment, notices));
    if (is_hintcad_file(documents, *path, HintcadKind::sections))
        return std::make_shared<const Terrain>(
            read_hintcad_ground(ui, std::nullopt, *path, alignment, notices));
    try {
        return std::make_shared<const Terrain>(read_terrain(documents, *path, name));
    } catch (const DataError& e) {
        if (!e.file().empty()) throw;
        throw DataError(e.what(), *path, e.line());
    }
}

namespace {

void TableRun::read_ground() {
    terrain_ = qelt::read_ground(ui_, options_, source_.documents(), line_file_, alignment_,
                                 result_.notices);
    if (!terrain_) return;
    result_.terrain = terrain_;
}

// Asked by the line's reader where the line file holds several lines and the desktop user named
// none: the borehole list is asked for now rather than after the line, and where its every group
// names its line, the first named is the run's (the drawing's first line) and no list window is
// shown. `cancelled` where the user cancelled the list's dialog.
std::optional<std::size_t> TableRun::line_named_by_list(const std::vector<AlignmentChoice>& choices,
                                                        bool& cancelled) {
    if (list_file_.kind != ListKind::boreholes || options_.up_front || list_path_) return {};
    list_path_ = ui_.choose_file(list_file_.dialog);
    if (!list_path_) {
        cancelled = true;
        return {};
    }
    lists_.chose(list_file_.dialog.role, *list_path_);
    try {
        const ListGroupsSummary& groups = lists_.read(*list_path_, ListKind::boreholes).groups();
        if (groups.unnamed || groups.lines.empty()) return {};
        std::vector<std::string> names;
        for (const AlignmentChoice& c : choices) names.push_back(c.name);
        const std::vector<std::size_t> found = alignments_named(names, groups.lines.front());
        if (found.size() != 1) return {};
        line_named_by_list_ = groups.lines.front();
        return found.front();
    } catch (const DataError&) {
        // The list is refused in its turn, in the run's words.
        return {};
    }
}

void TableRun::open_list() {
    auto path = list_path_ ? list_path_ : ui_.choose_file(list_file_.dialog);
    if (!path) throw DialogCancelled(job_input(list_file_.dialog.role).not_chosen);
    lists_.chose(list_file_.dialog.role, *path);
    const HeldList& held = lists_.read(*path, list_file_.kind);
    list_ = held.events();
    // A surveyed hole's point name depends on every other hole's own name.
    const std::vector<std::string> own = held.row_names();
    namer_.emplace(own);
}

// The planned holes the drilled points are compared with, placed by the table's own loop from
// the planned borehole list; a list that no longer reads, or a station the line no longer has,
// stops the run before anything is written.
void TableRun::read_planned() {
    const std::optional<std::string> path = ui_.choose_file(kPlannedDialog);
    if (!path) throw DialogCancelled(job_input(DialogRole::planned).not_chosen);
    lists_.chose(DialogRole::planned, *path);
    const std::unique_ptr<ListEvents> list = lists_.read(*path, ListKind::boreholes).events();
    RecordList holes;
    PointNamer namer({});
    try {
        write_list({*list, ListKind::boreholes, holes, namer, true});
    } catch (const DataError& e) {
        throw DataError(list->at_line(e.line()) + e.what(), list->path(), e.line());
    } catch (const RunStop& e) {
        // A station rejected is said with the line it is on, as the other refusals are.
        throw DataError(e.outcome == RunOutcome::station_rejected
                            ? list->at_line(e.line) + e.message
                            : e.message,
                        e.file, e.line);
    }
    for (BoreholeRecord& hole : holes.all) {
        const Alignment& line = named_line(hole.line);
        PlannedHole planned;
        planned.mileage = hole.mileage;
        Point centre;
        line.line.locate(hole.mileage, centre, planned.azimuth);
        // Printed as the drilled stations are, lettered in a long chain's overlap, so that the
        // two read alike side by side.
        hole.station = zh_station_of(line.breaks, hole.mileage).text;
        if (&line != &alignment_) planned_elsewhere_ = true;
        planned_lines_.emplace(hole.point_name, hole.line);
        planned.record = std::move(hole);
        planned_->push_back(std::move(planned));
    }
}

// The list's events up to its end; a refusal stops the run.
void TableRun::write_list(const ListPass& pass) {
    using Kind = ListEvent::Kind;
    line_ = &alignment_;
    for (;;) {
        const ListEvent& event = pass.list.next();
        result_.notices.insert(result_.notices.end(), event.notices.begin(), event.notices.end());
        switch (event.kind) {
            case Kind::project:
                if (pass.planned) break;
                // The project line names the project, for the page headers.
                project_line_ = event.text;
                result_.project = std::string(trim_blanks(project_line_));
                break;
            case Kind::group:
                // The group's rows must fit on the sheet, and so must the note row after it.
                if (!pass.sink.group_fits(event.group.count))
                    throw row_failure(pass.list,
                                      "表格超过工作表的最大行数 " +
                                          std::to_string(pass.sink.max_rows()) + "，请将" +
                                          pass.list.data_name() + "分成几个文件",
                                      event.line);
                // The group's fields come into its holes here, and only here: its line (@名称)
                // and its axis (交角).
                group_title_ = event.group.title;
                group_number_ = event.group.number;
                crossing_angle_ = event.group.crossing_angle;
                try {
                    line_ = &named_line(event.group.line_name);
                } catch (const DataError& e) {
                    std::string file;
                    if (!e.file().empty())
                        file = "（" + utf8_of(path_from_utf8(e.file()).filename()) + "）";
                    throw row_failure(pass.list,
                                      "分组“" + group_title_ + "”的线路“@" + event.group.line_name +
                                          "”：" + e.what() + file,
                                      event.line);
                }
                pass.sink.begin_group({group_title_, event.group.count, group_number_,
                                       event.group.crossing_angle_text, event.group.line_name});
                break;
            case Kind::row:
                write_row(pass, event);
                break;
            case Kind::group_end:
                pass.sink.end_group();
                break;
            case Kind::refused:
                // The table keeps the serial number of the row that failed.
                if (event.row.serial > 0) pass.sink.begin_row(event.row.serial);
                throw RunStop{RunOutcome::borehole_failure, event.text, pass.list.path(),
                              event.line};
            case Kind::end:
                return;
        }
    }
}

// The line a drilled point is taken back to: its planned hole's, found by the point name the
// crew staked it out under; a point planned nowhere goes to the run's line, and where the planned
// holes lie on several lines the engineer is told which.
const Alignment& TableRun::line_of_drilled(const ListPass& pass, const ListEvent& event) {
    if (!planned_) return *line_;
    const auto it = planned_lines_.find(event.row.name);
    if (it != planned_lines_.end()) return named_line(it->second);
    if (planned_elsewhere_)
        result_.notices.push_back(pass.list.at_line(event.line) + "孔号" + event.row.name +
                                  "不是计划孔，按本次选定的线路“" + alignment_.name +
                                  "”反算桩号和距中线距离");
    return alignment_;
}

void TableRun::write_row(const ListPass& pass, const ListEvent& event) {
    const ListRow& row = event.row;
    pass.sink.begin_row(row.serial);
    StationOffset at = row.at;
    at.crossing_angle = crossing_angle_;
    const Alignment& line = pass.kind == ListKind::points ? line_of_drilled(pass, event) : *line_;
    const PlacedBorehole placed = pass.kind == ListKind::points
                                      ? place_surveyed(line, row.name, row.point)
                                      : place_borehole(line, at);
    if (!pass.planned)
        for (const std::string& notice : placed.notices)
            result_.notices.push_back(pass.list.at_line(event.line) + notice);
    switch (placed.outcome) {
        case PlacementOutcome::placed:
            break;
        case PlacementOutcome::station_rejected:
            // The station's own message is shown and the run ends quietly; the table keeps what
            // it has, this row's serial number included.
            throw RunStop{RunOutcome::station_rejected, placed.message, pass.list.path(),
                          event.line};
        case PlacementOutcome::not_on_line:
        case PlacementOutcome::not_computable:
            throw row_failure(pass.list, placed.message, event.line);
    }
    BoreholeRecord record;
    record.group = group_title_;
    record.group_number = group_number_;
    record.serial = row.serial;
    record.name = row.name;
    record.point_name = pass.namer.name(record);
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
    record.line = line.name;
    record.centre_x = placed.centre.x;
    record.centre_y = placed.centre.y;
    if (terrain_ && !pass.planned) {
        // The ground at the hole itself, not at its foot on the centre line: a hole 20 m off
        // a hillside road stands on other ground than the line.
        record.ground_elevation = terrain_->elevation({record.x, record.y});
        if (!record.ground_elevation)
            result_.notices.push_back(pass.list.at_line(event.line) + "钻孔" +
                                      terrain_->why_none({record.x, record.y}) + "，没有地面高程");
        if (record.collar_elevation && record.ground_elevation) {
            const double off = *record.collar_elevation - *record.ground_elevation;
            if (std::fabs(off) > kCollarGroundTolerance)
                collars_off_ground_.emplace_back(record.name, off);
        }
    }
    // The planned holes of a comparison are compared by place alone: their depths are the
    // coordinate table's business.
    if (!pass.planned) plan_depth(pass, line, row.plan, record, event.line);
    pass.sink.record(record);
    if (pass.planned) return;
    workload_.add(record);
    ++result_.boreholes;
    if (progress_) progress_->borehole_done(result_.boreholes);
}

// The depth, bottom and type of the hole as its list plans it, read against the ground and the
// grade line at the hole; a hole that cannot be planned so stops the run at its line.
void TableRun::plan_depth(const ListPass& pass, const Alignment& on, const HolePlan& plan,
                          BoreholeRecord& record, long line) const {
    record.hole_type = plan.type;
    const ResolvedDepth depth = resolve_depth(
        plan.depth, {record.ground_elevation, record.design_elevation,
                     terrain_ ? "钻孔在地面模型的范围之外" : "没有给出地面模型（地面高程）",
                     on.profile ? "钻孔桩号在纵断面的范围之外" : "没有给出纵断面（设计高程）"});
    if (!depth.refusal.empty())
        throw row_failure(pass.list,
                          "分组“" + record.group + "”第 " + std::to_string(record.serial) +
                              " 个钻孔（" + record.station + "）的" + depth.refusal,
                          line);
    record.depth = depth.depth;
    record.bottom_elevation = depth.bottom_elevation;
}

// The line a group names, read from the run's alignment file with its own stationing (its
// station equations, or none: a chain-break file belongs to the line it was chosen for) and,
// where the run reads heights, its own profile from the same file (an IFC model's vertical, a
// LandXML file's ProfAlign for it). Unnamed: the run's line.
const Alignment& TableRun::named_line(const std::string& name) {
    if (name.empty() || name == alignment_.name) return alignment_;
    for (const Alignment& line : named_lines_)
        if (line.name == name) return line;
    const std::string& path = line_file_;
    Documents& documents = source_.documents();
    if (documents.format(path) == FileFormat::text)
        throw DataError("平面资料文件“" + utf8_of(path_from_utf8(path).filename()) +
                        "”是文本文件，只有一条线路，不能用 @名称 指定线路；@名称 用于含多条线路的 "
                        "LandXML 或 IFC 文件");
    RunOptions named = options_;
    named.alignment_name = name;
    Alignment line = source_.read(path, named, ui_);
    // The file's notices (a line of it skipped) were said with the run's line already.
    for (const std::string& notice : line.notices)
        if (std::find(result_.notices.begin(), result_.notices.end(), notice) ==
            result_.notices.end())
            result_.notices.push_back(notice);
    if (line.break_source != ChainBreakSource::line) line.breaks.dl_count = 0;
    dl_complete(line.breaks, line.start_mileage(), line.end_mileage());
    if (!options_.heights) {
        line.profile.reset();
    } else if (!line.profile) {
        if (!profiles_in_line_file(documents, path, line.name).empty()) {
            line.profile = read_profile_file(documents, path, line.breaks, line.name, std::nullopt);
            result_.notices.insert(result_.notices.end(), line.profile->notices.begin(),
                                   line.profile->notices.end());
        } else {
            result_.notices.push_back(no_profile_notice(line.name, path));
        }
    }
    check_profile_reach(line, path);
    // Its own ground line for its own section, as the run's line has its.
    read_own_ground_line(options_, documents, path, line, result_.notices);
    named_lines_.push_back(std::move(line));
    return named_lines_.back();
}

// One notice for every surveyed collar far from the ground model: a whole file in another
// datum would otherwise say it once a hole. The first few holes are named; the engineer finds
// the rest in the table's 实测−模型 column.
void TableRun::say_collars_off_ground() {
    if (collars_off_ground_.empty()) return;
    constexpr std::size_t kNamed = 5;
    std::string holes;
    for (std::size_t i = 0; i < collars_off_ground_.size() && i < kNamed; ++i)
        holes += (i ? "、" : "") + collars_off_ground_[i].first + " " +
                 fixed_text(collars_off_ground_[i].second, 3) + " 米";
    if (collars_off_ground_.size() > kNamed) holes += " 等";
    result_.notices.push_back(std::to_string(collars_off_ground_.size()) +
                              " 个钻孔的孔口高程与地面模型“" + terrain_->source() + "”相差超过 " +
                              short_number_text(kCollarGroundTolerance) + " 米（实测−模型）：" +
                              holes +
                              "。1956 黄海高程系与 1985 国家高程基准只差约 0.03 米，相差数米多为" +
                              std::string(list_->data_name()) + "文件" + "“" +
                              utf8_of(path_from_utf8(list_->path()).filename()) +
                              "”的 H 用了另一高程系统（地方或假定高程），或孔口高程输错，请核对");
    collars_off_ground_.clear();
}

void TableRun::finish() {
    list_->close();
    say_collars_off_ground();
    result_.workload = workload_.summary();
    if (const long n = workload_.total().without_depth; n > 0 && n < workload_.total().holes)
        result_.notices.push_back(std::to_string(n) +
                                  " 个钻孔没有给出孔深（孔深、孔底或设计下），"
                                  "表中孔深、孔底高程空着，未计入进尺");
    if (!records_.note_fits())
        throw RunStop{RunOutcome::borehole_failure,
                      "表格超过工作表的最大行数 " + std::to_string(records_.max_rows()) +
                          "，无法写入注释行，请将" + list_->data_name() + "分成几个文件",
                      list_->path(), 0};
    records_.finish(project_line_);
}

void TableRun::stop(const RunStop& reason) {
    if (list_) list_->close();
    if (table_begun_) {
        records_.stopped(project_line_);
        say_collars_off_ground();
    }
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

RunResult run_list_table(RunUi& ui, const RunOptions& options, AlignmentSource& source,
                         Alignment& alignment, RecordSink& records, RunProgress* progress,
                         const ListFile& list, std::vector<Alignment>* named_lines, JobLists* lists,
                         std::vector<PlannedHole>* planned) {
    return TableRun(ui, options, source, alignment, records, progress, list, named_lines, lists,
                    planned)
        .run();
}

RunResult run_coordinate_table(RunUi& ui, const RunOptions& options, AlignmentSource& source,
                               Alignment& alignment, RecordSink& records, RunProgress* progress,
                               std::vector<Alignment>* named_lines) {
    return run_list_table(ui, options, source, alignment, records, progress,
                          {kBoreholeDialog, ListKind::boreholes}, named_lines);
}

JobLists::JobLists() = default;
JobLists::~JobLists() = default;

const HeldList& JobLists::read(const std::string& path, ListKind kind) {
    for (const Held& held : held_)
        if (held.path == path && held.kind == kind) return *held.list;
    // A points file may be the survey crew's own (CASS, PNEZD), told by its name.
    std::unique_ptr<ListEvents> events =
        kind == ListKind::points ? read_points_list(path) : read_grouped_list(path, kind);
    held_.push_back({path, kind, std::make_unique<HeldList>(std::move(events))});
    return *held_.back().list;
}

std::optional<std::string> JobLists::file(DialogRole role, const RunOptions& options) const {
    const auto it = chosen_.find(role);
    if (it != chosen_.end()) return it->second;
    return options.file(role);
}

const StepFile* TableJob::line_model(const std::string& path) {
    Documents& documents = source_->documents();
    return documents.format(path) == FileFormat::step ? &documents.step(path) : nullptr;
}

FieldSet TableJob::fields(const RunOptions& options, bool as_drilled) {
    FieldSet present;
    if (as_drilled) {
        const std::optional<std::string> points = lists_.file(DialogRole::points, options);
        present = as_drilled_fields(points.value_or(""), options.compare_planned);
    }
    if (options.heights) present = present.with(RecordField::design_elevation);
    // With a terrain every record carries the ground at its X, Y (and so its 填挖高 where it
    // has a design elevation too).
    if (options.ground) present = present.with(RecordField::ground_elevation);
    // A list with skewed groups or groups naming their line gives those columns too.
    if (!as_drilled)
        if (const std::optional<std::string> list = lists_.file(DialogRole::boreholes, options))
            try {
                const ListGroupsSummary& groups = lists_.read(*list, ListKind::boreholes).groups();
                if (groups.skewed) present = present.with(RecordField::crossing_angle);
                if (!groups.lines.empty()) present = present.with(RecordField::line);
                if (groups.planned) present = with_hole_plan(present);
            } catch (const DataError&) {
            }
    return present;
}

}  // namespace qelt
