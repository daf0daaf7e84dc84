// Field splitting, the reading of numbers and the decoding of users' files.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "base/data_error.h"
#include "base/line_reader.h"
#include "base/text.h"
#include "test_files.h"

namespace qelt {
namespace {

using testing::TempDir;

TEST(SplitFields, BlanksAndTabsSeparate) {
    using V = std::vector<std::string>;
    const std::pair<const char*, V> cases[] = {
        {"1200 5.5 ZK1", {"1200", "5.5", "ZK1"}},
        {"   1200    5.5   ZK1  ", {"1200", "5.5", "ZK1"}},
        {"1200\t5.5\t ZK1", {"1200", "5.5", "ZK1"}},
        {"", {}},
        {"    ", {}},
        {"桥1 2", {"桥1", "2"}},
    };
    for (const auto& [line, fields] : cases) EXPECT_EQ(split_fields(line), fields) << line;
}

TEST(ParseNumber, AcceptsOnlyWholeDecimalFields) {
    const std::pair<const char*, double> good[] = {
        {"3000", 3000}, {"-5.5", -5.5}, {"+5.5", 5.5},
        {".5", 0.5},    {"5.", 5},      {"1.5e3", 1500},
        {" 1\t", 1},    {"　７　", 7},  {"１１１５０．６", 11150.6},
        {"－５", -5},   {"＋５", 5},    {"\u22125", -5}};
    for (const auto& [text, value] : good) {
        auto parsed = parse_number(text);
        ASSERT_TRUE(parsed) << text;
        EXPECT_DOUBLE_EQ(*parsed, value) << text;
    }
    // Each of these starts with a number and once read as it.
    for (const char* bad : {"", "abc", "1,5", "12a", "nan", "inf", "-inf", "1e999", "+", "--1",
                            "0x10", "6.5m", "\"5\"", "1 2", "14+700", "５米"})
        EXPECT_FALSE(parse_number(bad)) << bad;
}

// Short decimals are read without from_chars; they must still give the double nearest to what
// was written, to the last bit, or a coordinate would move by one unit in the last place.
TEST(ParseNumber, ShortDecimalsReadToTheNearestDouble) {
    std::mt19937_64 random(20261209);
    for (int i = 0; i < 200000; ++i) {
        const int digits = 1 + static_cast<int>(random() % 17);  // 16 and 17 take from_chars
        const int decimals = static_cast<int>(random() % (digits + 1));
        std::string text;
        for (int d = 0; d < digits; ++d) {
            if (d == digits - decimals) text += '.';
            text += static_cast<char>('0' + random() % 10);
        }
        if (i % 3 == 0) text = "-" + text;
        double expected = 0;
        const char* begin = text.data() + (text[0] == '-');
        std::from_chars(begin, text.data() + text.size(), expected);
        if (text[0] == '-') expected = -expected;
        const auto parsed = parse_number(text);
        ASSERT_TRUE(parsed) << text;
        EXPECT_EQ(std::bit_cast<std::uint64_t>(*parsed), std::bit_cast<std::uint64_t>(expected))
            << text;
    }
}

TEST(SplitFields, IdeographicSpaceIsABlankAndFieldsKeepTheirPlace) {
    using V = std::vector<std::string>;
    EXPECT_EQ(split_fields("桥1　2"), (V{"桥1", "2"}));
    EXPECT_EQ(split_fields("　1200　 5.5\t"), (V{"1200", "5.5"}));
    EXPECT_EQ(trim_blanks("　 0# 桥台\t　"), "0# 桥台");
    // 耀 (E8 80 80) ends in the bytes of the ideographic space (E3 80 80) and is no blank.
    EXPECT_EQ(trim_blanks("桥耀　"), "桥耀");
    EXPECT_EQ(split_fields("耀　1"), (V{"耀", "1"}));
    const std::string line = "1200 5.5  0#　桥台 ";
    const auto views = field_views(line);
    ASSERT_EQ(views.size(), 4u);
    EXPECT_EQ(views[2].data() - line.data(), 10);
}

// Plain decimals with the digits the double needs, whatever its size: a spreadsheet reads
// "1.68e-05" as text in some locales and shows it as 1.68E-05 in all.
TEST(ShortestNumber, PlainDecimalsThatRoundTrip) {
    EXPECT_EQ(shortest_number(3512345.678912), "3512345.678912");
    EXPECT_EQ(shortest_number(0.1), "0.1");
    EXPECT_EQ(shortest_number(-5.5), "-5.5");
    EXPECT_EQ(shortest_number(1.6840743827692258e-05), "0.000016840743827692258");
    EXPECT_EQ(shortest_number(1e7), "10000000");
    for (const double v : {1e-300, 1.7976931348623157e308, -4.9e-324}) {
        const std::string text = shortest_number(v);
        double back = 0;
        std::from_chars(text.data(), text.data() + text.size(), back);
        EXPECT_EQ(back, v);
        EXPECT_EQ(text.find('e'), std::string::npos);
    }
}

std::vector<std::string> read_all(const std::string& path) {
    LineReader reader(path);
    std::vector<std::string> lines;
    std::string line;
    while (reader.next(line)) lines.push_back(line);
    return lines;
}

// The numbers of messages: the decimals asked for, rounded as the table rounds them, and the
// whole number however long (a coordinate typed with a wrong exponent must still be shown).
TEST(NumberText, FixedAndSignificantForms) {
    struct Case {
        double value;
        int digits;
        const char* fixed;
        const char* significant;
    };
    const Case kCases[] = {
        {1234.5678, 3, "1234.568", "1.23e+03"},
        {0.0005, 3, "0.001", "0.0005"},  // the double just above a half millimetre
        {-12.25, 1, "-12.2", "-1e+01"},  // 12.25 is exact: banker's tie as printf rounds
        {500, 10, "500.0000000000", "500"},
        {1.0 / 3, 10, "0.3333333333", "0.3333333333"},
        {-0.0, 3, "-0.000", "-0"},
    };
    for (const Case& c : kCases) {
        EXPECT_EQ(fixed_text(c.value, c.digits), c.fixed) << c.value;
        EXPECT_EQ(significant_text(c.value, c.digits), c.significant) << c.value;
    }
    const std::string huge = fixed_text(1e300, 3);
    EXPECT_EQ(huge.size(), 301u + 4u);
    EXPECT_EQ(huge.substr(0, 4), "1000");
    EXPECT_EQ(huge.substr(huge.size() - 4), ".000");
}

// Cutting a text character by character: a Chinese character is one step of three bytes.
TEST(Utf8, NextBoundarySkipsAWholeCharacter) {
    const std::string text = "K1+2\u6869\u53F7\U0001F600e";
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < text.size(); i = next_utf8_boundary(text, i)) starts.push_back(i);
    EXPECT_EQ(starts, (std::vector<std::size_t>{0, 1, 2, 3, 4, 7, 10, 14}));
    EXPECT_EQ(starts.size(), utf8_length(text));
    EXPECT_EQ(next_utf8_boundary(text, text.size() - 1), text.size());
}

TEST(LineReader, DecodesUtf8AndGbkWithAnyLineEnd) {
    TempDir dir;
    using V = std::vector<std::string>;
    const std::pair<std::string, V> cases[] = {
        {"起点,1000\r\nQD,3000\r\n", {"起点,1000", "QD,3000"}},
        {"\xEF\xBB\xBF起点,1000\nQD", {"起点,1000", "QD"}},
        {"\xC6\xF0\xB5\xE3,1000\r\n\xC7\xC5\x31 2\r\n", {"起点,1000", "桥1 2"}},
        {"a\r\n\r\nb\r\n", {"a", "", "b"}},
        {"", {}},
        {"\r\n", {""}},
        {"no line end", {"no line end"}},
    };
    int n = 0;
    for (const auto& [bytes, lines] : cases)
        EXPECT_EQ(read_all(dir.write("f" + std::to_string(n++), bytes)), lines) << bytes;
}

TEST(LineReader, DecidesTheEncodingForTheWholeFile) {
    // A GBK file whose first lines are plain ASCII: its later Chinese line must still be GBK.
    TempDir dir;
    std::string path =
        dir.write("gbk.txt", "1100 1050\r\n2000 2000\r\n\xC4\xB3\xCF\xEE\xC4\xBF\r\n");
    EXPECT_EQ(read_all(path).back(), "某项目");
}

TEST(LineReader, AtEndAndLineNumbers) {
    TempDir dir;
    LineReader reader(dir.write("f", "a\nb\n"));
    std::string line;
    EXPECT_FALSE(reader.at_end());
    EXPECT_TRUE(reader.next(line));
    EXPECT_EQ(reader.line_number(), 1);
    EXPECT_TRUE(reader.next(line));
    EXPECT_TRUE(reader.at_end());
    EXPECT_FALSE(reader.next(line));
    EXPECT_EQ(reader.line_number(), 2);
}

TEST(LineReader, RefusesWhatIsNoFile) {
    TempDir dir;
    EXPECT_THROW(LineReader(dir.path("missing.txt")), DataError);
    EXPECT_THROW(LineReader(dir.path("")), DataError);
    std::filesystem::create_directories(dir.path("folder"));
    EXPECT_THROW(LineReader(dir.path("folder")), DataError);
}

TEST(LineReader, LongLinesAcrossBufferBoundaries) {
    TempDir dir;
    std::string big(200000, 'x');
    auto lines = read_all(dir.write("big", big + "\r\n" + big));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], big);
    EXPECT_EQ(lines[1], big);
}

}  // namespace
}  // namespace qelt
