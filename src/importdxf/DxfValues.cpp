#include "importdxf/DxfValues.h"

#include <charconv>
#include <cmath>

#include "platform/Convert.h"
#include "platform/Error.h"

namespace vlm::dxf {

int32_t groupCode(std::string_view line) noexcept {
  const std::string_view text = trimBlanks(line);
  const char* end = text.data() + text.size();
  int32_t code = kNotAGroupCode;
  const auto [stop, failure] = std::from_chars(text.data(), end, code);
  if (failure != std::errc() || stop != end || text.empty()) return kNotAGroupCode;
  return code;
}

int32_t faceIndex(std::string_view value) {
  double number = 0;
  if (!parseDecimal(value, '.', number)) raise(err::kTypeMismatch);
  // Rounding half to even is symmetric, so dropping the sign first gives |round(x)|.
  return toLong(std::fabs(number)) - 1;
}

}  // namespace vlm::dxf
