#pragma once
// The coordinate-table run (坐标表): the one command that does the program's work. It asks for
// the alignment file, builds the alignment, asks for the chain-break file (when the alignment
// uses chain breaks: the main line does, a ramp does not) and the borehole file, then writes
// the borehole table group by group: every borehole's station is checked against the chain
// breaks, turned into a continuous mileage, located on the centre line and moved sideways by
// its offset.
//
// The run talks to its user only through RunUi and writes only through Sheet, so the desktop
// program, the command line and the tests each plug in their own.
//
// Its sibling, the as-drilled run (坐标反算), takes the same steps with a points file of surveyed
// holes in place of the borehole file and writes each hole's station and offset.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/line_reader.h"
#include "base/text.h"
#include "htbas/element_chain.h"
#include "report/dxf_drawing.h"
#include "report/sheet.h"
#include "station/chain_breaks.h"
#include "zxbas/main_line.h"

namespace qelt {

// Texts the user sees.
inline const char* const kErrorBoxText = "数据文件格式有误或操作不当！";
inline const char* const kErrorBoxTitle = "错误";
inline const char* const kDataMessageTitle = "数据有误";

// The open-file dialogs, told apart by their role: the command line answers each from its own
// option and the desktop program remembers the borehole file, whatever the titles say. The
// coordinate table asks for the alignment, chain-break and borehole files, the as-drilled
// table for the points file in place of the borehole file.
enum class DialogRole { alignment, chain_breaks, boreholes, points };

struct FileDialog {
    DialogRole role;
    const char* title;
    const char* filter;  // "desc|patterns|desc|patterns…", patterns separated by ';'
};
inline constexpr FileDialog kAlignmentDialog{
    DialogRole::alignment, "读取平面资料",
    "文本文件(*.txt;*.dat)|*.txt;*.dat|文本文件(*.txt)|*.txt|所有文件（*.*)|*.*"};
inline constexpr FileDialog kChainBreakDialog{DialogRole::chain_breaks, "读取断链资料",
                                              "文本文件(*.txt;*.dl)|*.txt;*.dl|所有文件（*.*)|*.*"};
inline constexpr FileDialog kBoreholeDialog{
    DialogRole::boreholes, "读取钻孔资料",
    "文本文件(*.txt;*.dat)|*.txt;*.dat|文本文件(*.txt)|*.txt|所有文件（*.*)|*.*"};
inline constexpr FileDialog kPointsDialog{DialogRole::points, "读取实测坐标资料",
                                          kBoreholeDialog.filter};

// One alignment of a file that holds several, as the user chooses among them.
struct AlignmentChoice {
    std::string name;
    double length = 0;          // metres along the line
    std::string start_station;  // as the tables print it, "K0+000"
    std::string end_station;
};

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

    // Asks which of the alignments of a file that holds several (a LandXML file of a whole
    // interchange) the run is to use: its index in `choices`, or nothing when the user cancels,
    // which stops the run like a cancelled dialog. A front end that takes the name up front
    // (alignment_name) asks nothing.
    virtual std::optional<std::size_t> choose_alignment(const std::string& file,
                                                        const std::vector<AlignmentChoice>& choices) {
        (void)file;
        (void)choices;
        return std::nullopt;
    }
    // The alignment the user named before the run (qelt-cli's --alignment-name), or nothing.
    virtual std::optional<std::string> alignment_name() const { return std::nullopt; }
    // Whether the user gave the run's files before it started (qelt-cli's options) rather than
    // in dialogs: such a front end goes without a file the line can do without (the chain
    // breaks of a LandXML line numbered by its own start station) when none was given, where a
    // desktop shows the dialog and a cancel stops the run.
    virtual bool answers_up_front() const { return false; }
    // The file given up front for `role`, whether the run asks for it or not: a chain-break
    // file given for a line that numbers itself by its own station equations is refused.
    virtual std::optional<std::string> file_given(DialogRole role) const {
        (void)role;
        return std::nullopt;
    }
};

// The road's centre line, whichever way it was given.
class Alignment {
  public:
    virtual ~Alignment() = default;
    // Whether its stations are read through a chain-break table: the main line's are, so the
    // run asks for the chain-break file; an interchange ramp has none.
    virtual bool uses_chain_breaks() const = 0;
    // Reads the alignment file; throws DataError.
    virtual void read(LineReader& file) = 0;
    // Builds the geometry from what was read; throws DataError.
    virtual void build() = 0;
    // Continuous stations of the line's start and end points (the end closes the last
    // chain-break interval); a borehole outside them is placed on the extended end tangent.
    virtual double start_station() const = 0;
    virtual double end_station() const = 0;
    // Centre-line point (X north, Y east, metres) and tangent azimuth (radians, clockwise from
    // north, direction of increasing station) at a continuous mileage.
    virtual void locate(double mileage, double& x, double& y, double& azimuth) const = 0;
    // The reverse: the continuous mileage of the foot of the perpendicular from a point (X
    // north, Y east, metres) and the point's offset from it (metres, positive to the left of
    // the direction of increasing station); the nearest foot where the line passes the point
    // more than once; before the start or beyond the end on the extended tangent. NaN where
    // the line has no direction.
    virtual void nearest(double x, double y, double& mileage, double& offset) const = 0;
};

// The tables a run fills.
struct RunTables {
    MainLine main_line;
    ElementChain element_chain;
    ChainBreaks chain_breaks;
};

// The two real alignments over the caller's tables.
std::unique_ptr<Alignment> make_main_line_alignment(MainLine& line);
std::unique_ptr<Alignment> make_element_alignment(ElementChain& chain);

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
    long last_data_row = 0;
    long boreholes = 0;  // borehole rows completed
    // What the run computed but the user should know (a borehole off the ends of the line,
    // lines after a blank line that were not read): one text each, shown after delivery
    // ("提示：" lines on the command line, one information box in the desktop program).
    std::vector<std::string> notices;
    bool sheet_touched() const { return outcome != RunOutcome::data_error; }
};

// Reports progress during the borehole phase (for the command line's progress line).
class RunProgress {
  public:
    virtual ~RunProgress() = default;
    virtual void borehole_done(long boreholes) = 0;
};

// Runs the coordinate table once on `alignment`; `chain_breaks` is filled from the chain-break
// file when the alignment uses chain breaks, and emptied when it does not.
RunResult run_coordinate_table(RunUi& ui, Alignment& alignment, ChainBreaks& chain_breaks,
                               Sheet& sheet, RunProgress* progress = nullptr);

// Runs the as-drilled table (坐标反算, "钻孔桩号及偏距表") once on `alignment`: the same steps,
// with the points file (实测坐标资料: project line, groups "title n", then n lines
// "name X Y [remark]") in place of the borehole file. Each surveyed hole is taken back to the
// foot of its perpendicular on the centre line: its station in the chain-break numbering,
// lettered where the number alone would read elsewhere, and its offset. A foot off the ends
// of the line is computed on the extended tangent and noticed. The sheet takes PointRow rows
// (kAsDrilledTable); RunResult::boreholes counts the holes written.
RunResult run_as_drilled_table(RunUi& ui, Alignment& alignment, ChainBreaks& chain_breaks,
                               Sheet& sheet, RunProgress* progress = nullptr);

// The two methods the user chooses between.
enum class Method {
    intersection_points,  // 交点法―主线 (--method jd): the main line by its JDs, with chain breaks
    building_blocks,  // 积木法―互通 (--method ht): a ramp by its elements, no chain breaks
};

// One coordinate-table run as a front end starts it: tables of its own (too large for the
// stack) and the alignment of the chosen method over them.
class TableJob {
  public:
    explicit TableJob(Method method);
    RunResult run(RunUi& ui, Sheet& sheet, RunProgress* progress = nullptr);
    // The as-drilled run (坐标反算) over the same alignment; its sheet is made for
    // kAsDrilledTable.
    RunResult run_as_drilled(RunUi& ui, Sheet& sheet, RunProgress* progress = nullptr);

    // The alignment as the plan drawing shows it: the centre line, the JD polygon with the JDs'
    // names (main line; a ramp has none), the key points (ZH, HY, QZ, YH, HZ, or ZY and YZ
    // where a curve has no transition; on a ramp each boundary between elements, named by the
    // kinds it joins), the line's start and end, and the chain breaks stations are printed in.
    // Complete once run() has built the alignment, that is for every outcome but data_error.
    // It refers to this job's tables: it lives no longer than the job, and a later run changes
    // it.
    PlanAlignment plan() const;

  private:
    Method method_;
    std::unique_ptr<RunTables> tables_;
    std::unique_ptr<Alignment> alignment_;
};

}  // namespace qelt
