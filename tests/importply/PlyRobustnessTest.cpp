// Damaged files: golden PLY inputs cut at every length, every byte inverted, and
// cancelled at every yield. Load must end each time, either normally or with a run-time
// error, and leave the import file closed.
#include <gtest/gtest.h>

#include "PlyTestSupport.h"

namespace vlm::test {
namespace {

// Golden inputs that go through every kind of element: passed over, vertex, face lists of
// both fast and slow records, triangle strips.
const char* const kSamples[] = {"ascii_elements_passed_over.ply",
                                "binary_elements_passed_over_be.ply", "binary_faces_le.ply",
                                "tristrips_scalar_every_pass_le.ply"};

class Damaged : public PlyImport {
 protected:
  // Loads `bytes`; a run-time error is a clean outcome, anything else fails the test.
  void survive(const std::string& bytes, const std::string& what) {
    try {
      load(bytes);
    } catch (const RuntimeError&) {
    }
    ASSERT_EQ(fileTable().find(1), nullptr) << what;
    modImport::StopImport = false;
  }
};

TEST_F(Damaged, CutAtEveryLengthOrWithAByteInverted) {
  for (const std::string name : kSamples) {
    const std::string bytes = plyData(name);
    for (size_t n = 0; n <= bytes.size(); ++n) {
      survive(bytes.substr(0, n), name + " cut at " + std::to_string(n));
    }
    for (size_t i = 0; i < bytes.size(); ++i) {
      std::string damaged = bytes;
      damaged[i] = static_cast<char>(~damaged[i]);
      survive(damaged, name + " byte " + std::to_string(i) + " inverted");
    }
  }
}

TEST_F(Damaged, CancelledAtEveryYieldReadsNoFurther) {
  for (const char* name : kSamples) {
    const std::string bytes = plyData(name);
    dialog.progress.clear();
    dialog.onProgress = nullptr;
    load(bytes);
    ASSERT_EQ(objectCount(), 1) << name;
    const size_t reports = dialog.progress.size();
    const auto headerEnd = static_cast<float>(bytes.find("end_header\n") + 11);
    for (size_t n = 1; n <= reports; ++n) {
      dialog.progress.clear();
      dialog.stopAt(n);
      survive(bytes, std::string(name) + " stopped at " + std::to_string(n));
      // A stop inside a property block is followed by the report of the pass that began it;
      // a stop in the body by nothing.
      const bool inBody = dialog.progress[n - 1] > headerEnd;
      EXPECT_LE(dialog.progress.size(), inBody ? n : n + 1) << name << ": read on after " << n;
    }
  }
}

}  // namespace
}  // namespace vlm::test
