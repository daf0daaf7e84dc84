// Detection of a line file's format from its content, in every encoding users save in, and the
// lines handed on to the reader: the file's own, numbered as the file numbers them, with a line
// that cannot be decoded refused where the reader reaches it.
#include <gtest/gtest.h>

#include "base/data_error.h"
#include "input/formats.h"
#include "test_files.h"

namespace qelt {
namespace {

using testing::TempDir;
using namespace std::string_literals;

// ASCII text as UTF-16 with a byte-order mark, little or big endian.
std::string utf16(const std::string& ascii, bool big_endian) {
    std::string bytes = big_endian ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : ascii) bytes += big_endian ? std::string{'\0', c} : std::string{c, '\0'};
    return bytes;
}

struct Case {
    const char* what;
    std::string bytes;
    FileFormat format;
};

const Case kFiles[] = {
    {"UTF-8 with BOM, blank lines first", "\xEF\xBB\xBF\n  \t<LandXML/>\n", FileFormat::xml},
    {"UTF-16LE", utf16("\r\n<LandXML/>\r\n", false), FileFormat::xml},
    {"UTF-16BE", utf16("<?xml version=\"1.0\"?>\n<LandXML/>", true), FileFormat::xml},
    // GBK: an ideographic space before the '<', then a line of Chinese.
    {"GBK, ideographic space", "\xA1\xA1<LandXML>\n\xC6\xF0\xB5\xE3</LandXML>\n", FileFormat::xml},
    {"GBK JD file", "\xC6\xF0\xB5\xE3,1000\nQD,0 0 0 0 0\n", FileFormat::text},
    {"'<' on a later line", "起点,1000\n<\n", FileFormat::text},
    {"element file", "0 3000 2000 45.3015\n0 0 100\n", FileFormat::text},
    {"blank lines only", " \n\t\n", FileFormat::text},
    {"empty", "", FileFormat::text},
    {"STEP", "ISO-10303-21;\nHEADER;\n", FileFormat::step},
    {"STEP, lower case, blank before ';', BOM", "\xEF\xBB\xBF\n iso-10303-21 ;\n",
     FileFormat::step},
    {"STEP keyword without ';'", "ISO-10303-21\n", FileFormat::text},
    {"STEP keyword not at the start", "x ISO-10303-21;\n", FileFormat::text},
};

TEST(DetectFormat, ByTheFirstLineThatIsNotBlank) {
    TempDir dir;
    for (const Case& c : kFiles)
        EXPECT_EQ(detect_format(dir.write("line", c.bytes)).format(), c.format) << c.what;
    EXPECT_THROW(detect_format(dir.path("none.xml")), DataError);
}

// What the reader after detection gets, against LineReader on the same file.
std::vector<std::pair<long, std::string>> all_lines(LineSource& source) {
    std::vector<std::pair<long, std::string>> lines;
    std::string line;
    while (source.next(line)) lines.emplace_back(source.line_number(), line);
    return lines;
}

TEST(DetectFormat, HandsOnEveryLineAsTheFileNumbersIt) {
    TempDir dir;
    for (const Case& c : kFiles) {
        const std::string path = dir.write("line", c.bytes);
        DetectedFile detected = detect_format(path);
        LineReader file(path);
        EXPECT_EQ(all_lines(detected), all_lines(file)) << c.what;
        EXPECT_EQ(detected.path(), path);
    }
}

TEST(DetectFormat, ALineThatCannotBeDecodedIsRefusedWhereTheReaderReachesIt) {
    TempDir dir;
    DetectedFile detected = detect_format(dir.write("line", "\n起点,1000\nQD,0\0 0\n"s));
    std::string line;
    EXPECT_TRUE(detected.next(line));
    EXPECT_TRUE(detected.next(line));
    EXPECT_EQ(line, "起点,1000");
    try {
        detected.next(line);
        ADD_FAILURE() << "NUL accepted";
    } catch (const DataError& e) {
        EXPECT_EQ(e.line(), 3);
    }
}

// A CR alone is white space to XML and a line end to the editors the engineer opens the file
// in (Notepad++, VS Code): CR CR LF, as one exporter ends every line, is two line ends. In the
// text formats, and in STEP, it is damage, refused on the line where it stands.
TEST(DetectFormat, ALoneCrEndsALineInXmlAndIsRefusedElsewhere) {
    using Lines = std::vector<std::pair<long, std::string>>;
    struct Case {
        const char* what;
        std::string bytes;
        Lines lines;          // as an editor numbers them
        long refused_at = 0;  // the line of the refusal, where refused
    };
    const Case cases[] = {
        {"XML, CR CR LF",
         "<?xml?>\r\r\n<LandXML>\r\r\n</LandXML>\r\r\n",
         {{1, "<?xml?>"}, {2, ""}, {3, "<LandXML>"}, {4, ""}, {5, "</LandXML>"}, {6, ""}}},
        {"XML, CR alone, no last line end",
         "<a>\rb\r\r</a>",
         {{1, "<a>"}, {2, "b"}, {3, ""}, {4, "</a>"}}},
        {"XML, CR LF then a CR inside a line",
         "\r\n<a>\r\nx\ry\n</a>",
         {{1, ""}, {2, "<a>"}, {3, "x"}, {4, "y"}, {5, "</a>"}}},
        {"XML in UTF-16, CR CR LF",
         utf16("<a>\r\r\n</a>", false),
         {{1, "<a>"}, {2, ""}, {3, "</a>"}}},
        {"JD file, CR on the first line", "起点,1000\rQD,0 0 0 0 0\n", {}, 1},
        {"JD file, CR on a later line", "起点,1000\nQD,0 0 0 0 0\n\nJD1,1\r1 1\n", {}, 4},
        {"blank lines, then a CR", "\n \r\n\nx\ry\n", {}, 4},
        {"STEP", "ISO-10303-21;\rHEADER;\n", {}, 1},
    };
    TempDir dir;
    for (const Case& c : cases) {
        try {
            DetectedFile file = detect_format(dir.write("line", c.bytes));
            EXPECT_EQ(all_lines(file), c.lines) << c.what;
            EXPECT_EQ(c.refused_at, 0) << c.what;
        } catch (const DataError& e) {
            EXPECT_EQ(e.line(), c.refused_at) << c.what;
            EXPECT_EQ(std::string(e.what()), "含有单独的回车符（CR）：文件应以 CR LF 或 LF 换行");
        }
    }
}

}  // namespace
}  // namespace qelt

namespace qelt {
namespace {

// A file given where it does not belong is refused as what it is, each kind by the first lines
// users' files carry; a file the rules cannot place for certain (a list's free-text title, four
// bare numbers) passes to the step's own reader.
TEST(FileKinds, OtherKindsRefusedAsWhatTheyAre) {
    struct Case {
        const char* what;
        std::string text;
        FileStep step;
        const char* refusal;  // after "“f.txt”是"; "" passes
    };
    const Case cases[] = {
        {"CASS ground as profile", "G1,,498573.532,3511968.486,348.615\r\nG2,,1,2,3\r\n",
         FileStep::profile, "测量点文件（CASS、PNEZD），不是纵断面资料文件"},
        {"PNEZD as boreholes", "ZK1,3513057.061,498953.035,152.4\n", FileStep::boreholes,
         "测量点文件（CASS、PNEZD），不是钻孔资料文件"},
        {"CASS as points", "A1,,498953.0,3513057.0,152.4\n", FileStep::points, ""},
        {"profile as ground", "某段 纵断面\nK10+000 352.400\nK11+200 340.4 12000\n",
         FileStep::ground, "纵断面资料文件，不是地面资料文件"},
        {"JD file as chain breaks", "起点,10000\r\nQD,3512000 498500 0 0 0\r\n",
         FileStep::chain_breaks, "交点法平面资料文件，不是断链资料文件"},
        {"JD file, full-width comma, 7 fields", "起点，10000\nJD1，1 2 3 4 5 6 7\n",
         FileStep::profile, "交点法平面资料文件，不是纵断面资料文件"},
        {"element file as profile", "0,3515200.000,499350.000,45.3015\n9999,9999,80\n",
         FileStep::profile, "积木法平面资料文件（线元），不是纵断面资料文件"},
        {"chain breaks as boreholes", "13500 13450\n16200 16260\n", FileStep::boreholes,
         "断链资料文件，不是钻孔资料文件"},
        {"chain breaks as alignment", "-1 -1\n", FileStep::alignment,
         "断链资料文件，不是平面资料文件"},
        {"LandXML as chain breaks", "<?xml version=\"1.0\"?>\n<LandXML/>\n", FileStep::chain_breaks,
         "LandXML 文件，不是断链资料文件"},
        {"IFC as ground", "ISO-10303-21;\nHEADER;\n", FileStep::ground,
         "IFC 模型文件，不是地面资料文件"},
        {"纬地 .zdm as ground", "HINTCAD5.83_ZDM_SHUJU\n2\n", FileStep::ground, "纬地纵断面"},
        {"纬地 .dmx as ground", "HINTCAD5.83_DMX_SHUJU\n10000 351.8\n", FileStep::ground, ""},
        // What the rules do not place for certain passes.
        {"borehole list", "某项目\n青龙河大桥 6 @主线\n11150 0 0#桥台\n", FileStep::boreholes, ""},
        {"a culvert named by its station", "某项目\nK12+340 3\nK12+340 0\n", FileStep::boreholes,
         ""},
        {"four bare numbers, then four", "1,2,3,4\n5,6,7,8\n", FileStep::boreholes, ""},
        {"Excel CSV list", "某项目,,,\n青龙河大桥,6,,\n11150,0,0#桥台,\n", FileStep::boreholes, ""},
        {"profile as profile", "纵断面\nK10+000 352.400\n", FileStep::profile, ""},
        {"empty file", "", FileStep::profile, ""},
    };
    TempDir dir;
    for (const Case& c : cases) {
        const std::string path = dir.write("f.txt", c.text);
        try {
            refuse_other_kind(path, c.step);
            EXPECT_STREQ(c.refusal, "") << c.what;
        } catch (const DataError& e) {
            EXPECT_TRUE(*c.refusal &&
                        std::string(e.what()).starts_with(std::string("“f.txt”是") + c.refusal))
                << c.what << ": " << e.what();
            EXPECT_EQ(e.file(), path) << c.what;
        }
    }
}

}  // namespace
}  // namespace qelt
