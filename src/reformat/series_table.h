// The whole in-memory model of one run: the two years-by-series tables, the
// series identifiers, the year span, the dialogue values and the buffer in
// which one series at a time travels to and from trrw.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace reformat {

inline constexpr int k_table_rows = 5000;        // years
inline constexpr int k_table_columns = 1000;     // series
inline constexpr float missing_value = -999.9f;  // bit pattern C479F99A
inline constexpr int k_no_series = -999;         // count: no further series

using SeriesId = std::array<char, 8>;

// The record exchanged with trrw; values[i - 1] belongs to the year
// first_year + i - 1.
struct SeriesBuffer {
  SeriesId id{' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
  std::int32_t first_year = 0;
  std::int32_t count = 0;
  std::vector<float> values = std::vector<float>(k_table_rows, 0.0f);
  std::int32_t series_no = 0;
};

// Rows are years (row 1 is table_first_year), columns are series in file
// order. Cells of one year sit side by side, because the column file is
// written a year at a time.
class Table {
 public:
  Table();
  ~Table();
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  // row and column count from 1.
  float& at(int row, int column) {
    return cells_[static_cast<std::size_t>(row - 1) * k_table_columns +
                  static_cast<std::size_t>(column - 1)];
  }
  const float* row(int row) const {
    return cells_ + static_cast<std::size_t>(row - 1) * k_table_columns;
  }

 private:
  float* cells_;
};

struct SeriesTable {
  // Both tables are filled with missing_value as they are made: that one
  // pass over 40 MB is the whole cost of the fill.
  Table value_table;
  Table work_table;
  std::vector<SeriesId> series_ids = std::vector<SeriesId>(k_table_columns);
  std::int32_t series_count = 0;
  std::int32_t table_first_year = 2000;
  std::int32_t table_last_year = -9999;

  // The dialogue values. The output names may be longer than 20
  // characters: a suffix is never cut.
  std::string input_name = std::string(20, ' ');
  std::string column_name;
  std::string bar_name;
  std::string common_name;
  std::int32_t base_length = 0;
  std::int32_t common_only = 0;  // logical: 1 true, 0 false
  std::int32_t common_first = 0;
  std::int32_t common_last = 0;
  std::int32_t common_length = 0;
  std::int32_t plotting = 0;
  std::int32_t scale = 0;
  std::int32_t offset = 0;
  std::string mode = "mr";

  SeriesBuffer buffer;
};

// Takes the series in the buffer into the count, the identifiers and the
// span (first pass). Identifiers past the 1000th are counted, not stored.
void update_span(SeriesTable& table, const SeriesBuffer& series);

// Puts the buffer's values into column `column` of value_table (second
// pass). Nothing lands outside the table, whatever the year and count say.
void place_series(SeriesTable& table, int column, const SeriesBuffer& series);

// Row of `year` in a table that starts at table_first_year.
inline int row_of_year(const SeriesTable& table, std::int32_t year) {
  return year - table.table_first_year + 1;
}

}  // namespace reformat
