// Runs CImp_DXF on a text written by the test against a recording null host, and builds
// DXF texts from groups.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "importdxf/CImp_DXF.h"
#include "support/ImporterFixture.h"

namespace vlm::test {

class DxfImport : public ImporterFixture<CImp_DXF> {
 protected:
  DxfImport() : ImporterFixture("model.dxf") {}
};

// A 3DFACE on layer 0 with the twelve corner values in file order (10, 20, 30, 11, ...).
inline std::string face3d(std::initializer_list<std::string_view> xyz) {
  std::string s = crlf({"0", "3DFACE", "8", "0"});
  const char* codes[] = {"10", "20", "30", "11", "21", "31", "12", "22", "32", "13", "23", "33"};
  size_t k = 0;
  for (auto v : xyz) s += crlf({codes[k++], v});
  return s;
}

// A polyface vertex on layer 0, flags 192.
inline std::string vertex(std::string_view x, std::string_view y, std::string_view z) {
  return crlf({"0", "VERTEX", "8", "0", "10", x, "20", y, "30", z, "70", "192"});
}

// A polyface face record on layer 0, flags 128, with the given corner groups.
inline std::string faceRecord(std::initializer_list<std::string_view> codesAndValues) {
  std::string s =
      crlf({"0", "VERTEX", "8", "0", "10", "0.0", "20", "0.0", "30", "0.0", "70", "128"});
  for (auto l : codesAndValues) (s += l) += "\r\n";
  return s;
}

inline const std::string kHead = crlf({"0", "SECTION", "2", "ENTITIES"});
inline const std::string kTail = crlf({"0", "ENDSEC", "0", "EOF"});

}  // namespace vlm::test
