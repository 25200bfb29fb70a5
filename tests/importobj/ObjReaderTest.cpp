// The OBJ line reader: line ends, vertices, faces and their index forms, normal records.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "importobj/ObjTestSupport.h"

namespace vlm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

TEST_F(ObjImport, FirstLineEndChoosesTheReadMode) {
  struct Case {
    const char* text;
    int32_t mode;
  } cases[] = {{"v 1 2 3\r\nv 4 5 6\r\n", 0}, {"v 1 2 3\nv 4 5 6\n", 1}, {"v 1 2 3\rv 4 5 6\r", 0}};
  for (const auto& c : cases) {
    modImport::ReadMode = 7;
    load(c.text);
    EXPECT_EQ(modImport::ReadMode, c.mode) << c.text;
    EXPECT_EQ(objects->Count(), 1);
  }
}

TEST_F(ObjImport, FileWithoutAnyLineEndFailsAndAddsNothing) {
  for (const char* text : {"", "v 1 2 3"}) {
    EXPECT_EQ(loadError(text), err::kInputPastEnd) << '"' << text << '"';
    EXPECT_EQ(objects->Count(), 0);
    EXPECT_EQ(fileTable().find(1), nullptr) << "file 1 must be closed before the failure passes on";
  }
}

TEST_F(ObjImport, DetectionCharactersAreNotCountedAndProgressFollowsEveryLine) {
  load("v 1 2 3\r\n\r\nvt 0 0\r\n");
  // Mode 0 counts line characters only: 7, 0, 6; the detection read is not counted.
  EXPECT_THAT(dialog.progress, ElementsAre(7.f, 7.f, 13.f, 13.f));
}

TEST_F(ObjImport, CoordinatesAreScaledByTenWithPeriodOrComma) {
  load(crlf({"v 1.5 2,5 -3", "v 1e1 -0,25 .5 99", "vn 0.1 0,2 3"}));
  EXPECT_THAT(singles("Add_Vertices", 1), ElementsAre(15.f, 25.f, -30.f, 100.f, -2.5f, 5.f));
}

TEST_F(ObjImport, BadCoordinateIsATypeMismatch) {
  for (const char* line : {"v 1 2", "v 1 x 3", "v 1.2.3 0 0", "vn 1 2", "v 1 2 3x"}) {
    EXPECT_EQ(loadError(crlf({line})), err::kTypeMismatch) << line;
    EXPECT_EQ(fileTable().find(1), nullptr);
  }
}

TEST_F(ObjImport, ConversionFailureKeepsObjectsAlreadyAdded) {
  const std::string text =
      crlf({"# Object a", "v 0 0 0", "# Object b", "v 1 1 1", "# Object c", "v x 0 0"});
  EXPECT_EQ(loadError(text), err::kTypeMismatch);
  EXPECT_EQ(objects->Count(), 2);  // a and b; the current object c is not added
}

struct FaceCase {
  const char* name;
  std::string text;
  std::vector<int32_t> polygons;
};

class ObjFaces : public ObjImport, public ::testing::WithParamInterface<FaceCase> {};

TEST_P(ObjFaces, GiveTheRecordsTheHostNeeds) {
  load(GetParam().text);
  EXPECT_THAT(longs("Add_Poligons", 1), ElementsAreArray(GetParam().polygons));
}

const std::string kFourVertices = "v 0 0 0\r\nv 1 0 0\r\nv 1 1 0\r\nv 0 1 0\r\n";

INSTANTIATE_TEST_SUITE_P(
    IndexForms, ObjFaces,
    ::testing::Values(
        FaceCase{"Absolute", kFourVertices + "f 1 2 3\r\n", {3, 0, 1, 2}},
        FaceCase{"Relative", kFourVertices + "f -3 -2 -1\r\n", {3, 1, 2, 3}},
        FaceCase{"FoKeyword", kFourVertices + "fo 1 2 3\r\n", {3, 0, 1, 2}},
        FaceCase{"TextureAndNormal", kFourVertices + "f 1/5/2 2/6/3 3/7/4\r\n", {3, 0, 1, 2}},
        FaceCase{"Quad", kFourVertices + "f 1 2 3 4\r\n", {4, 0, 1, 2, 3}},
        FaceCase{"FiveCornersKeepFour", kFourVertices + "f 1 2 3 4 1\r\n", {4, 0, 1, 2, 3}},
        FaceCase{"RelativeQuad", kFourVertices + "f -4 -3 -2 -1\r\n", {4, 0, 1, 2, 3}},
        FaceCase{"SignOfFirstDecides", kFourVertices + "f 1 -1 3\r\n", {3, 0, -2, 2}},
        FaceCase{"NotANumberIsIndexZero", kFourVertices + "f x 2 3\r\n", {3, -1, 1, 2}},
        FaceCase{"TwoCornersStillReachTheHost", kFourVertices + "f 1 2\r\n", {3, 0, 1, -1}},
        FaceCase{"BlockRelativeAfterTwoBlankLines",
                 kFourVertices + "f 1 2 3\r\n\r\n\r\nv 5 5 5\r\nv 6 6 6\r\nv 7 7 7\r\nf 1 2 3\r\n",
                 {3, 0, 1, 2, 3, 4, 5, 6}},
        FaceCase{"OneBlankLineIsNotEnough",
                 kFourVertices + "f 1 2 3\r\n\r\nv 5 5 5\r\nf 1 2 3\r\n",
                 {3, 0, 1, 2, 3, 0, 1, 2}},
        FaceCase{"BlankLinesBeforeAnyFaceDoNotCount",
                 "v 0 0 0\r\n\r\n\r\nv 1 1 1\r\nv 2 2 2\r\nf 1 2 3\r\n",
                 {3, 0, 1, 2}},
        FaceCase{"LineFeedFilesHaveNoBlankLines",
                 "v 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 3\n\n\nv 5 5 5\nf 1 2 3\n",
                 {3, 0, 1, 2, 3, 0, 1, 2}}),
    [](const auto& info) { return info.param.name; });

TEST_F(ObjImport, IndexArithmeticThatOverflowsIsAnOverflow) {
  EXPECT_EQ(loadError(kFourVertices + "f 99999999999 1 2\r\n"), err::kOverflow);
  EXPECT_EQ(loadError(kFourVertices + "f -2147483648 1 2\r\n"), 0);  // -2147483648 + 4 fits
}

TEST_F(ObjImport, NormalRecordsNumberPolygonsAsTheHostDoes) {
  load(kFourVertices + crlf({"vn 0 0 1", "vn 0 1 0", "f 1//1 2//1 3//2", "f 1//2 2//2 3//1 4//1"}));
  const float z = 10.f, y = 10.f;
  EXPECT_THAT(singles("Set_PoligonNormals", 1),
              ElementsAreArray<float>({0, 0, 0, z, 0, 0, z, 0, y, 0,     // triangle 0
                                       1, 0, y, 0, 0, y, 0, 0, 0, z,     // quad: 1-2-3
                                       2, 0, 0, z, 0, 0, z, 0, y, 0}));  // quad: 3-4-1
}

TEST_F(ObjImport, FacesBeforeTheFirstNormalGetNoRecord) {
  load(kFourVertices + crlf({"f 1 2 3", "vn 0 0 1", "f 1 2 3"}));
  const auto normals = singles("Set_PoligonNormals", 1);
  ASSERT_EQ(normals.size(), 10u);
  EXPECT_EQ(normals[0], 1.f);
}

TEST_F(ObjImport, NormalIndexOutsideTheListGivesTheZeroVector) {
  load(kFourVertices + crlf({"vn 0 0 1", "f 1//7 2//-5 3//1", "f -3//-1 -2//-9 -1"}));
  EXPECT_THAT(singles("Set_PoligonNormals", 1),
              ElementsAreArray<float>({0, 0, 0, 0,  0, 0, 0, 0, 0, 10,    // 7 and -5: no slot
                                       1, 0, 0, 10, 0, 0, 0, 0, 0, 0}));  // -1: last normal read
}

TEST_F(ObjImport, NormalsCarryOnAcrossObjectsAndVerticesSplitPerObject) {
  load(
      crlf({"# Object", "vn 1 0 0", "v 0 0 0", "v 1 0 0", "v 0 1 0", "f 1//1 2//1 3//1",
            "# Object second", "v 5 0 0", "v 6 0 0", "v 5 1 0", "f 4//1 5//1 6//1", "f -3 -2 -1"}));
  EXPECT_THAT(longs("Add_Poligons", 2), ElementsAre(3, 0, 1, 2, 3, 0, 1, 2));
  EXPECT_THAT(singles("Add_Vertices", 2), ElementsAre(50, 0, 0, 60, 0, 0, 50, 10, 0));
  EXPECT_EQ(singles("Set_PoligonNormals", 2)[1], 10.f);
}

}  // namespace
}  // namespace vlm::test
