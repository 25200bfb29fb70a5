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

}  // namespace

std::string_view Get_FirstToken(std::string_view& line) {
  line = trimBlanks(line);
  const size_t blank = line.find(' ');
  if (blank == std::string_view::npos) {
    const std::string_view token = line;
    line = {};
    return token;
  }
  const std::string_view token = line.substr(0, blank);
  line.remove_prefix(blank + 1);
  return token;
}

void Get_FaceIndices(std::string_view& line, int32_t& vertexIndex, int32_t& normalIndex) {
  const std::string_view token = Get_FirstToken(line);
  std::string_view rest;
  const size_t slash = token.find('/');
  if (slash != std::string_view::npos) {
    vertexIndex = toLong(leadingValue(token.substr(0, slash)));
    rest = token.substr(slash + 1);
  } else {
    vertexIndex = roundedIfNumeric(token);
  }
  const size_t second = rest.find('/');
  normalIndex = roundedIfNumeric(second == std::string_view::npos ? std::string_view{}
                                                                  : rest.substr(second + 1));
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
