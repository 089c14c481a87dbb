#include "reformat/run.h"

namespace reformat {

int run(const Flavor&, std::istream&, std::ostream&, std::ostream&) {
  return 0;
}

}  // namespace reformat
