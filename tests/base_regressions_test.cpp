// Malformed input found by fuzzing and by the bad-file corpus of the command line, kept as cases:
// each once passed as good data or lost part of a file without a word.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/data_error.h"
#include "base/line_reader.h"
#include "base/text.h"
#include "test_files.h"

namespace qelt {
namespace {

using namespace std::string_literals;
using testing::TempDir;

// Reads every line; the line number of the refusal, or 0 when the whole file was read.
long refused_at(const std::string& path, std::vector<std::string>* lines = nullptr) {
    LineReader reader(path);
    std::string line;
    try {
        while (reader.next(line))
            if (lines) lines->push_back(line);
    } catch (const DataError& e) {
        EXPECT_EQ(e.file(), path);
        return e.line();
    }
    return 0;
}

TEST(LineReaderRegressions, RefusesNulBytesAndLoneCarriageReturns) {
    struct Case {
        const char* name;
        std::string bytes;
        long line;  // line refused, 0 = read as text
    };
    const Case cases[] = {
        // A file saved with CR alone used to read as one line: a borehole list vanished into
        // the project line and the table came out empty, reported as complete.
        {"CR-only line ends", "p\rg 1\r500 0\r", 1},
        {"CR-only after good lines", "p\r\ng 1\r\n500 0\r600 0\r\n", 3},
        {"CR CR LF", "a\r\r\nb\r\r\n", 1},
        // NUL cut a title or remark short in the workbook while the CSV kept it whole.
        {"NUL in a remark", "p\ng 1\n500 0 a\0b\n"s, 3},
        {"NUL in a GBK file", "\xC6\xF0\xB5\xE3,0\r\nQD\0,1 2 3 4 5\r\n"s, 2},
        {"UTF-16 without byte-order mark", std::string("1\0 \0002\0\n\0", 8), 1},
        // Still text: CR LF and LF, a CR LF split across the reader's 64 KiB buffer, and a CR
        // just before the end of the file.
        {"CR LF and LF", "a\r\nb\nc", 0},
        {"CR LF across the buffer", std::string(65535, 'x') + "\r\n" + "y\r\n", 0},
        {"CR at the very end", "a\r\nb\r", 0},
    };
    TempDir dir;
    int n = 0;
    for (const Case& c : cases) {
        std::vector<std::string> lines;
        EXPECT_EQ(refused_at(dir.write("f" + std::to_string(n++), c.bytes), &lines), c.line)
            << c.name;
        for (const std::string& line : lines)
            EXPECT_EQ(line.find_first_of(std::string("\r\0", 2)), std::string::npos) << c.name;
    }
}

TEST(Utf8Length, CountsCharactersNotBytes) {
    EXPECT_EQ(utf8_length(""), 0u);
    EXPECT_EQ(utf8_length("K1+234"), 6u);
    EXPECT_EQ(utf8_length("钻孔 ZK1"), 6u);
    EXPECT_EQ(utf8_length("\xF0\x9F\x98\x80"), 1u);
}

}  // namespace
}  // namespace qelt
