#include "report/stakeout.h"

#include <unordered_map>
#include <unordered_set>

#include "base/data_error.h"
#include "base/platform.h"
#include "base/text.h"
#include "report/csv_table.h"

namespace qelt {

std::string group_letter(int n) {
    // Bijective base 26: 1 A … 26 Z, 27 AA, 28 AB …
    std::string letters;
    for (; n > 0; n = (n - 1) / 26) letters.insert(letters.begin(), char('A' + (n - 1) % 26));
    return letters;
}

std::vector<std::string> stakeout_names(std::span<const BoreholeRecord> boreholes) {
    std::vector<std::string> names(boreholes.size());
    std::unordered_map<std::string, int> holding;  // holes per own name
    for (const BoreholeRecord& b : boreholes)
        if (!b.name.empty()) ++holding[b.name];
    // Every own name is reserved, a shared one too: no made-up name may be one of them.
    std::unordered_set<std::string> used;
    for (const auto& [name, holes] : holding) used.insert(name);
    for (std::size_t i = 0; i < boreholes.size(); ++i)
        if (!boreholes[i].name.empty() && holding[boreholes[i].name] == 1)
            names[i] = boreholes[i].name;
    for (std::size_t i = 0; i < boreholes.size(); ++i) {
        if (!names[i].empty()) continue;
        const BoreholeRecord& b = boreholes[i];
        const std::string letter = group_letter(b.group_number);
        const std::string serial = std::to_string(b.serial);
        const std::string first = b.name.empty() ? letter + serial : b.name + "-" + letter;
        const std::string second = b.name.empty() ? first : first + serial;
        std::string name = first;
        if (used.contains(name)) name = second;
        for (int k = 2; used.contains(name); ++k) name = second + "-" + std::to_string(k);
        used.insert(name);
        names[i] = name;
    }
    return names;
}

std::string stakeout_description(const BoreholeRecord& borehole) {
    return borehole.group + " " + borehole.station;
}

namespace {

// A coordinate to a tenth of a millimetre; a value that rounds to zero is "0.0000", never
// "-0.0000", which some controllers' readers refuse.
std::string coordinate(double metres) {
    std::string text = fixed_text(metres, 4);
    if (text == "-0.0000") text.erase(0, 1);
    return text;
}

// `text` in GBK, or the refusal naming the point and what it is.
std::string gbk(const std::string& text, const std::string& point, const char* what) {
    if (std::optional<std::string> bytes = utf8_to_gbk(text)) return *bytes;
    throw DataError("放样点“" + point + "”的" + what + "“" + text +
                    "”中有 GBK 编码无法表示的字符，放样点文件无法写入；请在" +
                    (std::string(what) == "点名" ? "实测坐标资料文件中改用常用字的孔号"
                                                 : "钻孔资料文件中改用常用字的分组名称"));
}

}  // namespace

void write_stakeout_file(std::ostream& out, StakeoutFormat format,
                         std::span<const BoreholeRecord> boreholes,
                         const std::vector<std::string>& names) {
    // The whole file first, so that a name refused half-way writes nothing.
    std::string text;
    for (std::size_t i = 0; i < boreholes.size(); ++i) {
        const BoreholeRecord& b = boreholes[i];
        const std::string name = gbk(names.at(i), names[i], "点名");
        const std::string x = coordinate(b.x), y = coordinate(b.y);
        if (format == StakeoutFormat::cass_dat) {
            text += name + ",," + y + "," + x + ",\r\n";
        } else {
            const std::string description =
                gbk(stakeout_description(b), names[i], "说明（分组名称和桩号）");
            text += csv_field(name) + "," + x + "," + y + ",," + csv_field(description) + "\r\n";
        }
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

}  // namespace qelt
