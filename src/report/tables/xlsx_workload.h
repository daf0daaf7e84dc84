#pragma once
// The workload sheet (勘探工作量) after the borehole table in its workbook, in the house style of
// the table: 宋体 10, each block framed thin outside with hairlines inside, the project line and
// the title in the page header. One block by group, one by type where the list gives types,
// each ending in its total, and a note row saying what the metres are.

#include <string>

#include "report/tables/workload.h"
#include "report/tables/xlsx_book.h"

namespace qelt {

inline constexpr const char* kWorkloadTitle = "勘探工作量";

// Adds the sheet to `book` (after the sheets it has) and writes `workload` on it.
void write_workload_sheet(XlsxBook& book, const Workload& workload,
                          const std::string& project_line);

}  // namespace qelt
