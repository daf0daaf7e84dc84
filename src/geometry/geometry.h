#pragma once
// The plane geometry both alignment methods share: a centre line is a sorted table of pieces,
// each a straight, a circular arc or a transition (clothoid) whose curvature runs linearly from
// k0 at its start to k1 at its end. A piece is evaluated in its own frame, from its start point
// and start azimuth, never from a far-away clothoid origin: a transition between two close
// radii (R 1010 -> 1000) is as ordinary as any other.
//
// Frame and units throughout: metres; X to the north, Y to the east; an azimuth is in radians,
// clockwise from +X, its unit vector (cos a, sin a) in (X, Y); a curvature is in 1/m, positive
// for a turn to the right (the azimuth grows); "right" in a local frame is to the right of the
// frame's x axis.

#include <vector>

namespace qelt {

// A point of the plane.
struct Point {
    double x = 0;  // north, metres
    double y = 0;  // east, metres
};

// The point `along` metres along and `right` metres to the right of `origin`, in the frame
// whose x axis has azimuth `azimuth`.
Point place(Point origin, double azimuth, double along, double right);

// The same with the frame's x axis given by its unit vector (cos_a, sin_a) in (X, Y), for a
// caller that has the cosine and sine already.
inline Point place_unit(Point origin, double cos_a, double sin_a, double along, double right) {
    return {origin.x + along * cos_a - right * sin_a, origin.y + along * sin_a + right * cos_a};
}

// An angle reduced to [0, full_turn): full_turn is 2π for radians, 360 for degrees (a drawing's
// angles). A value that rounds to exactly a full turn (a tiny negative one) is 0. Non-finite
// stays non-finite.
double reduced_angle(double angle, double full_turn);

// An azimuth, radians, reduced to [0, 2π): reduced_angle(azimuth, 2π).
double reduced_azimuth(double azimuth);

// A turn, radians, reduced to [−π, π]: the difference of two directions as the shorter way
// from the first to the second, + to the right. A turn already in that range (every difference
// of two azimuths in [0, 2π) but the extreme ones) comes back unchanged, ±π included.
// Non-finite stays non-finite.
double reduced_turn(double turn);

// A piece's shape in its own frame (origin at its start, x along its start tangent, y to the
// right) at arc length s from its start (0 <= s <= length; accurate for any s, also beyond
// the piece, continuing its curvature law):
//   along, right  metres
//   deflection    radians, k0·s + (k1 − k0)·s²/(2·length) (k0·s when length is 0)
// Accurate to 1e-9 m whatever the radii, for any turn up to 1e5 radians within s (beyond
// that, and for non-finite data, along and right are NaN).
void piece_local(double k0, double k1, double length, double s, double& along, double& right,
                 double& deflection);

// piece_local's position with the curvature law given as k0 and c = (k1 − k0)/(2·length),
// 1/m², the tangent having turned k0·s + c·s² at s: for a caller that keeps c.
void piece_shape(double k0, double c, double s, double& along, double& right);

// One piece of a located line.
struct Piece {
    double start_mileage = 0;  // continuous mileage of the start, metres
    Point start;
    double start_azimuth = 0;  // radians
    double k0 = 0, k1 = 0;     // curvature at start and end, 1/m
    double length = 0;         // metres, > 0
};

// Point and tangent azimuth (start azimuth + deflection, not reduced) at arc length s of a piece.
void piece_point(const Piece& piece, double s, Point& point, double& azimuth);

// A centre line as a sorted table of pieces, located in O(log N).
class LocatedLine {
  public:
    // Starts an empty line at a point, heading `azimuth`, at continuous mileage `mileage`; a line
    // without pieces is the straight through that point.
    void reset(double mileage, Point start, double azimuth);

    // Appends a piece starting where the line now ends (end_mileage(), end_point(), end_azimuth())
    // with curvature k0 -> k1 over `length` metres; a piece of length 0 adds nothing.
    void append(double k0, double k1, double length);

    // Appends a piece with its own start (the main line places each curve's key points from its
    // JD). A gap after the line's end so far is filled by the straight along the end tangent; a
    // piece starting before that end takes over from its own start (key points meet only to
    // within roundings, and curves designed to touch may overlap by a millimetre). A start before
    // the line's start spoils the line. A piece of length 0 only moves the line's end to its
    // start.
    void append(const Piece& piece);

    // Where the line now ends; the azimuth in [0, 2π). An append that breaks the order of
    // mileages (a start below the end so far, a negative or NaN length) or gives a non-finite end
    // spoils the line: from then on these, and every locate, are NaN until the next reset.
    double end_mileage() const;
    Point end_point() const;
    double end_azimuth() const;

    double start_mileage() const;
    const std::vector<Piece>& pieces() const;

    // Point and tangent at a continuous mileage:
    //   point    metres, X north, Y east
    //   azimuth  radians, clockwise from +X, direction of increasing mileage, in [0, 2π)
    // A mileage on a boundary belongs to the piece starting there. Before the start and at or
    // beyond the end the line continues along its start and end tangents.
    // A mileage in a gap between two pieces appended with their own starts lies on the straight
    // along the tangent at the end of the piece before (at the line's start before the first).
    // Needs no trigonometry: each piece's cosine and sine are taken when it is appended.
    void locate(double mileage, Point& point, double& azimuth) const;

    // Curvature at a continuous mileage, 1/m, positive where the line turns right: the centre
    // of curvature lies 1/|k| metres to the right (k > 0) or to the left (k < 0) of the
    // point. A mileage on a boundary belongs to the piece starting there, as in locate; 0
    // before the start, at or beyond the end, and in a gap (the straights there). NaN for a
    // spoiled line or a NaN mileage.
    double curvature(double mileage) const;

    // The reverse of locate with an offset (反算): the foot of the perpendicular from a point to
    // the line, and the point's signed distance from it.
    //   point    metres, X north, Y east
    //   mileage  continuous mileage of the foot, metres
    //   offset   metres, positive to the left of the direction of increasing mileage
    // so that, with C and a from locate(mileage), point = C + offset·(sin a, −cos a) (the point
    // offset metres along the azimuth a − π/2). Where the line comes near the point more than
    // once (a loop ramp, a hairpin), the nearest foot. A foot before the start or beyond the
    // end lies on the extended start or end tangent, its mileage outside start..end. A point
    // on the line's centre of curvature has many feet at the same distance; one of them.
    // NaN for a spoiled line or a point that is not finite.
    void nearest(Point point, double& mileage, double& offset) const;

  private:
    // A stretch of the line as locate reads it: a piece, or the straight filling a gap.
    struct Span {
        Point start;
        double cos_a = 1, sin_a = 0;  // unit vector of the start azimuth
        double azimuth = 0;           // start azimuth, radians, in [0, 2π)
        double k0 = 0;                // curvature at the start, 1/m
        double c = 0;                 // (k1 − k0)/(2·length), 1/m²
    };

    // A disc holding the whole of a span: its middle point and half its length (no point of
    // the span is farther along the curve, so none farther in the plane). A span later cut
    // short by a piece taking over keeps its disc, which still holds it.
    struct Bound {
        Point centre;
        double radius = 0;
    };
    struct Foot;

    // The span a mileage lies on (the start or end straight outside the line), and in `s`
    // the distance along it; requires a line that is not spoiled and a mileage that is no NaN.
    const Span& span_at(double mileage, double& s) const;
    // Adds a span from the line's end, and moves the end to the span's end.
    void add_span(const Span& span, double length);
    double span_length(std::size_t i) const;
    // The nearest feet of `point` on span i, offered to `best`.
    void nearest_on_span(std::size_t i, Point point, Foot& best) const;
    void spoil();
    void set_end(double mileage, Point point, double azimuth);

    std::vector<Piece> pieces_;
    std::vector<double> span_starts_;  // mileage where each span starts, ascending
    std::vector<Span> spans_;
    std::vector<Bound> bounds_;  // one per span
    double start_mileage_ = 0;
    Span start_;  // the line's start as a straight, for mileages before it
    double end_mileage_ = 0;
    Span end_;  // the line's end as a straight, for mileages at or after it
    bool spoiled_ = false;
};

}  // namespace qelt
