// A measurement file in a fresh folder, read or written through trrw with
// the console and the echo file in memory or on disk.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "reformat/flavor.h"
#include "reformat/trrw.h"

namespace reformat {

namespace fs = std::filesystem;

inline std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void put(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

// The lines, each ended by LF.
inline std::string lines(std::initializer_list<std::string> all) {
  std::string text;
  for (const std::string& line : all) {
    text += line;
    text += '\n';
  }
  return text;
}

// 80 columns with "#" in the last one.
inline std::string with_hash(std::string line) {
  line.resize(79, ' ');
  return line + "#";
}

// One line of the measurement layout: identifier in 8 columns, year in 4,
// then 6 columns per field; no line end.
inline std::string data_line(const std::string& id, int year,
                             std::initializer_list<int> fields) {
  char text[16];
  std::string line = id;
  line.resize(8, ' ');
  std::snprintf(text, sizeof text, "%4d", year);
  line += text;
  for (int field : fields) {
    std::snprintf(text, sizeof text, "%6d", field);
    line += text;
  }
  return line;
}

// What one call of trrw "mr" gave back.
struct Series {
  std::string id;
  int first_year = 0;
  int count = 0;
  std::vector<float> values;
  int series_no = 0;
};

class ReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("reader_test_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Reads series through trrw until it reports that none follows (at most
  // `most_calls` calls). The last entry is the -999 call. Sets status_ when
  // the run ended on the way.
  std::vector<Series> read_all(std::string_view bytes, int most_calls = 20,
                               const Flavor& flavor = colreformat_flavor()) {
    put(dir_ / "in.dat", bytes);
    std::istringstream console_in;
    io::Runtime runtime(flavor.io, console_in, console_, errors_);
    ReaderContext context(runtime, flavor.format);
    std::vector<Series> all;
    try {
      require(runtime,
              runtime.open_unit(19, (dir_ / "in.dat").string(), "OLD", "READ"));
      require(runtime, runtime.open_unit(18, (dir_ / "echo").string()));
      SeriesBuffer buffer;
      for (int call = 0; call < most_calls; ++call) {
        trrw(context, buffer.id, buffer.first_year, buffer.count, buffer.values,
             buffer.series_no, 19, 18, "mr");
        Series series;
        series.id.assign(buffer.id.begin(), buffer.id.end());
        series.first_year = buffer.first_year;
        series.count = buffer.count;
        series.series_no = buffer.series_no;
        const int stored = std::min(buffer.count, k_table_rows);
        if (stored > 0) {
          series.values.assign(buffer.values.begin(),
                               buffer.values.begin() + stored);
        }
        all.push_back(series);
        if (buffer.count == k_no_series) {
          break;
        }
      }
      require(runtime, runtime.close_all_units());
    } catch (const io::RunEnd& end) {
      status_ = end.status;
    }
    echo_ = slurp(dir_ / "echo");
    return all;
  }

  fs::path dir_;
  std::ostringstream console_;
  std::ostringstream errors_;
  std::string echo_;
  int status_ = 0;
};

}  // namespace reformat
