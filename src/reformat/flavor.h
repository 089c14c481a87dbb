// Everything in which colreformat and colreformat-mac differ, in one value
// that the run hands down; the lower layers get their own settings from it.
#pragma once

#include <span>
#include <string_view>

#include "format/statements.h"
#include "io/settings.h"

namespace reformat {

struct Flavor {
  std::string_view program_name;  // "colreformat" or "colreformat-mac"
  std::string_view first_suffix;  // "_col" or "_tab"
  // The format strings of the introduction's first two lines and of the
  // scaling-factor prompt, which word things differently.
  std::span<const std::string_view> introduction;
  std::span<const std::string_view> scale_prompt;
  io::Settings io;  // line end, failure texts, closing wait, permissions
  format::Settings format;  // the real-field check
};

Flavor colreformat_flavor();
Flavor mac_flavor();

}  // namespace reformat
