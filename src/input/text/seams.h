#pragma once
// Where one element of a designed line ends and the next starts, as every reader of a design
// file (LandXML, IFC) checks it: each element is placed at its own start, so the file's rounding
// shows as a small gap or kink between the computed end of one element and the written start of
// the next. Exported coordinates rounded to 0.1 mm meet to well within a millimetre and ten
// seconds of arc; more is worth telling the engineer. A seam of more than 0.1 m is no rounding:
// the elements do not describe one line.

#include <numbers>
#include <optional>
#include <string>

namespace qelt {

inline constexpr double kSecondsPerRadian = 180 * 3600 / std::numbers::pi;
inline constexpr double kSeamNoticed = 1e-3;                    // metres
inline constexpr double kSeamRefused = 0.1;                     // metres
inline constexpr double kTurnNoticed = 10 / kSecondsPerRadian;  // radians

// The verdict on one seam:
//   gap      metres between the computed end and the written start
//   turn     radians between the two directions, not negative
//   noticed  the gap worth telling (kSeamNoticed, or a file's coarser precision)
//   seam     how the message names the seam, "…的起点与… 算得的终点相距 "
// Throws DataError(seam + "0.150 m（超过 0.1 m）：这些线元连不成一条线路", file, line) for a gap
// beyond kSeamRefused (or not a number); returns seam + "1.5 mm，方向相差 12.0″" where the seam is
// worth a notice, nothing where it is not.
std::optional<std::string> seam_verdict(double gap, double turn, double noticed,
                                        const std::string& seam, const std::string& file,
                                        long line);

}  // namespace qelt
