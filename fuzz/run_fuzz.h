#pragma once
// A whole coordinate-table run with a user who answers the open-file dialogs with the pieces of
// the fuzz input (written to scratch files) and cancels once they run out.
#include <cmath>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/run.h"
#include "base/data_error.h"
#include "fuzz_files.h"
#include "report/drawings/dxf_drawing.h"
#include "report/record_fanout.h"
#include "report/field/stakeout.h"
#include "report/tables/table_rows.h"

namespace qelt::fuzz {

class ScriptedUi : public RunUi {
  public:
    explicit ScriptedUi(std::deque<std::string> files) : files_(std::move(files)) {}
    std::optional<std::string> choose_file(const FileDialog&) override {
        if (files_.empty()) return std::nullopt;
        std::string path = files_.front();
        files_.pop_front();
        return path;
    }
    void show_error_box(const std::string& text, const std::string& title) override {
        QELT_FUZZ_CHECK(!text.empty() && !title.empty());
        ++messages;
    }
    void show_data_message(const std::string& text) override {
        QELT_FUZZ_CHECK(!text.empty());
        ++messages;
    }
    void bring_main_window_to_front() override {}

    int messages = 0;

  private:
    std::deque<std::string> files_;
};

// Runs the table on the input split at form feeds into up to `file_count` files into `table`,
// and draws the plan and writes the stakeout file of every run that built its alignment from
// the run's records.
inline RunResult run_on_input(const std::uint8_t* data, std::size_t size, bool main_line,
                              std::size_t file_count, TableRows& table) {
    std::vector<std::string_view> parts = split_files(data, size);
    std::deque<std::string> files;
    for (std::size_t i = 0; i < parts.size() && i < file_count; ++i)
        files.push_back(scratch().write("file" + std::to_string(i) + ".txt", parts[i]));
    ScriptedUi ui(files);
    TableJob job(main_line ? Method::intersection_points : Method::building_blocks);
    RecordList records;
    RecordFanout sink{&table, &records};
    RunResult result = job.run(ui, {}, sink);
    QELT_FUZZ_CHECK(records.all.size() == static_cast<std::size_t>(result.boreholes));
    if (result.outcome != RunOutcome::data_error) {
        std::ostringstream dxf;
        write_plan_drawing(dxf, job.alignment(), records.all);
        QELT_FUZZ_CHECK(dxf.str().ends_with("  0\r\nEOF\r\n"));
        // Every point of the stakeout file has a name of its own; a name GBK cannot hold is
        // refused, having written nothing.
        std::vector<std::string> names;
        for (const BoreholeRecord& r : records.all) names.push_back(r.point_name);
        QELT_FUZZ_CHECK(std::set<std::string>(names.begin(), names.end()).size() == names.size());
        std::ostringstream dat;
        try {
            write_stakeout_file(dat, StakeoutFormat::cass_dat, records.all);
        } catch (const DataError&) {
            QELT_FUZZ_CHECK(dat.str().empty());
        }
    }
    // Every run that does not complete tells its user why, exactly once.
    QELT_FUZZ_CHECK(ui.messages == (result.outcome == RunOutcome::complete ? 0 : 1));
    QELT_FUZZ_CHECK(result.outcome == RunOutcome::complete || !result.message.empty());
    QELT_FUZZ_CHECK(table.last_data_row() >= 0 && table.last_data_row() <= kMaxSheetRows);
    QELT_FUZZ_CHECK(result.boreholes >= 0 && result.boreholes <= table.last_data_row());
    return result;
}

}  // namespace qelt::fuzz
