// The middle of a run: open the files, read the input twice through trrw
// (once to count the series and find the year span, once more after a
// rewind to place them), check the limits, and have the outputs written.
#pragma once

#include "reformat/flavor.h"
#include "reformat/reader_context.h"
#include "reformat/series_table.h"

namespace reformat {

inline constexpr int k_most_series = k_table_columns;

void load_and_write(ReaderContext& context, SeriesTable& table);

}  // namespace reformat
