#include "io/text.h"

#include <charconv>
#include <cmath>
#include <system_error>

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

}  // namespace qelt
