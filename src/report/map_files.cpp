// Placeholder until the map files are built: every map is refused.
#include "report/map_files.h"

#include "base/data_error.h"

namespace qelt {

void write_map_file(std::ostream&, MapFormat, const Alignment&, std::span<const BoreholeRecord>,
                    const GridSystem&, const std::string&) {
    throw DataError("not built yet");
}

std::optional<std::string> map_file_problem(const Alignment&, std::span<const BoreholeRecord>,
                                            const GridSystem&) {
    return std::string("not built yet");
}

}  // namespace qelt
