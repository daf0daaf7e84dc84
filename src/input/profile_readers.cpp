#include "input/profile_readers.h"

#include "input/formats.h"
#include "input/landxml_profiles.h"
#include "input/profile_text.h"

namespace qelt {

Profile read_profile_file(Documents& documents, const std::string& path, const ChainBreaks& breaks,
                          const std::string& alignment_name,
                          const std::optional<std::string>& profile_name) {
    if (documents.format(path) == FileFormat::xml)
        return landxml_profile(documents.landxml(path), alignment_name, profile_name);
    DetectedFile file = documents.text(path);
    return zdm_read_profile(file, breaks);
}

std::vector<std::string> profiles_in_line_file(Documents& documents, const std::string& path,
                                               const std::string& alignment_name) {
    if (documents.format(path) != FileFormat::xml) return {};
    return landxml_profile_names(documents.landxml(path), alignment_name);
}

void read_ground_line(Documents& documents, const std::string& path, Alignment& alignment) {
    if (documents.format(path) != FileFormat::xml) return;
    alignment.ground_line =
        landxml_ground_line(documents.landxml(path), alignment.name, alignment.ground_line_source);
}

}  // namespace qelt
