// The table of line readers: each file goes to the reader of its detected format and, for text,
// of the user's method; and the choice among the lines of a file that holds several.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "base/data_error.h"
#include "input/alignment_choice.h"
#include "input/alignment_readers.h"

namespace qelt {
namespace {

TEST(AlignmentReaders, TheFormatAndTheMethodNameTheReader) {
    struct Case {
        const char* file;
        AlignmentFormat method;
        AlignmentFormat read_as;
    };
    const Case cases[] = {
        {"mainline-jd.txt", AlignmentFormat::jd_text, AlignmentFormat::jd_text},
        {"ramp-elements.txt", AlignmentFormat::element_text, AlignmentFormat::element_text},
        // A LandXML file is read as such whatever the method says.
        {"interchange.xml", AlignmentFormat::jd_text, AlignmentFormat::landxml},
        {"interchange.xml", AlignmentFormat::element_text, AlignmentFormat::landxml},
        // So is an IFC file.
        {"interchange.ifc", AlignmentFormat::jd_text, AlignmentFormat::ifc},
    };
    for (const Case& c : cases) {
        const std::string path = std::string(QELT_SOURCE_DIR) + "/examples/" + c.file;
        Documents documents;
        const AlignmentReader& reader = alignment_reader(documents.format(path), c.method);
        EXPECT_EQ(reader.format, c.read_as) << c.file;
        // The ramp of the interchange numbers itself from its start: its chain breaks come from
        // where the row says, as the main line's and the element chain's do.
        const Alignment a = reader.read(documents, path, {"A匝道", {}});
        EXPECT_EQ(a.break_source, reader.chain_breaks) << c.file;
        EXPECT_GT(a.end_mileage(), a.start_mileage()) << c.file;
    }
}

TEST(AlignmentChoice, ByNameByTheUserOrRefusedListingTheLines) {
    const double kNaN = std::numeric_limits<double>::quiet_NaN();
    const std::vector<AlignmentChoice> two = {alignment_choice("A匝道", 234.5678, 0, 234.5678),
                                              alignment_choice("B匝道", kNaN, kNaN, kNaN)};
    const std::string listed = "“A匝道”（长 234.568 米，K0+000～K0+234.568）、“B匝道”（数据有误）";
    const std::string none_picked = "文件中有 2 条线路：" + listed +
                                    "，未选定其中一条（命令行用 --alignment-name 给出线路名称）";
    const auto picks = [](std::optional<std::size_t> i) {
        return [i](const std::vector<AlignmentChoice>&) { return i; };
    };
    struct Case {
        std::size_t count;  // the first `count` of `two`
        AlignmentAnswer answer;
        std::size_t chosen;
        std::string refusal;  // empty where the choice is made
    };
    const Case cases[] = {
        {2, {"B匝道", picks(0)}, 1, ""},
        {2, {"C匝道", {}}, 0, "文件中没有名为“C匝道”的线路；文件中的线路：" + listed},
        {1, {std::nullopt, {}}, 0, ""},
        {2, {std::nullopt, picks(1)}, 1, ""},
        {2, {std::nullopt, picks(std::nullopt)}, 0, none_picked},
        {2, {std::nullopt, picks(2)}, 0, none_picked},
        {2, {std::nullopt, {}}, 0, none_picked},
    };
    for (const Case& c : cases) {
        const std::vector<AlignmentChoice> choices(two.begin(), two.begin() + c.count);
        try {
            EXPECT_EQ(chosen_alignment(choices, "line.xml", c.answer), c.chosen);
            EXPECT_EQ(c.refusal, "");
        } catch (const DataError& e) {
            EXPECT_EQ(e.what(), c.refusal);
            EXPECT_EQ(e.file(), "line.xml");
        }
    }
}

TEST(AlignmentChoice, TwoOfOneNameAreRefusedByTheNameAndChosenByTheirPlace) {
    // Left and right carriageways both exported as "主线", and a name that holds a '#' itself.
    std::vector<AlignmentInfo> infos(4);
    const char* const names[] = {"主线", "A匝道", "主线", "B#1"};
    const long lines[] = {5, 40, 80, 120};
    for (std::size_t i = 0; i < infos.size(); ++i) {
        infos[i].name = names[i];
        infos[i].line = lines[i];
        infos[i].length = 100 * (i + 1);
        infos[i].start_station = 1000;
        infos[i].end_station = 1000 + infos[i].length;
    }
    const std::vector<AlignmentChoice> choices = alignment_choices(infos);
    const std::string twins =
        "“主线#1”（第 5 行，长 100.000 米，K1+000～K1+100）、“主线#2”（第 80 行，长 300.000 米，"
        "K1+000～K1+300）";
    struct Case {
        std::optional<std::string> name;
        std::size_t chosen;
        std::string refusal;  // the start of it; empty where the choice is made
    };
    const Case cases[] = {
        {"A匝道", 1, ""},
        {"主线", 0,
         "文件中有 2 条线路名为“主线”：" + twins +
             "，不知用哪一条；请用 --alignment-name “主线#1”、“主线#2”… "
             "按同名线路在文件中的先后选定"},
        {"主线#1", 0, ""},
        {"主线#2", 2, ""},
        {"主线#3", 0,
         "文件中没有名为“主线#3”的线路；文件中的线路：“主线#1”（第 5 行，长 100.000 米，"
         "K1+000～K1+100）、“A匝道”（长 200.000 米，K1+000～K1+200）、“主线#2”（第 80 行，"},
        {"#4", 3, ""},
        {"#0", 0, "文件中没有名为“#0”"},
        {"#5", 0, "文件中没有名为“#5”"},
        {"主线#2x", 0, "文件中没有名为“主线#2x”"},
        {"B#1", 3, ""},
        {"A匝道#1", 1, ""},
        {std::nullopt, 0, "文件中有 4 条线路：“主线#1”（第 5 行，"},
    };
    for (const Case& c : cases) {
        try {
            EXPECT_EQ(chosen_alignment(choices, "line.xml", {c.name, {}}), c.chosen) << *c.name;
            EXPECT_EQ(c.refusal, "") << *c.name;
        } catch (const DataError& e) {
            EXPECT_TRUE(std::string(e.what()).starts_with(c.refusal)) << e.what();
            EXPECT_FALSE(c.refusal.empty()) << e.what();
        }
    }
}

}  // namespace
}  // namespace qelt
