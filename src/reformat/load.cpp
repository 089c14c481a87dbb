#include "reformat/load.h"

#include "format/statements.h"
#include "reformat/dialogue.h"
#include "reformat/outputs.h"
#include "reformat/trrw.h"

namespace reformat {
namespace {

void open_files(io::Runtime& runtime, const SeriesTable& table) {
  if (table.common_only != 0) {
    require(runtime,
            runtime.open_unit(k_common_unit, table.common_name, "UNKNOWN"));
  }
  require(runtime,
          runtime.open_unit(k_input_unit, table.input_name, "OLD", "READ"));
  require(runtime,
          runtime.open_unit(k_column_unit, table.column_name, "UNKNOWN"));
}

void read_series(ReaderContext& context, SeriesTable& table) {
  table.mode = "mr";
  SeriesBuffer& buffer = table.buffer;
  trrw(context, buffer.id, buffer.first_year, buffer.count, buffer.values,
       buffer.series_no, k_input_unit, k_column_unit, table.mode);
}

void first_pass(ReaderContext& context, SeriesTable& table) {
  table.series_count = 0;
  table.table_first_year = 2000;
  table.table_last_year = -9999;
  for (;;) {
    read_series(context, table);
    if (table.buffer.count == k_no_series) {
      return;
    }
    update_span(table, table.buffer);
  }
}

// A run that ends without its outputs ends with status 1.
[[noreturn]] void refuse(io::Runtime& runtime, std::string_view format_text,
                         int limit) {
  write_limit_message(runtime, format_text, limit);
  require(runtime, runtime.close_unit(k_column_unit));
  require(runtime, runtime.close_unit(k_input_unit));
  runtime.stop_run(" ", 1);
}

void check_limits(io::Runtime& runtime, const SeriesTable& table) {
  if (table.series_count > k_most_series) {
    refuse(runtime, "(/1x,'The number of series in this file exceeds ',i4)",
           k_most_series);
  }
  // Computed in 64 bits: a compact header can state a very long series.
  const std::int64_t span = std::int64_t{table.table_last_year} -
                            std::int64_t{table.table_first_year} + 1;
  if (span > k_table_rows) {
    refuse(runtime, "(/1x,'The span of years in this file exceeds ',i4)",
           k_table_rows);
  }
}

bool covers_common_period(const SeriesTable& table,
                          const SeriesBuffer& series) {
  return series.first_year <= table.common_first &&
         table.common_last <= series.first_year + series.count - 1;
}

void extract_common_period(SeriesTable& table, int column,
                           const SeriesBuffer& series) {
  const int offset = table.common_first - series.first_year;
  for (int j = 1; j <= table.common_length; ++j) {
    const int i = offset + j;  // element of values, from 1
    if (j > k_table_rows || i < 1 ||
        static_cast<std::size_t>(i) > series.values.size()) {
      return;
    }
    table.work_table.at(j, column) =
        series.values[static_cast<std::size_t>(i - 1)];
  }
}

void second_pass(ReaderContext& context, SeriesTable& table) {
  for (int k = 1; k <= table.series_count; ++k) {
    read_series(context, table);
    place_series(table, k, table.buffer);
    if (table.common_only != 0 && covers_common_period(table, table.buffer)) {
      extract_common_period(table, k, table.buffer);
    }
  }
}

}  // namespace

void load_and_write(ReaderContext& context, SeriesTable& table) {
  io::Runtime& runtime = context.runtime;
  open_files(runtime, table);
  first_pass(context, table);
  require(runtime, runtime.rewind_unit(k_input_unit));
  check_limits(runtime, table);
  second_pass(context, table);
  require(runtime, runtime.close_unit(k_input_unit));
  if (table.common_only != 0) {
    write_common_file(context, table);
    require(runtime, runtime.close_unit(k_common_unit));
  }
  if (table.plotting == 0) {
    write_column_file(runtime, table);
  } else {
    write_plotting_files(runtime, table);
  }
}

}  // namespace reformat
