#pragma once
// The files a job reads, each opened and parsed once for the whole run however many roles name
// it: one LandXML file is the alignment, its design profile, its ground line and its TIN
// surface; one IFC model is every line a borehole list's groups name. A 2-million-face TIN takes
// seconds to parse, and a file read once per question can also change between two readings.
//
// The job owns its Documents for the run (the alignment source holds them) and hands them to the
// readers; nothing here outlives the job, and nothing is shared between jobs.

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "base/data_error.h"
#include "input/formats.h"

namespace qelt {

class LandXmlDocument;
class StepFile;

class Documents {
  public:
    Documents();
    ~Documents();
    Documents(const Documents&) = delete;
    Documents& operator=(const Documents&) = delete;

    // The format of the file `path` (detect_format), told at its first use. Throws DataError as
    // detect_format does.
    FileFormat format(const std::string& path);
    // Its first line that is not blank (DetectedFile::first_line), told with the format.
    const std::string& first_line(const std::string& path);
    // Its kind (DetectedFile::kind), told with its format.
    FileKind kind(const std::string& path);
    // The file `path` parsed as LandXML (format xml) or as a STEP model (format step), parsed at
    // its first use; a file that failed to parse fails again with the same DataError, without
    // being read again. The references stay valid while the Documents live.
    const LandXmlDocument& landxml(const std::string& path);
    const StepFile& step(const std::string& path);
    // The lines of a text file for its reader: the first reader takes the file as detection
    // opened it; a later one (a second reading of the same text) opens it anew, since text is
    // streamed and never held whole.
    DetectedFile text(const std::string& path);
    // Forgets every file, for a new run that must read them as they are now.
    void clear();

  private:
    struct Entry;
    Entry& entry(const std::string& path);

    std::map<std::string, std::unique_ptr<Entry>> entries_;
};

}  // namespace qelt
