#include "importobj/ObjFaces.h"

#include "fileio/Numbers.h"
#include "platform/Convert.h"
#include "textio/modImport.h"

namespace vlm {

namespace {

// The value of a numeric text rounded half to even, 0 for any other text; error 6 when
// the rounded value does not fit 32 bits.
int32_t roundedIfNumeric(std::string_view text) {
  double value = 0;
  return parseDecimal(text, '.', value) ? toLong(value) : 0;
}

// The first slash in [p, end), or end; index fields are a few characters long.
const char* findSlash(const char* p, const char* end) noexcept {
  while (p < end && *p != '/') ++p;
  return p;
}

// An index field in its usual form: an optional sign and one to nine digits running up to
// `end` or a slash. Sets `out` and returns where it stopped, or returns nullptr for any
// other text, which the general reading decides.
const char* plainIndex(const char* p, const char* end, int32_t& out) noexcept {
  const bool negative = p < end && *p == '-';
  if (p < end && (*p == '-' || *p == '+')) ++p;
  const char* first = p;
  // Ten digits at most are looked at, enough to tell a tenth: 64 bits hold them.
  const char* last = end - p > 10 ? p + 10 : end;
  int64_t value = 0;
  for (unsigned digit; p != last && (digit = static_cast<unsigned char>(*p - '0')) <= 9; ++p) {
    value = value * 10 + digit;
  }
  const auto digits = p - first;
  if (digits == 0 || digits > 9 || (p < end && *p != '/')) return nullptr;
  out = static_cast<int32_t>(negative ? -value : value);
  return p;
}

}  // namespace

void Get_FaceIndices(std::string_view& line, int32_t& vertexIndex, int32_t& normalIndex) {
  const std::string_view token = modImport::Get_FirstToken(line);
  if (token.empty()) {
    vertexIndex = normalIndex = 0;
    return;
  }
  const char* const end = token.data() + token.size();
  // The vertex: the text before the first slash, read as far as it forms a number when a
  // slash follows, and only when it is a number as a whole otherwise.
  const char* slash = plainIndex(token.data(), end, vertexIndex);
  if (slash == nullptr) {
    slash = findSlash(token.data(), end);
    const std::string_view vertex(token.data(), static_cast<size_t>(slash - token.data()));
    vertexIndex = slash < end ? toLong(leadingValue(vertex)) : roundedIfNumeric(vertex);
  }
  // The normal: the text after the second slash; the texture index between is dropped.
  const char* const second = slash < end ? findSlash(slash + 1, end) : end;
  if (second + 1 >= end) {
    normalIndex = 0;
    return;
  }
  const std::string_view normal(second + 1, static_cast<size_t>(end - second - 1));
  if (plainIndex(normal.data(), end, normalIndex) != end) normalIndex = roundedIfNumeric(normal);
}

}  // namespace vlm
