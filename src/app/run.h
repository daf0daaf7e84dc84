#pragma once
// The coordinate-table run (坐标表): the one command that does the program's work. It asks for
// the alignment file, builds the alignment model from it (JDs, an element chain or a LandXML
// file), takes the chain breaks where the line takes them from (the chain-break file for a main
// line, the line's own station equations, none for a ramp), asks for the borehole file, then writes
// the borehole table group by group: every borehole's station is checked against the chain
// breaks, turned into a continuous mileage, located on the centre line and moved sideways by
// its offset.
//
// The run is told what to do by RunOptions (app/run_options.h), talks to its user only through
// RunUi and writes only through a RecordSink: the list's events (the table begun, each group,
// each row's serial number, the table finished) and each borehole row written, as the one record
// every output takes (the printed table, the CSV, the drawing, the stakeout and map files), so
// the desktop program, the command line and the tests each plug in their own.
//
// Its sibling, the as-drilled run (坐标反算), takes the same steps with a points file of surveyed
// holes in place of the borehole file and writes each hole's station and offset.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "alignment/alignment.h"
#include "app/run_files.h"
#include "app/run_options.h"
#include "base/line_reader.h"
#include "base/text.h"
#include "input/alignment_choice.h"
#include "input/documents.h"
#include "report/borehole_record.h"
#include "report/tables/table_columns.h"
#include "terrain/terrain.h"

namespace qelt {

// Texts the user sees.
inline const char* const kErrorBoxText = "数据文件格式有误或操作不当！";
inline const char* const kErrorBoxTitle = "错误";
inline const char* const kDataMessageTitle = "数据有误";

// The error box of a run that failed on its error path: the system's own sentence first, then
// where and why, as the command line says them ("位置：jd.txt 第 3 行", "原因：…"), so that the
// desktop user need not guess which of the files was wrong. `file` is shown by its name.
std::string error_box_text(const std::string& reason, const std::string& file, long line);

// A dialog the user cancelled: the run stops on its error path, and its box says no more than
// the system's sentence, for the user knows what was not chosen.
class DialogCancelled : public DataError {
  public:
    using DataError::DataError;
};

// The open-file dialogs, told apart by their role (DialogRole, app/run_files.h): the command
// line answers each from its own option and the desktop program remembers the borehole file,
// whatever the titles say. The coordinate table asks for the alignment, chain-break and
// borehole files, the as-drilled table for the points file in place of the borehole file.
// Each filter lists the kinds of file its step reads one by one; the desktop shows them all
// together first (filter_with_all_supported, app/forms/file_rules.h). This is the one table of
// the filters: both desktop front ends take them from here.

struct FileDialog {
    DialogRole role;
    const char* title;
    const char* filter;  // "desc|patterns|desc|patterns…", patterns separated by ';'
};
// The alignment may also be the LandXML file the design software exported, or its IFC 4.3 model.
inline constexpr FileDialog kAlignmentDialog{
    DialogRole::alignment, "读取平面资料",
    "文本文件(*.txt;*.dat)|*.txt;*.dat|LandXML 文件(*.xml)|*.xml|IFC 文件(*.ifc)|*.ifc|"
    "纬地平面文件(*.pm;*.jd)|*.pm;*.jd|文本文件(*.txt)|*.txt|所有文件（*.*)|*.*"};
inline constexpr FileDialog kChainBreakDialog{DialogRole::chain_breaks, "读取断链资料",
                                              "文本文件(*.txt;*.dl)|*.txt;*.dl|所有文件（*.*)|*.*"};
inline constexpr FileDialog kBoreholeDialog{
    DialogRole::boreholes, "读取钻孔资料",
    "文本文件(*.txt;*.dat)|*.txt;*.dat|CSV 文件(*.csv)|*.csv|文本文件(*.txt)|*.txt|"
    "所有文件（*.*)|*.*"};
// The points file may also be the survey crew's CASS or PNEZD file (input/survey/surveyed_points.h).
inline constexpr FileDialog kPointsDialog{
    DialogRole::points, "读取实测坐标资料",
    "文本文件(*.txt;*.dat)|*.txt;*.dat|CASS 坐标文件(*.dat)|*.dat|CSV 文件(*.csv)|*.csv|"
    "文本文件(*.txt)|*.txt|所有文件（*.*)|*.*"};
// The planned holes the as-drilled table is compared with: the borehole list of the table.
inline constexpr FileDialog kPlannedDialog{
    DialogRole::planned, "读取计划钻孔资料（与实测孔位对比）",
    "文本文件(*.txt;*.dat)|*.txt;*.dat|CSV 文件(*.csv)|*.csv|文本文件(*.txt)|*.txt|"
    "所有文件（*.*)|*.*"};
// The design profile: Qelt's own 纵断面资料文件, a LandXML file with the line's ProfAlign, the
// vertical of an IFC model, or 纬地's .zdm.
inline constexpr FileDialog kProfileDialog{
    DialogRole::profile, "读取纵断面资料",
    "纵断面资料(*.txt;*.dat)|*.txt;*.dat|LandXML 文件(*.xml)|*.xml|IFC 文件(*.ifc)|*.ifc|"
    "纬地纵断面(*.zdm)|*.zdm|"
    "所有文件（*.*)|*.*"};

// The ground: a LandXML file with a TIN surface, or the crew's ground shots
// (input/survey/terrain_readers.h).
inline constexpr FileDialog kTerrainDialog{
    DialogRole::terrain, "读取地面资料",
    "LandXML 文件(*.xml)|*.xml|测量点(*.dat;*.txt;*.csv)|*.dat;*.txt;*.csv|"
    "纬地地面线、横断面(*.dmx;*.hdm)|*.dmx;*.hdm|所有文件（*.*)|*.*"};
// The centre line's ground of 纬地 cross sections (.hdm), asked for where no .dmx of the same
// name lies beside them.
inline constexpr FileDialog kGroundLineDialog{DialogRole::ground_line,
                                              "读取纵向地面线（纬地 .dmx）",
                                              "纬地地面线(*.dmx)|*.dmx|所有文件（*.*)|*.*"};

// How a job talks to its user while it runs: it asks (a file in its dialog, one alignment,
// profile or surface of several in a list) and it tells (an error box, a data message). What the
// user said before the job started is not asked here but given in RunOptions
// (app/run_options.h). The command line answers the dialogs from its options and asks nothing
// of a list; the desktop shows each.
class RunUi {
  public:
    virtual ~RunUi() = default;
    // Shows an open-file dialog; the chosen path, or nothing when the user cancels.
    virtual std::optional<std::string> choose_file(const FileDialog& dialog) = 0;
    // The error box: `text` titled `title` with the error icon.
    virtual void show_error_box(const std::string& text, const std::string& title) = 0;
    // A data message titled "数据有误", OK button only, no icon.
    virtual void show_data_message(const std::string& text) = 0;
    // Brings the main window to the front (before every message).
    virtual void bring_main_window_to_front() = 0;
    // The error box of a run stopped on its error path by `reason`, found in `file` at `line`
    // (0: no line; "" and "": a cancelled dialog): the system's sentence with where and why
    // (error_box_text). A front end that reports the place and the reason itself after the run
    // (the command line) shows the sentence alone.
    virtual void show_failure(const std::string& reason, const std::string& file, long line) {
        show_error_box(
            reason.empty() ? std::string(kErrorBoxText) : error_box_text(reason, file, line),
            kErrorBoxTitle);
    }

    // Asks which of the alignments of a file that holds several (a LandXML file of a whole
    // interchange) the run is to use: its index in `choices`, or nothing when the user cancels,
    // which stops the run like a cancelled dialog. Not asked where the user named the line
    // (RunOptions::alignment_name).
    virtual std::optional<std::size_t> choose_alignment(
        const std::string& file, const std::vector<AlignmentChoice>& choices) {
        (void)file;
        (void)choices;
        return std::nullopt;
    }
    // Asks which of the design profiles `names` that the alignment file `file` carries for the
    // line (a LandXML file with several ProfAlign) the run is to use: its index, or nothing when
    // the user cancels, which stops the run. Asked only of a front end that does not give its
    // files up front.
    virtual std::optional<std::size_t> choose_profile(const std::string& file,
                                                      const std::vector<std::string>& names) {
        (void)file;
        (void)names;
        return std::nullopt;
    }
    // Asks which of the ground surfaces `names` that the alignment file `file` carries (a
    // LandXML file with several TIN surfaces) the run is to use: its index, or nothing when the
    // user cancels, which stops the run. Asked only of a front end that does not give its files
    // up front.
    virtual std::optional<std::size_t> choose_surface(const std::string& file,
                                                      const std::vector<std::string>& names) {
        (void)file;
        (void)names;
        return std::nullopt;
    }
};

// A way of giving the road's centre line: reads its file and builds the alignment model that
// every job reads (alignment/alignment.h).
class AlignmentSource {
  public:
    virtual ~AlignmentSource() = default;
    // Reads the alignment file `path` and builds the line: the one `options.alignment_name`
    // names, or where the file holds several and none is named, the one `ui` chooses. Throws
    // DataError.
    virtual Alignment read(const std::string& path, const RunOptions& options, RunUi& ui) = 0;
    // The files the run reads, each parsed once whatever roles name it (the line, its profile,
    // its ground line, the ground, the lines a list's groups name); read_line clears them as a
    // run begins.
    virtual Documents& documents() = 0;
};

// The two methods the user chooses between.
enum class Method {
    intersection_points,  // 交点法―主线 (--method jd): the main line by its JDs, with chain breaks
    building_blocks,  // 积木法―互通 (--method ht): a ramp by its elements, no chain breaks
};

// What the run says of an alignment file that reads as a line of `method` when the user chose
// the other: which method to choose, in the desktop's words and the command line's.
std::string other_method_text(Method method);

// The source of the method the user chose. A LandXML or IFC file is recognised by its content
// and read as such whatever the method (input/formats.h, input/alignment_readers.h); any other
// file is the method's own text file.
std::unique_ptr<AlignmentSource> make_alignment_source(Method method);

// Whether the alignment file `path` is a design model (a LandXML or an IFC file) rather than
// one of the methods' text files, told by its content as the run tells it, for a front end that
// checks its options before the run (qelt-cli: no --method needed, --alignment-name allowed,
// the chain-break file optional). Throws DataError when the file cannot be read.
bool alignment_file_is_model(const std::string& path);

// The first steps of every job on a line: asks for the alignment file and builds the line
// from `source`, then completes its stationing: the chain breaks from the chain-break file where
// the line takes them from one (asked for in its dialog), from the line itself, or none
// (dl_complete); then, where the user asks for heights (RunOptions::heights), the design
// profile from its dialog (alignment.profile). The line's and the profile's notices go to
// `notices`. Returns the alignment file read, from which a list's groups may name further lines
// and the ground may come. Throws DataError, naming the file last chosen where the failure
// names none.
std::string read_line(RunUi& ui, const RunOptions& options, AlignmentSource& source,
                      Alignment& alignment, std::vector<std::string>& notices);

// The ground, where the user asks for it (RunOptions::ground), from the file of its dialog
// (read_terrain, with RunOptions::terrain_name); null otherwise. A desktop user whose LandXML line
// file `line_file` ("" when unknown) carries TIN surfaces is offered those instead of the dialog,
// the one taken told in `notices`. The ground of 纬地 (a .dmx, or a .hdm with the .dmx of its
// name beside it or asked for) is read for `alignment`, the line its stations belong to.
// Throws DataError naming the file.
std::shared_ptr<const Terrain> read_ground(RunUi& ui, const RunOptions& options,
                                           Documents& documents, const std::string& line_file,
                                           const Alignment& alignment,
                                           std::vector<std::string>& notices);
// The same for a job that reads the ground alone, from files of its own.
std::shared_ptr<const Terrain> read_ground(RunUi& ui, const RunOptions& options,
                                           const std::string& line_file, const Alignment& alignment,
                                           std::vector<std::string>& notices);

enum class RunOutcome {
    complete,          // the whole table, note row, page lines and headers written
    data_error,        // failed before the table was begun: nothing written
    station_rejected,  // a station was rejected: the rows so far are kept
    borehole_failure,  // a borehole line or its coordinates could not be processed
};

struct RunResult {
    RunOutcome outcome = RunOutcome::complete;
    std::string message;  // what was shown to the user (for the log and the command line)
    std::string file;     // file and 1-based line where the failure was found, if known
    long line = 0;
    long boreholes = 0;   // borehole rows completed
    std::string project;  // the list file's first line, the project the page headers name
    // What the run computed but the user should know (a borehole off the ends of the line,
    // lines after a blank line that were not read): one text each, shown after delivery
    // ("提示：" lines on the command line, one information box in the desktop program).
    std::vector<std::string> notices;
    // The as-drilled run against the planned holes: its closing line (how many holes were
    // drilled, beyond the tolerance, not drilled, not planned); empty without a comparison.
    std::string comparison;
    // The coordinate table of a list that plans its holes' depths or types: "钻孔 N 个，进尺 M
    // 米", for the closing line and the desktop's closing box; empty otherwise.
    std::string workload;
    // The ground the run read (RunOptions::ground), for the outputs made after it (the
    // section drawing); null without one.
    std::shared_ptr<const Terrain> terrain;
    bool sheet_touched() const { return outcome != RunOutcome::data_error; }
};

// Reports progress during the borehole phase (for the command line's progress line).
class RunProgress {
  public:
    virtual ~RunProgress() = default;
    virtual void borehole_done(long boreholes) = 0;
};

// Runs the coordinate table once: the line from `source` (read_line) into `alignment`, where it
// stays for the outputs that follow the table (the plan drawing), then the borehole file. The
// list's events and each borehole row written go to `records`, in the order of the file.
// A group may name its line of a multi-line alignment file (@名称, input/text/list_events.h): its
// holes are placed on that line, read from the same file with its own stationing and profile,
// and the lines so read other than `alignment` go to `named_lines` for the drawing. A list whose
// groups all name their line needs no choice of the run's line when the list is given up front:
// the first line named is the run's. A group on a skewed axis (交角) places its holes along it.
RunResult run_coordinate_table(RunUi& ui, const RunOptions& options, AlignmentSource& source,
                               Alignment& alignment, RecordSink& records,
                               RunProgress* progress = nullptr,
                               std::vector<Alignment>* named_lines = nullptr);

// The list files of one job (the borehole list, the points file, the planned holes), each read
// once (HeldList) however many of its steps ask for it: the tables' columns, which must be known
// before the run's first row, the choice of the run's line, the table itself.
// (input/text/list_events.h is not included here: the desktop's Qt code includes this header, and Qt
// takes `emit`, a name the list readers use, for a keyword.)
class HeldList;
enum class ListKind;
class JobLists {
  public:
    JobLists();
    ~JobLists();
    JobLists(const JobLists&) = delete;
    JobLists& operator=(const JobLists&) = delete;
    // The list `path` of `kind` read through, from memory when read already. Throws DataError
    // naming the file when it cannot be opened; that is not kept, so the run, asking again,
    // says it in its own words.
    const HeldList& read(const std::string& path, ListKind kind);
    // The run chose `path` in the dialog of `role`.
    void chose(DialogRole role, const std::string& path) { chosen_[role] = path; }
    // The file of `role`: the one the run chose, else the one `ui` gives up front; nothing when
    // neither (not chosen yet).
    std::optional<std::string> file(DialogRole role, const RunOptions& options) const;

  private:
    struct Held {
        std::string path;
        ListKind kind;
        std::unique_ptr<HeldList> list;
    };
    std::vector<Held> held_;
    std::map<DialogRole, std::string> chosen_;
};

// Runs the as-drilled table (坐标反算, "钻孔桩号及偏距表") once on `alignment`: the same steps,
// with the points file (实测坐标资料: project line, groups "title n", then n lines
// "name X Y [remark]"; or the survey crew's CASS or PNEZD file, input/survey/surveyed_points.h, whose H
// becomes the record's collar_elevation) in place of the borehole file. Each surveyed hole is taken
// back to the foot of its perpendicular on the centre line: its station in the chain-break
// numbering, lettered where the number alone would read elsewhere, and its offset. A foot off the
// ends of the line is computed on the extended tangent and noticed. `records` takes the holes'
// records with their names; RunResult::boreholes counts the holes written.
RunResult run_as_drilled_table(RunUi& ui, const RunOptions& options, AlignmentSource& source,
                               Alignment& alignment, RecordSink& records,
                               RunProgress* progress = nullptr);

// How far a surveyed collar (孔口高程, the H of a CASS or PNEZD file) may lie from the ground
// model at the hole before the run names it, metres. A TIN from a 1:1000–1:2000 topographic
// survey is good to about a third of its 1–2 m contour interval on slopes, and a drilling pad
// is levelled a metre or two into the slope: a collar 5 m off is neither, but another height
// datum (a local or assumed one; 1956 黄海 and 1985 国家高程基准 differ by only some 0.03 m) or a
// height typed wrong.
inline constexpr double kCollarGroundTolerance = 5.0;

// The optional fields the as-drilled table of the points file `points_file` gives: the collar
// elevation (孔口高程) when the file's layout has a height column (a CASS or PNEZD file,
// input/survey/surveyed_points.h), whether or not its lines fill it. Decided by the layout rather than by
// the heights themselves because the sinks are made before the first row (the workbook streams
// its rows), and the layout is known from the file's name (or first line) without reading the
// file through; a cell left empty says that the crew surveyed no height for that hole. Nothing
// when the file cannot be read: the run then says why.
// With `compared` (the run compares with the planned holes) also the comparison's fields.
FieldSet as_drilled_fields(const std::string& points_file, bool compared = false);

// One table run as a front end starts it: the source of the chosen method and the alignment it
// builds, which stays with the job for the outputs that follow the table.
class TableJob {
  public:
    explicit TableJob(Method method);
    RunResult run(RunUi& ui, const RunOptions& options, RecordSink& records,
                  RunProgress* progress = nullptr);
    // The as-drilled run (坐标反算) over the same alignment.
    RunResult run_as_drilled(RunUi& ui, const RunOptions& options, RecordSink& records,
                             RunProgress* progress = nullptr);

    // The optional fields the records of the run carry, and so the columns of its tables, for
    // the sinks, which are made before its first row (the workbook streams its rows): the design
    // elevation where it reads a profile, the ground's where it reads a terrain; for the
    // coordinate table the crossing angle where some group is skewed and the line where some
    // group names one; for the as-drilled table (`as_drilled`) as_drilled_fields. Asked before
    // the run (the command line), the lists given up front are read here, once for the job;
    // asked when the table is begun (the desktop), those the run chose. A list that cannot be
    // read gives no field: the run says why.
    FieldSet fields(const RunOptions& options, bool as_drilled);

    // The line the last run built, with its stationing as the run completed it: complete for
    // every outcome but data_error. The plan drawing shows it.
    const Alignment& alignment() const { return alignment_; }
    // The further lines the last run's groups named (@名称), which the drawing shows as well.
    const std::vector<Alignment>& named_lines() const { return named_lines_; }
    // The IFC model the last run read its line from (`path`, the alignment file), as the run
    // parsed it; null where the line came from another kind of file.
    const StepFile* line_model(const std::string& path);

  private:
    std::unique_ptr<AlignmentSource> source_;
    Alignment alignment_;
    std::vector<Alignment> named_lines_;
    JobLists lists_;
};

}  // namespace qelt
