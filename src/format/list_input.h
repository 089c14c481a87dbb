// The list-directed read: free-form values separated by commas, blanks or
// record ends.
#pragma once

#include <span>

#include "format/items.h"
#include "format/records.h"
#include "io/outcome.h"

namespace format {

io::Outcome read_list(RecordSource& source, int unit,
                      std::span<const Item> items, bool check_structure);

}  // namespace format
