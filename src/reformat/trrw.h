#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "reformat/datar.h"
#include "reformat/reader_context.h"
#include "reformat/series_table.h"

namespace reformat {

inline constexpr int k_most_text_lines = 25;  // per call of trrw

// Position 1 to 10 of a year on its decade line, for negative years too.
inline int decade_slot(std::int32_t year) {
  return ((year % 10) + 10) % 10 + 1;
}

// trrw: moves one series between a decadal measurement file and the
// caller's arrays. mode "mr" reads the next series from data_unit (count
// -999: no further series), "mw" writes one series to data_unit.
void trrw(ReaderContext& context, SeriesId& id, std::int32_t& first_year,
          std::int32_t& count, std::span<float> values, std::int32_t& series_no,
          const std::int32_t& data_unit, const std::int32_t& echo_unit,
          std::string_view mode);

}  // namespace reformat
