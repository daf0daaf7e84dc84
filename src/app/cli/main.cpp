// qelt-cli: the coordinate table, and the as-drilled table of surveyed holes (inverse), from
// the command line. The file options stand in for the desktop program's open-file dialogs, in
// the same order; the table goes to an .xlsx workbook (and optionally a CSV file), written
// beside its target and renamed into place so that a failed run never leaves a half-written
// file. An output is never one of the inputs.

#include <array>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "app/forms/delivery.h"
#include "app/run.h"
#include "app/run_comparison.h"
#include "app/run_deliverables.h"
#include "app/run_line_tables.h"
#include "app/run_output.h"
#include "base/data_error.h"
#include "base/platform.h"
#include "base/text.h"
#include "base/utf8_path.h"
#include "input/formats.h"
#include "input/hintcad/hintcad_files.h"

namespace {

using namespace qelt;

constexpr int kExitComplete = 0;
constexpr int kExitDataError = 1;
constexpr int kExitPartial = 2;
constexpr int kExitUsage = 64;

const char* const kUsage =
    R"(用法 / usage:
  qelt-cli table --method jd --alignment FILE --chain-breaks FILE --boreholes FILE
                 [--output T.xlsx] [--csv T.csv] [--dxf D.dxf]
  qelt-cli table --method ht --alignment FILE --boreholes FILE [--output T.xlsx] [--csv T.csv]
                 [--dxf D.dxf]
  qelt-cli inverse --method jd --alignment FILE --chain-breaks FILE --points FILE
                   [--output T.xlsx] [--csv T.csv]
  qelt-cli inverse --method ht --alignment FILE --points FILE [--output T.xlsx] [--csv T.csv]
  qelt-cli table --alignment F.xml|F.ifc [--alignment-name NAME] [--chain-breaks FILE]
                 --boreholes FILE [--output T.xlsx] [--csv T.csv] [--dxf D.dxf]
  qelt-cli inverse --alignment F.xml|F.ifc [--alignment-name NAME] [--chain-breaks FILE]
                   --points FILE [--output T.xlsx] [--csv T.csv]
  inverse also compares the drilled holes with the planned ones:
                   [--planned B.txt [--tolerance M]]
  qelt-cli landxml --method jd|ht --alignment FILE [--chain-breaks FILE] --output L.xml
                   [--name NAME]
  qelt-cli curves|elements|stakes <the alignment options of table> [--output T.xlsx]
                   [--csv T.csv] [--every M]
  stakes also takes 纬地's stake list instead of --every: [--stations F.sta]
  qelt-cli grades <the alignment options of table> --profile FILE [--profile-name NAME]
                   [--output T.xlsx] [--csv T.csv]
  table, inverse and stakes also take the design profile, for design elevations:
                 [--profile FILE [--profile-name NAME]]
  table, inverse and stakes also take the ground, for ground elevations and 填挖高:
                 [--terrain FILE [--terrain-name NAME]]
                 or 纬地's ground [--ground-line F.dmx [--sections F.hdm]]
                 and table then also [--section-dxf S.dxf [--section-scales H,V]]
  table and inverse also take, for the survey crew and the map:
                 [--stakeout S.dat] [--points-csv P.csv] [--kml K.kml] [--geojson G.json]
                 [--crs EPSG:N | --central-meridian DEG]
  table also writes the planned holes into the BIM model: [--ifc H.ifc]

  --method jd       交点法―主线 (intersection-point method, main line)
  --method ht       积木法―互通 (building-block method, interchange ramp; no chain breaks)
  --alignment       平面资料 (alignment file: JD file for jd, element file for ht, or a
                    LandXML 1.2 or IFC 4.3 file, recognised by its content whatever its name;
                    --method is then not needed)
  --alignment-name  the alignment of a LandXML or IFC file that holds several (without it
                    such a file is refused with the list of its alignments and their stations);
                    "NAME#2" the second alignment of a name two share (a shared name alone is
                    refused, each listed with its line in the file), "#3" the third of the file
  --chain-breaks    断链资料 (chain-break file, jd only; a first line "-1 -1" means none;
                    with a LandXML or IFC file only when it has no chain breaks of its own
                    (StaEquation, STATION referents), and then optional)
  --boreholes       钻孔资料 (borehole file: project line, then groups "title n" + n lines
                    "station offset [remark]"). A group line may add, in any order:
                    交角θ   crossing angle of a skewed pier axis (交角75, 交角45°30′15″;
                            0 < θ < 180, 90 square): the holes lie on the axis, whose left half
                            makes θ with increasing station, offset measured along it
                            (CSV column crossing_angle)
                    @NAME   the group's line in a LandXML or IFC file of several, with its own
                            stationing and profile (CSV column line); when every group names
                            one, --alignment-name is not needed
                    and a group line (for all its holes) or a hole line after the offset
                    (for that hole, over its group's), in any order, the remark after them:
                    孔深D   D metres below the ground at the hole (孔深30)
                    孔底Z   down to elevation Z (孔底320.5; needs --terrain)
                    设计下N N metres below the design elevation at the station (设计下5;
                            needs --profile and --terrain)
                    类别:T  the hole's type, no blanks (类别:技术孔, or with ：)
                            A field beginning with these words must read whole (孔深30m is
                            refused). Then the table gets 孔深（米）, 孔底高程 (= ground − depth)
                            and 类别, the CSV depth,bottom_elevation,hole_type, the workbook a
                            sheet 勘探工作量 (holes and metres by group and by type), the
                            section drawing each hole down to its bottom, the closing line
                            "钻孔 N 个，进尺 M 米"; a hole whose bottom is not below its ground
                            is refused
  --points          实测坐标资料 (inverse: the surveyed holes, laid out like the borehole file
                    with lines "name X Y [remark]"; or the survey crew's own file as it comes:
                    *.dat CASS "点名,编码,Y,X,H" (easting first), *.csv PNEZD
                    "点名,X,Y,H,描述" (northing first), one point a line, no header, all
                    points one group named after the file, H the collar elevation (column
                    孔口高程, CSV collar_elevation). Another name is told by its first line:
                    4 or more comma-separated fields make a surveyors' file, CASS when field 2
                    is empty or not a number, PNEZD when it is; the layout read is reported on
                    a "提示：" line)
  --planned         计划钻孔资料 (inverse: the borehole file the table and its --stakeout file
                    were made from). Each surveyed point is matched to the planned hole whose
                    stakeout point name it carries (A1, A2 … B1, as --stakeout names them);
                    a name that matches none (a renamed or added point) is 计划外, and a
                    planned hole without its point is 未钻; a name surveyed twice matches
                    with its first point, the later ones are 计划外 (and reported). The table
                    then follows the planned groups and order: planned and drilled station
                    and offset, 纵向偏差 (Δ along, + ahead) and 横向偏差 (Δ across, + left),
                    both the drilled point minus the planned point resolved on the centre
                    line's direction at the planned station, 平面偏差 (distance in plan),
                    孔口高程, 状态 (超限 beyond the tolerance); the 未钻 and 计划外 holes
                    follow as two groups of their own. CSV columns appended:
                    planned_station,planned_offset,d_along,d_across,distance,status (status
                    empty, 超限, 未钻 or 计划外; a 未钻 row has empty drilled fields). The
                    summary line counts them.
  --tolerance       with --planned: the distance in plan, metres, beyond which a hole is
                    超限 (default 1.0; take the project's own from its 勘察纲要 or the survey
                    code it adopts), compared to the millimetre as printed
  --profile         纵断面资料 (the design profile): a text file, a title line then one line
                    per grade point "station elevation [R]" (station as in the borehole file,
                    R the radius of the 竖曲线 in metres, 0 or none for no curve), or a LandXML
                    file whose ProfAlign of the chosen alignment is read (PVI, ParaCurve,
                    UnsymParaCurve, CircCurve; the alignment file itself may be named again).
                    Each borehole then has the design elevation at its station (inverse: at
                    its foot), in the CSV as the column design_elevation appended; a hole
                    beyond either end of the profile has none (an empty field) and is
                    reported on a "提示：" line. Without --profile no heights at all.
  --profile-name    the ProfAlign of a LandXML file whose alignment has several (without it
                    such a file is refused with the list of its profiles and their stations)
  --terrain         地面资料 (the ground): a LandXML file with a TIN surface (Surfaces/Surface,
                    Pnts/P "northing easting elevation", Faces/F; faces with i="1", the
                    outside of an outer Boundary and the inside of a void Boundary are no
                    ground), or the crew's ground shots, triangulated (Delaunay) over their
                    convex hull: *.dat CASS "点名,编码,Y,X,H", *.csv PNEZD "点名,X,Y,H[,描述]",
                    any other file "点名 X Y H" per line; every point needs H. Each hole then
                    has the ground at its own X, Y (column 地面高程, CSV ground_elevation
                    appended; with --profile also 填(+)挖(−) = 设计高程 − 地面高程, + fill,
                    − cut; inverse with a surveyors' file, --planned or not: 模型地面 and
                    实测−模型, and one "提示：" line naming the holes whose collar H lies
                    more than 5 m from the ground: another height datum or a typing error).
                    A hole outside the ground has none and is reported on a "提示：" line.
  --terrain-name    the Surface of a LandXML file that holds several (without it such a file
                    is refused with the list of its surfaces, their points and faces); the
                    alignment's own LandXML file may be the --terrain file too
  --ground-line     纬地 纵向地面线 (.dmx, first line HINTCAD…_DMX_SHUJU, "桩号 地面高程" a
                    line): the ground along the centre line, linear between its stakes; alone
                    it gives the ground of holes on the centre line (offset 0) and of stakes
  --sections        纬地 横断面 (.hdm, first line HINTCAD…_HDM_SHUJU; needs --ground-line, not
                    with --terrain): the surveyed cross sections, heights from the centre
                    stake. A hole at a section's station has the ground along that section;
                    between two sections, linear between their ground at its offset; beyond a
                    section's surveyed width, before the first or after the last section none
                    (an empty cell and a "提示：" line naming the hole)
  --output          the workbook to write (default, in this folder: 钻孔数量及位置表.xlsx;
                    for inverse 钻孔桩号及偏距表.xlsx)
  --csv             also write the rows as CSV (UTF-8 with BOM):
                    group,serial,station,offset,x,y,remark
                    inverse: group,serial,name,x,y,station,station_value,offset,remark
                    [,collar_elevation] (a CASS or PNEZD points file)
                    [,planned_station,planned_offset,d_along,d_across,distance,status]
                    (--planned)
  --dxf             also write the plan drawing (钻孔平面布置图) for CAD: DXF R2000 with the
                    centre line, JD polygon, key points, 100 m stations and the boreholes
                    with their labels, each on its own layer (drawing x = Y east,
                    y = X north, metres)
  --section-dxf     (table, with --profile or --terrain) also write the section drawing
                    (钻孔纵断面图): DXF R2000 along the centre line, x the continuous mileage
                    in metres (1:2000), y the elevation times 10 (heights at 1:200): the
                    ground line (the terrain under the centre line, within 1 cm), the grade
                    line with its grade points (station, H, R, T, E), the chain breaks, each
                    borehole as a mark down from its own ground (else its design elevation)
                    labelled with its stakeout name and side, and the bands 设计高程,
                    地面高程, 填挖高, 桩号 at every 100 m and every borehole. Without
                    --terrain the ground line is the LandXML alignment's own ProfSurf where it
                    has one (named in the drawing's legend). A list whose groups name
                    several lines (@名称) gets one section per line in the one file, one
                    below another, each titled with its line's name and holding only its
                    own holes; the sections below the first start at the first one's x
  --section-scales  the section drawing's two scale denominators, along the line and in
                    height (default 2000,200: 1:2000 and 1:200, ten times exaggerated); y is
                    then the elevation times H/V, texts sized for a plot at 1:H
  --stakeout        also write the points for the RTK controller and CASS (放样点文件):
                    South CASS .dat, one line per borehole "点名,编码,Y,X,H" (easting first,
                    编码 and H empty), GBK, CR LF, 4 decimals. 点名: group letter + serial
                    (A1, A2 … B1: the groups lettered A, B, C … in the table's order); for
                    inverse the hole's own name (a name several holes share: ZK1-A, ZK1-B)
  --points-csv      the same points as CSV "name,northing,easting,elevation,description"
                    (PNEZD, no header line; description: group and station; elevation
                    empty), GBK, CR LF
  --kml, --geojson  the centre line and the boreholes in longitude/latitude for a map
  --crs EPSG:N      the projected coordinate system of X, Y for the maps, or
  --central-meridian DEG
                    CGCS2000 Gauss-Krüger, false easting 500 km, no zone prefix; neither when
                    Y carries its zone number (38498953.0072: zone 38)
  --ifc             the holes as IFC 4.3 (IFC4X3_ADD2) IfcBoreholes in one IfcGeomodel, each
                    placed along its line (IfcLinearPlacement: distance along the centre line
                    from its start, offset + left, and the table's X, Y as its
                    CartesianPosition), named by its stakeout name, with
                    Pset_GeotechnicalAssemblyCommon and Qelt_Borehole (group, serial, station,
                    offset, type, heights); a cylinder of 0.11 m down to a planned depth, else
                    a marker. Line from an IFC model: that model with the holes appended (its
                    own instances unchanged); else a new model with the line (and its profile
                    and chain breaks), georeferenced by --crs, --central-meridian or the zone
                    in Y (CGCS2000 Gauss-Krüger as its EPSG code)
  A file of these that cannot be made of the table's points (a map without a coordinate
  system, a name GBK cannot hold) is reported as "错误：--kml K.kml：<reason>" and the
  whole run is refused (status 1): no file at all is written, the table neither, so that
  a set of files never goes out with one missing.

纬地 (HintCAD) data files, told by their first line HINTCAD<version>_…, whatever their
extension: --alignment F.pm (平面线元, no --method; each element's start and end point and
azimuth as built from its radii and length must agree with the file's within 1 mm and 1",
else refused naming the element; --chain-breaks applies as to every line), --profile F.zdm
(纵断面: station, elevation, R; a step 错台 is refused), --ground-line F.dmx and --sections
F.hdm as above; --alignment F.jd (平面交点) is built as a JD file is, each curve's T1 and T2
as built checked against the file's within 1 mm.

LandXML (平面线形的 LandXML 1.2 文件): Line, Curve and clothoid Spiral elements of
Alignments/Alignment/CoordGeom, each placed at its own Start and directed by its coordinates
(the dir attributes are not read); staStart and StaEquation give the stations and chain
breaks; metres, or feet converted exactly. Profiles are read by --profile; cant and other
spiral types are not read.
A seam of more than 1 mm or a direction break of more than 10" between two elements is
reported on a "提示：" line; a gap of more than 0.1 m, or an element whose End does not follow
from its Start, is refused. So is an element's staStart (or a Line's length) more than 0.1 m
from the station its predecessors' lengths and the StaEquations give, unless it is the
station on the other side of an equation; beyond 1 mm it is a "提示：" line.
An alignment given by AlignPIs (PI, InSpiral/Spiral, Curve1/Curve, OutSpiral/Spiral; INF or 0
a straight end) is built as a JD file is, with its checks, and serves curves too; given with
CoordGeom, the elements are the line and the PIs are compared with them at the key points
(more than 1 mm apart: a "提示：" line). A lone CR in a LandXML file is white space (a line end
as editors count it); Qelt's own text files refuse it.
IFC 4.3 (.ifc, schemas IFC4X3, IFC4X3_ADD1, IFC4X3_ADD2): each IfcAlignment's design is read,
not its geometric representation. IfcAlignmentHorizontal segments LINE, CIRCULARARC and
CLOTHOID in the order of IfcRelNests, each placed at its own StartPoint and StartDirection (IFC's
x east, y north, directions counter-clockwise, radius positive to the left, mapped onto X north,
Y east, azimuth clockwise), seams checked as for LandXML (the notice above 1 mm or the model's
Precision, whichever is coarser); IfcReferents of type STATION with Pset_Stationing (Station,
IncomingStation) at their DistanceAlong give the start station and the chain breaks; the
IfcAlignmentVertical segments (CONSTANTGRADIENT, PARABOLICARC, CIRCULARARC) the design
profile; units by their definitions (mm, feet, US survey feet, degrees, grads …);
IfcMapConversion (or a translation-only IfcRigidOperation) applied (a grid scale other than the
change of unit is refused) and the IfcProjectedCRS named in a "提示：" line. Other horizontal
segment types and other schemas are refused, named; a vertical that cannot be read leaves the
line without heights, said on a "提示：" line.
landxml writes the line typed in Qelt's own files (with its chain breaks) as LandXML 1.2 for
survey and design software: Line/Curve/Spiral with full-precision coordinates, StaEquation
per chain break, metric units; --name names the alignment (default: the alignment file's name).

Line tables (线形表), to compare the line Qelt computed with the design drawings:
  curves    直线、曲线及转角表 (JD method only): per JD its station, X, Y, deflection, R, Ls1,
            Ls2, A1, A2, T1, T2, L, E, J and the key-point stations ZH HY QZ YH HZ, per leg
            the straight, the JD distance and the azimuth; chain breaks on rows of their own
            (default --output 直线曲线及转角表.xlsx; CSV
            jd,jd_station,x,y,deflection,R,Ls1,Ls2,A1,A2,T1,T2,L,E,J,ZH,HY,QZ,YH,HZ,leg,azimuth)
  elements  线元表 (any line): per element its type, stations, radii (right positive, empty
            for a straight), length, A, start X, Y, azimuth and end X, Y (default --output
            线元表.xlsx; CSV index,type,start_station,end_station,R_start,R_end,length,A,x,y,
            azimuth,end_x,end_y)
  stakes    逐桩坐标表 (any line): X, Y and tangent azimuth at every multiple of --every
            metres (default 20; stations restart after a chain break, so the multiples are
            those of each interval's own numbering) and at every key point (JD3 HY), chain
            break (断链), 起点 and 终点 (default --output 逐桩坐标表.xlsx; CSV
            station,station_value,x,y,azimuth,point; with --profile also the design elevation,
            CSV column design_elevation, and stakes at every grade point 变坡点 and at the
            start and end of every vertical curve 竖曲线起点, 竖曲线终点; with --terrain also
            地面高程 on the centre line, CSV column ground_elevation, empty for a stake
            outside the ground, which one "提示：" line counts and names; with --stations
            F.sta, 纬地's 桩号序列 (first line HINTCAD…_STA_SHUJU, then "桩号 序号" a line,
            the stations rising and on the line, the numbers 1, 2, …), exactly the route
            group's stakes instead, a stake on a key point named)
  grades    纵坡、竖曲线表 (a line with --profile): per grade point its station, elevation,
            凸/凹, R, T, E, L and the curve's start and end stations, and the grade after it
            (per cent, signed) and its length (default --output 纵坡竖曲线表.xlsx; CSV
            point,station,elevation,type,R,T,E,L,start_station,end_station,grade,grade_length,
            curve fields empty where there is no curve; an asymmetric parabola's R and T
            as "in/out")
  Angles in the CSV in decimal degrees (azimuth clockwise from north, deflection positive to
  the right), lengths in metres at full precision; the workbooks print d°m′s″ to 0.1″.
  curves refuses a line given by its elements (--method ht, IFC, LandXML without AlignPIs):
  use elements.

inverse (坐标反算) takes each surveyed hole back to the foot of its perpendicular on the
centre line (the nearest one where the line passes the hole twice, as a loop ramp does) and
writes 钻孔桩号及偏距表: the hole's station in the chain-break numbering, with its interval's
letter where the number alone would read elsewhere (BK13+470.000 in a long chain's overlap),
and its offset, left positive, to the millimetre in the sheet and in full in the CSV file. A
foot before the start or past the end of the line is taken on the extended tangent and
reported on a "提示：" line. A point whose foot lies more than 1 km beyond either end, or more
than 5 km from the centre line, cannot be a hole of this line (a typing error): it is refused
like a bad line (status 2, the rows before it kept), saying "X、Y 可能写反了" when the point
with X and Y exchanged lies within 1 km of the line. A borehole file's offset of more than
5 km is refused the same way.
坐标反算：由实测 X、Y 求钻孔的桩号（长链重叠段带断链标识）和距中线距离（左正右负）。

Input files may be UTF-8, GBK or UTF-16 (Notepad's "Unicode"), with CR LF or LF line ends.
Stations may be plain numbers (11150.6), lettered (B13470) or in the table's K-form
(K11+150.6, BK13+470).
输入文件可以是 UTF-8、GBK 或 UTF-16（记事本的“Unicode”）编码，CR LF 或 LF 换行；桩号可写作
11150.6、B13470，或表中的 K11+150.6、BK13+470。
A borehole or points list kept in Excel may be saved as CSV (.csv, or any file whose first two
lines are comma-separated): its cells are the fields, Excel's quotes taken off. In a list
separated by blanks a comma separates nothing: "11,150" is refused as a number with a thousands
separator. A station in the overlap of a long chain prints with its interval letter in every
output (BK13+470); other stations print without one.
钻孔资料、实测坐标资料可在 Excel 中另存为 CSV（逗号分隔）直接读入；以空格分项的文件中逗号被当作
千位分隔符而拒绝。长链重叠段内的桩号在各输出中都带断链标识。

Outputs never replace inputs: an output (--output, --csv, --dxf, --stakeout, --points-csv,
--kml, --geojson) naming one of the input files (however the path is written: relative or
absolute, through "..", a symbolic or a hard link), two of them naming the same file, or an output that is an existing folder or device, is refused
before anything is read or written (status 64).
输出文件不能是输入文件，各输出文件不能是同一个文件，也不能是已有的文件夹或设备。

Messages go to stderr: "错误：数据文件格式有误或操作不当！" or "数据有误：<message>",
followed by a line naming the file and line where known. An output that cannot be written is
reported as "错误：无法写入 <file>：<reason>" (文件夹不存在, 没有写入权限, 磁盘已满 …), and
nothing is left behind.
What the run computed but you should know (a borehole off the ends of the line, lines after
a blank line that were not read) follows the run as "提示：<text>" lines on stderr, before the
summary line; notices do not change the exit status.

Exit status:
  0   the table is complete
  1   data error in the alignment, chain-break or borehole file choice, an output could
      not be written, or a field or map file could not be made: nothing written
  2   a station was rejected or a borehole line (inverse: a points line) could not be
      processed: the table up to that borehole is written (no frame for its group, no note
      row), its page header titled "钻孔数量及位置表（未完成）", with its --csv; the drawing,
      stakeout and map files are not made of the partial set
  A run (0 or 2) that wrote not one borehole writes no file at all and says so: an empty
  table would only be mistaken for a result.
  64  bad usage (also --crs with --central-meridian, or either without --kml/--geojson), or
      an output refused as above (an input, the other output, a folder or a device):
      nothing read or written. The error is given in Chinese, then in English, then a line
      pointing to --help.
--version prints the version; --help this text.
)";

struct Options {
    unsigned command = 0;      // one of the Command bits
    std::string command_name;  // "table", "inverse", "landxml", "curves", "elements", …
    std::string method;
    // What the job is asked to do: the files it reads (kJobInputs), the names chosen among
    // several, the heights, the comparison, the maps' system and the section's scales.
    RunOptions run;
    // The files written, as the options give them (kDeliverables); the workbook is `output`
    // below, with its command's default.
    std::array<std::optional<std::string>, kDeliverableCount> outputs;
    std::optional<std::string> crs, central_meridian;  // the maps' coordinate system, as typed
    std::optional<std::string> name;            // landxml: the alignment's name in the export
    std::optional<std::string> every;           // stakes: the interval, metres
    std::optional<std::string> stations;        // stakes: the route group's stake list (.sta)
    std::optional<std::string> tolerance;       // inverse --planned: metres, as typed
    std::optional<std::string> section_scales;  // --section-dxf: "H,V", as typed
    std::string output = "钻孔数量及位置表.xlsx";
    bool output_given = false;
    bool model_input = false;  // --alignment is a LandXML or IFC file

    const std::optional<std::string>& input(DialogRole role) const { return run.file(role); }
    const std::optional<std::string>& output_of(Deliverable d) const {
        return outputs[static_cast<std::size_t>(d)];
    }
    bool inverse() const { return command == kInverseCommand; }
};

// Answers the run's dialogs from the command line and prints its messages on stderr.
class CommandLineUi : public RunUi {
  public:
    explicit CommandLineUi(const Options& options) : options_(options) {}
    std::optional<std::string> choose_file(const FileDialog& dialog) override {
        return options_.input(dialog.role);
    }
    void show_error_box(const std::string& text, const std::string& title) override {
        end_progress();
        std::cerr << title << "：" << text << "\n";
    }
    // The place and the reason follow the run's end, on lines of their own.
    void show_failure(const std::string&, const std::string&, long) override {
        show_error_box(kErrorBoxText, kErrorBoxTitle);
    }
    void show_data_message(const std::string& text) override {
        end_progress();
        std::cerr << kDataMessageTitle << "：" << text << "\n";
    }
    void bring_main_window_to_front() override {}

    // Progress on a terminal for runs longer than a second; nothing when stderr is redirected.
    class Progress : public RunProgress {
      public:
        Progress() : start_(std::chrono::steady_clock::now()), tty_(is_terminal(stderr)) {}
        void borehole_done(long boreholes) override {
            if (!tty_ || boreholes % 4096 != 0) return;
            double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
            if (seconds < 1.0) return;
            std::fprintf(stderr, "\r已完成 %ld 个钻孔（%.0f 个/秒）", boreholes,
                         boreholes / seconds);
            shown = true;
        }
        bool shown = false;

      private:
        std::chrono::steady_clock::time_point start_;
        bool tty_;
    } progress;

    void end_progress() {
        if (progress.shown) std::fputc('\n', stderr);
        progress.shown = false;
    }

  private:
    const Options& options_;
};

// The table the command writes, with the columns of the optional fields `present`.
const TableLayout& table_layout(const Options& options, FieldSet present = {}) {
    return options.inverse() ? as_drilled_layout(present) : kBoreholeTable;
}

// A usage error, in the users' language first and in English after it, as the usage is
// written; then where the usage is, rather than all of it above the lines that matter.
struct Usage {
    std::string zh, en;
};

int usage_error(const Usage& message) {
    std::cerr << "qelt-cli：" << message.zh << "\n"
              << "qelt-cli: " << message.en << "\n"
              << "用法见 qelt-cli --help / see qelt-cli --help for the usage\n";
    return kExitUsage;
}

int write_failure(const PendingFile& file) {
    std::cerr << "错误：" << write_failure_message(file.target(), file.failure_reason()) << "\n";
    return kExitDataError;
}

// The method of the text files; a LandXML or IFC file is read as such whatever it says.
Method method_of(const Options& options) {
    return options.method == "ht" ? Method::building_blocks : Method::intersection_points;
}

// "位置：<file> 第 <line> 行", the line after a message that concerns a file.
void print_location(const std::string& file, long line) {
    if (file.empty()) return;
    std::cerr << "位置：" << file;
    if (line > 0) std::cerr << " 第 " << line << " 行";
    std::cerr << "\n";
}

// The failure of reading the line, as the table run reports it.
int data_error(const DataError& e) {
    std::cerr << kErrorBoxTitle << "：" << kErrorBoxText << "\n";
    print_location(e.file(), e.line());
    std::cerr << "原因：" << e.what() << "\n";
    return kExitDataError;
}

// The line of the options, read and built as the table reads it (its chain breaks included).
// Throws DataError.
Alignment line_of(const Options& options, std::vector<std::string>& notices) {
    CommandLineUi ui(options);
    const std::unique_ptr<AlignmentSource> source = make_alignment_source(method_of(options));
    Alignment alignment;
    read_line(ui, options.run, *source, alignment, notices);
    return alignment;
}

// The line of Qelt's own files written as LandXML: read and built as the table reads it, then
// written under a temporary name and renamed into place.
int run_landxml(const Options& options) {
    PendingFile file(options.output);
    if (!file.create(true)) return write_failure(file);
    Alignment alignment;
    std::vector<std::string> notices;
    try {
        alignment = line_of(options, notices);
    } catch (const DataError& e) {
        return data_error(e);
    }
    for (const std::string& notice : notices) std::cerr << "提示：" << notice << "\n";
    std::string name = options.name.value_or(alignment.name);
    if (name.empty()) name = utf8_of(path_from_utf8(*options.input(DialogRole::alignment)).stem());
    if (!write_line_landxml(file, alignment, name) || !file.commit()) return write_failure(file);
    std::cout << "LandXML：线路“" << name << "”（" << alignment.line.pieces().size() << " 个线元，"
              << alignment.breaks.dl_count << " 个断链）已写入 " << options.output << "\n";
    return kExitComplete;
}

// The line tables: what the line is, read as the table reads it, written as a workbook (and a
// CSV file) under temporary names and renamed into place.
LineTableKind line_table_kind(unsigned command) {
    if (command == kCurvesCommand) return LineTableKind::curves;
    if (command == kGradesCommand) return LineTableKind::grades;
    return command == kElementsCommand ? LineTableKind::elements : LineTableKind::stakes;
}

int run_line_table(const Options& options, double every) {
    const LineTableKind kind = line_table_kind(options.command);
    PendingFile workbook(options.output);
    if (!workbook.create(false)) return write_failure(workbook);
    std::optional<PendingFile> csv_file;
    const std::optional<std::string>& csv = options.output_of(Deliverable::csv);
    if (csv && !csv_file.emplace(*csv).create(true)) return write_failure(*csv_file);
    Alignment alignment;
    std::vector<std::string> notices;
    try {
        alignment = line_of(options, notices);
        // The route group's own stakes, on the line as the run completed it.
        std::optional<std::vector<double>> stakes;
        if (options.stations) {
            DetectedFile file = detect_format(*options.stations);
            stakes = hintcad_read_stakes(file, alignment);
        }
        CommandLineUi ui(options);
        const std::shared_ptr<const Terrain> ground =
            read_ground(ui, options.run, *options.input(DialogRole::alignment), alignment, notices);
        write_line_table_files(workbook, csv_file ? &*csv_file : nullptr, kind, alignment,
                               *options.input(DialogRole::alignment), every, ground.get(), &notices,
                               stakes ? &*stakes : nullptr);
    } catch (const DataError& e) {
        for (const std::string& notice : notices) std::cerr << "提示：" << notice << "\n";
        return data_error(e);
    }
    for (const std::string& notice : notices) std::cerr << "提示：" << notice << "\n";
    if (csv_file && !csv_file->close()) return write_failure(*csv_file);
    if (workbook.failed()) return write_failure(workbook);
    if (csv_file && csv_file->failed()) return write_failure(*csv_file);
    if (!workbook.commit()) return write_failure(workbook);
    if (csv_file && !csv_file->commit()) return write_failure(*csv_file);
    std::cout << line_table_title(kind) << "：已写入 " << options.output;
    if (csv) std::cout << " 和 " << *csv;
    std::cout << "\n";
    return kExitComplete;
}

int run_table(const Options& options) {
    DeliverableTargets targets;
    for (const DeliverableKind& d : kDeliverables)
        targets.of(d.file) = options.output_of(d.file).value_or("");
    targets.of(Deliverable::workbook) = options.output;
    // All outputs are begun before any input is read, so that a folder that is missing or
    // cannot be written is reported at once. Their temporary files go with them on every
    // return that does not deliver them.
    CommandLineUi ui(options);
    TableJob job(method_of(options));
    const std::string& list =
        *options.input(options.inverse() ? DialogRole::points : DialogRole::boreholes);
    const FieldSet present = job.fields(options.run, options.inverse());
    RunDeliverables outputs(table_layout(options, present), targets, options.run.grid, present);
    if (PendingFile* failed = outputs.create()) return write_failure(*failed);

    RunResult result = options.inverse()
                           ? job.run_as_drilled(ui, options.run, outputs, &ui.progress)
                           : job.run(ui, options.run, outputs, &ui.progress);
    ui.end_progress();
    outputs.close_table();

    if (result.outcome == RunOutcome::data_error || result.outcome == RunOutcome::station_rejected)
        print_location(result.file, result.line);
    if (result.outcome == RunOutcome::data_error && !result.message.empty())
        std::cerr << "原因：" << result.message << "\n";
    for (const std::string& notice : result.notices) std::cerr << "提示：" << notice << "\n";
    if (result.outcome == RunOutcome::data_error) return kExitDataError;
    const bool complete = result.outcome == RunOutcome::complete;
    // A run that wrote no borehole has no table to give, as the desktop program says too: an
    // empty workbook or CSV would only be mistaken for a result.
    if (result.boreholes == 0) {
        std::cerr << forms::no_borehole_written_text(table_layout(options).title) << "\n";
        return complete ? kExitComplete : kExitPartial;
    }
    // The maps are titled by the project, as the table's page header is. The drawing, the
    // stakeout and the maps are made of a complete set only: a stopped run keeps its table (and
    // its CSV), headed as incomplete, and nothing that would pass for the whole set of holes.
    outputs.set_ground(result.terrain.get());
    outputs.set_section_scales(options.run.section_scales);
    outputs.set_line_model(job.line_model(*options.input(DialogRole::alignment)));
    if (complete)
        outputs.write_files(
            job.alignment(),
            result.project.empty() ? utf8_of(path_from_utf8(list).stem()) : result.project,
            job.named_lines());

    // A file asked for that cannot be made (a map without its coordinate system, a stakeout
    // name GBK cannot hold) refuses the whole run: a set delivered without one of its files
    // would pass for complete.
    if (!outputs.refusals().empty()) {
        for (const RunDeliverables::Refusal& r : outputs.refusals())
            std::cerr << "错误：" << deliverable(r.file).option << " "
                      << outputs.file(r.file)->target() << "：" << r.reason << "\n";
        std::cerr << "未写入任何文件 / nothing written\n";
        return kExitDataError;
    }
    if (PendingFile* failed = outputs.failed()) return write_failure(*failed);
    for (Deliverable d : outputs.wanted())
        if ((complete || !deliverable(d).needs_records) && !outputs.file(d)->commit())
            return write_failure(*outputs.file(d));

    // The files besides the table, as the summary lines name them.
    std::string also, left_out;
    for (const DeliverableKind& d : kDeliverables) {
        if (targets.of(d.file).empty()) continue;
        if (!complete && d.needs_records)
            left_out += std::string(left_out.empty() ? "" : "、") + d.option;
        else if (d.summary)
            also += std::string("；") + d.summary + "已写入 " + targets.of(d.file);
    }
    if (!complete) {
        std::cerr << "表格只写到第 " << outputs.last_data_row() << " 行（" << result.boreholes
                  << " 个钻孔），已写入 " << options.output << also << "\n";
        if (!left_out.empty())
            std::cerr << "钻孔不全，未写出 " << left_out << " / incomplete: " << left_out
                      << " not written\n";
        return kExitPartial;
    }
    std::cout << table_layout(options).title << "：";
    // A list that plans its depths: the holes and the metres to drill, as the contract counts.
    if (!result.workload.empty())
        std::cout << result.workload << "，";
    else
        std::cout << result.boreholes << " 个钻孔，";
    // Against the planned holes: how many were not where planned, not drilled, not planned.
    if (!result.comparison.empty()) std::cout << result.comparison << "，";
    std::cout << "已写入 " << options.output;
    if (const std::string& csv = targets.of(Deliverable::csv); !csv.empty())
        std::cout << " 和 " << csv;
    std::cout << also << "\n";
    return kExitComplete;
}

// Whether two paths name the same file however each is written (relative or absolute, "./",
// "..", a symbolic or hard link): the same file-system object when both exist, otherwise the
// same absolute path once resolved as far as it exists.
bool same_file(const std::string& a_text, const std::string& b_text) {
    namespace fs = std::filesystem;
    const fs::path a = path_from_utf8(a_text), b = path_from_utf8(b_text);
    std::error_code ec;
    if (fs::exists(a, ec) && fs::exists(b, ec)) {
        const bool same = fs::equivalent(a, b, ec);
        if (!ec) return same;
    }
    const auto resolved = [](const fs::path& p) {
        std::error_code e;
        fs::path path = fs::absolute(p, e);
        fs::path canonical = fs::weakly_canonical(path, e);
        return (e ? path : canonical).lexically_normal();
    };
    return resolved(a) == resolved(b);
}

// Refuses outputs that would destroy an input or each other, or that are no file at all; the
// message for the usage error, or nothing.
std::optional<Usage> output_refusal(const Options& options) {
    std::vector<std::pair<std::string, std::string>> outputs{{"--output", options.output}};
    for (const DeliverableKind& d : kDeliverables)
        if (d.file != Deliverable::workbook && options.output_of(d.file))
            outputs.emplace_back(d.option, *options.output_of(d.file));
    const auto quoted = [](const std::string& path) { return "“" + path + "”"; };
    for (const auto& [option, path] : outputs) {
        for (const JobInput& in : kJobInputs)
            if (const auto& input_path = options.input(in.role);
                input_path && same_file(path, *input_path))
                return Usage{option + " " + quoted(path) + " 与 " + in.option + " " +
                                 quoted(*input_path) + " 是同一个文件，输出不能覆盖输入",
                             option + " names the same file as " + in.option +
                                 ": an output never replaces an input"};
        if (is_folder_or_device(path))
            return Usage{option + " " + quoted(path) + " 是文件夹或设备，不是普通文件",
                         option + " names a folder or a device, not a file"};
    }
    for (std::size_t i = 0; i < outputs.size(); ++i)
        for (std::size_t j = i + 1; j < outputs.size(); ++j)
            if (same_file(outputs[i].second, outputs[j].second))
                return Usage{outputs[i].first + " " + quoted(outputs[i].second) + " 与 " +
                                 outputs[j].first + " " + quoted(outputs[j].second) +
                                 " 是同一个文件",
                             outputs[i].first + " and " + outputs[j].first + " name the same file"};
    return std::nullopt;
}

// The chain-break file a line needs: always with --method jd, never with ht; a LandXML or IFC
// file takes one or none. The message for the usage error, or nothing.
std::optional<Usage> chain_break_refusal(const Options& options) {
    const bool chain_breaks = options.input(DialogRole::chain_breaks).has_value();
    if (!options.model_input && options.method == "jd" && !chain_breaks)
        return Usage{"--method jd（交点法）要用 --chain-breaks 给出断链资料文件",
                     "--chain-breaks is required with --method jd"};
    if (!options.model_input && options.method == "ht" && chain_breaks)
        return Usage{"--chain-breaks 只用于 --method jd（匝道没有断链）",
                     "--chain-breaks applies to --method jd only (ramps have no chain breaks)"};
    return std::nullopt;
}

// Where a file option given to `options.command` belongs when it does not belong there: "--dxf
// belongs to table"; for the list of the other table run, which list this one reads ("--points
// belongs to inverse; table reads --boreholes"); "--stakeout does not belong to landxml".
Usage misplaced(const Options& options, const char* option, unsigned commands, bool list_file) {
    const std::string o = option, name = command_name(commands);
    if (list_file)
        for (const JobInput& own : kJobInputs)
            if (own.names_outputs && (own.commands & options.command))
                return {
                    o + " 属于 " + name + " 命令；" + options.command_name + " 读 " + own.option,
                    o + " belongs to " + name + "; " + options.command_name + " reads " +
                        own.option};
    if (std::has_single_bit(commands))
        return {o + " 属于 " + name + " 命令", o + " belongs to " + name};
    return {o + " 不属于 " + options.command_name + " 命令",
            o + " does not belong to " + options.command_name};
}

}  // namespace

int main(int argc, char** argv) {
    const Utf8Console console;
    if (!system_speaks_utf8()) {
        std::cerr << "错误：" << kNeedsUtf8System << "\n";
        return kExitDataError;
    }
    std::vector<std::string> args(argv + 1, argv + argc);
    for (const auto& a : args)
        if (a == "--help" || a == "-h") {
            std::cout << kUsage;
            return kExitComplete;
        } else if (a == "--version") {
            std::cout << "qelt-cli " << QELT_VERSION << "\n";
            return kExitComplete;
        }
    const std::optional<unsigned> command = args.empty() ? std::nullopt : command_named(args[0]);
    if (!command)
        return usage_error(
            {"命令是 table、inverse、landxml、curves、elements、stakes 和 grades 之一",
             "the commands are \"table\", \"inverse\", \"landxml\", \"curves\", "
             "\"elements\", \"stakes\" and \"grades\""});
    Options options;
    options.command = *command;
    options.command_name = args[0];
    const bool line_table = (options.command & kLineTableCommands) != 0;
    if (options.inverse()) options.output = std::string(kAsDrilledTitle) + ".xlsx";
    if (line_table)
        options.output = line_table_file_name(line_table_kind(options.command)) + ".xlsx";

    // The options that take a value: the files of the two tables, then the rest.
    std::map<std::string, std::optional<std::string>*> value_options{
        {"--crs", &options.crs},
        {"--central-meridian", &options.central_meridian},
        {"--alignment-name", &options.run.alignment_name},
        {"--profile-name", &options.run.profile_name},
        {"--terrain-name", &options.run.terrain_name},
        {"--name", &options.name},
        {"--every", &options.every},
        {"--stations", &options.stations},
        {"--tolerance", &options.tolerance},
        {"--section-scales", &options.section_scales}};
    for (const JobInput& in : kJobInputs) value_options[in.option] = &options.run.file(in.role);
    for (const DeliverableKind& d : kDeliverables)
        if (d.file != Deliverable::workbook)
            value_options[d.option] = &options.outputs[static_cast<std::size_t>(d.file)];
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (i + 1 >= args.size())
            return usage_error({name + " 后面缺少值", "missing value after " + name});
        const std::string& value = args[++i];
        if (name == "--method") {
            options.method = value;
        } else if (name == "--output") {
            options.output = value;
            options.output_given = true;
        } else if (auto v = value_options.find(name); v != value_options.end()) {
            *v->second = value;
        } else {
            return usage_error({"没有选项 " + name, "unknown option " + name});
        }
    }
    // The job is given its files here, and asks for heights, the ground or the comparison by
    // giving the file they come from.
    options.run.up_front = true;
    options.run.heights = options.input(DialogRole::profile).has_value();
    options.run.ground =
        options.input(DialogRole::terrain) || options.input(DialogRole::ground_line);
    options.run.compare_planned = options.input(DialogRole::planned).has_value();
    options.run.draws_section = options.output_of(Deliverable::section).has_value();
    const std::optional<std::string>& alignment = options.input(DialogRole::alignment);
    if (!alignment)
        return usage_error({"要用 --alignment 给出平面资料文件", "--alignment is required"});
    // A LandXML or IFC file is told by its content; a file that cannot be read is the run's to
    // report.
    try {
        options.model_input = alignment_file_is_model(*alignment);
    } catch (const DataError& e) {
        // Without a method the file could only have been a model: say why it cannot be read.
        if (options.method.empty()) return data_error(e);
    }
    if (options.model_input
            ? !options.method.empty() && options.method != "jd" && options.method != "ht"
            : options.method != "jd" && options.method != "ht")
        return usage_error(
            options.model_input
                ? Usage{"--method 只能是 jd 或 ht（LandXML、IFC 文件不用写）",
                        "--method must be jd or ht (a LandXML or IFC file needs none)"}
                : Usage{"--method 只能是 jd（交点法―主线）或 ht（积木法―互通）",
                        "--method must be jd or ht"});
    if (options.run.alignment_name && !options.model_input)
        return usage_error({"--alignment-name 只用于 LandXML 或 IFC 平面资料文件",
                            "--alignment-name applies to a LandXML or IFC alignment file only"});
    if (options.run.alignment_name && options.run.alignment_name->empty())
        return usage_error({"--alignment-name 是空的", "--alignment-name is empty"});
    if (options.run.profile_name && !options.run.heights)
        return usage_error(
            {"--profile-name 只能与 --profile 一起用", "--profile-name applies to --profile only"});
    if (options.run.profile_name && options.run.profile_name->empty())
        return usage_error({"--profile-name 是空的", "--profile-name is empty"});
    if (options.output_of(Deliverable::section) && !section_has_heights(options.run))
        return usage_error(
            {"--section-dxf 要与 --profile 或 --terrain 一起用（纵断面图画的是高程）",
             "--section-dxf needs --profile or --terrain (the section shows heights)"});
    if (options.section_scales) {
        if (!options.output_of(Deliverable::section))
            return usage_error({"--section-scales 只用于 --section-dxf",
                                "--section-scales applies to --section-dxf only"});
        // Two scale denominators, along the line and in height: 2000,200 for 1:2000 and 1:200.
        const std::string& text = *options.section_scales;
        const std::size_t comma = text.find(',');
        const auto h = parse_number(text.substr(0, comma));
        const auto v =
            comma == std::string::npos ? std::nullopt : parse_number(text.substr(comma + 1));
        if (!h || !v || !(*h > 0) || !(*v > 0) || !std::isfinite(*h) || !std::isfinite(*v))
            return usage_error(
                {"--section-scales 应是两个正的比例尺分母，如 2000,200（1:2000 和 1:200），不是“" +
                     text + "”",
                 "--section-scales must be two positive scale denominators, e.g. 2000,200 "
                 "(1:2000 and 1:200), not \"" +
                     text + "\""});
        options.run.section_scales = {*h, *v};
    }
    if (options.run.terrain_name && !options.run.ground)
        return usage_error(
            {"--terrain-name 只能与 --terrain 一起用", "--terrain-name applies to --terrain only"});
    if (options.run.terrain_name && options.run.terrain_name->empty())
        return usage_error({"--terrain-name 是空的", "--terrain-name is empty"});
    // One ground a run: the cross sections stand on the centre line's ground, and a TIN beside
    // them would be a second answer to the same question.
    if (options.input(DialogRole::sections) && !options.input(DialogRole::ground_line))
        return usage_error(
            {"--sections 要与 --ground-line 一起用（横断面的高差从中桩地面高程算起）",
             "--sections needs --ground-line (the sections' heights are from the "
             "centre stake's ground)"});
    if (options.input(DialogRole::ground_line) && options.input(DialogRole::terrain))
        return usage_error(
            {"--terrain 不能与 --ground-line、--sections 同用：一次只用一种地面",
             "--terrain cannot go with --ground-line or --sections: one ground a run"});
    if (options.run.profile_name) {
        // A 纵断面资料文件 holds one grade line: a name to choose by would be ignored.
        bool landxml_profile = true;
        try {
            landxml_profile = alignment_file_is_model(*options.input(DialogRole::profile));
        } catch (const DataError&) {
            // The run reports a file it cannot read.
        }
        if (!landxml_profile)
            return usage_error({"--profile-name 只用于 LandXML 纵断面文件",
                                "--profile-name applies to a LandXML profile file only"});
    }

    // Each file belongs to the commands its row names, and the maps' coordinate system to the
    // commands that write maps.
    for (const JobInput& in : kJobInputs)
        if (options.input(in.role) && !(in.commands & options.command))
            return usage_error(misplaced(options, in.option, in.commands, in.names_outputs));
    for (const DeliverableKind& d : kDeliverables)
        if (options.output_of(d.file) && !(d.commands & options.command))
            return usage_error(misplaced(options, d.option, d.commands, false));
    const unsigned map_commands = deliverable(Deliverable::kml).commands;
    for (const auto& [option, value] : {std::pair{"--crs", &options.crs},
                                        std::pair{"--central-meridian", &options.central_meridian}})
        if (*value && !(map_commands & options.command))
            return usage_error(misplaced(options, option, map_commands, false));
    if (options.name && options.command != kLandXmlCommand)
        return usage_error({"--name 属于 landxml 命令", "--name belongs to landxml"});
    if (options.every && options.command != kStakesCommand)
        return usage_error({"--every 属于 stakes 命令", "--every belongs to stakes"});
    if (options.stations && options.command != kStakesCommand)
        return usage_error({"--stations 属于 stakes 命令", "--stations belongs to stakes"});
    if (options.stations && options.every)
        return usage_error({"--stations 与 --every 不能同用：桩号序列已给出每个桩",
                            "--stations and --every exclude each other"});
    if (options.tolerance) {
        if (!options.run.compare_planned)
            return usage_error(
                {"--tolerance 只用于 --planned", "--tolerance applies to --planned only"});
        const auto value = parse_number(*options.tolerance);
        if (!value || !(*value >= 0) || !std::isfinite(*value))
            return usage_error(
                {"--tolerance 应是以米计的距离（0 或更大），不是“" + *options.tolerance + "”",
                 "--tolerance must be a distance in metres, 0 or more, not \"" +
                     *options.tolerance + "\""});
        options.run.tolerance = *value;
    }
    for (const JobInput& in : kJobInputs)
        if ((in.required & options.command) && !options.input(in.role))
            return usage_error(
                {std::string("缺少 ") + in.option, std::string(in.option) + " is required"});
    if (options.command == kLandXmlCommand && !options.output_given)
        return usage_error(
            {"landxml 命令要用 --output 给出输出文件", "--output is required with landxml"});
    if (auto refusal = chain_break_refusal(options)) return usage_error(*refusal);
    if (options.output.empty()) return usage_error({"--output 是空的", "--output is empty"});
    for (const DeliverableKind& d : kDeliverables)
        if (options.output_of(d.file) && options.output_of(d.file)->empty())
            return usage_error(
                {std::string(d.option) + " 是空的", std::string(d.option) + " is empty"});
    for (const auto& [option, value] : {std::pair{"--crs", &options.crs},
                                        std::pair{"--central-meridian", &options.central_meridian}})
        if (*value && (*value)->empty())
            return usage_error(
                {std::string(option) + " 是空的", std::string(option) + " is empty"});

    if (options.command == kLandXmlCommand) {
        if (auto refusal = output_refusal(options)) return usage_error(*refusal);
        return run_landxml(options);
    }
    if (line_table) {
        double every = kDefaultStakeInterval;
        if (options.every) {
            const auto value = parse_number(*options.every);
            if (!value || !(*value > 0) || !std::isfinite(*value))
                return usage_error({"--every 应是以米计的正数，不是“" + *options.every + "”",
                                    "--every must be a positive number of metres, not \"" +
                                        *options.every + "\""});
            every = *value;
        }
        // A LandXML line may carry its intersection points (AlignPIs): known once it is read.
        if (options.command == kCurvesCommand && !options.model_input && options.method == "ht")
            return usage_error({kCurveTableNeedsJds,
                                "curves needs a line given by its JDs (--method jd, or a LandXML "
                                "file with AlignPIs); use elements for an element chain"});
        if (auto refusal = output_refusal(options)) return usage_error(*refusal);
        return run_line_table(options, every);
    }
    // The maps' coordinate system: one way of giving it, and only for a map.
    const bool map = options.output_of(Deliverable::kml) ||
                     options.output_of(Deliverable::geojson) || options.output_of(Deliverable::ifc);
    if (options.crs && options.central_meridian)
        return usage_error({"--crs 和 --central-meridian 只能给一个",
                            "--crs and --central-meridian exclude each other: give one"});
    if ((options.crs || options.central_meridian) && !map) {
        const std::string option = options.crs ? "--crs" : "--central-meridian";
        return usage_error({option + " 只用于 --kml、--geojson 和 --ifc",
                            option + " applies to --kml, --geojson and --ifc only"});
    }
    if (options.crs) options.run.grid.crs = *options.crs;
    if (options.central_meridian) {
        const std::optional<double> degrees = parse_number(*options.central_meridian);
        if (!degrees || *degrees < -180 || *degrees > 180)
            return usage_error(
                {"--central-meridian 应是以度计的东经，如 114",
                 "--central-meridian must be a longitude in degrees east, e.g. 114"});
        options.run.grid.central_meridian = *degrees;
    }
    if (auto refusal = output_refusal(options)) return usage_error(*refusal);
    return run_table(options);
}
