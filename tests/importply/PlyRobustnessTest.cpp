// Damaged files: every sample cut at every length, every byte inverted, and cancelled at
// every yield. Load must end each time, either normally or with a run-time error, and
// leave the import file closed.
#include <gtest/gtest.h>

#include "PlyTestSupport.h"

namespace vlm::test {
namespace {

struct Sample {
  const char* name;
  std::string bytes;
};

std::string binarySample(bool big) {
  BinaryBody b(big);
  b.u8(2).f32(0.5f).f32(0.25f);  // one "material" record
  for (int i = 0; i < 4; ++i) b.f32(static_cast<float>(i)).f32(1).f32(2).u8(255);
  b.i32(0).i32(1);  // one "edge" record
  b.face({0, 1, 2, 3}).face({3, 2, 1}).face({0, 1, 2, 3, 0});
  return plyHeader({formatWord(big), "comment sample", "element material 1",
                    "property list uchar float k", "element vertex 4", "property float x",
                    "property float y", "property float z", "property uchar red",
                    "element edge 1", "property int a", "property int b", "element face 3", "property list uchar int vertex_indices", "end_header"}) +
         b.bytes();
}

std::string stripSample() {
  BinaryBody b(false);
  b.i32(6).i32(0).i32(1).i32(2).i32(-1).i32(1).i32(2).i32(3);
  return plyHeader({"format binary_little_endian 1.0", "element vertex 0", "property float x",
                    "element tristrips 1", "property list int int vertex_indices",
                    "end_header"}) +
         b.bytes();
}

std::vector<Sample> samples() {
  return {{"ascii", plyHeader({"format ascii 1.0", "element vertex 3", "property float x",
                               "property float y", "property float z", "element face 2",
                               "property list uchar int vertex_indices", "end_header"}) +
                        "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n4 0 1 2 0\n"},
          {"little_endian", binarySample(false)},
          {"big_endian", binarySample(true)},
          {"strips", stripSample()}};
}

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

TEST_F(Damaged, CutAtEveryLength) {
  for (const Sample& s : samples()) {
    for (size_t n = 0; n <= s.bytes.size(); ++n) {
      survive(s.bytes.substr(0, n), std::string(s.name) + " cut at " + std::to_string(n));
    }
  }
}

TEST_F(Damaged, EveryByteInverted) {
  for (const Sample& s : samples()) {
    for (size_t i = 0; i < s.bytes.size(); ++i) {
      std::string bytes = s.bytes;
      bytes[i] = static_cast<char>(~bytes[i]);
      survive(bytes, std::string(s.name) + " byte " + std::to_string(i));
    }
  }
}

TEST_F(Damaged, CancelledAtEveryYield) {
  for (const Sample& s : samples()) {
    dialog.progress.clear();
    dialog.onProgress = nullptr;
    load(s.bytes);
    ASSERT_EQ(objectCount(), 1) << s.name;
    const size_t reports = dialog.progress.size();
    const size_t headerEnd = s.bytes.find("end_header\n") + 11;
    ASSERT_GT(reports, 0u) << s.name;
    for (size_t n = 1; n <= reports; ++n) {
      dialog.progress.clear();
      dialog.stopAt(n);
      survive(s.bytes, std::string(s.name) + " stopped at " + std::to_string(n));
      // A stop inside a property block is followed by the report of the pass that began it;
      // a stop in the body by nothing.
      const bool inBody = dialog.progress[n - 1] > static_cast<float>(headerEnd);
      EXPECT_LE(dialog.progress.size(), inBody ? n : n + 1) << s.name << ": read on after " << n;
    }
  }
}

}  // namespace
}  // namespace vlm::test
