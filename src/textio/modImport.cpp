// modImport: the shared module state, the start-up procedure and the text helpers the
// importers use on the lines Read_Line (ReadLine.cpp) gives them.
#include "textio/modImport.h"

#include <string>
#include <utility>

#include "platform/Convert.h"
#include "platform/Error.h"

namespace vlm::modImport {

int32_t ReadMode = 0;
int32_t CharsRead = 0;
bool StopImport = false;

void resetModuleState() {
  ReadMode = 0;
  CharsRead = 0;
  StopImport = false;
}

void Main() {}

namespace {

// The value of a numeric text rounded half to even, 0 for any other text; error 6 when
// the rounded value does not fit 32 bits.
int32_t roundedIfNumeric(std::string_view text) {
  double value = 0;
  return parseDecimal(text, '.', value) ? toLong(value) : 0;
}

// The common index field, an optional sign and at most nine digits, read directly; what
// the general reading of such a text gives too.
bool smallWhole(std::string_view text, int32_t& out) noexcept {
  size_t i = text.empty() || (text[0] != '-' && text[0] != '+') ? 0 : 1;
  const size_t digits = text.size() - i;
  if (digits == 0 || digits > 9) return false;
  int32_t value = 0;
  for (; i < text.size(); ++i) {
    const auto digit = static_cast<unsigned char>(text[i] - '0');
    if (digit > 9) return false;
    value = value * 10 + digit;
  }
  out = text[0] == '-' ? -value : value;
  return true;
}

}  // namespace

// Plain loops: tokens are a few characters long, shorter than a call to memchr costs.
std::string_view Get_FirstToken(std::string_view& line) {
  line = trimBlanks(line);
  size_t blank = 0;
  while (blank < line.size() && line[blank] != ' ') ++blank;
  const std::string_view token = line.substr(0, blank);
  line.remove_prefix(blank < line.size() ? blank + 1 : blank);
  return token;
}

void Get_FaceIndices(std::string_view& line, int32_t& vertexIndex, int32_t& normalIndex) {
  const std::string_view token = Get_FirstToken(line);
  if (token.empty()) {
    vertexIndex = normalIndex = 0;
    return;
  }
  size_t slash = 0;
  while (slash < token.size() && token[slash] != '/') ++slash;
  std::string_view normal;
  if (slash < token.size()) {
    const std::string_view vertex = token.substr(0, slash);
    if (!smallWhole(vertex, vertexIndex)) vertexIndex = toLong(leadingValue(vertex));
    size_t second = slash + 1;
    while (second < token.size() && token[second] != '/') ++second;
    if (second < token.size()) normal = token.substr(second + 1);
  } else if (!smallWhole(token, vertexIndex)) {
    vertexIndex = roundedIfNumeric(token);
  }
  if (!smallWhole(normal, normalIndex)) normalIndex = roundedIfNumeric(normal);
}

// A value beyond single range is not quietly turned into 0 or infinity: like the face
// indices, it is error 6 (Overflow), which ends the import with a clear message.
float Get_Number(std::string_view text) {
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
