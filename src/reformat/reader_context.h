// What the series readers need besides their own arguments: the unit table
// and the flavour's field-editing settings, plus scratch storage that is
// reused from call to call so that reading a series allocates nothing.
#pragma once

#include <string>
#include <vector>

#include "format/items.h"
#include "format/statements.h"
#include "io/outcome.h"
#include "io/runtime.h"

namespace reformat {

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

}  // namespace reformat
