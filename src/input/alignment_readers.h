#pragma once
// The readers of a road's centre line, one row per format: what detection says of the file,
// whether the user's method must tell the reader, where the line's chain breaks come from, and
// the reader itself. A front end detects the file's format once (detect_format) and takes the
// row the format and the method name; nothing else switches on formats. A new source of a line
// is one row here and its reader beside the others.

#include <span>

#include "alignment/alignment.h"
#include "input/alignment_choice.h"
#include "input/documents.h"
#include "input/formats.h"

namespace qelt {

// The formats a centre line is given in.
enum class AlignmentFormat {
    jd_text,       // the JD file (交点法―主线)
    element_text,  // the element file (积木法―互通)
    landxml,       // the horizontal alignments of a LandXML file
    ifc,           // the alignments of an IFC 4.3 model (horizontal, vertical, stationing)
    hintcad,       // the plane of the road-CAD suite 纬地 (.pm), told by its first line
};

struct AlignmentReader {
    AlignmentFormat format;
    FileFormat file;    // what detect_format says of a file of this format
    bool needs_method;  // told from the other readers of its file format only by the method
    // Where the chain breaks of a line read in this format come from; a LandXML line that
    // carries station equations, an IFC line whose referents number it with a jump, take them
    // from themselves (ChainBreakSource::line).
    ChainBreakSource chain_breaks;
    // Reads the file `path` of the job's `documents` and builds the line; where the file holds
    // several lines, `answer` says which. Throws DataError naming the file and the line.
    Alignment (*read)(Documents& documents, const std::string& path, const AlignmentAnswer& answer);
};

// Every reader, one per format.
std::span<const AlignmentReader> alignment_readers();

// The reader of a file detected as `file`: the one of its format, or, where the format holds
// several (text), the one of `method`, the text format the user's method names.
const AlignmentReader& alignment_reader(FileFormat file, AlignmentFormat method);

}  // namespace qelt
