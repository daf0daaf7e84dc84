#pragma once
// Scratch files for the fuzz targets: the readers take a file, so every input is written to a
// folder of this process's own (in /dev/shm when it exists, so nothing wears a disk), which is
// removed when the process ends.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qelt::fuzz {

class ScratchFolder {
  public:
    ScratchFolder() {
        std::error_code ec;
        std::filesystem::path base = "/dev/shm";
        if (!std::filesystem::is_directory(base, ec)) base = std::filesystem::temp_directory_path();
        path_ = base / ("qelt-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Writes the bytes exactly as given and returns the file's path.
    std::string write(const std::string& name, std::string_view bytes) const {
        std::string file = (path_ / name).string();
        std::FILE* f = std::fopen(file.c_str(), "wb");
        if (!f) __builtin_trap();
        if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size())
            __builtin_trap();
        std::fclose(f);
        return file;
    }
    std::string path(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

// The one scratch folder of this process (destroyed at exit, also when libFuzzer stops at
// -max_total_time).
inline const ScratchFolder& scratch() {
    static const ScratchFolder folder;
    return folder;
}

// Number of open file descriptors of this process (-1 where /proc is missing): a target that
// leaves one open per input runs out of them only after thousands of inputs, so the targets
// compare the count around every input instead.
inline long open_files() {
    std::error_code ec;
    long count = 0;
    for (std::filesystem::directory_iterator it("/proc/self/fd", ec), end; !ec && it != end;
         it.increment(ec))
        ++count;
    return ec ? -1 : count;
}

// Splits a run input into its files at form feeds: "alignment\fchain breaks\fboreholes".
inline std::vector<std::string_view> split_files(const std::uint8_t* data, std::size_t size) {
    std::string_view all(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> parts;
    for (;;) {
        std::size_t ff = all.find('\f');
        parts.push_back(all.substr(0, ff));
        if (ff == std::string_view::npos) break;
        all.remove_prefix(ff + 1);
    }
    return parts;
}

// A failed property: stop with a crash so libFuzzer keeps the input.
#define QELT_FUZZ_CHECK(condition)                                                             \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            __builtin_trap();                                                                  \
        }                                                                                      \
    } while (0)

}  // namespace qelt::fuzz
