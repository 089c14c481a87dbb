// Output editing: the text of one field for a value, and the formatted write
// that builds records under a format walk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "format/items.h"
#include "format/records.h"
#include "format/translate.h"
#include "io/outcome.h"

namespace format {

// Iw.m (w 0: minimal width), appended to out.
void append_integer_field(std::int32_t value, std::int32_t w, std::int32_t m,
                          bool minimal, bool sign_plus, std::string& out);

// Fw.d of a single-precision value under scale factor k (minimal: F0.d),
// appended to out. False when a minimal-width field would be longer than any
// record may be (a huge scale factor); out is then unchanged.
bool append_fixed_field(float value, std::int32_t w, std::int32_t d,
                        std::int32_t k, bool minimal, bool sign_plus,
                        std::string& out);

// A formatted write; every record goes to sink. Failures name the unit.
io::Outcome write_with_format(RecordSink& sink, int unit,
                              const FormatList& list,
                              std::span<const Value> values);

// A list-directed write: a leading blank, then the values.
io::Outcome write_list(RecordSink& sink, int unit,
                       std::span<const Value> values);

}  // namespace format
