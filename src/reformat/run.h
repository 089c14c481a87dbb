// One whole run of the program: the dialogue, the two passes over the input
// file and the output files. Returns the exit status.
#pragma once

#include <iosfwd>

#include "reformat/flavor.h"

namespace reformat {

int run(const Flavor& flavor, std::istream& in, std::ostream& out,
        std::ostream& err);

}  // namespace reformat
