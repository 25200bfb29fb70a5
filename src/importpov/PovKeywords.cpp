#include "importpov/PovKeywords.h"

#include <array>
#include <utility>

namespace vlm::pov {

namespace {

// The words of a mesh's lines first: they are met once per line of a file.
constexpr std::array<std::pair<std::string_view, Keyword>, 15> kWords{{
    {"TRIANGLE", Keyword::Triangle},
    {"SMOOTH_TRIANGLE", Keyword::SmoothTriangle},
    {"{", Keyword::OpenBrace},
    {"}", Keyword::CloseBrace},
    {"#DECLARE", Keyword::Declare},
    {"MESH", Keyword::Mesh},
    {"OBJECT", Keyword::Object},
    {"SPHERE", Keyword::Shape},
    {"BOX", Keyword::Shape},
    {"CYLINDER", Keyword::Shape},
    {"DISC", Keyword::Shape},
    {"PLANE", Keyword::Shape},
    {"TRANSLATE", Keyword::Transform},
    {"ROTATE", Keyword::Transform},
    {"SCALE", Keyword::Transform},
}};

constexpr size_t kLongestWord = 15;  // "SMOOTH_TRIANGLE"

// `word` against a keyword of the table (upper case, same length), in any case. Every
// triangle line is classified, so this stays inline: a letter matches when the two agree
// with bit 5 set (which lower-cases A-Z and nothing else onto a-z), any other character
// only itself.
bool sameIgnoringCase(std::string_view word, std::string_view keyword) noexcept {
  for (size_t i = 0; i < word.size(); ++i) {
    const char k = keyword[i];
    const bool letter = k >= 'A' && k <= 'Z';
    if (letter ? (word[i] | 0x20) != (k | 0x20) : word[i] != k) return false;
  }
  return true;
}

}  // namespace

Keyword classify(std::string_view word) noexcept {
  if (word == "<") return Keyword::VectorStart;
  if (word.empty() || word.size() > kLongestWord) return Keyword::Other;
  for (const auto& [text, keyword] : kWords) {
    if (text.size() == word.size() && sameIgnoringCase(word, text)) return keyword;
  }
  return Keyword::Other;
}

bool recognisedAt(Keyword keyword, int32_t depth) noexcept {
  switch (keyword) {
    case Keyword::OpenBrace:
    case Keyword::CloseBrace: return true;
    case Keyword::Other: return false;
    case Keyword::Mesh: return depth >= 0;
    case Keyword::Declare:
    case Keyword::Object:
    case Keyword::Shape: return depth == 0;
    case Keyword::Triangle:
    case Keyword::SmoothTriangle:
    case Keyword::Transform:
    case Keyword::VectorStart: return depth >= 1;
  }
  return false;
}

}  // namespace vlm::pov
