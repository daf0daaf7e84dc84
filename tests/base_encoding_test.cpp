// UTF-16 from Notepad's and Excel's "Unicode" saving, and UTF-8 or GBK files with a line of the
// other encoding pasted in.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/data_error.h"
#include "base/line_reader.h"
#include "test_files.h"

namespace qelt {
namespace {

using namespace std::string_literals;
using Lines = std::vector<std::string>;

// Byte-order mark, then the code units, as Windows saves them.
std::string utf16(const std::u16string& units, bool big_endian) {
    std::string bytes;
    for (char16_t u : u"\uFEFF" + units) {
        const char high = static_cast<char>(u >> 8), low = static_cast<char>(u & 0xFF);
        bytes += big_endian ? high : low;
        bytes += big_endian ? low : high;
    }
    return bytes;
}

struct Reading {
    Lines lines;
    long refused_line = 0;  // 0 when the whole file was read
    std::string message;
};

Reading read_file(const std::string& path) {
    Reading r;
    try {
        LineReader reader(path);
        for (std::string line; reader.next(line);) r.lines.push_back(line);
    } catch (const DataError& e) {
        EXPECT_EQ(e.file(), path);
        r.refused_line = e.line();
        r.message = e.what();
    }
    return r;
}

TEST(Utf16Files, ReadLikeUtf8EvenAcrossChunkEnds) {
    // An Excel row (tab-separated) and U+20BB7, outside the BMP; then files past the 64 KiB read
    // chunk with that pair starting at every code unit from a few bytes before a chunk end to a
    // few after it, so the end falls between its halves, inside either of them and beside it.
    std::vector<std::pair<std::u16string, Lines>> cases;
    for (const std::u16string eol : {u"\r\n", u"\n"})
        cases.push_back({u"起点,1000" + eol + u"K1+200\t3.5\t钻孔𠮷" + eol + eol + u"终点" + eol,
                         {"起点,1000", "K1+200\t3.5\t钻孔𠮷", "", "终点"}});
    const std::u16string x(20000, u'x');
    for (std::size_t at = 65530; at <= 65544; at += 2) {
        const std::u16string y((at - 2) / 2 - x.size() - 2, u'y');  // mark, x's, CR LF before
        cases.push_back({x + u"\r\n" + y + u"𠮷\r\n" + x,
                         {std::string(x.size(), 'x'), std::string(y.size(), 'y') + "𠮷",
                          std::string(x.size(), 'x')}});
    }
    testing::TempDir dir;
    for (const auto& [text, lines] : cases)
        for (bool big_endian : {false, true}) {
            const Reading r = read_file(dir.write("f", utf16(text, big_endian)));
            EXPECT_EQ(r.lines, lines) << text.size() << r.message;
        }
    EXPECT_EQ(read_file(dir.write("f", utf16(u"", false))).lines, Lines{});
}

TEST(Utf16Files, RefusesWhatCannotBeDecodedNamingItsLine) {
    const std::pair<std::u16string, long> cases[] = {
        {u"a\r\nb\xD842x\r\nc\r\n", 2},  // high surrogate without its low half
        {u"a\r\nb\r\n\xDFB7\r\n", 3},    // low surrogate alone
        {u"a\r\nb\xD842\r\nc\r\n", 2},   // high surrogate at the end of a line
        {u"a\r\nb\xD842", 2},            // ... and of the file
        {u"a\r\nb\0c\r\n"s, 2},          // U+0000
        {u"a\r\nb\rc\r\n", 2},           // CR alone
    };
    testing::TempDir dir;
    for (const auto& [text, line] : cases)
        for (bool big_endian : {false, true})
            EXPECT_EQ(read_file(dir.write("f", utf16(text, big_endian))).refused_line, line);
    // Cut off in the middle of a code unit.
    EXPECT_EQ(read_file(dir.write("f", utf16(u"a\r\nbc", false).substr(0, 11))).refused_line, 2);
}

TEST(MixedEncodings, NameTheLineThatDiffersFromTheRest) {
    // The UTF-8 line decodes as GB18030 too, as Chinese UTF-8 often does.
    const std::string utf8 = "钻孔 1\r\n", gbk = "\xC7\xC5 1\r\n", utf8_not_gbk = "桥 1\r\n";
    std::string many_utf8, many_gbk;
    for (int i = 0; i < 20000; ++i) many_utf8 += utf8, many_gbk += gbk;
    const struct {
        std::string bytes;
        long line;
        const char* rest;  // what the message names the rest of the file as
    } cases[] = {
        {utf8 + "K1\r\n" + utf8 + utf8 + gbk + utf8, 5, "UTF-8"},
        {gbk + gbk + utf8_not_gbk + gbk + "K1\r\n", 3, "GBK"},
        {gbk + "\xC7\xC5\xC7\r\n" + gbk + gbk, 2, "GBK"},  // a truncated character
        {"K1\r\n" + utf8_not_gbk + "K2\r\n" + gbk, 4, "UTF-8"},
        {"\xEF\xBB\xBFK1\r\n" + gbk + gbk, 2, "UTF-8"},  // the byte-order mark decides
        {many_utf8 + gbk + many_utf8, 20001, "UTF-8"},
        {many_gbk + utf8_not_gbk, 20001, "GBK"},
        {utf8 + "a\0b\r\n"s + gbk, 2, "NUL"},  // refused first, for its NUL
        {gbk + gbk + "\xC7\0\r\n"s, 3, "NUL"},
        {"K1\r\n\x80\x80\r\n", 2, "既不是 UTF-8 也不是 GBK"},
    };
    testing::TempDir dir;
    // Open descriptors, to see that a refused file is closed. Not counted on Windows: there is
    // no /proc, and under wine the path reaches wine's own descriptors, which come and go.
    const auto open_files = []() -> long {
#ifdef _WIN32
        return -1;
#else
        const std::filesystem::directory_iterator fds("/proc/self/fd");
        return std::distance(begin(fds), end(fds));
#endif
    };
    const auto files_before = open_files();
    for (const auto& c : cases) {
        const Reading r = read_file(dir.write("f", c.bytes));
        EXPECT_EQ(r.refused_line, c.line) << c.bytes.substr(0, 40);
        EXPECT_NE(r.message.find(c.rest), std::string::npos) << r.message;
    }
    if (files_before >= 0) {
        EXPECT_EQ(open_files(), files_before);
    }
    // GBK lines may happen to be UTF-8 ("哦"); valid both ways, a file is UTF-8.
    EXPECT_EQ(read_file(dir.write("f", "\xC5\xB6\r\n" + gbk + gbk)).lines,
              (Lines{"哦", "桥 1", "桥 1"}));
    EXPECT_EQ(read_file(dir.write("f", "起点\r\n" + utf8)).lines, (Lines{"起点", "钻孔 1"}));
}

}  // namespace
}  // namespace qelt
