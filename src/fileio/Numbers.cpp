#include "fileio/Numbers.h"

#include <fast_float/fast_float.h>

#include "fileio/ShortDecimal.h"
#include "platform/Convert.h"
#include "platform/Error.h"

namespace vlm {

namespace {

bool isDigit(char c) noexcept { return c >= '0' && c <= '9'; }

// Length of the longest prefix of `s` that forms a decimal number (sign, digits with at
// most one `point`, optional exponent); 0 when none does.
size_t numberPrefixLength(std::string_view s, char point) noexcept {
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  size_t digits = 0;
  while (i < s.size() && isDigit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == point) {
    ++i;
    while (i < s.size() && isDigit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    size_t expDigits = 0;
    while (j < s.size() && isDigit(s[j])) ++j, ++expDigits;
    if (expDigits > 0) i = j;
  }
  return i;
}

// Converts a text already known to be a well-formed number of `len` characters.
double convertPrefix(std::string_view s, char point) noexcept {
  bool negative = false;
  size_t i = 0;
  if (s[0] == '+' || s[0] == '-') {
    negative = s[0] == '-';
    i = 1;
  }
  double value = 0;
  const char* end = s.data() + s.size();
  if (shortDecimal(s.data() + i, end, point, value) != end) {
    fast_float::parse_options options(fast_float::chars_format::general, point);
    fast_float::from_chars_advanced(s.data() + i, end, value, options);
  }
  return negative ? -value : value;
}

// The first "." or "," of the text, which then serves as its decimal separator. A plain
// loop: find_first_of calls memchr once per character, and this runs per coordinate.
char decimalSeparatorOf(std::string_view text) noexcept {
  for (const char c : text) {
    if (c == '.' || c == ',') return c;
  }
  return '.';
}

}  // namespace

std::string_view trimBlanks(std::string_view text) noexcept {
  size_t b = 0, e = text.size();
  while (b < e && text[b] == ' ') ++b;
  while (e > b && text[e - 1] == ' ') --e;
  return text.substr(b, e - b);
}

bool parseDecimal(std::string_view text, char decimalPoint, double& out) noexcept {
  const std::string_view t = trimBlanks(text);
  if (t.empty()) return false;
  size_t i = 0;
  const bool negative = t[0] == '-';
  if (t[0] == '+' || t[0] == '-') i = 1;
  // fast_float reads the same grammar once it starts at a digit or the point, except that
  // it also knows "inf" and "nan", which start with neither. One pass, no pre-scan.
  if (i == t.size() || !(isDigit(t[i]) || t[i] == decimalPoint)) return false;
  double value = 0;
  const char* end = t.data() + t.size();
  if (shortDecimal(t.data() + i, end, decimalPoint, value) != end) {
    const fast_float::parse_options options(fast_float::chars_format::general, decimalPoint);
    const auto result = fast_float::from_chars_advanced(t.data() + i, end, value, options);
    if (result.ptr != end) return false;
  }
  out = negative ? -value : value;
  return true;
}

float textToSingle(std::string_view text) {
  const char point = decimalSeparatorOf(text);
  double value;
  if (!parseDecimal(text, point, value)) raise(err::kTypeMismatch);
  return toSingle(value);
}

int32_t textToLong(std::string_view text) {
  const char point = decimalSeparatorOf(text);
  double value;
  if (!parseDecimal(text, point, value)) raise(err::kTypeMismatch);
  return toLong(value);
}

bool isNumeric(std::string_view text) noexcept {
  double ignored;
  return parseDecimal(text, '.', ignored);
}

double leadingValue(std::string_view text) noexcept {
  size_t b = 0;
  while (b < text.size() && text[b] == ' ') ++b;
  const std::string_view t = text.substr(b);
  const size_t len = numberPrefixLength(t, '.');
  return len == 0 ? 0.0 : convertPrefix(t.substr(0, len), '.');
}

}  // namespace vlm
