// What the series readers need besides their own arguments: the unit table
// and the flavour's field-editing settings, plus scratch storage that is
// reused from call to call so that reading a series allocates nothing.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "format/items.h"
#include "format/statements.h"
#include "io/outcome.h"
#include "io/runtime.h"

namespace reformat {

// A line of a data file as the readers see it: 80 characters.
using LineBuffer = std::array<char, 80>;

struct ReaderContext {
  ReaderContext(io::Runtime& runtime_in, const format::Settings& format_in)
      : runtime(runtime_in), format(format_in) {}

  io::Runtime& runtime;
  const format::Settings& format;
  std::string record;                     // the record last read
  std::vector<format::Item> value_items;  // datar's items, grown on demand
  float dropped_value = 0.0f;  // where values past the array's end go
};

// Do a statement whose outcome the caller does not handle: anything but
// completion ends the run with the failure report.
inline void require(io::Runtime& runtime, const io::Outcome& outcome) {
  if (!outcome) {
    runtime.report_failure(outcome);
  }
}

// Reads the next record of `unit` into `line`, padded with blanks or cut
// after 80 characters. Returns false at the end of the file. A read that
// fails for another reason is no end of the data: it ends the run with the
// failure report, so that a cut-short file never passes for a whole one.
bool read_line(ReaderContext& context, int unit, LineBuffer& line);

}  // namespace reformat
