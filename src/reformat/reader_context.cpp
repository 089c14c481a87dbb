#include "reformat/reader_context.h"

#include <algorithm>

namespace reformat {

bool read_line(ReaderContext& context, int unit, LineBuffer& line) {
  const io::Outcome outcome = context.runtime.read_record(unit, context.record);
  if (outcome.is_end_of_file()) {
    return false;
  }
  require(context.runtime, outcome);
  const std::size_t length = std::min(context.record.size(), line.size());
  std::copy_n(context.record.begin(), length, line.begin());
  std::fill(line.begin() + static_cast<std::ptrdiff_t>(length), line.end(),
            ' ');
  return true;
}

}  // namespace reformat
