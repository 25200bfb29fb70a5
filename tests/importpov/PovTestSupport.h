// Runs CImp_POV on a text written by the test against a recording null host.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "importpov/CImp_POV.h"
#include "platform/Collection.h"
#include "platform/FileTable.h"
#include "refhost/CallRecorder.h"
#include "support/ImporterTestSupport.h"

namespace vlm::test {

class PovImport : public ::testing::Test {
 protected:
  void SetUp() override {
    resetComponentState();
    recorder.registerClasses(nullptr, nullptr);
  }
  void TearDown() override { resetComponentState(); }

  // Loads `text`; `objects` is what Load left in its collection argument.
  void load(const std::string& text) {
    objects = std::make_shared<Collection>();
    CImp_POV importer;
    importer.Load(dir.write("model.inc", text), objects);
  }

  // The error number Load raised, or 0.
  int loadError(const std::string& text) {
    try {
      load(text);
    } catch (const RuntimeError& e) {
      return e.number();
    }
    return 0;
  }

  std::vector<std::string> lines() const { return recorder.lines(); }
  // The recorded lines of calls whose member is `member`.
  std::vector<std::string> lines(std::string_view member) const {
    std::vector<std::string> out;
    for (const auto& r : recorder.records()) {
      if (r.member == member) out.push_back(r.line());
    }
    return out;
  }

  TempDir dir;
  TestDialog dialog;
  refhost::CallRecorder recorder;
  CollectionRef objects;
};

// Lines joined with CR LF after each, as the importer reads them.
inline std::string crlf(std::initializer_list<std::string_view> lines) {
  std::string s;
  for (auto l : lines) (s += l) += "\r\n";
  return s;
}

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
