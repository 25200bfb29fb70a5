// The common short number, read inline.
//
// Most numbers in the text formats are short decimals such as "-123.456789". Every
// conversion rule reads them alike, so the importers read them with these few
// instructions, inlined into their loops, and leave anything else to the general
// conversions of Convert.h.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vlm {

// Digits with at most one `point` and at most 15 digits in all, no exponent, read by
// hand: the whole value and the power of ten are both exact in a double, so one division
// rounds correctly, giving the bits the general reader would. Returns where it stopped,
// or `first` when the text needs the general reader (an exponent, more digits, or no
// digit at all).
// `sawPoint` tells whether the digits held the point.
inline const char* shortDecimal(const char* first, const char* last, char point, double& out,
                                bool& sawPoint) noexcept {
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
  sawPoint = p != last && *p == point;
  if (sawPoint) {
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

inline const char* shortDecimal(const char* first, const char* last, char point,
                                double& out) noexcept {
  bool sawPoint = false;
  return shortDecimal(first, last, point, out, sawPoint);
}

// The common short number at `first`: an optional sign, then digits with at most one
// "." and at most 15 digits in all, no exponent. Sets `out` to what parseDecimal gives
// for those characters and returns where they end, or returns nullptr when the text
// there is not such a number (the general reading then decides).
// `digits` is set to the count of digits and point, without the sign.
inline const char* plainDecimal(const char* first, const char* last, double& out,
                                bool& sawPoint, ptrdiff_t& digits) noexcept {
  const bool negative = first < last && *first == '-';
  if (first < last && (*first == '-' || *first == '+')) ++first;
  double value = 0;
  const char* stop = shortDecimal(first, last, '.', value, sawPoint);
  if (stop == first) return nullptr;
  out = negative ? -value : value;
  digits = stop - first;
  return stop;
}

inline const char* plainDecimal(const char* first, const char* last, double& out) noexcept {
  bool sawPoint = false;
  ptrdiff_t digits = 0;
  return plainDecimal(first, last, out, sawPoint, digits);
}

// The whole number at `first`: an optional sign and one to nine digits, not followed by a
// point or an exponent. What plainDecimal reads there when it finds digits alone, at most
// nine, read as an integer. Returns where it ends, or nullptr for any other text.
inline const char* plainWhole(const char* first, const char* last, int32_t& out) noexcept {
  const bool negative = first < last && *first == '-';
  if (first < last && (*first == '-' || *first == '+')) ++first;
  // Ten digits at most are looked at, enough to tell a tenth: 64 bits hold them.
  const char* const bound = last - first > 10 ? first + 10 : last;
  const char* p = first;
  int64_t value = 0;
  for (unsigned digit; p != bound && (digit = static_cast<unsigned char>(*p - '0')) <= 9; ++p) {
    value = value * 10 + digit;
  }
  if (p == first || p - first > 9) return nullptr;
  if (p != last && (*p == '.' || *p == 'e' || *p == 'E')) return nullptr;
  out = static_cast<int32_t>(negative ? -value : value);
  return p;
}

// plainWhole where eight bytes can be read at the digits: the digits' count is found from
// the eight at once and their value formed in three steps, without a branch per digit.
inline const char* plainWholeInWord(const char* first, const char* last, int32_t& out) noexcept {
  const char* p = first;
  const bool negative = p < last && *p == '-';
  if (p < last && (*p == '-' || *p == '+')) ++p;
  if (last - p < 8) return plainWhole(first, last, out);
  uint64_t word;
  std::memcpy(&word, p, sizeof word);
  const uint64_t digits = word - 0x3030303030303030ull;
  // The high bit of each byte that holds no digit; a borrow or carry only reaches the
  // bytes after such a byte.
  const uint64_t others = ((digits + 0x7676767676767676ull) | digits) & 0x8080808080808080ull;
  if (others == 0) return plainWhole(first, last, out);  // eight digits or more
  const auto length = static_cast<unsigned>(std::countr_zero(others)) / 8;
  if (length == 0 || p[length] == '.' || p[length] == 'e' || p[length] == 'E') return nullptr;
  uint64_t value = digits << (64 - 8 * length);  // the first digit lowest, zeros before it
  value = (value * 10 + (value >> 8)) & 0x00FF00FF00FF00FFull;
  value = (value * 100 + (value >> 16)) & 0x0000FFFF0000FFFFull;
  value = (value * 10000 + (value >> 32)) & 0xFFFFFFFFull;
  out = negative ? -static_cast<int32_t>(value) : static_cast<int32_t>(value);
  return p + length;
}

// The usual face of an OBJ file after its keyword: up to four corners "7" or "7//5" of
// whole numbers, read by `whole` (as plainWhole), with blanks around them, filling
// [p, end). Sets the indices (0 where a corner or its normal is missing) and returns true;
// false, setting nothing, for any other text.
template <class Whole>
bool plainFace(const char* p, const char* end, int32_t (&vertex)[4], int32_t (&normal)[4],
               Whole whole) noexcept {
  int32_t v[4] = {0, 0, 0, 0}, n[4] = {0, 0, 0, 0};
  for (int corner = 0; corner < 4; ++corner) {
    while (p < end && *p == ' ') ++p;
    if (p == end) break;
    p = whole(p, end, v[corner]);
    if (p == nullptr) return false;
    if (end - p > 1 && p[0] == '/' && p[1] == '/') {
      p = whole(p + 2, end, n[corner]);
      if (p == nullptr) return false;
    }
    if (p < end && *p != ' ') return false;
  }
  while (p < end && *p == ' ') ++p;
  if (p != end) return false;  // a fifth corner
  for (int k = 0; k < 4; ++k) {
    vertex[k] = v[k];
    normal[k] = n[k];
  }
  return true;
}

}  // namespace vlm
