#include "reformat/flavor.h"

#include <array>

namespace reformat {
namespace {

constexpr std::array<std::string_view, 2> k_introduction = {
    "(/13x,'this program reformats raw measurement files')",
    "(13x,'into a column format suitable for reading into')",
};
constexpr std::array<std::string_view, 2> k_mac_introduction = {
    "(/13x,'This program  only reformats raw measurement files')",
    "(13x,'into a column format file suitable for reading into')",
};
constexpr std::array<std::string_view, 3> k_scale_prompt = {
    "(/13x,' enter scaling factor. A value that is added to all the "
    "measurements of ')",
    "(13x,' all but the first series, and incremented by itself for each "
    "succeeding series ')",
    "(13x,'  usually 1.  Nice for displaying  data in a stacked plot = ',$)",
};
constexpr std::array<std::string_view, 5> k_mac_scale_prompt = {
    "(/13x,' Enter scaling factor. A value that is added')",
    "(13x,'to the second series then incremented by itself')",
    "(13x,'before being added to the third etc, etc, ...')",
    "(13x,'usually (1). Nice for displaying data in a stacked')",
    "(13x,'line plot = ',$)",
};

}  // namespace

Flavor colreformat_flavor() {
  Flavor flavor{"colreformat", "_col", k_introduction, k_scale_prompt, {}, {}};
  flavor.io.line_end = io::LineEnd::crlf;
  flavor.io.system_texts = io::SystemTexts::fixed_table;
  flavor.format.check_real_structure = false;
  return flavor;
}

Flavor mac_flavor() {
  Flavor flavor{"colreformat-mac",  "_tab", k_mac_introduction,
                k_mac_scale_prompt, {},     {}};
  flavor.io.line_end = io::LineEnd::lf;
  flavor.io.drop_cr_on_write = true;
  flavor.io.system_texts = io::SystemTexts::strerror;
  flavor.io.wait_after_failure = true;
  flavor.io.permissions_from_umask = true;
  flavor.format.check_real_structure = true;
  return flavor;
}

}  // namespace reformat
