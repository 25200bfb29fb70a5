// What importer tests share: a double of the import dialog, the module state and file
// table as a freshly loaded component has them, and the fixture of tests that fill one
// collection (a recording null host that keeps arrays, the dialog double and a temporary
// folder; Load runs a new Importer on bytes the test wrote).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Collection.h"
#include "refhost/CallRecorder.h"
#include "platform/FileTable.h"
#include "support/ErrorOf.h"
#include "support/TempDir.h"
#include "textio/modImport.h"
#include "ui/ImportDialog.h"

namespace vlm::test {

// Stands in for the import dialog while an importer reads: option boxes as set, every
// progress value kept, and a hook that runs at each progress report, the moment right
// before the importer yields (setting StopImport there is a Cancel answered with Yes).
class TestDialog : public ui::IImportDialog {
 public:
  TestDialog() { ui::setImportDialog(this); }
  ~TestDialog() override { ui::setImportDialog(nullptr); }
  TestDialog(const TestDialog&) = delete;
  TestDialog& operator=(const TestDialog&) = delete;

  float progressMax() override { return max; }
  void setProgressValue(float value) override {
    progress.push_back(value);
    if (onProgress) onProgress(progress.size());
  }
  int16_t chkNormValue() override { return norm; }
  int16_t chkSmoothValue() override { return smooth; }

  // Sets StopImport at the n-th progress report.
  void stopAt(size_t n) {
    onProgress = [n](size_t count) {
      if (count == n) modImport::StopImport = true;
    };
  }

  float max = 1e30f;
  int16_t norm = 1;
  int16_t smooth = 1;
  std::vector<float> progress;
  std::function<void(size_t)> onProgress;
};

// Module state and the file table as a freshly loaded component has them.
inline void resetComponentState() {
  modImport::resetModuleState();
  fileTable().CloseAll();
}

template <class Importer>
class ImporterFixture : public ::testing::Test {
 protected:
  explicit ImporterFixture(std::string fileName) : fileName_(std::move(fileName)) {}

  void SetUp() override {
    resetComponentState();
    recorder.registerClasses(nullptr, nullptr);
    recorder.setCaptureArrays(true);
  }
  void TearDown() override { resetComponentState(); }

  // Loads `bytes` from a file called `name` (the fixture's own name when empty) into a
  // fresh `objects`.
  void load(const std::string& bytes, const std::string& name = {}) {
    Importer importer;
    loadWith(importer, bytes, name);
  }
  void loadWith(Importer& importer, const std::string& bytes, const std::string& name = {}) {
    objects = std::make_shared<Collection>();
    importer.Load(dir.write(name.empty() ? fileName_ : name, bytes), objects);
  }
  // The error number Load raised, or 0.
  int loadError(const std::string& bytes) {
    return errorOf([&] { load(bytes); });
  }

  // Loads `bytes` stopped at each of its progress reports in turn, checking that no report
  // follows the stop and that file 1 is closed; the objects handed over at each stop, one
  // digit a stop.
  std::string objectsAtEveryStop(const std::string& bytes) {
    load(bytes);
    std::string counts;
    for (size_t n = 1, reports = dialog.progress.size(); n <= reports; ++n) {
      dialog.progress.clear();
      dialog.stopAt(n);
      modImport::StopImport = false;
      load(bytes);
      EXPECT_EQ(dialog.progress.size(), n) << "read on after the stop at report " << n;
      EXPECT_EQ(fileTable().find(1), nullptr) << "file 1 left open at report " << n;
      counts += std::to_string(objects->Count());
    }
    dialog.onProgress = nullptr;
    return counts;
  }

  // The number n of object#n, the first object the last Load added (-1 when none).
  int added() const {
    if (!objects || objects->Count() == 0) return -1;
    return std::stoi(refhost::CallRecorder::receiverName(objects->Item(1)).substr(7));
  }

  // Every recorded line, or those of calls to `member` on object#n (on any receiver when
  // n is 0).
  std::vector<std::string> lines() const { return recorder.lines(); }
  std::vector<std::string> lines(std::string_view member, int n = 0) const {
    std::vector<std::string> out;
    for (const auto* r : calls(member, n)) out.push_back(r->line());
    return out;
  }
  // The array of the last call to `member` on object#n (empty when there is none).
  std::vector<float> singles(std::string_view member, int n = 1) const {
    const auto c = calls(member, n);
    return c.empty() ? std::vector<float>{} : c.back()->args.at(0).singles;
  }
  std::vector<int32_t> longs(std::string_view member, int n = 1) const {
    const auto c = calls(member, n);
    return c.empty() ? std::vector<int32_t>{} : c.back()->args.at(0).longs;
  }

  TempDir dir;
  TestDialog dialog;
  refhost::CallRecorder recorder;
  CollectionRef objects;

 private:
  std::vector<const refhost::CallRecord*> calls(std::string_view member, int n) const {
    const std::string receiver = "object#" + std::to_string(n);
    std::vector<const refhost::CallRecord*> out;
    for (const auto& r : recorder.records()) {
      if (r.member == member && (n == 0 || r.receiver == receiver)) out.push_back(&r);
    }
    return out;
  }

  std::string fileName_;
};

// Lines joined with CR LF after each, as the text importers read them.
inline std::string crlf(std::initializer_list<std::string_view> lines) {
  std::string s;
  for (auto l : lines) (s += l) += "\r\n";
  return s;
}

}  // namespace vlm::test
