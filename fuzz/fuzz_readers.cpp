// Text decoding, LineReader and the four readers on arbitrary file contents. Every input is read
// by all of them: a reader must either fill its tables within their capacity or refuse the file
// with DataError, whatever the bytes.
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

#include "fuzz_files.h"
#include "htbas/element_chain.h"
#include "base/data_error.h"
#include "input/text/readers.h"
#include "input/survey/surveyed_points.h"
#include "base/text.h"
#include "station/chain_breaks.h"
#include "zxbas/main_line.h"

namespace {

using namespace qelt;

void read_lines(const std::string& path) {
    LineReader file(path);
    std::string line;
    long count = 0;
    while (!file.at_end()) {
        QELT_FUZZ_CHECK(file.next(line));
        QELT_FUZZ_CHECK(file.line_number() == ++count);
        QELT_FUZZ_CHECK(line.find('\n') == std::string::npos);
        QELT_FUZZ_CHECK(is_valid_utf8(line));
        for (const std::string& field : split_fields(line)) {
            QELT_FUZZ_CHECK(!field.empty());
            QELT_FUZZ_CHECK(field.find_first_of(" \t") == std::string::npos);
            if (auto v = parse_number(field)) QELT_FUZZ_CHECK(std::isfinite(*v));
        }
        // A number read whole prints back to itself (subnormal values are no station or
        // coordinate and need not).
        if (auto v = parse_number(line); v && std::fpclassify(*v) != FP_SUBNORMAL) {
            auto back = parse_number(shortest_number(*v));
            QELT_FUZZ_CHECK(back && *back == *v);
        }
    }
    QELT_FUZZ_CHECK(!file.next(line));
}

void read_alignment(const std::string& path) {
    auto line = std::make_unique<MainLine>();
    LineReader file(path);
    zx_read_alignment(file, *line);
    QELT_FUZZ_CHECK(line->jd_count >= 0 && line->jd_count <= kMaxJd);
    QELT_FUZZ_CHECK(std::isfinite(line->jd_start_station));
    for (int i = 1; i <= static_cast<int>(line->jd_count); ++i)
        QELT_FUZZ_CHECK(std::isfinite(line->jd_x[i]) && std::isfinite(line->jd_r2[i]));
}

void read_elements(const std::string& path) {
    auto chain = std::make_unique<ElementChain>();
    LineReader file(path);
    ht_read_elements(file, *chain);
    QELT_FUZZ_CHECK(chain->ht_in_count >= 0 && chain->ht_in_count <= kMaxElements);
    QELT_FUZZ_CHECK(std::isfinite(chain->ht_start_azimuth));
}

void read_chain_breaks(const std::string& path) {
    ChainBreaks breaks;
    LineReader file(path);
    dl_read_file(file, breaks);
    QELT_FUZZ_CHECK(breaks.dl_count >= 0 && breaks.dl_count <= kChainBreakSlots - 2);
}

void read_boreholes(const std::string& path) {
    LineReader file(path);
    std::string line;
    if (!file.next(line)) return;  // the project line, any text
    while (file.next(line)) {
        try {
            std::string title;
            std::int16_t count = -1;
            bh_parse_group(line, title, count);
            QELT_FUZZ_CHECK(count >= 0 && !title.empty());
        } catch (const DataError&) {
        }
        try {
            std::string station, offset_text, remark;
            double offset = NAN;
            bh_parse_borehole(line, station, offset, offset_text, remark);
            QELT_FUZZ_CHECK(std::isfinite(offset) && !station.empty() && !offset_text.empty());
        } catch (const DataError&) {
        }
    }
}

// The points file in whatever layout its name and first line tell (the survey crew's CASS or
// PNEZD file, or the grouped one): the events end, and every row has a name, finite
// coordinates and height, and a serial within its group's count.
void read_points(const std::string& path) {
    const auto list = read_points_list(path);
    int count = 0;
    for (;;) {
        const ListEvent& e = list->next();
        if (e.kind == ListEvent::Kind::group) count = e.group.count;
        if (e.kind == ListEvent::Kind::row) {
            QELT_FUZZ_CHECK(e.row.serial >= 1 && e.row.serial <= count && !e.row.name.empty());
            QELT_FUZZ_CHECK(std::isfinite(e.row.point.x) && std::isfinite(e.row.point.y));
            QELT_FUZZ_CHECK(!e.row.height || std::isfinite(*e.row.height));
        }
        if (e.kind == ListEvent::Kind::end || e.kind == ListEvent::Kind::refused) break;
    }
}

template <typename Reader>
void refused_or_read(Reader reader, const std::string& path) {
    try {
        reader(path);
    } catch (const DataError&) {
        // A refused file is an answer; anything else thrown is a fault.
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = qelt::fuzz::scratch().write(
        "input.txt", std::string_view(reinterpret_cast<const char*>(data), size));
    const long files_before = qelt::fuzz::open_files();
    refused_or_read(read_lines, path);
    refused_or_read(read_alignment, path);
    refused_or_read(read_elements, path);
    refused_or_read(read_chain_breaks, path);
    refused_or_read(read_boreholes, path);
    refused_or_read(read_points, path);
    // The same bytes as the crew's files, told by their names.
    for (const char* name : {"input.dat", "input.csv"})
        refused_or_read(read_points,
                        qelt::fuzz::scratch().write(
                            name, std::string_view(reinterpret_cast<const char*>(data), size)));
    QELT_FUZZ_CHECK(qelt::fuzz::open_files() == files_before);
    return 0;
}
