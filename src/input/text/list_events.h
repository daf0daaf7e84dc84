#pragma once
// The borehole list (钻孔资料) and the points file of surveyed holes (实测坐标资料) read as a
// sequence of events: the project line, each group (its title and how many rows follow), each
// row with its fields, the end of each group and the end of the list. A run is a loop over
// them; how a row is placed on the line and where its record goes is the run's business.
//
// Both files share one grammar:
//   line 1    the project, named in the tables' page headers
//   then      "<title> <count> [further fields]" a group line, followed by count row lines:
//             "<station> <offset> [remark]"       in the borehole list (bh_parse_borehole)
//             "<hole name> <X> <Y> [remark]"      in the points file (pt_parse_point)
// A blank line, or the end of the file after a group's last row, ends the list.
//
// A list kept in Excel and saved as CSV (.csv, or any file whose project line and first group
// line both hold commas) is read the same way with its fields cut at the ASCII commas, a field
// quoted as Excel quotes it (in double quotes, a quote doubled inside) taken whole; the empty
// cells Excel pads a row with are dropped. In a blank-separated list a comma is no separator:
// "11,150" is one field, refused as a number with a thousands separator.
//
// Every refusal ends the events: a file without its project line, a group line that does not
// read, a file that ends inside a group, a row that does not read (with a hint when it reads as
// the next group's line, the count above being larger than the lines), a line that cannot be
// decoded. Notices ride on the event they concern: a group of count 0 whose line also reads as a
// row (the project line probably missing, or the group before holding more lines than its count
// says) on that group; lines after the blank line that ended the list, and a list that gives no
// row at all, on the end. Refusal and notice texts are whole, naming the file and the line
// ("钻孔资料文件“zk.txt”第 12 行：…").

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "alignment/hole_depth.h"
#include "alignment/placement.h"
#include "base/line_reader.h"

namespace qelt {

// The fields of a line cut at ASCII commas, a field quoted as RFC 4180 quotes it taken whole
// (its doubled quotes single), blanks around every field dropped. Nothing when a quote is not
// closed or text follows a closing quote: the line's fields cannot be told then.
std::optional<std::vector<std::string>> comma_fields(std::string_view line);

// The extension of `path` in lower case, with its dot (".csv"), or "".
std::string lower_extension(const std::string& path);

// A CSV row of a list as the blank-separated line it stands for: its fields, the empty ones at
// its end dropped, joined by one blank. Throws DataError for quotes that do not pair and for an
// empty field before the last one given.
std::string csv_row_as_line(const std::string& row);

// Which list a file is, for the grammar of its rows and the names its texts use.
enum class ListKind {
    boreholes,  // 钻孔资料: rows of station and offset
    points,     // 实测坐标资料: rows of surveyed holes, name, X, Y
};

// A group line as read.
struct ListGroup {
    std::string title;
    int count = 0;        // how many rows the line says follow, 0..32767
    int number = 0;       // its place among the list's groups, from 1 (groups of 0 counted)
    std::string further;  // the line after the count, trimmed, as written
    // What the further fields of a borehole list's group line say (read_group_fields); the
    // points file reads none of them.
    std::optional<double> crossing_angle;  // degrees, 0 < θ < 180; nothing when square (90)
    std::string crossing_angle_text;       // as the title row prints it: "75°", "45°30′"
    std::string line_name;                 // "@A匝道": the line of a multi-line file; "" none
    HolePlan plan;  // the depth and type the group's holes are planned to (read_plan_field)
};

// The further fields of a group line (ListGroup::further) that a borehole list gives a meaning,
// in any order; every other field is left unread, as lists have always been allowed to carry:
//   交角θ   the crossing angle of the group's pier axis: θ in decimal degrees ("交角75.5") or in
//           degrees, minutes and seconds ("交角45°30′", "交角45°30′15″"; ' and " are read as ′
//           and ″, full-width digits as ASCII; "交角 75" with a blank too), 0 < θ < 180; 90 is
//           square, as without the field
//   @名称   the line of a multi-line alignment file (LandXML, IFC) the group's holes lie on
//   孔深D, 孔底Z, 设计下N, 类别:T   the depth and type of every hole of the group, unless the
//           hole's line gives its own (alignment/hole_depth.h)
// Throws DataError (no file, no line: the caller names them) quoting the field as written for an
// angle that does not read or lies outside (0, 180), an empty name, a field given twice, a field
// that begins with a depth or type word and does not read whole.
struct GroupFields {
    std::optional<double> crossing_angle;
    std::string crossing_angle_text;
    std::string line_name;
    HolePlan plan;
};
GroupFields read_group_fields(std::string_view further);

// Takes the plan fields (孔深, 孔底, 设计下, 类别; read_plan_field) out of the words after a
// borehole line's offset into `plan`: the rest is the remark, as written where the fields stood
// before or after it ("孔深30 0# 桥台" has the remark "0# 桥台"), its words joined by one blank
// where a field stood between them. Throws DataError as read_plan_field.
std::string take_plan_fields(std::string_view remark, HolePlan& plan);

// A row line as read; the list's kind says which fields it fills.
struct ListRow {
    int serial = 0;    // its place in its group, from 1
    StationOffset at;  // boreholes: the station and offset as written
    std::string name;  // points: the hole's name
    Point point;       // points: the surveyed X north, Y east, metres
    // points: the surveyed H, metres, where the file has a height column and this line a value
    // (the hole's collar elevation); never set by the grouped files.
    std::optional<double> height;
    std::string remark;  // the rest of the line, trimmed, inner blanks kept
    // boreholes: the hole's depth and type, its own fields (孔深, 孔底, 设计下, 类别 anywhere
    // after the offset, taken out of the remark) over its group's.
    HolePlan plan;
};

struct ListEvent {
    enum class Kind {
        project,    // `text`: the first line as written
        group,      // `group`
        row,        // `row`
        group_end,  // every row of the group before has been given
        end,        // the list is complete; every further event is `end` again
        refused,    // `text` is the refusal; `row.serial` the row expected when it came (0 when
                    // no row was), whose serial number the tables keep. Then only `end`.
    };
    Kind kind = Kind::end;
    long line = 0;  // the 1-based line of the file the event comes from; 0 for group_end, end
    std::string text;
    ListGroup group;
    ListRow row;
    std::vector<std::string> notices;  // whole texts, naming the file and, where one, the line
};

// A source of list events: the grouped lists here, the surveyors' point files
// (input/survey/surveyed_points.h).
class ListEvents {
  public:
    virtual ~ListEvents() = default;
    // The next event; the reference stays valid until the next call.
    virtual const ListEvent& next() = 0;
    // "钻孔资料文件“zk.txt”第 12 行：", the start of every text about a line of the file.
    virtual std::string at_line(long line) const = 0;
    // What the file holds, for texts that name it ("钻孔资料").
    virtual const char* data_name() const = 0;
    virtual const std::string& path() const = 0;
    // Closes the file; no further event is read.
    virtual void close() = 0;
};

// A list read line by line from one file: what every such reader shares. step() reads on to
// the next event; a DataError it throws (a line that cannot be decoded, in whatever part of the
// list) refuses the list at that line, and every refusal ends it.
class LineListEvents : public ListEvents {
  public:
    explicit LineListEvents(const std::string& path) : file_(path) {}
    const ListEvent& next() override;
    const std::string& path() const override { return file_.path(); }
    void close() override {
        file_.close();
        stop();
    }

  protected:
    virtual void step() = 0;
    // No further event: the reader's state ends.
    virtual void stop() = 0;
    void emit(ListEvent::Kind kind, long line) {
        event_.kind = kind;
        event_.line = line;
    }
    void refuse(long line, const std::string& detail);

    LineReader file_;
    ListEvent event_;
};

// The borehole list or the points file `path`, read as events. Throws DataError naming the
// file when it cannot be opened or decoded as a whole (LineReader).
std::unique_ptr<ListEvents> read_grouped_list(const std::string& path, ListKind kind);

// What the group lines of a borehole list say of the lines and axes its holes are on, for what
// must be settled before the first row: the tables' columns (crossing_angle, line) and whether
// the run's line needs choosing at all. A list refused part way tells what it read up to there
// (the run then says why).
struct ListGroupsSummary {
    bool skewed = false;             // some group has a crossing angle other than 90
    bool planned = false;            // some group or hole gives a depth or a type
    bool unnamed = false;            // some group with rows names no line
    std::vector<std::string> lines;  // the lines the groups name, in order of first mention
};

// A list read through once, up front, and kept: its events are given again from memory to
// every step of a run that takes them (the tables' columns, the choice of the run's line, the
// table itself), so that the file is opened and read once however many ask. Kept compactly (a
// row about 200 bytes), a list of 200,000 holes takes some 40 MB, as the records the run keeps
// for its drawings do.
class HeldList {
  public:
    // Reads every event of `source` up to its end or its refusal, then closes it.
    explicit HeldList(std::unique_ptr<ListEvents> source);
    HeldList(const HeldList&) = delete;
    HeldList& operator=(const HeldList&) = delete;
    // The events again from the first, in the order read, with their notices.
    std::unique_ptr<ListEvents> events() const;
    const ListGroupsSummary& groups() const { return groups_; }
    // The own names of the rows read, in order (a points file's holes), without unpacking them.
    std::vector<std::string> row_names() const;
    const std::string& path() const { return source_->path(); }

  private:
    class Replay;
    struct Step {
        ListEvent::Kind kind;
        long line;
        std::size_t item;     // the row (kind row) or the other event it gives
        std::size_t notices;  // 1 + its index in notices_, 0 none
    };
    std::unique_ptr<ListEvents> source_;  // closed: names the file and its lines
    std::vector<Step> steps_;
    // A row as held: its numbers here, its texts one after another in texts_. A list of a
    // million holes is held in a third of the memory its ListRows would take, and the table's
    // time goes into the table rather than into the memory it asks of the system.
    struct HeldRow {
        std::size_t texts = 0;                   // where its texts begin in texts_
        std::array<std::uint32_t, 6> lengths{};  // station, offset, name, remark, depth, type
        int serial = 0;
        DepthGiven depth_given = DepthGiven::none;
        bool has_height = false;
        bool has_angle = false;
        double offset = 0, angle = 0, depth = 0, height = 0;
        Point point;
    };
    void hold(const ListRow& row);
    void unpack(std::size_t i, ListRow& row) const;
    std::vector<HeldRow> rows_;
    std::string texts_;
    std::vector<ListEvent> others_;  // every event but the rows, whole
    std::vector<std::vector<std::string>> notices_;
    ListGroupsSummary groups_;
};

// Counts the lines of `file` from where it stands to its end that are not blank (a line that
// cannot be decoded counts), and the first of them (0 when none): the lines after the blank
// line that ends a list, which must not be lost without a word, and the points of a
// surveyors' file, whose one group's count goes before its rows.
void count_nonblank_lines(LineReader& file, long& first, long& count);

}  // namespace qelt
