#include "input/profile_readers.h"

#include "base/data_error.h"
#include "base/utf8_path.h"
#include "input/alignment_readers.h"
#include "input/formats.h"
#include "input/hintcad/hintcad_files.h"
#include "input/landxml/landxml_profiles.h"
#include "input/text/profile_text.h"

namespace qelt {

Profile read_profile_file(Documents& documents, const std::string& path, const ChainBreaks& breaks,
                          const std::string& alignment_name,
                          const std::optional<std::string>& profile_name) {
    refuse_other_kind(path, documents.kind(path), FileStep::profile);
    if (documents.format(path) == FileFormat::xml)
        return landxml_profile(documents.landxml(path), alignment_name, profile_name, breaks);
    // An IFC model's profile is its line's vertical (IfcAlignmentVertical), read with the line.
    // A model whose line has none is no profile file: read as text, it would be refused line by
    // line with the grammar of Qelt's own profile file, which says nothing of the model.
    if (documents.format(path) == FileFormat::step) {
        AlignmentAnswer answer;
        if (!alignment_name.empty()) answer.name = alignment_name;
        Alignment line =
            alignment_reader(FileFormat::step, AlignmentFormat::ifc).read(documents, path, answer);
        if (line.profile) return *std::move(line.profile);
        throw DataError("IFC 模型“" + utf8_of(path_from_utf8(path).filename()) + "”中的线路" +
                            (line.name.empty() ? std::string() : "“" + line.name + "”") +
                            "没有可用的纵断面（IfcAlignmentVertical），不能作为纵断面资料文件；"
                            "请给出纵断面资料文件、含纵断面的 LandXML 文件或 IFC 模型",
                        path);
    }
    DetectedFile file = documents.text(path);
    if (file.format() == FileFormat::hintcad) return hintcad_read_profile(file, breaks);
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
