#include "base/rounding.h"

#include <cmath>

namespace vt {

int32_t RoundHalfEven(double value) {
    double floor_value = std::floor(value);
    double diff = value - floor_value;
    double result = floor_value;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(floor_value, 2.0) != 0.0)) result = floor_value + 1.0;
    return static_cast<int32_t>(result);
}

}  // namespace vt
