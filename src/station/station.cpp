#include "station/station.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "io/text.h"

namespace qelt {

namespace {

bool is_identifier(char c) {
    return c >= 'A' && c <= 'Z';
}

// The station number of a text: the text after the identifier letter, or the whole text.
double station_number(const std::string& text) {
    if (!text.empty() && is_identifier(text[0]))
        return numeric_value(std::string_view(text).substr(1));
    return numeric_value(text);
}

// Rounds a non-negative decimal digit string "int.frac" to three decimals, half away from
// zero, on the decimal digits themselves: a user's 1.0005 is exactly half and rounds up,
// whatever the binary double nearest to it is.
void round_to_thousandths(std::string& int_part, std::string& frac_part) {
    frac_part.resize(std::max<std::size_t>(frac_part.size(), 4), '0');
    bool round_up = frac_part[3] >= '5';
    frac_part.resize(3);
    if (!round_up) return;
    std::string digits = int_part + frac_part;
    int i = static_cast<int>(digits.size()) - 1;
    for (; i >= 0 && digits[i] == '9'; --i) digits[i] = '0';
    if (i < 0)
        digits.insert(digits.begin(), '1');
    else
        ++digits[i];
    int_part = digits.substr(0, digits.size() - 3);
    frac_part = digits.substr(digits.size() - 3);
}

}  // namespace

void zh_mileage(const ChainBreaks& breaks, const std::string& station_text, double& mileage) {
    if (station_text.empty() || !is_identifier(station_text[0])) {
        mileage = numeric_value(station_text);
        return;
    }
    // The identifier check has bounded k by dl_count; the cap only keeps a careless caller
    // inside the table.
    int k = std::min(station_text[0] - 'A', kChainBreakSlots - 1);
    double v = numeric_value(std::string_view(station_text).substr(1));
    for (int i = k; i >= 1; --i) v = v - breaks.dl_after[i] + breaks.dl_before[i];
    mileage = v;
}

void zh_format(const std::string& station_text, std::string& printed) {
    double v = station_number(station_text);
    if (!std::isfinite(v)) {
        printed = v < 0 ? "-K∞" : "K∞";
        return;
    }
    bool whole = std::floor(v) * 1000 == v * 1000;
    // The shortest decimal text that reads back as v: the digits the user wrote.
    char buf[400];
    auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::fixed);
    std::string digits = ec == std::errc() ? std::string(buf, ptr) : std::string("0");
    std::size_t point = digits.find('.');
    std::string int_part = digits.substr(0, point);
    std::string frac_part = point == std::string::npos ? "" : digits.substr(point + 1);
    round_to_thousandths(int_part, frac_part);
    if (int_part.size() < 4) int_part.insert(0, 4 - int_part.size(), '0');
    std::string km = int_part.substr(0, int_part.size() - 3);
    km.erase(0, std::min(km.find_first_not_of('0'), km.size() - 1));
    printed = (v < 0 ? "-K" : "K") + km + "+" + int_part.substr(int_part.size() - 3);
    if (!whole) printed += "." + frac_part;
}

bool zh_check(const ChainBreaks& breaks, const std::string& s, std::string& message) {
    if (s.empty() || !is_identifier(s[0])) return true;
    if (breaks.dl_count == 0) {
        message = "桩号" + s + "有误，不存在断链，请修改！";
        return false;
    }
    int k = s[0] - 'A';
    double v = numeric_value(std::string_view(s).substr(1));
    if (k > breaks.dl_count) {
        message = "桩号" + s + "断链标识有误，请修改！";
        return false;
    }
    if (v < breaks.dl_after[k] || v > breaks.dl_before[k + 1]) {
        message = "桩号" + s + "超出所在断链区间，请修改！";
        return false;
    }
    return true;
}

void zh_dlstr(const ChainBreaks& breaks, const std::string& zhstr, std::string& zhdlstr,
              std::int16_t& errle, std::string& message) {
    errle = 1;
    std::string t(trim_blanks(zhstr));
    if (t.empty()) {
        // Nothing to read a station from; stop like any other rejected station.
        message = "桩号" + zhstr + "为空，请修改！";
        errle = 0;
        return;
    }
    if (is_identifier(t[0]) || breaks.dl_count == 0) {
        zhdlstr = zhstr;
        return;
    }
    double v = numeric_value(t);
    const int n = breaks.dl_count;
    // A short chain (before < after) leaves station values that exist nowhere on the road.
    for (int i = 1; i <= n; ++i) {
        if (breaks.dl_before[i] < v && v < breaks.dl_after[i]) {
            message = "桩号" + zhstr + "不应存在" + short_number_text(breaks.dl_before[i]) + "和" +
                      short_number_text(breaks.dl_after[i]) + "之间，请修改！";
            errle = 0;
            return;
        }
    }
    // A long chain (before > after) makes its overlap occur twice: only a letter can tell which.
    for (int i = 1; i <= n; ++i) {
        if (breaks.dl_before[i] > breaks.dl_after[i] && breaks.dl_after[i] <= v &&
            v <= breaks.dl_before[i]) {
            message = "程序不能判断桩号" + zhstr + "所属的断链区间，需添加断链标识A、B、C...";
            errle = 0;
            return;
        }
    }
    int m = 1;
    for (int i = 1; i <= n; ++i)
        if (v > breaks.dl_before[i]) ++m;
    zhdlstr = std::string(1, static_cast<char>(64 + m)) + t;
}

std::string short_number_text(double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15G", value);
    std::string text = buf;
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

}  // namespace qelt
