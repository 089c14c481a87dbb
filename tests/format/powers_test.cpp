#include "format/powers.h"

#include <gtest/gtest.h>

#include <cmath>

namespace format {
namespace {

// The compiler's reading of each literal is the nearest double.
TEST(PowerOfTen, NearestDoubles) {
  struct Case {
    int n;
    double expected;
  };
  const Case cases[] = {{0, 1.0},     {1, 10.0},    {22, 1e22},
                        {23, 1e23},   {45, 1e45},   {100, 1e100},
                        {200, 1e200}, {307, 1e307}, {308, 1e308}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.n);
    EXPECT_EQ(c.expected, power_of_ten(c.n));
  }
  EXPECT_TRUE(std::isinf(power_of_ten(309)));
}

}  // namespace
}  // namespace format
