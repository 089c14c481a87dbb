// The output steps: the common-period file, the column file, and for
// plotting the stacked column file and the bar file.
#pragma once

#include <vector>

#include "format/items.h"
#include "reformat/reader_context.h"
#include "reformat/series_table.h"

namespace reformat {

inline constexpr int k_column_unit = 18;
inline constexpr int k_input_unit = 19;
inline constexpr int k_bar_unit = 20;
inline constexpr int k_common_unit = 21;

// Every series cut to the common period, written by trrw "mw" to unit 21.
void write_common_file(ReaderContext& context, SeriesTable& table);

// The heading line and one line per year of `source` (value_table or
// work_table) to `unit`. `row_values` is reused from row to row.
void write_heading(io::Runtime& runtime, int unit, const SeriesTable& table);
void write_year_lines(io::Runtime& runtime, int unit, const SeriesTable& table,
                      const Table& source,
                      std::vector<format::Value>& row_values);

void write_column_file(io::Runtime& runtime, SeriesTable& table);

// Adds the stacking offsets, writes the column file, and writes the bar
// file (opened "NEW" on unit 20) from the bar levels.
void write_plotting_files(io::Runtime& runtime, SeriesTable& table);

}  // namespace reformat
