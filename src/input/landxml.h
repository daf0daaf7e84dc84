#pragma once
// LandXML 1.2 alignments (placeholder until the reader lands).
#include <string>
#include <vector>

#include "alignment/alignment.h"

namespace qelt {

bool is_xml_file(const std::string& path);

struct LandXmlAlignmentInfo {
    std::string name;
    double length = 0;
    double start_station = 0;
    double end_station = 0;
    long line = 0;
};

class LandXmlFile {
  public:
    explicit LandXmlFile(const std::string& path);
    const std::vector<LandXmlAlignmentInfo>& alignments() const { return alignments_; }
    Alignment build(std::size_t index) const;

  private:
    std::string path_;
    std::vector<LandXmlAlignmentInfo> alignments_;
};

}  // namespace qelt
