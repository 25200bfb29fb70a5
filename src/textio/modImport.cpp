// modImport: the start-up procedure and the text helpers the importers use on the lines
// Read_Line (ReadLine.cpp) gives them.
#include "textio/modImport.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "platform/Convert.h"
#include "platform/Error.h"

namespace vlm::modImport {

void Main() {}

namespace {

// What follows the blank at `stop` up to `end`, or nothing when `stop` is `end`: the rest
// of a line after its first word, as Get_FirstToken leaves it.
std::string_view restAfter(const char* stop, const char* end) noexcept {
  return stop < end ? std::string_view(stop + 1, static_cast<size_t>(end - stop - 1))
                    : std::string_view(end, 0);
}

// The value of a numeric text rounded half to even, 0 for any other text; error 6 when
// the rounded value does not fit 32 bits.
int32_t roundedIfNumeric(std::string_view text) {
  double value = 0;
  return parseDecimal(text, '.', value) ? toLong(value) : 0;
}

// The first `c` in [p, end), or end. Eight bytes at a time while eight remain: tokens are
// a few characters long, too short to pay for a call to memchr.
const char* findByte(const char* p, const char* end, char c) noexcept {
  constexpr uint64_t kOnes = 0x0101010101010101ull;
  constexpr uint64_t kHighs = 0x8080808080808080ull;
  const uint64_t pattern = kOnes * static_cast<unsigned char>(c);
  for (; end - p >= 8; p += 8) {
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    const uint64_t x = word ^ pattern;  // zero bytes where c is
    // The lowest flagged byte is the first zero byte; flags above it may be false.
    const uint64_t zeros = (x - kOnes) & ~x & kHighs;
    if (zeros != 0) return p + std::countr_zero(zeros) / 8;
  }
  while (p < end && *p != c) ++p;
  return p;
}

// `text` without its leading and trailing blanks, inline: words and numbers are cut off
// per coordinate, too often for a call per trim.
std::string_view trimmedBlanks(std::string_view text) noexcept {
  const char* begin = text.data();
  const char* end = begin + text.size();
  while (begin < end && *begin == ' ') ++begin;
  while (end > begin && end[-1] == ' ') --end;
  return {begin, static_cast<size_t>(end - begin)};
}

// The value of the trimmed text `t` when it is the common short number (see plainDecimal),
// which no conversion rule reads differently: it holds no "," and at most 15 digits, well
// inside single range; with `numbers`, taken from there when it was converted ahead. False
// for any other text.
[[gnu::always_inline]] inline bool plainTrimmedSingle(std::string_view t, float& out,
                                                  NumberCursor& numbers) noexcept {
  const char* const end = t.data() + t.size();
  if (const ConvertedNumber* converted = numbers.find(t.data(), end);
      converted != nullptr && converted->length == t.size()) {
    out = converted->single;
    return true;
  }
  double value = 0;
  if (plainDecimal(t.data(), end, value) != end || t.empty()) return false;
  out = static_cast<float>(value);
  return true;
}

bool plainSingle(std::string_view text, float& out) noexcept {
  NumberCursor none;
  return plainTrimmedSingle(trimmedBlanks(text), out, none);
}

// A face corner's index field, when it is plain: an optional sign and one to nine
// digits running up to `end` or a slash. Sets `out` and returns where it stopped, or
// returns nullptr for any other text (the general reading decides then).
const char* plainIndex(const char* p, const char* end, int32_t& out) noexcept {
  const bool negative = p < end && *p == '-';
  if (p < end && (*p == '-' || *p == '+')) ++p;
  const char* first = p;
  // Ten digits at most are looked at, enough to tell a tenth: 64 bits hold them. The
  // loop's one bound is set before it, so a digit costs a compare and a multiply-add.
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

// plainIndex, taking the index from `numbers` where it was converted ahead.
const char* plainIndex(const char* p, const char* end, int32_t& out,
                       NumberCursor& numbers) noexcept {
  const ConvertedNumber* const converted = numbers.find(p, end);
  if (converted == nullptr || converted->whole == 0) return plainIndex(p, end, out);
  const char* const stop = p + converted->length;
  if (stop < end && *stop != '/') return nullptr;
  out = converted->index;
  return stop;
}

// The common corners "7" and "7//5", when both numbers were converted ahead: what the
// reading by token below gives for them, without cutting the token off first. `line`
// is left as Get_FirstToken leaves it, after the blank and without trailing blanks.
bool convertedCorner(std::string_view& line, int32_t& vertexIndex, int32_t& normalIndex,
                     NumberCursor& numbers) noexcept {
  const char* p = line.data();
  const char* end = p + line.size();
  if (!numbers.converts(p)) return false;
  while (p < end && *p == ' ') ++p;
  const ConvertedNumber* const vertex = numbers.find(p, end);
  if (vertex == nullptr || vertex->whole == 0) return false;
  const char* stop = p + vertex->length;
  int32_t normal = 0;
  if (end - stop > 1 && stop[0] == '/' && stop[1] == '/') {
    const ConvertedNumber* const after = numbers.find(stop + 2, end);
    if (after == nullptr || after->whole == 0) return false;
    normal = after->index;
    stop += 2 + after->length;
  }
  if (stop < end && *stop != ' ') return false;
  while (end > stop && end[-1] == ' ') --end;
  line = restAfter(stop, end);
  vertexIndex = vertex->index;
  normalIndex = normal;
  return true;
}

}  // namespace

std::string_view Get_FirstToken(std::string_view& line) {
  const std::string_view trimmed = trimmedBlanks(line);
  const char* begin = trimmed.data();
  const char* end = begin + trimmed.size();
  const char* blank = findByte(begin, end, ' ');
  line = restAfter(blank, end);
  return {begin, static_cast<size_t>(blank - begin)};
}

float Get_Single(std::string_view text) {
  float value = 0;
  return plainSingle(text, value) ? value : textToSingle(text);
}

float Get_FirstSingle(std::string_view& line) {
  NumberCursor none;
  return Get_FirstSingle(line, none);
}

float Get_FirstSingle(std::string_view& line, NumberCursor& numbers) {
  const std::string_view trimmed = trimmedBlanks(line);
  const char* begin = trimmed.data();
  const char* end = begin + trimmed.size();
  float value = 0;
  const char* stop = numbers.plainSingle(begin, end, value);
  if (stop == nullptr || (stop < end && *stop != ' ')) return textToSingle(Get_FirstToken(line));
  line = restAfter(stop, end);
  return value;
}

int32_t Get_FirstLong(std::string_view& line) {
  const std::string_view word = Get_FirstToken(line);
  constexpr size_t kSafeDigits = 9;  // 999999999 fits 32 bits
  if (word.empty() || word.size() > kSafeDigits) return textToLong(word);
  int32_t value = 0;
  for (const char c : word) {
    if (c < '0' || c > '9') return textToLong(word);
    value = value * 10 + (c - '0');
  }
  return value;
}

// A converted number is taken when it fills the word: it then reads as textToLong would.
int32_t Get_FirstLong(std::string_view& line, NumberCursor& numbers) {
  const char* p = line.data();
  const char* end = p + line.size();
  while (p < end && *p == ' ') ++p;
  const ConvertedNumber* const number = numbers.find(p, end);
  const char* const stop = number != nullptr ? p + number->length : nullptr;
  if (number == nullptr || number->whole == 0 || (stop != end && *stop != ' '))
    return Get_FirstLong(line);
  while (end > stop && end[-1] == ' ') --end;
  line = restAfter(stop, end);
  return number->index;
}

void Get_FaceIndices(std::string_view& line, int32_t& vertexIndex, int32_t& normalIndex,
                     NumberCursor& numbers) {
  if (convertedCorner(line, vertexIndex, normalIndex, numbers)) return;
  const std::string_view token = Get_FirstToken(line);
  const char* const end = token.data() + token.size();
  // Plain forms ("7", "7/3", "7//5", "7/3/5") are read in one pass; any other text is
  // read the general way, as it always was.
  if (token.empty()) {
    vertexIndex = normalIndex = 0;
    return;
  }
  const char* slash = plainIndex(token.data(), end, vertexIndex, numbers);
  if (slash == nullptr) {
    slash = findByte(token.data(), end, '/');
    const std::string_view vertex(token.data(), static_cast<size_t>(slash - token.data()));
    vertexIndex = slash < end ? toLong(leadingValue(vertex)) : roundedIfNumeric(vertex);
  }
  std::string_view normal;
  if (slash < end) {
    const char* second = findByte(slash + 1, end, '/');
    if (second < end) normal = std::string_view(second + 1, static_cast<size_t>(end - second - 1));
  }
  if (normal.empty()) {
    normalIndex = 0;
  } else if (const char* stop = plainIndex(normal.data(), end, normalIndex, numbers);
             stop == nullptr || stop != end) {
    normalIndex = roundedIfNumeric(normal);
  }
}

// The face as read ahead whole, or one corner after another, each number taken from the
// table or read in place, without cutting tokens off: a face line costs what its numbers
// cost. A fifth corner makes it no plain face: the four calls would leave it in the line.
bool Get_PlainFace(std::string_view& line, int32_t (&vertexIndex)[4], int32_t (&normalIndex)[4],
                   NumberCursor& numbers) noexcept {
  const char* p = line.data();
  const char* const end = p + line.size();
  while (p < end && *p == ' ') ++p;
  if (!numbers.face(p, end, vertexIndex, normalIndex) &&
      !plainFace(p, end, vertexIndex, normalIndex,
                 [&](const char* first, const char* last, int32_t& out) {
                   return numbers.plainWhole(first, last, out);
                 })) {
    return false;
  }
  line = std::string_view(end, 0);
  return true;
}

// A value beyond single range is not quietly turned into 0 or infinity: like the face
// indices, it is error 6 (Overflow), which ends the import with a clear message.
float Get_Number(std::string_view text, NumberCursor& numbers) {
  if (float single = 0; plainTrimmedSingle(trimmedBlanks(text), single, numbers)) return single;
  double value = 0;
  return parseDecimal(text, '.', value) ? toSingle(value) : 0.0f;
}

// A start below 1 is an invalid argument, as for a classic text search. An empty find
// text would match everywhere; no caller passes one, so it replaces nothing.
void Replace_All(int32_t start, std::string_view find, std::string_view replacement,
                 std::string& target) {
  if (start < 1) raise(err::kInvalidCall);
  if (find.empty()) return;
  size_t from = static_cast<size_t>(start) - 1;
  if (from > target.size()) return;
  size_t hit = target.find(find, from);
  if (hit == std::string::npos) return;
  // The result is built apart from `target`, so `find` and `replacement` may view it.
  std::string result(target, 0, from);
  while (hit != std::string::npos) {
    result.append(target, from, hit - from).append(replacement);
    from = hit + find.size();
    hit = target.find(find, from);
  }
  result.append(target, from);
  target = std::move(result);
}

std::string Get_NameFromPath(std::string& path) {
  if (path.size() < 4) raise(err::kInvalidCall);
  path.resize(path.size() - 4);
  // Both separators end a folder: paths on this system use "/", stored ones may use "\".
  const size_t separator = path.find_last_of("/\\");
  if (separator == std::string::npos) return path;
  std::string name = path.substr(separator + 1);
  path.resize(separator + 1);
  return name;
}

}  // namespace vlm::modImport
