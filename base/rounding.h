#pragma once
#include <cstdint>

namespace vt {

// Rounds to the nearest integer, a tie to the even neighbour, as the classic BASIC runtime's integer
// conversion does; the skin engine's geometry depends on that rule.
int32_t RoundHalfEven(double value);

}  // namespace vt
