#include "input/text/readers.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "base/data_error.h"
#include "base/limits.h"
#include "station/station.h"

namespace qelt {

namespace {

// Length in bytes of the comma that starts at line[i]: 1 for ASCII ',', 3 for the full-width
// "，" a Chinese input method types, 0 when no comma starts there.
std::size_t comma_length(std::string_view line, std::size_t i) {
    if (i >= line.size()) return 0;
    if (line[i] == ',') return 1;
    return line.compare(i, 3, "，") == 0 ? 3 : 0;
}

// The comma that ends a name or a number at or after `from`: its position and byte length, or
// npos and 0. Each call scans the line once, so a caller looking at every character asks
// comma_length instead: scanning to the line's end from each character would make a long line
// (a wrong file picked by mistake) take minutes.
std::pair<std::size_t, std::size_t> find_comma(std::string_view line, std::size_t from) {
    for (std::size_t i = from; i < line.size(); ++i)
        if (std::size_t n = comma_length(line, i)) return {i, n};
    return {std::string_view::npos, 0};
}

// Reads one comma-separated text field starting at `pos` the way a Windows program's list
// input does: leading blanks skipped, a field in double quotes may hold commas (the quotes are
// dropped), otherwise the field runs to the next comma or the line end. Returns false when the
// line ends without a comma after the field; `pos` then stands after the comma.
bool read_text_field(std::string_view line, std::size_t& pos, std::string& field) {
    while (std::size_t n = blank_length(line, pos)) pos += n;
    std::pair<std::size_t, std::size_t> comma;
    if (pos < line.size() && line[pos] == '"') {
        std::size_t close = std::min(line.find('"', pos + 1), line.size());
        field.assign(line.substr(pos + 1, close - pos - 1));
        comma = find_comma(line, std::min(close + 1, line.size()));
    } else {
        comma = find_comma(line, pos);
        field.assign(line.substr(pos, std::min(comma.first, line.size()) - pos));
    }
    if (comma.first == std::string_view::npos) {
        pos = line.size();
        return false;
    }
    pos = comma.first + comma.second;
    return true;
}

// Start offsets of the characters of a UTF-8 text, so that "the last character" of a JD name
// means a character, not a byte of one.
std::vector<std::size_t> character_starts(std::string_view text) {
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < text.size(); i = next_utf8_boundary(text, i)) starts.push_back(i);
    return starts;
}

bool contains_ht(std::string_view name) {
    for (std::size_t i = 0; i + 1 < name.size(); ++i)
        if ((name[i] == 'H' || name[i] == 'h') && (name[i + 1] == 'T' || name[i + 1] == 't'))
            return true;
    return false;
}

// A numeric field read whole; `what` names the field for the engineer ("JD2 的 R").
double number_or_throw(std::string_view field, const LineSource& file, const std::string& what) {
    auto value = parse_number(field);
    if (!value)
        throw DataError(what + "“" + std::string(field) + "”不是数", file.path(),
                        file.line_number());
    return *value;
}

// The rest of a line after its field `last`, trimmed: a remark, inner blanks kept. Refused
// when longer than a worksheet cell holds.
std::string_view remark_after(const std::string& line, std::string_view last) {
    const std::size_t rest = static_cast<std::size_t>(last.data() + last.size() - line.data());
    const std::string_view text = trim_blanks(std::string_view(line).substr(rest));
    if (utf8_length(text) > kMaxCellText)
        throw DataError("备注超过 " + std::to_string(kMaxCellText) + " 个字符");
    return text;
}

// The start azimuth of an element file is written ddd.mmss: degrees, then two digits of
// minutes and two of seconds, any further digits a fraction of a second. Minutes or seconds of
// 60 or more are a typing error (45.7530 for 45.5730) that the conversion would silently turn
// into another angle (75′ read as 1°15′), so they are refused. The digits are taken from the
// text as written: the double nearest 45.3060 is 45.30599…, whose digits would say 59.99″.
void check_dms(std::string_view field, const LineSource& file, long line) {
    std::string text = fold_fullwidth_digits(trim_blanks(field));
    std::string sign;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        if (text[0] == '-') sign = "-";
        text.erase(0, 1);
    }
    // An exponent form has no digits to read as written: its value to a ten-thousandth of a
    // second stands in for them.
    if (text.find_first_of("eE") != std::string::npos) {
        char fixed[64];
        std::snprintf(fixed, sizeof fixed, "%.8f", std::abs(*parse_number(field)));
        text = fixed;
    }
    const std::size_t point = text.find('.');
    std::string degrees = text.substr(0, point);
    std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
    if (fraction.size() < 4) fraction.append(4 - fraction.size(), '0');
    const std::string minutes = fraction.substr(0, 2), seconds = fraction.substr(2, 2);
    const std::string second_fraction = fraction.substr(4);
    std::string wrong;
    if (minutes >= "60") wrong = "分 " + minutes;
    if (seconds >= "60") wrong += (wrong.empty() ? "秒 " : "、秒 ") + seconds;
    if (wrong.empty()) return;
    // assign rather than = "0": a false -Wrestrict of g++ 12 at -O3 (an overlapping copy).
    if (degrees.empty()) degrees.assign(1, '0');
    throw DataError("起点方位角“" + std::string(trim_blanks(field)) + "”读作 " + sign + degrees +
                        "°" + minutes + "′" + seconds +
                        (second_fraction.empty() ? "" : "." + second_fraction) + "″，其中" + wrong +
                        " 不小于 60：方位角按 ddd.mmss 书写，即度数后的小数点之后两位是分、"
                        "再两位是秒，分和秒都小于 60（如 45°30′15″ 写作 45.3015）",
                    file.path(), line);
}

}  // namespace

void zx_read_alignment(LineSource& file, MainLine& line) {
    std::string text;
    if (!file.next(text)) throw DataError("文件为空，缺少起始桩号行", file.path(), 1);
    std::size_t pos = 0;
    std::string ignored;
    const char* const start_line_form = "第一行应为起点行“名称,起始桩号”，例如“起点,10000”";
    if (!read_text_field(text, pos, ignored))
        throw DataError(start_line_form, file.path(), file.line_number());
    // A JD record here means the start line is missing: the first JD's X would silently become
    // the start station and every station of the line would be off.
    const std::vector<std::string_view> start_fields =
        field_views(std::string_view(text).substr(pos));
    if (start_fields.size() != 1)
        throw DataError(
            std::string(start_line_form) +
                (start_fields.empty() ? "，缺少起始桩号"
                                      : "；这一行像是交点记录，请在交点记录之前加上起点行"),
            file.path(), file.line_number());
    line.jd_start_station = number_or_throw(start_fields[0], file, "起始桩号");

    int count = 0;
    line.jd_count = 0;
    while (file.next(text)) {
        pos = 0;
        std::string name;
        bool has_comma = read_text_field(text, pos, name);
        std::string_view trimmed = trim_blanks(name);
        if (trimmed.empty()) break;  // a blank line ends the list
        if (!has_comma)
            throw DataError("交点行应为“交点名,X Y R Ls1 Ls2 [R1 R2]”，缺少逗号", file.path(),
                            file.line_number());
        if (count == kMaxJd) throw DataError("交点超过 1000 个", file.path(), file.line_number());
        const int i = ++count;
        std::vector<std::string> fields = split_fields(std::string_view(text).substr(pos));
        if (fields.size() != 5 && fields.size() != 7)
            throw DataError(
                "交点行应有 5 个或 7 个数，实有 " + std::to_string(fields.size()) + " 个",
                file.path(), file.line_number());
        static const char* const kValueNames[7] = {"X", "Y", "R", "Ls1", "Ls2", "R1", "R2"};
        double values[7] = {0, 0, 0, 0, 0, 0, 0};
        for (std::size_t v = 0; v < fields.size(); ++v)
            values[v] = number_or_throw(fields[v], file,
                                        "交点 " + std::string(trimmed) + " 的 " + kValueNames[v]);
        line.jd_x[i] = values[0];
        line.jd_y[i] = values[1];
        line.jd_r[i] = values[2];
        line.jd_ls1[i] = values[3];
        line.jd_ls2[i] = values[4];
        line.jd_r1[i] = values[5];
        line.jd_r2[i] = values[6];
        line.jd_name[i] = trimmed;
        line.jd_hairpin[i] = line.jd_keep_in[i] = line.jd_keep_out[i] = false;
        if (contains_ht(trimmed)) {
            line.jd_hairpin[i] = true;
            std::vector<std::size_t> chars = character_starts(trimmed);
            auto char_is_one = [&](std::size_t k) {
                std::size_t start = chars[k];
                std::size_t stop = k + 1 < chars.size() ? chars[k + 1] : trimmed.size();
                return trimmed.substr(start, stop - start) == "1";
            };
            if (chars.size() >= 2 && char_is_one(chars.size() - 2)) line.jd_keep_in[i] = true;
            if (char_is_one(chars.size() - 1)) line.jd_keep_out[i] = true;
        }
        line.jd_count = i;
    }
}

void ht_read_elements(LineSource& file, ElementChain& chain) {
    // The file is a stream of numbers; read them all with the line each stands on.
    std::string text;
    std::vector<double> numbers;
    std::vector<long> lines;
    std::string azimuth_text;
    auto take = [&](std::string_view field) {
        static const char* const kStartNames[4] = {"起点桩号", "起点 X", "起点 Y", "起点方位角"};
        static const char* const kElementNames[3] = {"起点半径", "终点半径", "长度"};
        const std::size_t k = numbers.size();
        const std::string what = k < 4 ? std::string(kStartNames[k])
                                       : "第 " + std::to_string((k - 4) / 3 + 1) + " 个线元的" +
                                             kElementNames[(k - 4) % 3];
        numbers.push_back(number_or_throw(field, file, what));
        if (k == 3) azimuth_text = field;
        lines.push_back(file.line_number());
    };
    const std::size_t max_numbers = 4 + 3 * static_cast<std::size_t>(kMaxElements);
    bool after_number = false;  // a comma right after a number (blanks between) is its end
    while (file.next(text)) {
        std::size_t i = 0;
        while (i < text.size()) {
            if (std::size_t n = blank_length(text, i)) {
                i += n;
                continue;
            }
            if (std::size_t n = comma_length(text, i)) {
                if (!after_number)
                    throw DataError("线元数据中有空项（连续的逗号）", file.path(),
                                    file.line_number());
                after_number = false;
                i += n;
                continue;
            }
            std::size_t end = i;
            while (end < text.size() && blank_length(text, end) == 0 &&
                   comma_length(text, end) == 0)
                ++end;
            if (numbers.size() == max_numbers)
                throw DataError("线元超过 1000 个", file.path(), file.line_number());
            take(std::string_view(text).substr(i, end - i));
            after_number = true;
            i = end;
        }
        after_number = false;  // a line end also ends a field
    }
    if (numbers.size() < 4)
        throw DataError("文件在起点的四个数（桩号、X、Y、方位角）之内结束", file.path(),
                        file.line_number());
    if ((numbers.size() - 4) % 3 != 0)
        throw DataError("最后一个线元不完整（每个线元需起点半径、终点半径、长度三个数）",
                        file.path(), lines.back());
    chain.ht_start_station = numbers[0];
    chain.ht_start_x = numbers[1];
    chain.ht_start_y = numbers[2];
    check_dms(azimuth_text, file, lines[3]);
    chain.ht_start_azimuth = numbers[3];
    const int count = static_cast<int>((numbers.size() - 4) / 3);
    for (int i = 1; i <= count; ++i) {
        chain.ht_in_r1[i] = numbers[4 + 3 * (i - 1)];
        chain.ht_in_r2[i] = numbers[5 + 3 * (i - 1)];
        chain.ht_in_len[i] = numbers[6 + 3 * (i - 1)];
        chain.ht_in_line[i] = lines[4 + 3 * (i - 1)];
    }
    chain.ht_in_count = static_cast<std::int16_t>(count);
}

void dl_read_file(LineSource& file, ChainBreaks& breaks) {
    breaks.dl_count = 0;
    std::string text;
    // Element dl_count + 1 must stay free for the end of the line: at most 19 chain breaks.
    constexpr int kMaxChainBreaks = kChainBreakSlots - 2;
    while (file.next(text)) {
        std::vector<std::string> fields = split_fields(text);
        if (fields.empty()) break;  // a blank line ends the list
        if (fields.size() < 2)
            throw DataError("断链行应有断前桩号和断后桩号两个数", file.path(), file.line_number());
        if (breaks.dl_count == kMaxChainBreaks)
            throw DataError("断链超过 19 个", file.path(), file.line_number());
        const int i = breaks.dl_count + 1;
        breaks.dl_before[i] = number_or_throw(fields[0], file, "断前桩号");
        breaks.dl_after[i] = number_or_throw(fields[1], file, "断后桩号");
        breaks.dl_count = static_cast<std::int16_t>(i);
    }
}

namespace {

// What a comma in a field of a blank-separated list line is taken for: a number's thousands
// separator ("11,150" is eleven thousand one hundred and fifty, not 11 and 150), so the field is
// no number; said where the field holds one, so that the user sees why and how to write it.
std::string comma_note(std::string_view field) {
    if (field.find(',') == std::string_view::npos && field.find("，") == std::string_view::npos)
        return {};
    return "；其中的逗号被当作千位分隔符（如 11,150），不是分项：各项以空格分开，"
           "Excel 另存的 CSV 文件则每一行都以逗号分项";
}

}  // namespace

void bh_parse_group(const std::string& line, std::string& title, std::int16_t& count) {
    const std::vector<std::string_view> fields = field_views(line);
    if (fields.size() < 2) throw DataError("分组行应为“分组名称 钻孔数”，如“桥1 3”");
    const std::string written(fields[1]);
    auto value = parse_number(written);
    if (!value) throw DataError("分组行的钻孔数“" + written + "”不是数" + comma_note(written));
    // A count of 2.5 is a typing error, not a group of two or three boreholes.
    if (*value != std::floor(*value)) throw DataError("分组行的钻孔数“" + written + "”不是整数");
    // A negative count would move the next group's title back over this group's rows.
    if (*value < 0 || *value > 32767)
        throw DataError("分组行的钻孔数“" + written + "”超出 0～32767");
    if (utf8_length(fields[0]) > kMaxCellText)
        throw DataError("分组名称超过 " + std::to_string(kMaxCellText) + " 个字符");
    title = fields[0];
    count = static_cast<std::int16_t>(*value);
}

void bh_parse_borehole(const std::string& line, std::string& station, double& offset,
                       std::string& offset_text, std::string& remark) {
    const std::vector<std::string_view> fields = field_views(line);
    if (fields.size() < 2) throw DataError("钻孔行应为“桩号 距中线距离 [备注]”");
    if (!parse_station(fields[0]))
        throw DataError("桩号“" + std::string(fields[0]) + "”不是有效的桩号：" + kStationForms +
                        comma_note(fields[0]));
    auto value = parse_number(fields[1]);
    if (!value)
        throw DataError("距中线距离“" + std::string(fields[1]) +
                        "”不是数（应为以米计的数，左正右负，如 -6.5）" + comma_note(fields[1]));
    // The remark is everything after the offset: "0# 桥台" is one remark, not a remark "0#"
    // and a stray word.
    const std::string_view rest_text = remark_after(line, fields[1]);
    station = fields[0];
    offset = *value;
    offset_text = fold_fullwidth_digits(fields[1]);
    remark = rest_text;
}

void pt_parse_point(const std::string& line, std::string& name, double& x, double& y,
                    std::string& remark) {
    const std::vector<std::string_view> fields = field_views(line);
    if (fields.size() < 3) throw DataError("实测坐标行应为“孔号 X Y [备注]”");
    const auto coordinate = [](std::string_view field, const char* what) {
        auto value = parse_number(field);
        if (!value)
            throw DataError(std::string(what) + "“" + std::string(field) +
                            "”不是数（应为以米计的实测坐标，如 3512345.678）" + comma_note(field));
        return *value;
    };
    const double north = coordinate(fields[1], "X"), east = coordinate(fields[2], "Y");
    if (utf8_length(fields[0]) > kMaxCellText)
        throw DataError("孔号超过 " + std::to_string(kMaxCellText) + " 个字符");
    const std::string_view rest_text = remark_after(line, fields[2]);
    name = fields[0];
    x = north;
    y = east;
    remark = rest_text;
}

}  // namespace qelt
