// Delivery of a finished file: never over an existing one unless asked to.
#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "base/platform.h"
#include "test_files.h"

namespace qelt {
namespace {

std::string content(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
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

}  // namespace
}  // namespace qelt
