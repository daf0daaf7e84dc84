#pragma once
// Feeds the run's report_* operations to several sheets at once, in the order given: the .xlsx
// and the CSV writer of one run, or a writer and the in-memory model in tests.

#include <utility>
#include <vector>

#include "report/sheet.h"

namespace qelt {

class SheetFanout : public Sheet {
  public:
    // The sheets are not owned and must outlive the fan-out; none may be null.
    explicit SheetFanout(std::vector<Sheet*> sheets) : sheets_(std::move(sheets)) {}

    void report_open() override {
        for (Sheet* s : sheets_) s->report_open();
    }
    void report_group_head(long r, const std::string& title) override {
        for (Sheet* s : sheets_) s->report_group_head(r, title);
    }
    void report_serial(long row, int k) override {
        for (Sheet* s : sheets_) s->report_serial(row, k);
    }
    void report_row(long row, const BoreholeRow& borehole) override {
        for (Sheet* s : sheets_) s->report_row(row, borehole);
    }
    void report_point_row(long row, const PointRow& point) override {
        for (Sheet* s : sheets_) s->report_point_row(row, point);
    }
    void report_group_frame(long first, long last) override {
        for (Sheet* s : sheets_) s->report_group_frame(first, last);
    }
    void report_note(long row) override {
        for (Sheet* s : sheets_) s->report_note(row);
    }
    void report_page_lines(long last_data_row) override {
        for (Sheet* s : sheets_) s->report_page_lines(last_data_row);
    }
    void report_headers(const std::string& project_line) override {
        for (Sheet* s : sheets_) s->report_headers(project_line);
    }

  private:
    std::vector<Sheet*> sheets_;
};

}  // namespace qelt
