// The ascii body: vertex lines, face lines, elements passed over, early ends and stops.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "PlyTestSupport.h"

namespace vlm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::string header(int vertices, int faces,
                   std::initializer_list<std::string_view> extraVertexProps = {}) {
  std::string h = "ply\nformat ascii 1.0\nelement vertex " + std::to_string(vertices) +
                  "\nproperty float x\nproperty float y\nproperty float z\n";
  for (auto p : extraVertexProps) (h += p) += "\n";
  return h + "element face " + std::to_string(faces) +
         "\nproperty list uchar int vertex_indices\nend_header\n";
}

TEST_F(PlyImport, AsciiVertexTakesTheFirstThreeWordsTimesTen) {
  load(header(2, 0, {"property uchar red", "property uchar green", "property uchar blue"}) +
       "1.5 -2 0.25 255 0 0\n1,5   2e1 -0,5\n");
  EXPECT_THAT(vertices(), ElementsAre(15, -20, 2.5f, 15, 200, -5));
}

TEST_F(PlyImport, AsciiVerticesFollowTheFileOrderNotThePropertyNames) {
  load("ply\nformat ascii 1.0\nelement vertex 1\nproperty float z\nproperty float y\n"
       "property float x\nelement face 0\nend_header\n1 2 3\n");
  EXPECT_THAT(vertices(), ElementsAre(10, 20, 30));
}

TEST_F(PlyImport, AsciiFacesOfThreeAndFourCornersAndOtherCountsSkipped) {
  load(header(5, 5) + "0 0 0\n1 0 0\n1 1 0\n0 1 0\n2 2 0\n" +
       "3 0 1 2\n4 0 1 2 3 9 9\n5 0 1 2 3 4\n2 0 1\n3 2 3 4\n");
  EXPECT_THAT(polygons(), ElementsAre(3, 0, 1, 2, 4, 0, 1, 2, 3, 3, 2, 3, 4));
}

TEST_F(PlyImport, AsciiReadsExactlyTheDeclaredCounts) {
  // Two faces declared: both read; the line after them is not a face.
  load(header(3, 2) + "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n3 2 1 0\n3 9 9 9\n");
  EXPECT_THAT(polygons(), ElementsAre(3, 0, 1, 2, 3, 2, 1, 0));
}

TEST_F(PlyImport, AsciiBodySkipsEmptyLinesAndTakesAnyLineEnd) {
  load(header(2, 1) + "\n1 2 3\r\n\r\n4 5 6\r3 0 1 1");
  EXPECT_THAT(vertices(), ElementsAre(10, 20, 30, 40, 50, 60));
  EXPECT_THAT(polygons(), ElementsAre(3, 0, 1, 1));
}

TEST_F(PlyImport, AsciiFileEndingEarlyHandsOverWhatWasRead) {
  struct Case {
    std::string body;
    std::vector<float> vertices;
    std::vector<int32_t> polygons;
  } cases[] = {{"1 1 1\n2 2 2\n", {10, 10, 10, 20, 20, 20}, {}},
               {"1 1 1\n2 2 2", {10, 10, 10, 20, 20, 20}, {}},
               {"", {}, {}},
               {"0 0 0\n0 0 0\n0 0 0\n0 0 0\n3 0 1 2\n", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
                {3, 0, 1, 2}}};
  for (const auto& c : cases) {
    load(header(4, 3) + c.body);
    EXPECT_EQ(objectCount(), 1) << c.body;
    EXPECT_EQ(vertices(), c.vertices) << c.body;
    EXPECT_EQ(polygons(), c.polygons) << c.body;
  }
}

TEST_F(PlyImport, AsciiHugeDeclaredCountsEndWithTheFile) {
  load("ply\nformat ascii 1.0\nelement vertex 2000000000\nelement face 2000000000\n"
       "end_header\n1 2 3\n4 5 6\n");
  EXPECT_THAT(vertices(), ElementsAre(10, 20, 30, 40, 50, 60));
  EXPECT_THAT(polygons(), IsEmpty());
}

// Words that are no numbers (or too few) are type mismatches; coordinates beyond the
// Single range, also after the scaling by ten, overflow. Either way nothing is added.
TEST_F(PlyImport, AsciiValueThatIsNotANumberOrTooLargeFails) {
  const std::pair<std::string, int> cases[] = {
      {"1 2\n", err::kTypeMismatch},         {"1 x 3\n", err::kTypeMismatch},
      {"1 2 3\n3 0 a 2\n", err::kTypeMismatch}, {"1 2 3\nx 0 1 2\n", err::kTypeMismatch},
      {"1 2 3\n3 0 1\n", err::kTypeMismatch},   {"1e39 0 0\n", err::kOverflow},
      {"3e38 0 0\n", err::kOverflow},
  };
  for (const auto& [body, error] : cases) {
    EXPECT_EQ(loadError(header(1, 1) + body), error) << body;
    EXPECT_EQ(objectCount(), 0) << body;
    EXPECT_EQ(fileTable().find(1), nullptr) << body;
  }
}

TEST_F(PlyImport, AsciiElementsBeforeAndBetweenArePassedOverByLines) {
  load("ply\nformat ascii 1.0\nelement material 2\nproperty uchar r\nproperty list uchar int64 x\n"
       "element vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
       "element edge 1\nproperty int vertex1\nproperty int vertex2\n"
       "element face 1\nproperty list uchar int vertex_indices\n"
       "element extra 5\nproperty float w\nend_header\n"
       "7 8 9\n7 8 9\n0 0 0\n1 0 0\n0 1 0\n0 1\n3 0 1 2\n");
  EXPECT_THAT(messages(), IsEmpty());
  EXPECT_THAT(vertices(), ElementsAre(0, 0, 0, 10, 0, 0, 0, 10, 0));
  EXPECT_THAT(polygons(), ElementsAre(3, 0, 1, 2));
}

TEST_F(PlyImport, AsciiStripsYieldNoPolygons) {
  load("ply\nformat ascii 1.0\nelement vertex 3\nelement tristrips 1\n"
       "property list int int vertex_indices\nend_header\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n");
  EXPECT_EQ(vertices().size(), 9u);
  EXPECT_THAT(polygons(), IsEmpty());
}

TEST_F(PlyImport, AsciiStopDuringFacesHandsOverWhatWasRead) {
  const std::string text = header(3, 3) + "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n3 1 2 0\n3 2 0 1\n";
  load(text);
  const size_t reports = dialog.progress.size();
  // The user stops at the report of the second face line.
  dialog.progress.clear();
  dialog.stopAt(reports - 1);
  load(text);
  EXPECT_EQ(vertices().size(), 9u);
  EXPECT_THAT(polygons(), ElementsAre(3, 0, 1, 2, 3, 1, 2, 0));
}

TEST_F(PlyImport, AsciiProgressIsCharsReadAfterEveryLineWithoutTheMaximumTest) {
  dialog.max = 1;  // the ascii reader does not compare with the bar's maximum
  const std::string text = header(2, 0) + "1 2 3\n4 5 6\n";
  load(text);
  const float end = static_cast<float>(text.size());
  ASSERT_GE(dialog.progress.size(), 2u);
  EXPECT_EQ(dialog.progress[dialog.progress.size() - 2], end - 6);
  EXPECT_EQ(dialog.progress.back(), end);
}

}  // namespace
}  // namespace vlm::test
