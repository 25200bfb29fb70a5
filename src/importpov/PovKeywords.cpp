#include "importpov/PovKeywords.h"

#include <array>
#include <utility>

#include "platform/Dispatch.h"

namespace vlm::pov {

namespace {

constexpr std::array<std::pair<std::string_view, Keyword>, 15> kWords{{
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
    {"TRIANGLE", Keyword::Triangle},
    {"SMOOTH_TRIANGLE", Keyword::SmoothTriangle},
    {"TRANSLATE", Keyword::Transform},
    {"ROTATE", Keyword::Transform},
    {"SCALE", Keyword::Transform},
}};

constexpr size_t kLongestWord = 15;  // "SMOOTH_TRIANGLE"

}  // namespace

Keyword classify(std::string_view word) noexcept {
  if (word == "<") return Keyword::VectorStart;
  if (word.empty() || word.size() > kLongestWord) return Keyword::Other;
  for (const auto& [text, keyword] : kWords) {
    if (text.size() == word.size() && equalsIgnoreCase(word, text)) return keyword;
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
