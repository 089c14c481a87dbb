// The read and write statements that the rest of the program calls. Each
// one translates its format text, walks it against the items, and ends in
// an io::Outcome: completed, end of file (reads only) or failed.
#pragma once

#include <span>
#include <string_view>

#include "format/items.h"
#include "io/outcome.h"
#include "io/runtime.h"

namespace format {

struct Settings {
  // true: a real input field must have the structure of a number;
  // false: only its character set is checked.
  bool check_real_structure = false;
};

// Reads from a unit (io::k_console_unit for the console).
io::Outcome read_formatted(io::Runtime& runtime, int unit,
                           std::string_view format_text,
                           std::span<const Item> items,
                           const Settings& settings);
// Reads from a character string: one record of its full length; asking for a
// second record is end of file. Failures name the unit io::k_internal_unit.
io::Outcome read_formatted(std::string_view record,
                           std::string_view format_text,
                           std::span<const Item> items,
                           const Settings& settings);
io::Outcome read_list_directed(io::Runtime& runtime, int unit,
                               std::span<const Item> items,
                               const Settings& settings);

io::Outcome write_formatted(io::Runtime& runtime, int unit,
                            std::string_view format_text,
                            std::span<const Value> values);
io::Outcome write_list_directed(io::Runtime& runtime, int unit,
                                std::span<const Value> values);

}  // namespace format
