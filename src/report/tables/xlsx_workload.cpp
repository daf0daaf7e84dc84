#include "report/tables/xlsx_workload.h"

#include <vector>

namespace qelt {

namespace {

// 序号 | 分组 or 类别 | 钻孔数（个） | 进尺（米）: one A4 portrait page wide with room to spare,
// printed centred. A group title is shrunk to its cell rather than cut.
constexpr double kWidths[] = {5, 28, 12, 12};
constexpr int kLast = 3;

class WorkloadSheet {
  public:
    explicit WorkloadSheet(XlsxBook& book) : book_(book) {}

    // A framed block: its title over all columns, the headings, one row per line, the total.
    void block(const char* title, const char* name_heading, const std::vector<WorkloadLine>& lines,
               const WorkloadLine& total) {
        const long first = row_;
        const long last = row_ + 2 + static_cast<long>(lines.size());
        CellStyle title_style = framed(first, first, last, 0);
        title_style.right = Edge::thin;
        book_.merge(row_, 0, row_, kLast, title, title_style);
        ++row_;
        const char* headings[] = {"序号", name_heading, "钻孔数（个）", "进尺（米）"};
        for (int c = 0; c <= kLast; ++c)
            book_.text(row_, c, headings[c], framed(row_, first, last, c));
        ++row_;
        int serial = 0;
        for (const WorkloadLine& line : lines) {
            book_.number(row_, 0, ++serial, framed(row_, first, last, 0));
            CellStyle name = framed(row_, first, last, 1);
            name.shrink = true;
            book_.text(row_, 1, line.name.empty() ? "（未注类别）" : line.name, name);
            counts(line, first, last);
        }
        book_.merge(row_, 0, row_, 1, "合计", framed(row_, first, last, 0));
        counts(total, first, last);
        ++row_;  // an empty row between the blocks
    }

    void note(const std::string& text) {
        CellStyle style;
        style.align = Align::left;
        book_.text(row_++, 0, text, style);
    }

  private:
    // Thin outside the block rows first..last, hairlines inside.
    static CellStyle framed(long row, long first, long last, int c) {
        CellStyle s;
        s.top = row == first ? Edge::thin : Edge::hair;
        s.bottom = row == last ? Edge::thin : Edge::hair;
        s.left = c == 0 ? Edge::thin : Edge::hair;
        s.right = c == kLast ? Edge::thin : Edge::hair;
        return s;
    }
    void counts(const WorkloadLine& line, long first, long last) {
        book_.number(row_, 2, static_cast<double>(line.holes), framed(row_, first, last, 2));
        CellStyle metres = framed(row_, first, last, 3);
        metres.decimals = 2;
        book_.number(row_, 3, line.metres, metres);
        ++row_;
    }

    XlsxBook& book_;
    long row_ = 0;
};

}  // namespace

void write_workload_sheet(XlsxBook& book, const Workload& workload,
                          const std::string& project_line) {
    if (!book.add_sheet(kWorkloadTitle, {Paper::a4, false, 0.75})) return;
    for (int c = 0; c <= kLast; ++c) book.column(c, kWidths[c], nullptr);
    book.center_horizontally();
    WorkloadSheet sheet(book);
    sheet.block("按分组", "分组", workload.groups(), workload.total());
    if (workload.typed()) sheet.block("按类别", "类别", workload.types(), workload.total());
    sheet.note("注：进尺为各钻孔孔深之和（米），孔深自钻孔处地面（孔口）起算。");
    if (const long n = workload.total().without_depth; n > 0)
        sheet.note("另有 " + std::to_string(n) + " 个钻孔未给孔深：计入钻孔数，未计入进尺。");
    book.set_page_header(project_line, kWorkloadTitle);
}

}  // namespace qelt
