// The common short number, read inline.
//
// Most numbers in the text formats are short decimals such as "-123.456789". Every
// conversion rule reads them alike, so the importers read them with these few
// instructions, inlined into their loops, and leave anything else to the general
// conversions of Numbers.h.
#pragma once

#include <cstdint>

namespace vlm {

// Digits with at most one `point` and at most 15 digits in all, no exponent, read by
// hand: the whole value and the power of ten are both exact in a double, so one division
// rounds correctly, giving the bits the general reader would. Returns where it stopped,
// or `first` when the text needs the general reader (an exponent, more digits, or no
// digit at all).
inline const char* shortDecimal(const char* first, const char* last, char point,
                                double& out) noexcept {
  static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  constexpr int kMaxDigits = 15;
  uint64_t whole = 0;
  int digits = 0, fraction = 0;
  const char* p = first;
  for (unsigned digit; p != last && (digit = static_cast<unsigned char>(*p - '0')) <= 9; ++p) {
    whole = whole * 10 + digit;
    ++digits;
  }
  if (p != last && *p == point) {
    for (unsigned digit; ++p != last && (digit = static_cast<unsigned char>(*p - '0')) <= 9;) {
      whole = whole * 10 + digit;
      ++digits;
      ++fraction;
    }
  }
  if (digits == 0 || digits > kMaxDigits) return first;
  if (p != last && (*p == 'e' || *p == 'E')) return first;
  out = static_cast<double>(whole) / kPowersOfTen[fraction];
  return p;
}

// The common short number at `first`: an optional sign, then digits with at most one
// "." and at most 15 digits in all, no exponent. Sets `out` to what parseDecimal gives
// for those characters and returns where they end, or returns nullptr when the text
// there is not such a number (the general reading then decides).
inline const char* plainDecimal(const char* first, const char* last, double& out) noexcept {
  const bool negative = first < last && *first == '-';
  if (first < last && (*first == '-' || *first == '+')) ++first;
  double value = 0;
  const char* stop = shortDecimal(first, last, '.', value);
  if (stop == first) return nullptr;
  out = negative ? -value : value;
  return stop;
}

}  // namespace vlm
