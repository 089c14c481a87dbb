#include "reformat/outputs.h"

#include <algorithm>

#include "format/statements.h"
#include "reformat/trrw.h"

namespace reformat {
namespace {

constexpr std::string_view k_heading_format = "40(' year  ',1000(1x,a8))";
constexpr std::string_view k_year_format = "50(1x,i4,1000(2x,f7.4))";

int stored_series(const SeriesTable& table) {
  return std::min(table.series_count, k_table_columns);
}

// Series k is raised by (k - 1) times scale, each offset converted to
// single precision once. The cells are visited a year at a time, the order
// in which the table lies in memory; every cell is independent.
void add_offsets(SeriesTable& table) {
  const int columns = stored_series(table);
  std::vector<float> offsets(static_cast<std::size_t>(columns));
  table.offset = 0;
  for (int k = 1; k <= columns; ++k) {
    offsets[static_cast<std::size_t>(k - 1)] = static_cast<float>(table.offset);
    table.offset = table.offset + table.scale;
  }
  for (int r = 1; r <= k_table_rows; ++r) {
    for (int k = 1; k <= columns; ++k) {
      const float value = table.value_table.at(r, k);
      table.work_table.at(r, k) = value;
      table.value_table.at(r, k) =
          value + offsets[static_cast<std::size_t>(k - 1)];
    }
  }
}

// Series k stands at k times scale, except where a measurement is exactly
// zero; a missing cell is not zero and stands at the level too.
void make_bar_levels(SeriesTable& table) {
  const int columns = stored_series(table);
  std::vector<float> levels(static_cast<std::size_t>(columns));
  table.offset = table.scale;
  for (int k = 1; k <= columns; ++k) {
    levels[static_cast<std::size_t>(k - 1)] = static_cast<float>(table.offset);
    table.offset = table.offset + table.scale;
  }
  for (int r = 1; r <= k_table_rows; ++r) {
    for (int k = 1; k <= columns; ++k) {
      float& cell = table.work_table.at(r, k);
      if (cell != 0.0f) {
        cell = levels[static_cast<std::size_t>(k - 1)];
      }
    }
  }
}

}  // namespace

void write_common_file(ReaderContext& context, SeriesTable& table) {
  table.mode = "mw";
  SeriesBuffer& buffer = table.buffer;
  const int length = std::clamp(table.common_length, 0, k_table_rows);
  for (int k = 1; k <= stored_series(table); ++k) {
    for (int j = 1; j <= length; ++j) {
      buffer.values[static_cast<std::size_t>(j - 1)] =
          table.work_table.at(j, k);
    }
    SeriesId id = table.series_ids[static_cast<std::size_t>(k - 1)];
    std::int32_t first_year = table.common_first;
    std::int32_t count = table.common_length;
    trrw(context, id, first_year, count, buffer.values, buffer.series_no,
         k_common_unit, k_column_unit, table.mode);
  }
}

void write_heading(io::Runtime& runtime, int unit, const SeriesTable& table) {
  std::vector<format::Value> ids;
  ids.reserve(static_cast<std::size_t>(stored_series(table)));
  for (int k = 1; k <= stored_series(table); ++k) {
    const SeriesId& id = table.series_ids[static_cast<std::size_t>(k - 1)];
    ids.push_back(format::text_value(std::string_view(id.data(), id.size())));
  }
  require(runtime,
          format::write_formatted(runtime, unit, k_heading_format, ids));
}

void write_year_lines(io::Runtime& runtime, int unit, const SeriesTable& table,
                      const Table& source,
                      std::vector<format::Value>& row_values) {
  const int columns = stored_series(table);
  row_values.assign(static_cast<std::size_t>(columns) + 1,
                    format::real_value(0.0f));
  const int rows = std::min(table.table_last_year - table.table_first_year + 1,
                            k_table_rows);
  for (int r = 1; r <= rows; ++r) {
    row_values[0] = format::integer_value(table.table_first_year + r - 1);
    const float* cells = source.row(r);
    for (int k = 0; k < columns; ++k) {
      row_values[static_cast<std::size_t>(k) + 1].real = cells[k];
    }
    require(runtime,
            format::write_formatted(runtime, unit, k_year_format, row_values));
  }
}

void write_column_file(io::Runtime& runtime, SeriesTable& table) {
  std::vector<format::Value> row_values;
  write_heading(runtime, k_column_unit, table);
  write_year_lines(runtime, k_column_unit, table, table.value_table,
                   row_values);
}

void write_plotting_files(io::Runtime& runtime, SeriesTable& table) {
  add_offsets(table);
  write_column_file(runtime, table);
  require(runtime, runtime.open_unit(k_bar_unit, table.bar_name, "NEW"));
  write_heading(runtime, k_bar_unit, table);
  make_bar_levels(table);
  std::vector<format::Value> row_values;
  write_year_lines(runtime, k_bar_unit, table, table.work_table, row_values);
  require(runtime, runtime.close_unit(k_bar_unit));
}

}  // namespace reformat
