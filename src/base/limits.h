#pragma once
// Limits of the worksheet that the borehole table is written into. The readers refuse a title
// or remark a cell cannot hold while they still know its line, and the run stops before a table
// would cross the last row, so these live below both.

#include <cstddef>

namespace qelt {

// Largest row a worksheet can hold.
inline constexpr long kMaxSheetRows = 1048576;
// Most characters a cell holds; a longer text cannot be written into the table.
inline constexpr std::size_t kMaxCellText = 32767;

}  // namespace qelt
