// The ways of giving a road's centre line, each building the one alignment model: the main line
// by its JDs, the ramp by its elements, and a LandXML or IFC file as design software exported it,
// recognised by its content whatever the method says. The readers are input/'s table; the run
// supplies the method and the user's answer where a file holds several lines.
#include <memory>
#include <string>

#include "app/run.h"
#include "input/alignment_readers.h"
#include "input/formats.h"

namespace qelt {

namespace {

class MethodSource : public AlignmentSource {
  public:
    explicit MethodSource(Method method) : method_(method) {}
    Alignment read(const std::string& path, RunUi& ui) override {
        DetectedFile file = detect_format(path);
        const AlignmentReader& reader = alignment_reader(
            file.format(), method_ == Method::intersection_points ? AlignmentFormat::jd_text
                                                                  : AlignmentFormat::element_text);
        const AlignmentAnswer answer{ui.alignment_name(),
                                     [&](const std::vector<AlignmentChoice>& choices) {
                                         return ui.choose_alignment(path, choices);
                                     }};
        return reader.read(file, answer);
    }

  private:
    Method method_;
};

}  // namespace

bool alignment_file_is_model(const std::string& path) {
    return detect_format(path).format() != FileFormat::text;
}

std::unique_ptr<AlignmentSource> make_alignment_source(Method method) {
    return std::make_unique<MethodSource>(method);
}

TableJob::TableJob(Method method) : source_(make_alignment_source(method)) {}

RunResult TableJob::run(RunUi& ui, RecordSink& records, RunProgress* progress) {
    return run_coordinate_table(ui, *source_, alignment_, records, progress, &named_lines_);
}

}  // namespace qelt
