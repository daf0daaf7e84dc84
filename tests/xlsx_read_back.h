#pragma once
// Reads a written workbook back with the independent reader (tests/xlsx_readback.py, openpyxl
// and the package's XML): what it prints, one "key<TAB>value" line each, as a map.

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <thread>

#include "base/platform.h"
#include "base/utf8_path.h"

namespace qelt::testing {

using Dump = std::map<std::string, std::string>;

inline std::string unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        out += next == 'n' ? '\n' : next == 't' ? '\t' : next;
    }
    return out;
}

// One "key<TAB>value" line each, as tests/xlsx_readback.py prints them.
inline Dump parse_dump(std::FILE* text) {
    Dump dump;
    std::string line;
    for (int c; (c = std::fgetc(text)) != EOF;) {
        if (c != '\n') {
            line += static_cast<char>(c);
            continue;
        }
        const std::size_t tab = line.find('\t');
        if (tab != std::string::npos) dump[line.substr(0, tab)] = unescape(line.substr(tab + 1));
        line.clear();
    }
    return dump;
}

#ifdef _WIN32
// A Windows program cannot start the reader, a Linux program. Under wine the test program runs
// beside tests/windows/reader_service.py, which reads back the workbooks handed to it in the
// folder QELT_READER_FOLDER: <n>.xlsx, then <n>.request; it answers with <n>.dump.
inline Dump read_back(const std::string& path) {
    const char* folder = std::getenv("QELT_READER_FOLDER");
    if (!folder) {
        ADD_FAILURE() << "no workbook reader: run under tests/windows/reader_service.py "
                         "(make test-windows)";
        return {};
    }
    static int requests = 0;
    const std::string base =
        utf8_of(path_from_utf8(folder) /
                (std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++requests)));
    std::filesystem::copy_file(path_from_utf8(path), path_from_utf8(base + ".xlsx"));
    std::fclose(open_file(base + ".request", "wb"));
    const std::string answer = base + ".dump";
    for (int waited = 0; !is_regular_file(answer); waited += 20) {
        if (waited > 120000) {
            ADD_FAILURE() << "the workbook reader did not answer for " << path;
            return {};
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::FILE* text = open_file(answer, "rb");
    if (!text) return {};
    Dump dump = parse_dump(text);
    std::fclose(text);
    EXPECT_EQ(dump.count("reader-failed"), 0u) << dump["reader-failed"] << " for " << path;
    return dump;
}
#else
inline Dump read_back(const std::string& path) {
    const std::string command =
        "/usr/bin/python3 " QELT_SOURCE_DIR "/tests/xlsx_readback.py '" + path + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return {};
    Dump dump = parse_dump(pipe);
    EXPECT_EQ(pclose(pipe), 0) << command;
    return dump;
}
#endif

}  // namespace qelt::testing
