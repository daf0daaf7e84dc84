#pragma once
// The design profiles of a LandXML file: the Profile/ProfAlign of an alignment, as the grade line
// (geometry/profile.h) every job reads.
//
// A ProfAlign lists its grade points in order: PVI (a grade point without a vertical curve),
// ParaCurve (a symmetric parabola of horizontal length `length`), UnsymParaCurve (an asymmetric
// one, `lengthIn` and `lengthOut`) and CircCurve (a circle of `radius`). Each holds "station
// elevation". The station is the alignment's internal station, as LandXML's station type
// defines it: its staStart plus the distance along it, before any station equation; that is the
// continuous mileage of the alignment model, so a grade point is taken where it is written even
// on a line with chain breaks. A CircCurve's radius is read without its sign, for exporters sign
// it either way; the grades decide crest or sag. Its `length`, where written, must agree with
// the radius and the grades within a millimetre, read as exporters write it: the arc R·|Δα|,
// its horizontal extent, or R·|i2 − i1|. A ProfSurf is a ground line, never a design profile.
//
// Units: metres (whatever unit the file is in), as for the alignment.

#include <optional>
#include <string>
#include <vector>

#include "alignment/alignment.h"
#include "geometry/profile.h"
#include "input/landxml/landxml_document.h"

namespace qelt {

// The design profile of the alignment of `document` that the run uses:
//   alignment_name  the name of the run's alignment; the file's only Alignment is taken
//                   whatever its name, otherwise the one of this name
//   profile_name    the ProfAlign to take (qelt-cli's --profile-name); without it the
//                   alignment's only ProfAlign
// Throws DataError naming the file and the line: no alignment of that name (the list of the
// file's alignments), no ProfAlign, several and no name or a name it does not hold (the list of
// its ProfAligns: names, first and last station), an element that is no grade point, a station
// or elevation that is not a number, a CircCurve length that contradicts its radius and grades,
// and every refusal of build_profile. The profile's notices name the file.
// The names of the ProfAlign of the alignment of `document` named `alignment_name` (the file's
// only one whatever its name), in the order of the file; empty where the file holds no such
// alignment or it has none.
std::vector<std::string> landxml_profile_names(const LandXmlDocument& document,
                                               const std::string& alignment_name);

// The ground line (ProfSurf) of the alignment of `document` named `alignment_name` (the file's
// only one whatever its name): its first ProfSurf, as a list of PVI "station elevation" or a
// PntList2D of station–elevation pairs, stations the internal ones as for ProfAlign, converted
// to metres. Empty where the file holds no such alignment or it has no ProfSurf; `source` then
// names it ("LandXML 文件“a.xml”线路“主线”的地面线“EG”"). Throws DataError naming the file
// and the line: an element that is neither, a point that is not two numbers, stations that do
// not increase, fewer than two points.
std::vector<Alignment::GroundLinePoint> landxml_ground_line(const LandXmlDocument& document,
                                                            const std::string& alignment_name,
                                                            std::string& source);

//   breaks          the line's chain breaks, completed: the stations the list of ProfAligns
//                   gives are in its numbering
Profile landxml_profile(const LandXmlDocument& document, const std::string& alignment_name,
                        const std::optional<std::string>& profile_name, const ChainBreaks& breaks);

}  // namespace qelt
