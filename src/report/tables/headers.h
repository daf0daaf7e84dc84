#pragma once
// The three page headers of the printed table, in the spreadsheet's header codes:
// &10 / &16 font sizes, &"宋体,粗体" font and style, &P page number, &N number of pages.
// The left and right headers start with two line feeds so they sit level with the second line
// of the large centred title.

#include <string>

#include "report/tables/table_columns.h"

namespace qelt {

// "&10" LF LF + five blanks + the project line (the first line of the borehole file).
inline std::string left_header_text(const std::string& project_line) {
    return "&10\n\n     " + project_line;
}
// The table's title, large and bold.
inline std::string center_header_text(const char* title = kTableTitle) {
    return std::string("&\"宋体,粗体\"&16") + title;
}
inline std::string right_header_text() {
    return "&10\n\n第 &P 页 共 &N 页";
}

// The whole page header string "&L…&C…&R…" of a printed table titled `title`, the project
// line kept within the 255 characters a spreadsheet accepts and its ampersands printing as
// written (see xlsx_book.cpp).
std::string page_header(const std::string& project_line, const char* title);

}  // namespace qelt
