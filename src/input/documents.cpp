#include "input/documents.h"

#include <stdexcept>

#include "input/landxml/landxml_document.h"
#include "input/ifc/step.h"

namespace qelt {

struct Documents::Entry {
    FileFormat format = FileFormat::text;
    std::string first_line;
    FileKind kind = FileKind::unknown;
    std::optional<DetectedFile> unread;  // as detection left it, until a reader takes it
    std::unique_ptr<LandXmlDocument> landxml;
    std::unique_ptr<StepFile> step;
    std::optional<DataError> failed;  // the refusal of its parse
};

Documents::Documents() = default;
Documents::~Documents() = default;

void Documents::clear() {
    entries_.clear();
}

Documents::Entry& Documents::entry(const std::string& path) {
    auto found = entries_.find(path);
    if (found != entries_.end()) return *found->second;
    auto entry = std::make_unique<Entry>();
    entry->unread.emplace(detect_format(path));
    entry->format = entry->unread->format();
    entry->first_line = entry->unread->first_line();
    entry->kind = entry->unread->kind();
    return *entries_.emplace(path, std::move(entry)).first->second;
}

FileFormat Documents::format(const std::string& path) {
    return entry(path).format;
}

const std::string& Documents::first_line(const std::string& path) {
    return entry(path).first_line;
}

FileKind Documents::kind(const std::string& path) {
    return entry(path).kind;
}

namespace {

// The document of `entry` of type T, parsed from its unread lines at the first call.
template <class T>
const T& parsed(std::unique_ptr<T>& document, std::optional<DetectedFile>& unread,
                std::optional<DataError>& failed) {
    if (document) return *document;
    if (failed) throw *failed;
    if (!unread) throw std::logic_error("a document asked for in two formats");
    try {
        document = std::make_unique<T>(*unread);
    } catch (const DataError& e) {
        failed = e;
        unread.reset();
        throw;
    }
    unread.reset();
    return *document;
}

}  // namespace

const LandXmlDocument& Documents::landxml(const std::string& path) {
    Entry& e = entry(path);
    return parsed(e.landxml, e.unread, e.failed);
}

const StepFile& Documents::step(const std::string& path) {
    Entry& e = entry(path);
    return parsed(e.step, e.unread, e.failed);
}

DetectedFile Documents::text(const std::string& path) {
    Entry& e = entry(path);
    if (e.unread) {
        DetectedFile file = std::move(*e.unread);
        e.unread.reset();
        return file;
    }
    return detect_format(path);
}

}  // namespace qelt
