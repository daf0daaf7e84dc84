#pragma once
// The design profile of a line from the file the user gives for it: Qelt's own 纵断面资料文件
// or a LandXML file, told by its content as the alignment file is.

#include <optional>
#include <string>
#include <vector>

#include "alignment/alignment.h"
#include "geometry/profile.h"
#include "input/documents.h"
#include "station/chain_breaks.h"

namespace qelt {

// Every reader takes the file from the job's `documents` (input/documents.h), so that a LandXML
// file that is also the alignment is parsed once.

// Reads the profile file `path` for a line named `alignment_name` whose chain breaks are
// `breaks` (completed: a 纵断面资料文件's stations are turned into mileages through them): a
// LandXML file's ProfAlign of that alignment (`profile_name` choosing among several,
// input/landxml/landxml_profiles.h), any other file as a 纵断面资料文件 (input/text/profile_text.h).
// Throws DataError naming the file and the line.
// The names of the design profiles (ProfAlign) that the alignment file `path` carries for the
// line named `alignment_name`: empty for a file that is not LandXML or holds none for it.
// Throws DataError when the file cannot be read.
std::vector<std::string> profiles_in_line_file(Documents& documents, const std::string& path,
                                               const std::string& alignment_name);

// The ground line (ProfSurf) the alignment file `path` carries for the line `alignment`, into
// alignment.ground_line and its source (input/landxml/landxml_profiles.h); nothing for a file that is
// not LandXML or holds none. Throws DataError naming the file and the line.
void read_ground_line(Documents& documents, const std::string& path, Alignment& alignment);

Profile read_profile_file(Documents& documents, const std::string& path, const ChainBreaks& breaks,
                          const std::string& alignment_name,
                          const std::optional<std::string>& profile_name);

}  // namespace qelt
