// The console dialogue: the introduction, the questions and their answers,
// the output names and the closing report.
#pragma once

#include <string>
#include <string_view>

#include "io/runtime.h"
#include "reformat/flavor.h"
#include "reformat/series_table.h"

namespace reformat {

inline constexpr int k_longest_common_period = k_table_rows;

// Asks every question and forms the output names. A common period longer
// than the table ends the run here, with status 1.
void run_dialogue(io::Runtime& runtime, const Flavor& flavor,
                  SeriesTable& table);

// The name of an output file: the input name up to its first "." (or the
// whole name less trailing blanks when it has none) and the whole suffix.
// A blank input name gives a blank output name.
std::string output_name(std::string_view input_name, std::string_view suffix);

void write_closing_report(io::Runtime& runtime, const SeriesTable& table);

// Writes a record from a format with no items; failures end the run.
void write_line(io::Runtime& runtime, int unit, std::string_view format_text);
// A limit that the file or the answers pass: the message with the limit,
// then "Program terminating", on the console.
void write_limit_message(io::Runtime& runtime, std::string_view format_text,
                         std::int32_t limit);

}  // namespace reformat
