// modImport: the start-up procedure and the text helpers the importers use on the lines
// Read_Line (ReadLine.cpp) gives them.
#include "textio/modImport.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "fileio/Numbers.h"
#include "fileio/ShortDecimal.h"
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
// inside single range. False for any other text.
bool plainTrimmedSingle(std::string_view t, float& out) noexcept {
  const char* const end = t.data() + t.size();
  double value = 0;
  if (t.empty() || plainDecimal(t.data(), end, value) != end) return false;
  out = static_cast<float>(value);
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
  return plainTrimmedSingle(trimmedBlanks(text), value) ? value : textToSingle(text);
}

float Get_FirstSingle(std::string_view& line) {
  const std::string_view trimmed = trimmedBlanks(line);
  const char* begin = trimmed.data();
  const char* end = begin + trimmed.size();
  double value = 0;
  const char* stop = plainDecimal(begin, end, value);
  if (stop == nullptr || (stop < end && *stop != ' ')) return textToSingle(Get_FirstToken(line));
  line = restAfter(stop, end);
  return static_cast<float>(value);  // at most 15 digits: well inside single range
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

// A value beyond single range is not quietly turned into 0 or infinity: like the face
// indices, it is error 6 (Overflow), which ends the import with a clear message.
float Get_Number(std::string_view text) {
  if (float single = 0; plainTrimmedSingle(trimmedBlanks(text), single)) return single;
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
