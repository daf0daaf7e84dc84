// The two ways of giving a road's centre line, behind one interface for the run, and the job
// that runs the table on the one the user chose.
#include "app/run.h"
#include "htbas/htbas.h"
#include "input/readers.h"
#include "zxbas/zxbas.h"

namespace qelt {

namespace {

class MainLineAlignment : public Alignment {
  public:
    explicit MainLineAlignment(MainLine& line) : line_(line) {}
    bool uses_chain_breaks() const override { return true; }
    void read(LineReader& file) override { zx_read_alignment(file, line_); }
    void build() override { zx_build(line_); }
    double start_station() const override { return line_.jd_station[1]; }
    double end_station() const override {
        return line_.jd_station[static_cast<int>(line_.jd_count)];
    }
    void locate(double mileage, double& x, double& y, double& azimuth) const override {
        zx_locate(line_, mileage, x, y, azimuth);
    }
    void nearest(double x, double y, double& mileage, double& offset) const override {
        line_.zx_line.nearest({x, y}, mileage, offset);
    }

  private:
    MainLine& line_;
};

class ElementAlignment : public Alignment {
  public:
    explicit ElementAlignment(ElementChain& chain) : chain_(chain) {}
    bool uses_chain_breaks() const override { return false; }
    void read(LineReader& file) override { ht_read_elements(file, chain_); }
    void build() override {
        ht_split_inflections(chain_);
        chain_.ht_start_azimuth = ht_dms_to_degrees(chain_.ht_start_azimuth);
        ht_build_chain(chain_);
    }
    double start_station() const override { return chain_.ht_station[1]; }
    double end_station() const override { return chain_.ht_station[chain_.ht_count + 1]; }
    void locate(double mileage, double& x, double& y, double& azimuth) const override {
        ht_locate(chain_, mileage, x, y, azimuth);
    }
    void nearest(double x, double y, double& mileage, double& offset) const override {
        chain_.ht_line.nearest({x, y}, mileage, offset);
    }

  private:
    ElementChain& chain_;
};

}  // namespace

std::unique_ptr<Alignment> make_main_line_alignment(MainLine& line) {
    return std::make_unique<MainLineAlignment>(line);
}

std::unique_ptr<Alignment> make_element_alignment(ElementChain& chain) {
    return std::make_unique<ElementAlignment>(chain);
}

namespace {

// The alignment of the chosen method over `tables`.
std::unique_ptr<Alignment> make_alignment(Method method, RunTables& tables) {
    return method == Method::intersection_points ? make_main_line_alignment(tables.main_line)
                                                 : make_element_alignment(tables.element_chain);
}

}  // namespace

TableJob::TableJob(Method method)
    : method_(method),
      tables_(std::make_unique<RunTables>()),
      alignment_(make_alignment(method, *tables_)) {}

RunResult TableJob::run(RunUi& ui, Sheet& sheet, RunProgress* progress) {
    return run_coordinate_table(ui, *alignment_, tables_->chain_breaks, sheet, progress);
}

}  // namespace qelt
