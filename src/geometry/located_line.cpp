// The centre line as a table of spans: the pieces appended, and straights filling the gaps
// between pieces appended with their own starts. A locate is a binary search over the spans'
// start mileages (one contiguous array) and one evaluation of piece_shape in the span's frame.

#include <algorithm>
#include <cmath>
#include <limits>

#include "geometry/geometry.h"

namespace qelt {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

void LocatedLine::reset(double mileage, Point start, double azimuth) {
    pieces_.clear();
    span_starts_.clear();
    spans_.clear();
    bounds_.clear();
    spoiled_ = false;
    start_mileage_ = mileage;
    set_end(mileage, start, azimuth);
    start_ = end_;
}

void LocatedLine::spoil() {
    spoiled_ = true;
    end_mileage_ = kNaN;
    end_ = {{kNaN, kNaN}, kNaN, kNaN, kNaN, 0, 0};
}

void LocatedLine::set_end(double mileage, Point point, double azimuth) {
    end_mileage_ = mileage;
    const double a = reduced_azimuth(azimuth);
    end_ = {point, std::cos(a), std::sin(a), a, 0, 0};
    if (!std::isfinite(mileage) || !std::isfinite(point.x) || !std::isfinite(point.y) ||
        !std::isfinite(a)) {
        spoil();
    }
}

void LocatedLine::add_span(const Span& span, double length) {
    span_starts_.push_back(end_mileage_);
    spans_.push_back(span);
    double along = 0, right = 0;
    piece_shape(span.k0, span.c, length / 2, along, right);
    bounds_.push_back({place_unit(span.start, span.cos_a, span.sin_a, along, right), length / 2});
    piece_shape(span.k0, span.c, length, along, right);
    set_end(end_mileage_ + length, place_unit(span.start, span.cos_a, span.sin_a, along, right),
            span.azimuth + length * (span.k0 + span.c * length));
}

void LocatedLine::append(double k0, double k1, double length) {
    if (spoiled_ || length == 0) return;
    if (!(length > 0)) return spoil();  // negative or NaN: mileages would not ascend
    pieces_.push_back({end_mileage_, end_.start, end_.azimuth, k0, k1, length});
    Span span = end_;
    span.k0 = k0;
    span.c = (k1 - k0) / (2 * length);
    add_span(span, length);
}

void LocatedLine::append(const Piece& piece) {
    if (spoiled_) return;
    if (!(piece.start_mileage >= start_mileage_) || !(piece.length >= 0)) return spoil();
    // A piece starting before the end so far takes over from its own start: key points summed
    // from different lengths meet only to within roundings, and curves designed to touch may
    // overlap by the millimetre their rounded tangents leave. Spans starting at or after it are
    // dropped; the one before it now ends where it starts.
    while (!span_starts_.empty() && span_starts_.back() >= piece.start_mileage) {
        span_starts_.pop_back();
        spans_.pop_back();
        bounds_.pop_back();
    }
    while (!pieces_.empty() && pieces_.back().start_mileage >= piece.start_mileage)
        pieces_.pop_back();
    if (piece.start_mileage < end_mileage_) end_mileage_ = piece.start_mileage;
    // The road between the end so far and this start is the straight along the end tangent.
    if (piece.start_mileage > end_mileage_) add_span(end_, piece.start_mileage - end_mileage_);
    set_end(piece.start_mileage, piece.start, piece.start_azimuth);
    if (spoiled_ || piece.length == 0) return;
    pieces_.push_back(piece);
    Span span = end_;
    // The piece's own azimuth, unreduced, so that locate and piece_point agree to the bit.
    span.cos_a = std::cos(piece.start_azimuth);
    span.sin_a = std::sin(piece.start_azimuth);
    span.k0 = piece.k0;
    span.c = (piece.k1 - piece.k0) / (2 * piece.length);
    add_span(span, piece.length);
}

double LocatedLine::end_mileage() const {
    return end_mileage_;
}

Point LocatedLine::end_point() const {
    return end_.start;
}

double LocatedLine::end_azimuth() const {
    return end_.azimuth;
}

double LocatedLine::start_mileage() const {
    return start_mileage_;
}

const std::vector<Piece>& LocatedLine::pieces() const {
    return pieces_;
}

const LocatedLine::Span& LocatedLine::span_at(double mileage, double& s) const {
    if (mileage >= end_mileage_) {
        s = mileage - end_mileage_;
        return end_;
    }
    if (mileage < start_mileage_) {
        s = mileage - start_mileage_;
        return start_;
    }
    // The last span starting at or before the mileage: a boundary belongs to the next one.
    // The spans cover [start, end) without a hole, and the first starts at the start.
    const auto after = std::upper_bound(span_starts_.begin(), span_starts_.end(), mileage);
    const auto i = static_cast<std::size_t>(after - span_starts_.begin() - 1);
    s = mileage - span_starts_[i];
    return spans_[i];
}

void LocatedLine::locate(double mileage, Point& point, double& azimuth) const {
    if (spoiled_ || std::isnan(mileage)) {
        point = {kNaN, kNaN};
        azimuth = kNaN;
        return;
    }
    double s = 0;
    const Span& span = span_at(mileage, s);
    double along = 0, right = 0;
    piece_shape(span.k0, span.c, s, along, right);
    point = place_unit(span.start, span.cos_a, span.sin_a, along, right);
    azimuth = reduced_azimuth(span.azimuth + s * (span.k0 + span.c * s));
}

double LocatedLine::curvature(double mileage) const {
    if (spoiled_ || std::isnan(mileage)) return kNaN;
    double s = 0;
    const Span& span = span_at(mileage, s);
    // The tangent has turned k0·s + c·s² at s; its derivative is the curvature there.
    return span.k0 + 2 * span.c * s;
}

}  // namespace qelt
