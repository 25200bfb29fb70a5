// The fixture of importer tests that fill one collection: a recording null host that keeps
// arrays, the dialog double and a temporary folder; Load runs a new Importer on bytes the
// test wrote, with a new import context, the file table as a freshly loaded component
// has it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Collection.h"
#include "refhost/CallRecorder.h"
#include "fileio/FileTable.h"
#include "support/ErrorOf.h"
#include "support/TempDir.h"
#include "support/TestDialog.h"
#include "textio/ImportContext.h"

namespace vlm::test {

template <class Importer>
class ImporterFixture : public ::testing::Test {
 protected:
  explicit ImporterFixture(std::string fileName) : fileName_(std::move(fileName)) {}

  void SetUp() override {
    fileTable().CloseAll();
    recorder.registerClasses(nullptr, nullptr);
    recorder.setCaptureArrays(true);
  }
  void TearDown() override { fileTable().CloseAll(); }

  // Loads `bytes` from a file of the fixture's name into a fresh `objects`.
  void load(const std::string& bytes) {
    Importer importer;
    loadWith(importer, bytes);
  }
  void loadWith(Importer& importer, const std::string& bytes) {
    loadPath(importer, dir.write(fileName_, bytes));
  }
  // Loads the file at `path`; `import` keeps the context, its ReadMode and CharsRead as
  // `readModeBefore` and `charsReadBefore` set them before the load.
  void loadPath(Importer& importer, const std::string& path) {
    objects = std::make_shared<Collection>();
    import.reset();
    import.emplace(path, dialog.options, dialog, dialog.stop);
    import->ReadMode = readModeBefore;
    import->CharsRead = charsReadBefore;
    importer.Load(*import, objects);
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
      dialog.stop = false;
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

  // The recorded lines of calls to `member` on any receiver.
  std::vector<std::string> lines(std::string_view member) const {
    std::vector<std::string> out;
    for (const auto* r : calls(member, 0)) out.push_back(r->line());
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
  std::optional<ImportContext> import;  // of the last load
  int32_t readModeBefore = 0;
  int32_t charsReadBefore = 0;

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
