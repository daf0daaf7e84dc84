#include "io/text.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

#include "io/data_error.h"
#include "io/platform.h"

namespace qelt {

std::string_view trim_blanks(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
    return text;
}

std::vector<std::string> split_fields(std::string_view line) {
    std::vector<std::string> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && is_blank(line[i])) ++i;
        std::size_t start = i;
        while (i < line.size() && !is_blank(line[i])) ++i;
        if (i > start) fields.emplace_back(line.substr(start, i - start));
    }
    return fields;
}

double numeric_value(std::string_view text) {
    // Gather the characters of the leading number, skipping blanks wherever they stand
    // ("1 234.5" reads as 1234.5), then convert the gathered text in one go.
    std::string number;
    std::size_t i = 0;
    auto skip_blanks = [&] {
        while (i < text.size() && (is_blank(text[i]) || text[i] == '\n' || text[i] == '\r')) ++i;
    };
    auto take_digits = [&] {
        bool any = false;
        for (skip_blanks(); i < text.size() && text[i] >= '0' && text[i] <= '9'; skip_blanks()) {
            number += text[i++];
            any = true;
        }
        return any;
    };
    skip_blanks();
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') number += '-';
        ++i;
    }
    bool digits = take_digits();
    if (i < text.size() && text[i] == '.') {
        number += '.';
        ++i;
        digits = take_digits() || digits;
    }
    if (!digits) return 0.0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        // An exponent counts only when digits follow it: "12e" is 12.
        std::size_t mark = i;
        std::string exponent = "e";
        ++i;
        skip_blanks();
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) exponent += text[i++];
        std::size_t before = number.size();
        if (take_digits()) {
            exponent += number.substr(before);
            number.resize(before);
            number += exponent;
        } else {
            i = mark;
        }
    }
    double value = 0;
    const char* first = number.data();
    if (*first == '-') ++first;  // from_chars takes no '+', and the sign is applied below
    auto [ptr, ec] = std::from_chars(first, number.data() + number.size(), value);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) {
        // Either far too large or a vanishing fraction; tell them apart by the exponent.
        auto epos = number.find('e');
        bool tiny = epos != std::string::npos && number[epos + 1] == '-';
        value = tiny ? 0.0 : HUGE_VAL;
    }
    return number[0] == '-' ? -value : value;
}

std::optional<double> parse_number(std::string_view field) {
    if (field.empty()) return std::nullopt;
    std::string_view body = field;
    bool negative = false;
    if (body.front() == '+' || body.front() == '-') {
        negative = body.front() == '-';
        body.remove_prefix(1);
    }
    // from_chars would also take "inf" and "nan"; a field must start with a digit or a point.
    if (body.empty() ||
        !(std::isdigit(static_cast<unsigned char>(body.front())) || body.front() == '.'))
        return std::nullopt;
    double value = 0;
    auto [ptr, ec] =
        std::from_chars(body.data(), body.data() + body.size(), value, std::chars_format::general);
    if (ec != std::errc() || ptr != body.data() + body.size() || !std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

std::string shortest_number(double value) {
    char buf[64];
    auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, value);
    (void)ec;
    return std::string(buf, ptr);
}

bool is_valid_utf8(std::string_view bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t n = bytes.size(), i = 0;
    while (i < n) {
        unsigned char c = s[i];
        std::size_t len;
        std::uint32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            len = 2;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + len > n) return false;
        for (std::size_t k = 1; k < len; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and values beyond Unicode are not UTF-8; GBK text often
        // happens to look like such sequences.
        if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) ||
            (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
            return false;
        i += len;
    }
    return true;
}

std::size_t utf8_length(std::string_view text) {
    std::size_t count = 0;
    for (char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    return count;
}

// ---------------------------------------------------------------------------------------------

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
