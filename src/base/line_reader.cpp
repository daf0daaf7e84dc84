#include "base/line_reader.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

#include "base/data_error.h"
#include "base/platform.h"
#include "base/text.h"

namespace qelt {

namespace {

constexpr std::size_t kChunk = 1 << 16;

// Bytes that never occur in UTF-8. UTF-16 that cannot be decoded leaves one of them in the
// decoded text at its place, so that the refusal can name the line it is on.
constexpr char kUnpairedSurrogate = '\xFF';
constexpr char kOddByte = '\xFE';

bool has_non_ascii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return true;
    return false;
}

// A NUL or a CR inside the line: next() refuses such a line before decoding it.
bool refused_before_decoding(std::string_view raw) {
    for (char c : raw)
        if (c == '\0' || c == '\r') return true;
    return false;
}

void append_utf8(std::uint32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Finds the first line of a file that is not GB18030. A decoder started for every line would
// nearly double the time a large GBK file takes to open, so lines are checked in blocks of
// about one read chunk and only a block that fails is checked line by line. LF is never part of a
// GB18030 character, so a block decodes exactly when each of its lines does.
class Gb18030Probe {
  public:
    // Adds a line; true once a line that fails has been found.
    bool add(long line, std::string_view raw) {
        if (failed_line_) return true;
        starts_.emplace_back(line, block_.size());
        block_.append(raw);
        block_ += '\n';
        if (block_.size() >= kChunk) check();
        return failed_line_ != 0;
    }
    // Number of the first line that fails, 0 when all decode.
    long failed_line() {
        if (!failed_line_ && !block_.empty()) check();
        return failed_line_;
    }

  private:
    void check() {
        if (!gb18030_to_utf8(block_)) {
            for (std::size_t i = 0; i < starts_.size(); ++i) {
                const std::size_t begin = starts_[i].second;
                const std::size_t end =
                    (i + 1 < starts_.size() ? starts_[i + 1].second : block_.size()) - 1;
                if (!gb18030_to_utf8(std::string_view(block_).substr(begin, end - begin))) {
                    failed_line_ = starts_[i].first;
                    break;
                }
            }
        }
        block_.clear();
        starts_.clear();
    }

    std::string block_;
    std::vector<std::pair<long, std::size_t>> starts_;  // line number, offset in block_
    long failed_line_ = 0;
};

}  // namespace

LineReader::LineReader(const std::string& path) : path_(path) {
    if (!is_regular_file(path)) throw DataError("不是可读的文件", path, 0);
    file_ = open_file(path, "rb");
    if (!file_) throw DataError(std::string("无法打开文件：") + std::strerror(errno), path, 0);
    // No destructor runs for a constructor that throws; the file must not stay open.
    try {
        // As many bytes as the longest byte-order mark Windows writes (UTF-8's); in a UTF-16
        // file the third is already text and goes to the decoder with the rest.
        unsigned char head[3];
        const std::size_t got = std::fread(head, 1, sizeof head, file_);
        if (std::ferror(file_)) throw DataError("读取文件失败", path_, 1);
        if (got >= 2 && head[0] == 0xFF && head[1] == 0xFE) {
            encoding_ = Encoding::utf16le;
        } else if (got >= 2 && head[0] == 0xFE && head[1] == 0xFF) {
            encoding_ = Encoding::utf16be;
        } else {
            std::rewind(file_);
            decide_encoding();
            return;
        }
        decode_utf16(head + 2, got - 2);
    } catch (...) {
        close();
        throw;
    }
}

LineReader::~LineReader() {
    close();
}

void LineReader::close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

// Decides between UTF-8 and GB18030 for the whole file: a GBK file may hold lines that happen
// to be valid UTF-8 (plain digits, a few short words), and those must not be read differently
// from the rest. A file that is neither is mostly one of them with a line pasted in from a file
// of the other; the line to name is the first one that breaks the encoding most lines use,
// counting the lines that hold more than ASCII.
void LineReader::decide_encoding() {
    long utf8_lines = 0, other_lines = 0, first_not_utf8 = 0, last_line = 0;
    bool utf8_bom = false;
    std::string raw;
    while (read_raw(raw)) {
        ++last_line;
        if (last_line == 1) utf8_bom = raw.starts_with("\xEF\xBB\xBF");
        // No line after this one is ever read, so its encoding does not matter.
        if (refused_before_decoding(raw)) {
            --last_line;
            break;
        }
        if (!has_non_ascii(raw)) continue;
        if (is_valid_utf8(raw)) {
            ++utf8_lines;
        } else {
            ++other_lines;
            if (!first_not_utf8) first_not_utf8 = last_line;
        }
    }
    restart();
    if (other_lines == 0) return;
    // Most lines UTF-8: the others were pasted in. This holds even when the whole file happens
    // to decode as GB18030, as Chinese UTF-8 with an even number of characters mostly does:
    // read as GBK, every UTF-8 line would come out garbled without a word. Editors write the
    // byte-order mark only into UTF-8 files.
    if (utf8_bom || utf8_lines >= other_lines)
        throw DataError(
            "编码与文件其余部分（UTF-8）不同：请将整个文件另存为同一种编码（UTF-8 或 GBK）", path_,
            first_not_utf8);

    // Mostly GBK. Decoding is only needed now, and only up to the first line that fails, so
    // UTF-8 files never pay for it.
    Gb18030Probe gb18030;
    for (long line = 1; line <= last_line && read_raw(raw); ++line)
        if (has_non_ascii(raw) && gb18030.add(line, raw)) break;
    const long first_not_gb18030 = gb18030.failed_line();
    restart();
    if (!first_not_gb18030) {
        encoding_ = Encoding::gb18030;
        return;
    }
    // A single line that is neither, all others plain ASCII: there is no rest to compare with.
    if (utf8_lines == 0 && other_lines == 1)
        throw DataError("文件编码无法识别（既不是 UTF-8 也不是 GBK）", path_, first_not_gb18030);
    throw DataError("编码与文件其余部分（GBK）不同：请将整个文件另存为同一种编码（UTF-8 或 GBK）",
                    path_, first_not_gb18030);
}

void LineReader::restart() {
    std::rewind(file_);
    buffer_.clear();
    buffer_pos_ = 0;
    eof_ = false;
}

void LineReader::take_utf16_unit(unsigned unit) {
    const bool high = unit >= 0xD800 && unit <= 0xDBFF;
    const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
    if (utf16_high_surrogate_) {
        if (low) {
            append_utf8(0x10000 + ((utf16_high_surrogate_ - 0xD800) << 10) + (unit - 0xDC00),
                        buffer_);
            utf16_high_surrogate_ = 0;
            return;
        }
        buffer_ += kUnpairedSurrogate;
        utf16_high_surrogate_ = 0;
    }
    if (high)
        utf16_high_surrogate_ = unit;
    else if (low)
        buffer_ += kUnpairedSurrogate;
    else
        append_utf8(unit, buffer_);
}

void LineReader::decode_utf16(const unsigned char* bytes, std::size_t size) {
    const bool big_endian = encoding_ == Encoding::utf16be;
    for (std::size_t i = 0; i < size; ++i) {
        if (utf16_odd_byte_ < 0) {
            utf16_odd_byte_ = bytes[i];
            continue;
        }
        const unsigned first = static_cast<unsigned>(utf16_odd_byte_), second = bytes[i];
        utf16_odd_byte_ = -1;
        take_utf16_unit(big_endian ? (first << 8 | second) : (second << 8 | first));
    }
}

bool LineReader::fill() {
    if (eof_ || !file_) return false;
    buffer_.erase(0, buffer_pos_);
    buffer_pos_ = 0;
    const std::size_t old = buffer_.size();
    for (;;) {
        std::size_t got;
        if (utf16()) {
            chunk_.resize(kChunk);
            got = std::fread(chunk_.data(), 1, kChunk, file_);
            decode_utf16(reinterpret_cast<const unsigned char*>(chunk_.data()), got);
        } else {
            buffer_.resize(old + kChunk);
            got = std::fread(buffer_.data() + old, 1, kChunk, file_);
            buffer_.resize(old + got);
        }
        if (got == 0) {
            if (std::ferror(file_)) throw DataError("读取文件失败", path_, line_number_ + 1);
            eof_ = true;
            if (utf16_high_surrogate_) buffer_ += kUnpairedSurrogate;
            if (utf16_odd_byte_ >= 0) buffer_ += kOddByte;
            utf16_high_surrogate_ = 0;
            utf16_odd_byte_ = -1;
            return buffer_.size() > old;
        }
        // A chunk holding only the first half of a code unit or of a pair decodes to nothing.
        if (buffer_.size() > old) return true;
    }
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

namespace {
constexpr const char* kLoneCr = "含有单独的回车符（CR）：文件应以 CR LF 或 LF 换行";
}

// The next line, a lone CR taken as a line end where it is one. CR is never part of a GB18030
// or UTF-8 character, so the raw line can be cut before decoding.
bool LineReader::next_raw(std::string& raw) {
    if (!after_lone_cr_.empty()) {
        raw = std::move(after_lone_cr_.back());
        after_lone_cr_.pop_back();
        return true;
    }
    if (!read_raw(raw)) return false;
    if (!lone_cr_ends_line_) return true;
    const std::size_t cr = raw.find('\r');
    if (cr == std::string::npos) return true;
    if (first_lone_cr_line_ == 0) first_lone_cr_line_ = line_number_ + 1;
    std::vector<std::string> pieces;
    for (std::size_t from = cr + 1;;) {
        const std::size_t to = raw.find('\r', from);
        pieces.push_back(raw.substr(from, to == std::string::npos ? std::string::npos : to - from));
        if (to == std::string::npos) break;
        from = to + 1;
    }
    after_lone_cr_.assign(pieces.rbegin(), pieces.rend());
    raw.resize(cr);
    return true;
}

void LineReader::refuse_lone_cr() {
    lone_cr_ends_line_ = false;
    if (first_lone_cr_line_ != 0) throw DataError(kLoneCr, path_, first_lone_cr_line_);
}

bool LineReader::next(std::string& line) {
    std::string raw;
    if (!next_raw(raw)) return false;
    ++line_number_;
    // Neither byte occurs inside a GBK or UTF-8 character, so the raw line can be searched; a
    // UTF-16 file is searched after decoding.
    if (raw.find('\0') != std::string::npos)
        throw DataError(utf16() ? "含有空字符（U+0000），不是文本文件"
                                : "含有空字符（NUL）：不是文本文件，或是不带字节顺序标记（BOM）的 "
                                  "UTF-16 文件（请另存为 UTF-8、GBK 或 Unicode 文本）",
                        path_, line_number_);
    if (raw.find('\r') != std::string::npos) throw DataError(kLoneCr, path_, line_number_);
    if (utf16()) {
        if (raw.find(kUnpairedSurrogate) != std::string::npos)
            throw DataError("含有不成对的 UTF-16 代理项，无法解码：文件已损坏", path_,
                            line_number_);
        if (raw.find(kOddByte) != std::string::npos)
            throw DataError("UTF-16 文件的字节数为奇数，最后一个字符不完整：文件可能未保存完整",
                            path_, line_number_);
        line = std::move(raw);
        return true;
    }
    if (first_line_) {
        first_line_ = false;
        if (encoding_ == Encoding::utf8 && raw.starts_with("\xEF\xBB\xBF")) raw.erase(0, 3);
    }
    if (encoding_ == Encoding::utf8) {
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
