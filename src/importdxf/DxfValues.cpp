#include "importdxf/DxfValues.h"

#include <charconv>
#include <cmath>

#include "fileio/Numbers.h"
#include "platform/Convert.h"
#include "platform/Error.h"

namespace vlm::dxf {

// Plain digits, as almost every code line holds, are read here; a sign or anything else
// goes to from_chars, which decides what is a code.
int32_t groupCode(std::string_view line) noexcept {
  const char* begin = line.data();
  const char* last = begin + line.size();
  while (begin < last && *begin == ' ') ++begin;
  while (last > begin && last[-1] == ' ') --last;
  constexpr ptrdiff_t kSafeDigits = 9;  // 999999999 fits 32 bits
  if (last > begin && last - begin <= kSafeDigits) {
    int32_t code = 0;
    const char* p = begin;
    for (; p < last && static_cast<unsigned char>(*p - '0') <= 9; ++p) code = code * 10 + (*p - '0');
    if (p == last) return code;
  }
  int32_t code = kNotAGroupCode;
  const auto [stop, failure] = std::from_chars(begin, last, code);
  if (failure != std::errc() || stop != last || begin == last) return kNotAGroupCode;
  return code;
}

int32_t faceIndex(std::string_view value) {
  double number = 0;
  if (!parseDecimal(value, '.', number)) raise(err::kTypeMismatch);
  // Rounding half to even is symmetric, so dropping the sign first gives |round(x)|.
  return toLong(std::fabs(number)) - 1;
}

}  // namespace vlm::dxf
