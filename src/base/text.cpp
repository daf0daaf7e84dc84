#include "base/text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <system_error>

namespace qelt {

std::size_t blank_length(std::string_view text, std::size_t i) {
    if (i >= text.size()) return 0;
    if (text[i] == ' ' || text[i] == '\t') return 1;
    // Tested on the lead byte first: this runs on every byte of every line read.
    if (text[i] == '\xE3' && text.compare(i, 3, "\xE3\x80\x80") == 0) return 3;
    return 0;
}

namespace {

// Length of a blank that ends just before text[end].
std::size_t blank_length_before(std::string_view text, std::size_t end) {
    if (end == 0) return 0;
    if (text[end - 1] == ' ' || text[end - 1] == '\t') return 1;
    if (end >= 3 && text[end - 1] == '\x80' && text.compare(end - 3, 3, "\xE3\x80\x80") == 0)
        return 3;
    return 0;
}

}  // namespace

std::string_view trim_blanks(std::string_view text) {
    while (std::size_t n = blank_length(text, 0)) text.remove_prefix(n);
    while (std::size_t n = blank_length_before(text, text.size())) text.remove_suffix(n);
    return text;
}

std::vector<std::string_view> field_views(std::string_view line) {
    std::vector<std::string_view> fields;
    fields.reserve(4);  // a borehole line's station, offset and remark without regrowing
    std::size_t i = 0;
    while (i < line.size()) {
        while (std::size_t n = blank_length(line, i)) i += n;
        const std::size_t start = i;
        while (i < line.size() && blank_length(line, i) == 0) ++i;
        if (i > start) fields.push_back(line.substr(start, i - start));
    }
    return fields;
}

std::vector<std::string> split_fields(std::string_view line) {
    std::vector<std::string> fields;
    for (std::string_view field : field_views(line)) fields.emplace_back(field);
    return fields;
}

std::string fold_fullwidth_digits(std::string_view text) {
    // Every field of every borehole line comes through here, nearly always typed in ASCII: a
    // text holding neither lead byte has nothing to fold.
    if (std::none_of(text.begin(), text.end(), [](char c) { return c == '\xEF' || c == '\xE2'; }))
        return std::string(text);
    std::string folded;
    folded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        // The full-width form of ASCII character a is U+FEE0 + a; for '+' … '9' that is
        // EF BC 8B … EF BC 99 in UTF-8, so the last byte less 0x60 is the ASCII character.
        if (i + 2 < text.size() && text[i] == '\xEF' && text[i + 1] == '\xBC') {
            const auto c = static_cast<unsigned char>(text[i + 2]);
            if ((c >= 0x90 && c <= 0x99) || c == 0x8B || c == 0x8D || c == 0x8E) {
                folded += static_cast<char>(c - 0x60);
                i += 2;
                continue;
            }
        }
        if (text[i] == '\xE2' && text.compare(i, 3, "\xE2\x88\x92") == 0) {  // U+2212 MINUS SIGN
            folded += '-';
            i += 2;
            continue;
        }
        folded += text[i];
    }
    return folded;
}

namespace {

// The fields of a borehole file are short decimals (stations, offsets, coordinates to the
// millimetre): read those without std::from_chars. With at most 15 digits the digits form an
// integer below 10^15 and the power of ten is below 10^15 too, both exact in a double, and one
// IEEE division rounds their quotient correctly: the same double from_chars gives (Clinger's
// fast path). Anything else (an exponent, more digits, no digit) is left to from_chars.
std::optional<double> short_decimal(std::string_view text) {
    static constexpr double kPowersOfTen[] = {1,   1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    std::uint64_t digits = 0;
    int count = 0, decimals = 0;
    bool point = false;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            if (++count > 15) return std::nullopt;
            digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
            if (point) ++decimals;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (count == 0) return std::nullopt;
    return static_cast<double>(digits) / kPowersOfTen[decimals];
}

}  // namespace

std::optional<double> parse_number(std::string_view field) {
    return parse_folded_number(fold_fullwidth_digits(trim_blanks(field)));
}

std::optional<double> parse_folded_number(std::string_view body) {
    if (body.empty()) return std::nullopt;
    bool negative = false;
    if (body.front() == '+' || body.front() == '-') {
        negative = body.front() == '-';
        body.remove_prefix(1);
    }
    // from_chars would also take "inf" and "nan"; a field must start with a digit or a point.
    if (body.empty() ||
        !(std::isdigit(static_cast<unsigned char>(body.front())) || body.front() == '.'))
        return std::nullopt;
    if (const auto value = short_decimal(body)) return negative ? -*value : *value;
    double value = 0;
    auto [ptr, ec] =
        std::from_chars(body.data(), body.data() + body.size(), value, std::chars_format::general);
    if (ec != std::errc() || ptr != body.data() + body.size() || !std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

std::string shortest_number(double value) {
    // The largest double written out in full has 309 digits before the point, the smallest
    // 767 after it.
    char buf[800];
    auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    (void)ec;
    return std::string(buf, ptr);
}

namespace {

// printf's text for one double and one precision, as long as it needs to be.
std::string printed(const char* format, int precision, double value) {
    char small[64];
    const int size = std::snprintf(small, sizeof small, format, precision, value);
    if (size < 0) return {};
    if (static_cast<std::size_t>(size) < sizeof small) return std::string(small, size);
    std::string text(static_cast<std::size_t>(size) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, precision, value);
    text.resize(static_cast<std::size_t>(size));
    return text;
}

}  // namespace

std::string fixed_text(double value, int decimals) {
    return printed("%.*f", decimals, value);
}

std::string significant_text(double value, int digits) {
    return printed("%.*g", digits, value);
}

std::string dms_text(double degrees, int decimals) {
    if (!std::isfinite(degrees)) return printed("%.*G", 15, degrees);
    const bool negative = degrees < 0;
    // Counted in units of the last printed place of the seconds, so that the rounding carries
    // into minutes and degrees by integer arithmetic ("59.96″" never prints as "60.0″").
    const double unit = std::pow(10.0, decimals);
    const double total = std::round(std::abs(degrees) * 3600 * unit);
    const double per_minute = 60 * unit, per_degree = 3600 * unit;
    const double d = std::floor(total / per_degree);
    const double m = std::floor((total - d * per_degree) / per_minute);
    const double s = (total - d * per_degree - m * per_minute) / unit;
    // Appended piece by piece: g++ 12 at -O3 takes `"0" + std::string` for an overlapping copy
    // (a false -Wrestrict) and would stop an optimised build here.
    std::string text = negative && total > 0 ? "-" : "";
    text += printed("%.*f", 0, d);
    text += "°";
    if (m < 10) text += '0';
    text += printed("%.*f", 0, m);
    text += "′";
    if (s < 10) text += '0';
    text += printed("%.*f", decimals, s);
    text += "″";
    return text;
}

std::string short_number_text(double value) {
    std::string text = printed("%.*G", 15, value);
    // Drop trailing zeros of a fraction (before any exponent), then a bare point.
    std::size_t e = text.find('E');
    std::string mantissa = text.substr(0, e),
                exponent = e == std::string::npos ? "" : text.substr(e);
    if (mantissa.find('.') != std::string::npos) {
        mantissa.erase(mantissa.find_last_not_of('0') + 1);
        if (mantissa.back() == '.') mantissa.pop_back();
    }
    if (mantissa.rfind("0.", 0) == 0) mantissa.erase(0, 1);
    if (mantissa.rfind("-0.", 0) == 0) mantissa.erase(1, 1);
    return mantissa + exponent;
}

std::optional<char32_t> next_utf8(std::string_view bytes, std::size_t& i) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    if (i >= n) return std::nullopt;
    const unsigned char c = s[i];
    std::size_t len;
    char32_t cp;
    if (c < 0x80) {
        ++i;
        return c;
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
        return std::nullopt;
    }
    if (i + len > n) return std::nullopt;
    for (std::size_t k = 1; k < len; ++k) {
        if ((s[i + k] & 0xC0) != 0x80) return std::nullopt;
        cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) ||
        (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
        return std::nullopt;
    i += len;
    return cp;
}

bool is_valid_utf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();)
        if (!next_utf8(bytes, i)) return false;
    return true;
}

namespace {

// A continuation byte (10xxxxxx) never starts a character.
bool continues_character(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

std::size_t next_utf8_boundary(std::string_view text, std::size_t i) {
    ++i;
    while (i < text.size() && continues_character(text[i])) ++i;
    return i;
}

std::size_t utf8_length(std::string_view text) {
    std::size_t count = 0;
    for (char c : text)
        if (!continues_character(c)) ++count;
    return count;
}

}  // namespace qelt
