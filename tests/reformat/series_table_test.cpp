#include "reformat/series_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace reformat {
namespace {

SeriesBuffer series(const char* id, int first_year, int count, float value) {
  SeriesBuffer buffer;
  std::memcpy(buffer.id.data(), id, 8);
  buffer.first_year = first_year;
  buffer.count = count;
  for (int i = 0; i < count && i < k_table_rows; ++i) {
    buffer.values[static_cast<std::size_t>(i)] = value + static_cast<float>(i);
  }
  return buffer;
}

TEST(SeriesTable, StartsFilledWithTheMissingMarker) {
  auto table = std::make_unique<SeriesTable>();
  std::uint32_t bits = 0;
  std::memcpy(&bits, &missing_value, 4);
  EXPECT_EQ(0xC479F99Au, bits);
  for (int row : {1, 2500, 5000}) {
    for (int column : {1, 500, 1000}) {
      EXPECT_EQ(missing_value, table->value_table.at(row, column));
      EXPECT_EQ(missing_value, table->work_table.at(row, column));
    }
  }
  EXPECT_EQ(2000, table->table_first_year);
  EXPECT_EQ(-9999, table->table_last_year);
}

struct SpanCase {
  const char* name;
  std::vector<std::pair<int, int>> series;  // first year, count
  int first_year;
  int last_year;
};

TEST(SeriesTable, SpanUpdate) {
  const SpanCase cases[] = {
      {"no series", {}, 2000, -9999},
      {"all after 2000 keep 2000 as first year", {{2003, 3}}, 2000, 2005},
      {"earliest first year and latest last year",
       {{1950, 10}, {1900, 5}, {1990, 40}},
       1900,
       2029},
      {"an empty series still takes part", {{1800, 0}}, 1800, 1799},
  };
  for (const SpanCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto table = std::make_unique<SeriesTable>();
    for (auto [first_year, count] : c.series) {
      update_span(*table, series("ID      ", first_year, count, 1.0f));
    }
    EXPECT_EQ(static_cast<int>(c.series.size()), table->series_count);
    EXPECT_EQ(c.first_year, table->table_first_year);
    EXPECT_EQ(c.last_year, table->table_last_year);
  }
}

TEST(SeriesTable, IdentifiersPastTheThousandthAreCountedOnly) {
  auto table = std::make_unique<SeriesTable>();
  for (int k = 0; k < 1002; ++k) {
    update_span(*table,
                series(k < 1000 ? "KEPT    " : "LATE    ", 1990, 1, 1.0f));
  }
  EXPECT_EQ(1002, table->series_count);
  EXPECT_EQ(1000u, table->series_ids.size());
  EXPECT_EQ('K', table->series_ids[999][0]);
}

TEST(SeriesTable, PlacingPutsValuesInTheirYearsRows) {
  auto table = std::make_unique<SeriesTable>();
  table->table_first_year = 1948;
  place_series(*table, 2, series("B       ", 1950, 3, 10.0f));
  EXPECT_EQ(missing_value, table->value_table.at(2, 2));
  EXPECT_EQ(10.0f, table->value_table.at(3, 2));
  EXPECT_EQ(12.0f, table->value_table.at(5, 2));
  EXPECT_EQ(missing_value, table->value_table.at(6, 2));
  EXPECT_EQ(missing_value, table->value_table.at(3, 1));
}

TEST(SeriesTable, PlacingStopsAtTheTablesEdge) {
  auto table = std::make_unique<SeriesTable>();
  table->table_first_year = 0;
  // Starts before row 1 and runs past row 5000: only rows 1 to 5000 change.
  place_series(*table, 1000, series("X       ", -2, 5000, 1.0f));
  EXPECT_EQ(3.0f, table->value_table.at(1, 1000));
  EXPECT_EQ(5000.0f, table->value_table.at(4998, 1000));
  EXPECT_EQ(missing_value, table->value_table.at(4999, 1000));
  place_series(*table, 999, series("Y       ", 4990, 5000, 1.0f));
  EXPECT_EQ(1.0f, table->value_table.at(4991, 999));
  EXPECT_EQ(10.0f, table->value_table.at(5000, 999));
}

}  // namespace
}  // namespace reformat
