// The format interpreter's hot paths: translating the column-row format,
// writing one row of a year and 1000 F7.4 values, and reading one decadal
// line. Each reports the median and the minimum over several repetitions.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "format/output.h"
#include "format/records.h"
#include "format/statements.h"
#include "format/translate.h"
#include "io/runtime.h"

namespace {

constexpr const char* k_row_format = "50(1x,i4,1000(2x,f7.4))";

class Discard : public format::RecordSink {
 public:
  io::Outcome write_record(std::string_view record, bool) override {
    bytes_ += record.size();
    return io::Outcome::completed();
  }
  std::size_t bytes() const { return bytes_; }

 private:
  std::size_t bytes_ = 0;
};

std::vector<format::Value> column_row() {
  std::vector<format::Value> values = {format::integer_value(1950)};
  std::uint32_t state = 12345;
  for (int i = 0; i < 1000; ++i) {
    state = state * 1103515245u + 12345u;
    // Values of the kind the program writes: 0 to 9.9999, some missing.
    float value = static_cast<float>(state >> 8 & 0xfffff) / 100000.0f;
    values.push_back(format::real_value(i % 50 == 0 ? -999.9f : value));
  }
  return values;
}

double minimum(const std::vector<double>& v) {
  return *std::min_element(v.begin(), v.end());
}

void translate_row_format(benchmark::State& state) {
  format::FormatList list;
  for (auto _ : state) {
    benchmark::DoNotOptimize(format::translate_format(k_row_format, list));
    benchmark::ClobberMemory();
  }
}

// The formatting alone: a translated list, records handed to a sink.
void write_row_to_sink(benchmark::State& state) {
  format::FormatList list;
  (void)format::translate_format(k_row_format, list);
  std::vector<format::Value> values = column_row();
  Discard sink;
  for (auto _ : state) {
    io::Outcome outcome = format::write_with_format(sink, 19, list, values);
    benchmark::DoNotOptimize(outcome);
  }
  state.counters["values/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * 1000.0,
                         benchmark::Counter::kIsRate);
}

// The whole statement as the program runs it: the kept translation and the
// record written to a file unit.
void write_row_statement(benchmark::State& state) {
  std::string path =
      (std::filesystem::temp_directory_path() / "format_bench_row").string();
  std::istringstream in;
  std::ostringstream out;
  std::ostringstream err;
  io::Runtime runtime(io::Settings{}, in, out, err);
  if (!runtime.open_unit(19, path)) {
    state.SkipWithError("cannot open the output file");
    return;
  }
  std::vector<format::Value> values = column_row();
  for (auto _ : state) {
    io::Outcome outcome =
        format::write_formatted(runtime, 19, k_row_format, values);
    benchmark::DoNotOptimize(outcome);
  }
  (void)runtime.close_unit(19);
  std::filesystem::remove(path);
}

void read_decade_line(benchmark::State& state) {
  const std::string line =
      "S0000012195012345 54321   123  9999 10000    42"
      "     7  1234 99998     0";
  std::string id(8, ' ');
  std::int32_t year = 0;
  std::int32_t values[10] = {};
  std::vector<format::Item> items = {
      format::character_item({id.data(), id.size()}),
      format::integer_item(year)};
  for (std::int32_t& v : values) {
    items.push_back(format::integer_item(v));
  }
  for (auto _ : state) {
    io::Outcome outcome = format::read_formatted(line, "(a,t9,i4,10i6)", items,
                                                 format::Settings{});
    benchmark::DoNotOptimize(outcome);
    benchmark::DoNotOptimize(values);
  }
}

void f74_field(benchmark::State& state) {
  std::vector<format::Value> values = column_row();
  std::string out;
  std::size_t i = 0;
  for (auto _ : state) {
    out.clear();
    format::append_fixed_field(values[1 + i % 1000].real, 7, 4, 0, false, false,
                               out);
    benchmark::DoNotOptimize(out.data());
    ++i;
  }
}

}  // namespace

#define REFORMAT_BENCHMARK(function)      \
  BENCHMARK(function)                     \
      ->Repetitions(7)                    \
      ->ReportAggregatesOnly(true)        \
      ->ComputeStatistics("min", minimum) \
      ->Unit(benchmark::kMicrosecond)

REFORMAT_BENCHMARK(translate_row_format);
REFORMAT_BENCHMARK(write_row_to_sink);
REFORMAT_BENCHMARK(write_row_statement);
REFORMAT_BENCHMARK(read_decade_line);
BENCHMARK(f74_field)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true)
    ->ComputeStatistics("min", minimum)
    ->Unit(benchmark::kNanosecond);

BENCHMARK_MAIN();
