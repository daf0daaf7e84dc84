// A wrong file picked by mistake (a binary, a file of one endless line) is refused promptly by
// every reader: a reader that looks ahead to the line's end from each character takes minutes
// on a megabyte, and the desktop freezes.
#include <gtest/gtest.h>

#include <ctime>
#include <functional>
#include <memory>
#include <random>
#include <string>

#include "base/data_error.h"
#include "input/alignment_readers.h"
#include "input/text/list_events.h"
#include "input/profile_readers.h"
#include "input/text/readers.h"
#include "input/survey/surveyed_points.h"
#include "input/survey/terrain_readers.h"
#include "test_files.h"

namespace qelt {
namespace {

constexpr std::size_t kMegabyte = 1 << 20;

std::string repeated(const std::string& piece) {
    std::string text;
    while (text.size() < kMegabyte) text += piece;
    return text;
}

// Whether a reader ended in a refusal that is no DataError: a list's refusal event.
bool alignment_refused(const std::string& path, AlignmentFormat method) {
    Documents documents;
    alignment_reader(documents.format(path), method).read(documents, path, {});
    return false;
}

bool list_refused(std::unique_ptr<ListEvents> list) {
    for (ListEvent::Kind kind = list->next().kind; kind != ListEvent::Kind::end;
         kind = list->next().kind)
        if (kind == ListEvent::Kind::refused) return true;
    return false;
}

TEST(LongLines, EveryReaderRefusesAMegabyteOfOneLinePromptly) {
    std::mt19937 random(35);
    std::string noise(kMegabyte, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    const std::pair<const char*, std::string> kInputs[] = {
        {"numbers and blanks", repeated("1 ")},
        {"numbers and commas", repeated("1,")},
        {"full-width commas", repeated("１，")},
        {"one word", std::string(kMegabyte, 'a')},
        {"random bytes", noise},
        {"XML of one line", "<LandXML>" + repeated("<P>1 2</P>")},
        {"a STEP record of one line",
         "ISO-10303-21;\nHEADER;ENDSEC;\nDATA;\n#1=IFCX(" + repeated("1.,")},
    };
    // A list of one line is a project line and no group, a chain-break line may carry further
    // fields: those readers may take the line, and the run says what it lacks.
    const struct Reader {
        const char* what;
        std::function<bool(const std::string&)> read;
        bool may_take_one_line = false;
    } kReaders[] = {
        {"JD alignment", [](auto& p) { return alignment_refused(p, AlignmentFormat::jd_text); }},
        {"element alignment",
         [](auto& p) { return alignment_refused(p, AlignmentFormat::element_text); }},
        {"chain breaks",
         [](auto& p) {
             LineReader file(p);
             ChainBreaks breaks;
             dl_read_file(file, breaks);
             return false;
         },
         true},
        {"borehole list",
         [](auto& p) { return list_refused(read_grouped_list(p, ListKind::boreholes)); }, true},
        {"points list", [](auto& p) { return list_refused(read_points_list(p)); }, true},
        {"profile",
         [](auto& p) {
             Documents documents;
             read_profile_file(documents, p, ChainBreaks{}, "", std::nullopt);
             return false;
         }},
        {"terrain",
         [](auto& p) {
             Documents documents;
             read_terrain(documents, p, std::nullopt);
             return false;
         }},
    };
    const testing::TempDir dir;
    for (const auto& [input, bytes] : kInputs) {
        const std::string path = dir.write("long", bytes);
        for (const Reader& reader : kReaders) {
            // Processor time: the machine may be busy with other builds.
            const std::clock_t began = std::clock();
            bool refused = false;
            try {
                refused = reader.read(path);
            } catch (const DataError&) {
                refused = true;
            }
            const double took = static_cast<double>(std::clock() - began) / CLOCKS_PER_SEC;
            EXPECT_TRUE(refused || reader.may_take_one_line) << reader.what << " read " << input;
            // Linear reading takes a fraction of a second; the margin is for sanitizer builds and
            // wine, a quadratic reader takes minutes.
            EXPECT_LT(took, 3.0) << reader.what << " reading " << input;
        }
    }
}

}  // namespace
}  // namespace qelt
