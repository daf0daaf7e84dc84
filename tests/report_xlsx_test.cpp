// The printed table as a streamed .xlsx workbook, and the xlsx writer under it, read back by an
// independent reader (openpyxl and the package's XML, tests/xlsx_readback.py).

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/platform.h"
#include "base/utf8_path.h"
#include "report/tables/headers.h"
#include "report/tables/xlsx_book.h"
#include "report/tables/xlsx_table.h"
#include "test_files.h"
#include "xlsx_read_back.h"

namespace qelt {
namespace {

using testing::Dump;
using testing::read_back;

// Workbooks go into a folder of this test program's own (named with its process), removed when
// it ends: two checkouts running their tests at once must not write each other's files.
std::string temp_path(const std::string& name) {
    static const testing::TempDir dir;
    return dir.path(name + ".xlsx");
}

const char kProject[] = "G15 沈海高速 K100-K120 段";

// Feeds the table as a run does: groups of the given sizes titled `title(g)`, each row's record
// made by `make(row, k)` from the sheet row it lands on (the group with title row r has its
// headings in r+1, row k in r+1+k, a blank row after it), then the table finished.
// `stop` = {group, k} rejects that borehole: its row gets only the serial number and the run
// ends there. Returns the last data row.
long play_groups(RecordSink& sink, const std::vector<int>& counts,
                 const std::function<std::string(std::size_t)>& title,
                 const std::function<BoreholeRecord(long, int)>& make,
                 std::optional<std::pair<std::size_t, int>> stop = {}) {
    sink.begin_table();
    long cursor = 1, last = 0;
    for (std::size_t g = 0; g < counts.size(); ++g) {
        sink.begin_group({title(g), counts[g], static_cast<int>(g) + 1});
        for (int k = 1; k <= counts[g]; ++k) {
            const long r = cursor + 1 + k;
            sink.begin_row(k);
            if (stop && stop->first == g && stop->second == k) return last;
            sink.record(make(r, k));
            last = r;
        }
        sink.end_group();
        cursor += counts[g] + 3;
    }
    sink.finish(kProject);
    return last;
}

BoreholeRecord borehole(std::string station, double offset, double x, double y,
                        std::string remark) {
    BoreholeRecord b;
    b.station = std::move(station);
    b.offset = offset;
    b.offset_text = "10.50";
    b.x = x;
    b.y = y;
    b.remark = std::move(remark);
    return b;
}

// The coordinate table, as its run writes it.
long play(RecordSink& sink, const std::vector<int>& counts,
          std::optional<std::pair<std::size_t, int>> stop = {}) {
    return play_groups(
        sink, counts, [](std::size_t g) { return "第" + std::to_string(g + 1) + "组"; },
        [](long row, int k) {
            return borehole("K1+" + std::to_string(100 + row), k % 2 ? 10.5 : -7.25,
                            3512345.678912 + static_cast<double>(row - 3),
                            512345.5 + static_cast<double>(row), "ZK" + std::to_string(row));
        },
        stop);
}

Dump write_and_read(const std::string& name, const std::function<void(XlsxTable&)>& run) {
    const std::string path = temp_path(name);
    XlsxTable table(path);
    run(table);
    std::string error;
    EXPECT_TRUE(table.close(error)) << error;
    return read_back(path);
}

// Borders "top/bottom/left/right" of a framed block first..last, A..F: thin outside, hairline
// inside; the merged title cell A carries the frame's right edge too.
std::string frame_border(long row, char column, long first, long last) {
    const char* top = row == first ? "thin" : "hair";
    const char* bottom = row == last ? "thin" : "hair";
    const char* left = column == 'A' ? "thin" : "hair";
    const char* right = column == 'F' || (row == first && column == 'A') ? "thin" : "hair";
    return std::string(top) + "/" + bottom + "/" + left + "/" + right;
}

std::string cell(char column, long row) {
    return column + std::to_string(row);
}

TEST(XlsxTable, GroupOfThreeAtRowOne) {
    const Dump d = write_and_read("three", [](XlsxTable& s) { play(s, {3}); });
    ASSERT_FALSE(d.empty());
    for (long row = 1; row <= 5; ++row)
        for (char c = 'A'; c <= 'F'; ++c)
            EXPECT_EQ(d.at(cell(c, row) + ".border"), frame_border(row, c, 1, 5)) << cell(c, row);
    const std::string header = "&L" + left_header_text(kProject) + "&C" + center_header_text() +
                               "&R" + right_header_text();
    const std::pair<std::string, std::string> expected[] = {
        {"sheets", "1"},
        {"sheet", "钻孔数量及位置表"},
        {"merges", "A1:F1"},
        {"rows", "1,2,3,4,5,7"},
        {"A1.v", "s:第1组"},
        {"A2.v", "s:序号"},
        {"C2.v", "s:距中线距离（米）"},
        {"F2.v", "s:备注"},
        {"A3.v", "n:1"},
        {"B3.v", "s:K1+103"},
        {"C3.v", "n:10.5"},
        {"C4.v", "n:-7.25"},
        {"D3.v", "n:3512345.678912"},  // full precision, shown with four decimals
        {"D3.numfmt", "0.0000"},
        {"E5.numfmt", "0.0000"},
        {"C3.numfmt", "General"},
        {"F5.v", "s:ZK5"},
        {"B3.align", "center/center"},
        {"D4.font", "宋体/10/0"},
        {"A1.font", "宋体/10/0"},
        {"B7.v", "s:注：距中线距离左为正，右为负。"},
        {"B7.align", "left/center"},
        {"D7.v", "s:提供日期："},
        {"D7.align", "right/center"},
        {"E7.v", "f:=TODAY()"},
        {"E7.align", "left/center"},
        {"E7.is_date", "1"},
        {"B7.border", "-/-/-/-"},
        {"default_row_height", "12.0"},
        {"row.3.height", "12.0"},
        {"orientation", "portrait"},
        {"paper", "9"},
        {"margins", "1.08/0.75/0.93/1.0/0.41/0.5"},
        {"header", header},
        {"footer", ""},
        {"breaks", ""},
        {"col.1-1.style", "-/-/-/-|center/center|宋体/10/0|General"},
        {"col.4-4.style", "-/-/-/-|center/center|宋体/10/0|0.0000"},
        {"col.5-5.style", "-/-/-/-|center/center|宋体/10/0|0.0000"},
        {"col.6-6.style", "-/-/-/-|center/center/shrink|宋体/10/0|General"},
        {"A1.align", "center/center/shrink"},  // a long group title
        {"F3.align", "center/center/shrink"},  // a long remark
        {"E3.align", "center/center"},
        {"print_area", "$A$1:$F$7"},
    };
    for (const auto& [key, value] : expected) EXPECT_EQ(d.at(key), value) << key;
    EXPECT_EQ(d.at("E7.cached"), d.at("today"));
    // Column widths in characters: the stored width adds the cell padding of 5 pixels at 7 pixels
    // per character, rounded to whole pixels.
    const std::pair<std::string, double> widths[] = {{"1-1", 5},  {"2-2", 14},    {"3-3", 15},
                                                     {"4-4", 14}, {"5-5", 15.25}, {"6-6", 15.25}};
    for (const auto& [range, width] : widths)
        EXPECT_NEAR(std::stod(d.at("col." + range + ".width")), width + 5.0 / 7, 1.0 / 7) << range;
}

// Whole runs: the borders around page boundaries, groups without boreholes and stopped runs.
// An expected value "" means the key is absent.
TEST(XlsxTable, RunsReadBack) {
    using Stop = std::optional<std::pair<std::size_t, int>>;
    const struct {
        const char* name;
        std::vector<int> counts;
        Stop stop;
        std::vector<std::pair<std::string, std::string>> expected;
    } cases[] = {
        // Last data row 57: the frame closes the table on the page boundary, no line.
        {"last57",
         {55},
         {},
         {{"A57.border", "hair/thin/thin/hair"},
          {"A58.v", ""},
          {"B59.align", "left/center"},
          {"breaks", "57"}}},
        {"last58",
         {56},
         {},
         {{"A57.border", "hair/thin/thin/hair"},
          {"C57.border", "hair/thin/hair/hair"},
          {"F58.border", "thin/thin/hair/thin"},
          {"C56.border", "hair/hair/hair/hair"}}},
        {"last120",
         {50, 65},
         {},
         {{"B57.border", "hair/thin/hair/hair"},
          {"B58.border", "thin/hair/hair/hair"},
          {"B113.border", "hair/hair/hair/hair"},
          {"B114.border", "hair/thin/hair/hair"},
          {"B115.border", "thin/hair/hair/hair"},
          {"E120.border", "hair/thin/hair/hair"},
          {"breaks", "57,114"}}},
        // The line under the blank row between two groups is carried by blank cells.
        {"blank57",
         {54, 5},
         {},
         {{"A57.v", "blank"},
          {"F57.border", "-/thin/-/-"},
          {"A58.border", "thin/hair/thin/thin"},
          {"B58.border", "thin/hair/hair/hair"},
          {"merges", "A1:F1 A58:F58"}}},
        // A group without boreholes is framed over its title and headings.
        {"count0",
         {2, 0, 1},
         {},
         {{"merges", "A1:F1 A6:F6 A9:F9"},
          {"rows", "1,2,3,4,6,7,9,10,11,13"},
          {"A6.border", "thin/hair/thin/thin"},
          {"F7.border", "hair/thin/hair/thin"}}},
        // Third borehole of the second group rejected: its serial only, that group unframed,
        // no note row, no headers.
        {"stopped",
         {2, 3},
         Stop{{1, 3}},
         {{"rows", "1,2,3,4,6,7,8,9,10"},
          {"merges", "A1:F1 A6:F6"},
          {"A10.v", "n:3"},
          {"B10.v", ""},
          {"A4.border", "hair/thin/thin/hair"},
          {"A6.border", "-/-/-/-"},
          {"A10.border", "-/-/-/-"},
          {"header", ""},
          {"print_area", "$A$1:$F$10"}}},
        // Rows are streamed: a stopped run keeps the page lines it has passed.
        {"stopped_lines",
         {60, 5},
         Stop{{1, 2}},
         {{"B57.border", "hair/thin/hair/hair"},
          {"B58.border", "thin/hair/hair/hair"},
          {"A64.border", "-/-/-/-"}}},
    };
    for (const auto& c : cases) {
        const Dump d = write_and_read(c.name, [&](XlsxTable& s) { play(s, c.counts, c.stop); });
        for (const auto& [key, value] : c.expected)
            EXPECT_EQ(d.count(key) ? d.at(key) : "", value) << c.name << ": " << key;
    }
}

// Without 宋体, X and Y are drawn in a fallback font whose digits may be as wide as DejaVu Sans's
// or Verdana's (0.6362 em, the point 0.3179 em). At 10 pt and 96 dpi they must fit in the column
// less its 5 px padding, counted in Calibri 11 digits of 7 px as Excel and WPS do, or "###"
// prints. A..F must still fit between the margins of A4 portrait (8.2677 in) at LibreOffice's
// wider Calibri digit of 0.5068 em, or column F prints on a page of its own.
TEST(XlsxTable, CoordinatesFitAFallbackFontOnePageWide) {
    const Dump d = write_and_read("widths", [](XlsxTable& s) { play(s, {1}); });
    const auto stored = [&](int c) {
        return std::stod(d.at("col." + std::to_string(c) + "-" + std::to_string(c) + ".width"));
    };
    const std::pair<int, std::string> coordinates[] = {{4, "3513057.0168"}, {5, "38498953.0072"}};
    for (const auto& [column, text] : coordinates) {
        double em = 0;
        for (char ch : text) em += ch == '.' ? 0.3179 : 0.6362;
        EXPECT_GE((stored(column) - 5.0 / 7) * 7, em * 10 * 96 / 72) << text;
    }
    double characters = 0;
    for (int c = 1; c <= 6; ++c) characters += stored(c);
    const std::string margins = d.at("margins");  // left/right/...
    const double left = std::stod(margins),
                 right = std::stod(margins.substr(margins.find('/') + 1));
    EXPECT_LE(characters * 0.5068 * 11, (8.2677 - left - right) * 72);
}

TEST(XlsxTable, HeaderKeepsProjectLineAsWrittenWithinExcelsLimit) {
    const std::string fixed_left = "&L&10\n\n     ";
    const std::string rest = "&C" + center_header_text() + "&R" + right_header_text();
    std::string long_line, cut_line;
    for (int i = 0; i < 300; ++i) long_line += "路";
    for (int i = 0; i < 202; ++i) cut_line += "路";
    const std::string before_ampersand = cut_line.substr(0, cut_line.size() - 3);  // 201 chars
    const std::pair<std::string, std::string> cases[] = {
        {"A&B 连接线", "A&&B 连接线"},
        {long_line, cut_line},                         // 255 characters in all
        {before_ampersand + "&路", before_ampersand},  // "&&" would not fit; not cut in half
        // libxlsxwriter counts "&G" and "&[Picture]" as image placeholders even after "&&" and,
        // refusing the header, left a freed one for workbook_close to read (use after free).
        {"S&G 连接线", "S&&\u200BG 连接线"},
        {"图&[Picture]", "图&&\u200B[Picture]"},
        {"a&g", "a&&g"},
        {before_ampersand.substr(3) + "&G", before_ampersand.substr(3)},  // 3 chars do not fit
    };
    for (const auto& [project, printed] : cases) {
        const Dump d = write_and_read("header", [&](XlsxTable& s) {
            s.begin_table();
            s.finish(project);
        });
        EXPECT_EQ(d.at("header"), fixed_left + printed + rest) << project;
    }
}

// Manual page breaks every 57 rows down a table of 60,000: the writer keeps the 1023 a worksheet
// holds.
TEST(XlsxBook, PageBreaksStopAtTheWorksheetLimit) {
    const std::string path = temp_path("breaks");
    {
        XlsxBook book(path, true);
        ASSERT_TRUE(book.add_sheet("t", {}));
        for (long row = 57; row < 60000; row += 57) book.break_above(row);
        std::string error;
        ASSERT_TRUE(book.close(error)) << error;
    }
    const Dump d = read_back(path);
    const std::string breaks = d.at("breaks");
    EXPECT_EQ(std::count(breaks.begin(), breaks.end(), ',') + 1, 1023);
    EXPECT_EQ(breaks.substr(0, 7), "57,114,");
    EXPECT_EQ(breaks.substr(breaks.size() - 6), ",58311");
}

// A table of at most 5 rows, so that a misuse reaches beyond it with a few events.
constexpr long kSmallTable = 5;

TEST(XlsxTable, FailuresAreReportedByClose) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* name;
        std::string path;
        std::function<void(XlsxTable&)> events;
        const char* message;
    } cases[] = {
        {"beyond the table", temp_path("misuse"),
         [](XlsxTable& s) {
             s.begin_table();
             s.begin_group({"t", 10, 1});  // refused by group_fits, which was not asked
             s.begin_row(4);
         },
         "row 6 lies outside the sheet (1..5)"},
        {"before the table", temp_path("misuse"),
         [](XlsxTable& s) {
             s.begin_group({"t", 1, 1});
         },
         "before it was begun"},
        {"a row again", temp_path("misuse"),
         [](XlsxTable& s) {
             s.begin_table();
             s.begin_group({"t", 1, 1});
             s.begin_row(1);
             s.end_group();
             s.begin_row(-4);  // row 2, the headings, already streamed
         },
         "already written"},
        {"not finite", temp_path("misuse"),
         [&](XlsxTable& s) {
             s.begin_table();
             s.begin_group({"t", 1, 1});
             s.begin_row(1);
             s.record(borehole("K0+000", 0, nan, 1, ""));
         },
         "row 3, column D: not a finite number"},
        {"unwritable", "/nonexistent-qelt-folder/table.xlsx", [](XlsxTable& s) { play(s, {1}); },
         "cannot write the workbook: "},
        // The merged title used to be left out without a word.
        {"title longer than a cell", temp_path("misuse"),
         [](XlsxTable& s) {
             s.begin_table();
             s.begin_group({std::string(kMaxCellText + 1, 'x'), 1, 1});
         },
         "row 1, merged cell: String exceeds"},
        {"remark longer than a cell", temp_path("misuse"),
         [](XlsxTable& s) {
             s.begin_table();
             s.begin_group({"t", 1, 1});
             s.begin_row(1);
             s.record(borehole("K0+000", 0, 1, 1, std::string(kMaxCellText + 1, 'x')));
         },
         "row 3: String exceeds"},
    };
    for (const auto& c : cases) {
        XlsxTable table(c.path, kBoreholeTable, {}, kSmallTable);
        EXPECT_EQ(table.max_rows(), kSmallTable) << c.name;
        c.events(table);
        std::string error;
        EXPECT_FALSE(table.close(error)) << c.name;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.name << ": " << error;
        EXPECT_FALSE(table.close(error)) << c.name << ": second close";
    }
}

TEST(XlsxTable, UnclosedSheetWritesNothing) {
    const std::string path = temp_path("unclosed");
    std::filesystem::remove(path);
    {
        XlsxTable table(path);
        play(table, {3});
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

// Open descriptors; -1 on Windows, which has no /proc (under wine the path would reach wine's
// own descriptors, which come and go).
long open_files() {
#ifdef _WIN32
    return -1;
#else
    std::error_code ec;
    long count = 0;
    for (std::filesystem::directory_iterator it("/proc/self/fd", ec), end; !ec && it != end;
         it.increment(ec))
        ++count;
    return ec ? -1 : count;
#endif
}

// Found by fuzzing ("Too many open files" after some 20,000 runs): libxlsxwriter kept the
// temporary file of a sheet without cells open, so every run that stopped before its first row
// (an empty borehole file, a data error) cost the process a descriptor and a deleted file.
TEST(XlsxTable, EmptySheetsLeaveNoFileOpen) {
    if (open_files() < 0) GTEST_SKIP() << "no /proc/self/fd";
    const std::pair<const char*, std::function<void(XlsxTable&)>> cases[] = {
        {"never begun", [](XlsxTable&) {}},
        {"begun, no group", [](XlsxTable& s) { s.begin_table(); }},
        {"a group", [](XlsxTable& s) { play(s, {1}); }},
    };
    for (const auto& [name, ops] : cases) {
        const long before = open_files();
        const Dump d = write_and_read("empty", ops);
        EXPECT_EQ(open_files(), before) << name;
        EXPECT_FALSE(d.empty()) << name << ": the workbook reads back";
    }
}

long peak_rss_kb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

// 200,000 boreholes in groups of ten: the writer streams, so memory must not follow the row count.
TEST(XlsxTable, MemoryDoesNotGrowWithTheTable) {
    const long before = peak_rss_kb();
    if (before < 0) GTEST_SKIP() << "no /proc/self/status";
    const std::string path = temp_path("large");
    XlsxTable table(path);
    const long last = play(table, std::vector<int>(20000, 10));
    std::string error;
    ASSERT_TRUE(table.close(error)) << error;
    EXPECT_EQ(last, 20000 * 13 - 1);
    const long growth_kb = peak_rss_kb() - before;
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer keeps freed memory; growth " << growth_kb << " kB";
#else
    EXPECT_LT(growth_kb, 30 * 1024);
#endif
    std::filesystem::remove(path);
}

// The as-drilled table through the same writer: groups of surveyed holes, as the inverse run
// writes them.
long play_points(RecordSink& sink, const std::vector<int>& counts) {
    return play_groups(
        sink, counts, [](std::size_t g) { return "实测" + std::to_string(g + 1); },
        [](long row, int) {
            BoreholeRecord b;
            b.name = "ZK" + std::to_string(row);
            b.x = 3512345.678912 + static_cast<double>(row);
            b.y = 512345.5 + static_cast<double>(row);
            b.station = row % 2 ? "BK13+470.000" : "K13+520.125";
            b.station_value = 13470.0 + static_cast<double>(row);
            b.offset = row % 2 ? 12.3456 : -0.5;
            b.remark = "补孔";
            return b;
        });
}

Dump as_drilled(const std::string& name, const std::vector<int>& counts,
                const TableLayout& layout = kAsDrilledTable, FieldSet present = {}) {
    const std::string path = temp_path(name);
    XlsxTable table(path, layout, present);
    play_points(table, counts);
    std::string error;
    EXPECT_TRUE(table.close(error)) << error;
    return read_back(path);
}

TEST(XlsxAsDrilled, SevenColumnsInTheBoreholeTablesStyle) {
    const Dump d = as_drilled("as-drilled", {3});
    ASSERT_FALSE(d.empty());
    // Thin frame, hairlines inside, over A..G; the merged title carries the right edge.
    for (long row = 1; row <= 5; ++row)
        for (char c = 'A'; c <= 'G'; ++c) {
            const std::string border = std::string(row == 1 ? "thin" : "hair") + "/" +
                                       (row == 5 ? "thin" : "hair") + "/" +
                                       (c == 'A' ? "thin" : "hair") + "/" +
                                       (c == 'G' || (row == 1 && c == 'A') ? "thin" : "hair");
            EXPECT_EQ(d.at(cell(c, row) + ".border"), border) << cell(c, row);
        }
    const std::string header = "&L" + left_header_text(kProject) + "&C" +
                               center_header_text(kAsDrilledTitle) + "&R" + right_header_text();
    const std::pair<std::string, std::string> expected[] = {
        {"sheet", "钻孔桩号及偏距表"},
        {"merges", "A1:G1"},
        {"rows", "1,2,3,4,5,7"},
        {"A1.v", "s:实测1"},
        {"A2.v", "s:序号"},
        {"B2.v", "s:孔号"},
        {"C2.v", "s:X"},
        {"D2.v", "s:Y"},
        {"E2.v", "s:桩号"},
        {"F2.v", "s:距中线距离（米）"},
        {"G2.v", "s:备注"},
        {"A3.v", "n:1"},
        {"B3.v", "s:ZK3"},
        {"C3.v", "n:3512348.678912"},  // full precision, shown with four decimals
        {"C3.numfmt", "0.0000"},
        {"D3.v", "n:512348.5"},
        {"D3.numfmt", "0.0000"},
        {"E3.v", "s:BK13+470.000"},
        {"E4.v", "s:K13+520.125"},
        {"F3.v", "n:12.3456"},  // shown with three decimals
        {"F3.numfmt", "0.000"},
        {"F4.v", "n:-0.5"},
        {"G3.v", "s:补孔"},
        {"B3.align", "center/center/shrink"},
        {"E3.align", "center/center/shrink"},
        {"G3.align", "center/center/shrink"},
        {"C3.align", "center/center"},
        {"F3.align", "center/center"},
        {"A1.align", "center/center/shrink"},
        {"F3.font", "宋体/10/0"},
        {"B7.v", "s:注：距中线距离左为正，右为负。"},
        {"B7.align", "left/center"},  // runs on over C, D: not shrunk like the names in B
        {"E7.v", "s:提供日期："},
        {"E7.align", "right/center"},
        {"F7.v", "f:=TODAY()"},
        {"F7.is_date", "1"},
        {"F7.align", "left/center"},
        {"default_row_height", "12.0"},
        {"orientation", "portrait"},
        {"paper", "9"},
        {"margins", "1.08/0.75/0.93/1.0/0.41/0.5"},
        {"header", header},
        {"col.3-3.style", "-/-/-/-|center/center|宋体/10/0|0.0000"},
        {"col.6-6.style", "-/-/-/-|center/center|宋体/10/0|0.000"},
        {"col.7-7.style", "-/-/-/-|center/center/shrink|宋体/10/0|General"},
        {"print_area", "$A$1:$G$7"},
    };
    for (const auto& [key, value] : expected) EXPECT_EQ(d.at(key), value) << key;
    EXPECT_EQ(d.at("F7.cached"), d.at("today"));
}

// A column of an optional field shows only where the run gives the field, in its place among
// the others; a record without a value leaves its cell empty. The note row follows its columns.
TEST(XlsxTable, OptionalColumnsOnlyWhereTheRunGivesThem) {
    static constexpr TableColumn kColumns[] = {
        {"序号", 5, NumberFormat::general, false, RecordField::serial},
        {"桩号", 13, NumberFormat::general, false, RecordField::station},
        {"设计高程", 10, NumberFormat::three_decimals, false, RecordField::design_elevation},
        {"X", 14, NumberFormat::four_decimals, false, RecordField::x},
        {"备注", 10, NumberFormat::general, true, RecordField::remark},
    };
    static constexpr TableLayout kLayout{
        "高程表", kColumns, RecordField::station, RecordField::x, {}};
    const struct {
        FieldSet present;
        std::vector<std::pair<std::string, std::string>> expected;
    } cases[] = {
        {{},
         {{"C2.v", "s:X"},
          {"C3.v", "n:3512345.5"},
          {"D3.v", "s:甲"},
          {"E2.v", ""},
          {"merges", "A1:D1"},
          {"C6.v", "s:提供日期："},
          {"D6.v", "f:=TODAY()"},
          {"print_area", "$A$1:$D$6"}}},
        {{RecordField::design_elevation},
         {{"C2.v", "s:设计高程"},
          {"C3.v", "n:123.4567"},
          {"C3.numfmt", "0.000"},
          {"C4.v", "blank"},  // framed, so written to carry its borders
          {"D3.v", "n:3512345.5"},
          {"E3.v", "s:甲"},
          {"merges", "A1:E1"},
          {"D6.v", "s:提供日期："},
          {"E6.v", "f:=TODAY()"},
          // What the heights are, on a note row of their own.
          {"B7.v", std::string("s:") + kDesignElevationNote},
          {"print_area", "$A$1:$E$7"}}},
    };
    for (const auto& c : cases) {
        const std::string path = temp_path("optional");
        XlsxTable table(path, kLayout, c.present);
        play_groups(
            table, {2}, [](std::size_t) { return "桥"; },
            [](long, int k) {
                BoreholeRecord b = borehole("K0+100", 0, 3512345.5, 0, "甲");
                if (k == 1) b.design_elevation = 123.4567;
                return b;
            });
        std::string error;
        ASSERT_TRUE(table.close(error)) << error;
        const Dump d = read_back(path);
        for (const auto& [key, value] : c.expected)
            EXPECT_EQ(d.count(key) ? d.at(key) : "", value) << key;
    }
}

// Page lines and breaks fall every 57 rows across all seven columns, as in the borehole table.
TEST(XlsxAsDrilled, PageLinesAcrossAllColumns) {
    const Dump d = as_drilled("as-drilled-pages", {50, 65});
    const std::pair<std::string, std::string> expected[] = {
        {"G57.border", "hair/thin/hair/thin"},
        {"G58.border", "thin/hair/hair/thin"},
        {"D57.border", "hair/thin/hair/hair"},
        {"D114.border", "hair/thin/hair/hair"},
        {"A115.border", "thin/hair/thin/hair"},
        {"breaks", "57,114"},
        {"merges", "A1:G1 A54:G54"},
    };
    for (const auto& [key, value] : expected) EXPECT_EQ(d.at(key), value) << key;
}

// X and Y fit a wide fallback font as in the borehole table, the lettered station fits 宋体, and
// the columns still fit one A4 portrait page in LibreOffice: the seven of a points file without
// heights and the eight of a surveyors' file with 孔口高程.
TEST(XlsxAsDrilled, ColumnsFitOnePageWide) {
    const struct {
        const TableLayout& layout;
        FieldSet present;
        int columns;
        int date;  // the column of the note row's date
    } layouts[] = {{kAsDrilledTable, {}, 7, 6},
                   {kAsDrilledHeightTable, {RecordField::collar_elevation}, 8, 7}};
    for (const auto& l : layouts) {
        const Dump d = as_drilled("as-drilled-widths", {1}, l.layout, l.present);
        ASSERT_EQ(d.count("col." + std::to_string(l.columns + 1) + "-" +
                          std::to_string(l.columns + 1) + ".width"),
                  0u);
        const auto stored = [&](int c) {
            return std::stod(d.at("col." + std::to_string(c) + "-" + std::to_string(c) + ".width"));
        };
        const auto pixels = [&](int c) { return (stored(c) - 5.0 / 7) * 7; };
        const std::pair<int, std::string> coordinates[] = {{3, "3513057.0168"},
                                                           {4, "38498953.0072"}};
        for (const auto& [column, text] : coordinates) {
            double em = 0;
            for (char ch : text) em += ch == '.' ? 0.3179 : 0.6362;
            EXPECT_GE(pixels(column), em * 10 * 96 / 72) << text << " " << l.columns;
        }
        EXPECT_GE(pixels(5), 12 * 0.5 * 10 * 96 / 72) << "BK13+470.000 in 宋体";
        // A date too wide for its cell prints "###".
        EXPECT_GE(pixels(l.date), 10 * 0.5 * 10 * 96 / 72) << "2026-12-10 in 宋体";
        EXPECT_EQ(d.at(cell(static_cast<char>('A' + l.date - 1), 5) + ".v"), "f:=TODAY()");
        double characters = 0;
        for (int c = 1; c <= l.columns; ++c) characters += stored(c);
        const std::string margins = d.at("margins");
        const double left = std::stod(margins),
                     right = std::stod(margins.substr(margins.find('/') + 1));
        EXPECT_LE(characters * 0.5068 * 11, (8.2677 - left - right) * 72) << l.columns;
    }
}

}  // namespace
}  // namespace qelt
