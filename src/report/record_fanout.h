#pragma once
// Several record sinks fed as one: every event and record goes to each, in the order they were
// added (the workbook, then the CSV, then the records kept for the files made after the run). A
// group or the note row fits only where it fits every table; the rows that can be held are the
// fewest any of them holds.

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "report/borehole_record.h"

namespace qelt {

class RecordFanout : public RecordSink {
  public:
    // The sinks are not owned and must outlive the fan-out.
    RecordFanout() = default;
    RecordFanout(std::initializer_list<RecordSink*> sinks) : sinks_(sinks) {}

    // Adds a sink; it takes the events from the next one on.
    void add(RecordSink& sink) { sinks_.push_back(&sink); }

    void begin_table() override {
        for (RecordSink* s : sinks_) s->begin_table();
    }
    bool group_fits(int count) const override {
        return std::all_of(sinks_.begin(), sinks_.end(),
                           [count](const RecordSink* s) { return s->group_fits(count); });
    }
    void begin_group(const GroupHead& group) override {
        for (RecordSink* s : sinks_) s->begin_group(group);
    }
    void begin_row(int serial) override {
        for (RecordSink* s : sinks_) s->begin_row(serial);
    }
    void record(const BoreholeRecord& borehole) override {
        for (RecordSink* s : sinks_) s->record(borehole);
    }
    void end_group() override {
        for (RecordSink* s : sinks_) s->end_group();
    }
    void ground_from(const std::string& source, GroundKind kind) override {
        for (RecordSink* s : sinks_) s->ground_from(source, kind);
    }
    bool note_fits() const override {
        return std::all_of(sinks_.begin(), sinks_.end(),
                           [](const RecordSink* s) { return s->note_fits(); });
    }
    void finish(const std::string& project_line) override {
        for (RecordSink* s : sinks_) s->finish(project_line);
    }
    void stopped(const std::string& project_line) override {
        for (RecordSink* s : sinks_) s->stopped(project_line);
    }
    long max_rows() const override {
        long rows = RecordSink::max_rows();
        for (const RecordSink* s : sinks_) rows = std::min(rows, s->max_rows());
        return rows;
    }

  private:
    std::vector<RecordSink*> sinks_;
};

// The records themselves, kept in memory for what needs all of them at once (a drawing's
// extents go before its entities; a stakeout point's name depends on every other point's). Only
// holes with a position: a planned hole not drilled has none to draw, stake or map.
class RecordList : public RecordSink {
  public:
    void record(const BoreholeRecord& borehole) override {
        if (borehole.placed) all.push_back(borehole);
    }
    std::vector<BoreholeRecord> all;
};

}  // namespace qelt
