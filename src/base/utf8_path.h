#pragma once
// std::filesystem paths from and to the program's UTF-8 strings. A path made from a narrow
// string takes it in the system's legacy code page on Windows (Chinese names come out garbled)
// and .string() goes back the same way; char8_t strings are UTF-8 on every platform.

#include <filesystem>
#include <string>

namespace qelt {

inline std::filesystem::path path_from_utf8(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string utf8_of(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace qelt
