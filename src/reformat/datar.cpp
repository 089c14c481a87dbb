#include "reformat/datar.h"

#include <algorithm>
#include <string_view>

namespace reformat {
namespace {

constexpr std::string_view k_header_format = "(2(2x,i8),t23,a)";
constexpr std::string_view k_no_title_prefix = "n  ";

struct Header {
  std::int32_t count = 0;
  std::int32_t first_year = 0;
  std::array<char, 8> data_format{};
};

// header := 2x count:i8 2x first_year:i8 (col 23) data_format:a8
// A header's data format holds both "(" and ")".
bool read_header(const ReaderContext& context, const LineBuffer& line,
                 Header& header) {
  const format::Item items[] = {format::integer_item(header.count),
                                format::integer_item(header.first_year),
                                format::character_item(header.data_format)};
  const io::Outcome outcome =
      format::read_formatted(std::string_view(line.data(), line.size()),
                             k_header_format, items, context.format);
  if (!outcome) {
    return false;
  }
  const std::string_view text(header.data_format.data(),
                              header.data_format.size());
  return text.find('(') != std::string_view::npos &&
         text.find(')') != std::string_view::npos;
}

// One item per value asked for: the first ones are the caller's array, the
// rest all land in one dropped value.
std::span<const format::Item> value_items(ReaderContext& context,
                                          std::span<float> values,
                                          std::int32_t count) {
  const std::size_t wanted = static_cast<std::size_t>(
      std::clamp(count, std::int32_t{0}, k_most_compact_values));
  std::vector<format::Item>& items = context.value_items;
  if (items.size() < wanted) {
    items.resize(wanted, format::real_item(context.dropped_value));
  }
  const std::size_t stored = std::min(wanted, values.size());
  for (std::size_t i = 0; i < stored; ++i) {
    items[i] = format::real_item(values[i]);
  }
  // A shorter array in an earlier call may have left items that point
  // into it; past `stored` every item drops its value.
  for (std::size_t i = stored;
       i < wanted && items[i].address != &context.dropped_value; ++i) {
    items[i] = format::real_item(context.dropped_value);
  }
  return std::span<const format::Item>(items.data(), wanted);
}

void write_message(ReaderContext& context, std::string_view format_text) {
  require(context.runtime,
          format::write_formatted(context.runtime, io::k_console_unit,
                                  format_text, {}));
}

}  // namespace

void datar(ReaderContext& context, LineBuffer& title, std::int32_t& count,
           std::span<float> values, std::int32_t& first_year,
           const std::int32_t& data_unit) {
  LineBuffer line;
  Header header;
  for (;;) {
    if (!read_line(context, data_unit, line)) {
      count = k_no_series;
      return;
    }
    if (std::string_view(line.data(), 3) != k_no_title_prefix) {
      title = line;
    }
    if (read_header(context, line, header)) {
      break;
    }
  }
  count = header.count;
  first_year = header.first_year;
  const std::string_view data_format(header.data_format.data(),
                                     header.data_format.size());
  const io::Outcome outcome = format::read_formatted(
      context.runtime, data_unit, data_format,
      value_items(context, values, count), context.format);
  if (outcome.is_system_failure()) {
    context.runtime.report_failure(outcome);
  }
  if (outcome.is_end_of_file()) {
    write_message(context, "('>> sbr datar:  unexpected end reading data')");
  } else if (outcome.is_failure()) {
    write_message(context, "('>> sbr datar:  error reading data')");
  }
}

}  // namespace reformat
