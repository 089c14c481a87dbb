#include "format/powers.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace format {
namespace {

constexpr int k_largest = 308;

// Built once from decimal text, which the C library rounds correctly;
// repeated multiplication would drift in the last bits above 10^22.
std::array<double, k_largest + 1> make_table() {
  std::array<double, k_largest + 1> table{};
  for (int n = 0; n <= k_largest; ++n) {
    char text[8];
    std::snprintf(text, sizeof text, "1e%d", n);
    table[static_cast<std::size_t>(n)] = std::strtod(text, nullptr);
  }
  return table;
}

}  // namespace

double power_of_ten(int n) {
  static const std::array<double, k_largest + 1> table = make_table();
  if (n > k_largest) {
    return std::numeric_limits<double>::infinity();
  }
  return table[static_cast<std::size_t>(n < 0 ? 0 : n)];
}

}  // namespace format
