// Yardstick for the table writer: writes the cells of a borehole table of the given size with
// libxlsxwriter alone (constant-memory mode, one centred format, no geometry, no input file),
// so that qelt-cli's time on the same table can be compared with the library's own cost.
//   qelt-raw-xlsx OUT.xlsx BOREHOLES GROUP_SIZE
#include <xlsxwriter.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: qelt-raw-xlsx OUT.xlsx BOREHOLES GROUP_SIZE\n");
        return 64;
    }
    const long boreholes = std::atol(argv[2]);
    const long group_size = std::atol(argv[3]);
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* workbook = workbook_new_opt(argv[1], &options);
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, nullptr);
    lxw_format* centred = workbook_add_format(workbook);
    format_set_align(centred, LXW_ALIGN_CENTER);
    format_set_border(centred, LXW_BORDER_HAIR);
    lxw_format* coordinate = workbook_add_format(workbook);
    format_set_num_format(coordinate, "0.0000");
    format_set_border(coordinate, LXW_BORDER_HAIR);
    const char* headings[6] = {"序号", "桩号", "距中线距离（米）", "X", "Y", "备注"};
    lxw_row_t row = 0;
    long done = 0;
    for (long g = 0; done < boreholes; ++g) {
        worksheet_merge_range(sheet, row, 0, row, 5, ("group " + std::to_string(g)).c_str(),
                              centred);
        ++row;
        for (int c = 0; c < 6; ++c) worksheet_write_string(sheet, row, c, headings[c], centred);
        ++row;
        for (long k = 1; k <= group_size && done < boreholes; ++k, ++done, ++row) {
            char station[32];
            std::snprintf(station, sizeof station, "K%ld+%03ld.500", done / 1000, done % 1000);
            worksheet_write_number(sheet, row, 0, static_cast<double>(k), centred);
            worksheet_write_string(sheet, row, 1, station, centred);
            worksheet_write_number(sheet, row, 2, 5.5, centred);
            worksheet_write_number(sheet, row, 3, 3512345.678912 + done, coordinate);
            worksheet_write_number(sheet, row, 4, 498765.432198 + done, coordinate);
            worksheet_write_string(sheet, row, 5, "ZK", centred);
        }
        ++row;
    }
    return workbook_close(workbook) == LXW_NO_ERROR ? 0 : 1;
}
