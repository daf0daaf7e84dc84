#include "report/models/step_writer.h"

#include <charconv>
#include <cstdio>
#include <random>
#include <stdexcept>

#include "base/text.h"

namespace qelt {

std::string step_real(double value) {
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    std::string text(buffer, end);
    std::size_t e = text.find('e');
    if (e == std::string::npos) e = text.size();
    // Appended piece by piece rather than inserted or concatenated: g++ 12 at -O3 warns falsely
    // (-Wrestrict) on both.
    std::string real(text, 0, e);
    if (real.find('.') == std::string::npos) real.push_back('.');
    if (e < text.size()) {
        real.push_back('E');
        real.append(text, e + 1, std::string::npos);
    }
    return real;
}

std::string step_string(const std::string& utf8) {
    std::string out = "'";
    std::size_t i = 0;
    while (i < utf8.size()) {
        const std::optional<char32_t> c = next_utf8(utf8, i);
        if (!c) throw std::invalid_argument("not UTF-8");
        if (*c < 0x80) {
            out += static_cast<char>(*c);
            if (*c == '\'') out += '\'';
            if (*c == '\\') out += '\\';
            continue;
        }
        std::vector<unsigned> units;
        if (*c < 0x10000) {
            units.push_back(*c);
        } else {
            units.push_back(0xD800 + ((*c - 0x10000) >> 10));
            units.push_back(0xDC00 + ((*c - 0x10000) & 0x3FF));
        }
        out += "\\X2\\";
        for (unsigned u : units) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "%04X", u);
            out += hex;
        }
        out += "\\X0\\";
    }
    return out + "'";
}

std::string step_ref(std::int64_t id) {
    std::string ref(1, '#');
    ref += std::to_string(id);
    return ref;
}

std::string step_refs(const std::vector<std::int64_t>& ids) {
    std::string text = "(";
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if (i) text += ',';
        text += step_ref(ids[i]);
    }
    text += ')';
    return text;
}

StepWriter::StepWriter(std::int64_t first_id, std::uint64_t guid_high, std::uint64_t guid_low)
    : next_(first_id), high_(guid_high), low_(guid_low) {}

StepWriter StepWriter::with_random_guids(std::int64_t first_id) {
    std::random_device device;
    std::mt19937_64 random((static_cast<std::uint64_t>(device()) << 32) ^ device());
    const std::uint64_t high = random(), low = random();
    return StepWriter(first_id, high, low);
}

std::int64_t StepWriter::add(const std::string& entity_and_attributes) {
    data_ += step_ref(next_);
    data_ += '=';
    data_ += entity_and_attributes;
    data_ += ";\n";
    return next_++;
}

std::string StepWriter::guid() {
    // 128 bits in 22 digits: the first carries the top 2 bits, each other 6.
    static const char kDigits[] =
        "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz_$";
    if (++low_ == 0) ++high_;
    std::uint64_t high = high_, low = low_;
    std::string id(22, '0');
    for (int i = 21; i >= 0; --i) {
        id[static_cast<std::size_t>(i)] = kDigits[low & 63];
        low = (low >> 6) | (high << 58);
        high >>= 6;
    }
    return "'" + id + "'";
}

}  // namespace qelt
