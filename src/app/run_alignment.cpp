// The ways of giving a road's centre line, each building the one alignment model: the main line
// by its JDs, the ramp by its elements, and a LandXML file as the design software exported it,
// recognised by its content whatever the method says.
#include <cmath>
#include <memory>
#include <string>

#include "app/run.h"
#include "base/data_error.h"
#include "base/text.h"
#include "base/utf8_path.h"
#include "htbas/htbas.h"
#include "input/landxml.h"
#include "input/readers.h"
#include "station/station.h"
#include "zxbas/zxbas.h"

namespace qelt {

namespace {

// The build tables are large (about 300 KB): on the heap, for the build only.
Alignment read_main_line(const std::string& path) {
    auto line = std::make_unique<MainLine>();
    {
        LineReader file(path);
        zx_read_alignment(file, *line);
    }
    zx_build(*line);
    return zx_alignment(*line);
}

Alignment read_element_chain(const std::string& path) {
    auto chain = std::make_unique<ElementChain>();
    {
        LineReader file(path);
        ht_read_elements(file, *chain);
    }
    ht_split_inflections(*chain);
    ht_build_chain(*chain);
    return ht_alignment(*chain, utf8_of(path_from_utf8(path).filename()));
}

std::string station_text(double station) {
    std::string printed;
    zh_format(shortest_number(station), printed);
    return printed;
}

// "A匝道（长 1234.567 米，K0+000～K1+234.567）、B匝道（…）", for the messages that refuse a
// choice.
std::string choices_text(const std::vector<AlignmentChoice>& choices) {
    std::string text;
    for (const AlignmentChoice& c : choices) {
        if (!text.empty()) text += "、";
        text += "“" + c.name + "”";
        if (std::isfinite(c.length))
            text += "（长 " + fixed_text(c.length, 3) + " 米，" + c.start_station + "～" +
                    c.end_station + "）";
        else
            text += "（数据有误）";
    }
    return text;
}

// The alignment of a LandXML file the run is to use: the one the user named before the run,
// the only one, or the one chosen from the list.
std::size_t chosen_alignment(const LandXmlFile& file, const std::string& path, RunUi& ui) {
    std::vector<AlignmentChoice> choices;
    for (const LandXmlAlignmentInfo& a : file.alignments())
        choices.push_back(
            {a.name, a.length, station_text(a.start_station), station_text(a.end_station)});
    if (const auto name = ui.alignment_name()) {
        for (std::size_t i = 0; i < choices.size(); ++i)
            if (choices[i].name == *name) return i;
        throw DataError(
            "文件中没有名为“" + *name + "”的线路；文件中的线路：" + choices_text(choices), path);
    }
    if (choices.size() == 1) return 0;
    if (const auto i = ui.choose_alignment(path, choices); i && *i < choices.size()) return *i;
    throw DataError("文件中有 " + std::to_string(choices.size()) + " 条线路：" +
                        choices_text(choices) +
                        "，未选定其中一条（命令行用 --alignment-name 给出线路名称）",
                    path);
}

class MethodSource : public AlignmentSource {
  public:
    explicit MethodSource(Method method) : method_(method) {}
    Alignment read(const std::string& path, RunUi& ui) override {
        if (is_xml_file(path)) {
            const LandXmlFile file(path);
            return file.build(chosen_alignment(file, path, ui));
        }
        return method_ == Method::intersection_points ? read_main_line(path)
                                                      : read_element_chain(path);
    }

  private:
    Method method_;
};

}  // namespace

std::unique_ptr<AlignmentSource> make_alignment_source(Method method) {
    return std::make_unique<MethodSource>(method);
}

TableJob::TableJob(Method method) : source_(make_alignment_source(method)) {}

RunResult TableJob::run(RunUi& ui, RecordSink& records, RunProgress* progress) {
    return run_coordinate_table(ui, *source_, alignment_, records, progress);
}

}  // namespace qelt
