// The binary body in both byte orders: every scalar type, lists, elements passed over, the
// byte position, early ends, stops and conversion failures.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <span>

#include "PlyTestSupport.h"
#include "importply/PlyRecords.h"

namespace vlm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const char* const kTypeWords[] = {"uchar", "short", "int", "float", "double"};

std::string binaryHeader(bool big, int vertices, int faces, const std::string& vertexType = "float",
                         const std::string& faceList = "list uchar int") {
  return plyHeader({formatWord(big), "element vertex " + std::to_string(vertices),
                    "property " + vertexType + " x", "property " + vertexType + " y",
                    "property " + vertexType + " z", "element face " + std::to_string(faces),
                    "property " + faceList + " vertex_indices", "end_header"});
}

class ByteOrder : public PlyImport, public ::testing::WithParamInterface<bool> {
 protected:
  bool big() const { return GetParam(); }
  BinaryBody body() const { return BinaryBody(big()); }
  // A header in this byte order with `lines` between the format line and end_header.
  std::string header(std::initializer_list<std::string_view> lines) const {
    std::string s = plyHeader({formatWord(big())});
    for (std::string_view l : lines) (s += l) += "\n";
    return s + "end_header\n";
  }
};

INSTANTIATE_TEST_SUITE_P(Both, ByteOrder, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "BigEndian" : "LittleEndian"; });

TEST_P(ByteOrder, VerticesOfEveryScalarTypeAreReadAndScaled) {
  for (int32_t code = 0; code <= 4; ++code) {
    BinaryBody b = body();
    for (double v : {1.0, 2.0, 3.0, 100.0, 0.0, 7.0}) b.value(code, v);
    load(binaryHeader(big(), 2, 0, kTypeWords[code]) + b.bytes());
    EXPECT_THAT(vertices(), ElementsAre(10, 20, 30, 1000, 0, 70)) << kTypeWords[code];
  }
}

TEST_P(ByteOrder, TypeWordsOfOneSizeReadAlike) {
  // The signed one-byte words yield 0 to 255, the unsigned wider words signed values.
  struct Case {
    const char* word;
    int32_t code;
    double stored;
    float expected;
  } cases[] = {{"char", 0, 255, 2550},    {"int8", 0, 255, 2550},   {"uint8", 0, 200, 2000},
               {"ushort", 1, -1, -10},    {"uint16", 1, -2, -20},   {"int16", 1, 300, 3000},
               {"uint", 2, -1, -10},      {"int32", 2, 5, 50},      {"uint32", 2, 6, 60},
               {"float32", 3, 0.5, 5},    {"float64", 4, 0.25, 2.5}};
  for (const auto& c : cases) {
    BinaryBody b = body();
    b.value(c.code, c.stored).value(c.code, 0).value(c.code, 0);
    load(binaryHeader(big(), 1, 0, c.word) + b.bytes());
    EXPECT_THAT(vertices(), ElementsAre(c.expected, 0, 0)) << c.word;
  }
}

TEST_P(ByteOrder, UshortIndex65535IsMinusOneAndCharCountMinusOneIs255) {
  BinaryBody b = body();
  for (int i = 0; i < 9; ++i) b.f32(0);
  b.u8(3).i16(0).i16(0xFFFF).i16(2);  // ushort items: 65535 reads as -1
  b.u8(0xFF);                          // a char count of -1 is 255 items, passed over
  for (int i = 0; i < 255; ++i) b.i16(7);
  b.u8(3).i16(2).i16(1).i16(0);
  load(header({"element vertex 3", "property float x", "property float y",
                  "property float z", "element face 3",
                  "property list char ushort vertex_indices"}) +
       b.bytes());
  EXPECT_THAT(polygons(), ElementsAre(3, 0, -1, 2, 3, 2, 1, 0));
}

TEST_P(ByteOrder, DoubleCoordinatesAreReadInFull) {
  BinaryBody b = body();
  b.f64(1.0 / 3).f64(-123456.789012).f64(1e-300);
  load(binaryHeader(big(), 1, 0, "double") + b.bytes());
  EXPECT_THAT(vertices(), ElementsAre(static_cast<float>(1.0 / 3) * 10,
                                      static_cast<float>(-123456.789012) * 10, 0));
}

TEST_P(ByteOrder, PropertiesAreFoundByNameAndOthersPassedOver) {
  // z first, a normal between, no y: y stays 0.
  BinaryBody b = body();
  b.f32(3).u8(9).f32(-1).f64(1).f32(30).u8(9).f32(-1).f64(10);
  load(header({"element vertex 2", "property float z", "property uchar q",
                  "property float nx", "property double x", "element face 0",
                  "property list uchar int vertex_indices"}) +
       b.bytes());
  EXPECT_THAT(vertices(), ElementsAre(10, 0, 30, 100, 0, 300));
}

TEST_P(ByteOrder, FacesOfThreeAndFourAndOtherLengthsConsumed) {
  BinaryBody b = body();
  for (int i = 0; i < 15; ++i) b.f32(0);
  b.face({0, 1, 2}).face({0, 1, 2, 3, 4, 0}).face({1, 2, 3, 4}).face({}).face({4, 3, 2});
  load(binaryHeader(big(), 5, 5) + b.bytes());
  EXPECT_THAT(polygons(), ElementsAre(3, 0, 1, 2, 4, 1, 2, 3, 4, 3, 4, 3, 2));
}

TEST_P(ByteOrder, ListTypeWordsChooseCountAndItemSizes) {
  struct Case {
    const char* list;
    int32_t countCode;
    int32_t itemCode;
  } cases[] = {{"list uchar int", 0, 2},   {"list uint8 double", 0, 4}, {"list ushort uint", 1, 2},
               {"list int int16", 2, 1},   {"list uint float", 2, 3},   {"list int8 uchar", 0, 0}};
  for (const auto& c : cases) {
    BinaryBody b = body();
    for (int i = 0; i < 12; ++i) b.f32(0);
    b.value(c.countCode, 4);
    for (double v : {3.0, 2.0, 1.0, 0.0}) b.value(c.itemCode, v);
    b.value(c.countCode, 3);
    for (double v : {0.0, 1.0, 2.0}) b.value(c.itemCode, v);
    load(binaryHeader(big(), 4, 2, "float", c.list) + b.bytes());
    EXPECT_THAT(polygons(), ElementsAre(4, 3, 2, 1, 0, 3, 0, 1, 2)) << c.list;
  }
}

TEST_P(ByteOrder, FloatingIndicesRoundHalfToEven) {
  BinaryBody b = body();
  for (int i = 0; i < 3; ++i) b.f32(0);
  b.u8(3).f32(2.5f).f32(3.5f).f32(-0.5f);
  load(binaryHeader(big(), 1, 1, "float", "list uchar float") + b.bytes());
  EXPECT_THAT(polygons(), ElementsAre(3, 2, 4, 0));
}

TEST_P(ByteOrder, ScalarFacePropertiesArePassedOver) {
  BinaryBody b = body();
  for (int i = 0; i < 9; ++i) b.f32(0);
  b.i16(-5).face({0, 1, 2}).f64(9).u8(7);
  b.i16(-5).face({2, 1, 0}).f64(9).u8(7);
  load(header({"element vertex 3", "property float x", "property float y",
                  "property float z", "element face 2", "property short flags",
                  "property list uchar int vertex_indices", "property double area",
                  "property uchar material"}) +
       b.bytes());
  EXPECT_THAT(polygons(), ElementsAre(3, 0, 1, 2, 3, 2, 1, 0));
}

TEST_P(ByteOrder, SecondListOfAFaceMakesItsOwnPolygon) {
  BinaryBody b = body();
  for (int i = 0; i < 12; ++i) b.f32(0);
  b.face({0, 1, 2}).u8(6);
  for (int i = 0; i < 6; ++i) b.f32(0.5f);  // texture coordinates: six items, no polygon
  b.face({1, 2, 3}).u8(3).f32(3).f32(2).f32(1);  // three items make a polygon of them
  load(header({"element vertex 4", "property float x", "property float y",
                  "property float z", "element face 2", "property list uchar int vertex_indices",
                  "property list uchar float texcoord"}) +
       b.bytes());
  EXPECT_THAT(polygons(), ElementsAre(3, 0, 1, 2, 3, 1, 2, 3, 3, 3, 2, 1));
}

TEST_P(ByteOrder, ElementsBeforeAndBetweenArePassedOverBySize) {
  BinaryBody b = body();
  // material: 2 records of (uchar, list uchar float, double)
  b.u8(1).u8(2).f32(0).f32(0).f64(0);
  b.u8(1).u8(0).f64(0);
  for (float v : {1.f, 2.f, 3.f, 4.f, 5.f, 6.f, 7.f, 8.f, 9.f}) b.f32(v);
  b.i32(0).i32(1).i32(1).i32(2);  // edge: 2 records of two ints
  b.face({0, 1, 2});
  load(header({"element material 2", "property uchar id",
                  "property list uchar float weights", "property double shine",
                  "element vertex 3", "property float x", "property float y", "property float z",
                  "element edge 2", "property int vertex1", "property int vertex2",
                  "element face 1", "property list uchar int vertex_indices",
                  "element trailer 1", "property int64 anything"}) +
       b.bytes());
  EXPECT_THAT(messages(), IsEmpty());
  EXPECT_THAT(vertices(), ElementsAre(10, 20, 30, 40, 50, 60, 70, 80, 90));
  EXPECT_THAT(polygons(), ElementsAre(3, 0, 1, 2));
}

TEST_P(ByteOrder, ElementToPassOverWithUnknownSizeIsNotSupported) {
  load(header({"element edge 1", "property int64 v",
                  "element vertex 0", "property float x", "element face 0",
                  "property list uchar int vertex_indices"}));
  expectRefused("File format not supported!");
  load(header({"element edge lots", "property int v", "element vertex 0",
                  "property float x", "element face 0", "property list uchar int vertex_indices"}));
  expectRefused("File format not supported!");
}

TEST_P(ByteOrder, FacesDeclaredBeforeVerticesAreReadInFileOrder) {
  BinaryBody b = body();
  b.face({0, 1, 2});
  for (float v : {1.f, 2.f, 3.f}) b.f32(v);
  load(header({"element face 1", "property list uchar int vertex_indices",
                  "element vertex 1", "property float x", "property float y", "property float z"}) +
       b.bytes());
  EXPECT_THAT(vertices(), ElementsAre(10, 20, 30));
  EXPECT_THAT(polygons(), ElementsAre(3, 0, 1, 2));
}

TEST_P(ByteOrder, TruncatedRecordsAreNotStored) {
  BinaryBody whole = body();
  for (float v : {1.f, 2.f, 3.f, 4.f, 5.f, 6.f}) whole.f32(v);
  whole.face({0, 1, 0}).face({1, 0, 1});
  const std::string head = binaryHeader(big(), 2, 2);
  const std::string& bytes = whole.bytes();
  struct Case {
    size_t keep;
    size_t vertexValues;
    size_t polygonValues;
  } cases[] = {{0, 0, 0},  {5, 0, 0},  {12, 3, 0},  {13, 3, 0},  {24, 6, 0},
               {25, 6, 0}, {36, 6, 0}, {37, 6, 4},  {40, 6, 4},  {49, 6, 4}, {50, 6, 8}};
  for (const auto& c : cases) {
    load(head + bytes.substr(0, c.keep));
    EXPECT_EQ(vertices().size(), c.vertexValues) << "bytes kept " << c.keep;
    EXPECT_EQ(polygons().size(), c.polygonValues) << "bytes kept " << c.keep;
  }
}

TEST_P(ByteOrder, TruncatedSkippedListStopsAtTheEnd) {
  BinaryBody b = body();
  for (int i = 0; i < 3; ++i) b.f32(0);
  b.u8(200).i32(1).i32(2);  // 200 items declared, two present
  load(binaryHeader(big(), 1, 5) + b.bytes());
  EXPECT_EQ(vertices().size(), 3u);
  EXPECT_THAT(polygons(), IsEmpty());
}

TEST_P(ByteOrder, MissingZGivesZeroForEveryVertex) {
  BinaryBody b = body();
  b.f32(1).f32(2).f32(3).f32(4);
  load(header({"element vertex 2", "property float x", "property float y",
                  "element face 0", "property list uchar int vertex_indices"}) +
       b.bytes());
  EXPECT_THAT(vertices(), ElementsAre(10, 20, 0, 30, 40, 0));
}

TEST_P(ByteOrder, HugeDeclaredCountsEndWithTheFile) {
  BinaryBody b = body();
  for (float v : {1.f, 2.f, 3.f}) b.f32(v);
  load(header({"element vertex 2000000000", "property float x",
                  "property float y", "property float z", "element edge 2000000000",
                  "property list uchar int v", "element face 2000000000",
                  "property list int int vertex_indices"}) +
       b.bytes());
  EXPECT_THAT(vertices(), ElementsAre(10, 20, 30));
  load(binaryHeader(big(), 2000000000, 2000000000) + b.bytes());
  EXPECT_THAT(vertices(), ElementsAre(10, 20, 30));
  EXPECT_THAT(polygons(), IsEmpty());
}

TEST_P(ByteOrder, ElementsWithoutPropertiesReadNothing) {
  load(header({"element vertex 2000000000", "element face 2000000000"}) +
       "abc");
  EXPECT_EQ(objectCount(), 1);
  EXPECT_THAT(vertices(), IsEmpty());
}

TEST_P(ByteOrder, StopDuringTheFacesHandsOverWhatWasRead) {
  BinaryBody b = body();
  for (int i = 0; i < 9; ++i) b.f32(static_cast<float>(i));
  b.face({0, 1, 2}).face({1, 2, 0}).face({2, 0, 1});
  const std::string head = binaryHeader(big(), 3, 3);
  // The user stops right after the second face record: CharsRead is then its end.
  const int32_t stopAt = static_cast<int32_t>(head.size() + 36 + 13 + 13 + 1);
  dialog.onProgress = [&](size_t) {
    if (modImport::CharsRead == stopAt) modImport::StopImport = true;
  };
  load(head + b.bytes());
  EXPECT_EQ(vertices().size(), 9u);
  EXPECT_THAT(polygons(), ElementsAre(3, 0, 1, 2, 3, 1, 2, 0));
  EXPECT_EQ(modImport::CharsRead, stopAt);
}

TEST_P(ByteOrder, StopDuringTheVerticesKeepsTheVerticesRead) {
  BinaryBody b = body();
  for (int i = 0; i < 12; ++i) b.f32(1);
  const std::string head = binaryHeader(big(), 4, 0);
  const int32_t stopAt = static_cast<int32_t>(head.size() + 24 + 1);
  dialog.onProgress = [&](size_t) {
    if (modImport::CharsRead == stopAt) modImport::StopImport = true;
  };
  load(head + b.bytes());
  EXPECT_THAT(vertices(), ElementsAre(10, 10, 10, 10, 10, 10));
}

TEST_P(ByteOrder, ProgressReportsEveryRecordEndAndNeverPassesTheMaximum) {
  BinaryBody b = body();
  for (int i = 0; i < 6; ++i) b.f32(0);
  b.face({0, 1, 1});
  const std::string text = binaryHeader(big(), 2, 2) + b.bytes();
  const auto h = static_cast<float>(text.size() - b.bytes().size());
  dialog.max = static_cast<float>(text.size() + 1);
  load(text);
  // Vertex ends, the face end, and the second face that finds the end of the file: its
  // CharsRead lies past the maximum, so the bar keeps the last value.
  ASSERT_GE(dialog.progress.size(), 3u);
  EXPECT_THAT(std::vector<float>(dialog.progress.end() - 3, dialog.progress.end()),
              ElementsAre(h + 13, h + 25, h + 38));
  EXPECT_EQ(h + 38, dialog.max);
}

TEST_P(ByteOrder, ConversionFailuresAreOverflowsAndCloseTheFile) {
  struct Case {
    const char* what;
    std::string vertexType;
    std::string list;
    double value;
  } cases[] = {{"double beyond single", "double", "list uchar int", 1e39},
               {"float times ten", "float", "list uchar int", 3e38},
               {"index beyond 32 bits", "float", "list uchar double", 3e9},
               {"index not a number", "float", "list uchar float",
                std::numeric_limits<double>::quiet_NaN()}};
  for (const auto& c : cases) {
    const bool inVertex = c.list == "list uchar int";
    const int32_t vertexCode = c.vertexType == "double" ? 4 : 3;
    const int32_t itemCode = c.list == "list uchar double" ? 4 : c.list == "list uchar float" ? 3 : 2;
    BinaryBody b = body();
    for (int i = 0; i < 6; ++i) b.value(vertexCode, 1);
    b.value(vertexCode, inVertex ? c.value : 1).value(vertexCode, 0).value(vertexCode, 0);
    b.u8(3).value(itemCode, 0).value(itemCode, 1).value(itemCode, 2);
    b.u8(3).value(itemCode, 0).value(itemCode, inVertex ? 1 : c.value).value(itemCode, 2);
    EXPECT_EQ(loadError(binaryHeader(big(), 3, 2, c.vertexType, c.list) + b.bytes()),
              err::kOverflow)
        << c.what;
    EXPECT_EQ(objectCount(), 0) << c.what;
    EXPECT_EQ(fileTable().find(1), nullptr) << c.what;
  }
}

TEST_P(ByteOrder, InfiniteAndNanFloatCoordinatesPassAsTheyAre) {
  BinaryBody b = body();
  b.f32(std::numeric_limits<float>::infinity()).f32(std::numeric_limits<float>::quiet_NaN()).f32(1);
  load(binaryHeader(big(), 1, 0) + b.bytes());
  const std::vector<float> v = vertices();
  ASSERT_EQ(v.size(), 3u);
  EXPECT_TRUE(std::isinf(v[0]));
  EXPECT_TRUE(std::isnan(v[1]));
  EXPECT_EQ(v[2], 10);
}

TEST_P(ByteOrder, RecordsAcrossBufferBlocksAreReadWhole) {
  // Enough records that some straddle the file table's block boundaries.
  constexpr int kVertices = 120000;
  constexpr int kFaces = 90000;
  BinaryBody b = body();
  for (int i = 0; i < kVertices; ++i) b.f32(static_cast<float>(i)).f32(1).f32(-2);
  for (int i = 0; i < kFaces; ++i) {
    if (i % 3 == 0) {
      b.face({i, i + 1, i + 2, i + 3});
    } else {
      b.face({i, i + 1, i + 2});
    }
  }
  load(binaryHeader(big(), kVertices, kFaces) + b.bytes());
  const std::vector<float> v = vertices();
  ASSERT_EQ(v.size(), 3u * kVertices);
  for (int i = 0; i < kVertices; ++i) {
    ASSERT_EQ(v[3 * i], static_cast<float>(i) * 10) << i;
    ASSERT_EQ(v[3 * i + 2], -20) << i;
  }
  const std::vector<int32_t> p = polygons();
  size_t at = 0;
  for (int i = 0; i < kFaces; ++i) {
    const int32_t corners = i % 3 == 0 ? 4 : 3;
    ASSERT_LT(at + corners, p.size() + 1) << i;
    ASSERT_EQ(p[at], corners) << i;
    ASSERT_EQ(p[at + 1], i) << i;
    ASSERT_EQ(p[at + corners], i + corners - 1) << i;
    at += corners + 1;
  }
  EXPECT_EQ(at, p.size());
}

TEST_F(PlyImport, BinaryBodyBeginsAtTheByteAfterTheHeaderLineEnd) {
  // With CR LF line ends the LF after "end_header" is the first body byte: x = 10.
  BinaryBody b(false);
  b.u8(2).u8(3).u8(4);
  load(plyHeader({"format binary_little_endian 1.0", "element vertex 2", "property uchar x",
                  "property uchar y", "property uchar z", "element face 0",
                  "property list uchar int vertex_indices", "end_header"},
                 "\r\n") +
       b.bytes());
  EXPECT_THAT(vertices(), ElementsAre(100, 20, 30));
  load(plyHeader({"format binary_little_endian 1.0", "element vertex 1", "property uchar x",
                  "property uchar y", "property uchar z", "element face 0",
                  "property list uchar int vertex_indices", "end_header"}) +
       b.bytes());
  EXPECT_THAT(vertices(), ElementsAre(20, 30, 40));
}

}  // namespace
}  // namespace vlm::test

namespace vlm::ply {
namespace {

// The room made for the polygons of a binary body must hold files of quadrilaterals as
// well as of triangles, or the array moves (and copies itself) near the end of the file.
TEST(FaceLayoutRoom, HoldsEveryPolygonTheBytesCanCarry) {
  for (int32_t countCode = 0; countCode <= 2; ++countCode) {
    for (int32_t itemCode = 0; itemCode <= 4; ++itemCode) {
      PLYProperty list;
      list.PropType = kList;
      list.CountType = countCode;
      list.ItemType = itemCode;
      const FaceLayout layout = FaceLayout::of(std::span<const PLYProperty>(&list, 1));
      const uint64_t count = binarySize(countCode), item = binarySize(itemCode);
      for (uint64_t corners : {3u, 4u}) {
        const uint64_t records = 100000;
        const uint64_t bytes = records * (count + corners * item);
        const size_t room = layout.maxEntriesIn(bytes);
        SCOPED_TRACE(testing::Message() << countCode << "/" << itemCode << " n=" << corners);
        EXPECT_GE(room, records * (corners + 1));
        EXPECT_LE(room, records * (corners + 1) * 3 / 2);  // a bound, not a blank cheque
      }
    }
  }
}

}  // namespace
}  // namespace vlm::ply
