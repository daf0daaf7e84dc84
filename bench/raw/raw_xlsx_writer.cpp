// Yardstick for the table writer: writes the workbook of a borehole table with libxlsxwriter
// alone, taking the cell values from the CSV that qelt-cli wrote for the same table. It writes
// what qelt-cli writes, cell for cell and format for format (scripts/bench-table.sh reads both
// back and compares them before it times anything): the same page set-up and column widths, every
// cell with its font, alignment, number format and borders (thin frame around each group,
// hairlines inside, page lines under every 57th row), the merged titles with the blanks that
// carry their frame, the note row with =TODAY(), the manual page breaks, the print area and the
// page header. What it leaves out is everything that is not libxlsxwriter: no alignment, no
// stations, no rows held back until their borders are known (a first pass over the CSV gives
// every group's size and the last borehole row, so each row's borders are known when it is
// written).
//   qelt-raw-xlsx TABLE.csv OUT.xlsx [PROJECT-LINE]
#include <xlsxwriter.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The CSV lines qelt-cli writes hold no quoted commas for the benchmark's inputs (group titles
// 组N, remarks ZKN); split plainly. Fields: group, serial, station, offset, x, y, remark.
int split(std::string_view line, std::string_view (&f)[7]) {
    int n = 0;
    while (n < 7) {
        const std::size_t comma = n < 6 ? line.find(',') : std::string_view::npos;
        f[n++] = line.substr(0, comma);
        if (comma == std::string_view::npos) break;
        line.remove_prefix(comma + 1);
    }
    return n;
}

double number(std::string_view text) {
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

enum Edge { none, thin, hair };
enum Align { center, left, right };
enum Shown { general, four_decimals, date };

// The table's formats, made once each: font 宋体 10, vertically centred, as qelt-cli makes them.
class Formats {
  public:
    explicit Formats(lxw_workbook* workbook) : workbook_(workbook) {}
    lxw_format* get(Edge top, Edge bottom, Edge left_edge, Edge right_edge, Align align,
                    Shown shown, bool shrink) {
        const int key = top | bottom << 2 | left_edge << 4 | right_edge << 6 | align << 8 |
                        shown << 10 | shrink << 12;
        auto it = cache_.find(key);
        if (it != cache_.end()) return it->second;
        static const std::uint8_t kEdge[] = {LXW_BORDER_NONE, LXW_BORDER_THIN, LXW_BORDER_HAIR};
        static const std::uint8_t kAlign[] = {LXW_ALIGN_CENTER, LXW_ALIGN_LEFT, LXW_ALIGN_RIGHT};
        lxw_format* f = workbook_add_format(workbook_);
        format_set_font_name(f, "宋体");
        format_set_font_size(f, 10);
        format_set_align(f, kAlign[align]);
        format_set_align(f, LXW_ALIGN_VERTICAL_CENTER);
        format_set_top(f, kEdge[top]);
        format_set_bottom(f, kEdge[bottom]);
        format_set_left(f, kEdge[left_edge]);
        format_set_right(f, kEdge[right_edge]);
        if (shown == four_decimals) format_set_num_format(f, "0.0000");
        if (shown == date) format_set_num_format(f, "yyyy-mm-dd");
        if (shrink) format_set_shrink(f);
        cache_.emplace(key, f);
        return f;
    }

  private:
    lxw_workbook* workbook_;
    std::map<int, lxw_format*> cache_;
};

constexpr int kColumns = 6;
constexpr lxw_row_t kRowsPerPage = 57;
const double kWidths[kColumns] = {5, 14, 15, 14, 15.25, 15.25};
const Shown kShown[kColumns] = {general, general, general, four_decimals, four_decimals, general};
const bool kShrink[kColumns] = {false, false, false, false, false, true};
const char* const kHeadings[kColumns] = {"序号", "桩号", "距中线距离（米）", "X", "Y", "备注"};

double today_serial() {
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    using namespace std::chrono;
    const year_month_day today{year{local->tm_year + 1900},
                               month{static_cast<unsigned>(local->tm_mon + 1)},
                               day{static_cast<unsigned>(local->tm_mday)}};
    return static_cast<double>((sys_days{today} - sys_days{1899y / December / 30}).count());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: qelt-raw-xlsx TABLE.csv OUT.xlsx [PROJECT-LINE]\n");
        return 64;
    }
    const std::string project = argc == 4 ? argv[3] : "";

    // First pass: the size of every group (a group starts at serial 1) and from them the last
    // borehole row (0-based rows: title at r, headings r+1, boreholes r+2.., one empty row).
    std::vector<lxw_row_t> sizes;
    std::string line;
    {
        std::ifstream in(argv[1], std::ios::binary);
        std::getline(in, line);  // header
        std::string_view f[7];
        while (std::getline(in, line)) {
            if (split(line, f) < 7) continue;
            if (f[1] == "1" || sizes.empty()) sizes.push_back(0);
            ++sizes.back();
        }
    }
    lxw_row_t next = 0, last_data = 0;  // last_data: 1-based row number of the last borehole
    for (lxw_row_t n : sizes) {
        last_data = next + n + 2;
        next += n + 3;
    }
    const lxw_row_t note_row = next;  // 0-based
    // Page lines under rows 57·p and over 57·p + 1 (1-based) for p = 1..Int(last / 57.0001).
    const lxw_row_t page_lines = static_cast<lxw_row_t>(static_cast<double>(last_data) / 57.0001);
    const auto line_below = [&](lxw_row_t r0) {  // 0-based row r0 is 1-based r0 + 1
        return (r0 + 1) % kRowsPerPage == 0 && (r0 + 1) / kRowsPerPage <= page_lines;
    };
    const auto line_above = [&](lxw_row_t r0) {
        return r0 % kRowsPerPage == 0 && r0 > 0 && r0 / kRowsPerPage <= page_lines;
    };

    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* workbook = workbook_new_opt(argv[2], &options);
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "钻孔数量及位置表");
    Formats formats(workbook);
    worksheet_set_portrait(sheet);
    worksheet_set_paper(sheet, 9);
    worksheet_set_margins(sheet, 1.08, 0.75, 0.93, 1.0);
    lxw_header_footer_options header{};
    header.margin = 0.41;
    const std::string header_text = "&L&10\n\n     " + project +
                                    "&C&\"宋体,粗体\"&16钻孔数量及位置表&R&10\n\n第 &P 页 共 &N 页";
    worksheet_set_header_opt(sheet, header_text.c_str(), &header);
    lxw_header_footer_options footer{};
    footer.margin = 0.5;
    worksheet_set_footer_opt(sheet, "", &footer);
    worksheet_set_default_row(sheet, 12, LXW_FALSE);
    for (int c = 0; c < kColumns; ++c)
        worksheet_set_column(sheet, c, c, kWidths[c],
                             formats.get(none, none, none, none, center, kShown[c], kShrink[c]));

    // Second pass: the rows, each with its final borders.
    std::ifstream in(argv[1], std::ios::binary);
    std::getline(in, line);
    std::string_view f[7];
    lxw_row_t row = 0, first = 0, last = 0;  // the current group's frame, 0-based rows
    std::size_t group = 0;
    // The format of cell (r, c) inside a frame from `first` to `last`.
    const auto framed = [&](lxw_row_t r, int c, bool merged) {
        Edge top = r == first ? thin : hair, bottom = r == last ? thin : hair;
        if (line_below(r)) bottom = thin;
        if (line_above(r)) top = thin;
        const Edge left_edge = c == 0 ? thin : hair;
        const Edge right_edge = c == kColumns - 1 || (merged && c == 0) ? thin : hair;
        return formats.get(top, bottom, left_edge, right_edge, center, kShown[c],
                           kShrink[c] || (merged && c == 0));
    };
    // The empty row after a group, written only where a page line gives it borders.
    const auto gap = [&](lxw_row_t r) {
        if (!line_below(r) && !line_above(r)) return;
        for (int c = 0; c < kColumns; ++c)
            worksheet_write_blank(
                sheet, r, c,
                formats.get(line_above(r) ? thin : none, line_below(r) ? thin : none, none, none,
                            center, kShown[c], kShrink[c]));
    };
    while (std::getline(in, line)) {
        if (split(line, f) < 7) continue;
        if (f[1] == "1" || row == 0) {
            if (row > 0) gap(row++);
            first = row;
            last = row + sizes[group++] + 1;
            const std::string title(f[0]);
            worksheet_merge_range(sheet, row, 0, row, kColumns - 1, title.c_str(),
                                  framed(row, 0, true));
            for (int c = 1; c < kColumns; ++c)
                worksheet_write_blank(sheet, row, c, framed(row, c, true));
            ++row;
            for (int c = 0; c < kColumns; ++c)
                worksheet_write_string(sheet, row, c, kHeadings[c], framed(row, c, false));
            ++row;
        }
        worksheet_write_number(sheet, row, 0, number(f[1]), framed(row, 0, false));
        const std::string station(f[2]);
        worksheet_write_string(sheet, row, 1, station.c_str(), framed(row, 1, false));
        worksheet_write_number(sheet, row, 2, number(f[3]), framed(row, 2, false));
        worksheet_write_number(sheet, row, 3, number(f[4]), framed(row, 3, false));
        worksheet_write_number(sheet, row, 4, number(f[5]), framed(row, 4, false));
        const std::string remark(f[6]);
        worksheet_write_string(sheet, row, 5, remark.c_str(), framed(row, 5, false));
        ++row;
    }
    if (row > 0) gap(row);

    // The note row, its texts running on over the empty cells beside them.
    worksheet_write_string(sheet, note_row, 1, "注：距中线距离左为正，右为负。",
                           formats.get(none, none, none, none, left, general, false));
    worksheet_write_string(sheet, note_row, 3, "提供日期：",
                           formats.get(none, none, none, none, right, four_decimals, false));
    worksheet_write_formula_num(sheet, note_row, 4, "=TODAY()",
                                formats.get(none, none, none, none, left, date, false),
                                today_serial());

    std::vector<lxw_row_t> breaks;
    for (lxw_row_t r = kRowsPerPage; r < note_row + 1 && breaks.size() < LXW_BREAKS_MAX;
         r += kRowsPerPage)
        breaks.push_back(r);
    breaks.push_back(0);
    if (breaks.size() > 1) worksheet_set_h_pagebreaks(sheet, breaks.data());
    worksheet_print_area(sheet, 0, 0, note_row, kColumns - 1);
    return workbook_close(workbook) == LXW_NO_ERROR ? 0 : 1;
}
