#pragma once
// The ground of the route group's 纬地 files for a run: the centre line's ground (.dmx) and the
// cross sections (.hdm) that stand on it, as the command line names them or as the desktop user
// picks the one, the other found beside it.

#include <optional>
#include <string>
#include <vector>

#include "alignment/alignment.h"
#include "app/run.h"
#include "terrain/terrain.h"

namespace qelt {

// The ground of `ground_line` (.dmx) and, where given, `sections` (.hdm) along `alignment`.
// Given the sections alone, the .dmx of the same name beside them is taken (said in `notices`),
// or asked for (kGroundLineDialog) where there is none. Throws DataError naming the file;
// DialogCancelled where the user cancels the dialog.
Terrain read_hintcad_ground(RunUi& ui, std::optional<std::string> ground_line,
                            const std::optional<std::string>& sections, const Alignment& alignment,
                            std::vector<std::string>& notices);

}  // namespace qelt
