// Yardstick for the table writer: writes the cells of a borehole table with libxlsxwriter alone
// (constant-memory mode, the table's row height, two formats, no geometry, no borders
// decided late), taking the cell
// values from the CSV that qelt-cli wrote for the same table, so both files hold the same
// numbers and texts and compress alike.
//   qelt-raw-xlsx TABLE.csv OUT.xlsx
#include <xlsxwriter.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

// The CSV lines qelt-cli writes hold no quoted commas for these inputs; split plainly.
std::vector<std::string> split(const std::string& line) {
    std::vector<std::string> fields(1);
    for (char c : line) {
        if (c == ',')
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: qelt-raw-xlsx TABLE.csv OUT.xlsx\n");
        return 64;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::string line;
    std::getline(in, line);  // header
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* workbook = workbook_new_opt(argv[2], &options);
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, nullptr);
    // The same sheet-wide row height as the table: libxlsxwriter then writes it on every row.
    worksheet_set_default_row(sheet, 12, LXW_FALSE);
    lxw_format* centred = workbook_add_format(workbook);
    format_set_align(centred, LXW_ALIGN_CENTER);
    format_set_border(centred, LXW_BORDER_HAIR);
    lxw_format* coordinate = workbook_add_format(workbook);
    format_set_num_format(coordinate, "0.0000");
    format_set_border(coordinate, LXW_BORDER_HAIR);
    const char* headings[6] = {"序号", "桩号", "距中线距离（米）", "X", "Y", "备注"};
    lxw_row_t row = 0;
    std::string group = "\x01";
    while (std::getline(in, line)) {
        std::vector<std::string> f = split(line);
        if (f.size() < 7) continue;
        if (f[0] != group) {
            if (row > 0) ++row;  // the empty row between groups
            group = f[0];
            worksheet_merge_range(sheet, row, 0, row, 5, group.c_str(), centred);
            ++row;
            for (int c = 0; c < 6; ++c) worksheet_write_string(sheet, row, c, headings[c], centred);
            ++row;
        }
        worksheet_write_number(sheet, row, 0, std::atof(f[1].c_str()), centred);
        worksheet_write_string(sheet, row, 1, f[2].c_str(), centred);
        worksheet_write_number(sheet, row, 2, std::atof(f[3].c_str()), centred);
        worksheet_write_number(sheet, row, 3, std::strtod(f[4].c_str(), nullptr), coordinate);
        worksheet_write_number(sheet, row, 4, std::strtod(f[5].c_str(), nullptr), coordinate);
        worksheet_write_string(sheet, row, 5, f[6].c_str(), centred);
        ++row;
    }
    return workbook_close(workbook) == LXW_NO_ERROR ? 0 : 1;
}
