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
