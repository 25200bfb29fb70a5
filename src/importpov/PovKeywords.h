// The words the POV-Ray reader acts on, and where in the brace nesting it acts on them.
#pragma once

#include <cstdint>
#include <string_view>

namespace vlm::pov {

enum class Keyword : uint8_t {
  Other,           // any word the reader does not know
  OpenBrace,       // "{"
  CloseBrace,      // "}"
  Declare,         // "#DECLARE"
  Mesh,            // "MESH"
  Object,          // "OBJECT"
  Shape,           // "SPHERE", "BOX", "CYLINDER", "DISC", "PLANE": passed over
  Triangle,        // "TRIANGLE"
  SmoothTriangle,  // "SMOOTH_TRIANGLE"
  Transform,       // "TRANSLATE", "ROTATE", "SCALE": passed over
  VectorStart,     // "<" standing alone: a vector that is read and dropped
};

// The keyword `word` spells, letters compared without regard to case.
Keyword classify(std::string_view word) noexcept;

// Whether `keyword` counts as recognised at brace depth `depth`: the braces anywhere,
// everything else only at the depths it belongs to and never below depth 0.
bool recognisedAt(Keyword keyword, int32_t depth) noexcept;

}  // namespace vlm::pov
