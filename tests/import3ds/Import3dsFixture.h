// The fixture of the 3DS importer tests: a recording null host, the dialog double, a
// temporary folder and one Load with its outcome.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "import3ds/CImp_3DS.h"
#include "refhost/CallRecorder.h"
#include "refhost/ReferenceScene.h"
#include "support/ImporterTestSupport.h"

namespace vlm::test3ds {

struct Outcome {
  std::optional<RuntimeError> error;  // what Load raised
  CollectionRef objects;              // the caller's variables afterwards
  CollectionRef materials;

  int32_t number() const { return error ? error->number() : 0; }
  std::string description() const { return error ? error->description() : std::string(); }
};

class Import3ds : public ::testing::Test {
 protected:
  void SetUp() override {
    test::resetComponentState();
    recorder.registerClasses(nullptr, nullptr);
    recorder.setCaptureArrays(true);
  }
  void TearDown() override {
    refhost::registerReferenceHostClasses();
    test::resetComponentState();
  }

  // Writes `bytes` to a file and loads it as an import run does (StopImport false).
  Outcome load(std::string_view bytes) { return loadPath(dir.write("test.3ds", bytes)); }

  Outcome loadPath(const std::string& path) {
    Outcome out;
    out.objects = std::make_shared<Collection>();
    out.materials = std::make_shared<Collection>();
    modImport::StopImport = false;
    try {
      importer.Load(path, out.objects, out.materials);
    } catch (const RuntimeError& e) {
      out.error = e;
    }
    return out;
  }

  // The recorded lines whose receiver and member match, e.g. ("object#1", "Name").
  std::vector<std::string> linesOf(std::string_view receiver, std::string_view member = {}) {
    std::vector<std::string> out;
    for (const refhost::CallRecord& r : recorder.records()) {
      if (r.receiver == receiver && (member.empty() || r.member == member)) out.push_back(r.line());
    }
    return out;
  }
  // Lines as linesOf gives them, without the receiver, for the first receiver of `kind`
  // ("object#", "material#") recorded since the last clearRecords.
  std::vector<std::string> callsOn(std::string_view kind, std::string_view member = {}) {
    const auto& records = recorder.records();
    const auto first = std::find_if(records.begin(), records.end(),
                                    [&](const auto& r) { return r.receiver.starts_with(kind); });
    std::vector<std::string> out;
    if (first == records.end()) return out;
    for (std::string line : linesOf(first->receiver, member)) {
      out.push_back(line.substr(first->receiver.size() + 1));
    }
    return out;
  }
  // The records of calls to `member` on any receiver.
  std::vector<const refhost::CallRecord*> callsTo(std::string_view member) {
    std::vector<const refhost::CallRecord*> out;
    for (const refhost::CallRecord& r : recorder.records()) {
      if (r.member == member) out.push_back(&r);
    }
    return out;
  }

  refhost::CallRecorder recorder;
  test::TestDialog dialog;
  test::TempDir dir;
  CImp_3DS importer;
};

}  // namespace vlm::test3ds
