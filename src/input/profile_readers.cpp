#include "input/profile_readers.h"

#include "input/formats.h"
#include "input/hintcad_files.h"
#include "input/landxml_profiles.h"
#include "input/profile_text.h"

namespace qelt {

Profile read_profile_file(const std::string& path, const ChainBreaks& breaks,
                          const std::string& alignment_name,
                          const std::optional<std::string>& profile_name) {
    DetectedFile file = detect_format(path);
    if (file.format() == FileFormat::xml) {
        const LandXmlDocument document(file);
        return landxml_profile(document, alignment_name, profile_name);
    }
    if (file.format() == FileFormat::hintcad) return hintcad_read_profile(file, breaks);
    return zdm_read_profile(file, breaks);
}

std::vector<std::string> profiles_in_line_file(const std::string& path,
                                               const std::string& alignment_name) {
    DetectedFile file = detect_format(path);
    if (file.format() != FileFormat::xml) return {};
    return landxml_profile_names(LandXmlDocument(file), alignment_name);
}

void read_ground_line(const std::string& path, Alignment& alignment) {
    DetectedFile file = detect_format(path);
    if (file.format() != FileFormat::xml) return;
    alignment.ground_line =
        landxml_ground_line(LandXmlDocument(file), alignment.name, alignment.ground_line_source);
}

}  // namespace qelt
