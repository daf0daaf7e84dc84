#include "report/tables/workload.h"

#include <algorithm>

#include "base/text.h"

namespace qelt {

namespace {

void count(WorkloadLine& line, const BoreholeRecord& hole) {
    ++line.holes;
    if (hole.depth)
        line.metres += *hole.depth;
    else
        ++line.without_depth;
}

}  // namespace

void Workload::add(const BoreholeRecord& hole) {
    if (hole.depth || !hole.hole_type.empty()) planned_ = true;
    if (!hole.hole_type.empty()) typed_ = true;
    if (groups_.empty() || hole.group_number != last_group_) {
        groups_.push_back({hole.group, 0, 0, 0});
        last_group_ = hole.group_number;
    }
    count(groups_.back(), hole);
    auto type = std::find_if(types_.begin(), types_.end(),
                             [&hole](const WorkloadLine& t) { return t.name == hole.hole_type; });
    if (type == types_.end()) type = types_.insert(types_.end(), {hole.hole_type, 0, 0, 0});
    count(*type, hole);
    count(total_, hole);
}

std::string Workload::summary() const {
    if (!planned_) return {};
    return "钻孔 " + std::to_string(total_.holes) + " 个，进尺 " + metres_text(total_.metres) +
           " 米";
}

std::string metres_text(double metres) {
    std::string text = fixed_text(metres, 2);
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text == "-0" ? "0" : text;
}

}  // namespace qelt
