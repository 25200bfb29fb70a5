// Runs CImp_DXF on a text written by the test against a recording null host, and builds
// DXF texts from groups.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "importdxf/CImp_DXF.h"
#include "platform/Collection.h"
#include "platform/FileTable.h"
#include "refhost/CallRecorder.h"
#include "support/ImporterTestSupport.h"

namespace vlm::test {

class DxfImport : public ::testing::Test {
 protected:
  void SetUp() override {
    resetComponentState();
    recorder.registerClasses(nullptr, nullptr);
    recorder.setCaptureArrays(true);
  }
  void TearDown() override { resetComponentState(); }

  // Loads `text` from a file called `name` into a fresh collection.
  void load(const std::string& text, const std::string& name = "model.dxf") {
    objects = std::make_shared<Collection>();
    CImp_DXF importer;
    importer.Load(dir.write(name, text), objects);
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
  // The array of the last call of `member` on object#1.
  std::vector<float> singles(const std::string& member) const {
    const refhost::CallRecord* r = last(member);
    return r == nullptr ? std::vector<float>{} : r->args.at(0).singles;
  }
  std::vector<int32_t> longs(const std::string& member) const {
    const refhost::CallRecord* r = last(member);
    return r == nullptr ? std::vector<int32_t>{} : r->args.at(0).longs;
  }

  TempDir dir;
  TestDialog dialog;
  refhost::CallRecorder recorder;
  CollectionRef objects;

 private:
  const refhost::CallRecord* last(const std::string& member) const {
    const refhost::CallRecord* found = nullptr;
    for (const auto& r : recorder.records()) {
      if (r.receiver == "object#1" && r.member == member) found = &r;
    }
    return found;
  }
};

// Lines joined with CR LF after each, as the importer reads them.
inline std::string crlf(std::initializer_list<std::string_view> lines) {
  std::string s;
  for (auto l : lines) (s += l) += "\r\n";
  return s;
}

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
