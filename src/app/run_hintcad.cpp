#include "app/run_hintcad.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "base/utf8_path.h"
#include "input/formats.h"
#include "input/hintcad/hintcad_files.h"

namespace qelt {

namespace {

// The .dmx beside the cross sections `sections` with the same name, whatever the case of its
// extension (the suite writes its files in upper case on some versions); nothing where none is.
std::optional<std::string> ground_line_beside(const std::string& sections) {
    const std::filesystem::path hdm = path_from_utf8(sections);
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(
             hdm.parent_path().empty() ? std::filesystem::path(".") : hdm.parent_path(), error)) {
        const std::filesystem::path& p = entry.path();
        if (p.stem() != hdm.stem()) continue;
        std::string extension = utf8_of(p.extension());
        for (char& c : extension)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (extension == ".dmx" && entry.is_regular_file(error)) return utf8_of(p);
    }
    return std::nullopt;
}

}  // namespace

Terrain read_hintcad_ground(RunUi& ui, std::optional<std::string> ground_line,
                            const std::optional<std::string>& sections, const Alignment& alignment,
                            std::vector<std::string>& notices) {
    if (!ground_line && sections) {
        // The sections' heights are from the centre stake: they cannot be read without the
        // centre line's ground, which the suite writes beside them under the same name.
        ground_line = ground_line_beside(*sections);
        if (ground_line) {
            notices.push_back("横断面“" + utf8_of(path_from_utf8(*sections).filename()) +
                              "”的中桩地面高程取自同名的纵向地面线文件“" +
                              utf8_of(path_from_utf8(*ground_line).filename()) + "”");
        } else {
            ground_line = ui.choose_file(kGroundLineDialog);
            if (!ground_line) throw DialogCancelled(job_input(DialogRole::ground_line).not_chosen);
        }
    }
    refuse_other_kind(*ground_line, FileStep::ground_line);
    if (sections) refuse_other_kind(*sections, FileStep::sections);
    return hintcad_read_ground(*ground_line, sections, alignment);
}

}  // namespace qelt
