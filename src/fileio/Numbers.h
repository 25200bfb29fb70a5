// Numbers read from the text of a file, with the classic rules.
//
// Text that is not a number raises error 13 (Type mismatch); whole numbers round half to
// even and, like values beyond single range, raise error 6 (Overflow) when they do not fit
// (platform/Convert.h). Nothing here allocates. The common short number is read inline
// (ShortDecimal.h); these take everything else.
#pragma once

#include <cstdint>
#include <string_view>

namespace vlm {

// Parses `text` (leading and trailing blanks allowed) as a decimal number whose decimal
// separator is `decimalPoint`: optional sign, digits with at most one separator, optional
// exponent. Returns false when the whole text is not such a number.
bool parseDecimal(std::string_view text, char decimalPoint, double& out) noexcept;

// Single from text where "." and "," both serve as the decimal separator (the importers
// replace every "." by "," and convert with "," as the separator, which is the same).
// Error 13 when the text is not a number, error 6 beyond single range.
float textToSingle(std::string_view text);

// 32-bit whole number from text (same separators as textToSingle, rounded half to even).
int32_t textToLong(std::string_view text);

// A text is numeric when, trimmed of blanks, it is a decimal number with "." as the point.
bool isNumeric(std::string_view text) noexcept;

// The value of the longest leading part of `text` (after leading blanks) that forms a
// number with "." as the point; 0 when there is none ("12abc" -> 12, "abc" -> 0).
double leadingValue(std::string_view text) noexcept;

// Trims leading and trailing blanks (the space character only; tabs are kept).
std::string_view trimBlanks(std::string_view text) noexcept;

}  // namespace vlm
