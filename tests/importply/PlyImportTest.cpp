// CImp_PLY on bytes against a recording null host, with a headless toolkit that records the
// importer's message boxes. Most cases are files under tests/data/ply, whose scenes the
// golden test compares; these reach what a scene cannot show: binary records that straddle
// the file buffer's blocks, every cut of a binary body, the room made for polygons, repeated
// loads, the line mode, failures passed on with the file closed, and where CharsRead stands
// at each progress report.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "importply/CImp_PLY.h"
#include "importply/PlyRecords.h"
#include "support/ImporterFixture.h"
#include "support/TempDir.h"
#include "ui/HeadlessToolkit.h"

namespace vlm::test {

// A file of tests/data/ply.
inline std::string plyData(const std::string& name) {
  return slurp(std::string(VLM_PLY_DATA_DIR) + "/" + name);
}

// Appends values in the byte order of a binary body.
class BinaryBody {
 public:
  explicit BinaryBody(bool bigEndian) : big_(bigEndian) {}

  template <class T>
  BinaryBody& put(T v) {
    char b[sizeof v];
    std::memcpy(b, &v, sizeof v);
    if (big_ != (std::endian::native == std::endian::big)) std::reverse(b, b + sizeof v);
    bytes.append(b, sizeof v);
    return *this;
  }
  // A face list with a one-byte count and 32-bit items.
  BinaryBody& face(std::initializer_list<int32_t> indices) {
    put(static_cast<uint8_t>(indices.size()));
    for (int32_t i : indices) put(i);
    return *this;
  }

  std::string bytes;

 private:
  bool big_;
};

inline std::string binaryHeader(bool big, const std::string& elements) {
  return std::string("ply\nformat binary_") + (big ? "big" : "little") + "_endian 1.0\n" +
         elements + "end_header\n";
}

class PlyImport : public ImporterFixture<CImp_PLY> {
 protected:
  PlyImport() : ImporterFixture("model.ply") {}
  void SetUp() override {
    ImporterFixture::SetUp();
    ui::setToolkit(&toolkit);
  }
  void TearDown() override {
    ui::setToolkit(nullptr);
    ImporterFixture::TearDown();
  }

  // The arrays handed to the added object's Add_Vertices / Add_Poligons (empty when none).
  std::vector<float> vertices() const { return singles("Add_Vertices", added()); }
  std::vector<int32_t> polygons() const { return longs("Add_Poligons", added()); }
  int objectCount() const { return objects ? objects->Count() : 0; }

  ui::HeadlessToolkit toolkit;
};

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

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

TEST_F(PlyImport, SecondLoadDoesNotHandOverTheFirstFilesData) {
  CImp_PLY importer;
  loadWith(importer, plyData("binary_faces_le.ply"));
  EXPECT_EQ(polygons().size(), 13u);
  loadWith(importer, plyData("name with blanks.ply"));
  EXPECT_THAT(vertices(), ElementsAre(10, 10, 10));
  EXPECT_THAT(polygons(), IsEmpty());
}

TEST_F(PlyImport, FailuresReachTheCallerWithTheFileClosed) {
  const struct {
    const char* file;
    int error;
  } cases[] = {{"vertex_count_not_a_number.ply", err::kTypeMismatch},
               {"ascii_face_word_not_a_number.ply", err::kTypeMismatch},
               {"ascii_coordinate_times_ten_overflows.ply", err::kOverflow},
               {"binary_index_beyond_32_bits_be.ply", err::kOverflow}};
  for (const auto& c : cases) {
    EXPECT_EQ(loadError(plyData(c.file)), c.error) << c.file;
    EXPECT_EQ(objectCount(), 0) << c.file;
    EXPECT_EQ(fileTable().find(1), nullptr) << c.file;
  }
  recorder.failCall({"object", "Add_Poligons", 0, 1234, "host refused", "Velmo"});
  EXPECT_EQ(errorPartsOf([&] { load(plyData("binary_faces_le.ply")); }),
            ErrorParts(1234, "Velmo", "host refused"));
  EXPECT_EQ(objectCount(), 0);
  EXPECT_EQ(fileTable().find(1), nullptr);
}

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
    EXPECT_EQ(import->CharsRead, h + 39) << big;
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
