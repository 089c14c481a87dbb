#include "reformat/trrw.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace reformat {
namespace {

constexpr std::string_view k_measurement_read = "(a,t9,i4,10i6)";
constexpr std::string_view k_measurement_write = "(a8,i4,10i6)";
constexpr std::int32_t k_end_hundredths = 999;
constexpr std::int32_t k_end_thousandths = -9999;

// The fields of one line of the measurement layout.
struct MeasurementLine {
  SeriesId id{};
  std::int32_t year = 0;
  std::array<std::int32_t, 10> fields{};
};

// field := blanks [sign] blanks digits-and-blanks, or blanks only (zero)
// Integer input ignores every blank and tab; an empty field or a lone sign
// is zero. Returns false for anything else, which the internal read then
// judges.
bool read_plain_integer(const char* field, int width, std::int32_t& value) {
  bool has_sign = false;
  bool is_negative = false;
  bool has_digits = false;
  std::int32_t magnitude = 0;
  for (int i = 0; i < width; ++i) {
    const char c = field[i];
    if (c == ' ' || c == '\t') {
      continue;
    }
    if ((c == '+' || c == '-') && !has_sign && !has_digits) {
      has_sign = true;
      is_negative = c == '-';
      continue;
    }
    if (c < '0' || c > '9') {
      return false;
    }
    // At most six digits: no overflow.
    magnitude = magnitude * 10 + (c - '0');
    has_digits = true;
  }
  value = is_negative ? -magnitude : magnitude;
  return true;
}

// The usual data line, read by hand: the same result as the internal read
// whenever every integer field is plain.
bool read_plain_line(const LineBuffer& line, MeasurementLine& out) {
  if (!read_plain_integer(line.data() + 8, 4, out.year)) {
    return false;
  }
  for (std::size_t j = 0; j < out.fields.size(); ++j) {
    if (!read_plain_integer(line.data() + 12 + 6 * j, 6, out.fields[j])) {
      return false;
    }
  }
  std::copy_n(line.begin(), out.id.size(), out.id.begin());
  return true;
}

// line := id:a8 (col 9) year:i4 10 x value:i6
// A line that does not read so is a text line.
bool read_measurement_line(const ReaderContext& context, const LineBuffer& line,
                           MeasurementLine& out) {
  if (read_plain_line(line, out)) {
    return true;
  }
  std::array<format::Item, 12> items{};
  items[0] = format::character_item(out.id);
  items[1] = format::integer_item(out.year);
  for (std::size_t j = 0; j < out.fields.size(); ++j) {
    items[j + 2] = format::integer_item(out.fields[j]);
  }
  return static_cast<bool>(
      format::read_formatted(std::string_view(line.data(), line.size()),
                             k_measurement_read, items, context.format));
}

bool is_blank(const LineBuffer& line) {
  return std::all_of(line.begin(), line.end(), [](char c) { return c == ' '; });
}

void write_echo(ReaderContext& context, int unit, std::string_view format_text,
                const LineBuffer& line) {
  const format::Value values[] = {
      format::text_value(std::string_view(line.data(), line.size()))};
  require(context.runtime,
          format::write_formatted(context.runtime, unit, format_text, values));
}

// Nearest integer, halves away from zero; values beyond 32 bits (and NaN)
// come out as the extreme integers, which no six-column field can show.
std::int32_t nearest_integer(float value) {
  constexpr float k_limit = 2147483648.0f;
  if (std::isnan(value)) {
    return std::numeric_limits<std::int32_t>::min();
  }
  if (value >= k_limit) {
    return std::numeric_limits<std::int32_t>::max();
  }
  if (value < -k_limit) {
    return std::numeric_limits<std::int32_t>::min();
  }
  return static_cast<std::int32_t>(std::lround(value));
}

// What a data line did to the series: more values may follow, or an end
// marker closed it.
enum class LineEnd { more, closed };

LineEnd take_values(const MeasurementLine& line, int value_fields,
                    std::int32_t& count, std::span<float> values) {
  for (int j = 0; j < value_fields; ++j) {
    const std::int32_t v = line.fields[static_cast<std::size_t>(j)];
    if (v == k_end_thousandths) {
      const std::size_t stored =
          std::min(static_cast<std::size_t>(count), values.size());
      for (std::size_t i = 0; i < stored; ++i) {
        values[i] = values[i] * 0.1f;
      }
      return LineEnd::closed;
    }
    if (v == k_end_hundredths) {
      return LineEnd::closed;
    }
    ++count;
    // count goes on past the array, so that the span check sees the whole
    // series; the values themselves are not stored there.
    if (static_cast<std::size_t>(count) <= values.size()) {
      values[static_cast<std::size_t>(count - 1)] =
          static_cast<float>(v) * 0.01f;
    }
  }
  return LineEnd::more;
}

void read_series(ReaderContext& context, SeriesId& id, std::int32_t& first_year,
                 std::int32_t& count, std::span<float> values,
                 std::int32_t& series_no, std::int32_t data_unit,
                 std::int32_t echo_unit) {
  count = 0;
  int data_lines = 0;
  int text_lines = 0;
  series_no = std::max(series_no, std::int32_t{0}) + 1;
  LineBuffer line;
  MeasurementLine fields;
  for (;;) {
    if (!read_line(context, data_unit, line)) {
      count = k_no_series;
      series_no = k_no_series;
      return;
    }
    // A blank line carries nothing: it neither starts a series nor adds
    // values to one.
    if (is_blank(line)) {
      continue;
    }
    if (count == 0 && line[79] == '#') {
      require(context.runtime, context.runtime.backspace_unit(data_unit));
      datar(context, line, count, values, first_year, data_unit);
      std::copy_n(line.begin(), id.size(), id.begin());
      if (echo_unit > 0) {
        write_echo(context, echo_unit, "(/t10,'title of data:  ',a/)", line);
      }
      return;
    }
    if (!read_measurement_line(context, line, fields)) {
      ++text_lines;
      if (text_lines > k_most_text_lines) {
        context.runtime.stop_run("sbr trrw:  over 25 text lines", 1);
      }
      if (echo_unit > 0) {
        write_echo(context, echo_unit, "(/t10,'title of data: ',a/)", line);
      }
      write_echo(context, io::k_console_unit, "(/'title of data:'/a)", line);
      continue;
    }
    ++data_lines;
    int value_fields = 10;
    if (data_lines == 1) {
      id = fields.id;
      first_year = fields.year;
      value_fields = 11 - decade_slot(fields.year);
    }
    if (take_values(fields, value_fields, count, values) == LineEnd::closed) {
      return;
    }
  }
}

void write_series(ReaderContext& context, const SeriesId& id,
                  std::int32_t first_year, std::int32_t count,
                  std::span<const float> values, std::int32_t data_unit) {
  const std::int32_t written =
      std::min(count, static_cast<std::int32_t>(values.size()));
  if (written < 1) {
    return;
  }
  std::array<format::Value, 12> line{};
  line[0] = format::text_value(std::string_view(id.data(), id.size()));
  std::int32_t line_year = first_year;
  int value_fields = 11 - decade_slot(first_year);
  std::int32_t k = 0;
  for (bool is_end = false; !is_end;) {
    int used = 0;
    for (int j = 1; j <= value_fields; ++j) {
      ++k;
      std::int32_t field = 0;
      if (k > written) {
        field = k_end_thousandths;
        is_end = true;
      } else {
        field =
            nearest_integer(values[static_cast<std::size_t>(k - 1)] * 1000.0f);
      }
      line[static_cast<std::size_t>(j + 1)] = format::integer_value(field);
      used = j;
      if (is_end) {
        break;
      }
    }
    line[1] = format::integer_value(line_year);
    require(context.runtime,
            format::write_formatted(
                context.runtime, data_unit, k_measurement_write,
                std::span<const format::Value>(
                    line.data(), static_cast<std::size_t>(used + 2))));
    line_year += used;
    value_fields = 10;
  }
}

}  // namespace

void trrw(ReaderContext& context, SeriesId& id, std::int32_t& first_year,
          std::int32_t& count, std::span<float> values, std::int32_t& series_no,
          const std::int32_t& data_unit, const std::int32_t& echo_unit,
          std::string_view mode) {
  if (mode == "mr") {
    read_series(context, id, first_year, count, values, series_no, data_unit,
                echo_unit);
  } else if (mode == "mw") {
    write_series(context, id, first_year, count, values, data_unit);
  }
}

}  // namespace reformat
