// Runs CImp_OBJ on a text written by the test, against a recording null host.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "importobj/CImp_OBJ.h"
#include "platform/Collection.h"
#include "refhost/CallRecorder.h"
#include "support/ImporterTestSupport.h"

namespace vlm::test {

class ObjImport : public ::testing::Test {
 protected:
  void SetUp() override {
    resetComponentState();
    recorder.registerClasses(nullptr, nullptr);
    recorder.setCaptureArrays(true);
  }
  void TearDown() override { resetComponentState(); }

  // Loads `text` from a file called `name`; returns the collection Load filled.
  CollectionRef load(const std::string& text, const std::string& name = "model.obj") {
    objects = std::make_shared<Collection>();
    CImp_OBJ importer;
    importer.Load(dir.write(name, text), objects);
    return objects;
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

  // Every recorded call on object#n whose member is `member`.
  std::vector<refhost::CallRecord> calls(int n, const std::string& member) const {
    std::vector<refhost::CallRecord> out;
    const std::string receiver = "object#" + std::to_string(n);
    for (const auto& r : recorder.records()) {
      if (r.receiver == receiver && r.member == member) out.push_back(r);
    }
    return out;
  }
  std::vector<std::string> lines(int n, const std::string& member) const {
    std::vector<std::string> out;
    for (const auto& r : calls(n, member)) out.push_back(r.line());
    return out;
  }
  std::vector<float> singles(int n, const std::string& member) const {
    auto c = calls(n, member);
    return c.empty() ? std::vector<float>{} : c.back().args.at(0).singles;
  }
  std::vector<int32_t> longs(int n, const std::string& member) const {
    auto c = calls(n, member);
    return c.empty() ? std::vector<int32_t>{} : c.back().args.at(0).longs;
  }

  // Joins lines with CR LF after each.
  static std::string crlf(std::initializer_list<std::string_view> lines) {
    std::string s;
    for (auto l : lines) (s += l) += "\r\n";
    return s;
  }

  TempDir dir;
  TestDialog dialog;
  refhost::CallRecorder recorder;
  CollectionRef objects;
};

}  // namespace vlm::test
