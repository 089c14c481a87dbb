#include "reformat/series_table.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <new>

namespace reformat {
namespace {

constexpr std::size_t k_cells =
    static_cast<std::size_t>(k_table_rows) * k_table_columns;
// Large pages where the system offers them: filling 20 MB then costs a
// handful of page faults instead of five thousand.
constexpr std::size_t k_large_page = std::size_t{1} << 21;
constexpr std::size_t k_table_bytes =
    (k_cells * sizeof(float) + k_large_page - 1) / k_large_page * k_large_page;

}  // namespace

Table::Table()
    : cells_(static_cast<float*>(
          std::aligned_alloc(k_large_page, k_table_bytes))) {
  if (cells_ == nullptr) {
    throw std::bad_alloc();
  }
#ifdef MADV_HUGEPAGE
  ::madvise(cells_, k_table_bytes, MADV_HUGEPAGE);
#endif
  std::uninitialized_fill_n(cells_, k_cells, missing_value);
}

Table::~Table() { std::free(cells_); }

void update_span(SeriesTable& table, const SeriesBuffer& series) {
  ++table.series_count;
  if (table.series_count <= k_table_columns) {
    table.series_ids[static_cast<std::size_t>(table.series_count - 1)] =
        series.id;
  }
  table.table_first_year = std::min(table.table_first_year, series.first_year);
  table.table_last_year =
      std::max(table.table_last_year, series.first_year + series.count - 1);
}

void place_series(SeriesTable& table, int column, const SeriesBuffer& series) {
  if (column < 1 || column > k_table_columns) {
    return;
  }
  const int stored =
      std::min(series.count, static_cast<std::int32_t>(series.values.size()));
  const int first_row = row_of_year(table, series.first_year);
  // Only the values whose rows lie in 1..k_table_rows are placed.
  const int from = std::max(1, 1 - first_row + 1);
  const int to = std::min(stored, k_table_rows - first_row + 1);
  for (int i = from; i <= to; ++i) {
    table.value_table.at(first_row + i - 1, column) =
        series.values[static_cast<std::size_t>(i - 1)];
  }
}

}  // namespace reformat
