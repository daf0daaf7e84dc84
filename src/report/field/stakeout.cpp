#include "report/field/stakeout.h"

#include <unordered_map>
#include <unordered_set>

#include "base/data_error.h"
#include "base/platform.h"
#include "base/text.h"
#include "report/tables/csv_table.h"

namespace qelt {

std::string group_letter(int n) {
    // Bijective base 26: 1 A … 26 Z, 27 AA, 28 AB …
    std::string letters;
    for (; n > 0; n = (n - 1) / 26) letters.insert(letters.begin(), char('A' + (n - 1) % 26));
    return letters;
}

PointNamer::PointNamer(std::span<const std::string> own_names) {
    used_.reserve(own_names.size());  // every hole's name ends up here: no rehash on the way
    for (const std::string& name : own_names)
        if (!name.empty()) ++holding_[name];
    // Every own name is reserved, a shared one too: no made-up name may be one of them.
    for (const auto& [name, holes] : holding_) used_.insert(name);
}

std::string PointNamer::name(const BoreholeRecord& b) {
    if (!b.name.empty()) {
        const auto it = holding_.find(b.name);
        if (it != holding_.end() && it->second == 1) return b.name;
    }
    const std::string letter = group_letter(b.group_number);
    const std::string serial = std::to_string(b.serial);
    const std::string first = b.name.empty() ? letter + serial : b.name + "-" + letter;
    const std::string second = b.name.empty() ? first : first + serial;
    std::string name = first;
    if (used_.contains(name)) name = second;
    for (int k = 2; used_.contains(name); ++k) name = second + "-" + std::to_string(k);
    used_.insert(name);
    return name;
}

std::vector<std::string> stakeout_names(std::span<const BoreholeRecord> boreholes) {
    std::vector<std::string> own;
    for (const BoreholeRecord& b : boreholes) own.push_back(b.name);
    PointNamer namer(own);
    std::vector<std::string> names;
    for (const BoreholeRecord& b : boreholes) names.push_back(namer.name(b));
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
                         std::span<const BoreholeRecord> boreholes) {
    // The whole file first, so that a name refused half-way writes nothing.
    std::string text;
    for (const BoreholeRecord& b : boreholes) {
        const std::string name = gbk(b.point_name, b.point_name, "点名");
        const std::string x = coordinate(b.x), y = coordinate(b.y);
        if (format == StakeoutFormat::cass_dat) {
            text += name + ",," + y + "," + x + ",\r\n";
        } else {
            const std::string description =
                gbk(stakeout_description(b), b.point_name, "说明（分组名称和桩号）");
            text += csv_field(name) + "," + x + "," + y + ",," + csv_field(description) + "\r\n";
        }
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

}  // namespace qelt
