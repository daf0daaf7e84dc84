// The ways of giving a road's centre line, each building the one alignment model: the main line
// by its JDs, the ramp by its elements, and a LandXML or IFC file as design software exported it,
// recognised by its content whatever the method says. The readers are input/'s table; the run
// supplies the method and the user's answer where a file holds several lines.
#include <memory>
#include <string>

#include "app/run.h"
#include "app/run_steps.h"
#include "input/alignment_readers.h"
#include "input/documents.h"
#include "input/formats.h"

namespace qelt {

namespace {

// Whether the text file `path` reads and builds as a line given in `format`.
bool reads_as(Documents& documents, const std::string& path, AlignmentFormat format) {
    try {
        alignment_reader(FileFormat::text, format).read(documents, path, {});
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

class MethodSource : public AlignmentSource {
  public:
    explicit MethodSource(Method method) : method_(method) {}
    Alignment read(const std::string& path, const RunOptions& options, RunUi& ui) override {
        const FileFormat format = documents_.format(path);
        refuse_other_kind(path, documents_.kind(path), FileStep::alignment);
        const AlignmentReader& reader = alignment_reader(
            format, method_ == Method::intersection_points ? AlignmentFormat::jd_text
                                                           : AlignmentFormat::element_text);
        const AlignmentAnswer answer{options.alignment_name,
                                     [&](const std::vector<AlignmentChoice>& choices) {
                                         return ui.choose_alignment(path, choices);
                                     }};
        try {
            return reader.read(documents_, path, answer);
        } catch (const DataError& e) {
            // A JD file and an element file are both columns of numbers, told apart only by the
            // method chosen: one chosen under the other method fails somewhere in its lines.
            // Where the file reads whole as the other method's line, say so instead.
            if (format != FileFormat::text) throw;
            const bool jd = method_ == Method::intersection_points;
            if (!reads_as(documents_, path,
                          jd ? AlignmentFormat::element_text : AlignmentFormat::jd_text))
                throw;
            throw DataError(
                other_method_text(jd ? Method::building_blocks : Method::intersection_points),
                path);
        }
    }

    Documents& documents() override { return documents_; }

  private:
    Method method_;
    Documents documents_;
};

}  // namespace

std::string other_method_text(Method method) {
    return method == Method::intersection_points
               ? "这像是交点法的平面资料：请选“交点法―主线”（命令行 --method jd）"
               : "这像是积木法的平面资料（线元）：请选“积木法―互通”（命令行 --method ht）";
}

bool alignment_file_is_model(const std::string& path) {
    return detect_format(path).format() != FileFormat::text;
}

std::unique_ptr<AlignmentSource> make_alignment_source(Method method) {
    return std::make_unique<MethodSource>(method);
}

TableJob::TableJob(Method method) : source_(make_alignment_source(method)) {}

RunResult TableJob::run(RunUi& ui, const RunOptions& options, RecordSink& records,
                        RunProgress* progress) {
    return run_list_table(ui, options, *source_, alignment_, records, progress,
                          {kBoreholeDialog, ListKind::boreholes}, &named_lines_, &lists_);
}

}  // namespace qelt
