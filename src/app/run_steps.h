#pragma once
// The steps every table run takes, whatever its rows: choose and read the alignment and build
// it, choose and read the chain breaks, open the list file, then write its groups one by one
// (title, headings, a row per line, frame) and finish with the note row, page lines and page
// headers; and the one stop path that closes the list file and tells the user. The coordinate
// table (钻孔数量及位置表, rows from stations and offsets) and the as-drilled table
// (钻孔桩号及偏距表, rows from surveyed X, Y) are the two runs built on them: each says only how a
// line of its list file reads and what its row holds.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/run.h"
#include "report/borehole_record.h"

namespace qelt {

// Why a run ends before its table is complete. Thrown by the step that finds it and handled in
// one place, which closes the list file, tells the user and fills in the result.
struct RunStop {
    RunOutcome outcome;
    std::string message;  // the result's message
    std::string file;     // the file and 1-based line it concerns, when known
    long line = 0;
};

// The list file a run writes its table from, and how its messages name it.
struct ListFile {
    FileDialog dialog;
    const char* file;  // the file, "钻孔资料文件"
    const char* data;  // what it holds, "钻孔资料"
};

class TableRun {
  public:
    // Each kind of run reads its own list file (`list`); the subclasses take this constructor.
    // The list's events and every row's record go to `records`.
    TableRun(RunUi& ui, AlignmentSource& source, Alignment& alignment, RecordSink& records,
             RunProgress* progress, const ListFile& list)
        : alignment_(alignment),
          records_(records),
          ui_(ui),
          source_(source),
          progress_(progress),
          list_(list) {}
    RunResult run();

  protected:
    virtual ~TableRun() = default;
    TableRun(const TableRun&) = delete;
    TableRun& operator=(const TableRun&) = delete;

    // Reads the line of one row; throws DataError saying what is wrong with it (the run adds
    // the line, its group and its place in the group).
    virtual void parse_row(const std::string& line) = 0;
    // Computes the row parse_row read last; throws RunStop (row_failure) naming `line` of the
    // list file. Returns the borehole's record, all but its group and serial number, which the
    // run fills in.
    virtual BoreholeRecord write_row(long line) = 0;
    // Whether a line reads as a row: a line that does not, but reads as a group line, is taken
    // for the next group's line, the group before having fewer lines than its count says.
    virtual bool reads_as_row(const std::string& line) const = 0;

    // "钻孔资料文件“zk.txt”第 12 行：", the start of every message about a line of the list file.
    std::string at_line(long line) const;
    // A failure of the list phase: the table written so far is kept.
    RunStop row_failure(const std::string& detail, long line) const;
    // A notice about a line of the list file.
    void notice(long line, const std::string& text);
    // Where a continuous mileage lies when it is outside the line ("位于线路终点之后 …"),
    // `computed` naming what was computed along the extended tangent; nothing on the line.
    std::optional<std::string> off_line(double mileage, const char* computed) const;
    const std::string& list_path() const { return list_reader_->path(); }

    Alignment& alignment_;  // the line and its stationing, once read_line has built them

  private:
    RecordSink& records_;
    // A group line as read: its title and how many row lines follow.
    struct Group {
        std::string title;
        std::int16_t count = 0;
        long line = 0;
    };

    void open_list();
    void begin_table();
    void read_project_line();
    bool read_group();
    void write_group();
    void write_entry(int k);
    void finish();

    void note_lines_not_read(long blank_line);
    std::string not_a_row(const std::string& line, const std::string& detail, int k) const;
    RunStop input_error(const std::string& detail, const std::string& file, long line) const;
    void stop(const RunStop& reason);

    RunUi& ui_;
    AlignmentSource& source_;
    RunProgress* progress_;
    ListFile list_;
    RunResult result_;
    std::unique_ptr<LineReader> list_reader_;
    std::string project_line_;
    Group group_;
    int groups_read_ = 0;
};

}  // namespace qelt
