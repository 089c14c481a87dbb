// The few ways in which the two programs' file and console layers differ,
// plus the two environment settings, read once at the start of a run.
#pragma once

#include <optional>

namespace io {

enum class LineEnd { crlf, lf };

// Which texts a failure report shows for an operating-system error.
enum class SystemTexts {
  fixed_table,  // the short fixed sentences, strerror for anything else
  strerror,     // the operating system's own text
};

struct Settings {
  LineEnd line_end = LineEnd::crlf;
  bool drop_cr_on_write = false;  // a CR inside a written record is left out
  SystemTexts system_texts = SystemTexts::fixed_table;
  bool wait_after_failure = false;  // ask for RETURN after a failure report
  // Created files get 0664 less the creation mask, or exactly umask_bits.
  // Otherwise they are created as the system does by default (0666 less mask).
  bool permissions_from_umask = false;
  int tab_size = 8;  // 0 keeps a TAB as an ordinary character
  std::optional<unsigned> umask_bits;
};

// Fills tab_size from TABSIZE (all decimal digits, fits 32 bits) and
// umask_bits from UMASK (all octal digits, at most 07777); anything else in
// them is ignored.
Settings with_environment(Settings settings);

}  // namespace io
