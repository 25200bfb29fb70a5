// The progress bar: where CharsRead stands at each report, line by line in the header and
// the ascii body, record by record in a binary body.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "PlyTestSupport.h"

namespace vlm::test {
namespace {

using ::testing::ElementsAre;

TEST_F(PlyImport, HeaderProgressFollowsEveryLineAndTheHeldLine) {
  // CharsRead after "ply" 4, "format ascii 1.0" 21, "element vertex 0" 38, "property float
  // x" 55, "element face 0" 70, "end_header" 81. Property lines are reported as they are
  // read; an element line after its properties; the line that ended a property block once
  // where it was read and once more in its own pass.
  load("ply\nformat ascii 1.0\nelement vertex 0\nproperty float x\nelement face 0\nend_header\n");
  EXPECT_THAT(dialog.progress, ElementsAre(21.f, 55.f, 70.f, 70.f, 81.f, 81.f, 81.f));
}

TEST_F(PlyImport, AsciiProgressIsCharsReadAfterEveryLineWithoutTheMaximumTest) {
  dialog.max = 1;  // the ascii reader does not compare with the bar's maximum
  const std::string head =
      "ply\nformat ascii 1.0\nelement vertex 2\nelement face 1\nend_header\n";
  load(head + "1 2 3\n4 5 6\n3 0 1 1\n");
  const auto h = static_cast<float>(head.size());
  ASSERT_GE(dialog.progress.size(), 3u);
  EXPECT_THAT(std::vector<float>(dialog.progress.end() - 3, dialog.progress.end()),
              ElementsAre(h + 6, h + 12, h + 20));
}

TEST_F(PlyImport, BinaryProgressReportsEveryRecordEndAndNeverPassesTheMaximum) {
  for (const bool big : {false, true}) {
    BinaryBody b(big);
    for (int i = 0; i < 6; ++i) b.put(0.f);
    b.face({0, 1, 1});
    const std::string head = binaryHeader(
        big,
        "element vertex 2\nproperty float x\nproperty float y\nproperty float z\n"
        "element face 2\nproperty list uchar int vertex_indices\n");
    const auto h = static_cast<float>(head.size());
    dialog.progress.clear();
    dialog.max = h + 38;  // the bar's maximum is the file's length plus one
    load(head + b.bytes);
    // Vertex ends, the face end; the second face finds the end of the file, and its
    // CharsRead (one past the maximum) leaves the bar as it was.
    EXPECT_THAT(std::vector<float>(dialog.progress.end() - 3, dialog.progress.end()),
                ElementsAre(h + 13, h + 25, h + 38))
        << big;
    EXPECT_EQ(modImport::CharsRead, h + 39) << big;
  }
}

}  // namespace
}  // namespace vlm::test
