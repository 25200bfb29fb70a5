#include "platform/Convert.h"

#include <cmath>
#include <limits>

#include "platform/Error.h"

namespace vlm {

double roundHalfEven(double value) noexcept { return std::nearbyint(value); }

int32_t toLong(double value) {
  const double r = roundHalfEven(value);
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) raise(err::kOverflow);
  return static_cast<int32_t>(r);
}

int16_t toInteger(double value) {
  const double r = roundHalfEven(value);
  if (!(r >= -32768.0 && r <= 32767.0)) raise(err::kOverflow);
  return static_cast<int16_t>(r);
}

float toSingle(double value) {
  if (std::isnan(value)) return std::numeric_limits<float>::quiet_NaN();
  if (std::fabs(value) > std::numeric_limits<float>::max()) raise(err::kOverflow);
  return static_cast<float>(value);
}

}  // namespace vlm
