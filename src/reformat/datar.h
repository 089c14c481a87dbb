#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "reformat/reader_context.h"
#include "reformat/series_table.h"

namespace reformat {

// The most values one compact series may ask to be read (and, past the
// series buffer, dropped) in one statement.
inline constexpr std::int32_t k_most_compact_values = 1 << 20;

// datar: reads one series in the compact layout (title, header with count,
// first year and data format, then the values under that format). count
// is -999 when no header comes before the end of the file. Values past the
// end of `values` are read but not stored.
void datar(ReaderContext& context, LineBuffer& title, std::int32_t& count,
           std::span<float> values, std::int32_t& first_year,
           const std::int32_t& data_unit);

}  // namespace reformat
