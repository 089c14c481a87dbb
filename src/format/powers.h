// Powers of ten in double precision, each the nearest double to its exact
// value, for the real conversions of both directions.
#pragma once

namespace format {

// 10^n for 0 <= n <= 308; infinity above.
double power_of_ten(int n);

}  // namespace format
