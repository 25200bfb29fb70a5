// Runs CImp_POV on a text written by the test against a recording null host.
#pragma once

#include <string>
#include <string_view>

#include "importpov/CImp_POV.h"
#include "support/ImporterFixture.h"

namespace vlm::test {

class PovImport : public ImporterFixture<CImp_POV> {
 protected:
  PovImport() : ImporterFixture("model.inc") {}
};

// The recorded Add_Vertex line of object `n` for a corner.
inline std::string vertexCall(int n, std::string_view x, std::string_view y, std::string_view z) {
  return "object#" + std::to_string(n) + ".Add_Vertex call (ByRef Single " + std::string(x) +
         ", ByRef Single " + std::string(y) + ", ByRef Single " + std::string(z) + ")";
}

inline std::string polygonCall(int n, int a, int b, int c) {
  return "object#" + std::to_string(n) + ".Add_Poligon call (Long " + std::to_string(a) +
         ", Long " + std::to_string(b) + ", Long " + std::to_string(c) + ")";
}

inline std::string nameCall(int n, std::string_view name) {
  return "object#" + std::to_string(n) + ".Name put (String \"" + std::string(name) + "\")";
}

inline std::string colourCall(int n) {
  return "object#" + std::to_string(n) + ".DefaultColor put (Long 12615680)";
}

}  // namespace vlm::test
