#include "report/drawings/section_layout.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "base/text.h"
#include "report/tables/workload.h"
#include "station/station.h"

namespace qelt {

namespace {

// A radius as the designer typed it (R=12000), or to the millimetre where a design program
// derived it from a K value and wrote every digit (3111.94109671208).
std::string radius_text(double radius) {
    const std::string typed = short_number_text(radius);
    const std::size_t point = typed.find('.');
    return point != std::string::npos && typed.size() - point - 1 > 3 ? fixed_text(radius, 3)
                                                                      : typed;
}

PlanLayer layer(SectionLayer l) {
    return static_cast<PlanLayer>(l);
}

constexpr double kVertical = std::numbers::pi / 2;  // text running upwards

// Upright texts side by side: 2.5 mm high, and 1 mm between two.
constexpr double kUprightText = 2.5, kUprightPitch = 3.5;  // mm of the plot

// Where to put texts wanted at `wanted` (drawing units along the line, any order) so that no two
// lie closer than `pitch`, each as near to where it is wanted as that allows: texts that would
// crowd (two holes at one station, left and right of the line) are set side by side, centred on
// where they are wanted together, in the order of `wanted` (at one place, in the given order).
std::vector<double> spread(const std::vector<double>& wanted, double pitch) {
    std::vector<std::size_t> order(wanted.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return wanted[a] < wanted[b]; });
    // Runs of texts set `pitch` apart: the k-th of a run at start + k·pitch, the start the mean of
    // (wanted − k·pitch) over the run, which puts the run where its texts want it on the whole.
    struct Run {
        std::size_t count;
        double sum;  // of wanted − k·pitch over the run
        double start() const { return sum / static_cast<double>(count); }
    };
    std::vector<Run> runs;
    for (std::size_t i : order) {
        Run run{1, wanted[i]};
        while (!runs.empty() &&
               runs.back().start() + static_cast<double>(runs.back().count) * pitch > run.start()) {
            const Run before = runs.back();
            runs.pop_back();
            run = {before.count + run.count,
                   before.sum + run.sum -
                       static_cast<double>(run.count) * static_cast<double>(before.count) * pitch};
        }
        runs.push_back(run);
    }
    std::vector<double> placed(wanted.size());
    std::size_t next = 0;
    for (const Run& run : runs)
        for (std::size_t k = 0; k < run.count; ++k)
            placed[order[next++]] = run.start() + static_cast<double>(k) * pitch;
    return placed;
}

class SectionDrawer {
  public:
    SectionDrawer(const Alignment& alignment, const GroundLine& ground, SectionScales scales)
        : alignment_(alignment),
          ground_(ground),
          exaggeration_(scales.horizontal / scales.vertical),
          mm_(scales.horizontal / 1000) {}

    PlanLayout draw(std::span<const BoreholeRecord> boreholes);
    // The height of the drawing from the bottom of its bands to the top of its title, drawing
    // units, once drawn (upright texts reach above their insertion points).
    double top() const { return top_; }
    double bottom() const { return bottom_; }
    double start() const { return start_; }

  private:
    // The ground line's height at a round station: where it follows a terrain (a line given
    // as such says nothing between its points).
    std::optional<double> ground_at(double mileage) const {
        if (!ground_.follows_terrain) return std::nullopt;
        return ground_.elevation(mileage);
    }
    std::optional<double> design_at(double mileage) const {
        if (!alignment_.profile) return std::nullopt;
        return alignment_.profile->elevation(mileage);
    }
    DPoint at(double mileage, double elevation) const {
        return {mileage, elevation * exaggeration_};
    }
    void keep_low(double elevation) { low_ = std::min(low_, elevation * exaggeration_); }
    void keep_high(double elevation) { high_ = std::max(high_, elevation * exaggeration_); }
    void text(SectionLayer l, DPoint p, double mm, double angle, const std::string& t, int h = 0,
              int v = 0) {
        if (t.empty()) return;
        layout_.text(layer(l), p, mm * mm_, angle, h, v, t);
        // An upright text runs up a character's height a character, at most.
        std::size_t characters = 0;
        for (unsigned char c : t) characters += (c & 0xC0) != 0x80;
        const double reach = angle == 0 ? 1 : static_cast<double>(characters);
        top_ = std::max(top_, p.y + reach * mm * mm_);
    }
    void title();

    void ground_line();
    void grade_line();
    void chain_breaks();
    void borehole_marks(std::span<const BoreholeRecord> boreholes);
    void bands(std::span<const BoreholeRecord> boreholes);

    const Alignment& alignment_;
    const GroundLine& ground_;
    double exaggeration_;
    double mm_;  // drawing units per millimetre of the plot
    double start_ = 0, end_ = 0;
    double top_ = -std::numeric_limits<double>::infinity(), bottom_ = 0;
    double low_ = std::numeric_limits<double>::infinity();
    double high_ = -std::numeric_limits<double>::infinity();
    PlanLayout layout_;
};

// The ground line as the job found it, run by run.
void SectionDrawer::ground_line() {
    for (const std::vector<GroundLine::Point>& run : ground_.runs) {
        std::vector<DPoint> line;
        for (const GroundLine::Point& g : run) {
            line.push_back(at(g.mileage, g.elevation));
            keep_low(g.elevation);
            keep_high(g.elevation);
        }
        layout_.polyline(layer(SectionLayer::ground_line), std::move(line));
    }
}

// The grade line: straight between the curves, each vertical curve in 2 m chords (a chord of a
// 3000 m radius strays 0.17 mm from it); every grade point with a leader and its data.
void SectionDrawer::grade_line() {
    if (!alignment_.profile) return;
    const Profile& profile = *alignment_.profile;
    std::vector<double> at_mileages;
    for (std::size_t k = 0; k < profile.points().size(); ++k) {
        const VerticalCurve& c = profile.curves()[k];
        at_mileages.push_back(profile.points()[k].mileage);
        if (c.kind == VerticalCurveKind::none) continue;
        for (double m = c.start_mileage; m < c.end_mileage; m += 2) at_mileages.push_back(m);
        at_mileages.push_back(c.end_mileage);
    }
    std::sort(at_mileages.begin(), at_mileages.end());
    std::vector<DPoint> line;
    for (double m : at_mileages)
        if (const std::optional<double> z = profile.elevation(m)) {
            line.push_back(at(m, *z));
            keep_low(*z);
            keep_high(*z);
        }
    if (line.size() >= 2) layout_.polyline(layer(SectionLayer::grade_line), std::move(line));

    for (std::size_t k = 0; k < profile.points().size(); ++k) {
        const GradePoint& p = profile.points()[k];
        const VerticalCurve& c = profile.curves()[k];
        const std::optional<double> z = profile.elevation(p.mileage);
        if (!z) continue;
        // The leader rises from the grade point itself (above the curve, where there is one).
        const DPoint foot = at(p.mileage, p.elevation);
        const DPoint top{foot.x, foot.y + 30 * mm_};
        layout_.line(layer(SectionLayer::grade_points), foot, top);
        std::string label =
            zh_station_of(alignment_.breaks, p.mileage).text + " H=" + fixed_text(p.elevation, 3);
        if (c.kind != VerticalCurveKind::none)
            label += " R=" + radius_text(c.radius_in) + " T=" + fixed_text(c.tangent_in, 3) +
                     " E=" + fixed_text(c.external, 3);
        text(SectionLayer::grade_points, {top.x - 0.8 * mm_, top.y}, 2.5, kVertical, label);
        keep_high(p.elevation + 30 * mm_ / exaggeration_ + 60 * mm_ / exaggeration_);
    }
}

void SectionDrawer::chain_breaks() {
    const ChainBreaks& breaks = alignment_.breaks;
    for (int i = 1; i <= breaks.dl_count; ++i) {
        const double m = dl_break_mileage(breaks, i);
        if (m < start_ || m > end_) continue;
        const double before = breaks.dl_before[i], after = breaks.dl_after[i];
        std::string before_text, after_text;
        zh_format(shortest_number(before), before_text);
        zh_format(shortest_number(after), after_text);
        const std::string label = "断链 " + before_text + "=" + after_text +
                                  (before > after ? " 长链" : " 短链") +
                                  short_number_text(std::fabs(before - after)) + "米";
        const double y = std::isfinite(high_) ? high_ : 0;
        layout_.line(layer(SectionLayer::chain_breaks), {m, low_}, {m, y + 20 * mm_});
        text(SectionLayer::chain_breaks, {m + 0.8 * mm_, y + 20 * mm_}, 2.5, kVertical, label, 2);
    }
}

// Each hole from its own ground (else the grade line at its station) down to its bottom where
// the list plans its depth, else down 20 mm of the plot, labelled with its stakeout point name,
// its offset and its depth.
void SectionDrawer::borehole_marks(std::span<const BoreholeRecord> boreholes) {
    std::vector<std::size_t> drawn;
    std::vector<DPoint> tops;
    std::vector<double> wanted;
    for (std::size_t i = 0; i < boreholes.size(); ++i) {
        const BoreholeRecord& b = boreholes[i];
        const std::optional<double> top =
            b.ground_elevation ? b.ground_elevation : b.design_elevation;
        if (!top) continue;
        const DPoint t = at(b.mileage, *top);
        if (b.ground_elevation && b.bottom_elevation) {
            // A planned hole to its depth: a column 1.5 mm wide from its collar to its bottom, so
            // that the grade line and the ground can be read against it (a cut's holes must pass
            // the future subgrade).
            const DPoint bottom = at(b.mileage, *b.bottom_elevation);
            const double half = 0.75 * mm_;
            layout_.polyline(layer(SectionLayer::boreholes), {{t.x - half, t.y},
                                                              {t.x + half, t.y},
                                                              {t.x + half, bottom.y},
                                                              {t.x - half, bottom.y},
                                                              {t.x - half, t.y}});
            low_ = std::min(low_, bottom.y);
        } else {
            layout_.line(layer(SectionLayer::boreholes), t, {t.x, t.y - 20 * mm_});
            low_ = std::min(low_, t.y - 20 * mm_);
        }
        drawn.push_back(i);
        tops.push_back(t);
        wanted.push_back(t.x - 0.8 * mm_);
    }
    // Holes at one station (left and right of the line) or a few metres apart would write their
    // labels over one another: they are set side by side, each with a leader to its mark where
    // it had to move.
    const std::vector<double> placed = spread(wanted, kUprightPitch * mm_);
    for (std::size_t k = 0; k < drawn.size(); ++k) {
        const BoreholeRecord& b = boreholes[drawn[k]];
        const DPoint t = tops[k];
        std::string label = b.point_name + " " +
                            (b.offset > 0   ? "左" + short_number_text(b.offset)
                             : b.offset < 0 ? "右" + short_number_text(-b.offset)
                                            : std::string("中"));
        if (b.depth) label += " 孔深" + metres_text(*b.depth) + "m";
        if (std::abs(placed[k] - wanted[k]) > 0.01 * mm_)
            layout_.line(layer(SectionLayer::borehole_labels), t,
                         {placed[k] - kUprightText / 2 * mm_, t.y + 2 * mm_});
        text(SectionLayer::borehole_labels, {placed[k], t.y + 2 * mm_}, kUprightText, kVertical,
             label);
    }
}

// Under the section, from its lowest point down: 设计高程, 地面高程, 填挖高 (design − ground, +
// fill), 桩号; a column at every round 100 m (the centre line's values) and at every borehole
// (the hole's own), texts running upwards.
void SectionDrawer::bands(std::span<const BoreholeRecord> boreholes) {
    struct Row {
        const char* title;
        double height_mm;
    };
    const Row rows[] = {{"设计高程", 22}, {"地面高程", 22}, {"填挖高", 18}, {"桩号", 26}};
    const double top = (std::isfinite(low_) ? low_ : 0) - 15 * mm_;
    const double left = start_ - 30 * mm_;
    std::vector<double> lines{top};
    for (const Row& r : rows) lines.push_back(lines.back() - r.height_mm * mm_);
    bottom_ = lines.back();
    for (double y : lines) layout_.line(layer(SectionLayer::bands), {left, y}, {end_, y});
    for (double x : {left, start_, end_})
        layout_.line(layer(SectionLayer::bands), {x, lines.front()}, {x, lines.back()});
    for (std::size_t r = 0; r < std::size(rows); ++r)
        text(SectionLayer::bands, {left + 2 * mm_, (lines[r] + lines[r + 1]) / 2}, 3, 0,
             rows[r].title, 0, 2);

    // Every column's values, then where each column goes: columns that would crowd (two holes at
    // one station, a hole beside a round station) are set side by side; each tick stays at its
    // station.
    struct Column {
        double mileage;
        std::optional<double> design, ground;
        std::string station;
    };
    std::vector<Column> columns;
    for (const RoundStation& s : round_stations(alignment_.breaks, start_, end_))
        columns.push_back({s.mileage, design_at(s.mileage), ground_at(s.mileage), s.text});
    for (const BoreholeRecord& b : boreholes)
        columns.push_back({b.mileage, b.design_elevation, b.ground_elevation, b.station});
    std::vector<double> wanted;
    for (const Column& c : columns) wanted.push_back(c.mileage + 0.8 * mm_);
    const std::vector<double> placed = spread(wanted, kUprightPitch * mm_);

    const auto column = [&](double m, double x, std::optional<double> design,
                            std::optional<double> ground, const std::string& station) {
        std::string cut_fill;
        if (design && ground) {
            cut_fill = fixed_text(*design - *ground, 2);
            if (*design > *ground)
                cut_fill.insert(0, 1, '+');  // a fill, signed as the table heads it
        }
        const std::string cells[] = {design ? fixed_text(*design, 3) : "",
                                     ground ? fixed_text(*ground, 3) : "", cut_fill, station};
        for (std::size_t r = 0; r < std::size(cells); ++r)
            text(SectionLayer::bands, {x, lines[r + 1] + 1.5 * mm_}, kUprightText, kVertical,
                 cells[r]);
        layout_.line(layer(SectionLayer::stations), {m, lines.back()}, {m, lines.back() + 3 * mm_});
    };
    for (std::size_t i = 0; i < columns.size(); ++i)
        column(columns[i].mileage, placed[i], columns[i].design, columns[i].ground,
               columns[i].station);
}

PlanLayout SectionDrawer::draw(std::span<const BoreholeRecord> boreholes) {
    start_ = alignment_.line.start_mileage();
    end_ = alignment_.line.end_mileage();
    if (!std::isfinite(start_) || !std::isfinite(end_) || end_ <= start_) return layout_;
    ground_line();
    grade_line();
    if (!ground_.legend.empty() && std::isfinite(high_))
        text(SectionLayer::ground_line, {start_, high_ + 10 * mm_}, 3, 0, ground_.legend);
    borehole_marks(boreholes);
    chain_breaks();
    bands(boreholes);
    title();
    return std::move(layout_);
}

// The line's name and the drawing's above everything else of the section, at its start: with
// several lines in one drawing each section says whose chainage it is drawn on.
void SectionDrawer::title() {
    const double y = (std::isfinite(top_) ? top_ : 0) + 8 * mm_;
    const std::string name = alignment_.name.empty() ? std::string() : alignment_.name + " ";
    text(SectionLayer::bands, {start_ - 30 * mm_, y}, 5, 0, name + "钻孔纵断面图");
}

// `from`'s items added to `into`, moved by `shift`.
void add_shifted(PlanLayout& into, const PlanLayout& from, DPoint shift) {
    const auto moved = [&](DPoint p) { return DPoint{p.x + shift.x, p.y + shift.y}; };
    for (const PlanItem& item : from.items()) {
        if (const auto* l = std::get_if<LineItem>(&item)) {
            into.line(l->layer, moved(l->a), moved(l->b));
        } else if (const auto* p = std::get_if<PolylineItem>(&item)) {
            std::vector<DPoint> points;
            for (DPoint q : p->points) points.push_back(moved(q));
            into.polyline(p->layer, std::move(points));
        } else if (const auto* c = std::get_if<CircleItem>(&item)) {
            into.circle(c->layer, moved(c->centre), c->radius);
        } else if (const auto* t = std::get_if<TextItem>(&item)) {
            into.text(t->layer, moved(t->at), t->height, t->angle, t->h_justification,
                      t->v_justification, t->text);
        } else if (const auto* a = std::get_if<ArcItem>(&item)) {
            const auto on = [&](double degrees) {
                const double r = degrees * std::numbers::pi / 180;
                return moved(
                    {a->centre.x + a->radius * std::cos(r), a->centre.y + a->radius * std::sin(r)});
            };
            const double sweep = std::fmod(a->end_degrees - a->start_degrees + 360, 360);
            into.arc(a->layer, moved(a->centre), a->radius, a->start_degrees, a->end_degrees,
                     on(a->start_degrees), on(a->start_degrees + sweep / 2), on(a->end_degrees));
        }
    }
}

}  // namespace

PlanLayout lay_out_section(const Alignment& alignment, const GroundLine& ground,
                           std::span<const BoreholeRecord> boreholes, SectionScales scales) {
    return SectionDrawer(alignment, ground, scales).draw(boreholes);
}

PlanLayout lay_out_sections(std::span<const LineSection> sections, SectionScales scales) {
    PlanLayout drawing;
    std::optional<double> first_start;
    double next_top = 0;  // where the next section's title may reach, drawing units
    const double gap = 30 * scales.horizontal / 1000;  // 30 mm of the plot between two
    for (const LineSection& s : sections) {
        if (!s.alignment) continue;
        SectionDrawer drawer(*s.alignment, s.ground, scales);
        const PlanLayout section = drawer.draw(s.boreholes);
        if (section.items().empty()) continue;
        DPoint shift{0, 0};
        if (first_start)
            shift = {*first_start - drawer.start(), next_top - drawer.top()};
        else
            first_start = drawer.start();
        add_shifted(drawing, section, shift);
        next_top = drawer.bottom() + shift.y - gap;
    }
    return drawing;
}

}  // namespace qelt
