// Every printed table's columns against the widest text each can hold, measured in 宋体's own
// metrics: at 10 pt and 96 dpi an em is 13.33 px, a half-width character (digit, point, sign,
// letter) half an em, an ideograph a whole one. A column of width w (characters of the
// workbook's Calibri 11 digit, 7 px) shows w · 7 px besides its padding, which libxlsxwriter
// adds. The text must fit with a fifth to spare, for a fallback font with wider digits: a number
// that does not fit prints "####" in Excel, a 7-digit northing or an 8-digit Y with its zone
// number above all.

#include <gtest/gtest.h>

#include <set>
#include <span>
#include <string>
#include <vector>

#include "base/text.h"
#include "report/tables/line_tables.h"
#include "report/tables/table_columns.h"

namespace qelt {
namespace {

// Pixels of `text` in 宋体 10 pt at 96 dpi.
double simsun_pixels(const std::string& text) {
    const double em = 10.0 * 96 / 72;
    double px = 0;
    for (std::size_t i = 0; i < text.size(); i = next_utf8_boundary(text, i))
        px += static_cast<unsigned char>(text[i]) < 0x80 ? em / 2 : em;
    return px;
}

bool fits(double width, const std::string& text) {
    return simsun_pixels(text) * 1.2 <= width * 7;
}

// The widest text a column shows, by its heading (and the heading over it, where columns of
// one heading stand under several).
struct Widest {
    const char* heading;
    const char* text;
    const char* group = "";
};

// A printed column as the check sees it.
struct Column {
    std::string group, heading;
    double width;
    bool shrink;  // text shrunk to its cell always fits
};

TEST(ColumnWidths, TheWidestTextOfEveryColumnFits) {
    // A northing of 7 digits, a Y with its zone number (8 digits), a station past K100, a
    // height on the plateau, at the decimals each column shows.
    const char* const station = "K123+456.789";
    const Widest borehole[] = {{"桩号", station},
                               {"X", "3512000.0000"},
                               {"Y", "38498953.0072"},
                               {"设计高程", "4512.345"},
                               {"孔口高程", "4512.345"}};
    const Widest line3[] = {
        {"X", "3512000.000"},        {"Y", "38498953.007"},       {"交点桩号", station},
        {"ZH\n（直缓点）", station}, {"HZ\n（缓直点）", station}, {"起点", station, "桩号"},
        {"终点", station, "桩号"},   {"变坡点桩号", station},     {"高程\n（米）", "4512.345"}};
    const Widest stakes[] = {{"桩号", station},
                             {"X", "3512000.0000"},
                             {"Y", "38498953.0072"},
                             {"设计高程\n（米）", "4512.345"},
                             {"地面高程\n（米）", "4512.345"}};
    // Each widest text is checked in at least one table: a heading written otherwise than the
    // table writes it would check nothing.
    std::set<std::string> checked;
    const auto check = [&checked](const char* table, const std::vector<Column>& columns,
                                  std::span<const Widest> widest) {
        for (const Widest& w : widest)
            for (const Column& c : columns) {
                if (c.heading != w.heading || (*w.group && c.group != w.group)) continue;
                checked.insert(w.heading);
                EXPECT_TRUE(c.shrink || fits(c.width, w.text))
                    << table << " " << c.heading << ": " << w.text << " needs "
                    << simsun_pixels(w.text) * 1.2 / 7 << ", has " << c.width;
            }
    };
    for (const TableLayout* layout : {&kBoreholeTable, &kAsDrilledTable, &kAsDrilledHeightTable}) {
        std::vector<Column> columns;
        for (const TableColumn& c : layout->columns)
            columns.push_back({"", c.heading, c.width, c.shrink});
        check(layout->title, columns, borehole);
    }
    for (LineTableKind kind : {LineTableKind::curves, LineTableKind::elements,
                               LineTableKind::stakes, LineTableKind::grades}) {
        std::vector<Column> columns;
        for (const PrintedColumn& c : line_table_columns(kind))
            columns.push_back({c.group, c.heading, c.width, c.shrink});
        check(line_table_title(kind), columns,
              kind == LineTableKind::stakes ? std::span<const Widest>(stakes) : line3);
    }
    for (std::span<const Widest> texts :
         {std::span<const Widest>(borehole), std::span<const Widest>(line3),
          std::span<const Widest>(stakes)})
        for (const Widest& w : texts) EXPECT_TRUE(checked.count(w.heading)) << w.heading;
}

}  // namespace
}  // namespace qelt
