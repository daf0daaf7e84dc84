#include "io/line_reader.h"

#include <cerrno>
#include <cstring>

#include "io/data_error.h"
#include "io/platform.h"
#include "io/text.h"

namespace qelt {

namespace {
constexpr std::size_t kChunk = 1 << 16;
}  // namespace

LineReader::LineReader(const std::string& path) : path_(path) {
    if (!is_regular_file(path)) throw DataError("不是可读的文件", path, 0);
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_) throw DataError(std::string("无法打开文件：") + std::strerror(errno), path, 0);
    // Decide the encoding for the whole file first: a GBK file may hold lines that happen to
    // be valid UTF-8 (plain digits), and those must not be read differently from the rest.
    std::string raw;
    while (read_raw(raw)) {
        if (!is_valid_utf8(raw)) {
            utf8_ = false;
            break;
        }
    }
    std::rewind(file_);
    buffer_.clear();
    buffer_pos_ = 0;
    eof_ = false;
}

LineReader::~LineReader() {
    close();
}

void LineReader::close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

bool LineReader::fill() {
    if (eof_ || !file_) return false;
    buffer_.erase(0, buffer_pos_);
    buffer_pos_ = 0;
    std::size_t old = buffer_.size();
    buffer_.resize(old + kChunk);
    std::size_t got = std::fread(buffer_.data() + old, 1, kChunk, file_);
    buffer_.resize(old + got);
    if (got == 0) {
        if (std::ferror(file_)) throw DataError("读取文件失败", path_, line_number_ + 1);
        eof_ = true;
        return false;
    }
    return true;
}

bool LineReader::read_raw(std::string& raw) {
    raw.clear();
    for (;;) {
        const char* begin = buffer_.data() + buffer_pos_;
        std::size_t avail = buffer_.size() - buffer_pos_;
        if (const void* nl = std::memchr(begin, '\n', avail)) {
            std::size_t len = static_cast<const char*>(nl) - begin;
            raw.append(begin, len);
            buffer_pos_ += len + 1;
            if (!raw.empty() && raw.back() == '\r') raw.pop_back();
            return true;
        }
        raw.append(begin, avail);
        buffer_pos_ = buffer_.size();
        if (!fill()) {
            if (raw.empty()) return false;
            if (raw.back() == '\r') raw.pop_back();
            return true;  // a last line without a line end
        }
    }
}

bool LineReader::at_end() {
    if (buffer_pos_ < buffer_.size()) return false;
    return !fill();
}

bool LineReader::next(std::string& line) {
    std::string raw;
    if (!read_raw(raw)) return false;
    ++line_number_;
    // Neither byte occurs inside a GBK or UTF-8 character, so the raw line can be searched.
    if (raw.find('\0') != std::string::npos)
        throw DataError("含有空字符（NUL），不是文本文件（UTF-16 编码的文件请另存为 UTF-8 或 GBK）",
                        path_, line_number_);
    if (raw.find('\r') != std::string::npos)
        throw DataError("含有单独的回车符（CR）：文件应以 CR LF 或 LF 换行", path_, line_number_);
    if (first_line_) {
        first_line_ = false;
        if (utf8_ && raw.compare(0, 3, "\xEF\xBB\xBF") == 0) raw.erase(0, 3);
    }
    if (utf8_) {
        line = std::move(raw);
    } else {
        auto decoded = gb18030_to_utf8(raw);
        if (!decoded)
            throw DataError("文件编码无法识别（既不是 UTF-8 也不是 GBK）", path_, line_number_);
        line = std::move(*decoded);
    }
    return true;
}

}  // namespace qelt
