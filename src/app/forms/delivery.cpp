#include "app/forms/delivery.h"

#include <algorithm>
#include <cerrno>

#include "base/platform.h"
#include "report/map_files.h"
#include "report/table_rows.h"

namespace qelt::forms {

bool set_number_taken(const std::string& path, const SetMember& own,
                      const std::vector<SetMember>& set, const std::string& folder, PathStyle style,
                      const std::vector<std::string>& delivered,
                      const std::function<bool(const std::string&)>& exists) {
    if (exists(path)) return true;
    std::string_view number = file_name_of(path);
    number.remove_prefix(own.stem.size());
    number.remove_suffix(own.extension.size());
    for (const SetMember& m : set) {
        if (m.stem == own.stem && m.extension == own.extension) continue;
        const std::string partner =
            join_path(folder, m.stem + std::string(number) + std::string(m.extension), style);
        if (std::find(delivered.begin(), delivered.end(), partner) == delivered.end() &&
            exists(partner))
            return true;
    }
    return false;
}

std::optional<std::string> deliver_workbook(const std::string& folder, const std::string& stem,
                                            PathStyle style, const DeliveryFiles& files,
                                            std::string& error, std::string_view extension) {
    for (int attempt = 0; attempt < kDeliveryAttempts; ++attempt) {
        const std::optional<std::string> target =
            free_workbook_path(folder, stem, files.exists, style, extension);
        if (!target) break;
        const int failure = files.move(*target);
        if (failure == EEXIST) continue;
        if (failure != 0) {
            error = write_failure_message(*target, files.reason(failure));
            return std::nullopt;
        }
        return target;
    }
    error =
        write_failure_message(join_path(folder, numbered_workbook_name(stem, 1, extension), style),
                              "文件夹中同名的表格太多");
    return std::nullopt;
}

std::string notices_text(const std::vector<std::string>& notices) {
    std::string text;
    for (std::size_t i = 0; i < notices.size() && i < kNoticesListed; ++i) {
        if (i > 0) text += '\n';
        text += notices[i];
    }
    if (notices.size() > kNoticesListed)
        text += "\n……其余 " + std::to_string(notices.size() - kNoticesListed) + " 条提示从略";
    return text;
}

std::string workbook_not_opened_text(const std::string& path, std::string_view table,
                                     const TableExtent& extent) {
    const std::string written =
        extent.complete ? std::string(table) + "已写入："
                        : "表格只写到第 " + std::to_string(extent.last_data_row) + " 行（" +
                              std::to_string(extent.boreholes) + " 个钻孔），已写入：";
    return written + "\n" + path + "\n\n没有找到打开它的电子表格程序。";
}

std::string no_borehole_written_text(std::string_view table) {
    return "没有写出任何钻孔：未生成" + std::string(table) + "，也未生成图形、放样点和地图文件。";
}

std::string incomplete_set_text(std::string_view table) {
    return std::string(table) + "未完成，文件名带“" + kIncompleteMark +
           "”；钻孔不全，所以未生成钻孔平面布置图、放样点和地图文件。改正后重新计算即可得到全部文件"
           "。";
}

std::string drawing_written_text(const std::string& path) {
    return "钻孔平面布置图已写入：" + path;
}

std::string section_written_text(const std::string& path) {
    return "钻孔纵断面图已写入：" + path;
}

std::string stakeout_written_text(const std::string& path) {
    return "放样点文件（南方 CASS 格式）已写入：" + path;
}

std::string map_written_text(const std::string& path) {
    return "钻孔位置 KML（Google Earth、奥维互动地图）已写入：" + path;
}

std::string ifc_written_text(const std::string& path) {
    return "含钻孔的 IFC 模型已写入：" + path;
}

std::string ifc_not_written_text(const std::string& reason) {
    return "未写出含钻孔的 IFC 模型：" + reason;
}

std::string map_not_written_text(const std::string& reason) {
    const std::string see = "见使用说明第 14 节“地图文件与坐标系”。";
    // The desktop has no box for the coordinate system: it takes it from the zone number in
    // front of Y, which the design office writes into the alignment file.
    if (reason.find(kMapWithoutSystem) != std::string::npos)
        return std::string("未写出钻孔位置 KML：") + kMapWithoutSystem +
               "\n要得到地图文件，请在平面资料的 Y 坐标前写上投影带带号（如 3° 带第 38 带写成 "
               "38498953.007），重新计算。" +
               see;
    return "未写出钻孔位置 KML：" + reason + "。" + see;
}

std::string stakeout_not_written_text(const std::string& reason) {
    return "未写出放样点文件：" + reason;
}

std::string not_opened_text(std::string_view target) {
    const std::string_view mailto = "mailto:";
    if (target.substr(0, mailto.size()) == mailto)
        return "无法写邮件给：\n" + std::string(target.substr(mailto.size())) +
               "\n\n没有找到收发邮件的程序。";
    if (target.find("://") != std::string_view::npos)
        return "无法打开网址：\n" + std::string(target) + "\n\n没有找到打开它的浏览器。";
    return "无法打开使用说明：\n" + std::string(target) +
           "\n\n没有找到打开它的浏览器，或文件不在。";
}

}  // namespace qelt::forms
