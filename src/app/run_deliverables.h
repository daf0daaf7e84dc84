#pragma once
// What a table run delivers, set up once for qelt-cli and the desktop program: the workbook the
// run lays out, and the files made from its borehole records (the table's CSV, the plan
// drawing, the stakeout files for the survey crew, the map files). Each goes through a
// PendingFile: written under a temporary name beside its target and given its name only once
// complete, by the front end (qelt-cli replaces its targets, the desktop program takes names
// that are free). The records are held in memory (about 200 bytes a borehole) only when a
// file made after the run needs them: a drawing's extents go before its entities.

#include <array>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/run_files.h"
#include "app/run_options.h"
#include "app/run_output.h"
#include "report/borehole_record.h"
#include "report/tables/csv_table.h"
#include "report/field/map_files.h"
#include "report/record_fanout.h"
#include "report/drawings/section_layout.h"
#include "report/tables/table_columns.h"
#include "terrain/terrain.h"

namespace qelt {

class StepFile;

// Where each goes, by Deliverable; an empty path: not wanted (the workbook is always wanted).
struct DeliverableTargets {
    std::array<std::string, kDeliverableCount> paths;
    const std::string& of(Deliverable d) const { return paths[static_cast<std::size_t>(d)]; }
    std::string& of(Deliverable d) { return paths[static_cast<std::size_t>(d)]; }
};

class RunDeliverables : public RecordFanout {
  public:
    // The table laid out as `layout` (which must outlive this), with the columns of the
    // optional fields in `present` in the workbook and the CSV; the maps in `grid`'s coordinate
    // system.
    RunDeliverables(const TableLayout& layout, const DeliverableTargets& targets,
                    GridSystem grid = {}, FieldSet present = {});
    RunDeliverables(const RunDeliverables&) = delete;
    RunDeliverables& operator=(const RunDeliverables&) = delete;

    // Creates every temporary file before the run writes anything, so that a folder that is
    // missing or cannot be written is known at once: the first file that could not be created,
    // or null.
    PendingFile* create();

    // The run writes to this sink itself: the list's events lay out the workbook and the CSV,
    // and the records go to every file.

    // The workbook's last row that holds a borehole, 0 before the first.
    long last_data_row() const { return workbook_.table().last_data_row(); }

    // Once the run has ended: writes the workbook and the CSV.
    void close_table();
    // Then, unless the run failed before its table was begun, the files made from the records
    // and the run's `alignment`; the maps titled `title`. A file that cannot be made of these
    // records (a stakeout name GBK cannot hold, a map whose coordinate system is not known) is
    // left out and listed in refusals(): the front end decides whether that stops the others.
    // `further_lines`: the lines the list's groups named beside `alignment`, for the drawing.
    void write_files(const Alignment& alignment, const std::string& title,
                     std::span<const Alignment> further_lines = {});
    // The ground the run read, for the section drawing (null: none); set before write_files.
    void set_ground(const Terrain* ground) { ground_ = ground; }
    // The IFC model the run's line was read from, as the run parsed it (TableJob::line_model):
    // the holes' model is a copy of it with the holes added; null (a line from another kind of
    // file), a model of its own. Set before write_files.
    void set_line_model(const StepFile* model) { source_model_ = model; }
    // Whether `path` is an IFC model (a STEP file), whose copy takes the holes.
    static bool is_ifc_model(const std::string& path);
    // The section drawing's scales (default 1:2000 along the line, 1:200 in height).
    void set_section_scales(SectionScales scales) { section_scales_ = scales; }

    struct Refusal {
        Deliverable file;
        std::string reason;  // in the user's words (a DataError's text)
        // A map whose coordinate system is not known (no --crs or --central-meridian, Y without
        // its zone number): a front end without those options says what its user can do.
        bool no_coordinate_system;
    };
    const std::vector<Refusal>& refusals() const { return refusals_; }
    bool refused(Deliverable d) const;

    // The pending file of `d`, null when it is not wanted.
    PendingFile* file(Deliverable d);
    // The wanted files in delivery order.
    std::vector<Deliverable> wanted() const;
    // The first wanted file whose writing failed (refused ones aside), or null.
    PendingFile* failed();

  private:
    bool wants(Deliverable d) const { return !targets_.of(d).empty(); }
    // Writes the file `d` made of the records into `out`; throws DataError when it cannot be
    // made of them.
    void write_file(Deliverable d, std::ostream& out, const Alignment& alignment,
                    const std::string& title, std::span<const Alignment> further_lines);
    std::vector<LineSection> line_sections(const Alignment& alignment,
                                           std::span<const Alignment> further_lines) const;

    const TableLayout& layout_;
    FieldSet present_;
    const Terrain* ground_ = nullptr;
    SectionScales section_scales_;
    DeliverableTargets targets_;
    GridSystem grid_;
    const StepFile* source_model_ = nullptr;  // the IFC model the line came from, or null
    PendingWorkbook workbook_;
    // Every other file by Deliverable (the workbook's slot stays empty).
    std::array<std::optional<PendingFile>, kDeliverableCount> files_;
    std::optional<std::ostream> csv_stream_;
    std::optional<CsvTable> csv_;
    RecordList records_;
    std::vector<Refusal> refusals_;
};

// The lines of the desktop's closing box about a file made of the records that no program opens
// (kDeliverables' desktop_name): where it went, "钻孔平面布置图已写入：<path>", or why it was
// not made, "未写出放样点文件：<reason>". A map without its coordinate system says how the
// desktop user gives one, for the desktop has no option to name it.
std::string desktop_written_text(Deliverable file, const std::string& path);
std::string desktop_refused_text(const RunDeliverables::Refusal& refusal);
// The closing box's line for a stopped run's table `table`: delivered, named and headed
// incomplete, and no drawing, stakeout or map made of the holes written so far.
std::string incomplete_set_text(std::string_view table);

}  // namespace qelt
