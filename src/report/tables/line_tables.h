#pragma once
// The tables that let the engineer check the line Qelt computed against the design drawings
// before a single borehole is placed on it:
//   直线、曲线及转角表 (a main line by JDs): per JD its deflection, radius, transitions, tangent
//       lengths, curve length, external distance, correction and key-point stations, and per
//       leg its straight length, JD distance and azimuth, with the chain breaks between;
//   线元表 (an element chain, a LandXML line): per element its kind, stations, radii, length,
//       clothoid parameter, start point and direction and end point;
//   逐桩坐标表 (any line): station, X, Y and tangent azimuth at every multiple of the interval
//       and at every key point and chain break; with a design profile also the design
//       elevation, and stakes at every grade point and at both ends of every vertical curve;
//   纵坡、竖曲线表 (a line with a design profile): per grade point its station, elevation and
//       vertical curve (凸/凹, R, T, E, L, start and end stations), per grade its grade and
//       length.
// All of them are computed from the alignment model alone, so that a LandXML line shows what
// was read exactly as a typed one shows what was built.
//
// Units: metres; X north, Y east; angles in the files as the tables say (d°m′s″ printed,
// decimal degrees in the CSV, azimuths clockwise from north, deflections positive to the right).

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "alignment/alignment.h"
#include "geometry/profile.h"
#include "report/tables/printed_table.h"
#include "report/tables/table_columns.h"
#include "station/station.h"

namespace qelt {

enum class LineTableKind { curves, elements, stakes, grades };

inline constexpr const char* kCurveTableTitle = "直线、曲线及转角表";
inline constexpr const char* kElementTableTitle = "线元表";
inline constexpr const char* kStakeTableTitle = "逐桩坐标表";
inline constexpr const char* kGradeTableTitle = "纵坡、竖曲线表";
// Why a line without a design profile has no grade table.
inline constexpr const char* kGradeTableNeedsProfile =
    "没有纵断面资料，不能列纵坡、竖曲线表；请给出纵断面资料文件（qelt-cli 的 --profile）";
inline constexpr double kDefaultStakeInterval = 20;
// Why a line given by its elements has no curve table.
inline constexpr const char* kCurveTableNeedsJds =
    "该线路由线元给出（积木法或 LandXML 文件），没有交点，不能列直线、曲线及转角表；"
    "请用线元表（qelt-cli elements）";

const char* line_table_title(LineTableKind kind);
// The title as a file name writes it ("直线曲线及转角表"): without the 、 a name should not hold.
std::string line_table_file_name(LineTableKind kind);

// The most rows a stake table may have: a printed table of more is no table anyone prints.
inline constexpr long kMaxStakeRows = 200000;

// A row of the curve table: a JD (the start and end points included, without curve), or a
// chain break between two JDs. Stations are in the chain-break numbering, printed with the
// interval letter where the number alone would be read elsewhere.
struct CurveTableRow {
    bool chain_break = false;
    // A JD row.
    std::string jd;                       // the JD's name as written in the alignment file
    StationOfMileage jd_station;          // ZH + T1 (the start and end points: their own stations)
    Point point;                          // metres, X north, Y east
    bool curve = false;                   // an interior JD: the curve values below apply
    double deflection = 0;                // radians, + to the right
    double radius = 0, ls1 = 0, ls2 = 0;  // metres, as typed
    // Clothoid parameters A = √(Ls / |1/R − 1/R′|), R′ the transition's far radius (infinite
    // unless given), metres; 0 where the side has no transition.
    double a1 = 0, a2 = 0;
    double t1 = 0, t2 = 0, length = 0;    // as the build uses them (a hairpin's signed)
    double external = 0;                  // E, the JD to the QZ point, metres
    double correction = 0;                // J = T1 + T2 − L, metres
    StationOfMileage zh, hy, qz, yh, hz;  // QZ = ZH + L/2
    bool hairpin = false;
    // The leg to the next JD (none on the last row): the straight between this curve's HZ and
    // the next one's ZH (continuous mileage, metres), the JD distance and the leg's azimuth
    // (radians in [0, 2π), clockwise from north, from this JD towards the next).
    bool leg = false;
    double straight = 0, jd_distance = 0, azimuth = 0;
    // A chain-break row: where the stationing breaks, the station back and the station ahead,
    // and how long the chain is (> 0; a long chain 长链 where the numbering runs back, a short
    // one 短链 where it jumps ahead).
    StationOfMileage back, ahead;
    bool long_chain = false;
    double chain_length = 0;
};

// A row of the element table: one piece of the located line, or a chain break. An element
// whose stations span a break is longer or shorter than its stations differ by the chain's
// length; the break's row follows it (or stands between two elements where the break is at
// their joint), as in the curve table.
struct ElementTableRow {
    int index = 0;          // 1, 2, … along the line
    const char* type = "";  // 直线, 圆曲线, 缓和曲线
    StationOfMileage start, end;
    // Radii at the start and the end, metres, signed: + for a curve to the right; 0 for a
    // straight (infinite radius).
    double r_start = 0, r_end = 0;
    double length = 0;
    double a = 0;  // clothoid parameter √(length / |1/R_start − 1/R_end|), 0 for no transition
    Point start_point, end_point;  // metres, X north, Y east
    double azimuth = 0;            // at the start, radians in [0, 2π), clockwise from north
    // A chain-break row (index 0): the station back and ahead, the chain's kind and length
    // (as CurveTableRow's) and where the break stands on the line.
    bool chain_break = false;
    StationOfMileage back, ahead;
    bool long_chain = false;
    double chain_length = 0;
    Point point;
};

// A row of the stake table.
struct StakeRow {
    StationOfMileage station;  // a chain break's row: the station back
    double mileage = 0;        // continuous, metres
    Point point;               // metres, X north, Y east
    double azimuth = 0;        // tangent, radians in [0, 2π), clockwise from north
    std::string name;          // "JD3 HY", "起点", "终点", "断链"; empty for a plain stake
    bool chain_break = false;
    StationOfMileage ahead;  // a chain break's station ahead
    // The profile's design elevation, metres, where the line has a profile reaching here.
    std::optional<double> design_elevation;
    // The ground under the stake on the centre line, metres, where the job has a ground that
    // covers the stake (it sets it: StakeSource).
    std::optional<double> ground_elevation;
};

// The stake table's rows one at a time, in the order of mileage: the job hands them to the
// writer with the heights it found at each (StakeRow::ground_elevation).
class StakeSource {
  public:
    virtual ~StakeSource() = default;
    // The next row, false after the last.
    virtual bool next(StakeRow& row) = 0;
};

// The stake table's rows of the line, computed one at a time so that a table of a long line at
// a short interval is never held whole; the design elevation where the line has a profile, no
// ground. Throws DataError as stake_table_rows.
class StakeRows final : public StakeSource {
  public:
    StakeRows(const Alignment& alignment, double every);
    bool next(StakeRow& row) override;

  private:
    enum Rank { kBreak = 0, kStake = 1, kKey = 2 };
    struct Item {
        double mileage = 0;
        Rank rank = kStake;
        StationOfMileage station, ahead;
        std::string name;
    };
    // Each interval's stakes: its whole multiples of the interval.
    struct Span {
        long from, to;  // multiples
    };
    bool peek(Item& item);  // the next item of the three sources, in order; false at the end
    void take();
    void stake_item(Item& item) const;

    const Alignment& alignment_;
    double every_;
    std::vector<Span> spans_;
    std::vector<Item> breaks_, keys_;  // small: held, in order of mileage
    std::size_t next_break_ = 0, next_key_ = 0;
    int interval_ = 0;  // the stake source's interval and multiple
    long multiple_ = 0;
    int taken_from_ = -1;  // the source peek() took its item from
    std::optional<Item> pending_;
};

// The stake table's rows at exactly the stakes the route group listed (its 纬地 stake list):
// `mileages` rising, on the line. A stake on a key point (to the list's millimetre) is named as
// StakeRows names it; the design elevation where the line has a profile, no ground.
class ListedStakeRows final : public StakeSource {
  public:
    ListedStakeRows(const Alignment& alignment, std::vector<double> mileages)
        : alignment_(alignment), mileages_(std::move(mileages)) {}
    bool next(StakeRow& row) override;

  private:
    const Alignment& alignment_;
    std::vector<double> mileages_;
    std::size_t next_ = 0;
};

// A row of the grade table: a grade point, its vertical curve, and the grade after it.
struct GradeTableRow {
    int index = 0;             // 1, 2, … along the line
    StationOfMileage station;  // the grade point's, lettered where needed
    double elevation = 0;      // metres
    VerticalCurve curve;       // kind none: no curve (the curve values do not apply)
    StationOfMileage curve_start, curve_end;
    bool grade = false;       // false on the last row
    double grade_after = 0;   // dimensionless, + uphill with increasing station
    double grade_length = 0;  // metres of mileage to the next grade point
};

// The rows of the three tables, computed from the alignment model alone; the stationing must
// be complete (dl_complete). curve_table_rows needs a line with JDs (DataError otherwise);
// stake_table_rows takes every multiple of `every` (metres, > 0 and finite) in each chain-break
// interval's own numbering (stations restart after a break), every key point and chain break
// and the two ends, in the order of mileage, one row per point: a key point on a multiple
// names that stake. DataError for an interval that is no positive number or a table beyond
// kMaxStakeRows.
std::vector<CurveTableRow> curve_table_rows(const Alignment& alignment);
std::vector<ElementTableRow> element_table_rows(const Alignment& alignment);
std::vector<StakeRow> stake_table_rows(const Alignment& alignment, double every);
// The grade table of the line's profile; DataError (kGradeTableNeedsProfile) without one.
std::vector<GradeTableRow> grade_table_rows(const Alignment& alignment);

// The project line the page headers of a line table carry: the line's name where its source
// gives one, after the alignment file's name ("interchange.xml 主线", "mainline-jd.txt").
std::string line_table_project_line(const Alignment& alignment, const std::string& alignment_path);

// The table that describes the line's own geometry: the curve table for a line given by its
// JDs, the element table for every other.
LineTableKind geometry_table_of(const Alignment& alignment);

// The column tables of the four tables (table_columns.h): the workbook's and the CSV's
// columns of each.
extern const RowTableLayout<CurveTableRow> kCurveTable;
extern const RowTableLayout<ElementTableRow> kElementTable;
extern const RowTableLayout<StakeRow> kStakeTable;
extern const RowTableLayout<GradeTableRow> kGradeTable;

// The table as CSV (UTF-8 with BOM, full precision). `every` is the stake interval, metres
// (> 0), read by the stake table only (whose rows have no ground: write_stake_table). The
// alignment's stationing must be complete (dl_complete). Throws DataError when the table does
// not apply to the line (the curve table of a line without JDs).
void write_line_table_csv(std::ostream& out, LineTableKind kind, const Alignment& alignment,
                          double every = kDefaultStakeInterval);

// Every printed column of the table `kind` (设计高程 and 地面高程 among them), for checking their
// widths against what they hold.
std::vector<PrintedColumn> line_table_columns(LineTableKind kind);

// The table as an .xlsx workbook at `path` (the caller's temporary name), in the house print
// style, `project_line` left in the page headers. False, with the reason in `error`, when it
// could not be written. Throws DataError as write_line_table_csv.
bool write_line_table_xlsx(const std::string& path, LineTableKind kind, const Alignment& alignment,
                           const std::string& project_line, double every, std::string& error);

// The stake table of the rows `stakes` hands over: the workbook at `path` and, where `csv` is
// given, the CSV into it, both in one pass over the stakes. 设计高程 where the line has a
// profile; 地面高程 where `ground` says the job gave each row its ground. False, with the reason
// in `error`, as write_line_table_xlsx.
bool write_stake_table(const std::string& path, std::ostream* csv, const Alignment& alignment,
                       StakeSource& stakes, bool ground, const std::string& project_line,
                       std::string& error);

}  // namespace qelt
