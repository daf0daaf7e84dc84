#pragma once
// Writes throw-away input files for the reader tests.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/utf8_path.h"

namespace qelt::testing {

class TempDir {
  public:
    TempDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::filesystem::temp_directory_path() /
                ("qelt-test-" + std::string(info ? info->name() : "x") + "-" +
                 std::to_string(::getpid()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    // Writes `bytes` exactly as given (no newline translation) and returns the path. Names are
    // UTF-8, as the program's own paths are.
    std::string write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path_ / path_from_utf8(name), std::ios::binary) << bytes;
        return path(name);
    }
    std::string path(const std::string& name) const {
        return utf8_of(path_ / path_from_utf8(name));
    }

  private:
    std::filesystem::path path_;
};

}  // namespace qelt::testing
