#include "station/station.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>
#include <utility>

#include "base/data_error.h"
#include "base/text.h"

namespace qelt {

namespace {

bool is_identifier(char c) {
    return c >= 'A' && c <= 'Z';
}

bool all_digits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The kilometre form without its sign: "K11+150.6" or "11+150.6" (metres below 1000, with
// or without a fraction). The value is read from the joined digits "11150.6" so that it is the
// double nearest to what was written, exactly as the plain number would be.
// `short_metres` is set where the metres have fewer than three digits before the point.
std::optional<double> kilometre_form(std::string_view text, bool& short_metres) {
    if (!text.empty() && (text.front() == 'K' || text.front() == 'k')) text.remove_prefix(1);
    const std::size_t plus = text.find('+');
    if (plus == std::string_view::npos) return std::nullopt;
    const std::string_view km = text.substr(0, plus);
    const std::string_view metres = text.substr(plus + 1);
    const std::size_t point = metres.find('.');
    std::string_view whole = metres.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : metres.substr(point + 1);
    if (!all_digits(km) || !all_digits(whole)) return std::nullopt;
    if (!fraction.empty() && !all_digits(fraction)) return std::nullopt;
    short_metres = whole.size() < 3;
    while (whole.size() > 1 && whole.front() == '0') whole.remove_prefix(1);
    if (whole.size() > 3) return std::nullopt;  // 1000 m or more is the next kilometre
    std::string joined(km);
    joined.append(3 - whole.size(), '0');
    joined += whole;
    if (!fraction.empty()) {
        joined += '.';
        joined.append(fraction);
    }
    double value = 0;
    auto [ptr, ec] = std::from_chars(joined.data(), joined.data() + joined.size(), value);
    if (ec != std::errc() || ptr != joined.data() + joined.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// A station number without identifier, trimmed and folded: the kilometre form after an optional
// sign, or a plain number ("1e+3" is no kilometre form and reads as a number).
std::optional<double> station_number(std::string_view text, bool& short_metres) {
    std::string_view digits = text;
    const bool negative = !digits.empty() && digits.front() == '-';
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+'))
        digits.remove_prefix(1);
    bool short_km = false;
    if (auto value = kilometre_form(digits, short_km)) {
        short_metres = short_km;
        return negative ? -*value : *value;
    }
    return parse_folded_number(trim_blanks(text));
}

// The station number of a text the run has accepted (NaN for one parse_station refuses).
double number_of(const std::string& text) {
    auto station = parse_station(text);
    return station ? station->number : NAN;
}

}  // namespace

std::optional<StationText> parse_station(std::string_view text) {
    const std::string folded = fold_fullwidth_digits(trim_blanks(text));
    std::string_view body = folded;
    if (body.empty()) return std::nullopt;
    bool short_metres = false;
    // "K11+150" is the kilometre form, not station 11 in interval K.
    if (auto value = station_number(body, short_metres))
        return StationText{0, *value, short_metres};
    if (!is_identifier(body.front())) return std::nullopt;
    auto value = station_number(body.substr(1), short_metres);
    if (!value) return std::nullopt;
    return StationText{body.front(), *value, short_metres};
}

void zh_mileage(const ChainBreaks& breaks, const std::string& station_text, double& mileage) {
    zh_mileage(breaks, parse_station(station_text).value_or(StationText{0, NAN}), mileage);
}

void zh_mileage(const ChainBreaks& breaks, const StationText& station, double& mileage) {
    double v = station.number;
    if (station.letter != 0) {
        // The identifier check has bounded k by dl_count; the cap only keeps a careless caller
        // inside the table.
        v += dl_shift(breaks, station.letter - 'A');
    }
    mileage = v;
}

void zh_format(const std::string& station_text, std::string& printed) {
    zh_format(StationText{0, number_of(station_text)}, printed);
}

void zh_format(const StationText& station, std::string& printed) {
    const double v = station.number;
    if (!std::isfinite(v)) {
        printed = v < 0 ? "-K∞" : "K∞";
        return;
    }
    const bool whole = std::floor(v) * 1000 == v * 1000;
    // The shortest decimal text that reads back as v: the digits the user wrote.
    char buf[400];
    auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::fixed);
    const std::string_view digits = ec == std::errc() ? std::string_view(buf, ptr - buf) : "0";
    const std::size_t point = digits.find('.');
    const std::string_view int_part = digits.substr(0, point);
    const std::string_view frac_part =
        point == std::string_view::npos ? std::string_view() : digits.substr(point + 1);
    // Whole metres with three leading zeros (so that kilometres and metres always have their
    // digits and a carry has room), then exactly three decimals.
    char d[sizeof buf + 6];
    std::size_t n = 0;
    for (int i = 0; i < 3; ++i) d[n++] = '0';
    for (char c : int_part) d[n++] = c;
    const std::size_t metres_end = n;
    for (std::size_t i = 0; i < 3; ++i) d[n++] = i < frac_part.size() ? frac_part[i] : '0';
    // Rounded half away from zero on the decimal digits themselves: a user's 1.0005 is exactly
    // half and rounds up, whatever the binary double nearest to it is.
    if (frac_part.size() > 3 && frac_part[3] >= '5') {
        std::size_t i = n - 1;
        while (d[i] == '9') d[i--] = '0';  // stops at a leading zero at the latest
        ++d[i];
    }
    std::size_t km = 0;  // the kilometres' first digit: no leading zeros, at least one digit
    while (km + 4 < metres_end && d[km] == '0') ++km;
    // A station that rounds to nought is no station before the start: a design program's
    // staStart of -1.8e-10 prints K0+000.000, not -K0+000.000.
    const bool below_start = v < 0 && std::any_of(d, d + n, [](char c) { return c != '0'; });
    printed.assign(below_start ? "-K" : "K");
    printed.append(d + km, metres_end - 3 - km);
    printed += '+';
    printed.append(d + metres_end - 3, 3);
    if (!whole) {
        printed += '.';
        printed.append(d + metres_end, 3);
    }
}

bool zh_check(const ChainBreaks& breaks, const std::string& s, std::string& message) {
    const auto station = parse_station(s);
    if (!station || station->letter == 0) return true;
    if (breaks.dl_count == 0) {
        message = "桩号" + s + "有误，不存在断链，请修改！";
        return false;
    }
    const int k = station->letter - 'A';
    const double v = station->number;
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

LetteredStation zh_dlstr(const ChainBreaks& breaks, const std::string& zhstr) {
    const auto rejected = [](std::string message) {
        return LetteredStation{std::nullopt, std::move(message), {}};
    };
    const std::string t(trim_blanks(zhstr));
    const auto station = parse_station(t);
    if (!station) {
        // Nothing to read a station from; stop like any other rejected station.
        return rejected("桩号" + zhstr + (t.empty() ? "为空" : "无法识别") + "，请修改！");
    }
    if (station->letter != 0 || breaks.dl_count == 0) return {zhstr, {}, *station};
    const double v = station->number;
    const int n = breaks.dl_count;
    // A short chain (before < after) leaves station values that exist nowhere on the road.
    for (int i = 1; i <= n; ++i) {
        if (breaks.dl_before[i] < v && v < breaks.dl_after[i]) {
            return rejected("桩号" + zhstr + "不应存在" + short_number_text(breaks.dl_before[i]) +
                            "和" + short_number_text(breaks.dl_after[i]) + "之间，请修改！");
        }
    }
    // A long chain (before > after) makes its overlap occur twice: only a letter can tell which.
    for (int i = 1; i <= n; ++i) {
        if (breaks.dl_before[i] > breaks.dl_after[i] && breaks.dl_after[i] <= v &&
            v <= breaks.dl_before[i]) {
            return rejected("程序不能判断桩号" + zhstr +
                            "所属的断链区间，需添加断链标识A、B、C...");
        }
    }
    int m = 1;
    for (int i = 1; i <= n; ++i)
        if (v > breaks.dl_before[i]) ++m;
    const char letter = static_cast<char>(64 + m);
    std::string lettered = letter + t;
    // Interval K before "11+150" spells the kilometre form "K11+150" again, which reads without
    // an identifier; the number written plainly keeps the letter.
    if (const auto read = parse_station(lettered); !read || read->letter != letter)
        lettered = letter + shortest_number(v);
    return {std::move(lettered), {}, StationText{letter, v}};
}

double dl_shift(const ChainBreaks& breaks, int k) {
    // The identifier check bounds k by dl_count; the cap only keeps a careless caller inside
    // the table.
    k = std::clamp(k, 0, kChainBreakSlots - 1);
    double shift = 0;
    for (int i = 1; i <= k; ++i) shift += breaks.dl_before[i] - breaks.dl_after[i];
    return shift;
}

double dl_break_mileage(const ChainBreaks& breaks, int i) {
    return breaks.dl_before[std::clamp(i, 0, kChainBreakSlots - 1)] + dl_shift(breaks, i - 1);
}

void dl_complete(ChainBreaks& breaks, double start_mileage, double end_mileage) {
    if (breaks.dl_count >= 1 && breaks.dl_before[1] == -1) breaks.dl_count = 0;
    const int n = breaks.dl_count;
    if (n < 0 || n > kChainBreakSlots - 2) throw DataError("断链超过 19 个，超出程序的容量");
    // Interval A starts at station 0; a line whose stationing starts before 0 (K0-050) has its
    // first metres in interval A too.
    breaks.dl_before[0] = breaks.dl_after[0] = std::min(0.0, start_mileage);
    // The last interval ends at the line's end, numbered as that interval numbers it. The end's
    // continuous mileage in its place would refuse a lettered station on the last metres of a
    // line with more short chains than long ones, which the same number unlettered reaches.
    breaks.dl_before[n + 1] = breaks.dl_after[n + 1] = end_mileage - dl_shift(breaks, n);
    dl_check_order(breaks, start_mileage, end_mileage);
}

StationOfMileage zh_station_of(const ChainBreaks& breaks, double mileage) {
    // The interval of a mileage: the last break standing before it (at a break's own position,
    // the interval before it).
    int k = 0;
    while (k < breaks.dl_count && dl_break_mileage(breaks, k + 1) < mileage) ++k;
    return zh_station_in(breaks, k, mileage - dl_shift(breaks, k));
}

StationOfMileage zh_station_in(const ChainBreaks& breaks, int interval, double number) {
    StationOfMileage station;
    station.letter = static_cast<char>('A' + interval);
    station.number = number;
    std::string plain;
    zh_format(shortest_number(station.number), plain);
    // Printed without its letter when the borehole-file rules would give it the same one.
    const LetteredStation lettered = zh_dlstr(breaks, plain);
    const auto read = lettered ? parse_station(*lettered.text) : std::nullopt;
    const bool same = breaks.dl_count == 0 || (read && read->letter == station.letter);
    station.text = same ? plain : station.letter + plain;
    return station;
}

void dl_check_order(const ChainBreaks& breaks, double start_mileage, double end_mileage) {
    // Break i stands where its "before" station is reached: its number plus what the breaks
    // passed before it have taken out.
    for (int i = 1; i <= breaks.dl_count; ++i) {
        const double at = dl_break_mileage(breaks, i);
        const std::string name = "断链（断前 " + short_number_text(breaks.dl_before[i]) +
                                 "，断后 " + short_number_text(breaks.dl_after[i]) + "）";
        if (i > 1 && !(breaks.dl_before[i] > breaks.dl_after[i - 1]))
            throw DataError(name + "的断前桩号不大于上一断链的断后桩号 " +
                                short_number_text(breaks.dl_after[i - 1]) +
                                "：断链应按沿线的先后顺序列出，两断链之间应有一段线路",
                            {}, i);
        if (!(at >= start_mileage && at <= end_mileage))
            throw DataError(name + "位于线路之外：按连续里程它在 " + short_number_text(at) +
                                "，而线路从 " + short_number_text(start_mileage) + " 到 " +
                                short_number_text(end_mileage),
                            {}, i);
    }
}

std::optional<std::string> short_metres_notice(const std::string& station_text) {
    const auto station = parse_station(station_text);
    if (!station || !station->short_metres) return std::nullopt;
    std::string printed;
    zh_format(*station, printed);
    return "桩号“" + std::string(trim_blanks(station_text)) + "”“+”后的米数不足三位，已按 " +
           printed + " 读取；若是少写了一位数字，请改正";
}

}  // namespace qelt
