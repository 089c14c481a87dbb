#include "reformat/dialogue.h"

#include <algorithm>

#include "format/statements.h"
#include "reformat/reader_context.h"

namespace reformat {
namespace {

constexpr std::string_view k_true_or_false = "(13x,' (t)rue or (f)alse = ',$)";

void read_logical(io::Runtime& runtime, const Flavor& flavor,
                  std::int32_t& value) {
  const format::Item items[] = {format::logical_item(value)};
  require(runtime, format::read_list_directed(runtime, io::k_console_unit,
                                              items, flavor.format));
}

void read_integer(io::Runtime& runtime, const Flavor& flavor,
                  std::int32_t& value) {
  const format::Item items[] = {format::integer_item(value)};
  require(runtime, format::read_formatted(runtime, io::k_console_unit, "(i4)",
                                          items, flavor.format));
}

void ask_input_name(io::Runtime& runtime, const Flavor& flavor,
                    SeriesTable& table) {
  write_line(runtime, io::k_console_unit, "(/13x,' enter input file ==  ',$)");
  table.input_name.assign(20, ' ');
  const format::Item items[] = {format::character_item(table.input_name)};
  require(runtime, format::read_formatted(runtime, io::k_console_unit, "5(a20)",
                                          items, flavor.format));
}

// question, then the true/false prompt; the answer is read as a logical.
bool ask_true_or_false(io::Runtime& runtime, const Flavor& flavor,
                       std::string_view question, std::int32_t& answer) {
  write_line(runtime, io::k_console_unit, question);
  write_line(runtime, io::k_console_unit, k_true_or_false);
  read_logical(runtime, flavor, answer);
  return answer != 0;
}

void ask_common_period(io::Runtime& runtime, const Flavor& flavor,
                       SeriesTable& table) {
  if (!ask_true_or_false(runtime, flavor,
                         "(/13x,'reformat only a common period?')",
                         table.common_only)) {
    return;
  }
  write_line(runtime, io::k_console_unit, "(/13x,' enter first year =',$)");
  read_integer(runtime, flavor, table.common_first);
  write_line(runtime, io::k_console_unit, "(13x,' enter last year =',$)");
  read_integer(runtime, flavor, table.common_last);
  table.common_length = table.common_last - table.common_first + 1;
  // Rows 1 to common_length of work_table hold the extract.
  if (table.common_length > k_longest_common_period) {
    write_limit_message(runtime,
                        "(/1x,'The common period exceeds ',i4,' years')",
                        k_longest_common_period);
    runtime.stop_run(" ", 1);
  }
}

void ask_plotting(io::Runtime& runtime, const Flavor& flavor,
                  SeriesTable& table) {
  if (!ask_true_or_false(runtime, flavor,
                         "(/13x,' prepare data for plotting?')",
                         table.plotting)) {
    return;
  }
  for (std::string_view line : flavor.scale_prompt) {
    write_line(runtime, io::k_console_unit, line);
  }
  read_integer(runtime, flavor, table.scale);
}

void form_names(const Flavor& flavor, SeriesTable& table) {
  const std::string_view name = table.input_name;
  const std::size_t dot = name.find('.');
  table.base_length = static_cast<std::int32_t>(
      dot == std::string_view::npos ? name.size() : dot);
  table.column_name = output_name(name, flavor.first_suffix);
  if (table.plotting != 0) {
    table.bar_name = output_name(name, "_bar");
  }
  if (table.common_only != 0) {
    table.common_name = output_name(name, "_com");
  }
}

}  // namespace

void write_line(io::Runtime& runtime, int unit, std::string_view format_text) {
  require(runtime, format::write_formatted(runtime, unit, format_text, {}));
}

void write_limit_message(io::Runtime& runtime, std::string_view format_text,
                         std::int32_t limit) {
  const format::Value values[] = {format::integer_value(limit)};
  require(runtime, format::write_formatted(runtime, io::k_console_unit,
                                           format_text, values));
  write_line(runtime, io::k_console_unit, "(1x,'Program terminating')");
}

std::string output_name(std::string_view input_name, std::string_view suffix) {
  const std::size_t last = input_name.find_last_not_of(' ');
  if (last == std::string_view::npos) {
    return std::string(input_name.size(), ' ');
  }
  const std::size_t dot = input_name.find('.');
  const std::string_view base = dot == std::string_view::npos
                                    ? input_name.substr(0, last + 1)
                                    : input_name.substr(0, dot);
  std::string name(base);
  name += suffix;
  return name;
}

void run_dialogue(io::Runtime& runtime, const Flavor& flavor,
                  SeriesTable& table) {
  for (std::string_view line : flavor.introduction) {
    write_line(runtime, io::k_console_unit, line);
  }
  write_line(runtime, io::k_console_unit,
             "(13x,'spreadsheet software e.g., EXCEL.')");
  ask_input_name(runtime, flavor, table);
  ask_common_period(runtime, flavor, table);
  ask_plotting(runtime, flavor, table);
  form_names(flavor, table);
}

void write_closing_report(io::Runtime& runtime, const SeriesTable& table) {
  const format::Value blank[] = {format::text_value(" ")};
  require(runtime,
          format::write_list_directed(runtime, io::k_console_unit, blank));
  constexpr std::string_view k_rule =
      "(13x,' ___________________________________')";
  write_line(runtime, io::k_console_unit, k_rule);
  write_line(runtime, io::k_console_unit,
             "(13x,' normal termination of program')");
  // Padded to 20 characters like the name field, or whole when longer.
  std::string shown = table.column_name;
  if (shown.size() < 20) {
    shown.resize(20, ' ');
  }
  const format::Value name[] = {format::text_value(shown)};
  require(runtime,
          format::write_formatted(runtime, io::k_console_unit,
                                  "(13x,' output written to file  ',a)", name));
  write_line(runtime, io::k_console_unit, k_rule);
}

}  // namespace reformat
