#include "input/alignment_readers.h"

#include <memory>
#include <stdexcept>

#include "base/utf8_path.h"
#include "htbas/htbas.h"
#include "input/hintcad/hintcad_files.h"
#include "input/ifc/ifc_alignments.h"
#include "input/landxml/landxml_alignments.h"
#include "input/text/readers.h"
#include "input/ifc/step.h"
#include "zxbas/zxbas.h"

namespace qelt {

namespace {

// The build tables are large (about 300 KB): on the heap, for the build only.
Alignment read_main_line(Documents& documents, const std::string& path, const AlignmentAnswer&) {
    DetectedFile file = documents.text(path);
    auto line = std::make_unique<MainLine>();
    zx_read_alignment(file, *line);
    zx_build(*line);
    return zx_alignment(*line);
}

Alignment read_element_chain(Documents& documents, const std::string& path,
                             const AlignmentAnswer&) {
    DetectedFile file = documents.text(path);
    auto chain = std::make_unique<ElementChain>();
    ht_read_elements(file, *chain);
    ht_split_inflections(*chain);
    ht_build_chain(*chain);
    return ht_alignment(*chain, utf8_of(path_from_utf8(file.path()).filename()));
}

// The alignment of a file of several (LandXmlAlignments, IfcAlignments) that the answer chooses.
// Every alignment of the file is built before the choice, so that the list can show each one's
// length and stations, and say which cannot be built.
template <class Alignments>
Alignment chosen(const Alignments& alignments, const std::string& path,
                 const AlignmentAnswer& answer) {
    const std::vector<AlignmentChoice> choices = alignment_choices(alignments.alignments());
    const std::size_t chosen = chosen_alignment(choices, path, answer);
    Alignment alignment = alignments.build(chosen);
    // A name the file gives two alignments names this one with its place among them, so that
    // the profile of the same file is taken from this one, and the tables say which it is.
    if (choices[chosen].twin > 0) alignment.name += twin_mark(choices[chosen].twin);
    // The other lines of the file are not the run's: one that cannot be built does not stop it,
    // but the engineer is told which was skipped and why (an export damaged in one line may be
    // damaged in more).
    for (std::size_t i = 0; i < choices.size(); ++i) {
        if (i == chosen) continue;
        try {
            (void)alignments.build(i);
        } catch (const DataError& e) {
            alignment.notices.push_back(
                "平面资料文件“" + utf8_of(path_from_utf8(path).filename()) + "”" +
                (e.line() > 0 ? "第 " + std::to_string(e.line()) + " 行" : "") + "：" + e.what() +
                "：这条线路有误，未读（本次不用它）");
        }
    }
    return alignment;
}

Alignment read_landxml(Documents& documents, const std::string& path,
                       const AlignmentAnswer& answer) {
    return chosen(LandXmlAlignments(documents.landxml(path)), path, answer);
}

Alignment read_ifc(Documents& documents, const std::string& path, const AlignmentAnswer& answer) {
    return chosen(IfcAlignments(documents.step(path)), path, answer);
}

Alignment read_hintcad(Documents& documents, const std::string& path, const AlignmentAnswer&) {
    DetectedFile file = documents.text(path);
    return hintcad_read_alignment(file);
}

constexpr AlignmentReader kReaders[] = {
    {AlignmentFormat::jd_text, FileFormat::text, true, ChainBreakSource::file, read_main_line},
    {AlignmentFormat::element_text, FileFormat::text, true, ChainBreakSource::none,
     read_element_chain},
    {AlignmentFormat::landxml, FileFormat::xml, false, ChainBreakSource::file_or_none,
     read_landxml},
    {AlignmentFormat::ifc, FileFormat::step, false, ChainBreakSource::file_or_none, read_ifc},
    {AlignmentFormat::hintcad, FileFormat::hintcad, false, ChainBreakSource::file_or_none,
     read_hintcad},
};

}  // namespace

std::span<const AlignmentReader> alignment_readers() {
    return kReaders;
}

const AlignmentReader& alignment_reader(FileFormat file, AlignmentFormat method) {
    for (const AlignmentReader& r : kReaders)
        if (r.file == file && (!r.needs_method || r.format == method)) return r;
    // Every format detection tells has its reader, and every text format its method.
    throw std::logic_error("no reader of the detected format for the method");
}

}  // namespace qelt
