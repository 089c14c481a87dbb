#include "io/settings.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace io {
namespace {

// digits := digit {digit}, in the given base; nullopt when the text is
// anything else or its value passes limit.
std::optional<std::uint64_t> parse_digits(const char* text, unsigned base,
                                          std::uint64_t limit) {
  if (text == nullptr || *text == '\0') {
    return std::nullopt;
  }
  std::uint64_t value = 0;
  for (std::string_view digits(text); char c : digits) {
    const unsigned digit = static_cast<unsigned>(c - '0');
    if (c < '0' || digit >= base) {
      return std::nullopt;
    }
    value = value * base + digit;
    if (value > limit) {
      return std::nullopt;
    }
  }
  return value;
}

}  // namespace

Settings with_environment(Settings settings) {
  if (auto tab = parse_digits(std::getenv("TABSIZE"), 10, INT32_MAX)) {
    settings.tab_size = static_cast<int>(*tab);
  }
  if (auto bits = parse_digits(std::getenv("UMASK"), 8, 07777)) {
    settings.umask_bits = static_cast<unsigned>(*bits);
  }
  return settings;
}

}  // namespace io
