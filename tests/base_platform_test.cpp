// Delivery of a finished file: never over an existing one unless asked to; the platform calls
// behind it with Chinese folder and file names, and their failures told in Chinese.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "base/platform.h"
#include "base/utf8_path.h"
#include "test_files.h"

namespace qelt {
namespace {

// The file's bytes, or "<none>" when there is no such file (or a folder of that name).
std::string content(const std::string& path) {
    if (!is_regular_file(path)) return "<none>";
    std::ifstream in(path_from_utf8(path), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(Platform, RenameNoReplaceKeepsAnExistingFile) {
    testing::TempDir dir;
    const std::string from = dir.write("new.xlsx.tmp", "new");
    const std::string taken = dir.write("table.xlsx", "user's own");
    EXPECT_EQ(rename_no_replace(from, taken), EEXIST);
    EXPECT_EQ(content(taken), "user's own");
    EXPECT_EQ(content(from), "new");

    const std::string free = dir.path("table (2).xlsx");
    EXPECT_EQ(rename_no_replace(from, free), 0);
    EXPECT_EQ(content(free), "new");
    EXPECT_FALSE(is_regular_file(from));
}

TEST(Platform, TemporaryNameStaysInTheTargetFolder) {
    const std::string temporary = temporary_path_beside("/some/folder/表.xlsx");
    EXPECT_EQ(temporary.rfind("/some/folder/.表.xlsx.", 0), 0u) << temporary;
    EXPECT_NE(temporary, temporary_path_beside("/some/folder/other.xlsx"));
}

// The folder as the user wrote it, whichever separator; on Windows also a drive-relative name
// and a network share.
TEST(Platform, TemporaryNameKeepsTheFolderAsWritten) {
    const std::pair<const char*, const char*> cases[] = {
        {"表.xlsx", ".表.xlsx."},
        {"结果/表.xlsx", "结果/.表.xlsx."},
        {"/项目/结果/表.xlsx", "/项目/结果/.表.xlsx."},
#ifdef _WIN32
        {"D:\\项目\\结果\\表.xlsx", "D:\\项目\\结果\\.表.xlsx."},
        {"D:表.xlsx", "D:.表.xlsx."},
        {"\\\\server\\共享\\表.xlsx", "\\\\server\\共享\\.表.xlsx."},
        {"结果/子\\表.xlsx", "结果/子\\.表.xlsx."},
#endif
    };
    for (const auto& [target, start] : cases) {
        const std::string temporary = temporary_path_beside(target);
        EXPECT_EQ(temporary.rfind(start, 0), 0u) << target << " -> " << temporary;
        EXPECT_TRUE(temporary.ends_with(".tmp")) << temporary;
    }
}

// Delivery onto the last table (Windows' rename refuses to replace a file), into a free name,
// never onto a taken one when told not to, and the reason when a move cannot be made.
TEST(Platform, MovesUnderChineseNames) {
    enum class Target { free, file, folder };
    struct Case {
        const char* name;
        Target target;
        const char* to;  // below the work folder
        bool replace;
        int result;
        const char* target_after;  // "<none>" for no file (or a folder)
    };
    const Case cases[] = {
        {"replace the last table", Target::file, "钻孔资料/表.xlsx", true, 0, "new"},
        {"replace, free name", Target::free, "钻孔资料/表.xlsx", true, 0, "new"},
        {"no replace, free name", Target::free, "钻孔资料/表 (2).xlsx", false, 0, "new"},
        {"no replace, name taken", Target::file, "钻孔资料/表.xlsx", false, EEXIST, "old"},
        {"no replace, a folder of the name", Target::folder, "钻孔资料/表.xlsx", false, EEXIST,
         "<none>"},
        {"replace a folder", Target::folder, "钻孔资料/表.xlsx", true, EISDIR, "<none>"},
        {"missing folder", Target::free, "没有的文件夹/表.xlsx", true, ENOENT, "<none>"},
        {"below a file", Target::free, "钻孔资料/文件.txt/表.xlsx", false, ENOTDIR, "<none>"},
    };
    for (const Case& c : cases) {
        testing::TempDir dir;
        std::filesystem::create_directories(path_from_utf8(dir.path("钻孔资料")));
        dir.write("钻孔资料/文件.txt", "a file");
        const std::string from = dir.write("钻孔资料/.表.xlsx.1.tmp", "new");
        const std::string to = dir.path(c.to);
        if (c.target == Target::file) dir.write(c.to, "old");
        if (c.target == Target::folder) std::filesystem::create_directories(path_from_utf8(to));
        const int result = c.replace ? replace_file(from, to) : rename_no_replace(from, to);
        EXPECT_EQ(result, c.result) << c.name << ": " << write_failure_reason(result);
        EXPECT_EQ(content(to), c.target_after) << c.name;
        EXPECT_EQ(content(from), c.result == 0 ? "<none>" : "new") << c.name;
    }
}

TEST(Platform, FilesFoldersAndDevices) {
    testing::TempDir dir;
    const std::string file = dir.write("平面资料.txt", "起点,0\r\n");
    const std::string folder = dir.path("资料");
    std::filesystem::create_directories(path_from_utf8(folder));
#ifdef _WIN32
    const std::string device = "NUL";
#else
    const std::string device = "/dev/null";
#endif
    const struct {
        std::string path;
        bool file, folder_or_device;
    } cases[] = {
        {file, true, false},
        {folder, false, true},
        {device, false, true},
        {dir.path("没有.txt"), false, false},
        {dir.path("平面资料.txt/x"), false, false},
        {"", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(is_regular_file(c.path), c.file) << c.path;
        EXPECT_EQ(is_folder_or_device(c.path), c.folder_or_device) << c.path;
    }
}

TEST(Platform, ProgramFolderHoldsThisProgram) {
    // Files shipped beside the program (proj.db on Windows) are looked for there.
    const std::string folder = program_folder();
#ifdef _WIN32
    EXPECT_TRUE(is_regular_file(folder + "\\qelt_base_tests.exe")) << folder;
#else
    EXPECT_TRUE(is_regular_file(folder + "/qelt_base_tests")) << folder;
#endif
}

TEST(Platform, OpenFileSaysWhyNot) {
    testing::TempDir dir;
    dir.write("断链资料.txt", "-1 -1");
    const std::pair<std::string, int> cases[] = {
        {dir.path("结果.csv"), 0},
        {dir.path("没有的文件夹/结果.csv"), ENOENT},
        {dir.path("断链资料.txt/结果.csv"), ENOTDIR},
    };
    for (const auto& [path, error] : cases) {
        errno = 0;
        std::FILE* f = open_file(path, "wb");
        EXPECT_EQ(f ? 0 : errno, error) << path;
        if (f) {
            EXPECT_GE(std::fputs("钻孔", f), 0);
            std::fclose(f);
            EXPECT_EQ(content(path), "钻孔");
        }
    }
    std::FILE* f = open_file(dir.path("断链资料.txt"), "rb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
}

// The programs and these tests carry the manifest that makes UTF-8 their code page; where the
// system honours it (Linux always, Windows 10 1903 on, wine) they run, elsewhere they refuse.
TEST(Platform, SystemSpeaksUtf8) {
    EXPECT_TRUE(system_speaks_utf8());
}

TEST(Platform, WriteFailureReasonsInChinese) {
    const std::pair<int, const char*> cases[] = {
        {0, "原因不明"},
        {ENOENT, "文件夹不存在"},
        {ENOTDIR, "文件夹不存在（路径中有一项是文件，不是文件夹）"},
        {EACCES, "没有写入权限"},
        {ENOSPC, "磁盘已满"},
        {EEXIST, "已有同名的文件"},
        {EISDIR, "已有同名的文件夹"},
        {EBUSY, "文件正被其他程序使用"},
        {EFBIG, "文件超出了允许的大小"},
    };
    for (const auto& [error, reason] : cases) EXPECT_EQ(write_failure_reason(error), reason);
#ifdef _WIN32
    // A system error without an errno counterpart: the system's own sentence, without the line
    // end FormatMessage gives it.
    const std::string not_ready = write_failure_reason(-static_cast<int>(ERROR_NOT_READY));
    EXPECT_FALSE(not_ready.empty());
    EXPECT_NE(not_ready, "原因不明");
    EXPECT_EQ(not_ready.find('\n'), std::string::npos) << not_ready;
#endif
}

// GBK as Chinese Windows editors save it; what is not GB18030 is refused the same way on both
// platforms (Windows' own code page 936 would read a lone 0x80 as the euro sign).
TEST(Platform, Gb18030ToUtf8) {
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"", ""},
        {"K1+200 3.5", "K1+200 3.5"},
        {"\xC7\xC5 1", "桥 1"},
        {"\xD7\xEA\xBF\xD7", "钻孔"},
        {"\xA1\xA1\xA3\xAC\xA3\xB1", "\u3000，１"},  // ideographic space, full-width , and 1
        {"\x80", std::nullopt},
        {"\xFF", std::nullopt},
        {"\xC7", std::nullopt},                          // cut off after the lead byte
        {"\xC7\x20", std::nullopt},                      // no trail byte
        {"\xC7\x7F", std::nullopt},                      // not a trail byte
        {"\x81\x30\x81", std::nullopt},                  // four-byte sequence cut off
        {"\x81\x30\x20\x30", std::nullopt},              // broken four-byte sequence
        {"\xD7\xEA\xBF\xD7\x80\xD7\xEA", std::nullopt},  // one bad byte among good ones
    };
    for (const auto& [bytes, utf8] : cases) EXPECT_EQ(gb18030_to_utf8(bytes), utf8) << bytes;
}

// GB18030's four-byte sequences: characters GBK lacks (CJK extension A, beyond the BMP).
TEST(Platform, Gb18030FourByteSequences) {
#ifdef _WIN32
    if (!IsValidCodePage(54936))
        GTEST_SKIP() << "this system lacks code page 54936 (GB18030), as wine 8 does; GBK only";
#endif
    const std::pair<std::string, std::string> cases[] = {
        {"\x81\x30\x81\x30", "\u0080"},
        {"\x81\x39\xEE\x39", "\u3400"},
        {"\x90\x30\x81\x30", "\U00010000"},
        {"\xC7\xC5\x95\x34\xB2\x35", "桥\U00020BB7"},
    };
    for (const auto& [bytes, utf8] : cases) EXPECT_EQ(gb18030_to_utf8(bytes), utf8) << bytes;
}

}  // namespace
}  // namespace qelt
