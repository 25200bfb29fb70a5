// Binary bodies beyond what a small file shows: records that straddle the file buffer's
// blocks and the decoder's batches, every cut of a file, and the room made for polygons.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <span>

#include "PlyTestSupport.h"
#include "importply/PlyRecords.h"

namespace vlm::test {
namespace {

const char* const kVertexXYZ =
    "property float x\nproperty float y\nproperty float z\n";

TEST_F(PlyImport, RecordsAcrossBufferBlocksAreReadWhole) {
  constexpr int kVertices = 120000;  // 1.4 MB: past the first block of the file buffer
  constexpr int kFaces = 90000;
  for (const bool big : {false, true}) {
    BinaryBody b(big);
    for (int i = 0; i < kVertices; ++i) b.put(static_cast<float>(i)).put(1.f).put(-2.f);
    std::vector<int32_t> expected;
    for (int i = 0; i < kFaces; ++i) {
      if (i % 3 == 0) {
        b.face({i, i + 1, i + 2, i + 3});
        expected.insert(expected.end(), {4, i, i + 1, i + 2, i + 3});
      } else {
        b.face({i, i + 1, i + 2});
        expected.insert(expected.end(), {3, i, i + 1, i + 2});
      }
    }
    load(binaryHeader(big, "element vertex " + std::to_string(kVertices) + "\n" + kVertexXYZ +
                               "element face " + std::to_string(kFaces) +
                               "\nproperty list uchar int vertex_indices\n") +
         b.bytes);
    const std::vector<float> v = vertices();
    ASSERT_EQ(v.size(), 3u * kVertices) << big;
    for (int i = 0; i < kVertices; ++i) {
      ASSERT_EQ(v[3 * i], static_cast<float>(i) * 10) << i;
      ASSERT_EQ(v[3 * i + 2], -20) << i;
    }
    EXPECT_TRUE(polygons() == expected) << big;
  }
}

TEST_F(PlyImport, StripItemsAcrossBufferBlocksAreReadWhole) {
  // One strip list of 400000 indices (1.6 MB), restarted every 1000.
  constexpr int32_t kItems = 400000;
  for (const bool big : {false, true}) {
    BinaryBody b(big);
    b.put(kItems);
    std::vector<int32_t> expected;
    for (int32_t i = 0; i < kItems; ++i) {
      b.put(i % 1000 == 999 ? -1 : i);
      // Each run of 999 indices makes 997 triangles, every second one turned round.
      if (i % 1000 >= 2 && i % 1000 < 999) {
        if (i % 2 == 0) {
          expected.insert(expected.end(), {3, i - 2, i - 1, i});
        } else {
          expected.insert(expected.end(), {3, i, i - 1, i - 2});
        }
      }
    }
    load(binaryHeader(big, "element vertex 0\nelement tristrips 1\n"
                           "property list int int vertex_indices\n") +
         b.bytes);
    EXPECT_TRUE(polygons() == expected) << big;
  }
}

// A binary body cut at every place that matters: a record the file does not hold whole is
// not stored, one that ends with the file is.
TEST_F(PlyImport, CutBinaryBodyKeepsTheWholeRecords) {
  // Two vertices of 12 bytes, then two faces of 13 bytes (the last byte of the second cut).
  const std::string file = plyData("binary_cut_inside_second_face_le.ply");
  const size_t body = file.find("end_header\n") + 11;
  const struct {
    size_t keep;
    size_t vertexValues, polygonValues;
  } cases[] = {{0, 0, 0},  {5, 0, 0},  {12, 3, 0}, {13, 3, 0}, {24, 6, 0},
               {25, 6, 0}, {36, 6, 0}, {37, 6, 4}, {40, 6, 4}, {49, 6, 4}};
  for (const auto& c : cases) {
    load(file.substr(0, body + c.keep));
    EXPECT_EQ(vertices().size(), c.vertexValues) << "bytes kept " << c.keep;
    EXPECT_EQ(polygons().size(), c.polygonValues) << "bytes kept " << c.keep;
  }
}

}  // namespace
}  // namespace vlm::test

namespace vlm::ply {
namespace {

// Regression: room was made for triangles only, so a body of quadrilaterals made the
// polygon array move (and copy itself) near the end of the file.
TEST(PolygonRoom, HoldsQuadrilateralsAsWellAsTriangles) {
  for (int32_t countCode = kUInt8; countCode <= kInt32; ++countCode) {
    for (int32_t itemCode = kUInt8; itemCode <= kFloat64; ++itemCode) {
      PLYProperty list{kList, countCode, itemCode, -1};
      const FaceLayout layout = FaceLayout::of(std::span<const PLYProperty>(&list, 1));
      const uint64_t count = binarySize(countCode), item = binarySize(itemCode);
      for (uint64_t corners : {3u, 4u}) {
        const uint64_t records = 100000;
        const size_t room = layout.maxEntriesIn(records * (count + corners * item));
        SCOPED_TRACE(testing::Message() << countCode << "/" << itemCode << " n=" << corners);
        EXPECT_GE(room, records * (corners + 1));
        EXPECT_LE(room, records * (corners + 1) * 3 / 2);  // a bound, not a blank cheque
      }
    }
  }
}

}  // namespace
}  // namespace vlm::ply
