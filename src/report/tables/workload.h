#pragma once
// The investigation's workload (勘探工作量), as the outline (勘察纲要) tabulates it and the
// drilling contract pays it: the number of holes and the metres drilled (进尺, the sum of the
// planned depths), for each group of the list, for each type of hole, and in all. Summed from
// the run's records as they come; a hole without a depth counts as a hole and adds no metres.

#include <string>
#include <vector>

#include "report/borehole_record.h"

namespace qelt {

struct WorkloadLine {
    std::string name;  // the group's title or the type; "" for the holes without a type
    long holes = 0;
    double metres = 0;
    long without_depth = 0;  // holes counted above that give no depth
};

class Workload {
  public:
    void add(const BoreholeRecord& hole);

    // By group, in the order of the list (each group of the list a line of its own, even where
    // two share a title); by type, in the order first met.
    const std::vector<WorkloadLine>& groups() const { return groups_; }
    const std::vector<WorkloadLine>& types() const { return types_; }
    const WorkloadLine& total() const { return total_; }
    // Whether some hole gives a depth or a type: only then is there a workload to show.
    bool planned() const { return planned_; }
    bool typed() const { return typed_; }

    // "钻孔 12 个，进尺 362.5 米", the metres to the centimetre; "" when no hole is planned.
    std::string summary() const;

  private:
    std::vector<WorkloadLine> groups_, types_;
    int last_group_ = 0;  // the group number of groups_.back()
    WorkloadLine total_;
    bool planned_ = false, typed_ = false;
};

// Metres as the workload writes them: to the centimetre, no trailing zeros ("362.5", "360").
std::string metres_text(double metres);

}  // namespace qelt
