// Handing OBJ objects over: smoothing surfaces, names and colours, object marks, stop.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "importobj/ObjTestSupport.h"

namespace vlm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

const std::string kTriangle = "v 0 0 0\r\nv 1 0 0\r\nv 0 1 0\r\n";

std::string faces(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += "f 1 2 3\r\n";
  return s;
}

struct SurfaceCase {
  const char* name;
  std::string text;
  int16_t smoothAll;
  int16_t importNormals;
  std::vector<std::string> calls;
};

class ObjSurfaces : public ObjImport, public ::testing::WithParamInterface<SurfaceCase> {};

TEST_P(ObjSurfaces, RequestExactlyTheRunsOfTheSmoothingRecords) {
  dialog.smooth = GetParam().smoothAll;
  dialog.norm = GetParam().importNormals;
  load(GetParam().text);
  EXPECT_THAT(lines("Get_Surface", 1), ElementsAreArray(GetParam().calls));
}

const std::string kAll = "object#1.Get_Surface call (Integer 0)";

INSTANTIATE_TEST_SUITE_P(
    PlainForm, ObjSurfaces,
    ::testing::Values(
        SurfaceCase{"NoRecordSmoothAll", kTriangle + faces(2), 1, 1, {kAll}},
        SurfaceCase{"NoRecordNoSmoothAll", kTriangle + faces(2), 0, 1, {}},
        SurfaceCase{"OneRecordIgnoresItsFlags",
                    "g cube\r\ns off\r\n" + kTriangle + faces(2),
                    0,
                    1,
                    {"object#1.Get_Surface call (Integer 0, ByRef Long -1)",
                     "object#1.Get_Surface call (Long 0)"}},
        SurfaceCase{"TwoRecordsLastOffWithoutSmoothAll",
                    "s 1\r\n" + kTriangle + faces(4) + "s off\r\n" + faces(2),
                    0,
                    1,
                    {"object#1.Get_Surface call (Long 0, ByRef Long 3)"}},
        SurfaceCase{"TwoRecordsLastOffWithSmoothAll",
                    "s 1\r\n" + kTriangle + faces(4) + "s off\r\n" + faces(2),
                    1,
                    1,
                    {"object#1.Get_Surface call (Long 0, ByRef Long 3)",
                     "object#1.Get_Surface call (Long 4)"}},
        SurfaceCase{
            "GroupThenSmoothMakeOneRecord",
            kTriangle + faces(1) + "g a\r\ns 1\r\n" + faces(1) + "g b\r\ns off\r\n" + faces(1),
            0,
            1,
            {"object#1.Get_Surface call (Long 1, ByRef Long 1)"}},
        SurfaceCase{"SZeroCountsAsOn",
                    kTriangle + "s 0\r\n" + faces(2) + "s 2\r\n" + faces(1),
                    0,
                    1,
                    {"object#1.Get_Surface call (Long 0, ByRef Long 1)",
                     "object#1.Get_Surface call (Long 2)"}},
        SurfaceCase{"WithoutImportNormalsRecordsAreIgnored",
                    "s 1\r\n" + kTriangle + faces(4) + "s off\r\n" + faces(2),
                    1,
                    0,
                    {kAll}},
        SurfaceCase{
            "FileNormalsMeanNoSurfaces", "s 1\r\nvn 0 0 1\r\n" + kTriangle + faces(2), 1, 1, {}}),
    [](const auto& info) { return info.param.name; });

TEST_F(ObjImport, PlainFormNamesAfterTheFileWithBlanksAsUnderscores) {
  load(kTriangle + faces(1), "my big model.obj");
  EXPECT_THAT(lines("Name", 1), ElementsAre("object#1.Name put (String \"my_big_model\")"));
  EXPECT_THAT(lines("DefaultColor", 1), ElementsAre("object#1.DefaultColor put (Long 12615680)"));
  EXPECT_EQ(objects->Count(), 1);
}

TEST_F(ObjImport, HandOverOrderIsListsThenSurfacesThenNameAndColour) {
  load("vn 0 0 1\r\n" + kTriangle + "f 1//1 2//1 3//1\r\n");
  std::vector<std::string> members;
  for (const auto& r : recorder.records()) {
    if (r.receiver == "object#1") members.push_back(r.member);
  }
  EXPECT_THAT(members, ElementsAre("Add_Vertices", "Add_Poligons", "Set_PoligonNormals", "Name",
                                   "DefaultColor"));
}

TEST_F(ObjImport, FirstObjectMarkOnlyArmsTheSplit) {
  load(crlf({"# Object A", "v 0 0 0", "#Object B", "# object C", "# Object B x", "v 1 1 1",
             "# Object My Cube"}),
       "file name.obj");
  ASSERT_EQ(objects->Count(), 3);
  EXPECT_THAT(lines("Name", 1), ElementsAre("object#1.Name put (String \"file_name\")"));
  EXPECT_THAT(lines("Name", 2), ElementsAre("object#2.Name put (String \"B\")"));
  EXPECT_THAT(lines("Name", 3), ElementsAre("object#3.Name put (String \"My\")"));
}

TEST_F(ObjImport, SplitObjectsTakeColoursFromTheTableAndWrapAfterTen) {
  std::string text;
  for (int i = 0; i < 10; ++i) text += "# Object o" + std::to_string(i) + "\r\n";
  text += "# Object last\r\n";
  load(text);
  ASSERT_EQ(objects->Count(), 11);
  const int32_t expected[] = {12615680, 255,      4227327, 65280,   12615808, 4227327,
                              12615680, 12615935, 8421440, 8421504, 12615680};
  for (int n = 1; n <= 11; ++n) {
    EXPECT_THAT(lines("DefaultColor", n),
                ElementsAre("object#" + std::to_string(n) + ".DefaultColor put (Long " +
                            std::to_string(expected[n - 1]) + ")"))
        << n;
  }
}

TEST_F(ObjImport, SplitFormSmoothsOnlyObjectsBeforeTheFirstNormal) {
  load(crlf({"# Object", "v 0 0 0", "v 1 0 0", "v 0 1 0", "f 1 2 3", "s off", "# Object b",
             "vn 0 0 1", "f 1//1 2//1 3//1", "# Object c"}));
  EXPECT_THAT(lines("Get_Surface", 1), ElementsAre(kAll));
  EXPECT_THAT(lines("Get_Surface", 2), IsEmpty());
  EXPECT_THAT(lines("Get_Surface", 3), IsEmpty());
}

TEST_F(ObjImport, ObjectWithoutFacesGetsNoPolygonsOfThePreviousObject) {
  load(crlf({"# Object", "v 0 0 0", "v 1 0 0", "v 0 1 0", "f 1 2 3", "# Object empty",
             "# Object next", "v 2 2 2", "f -3 -2 -1"}));
  ASSERT_EQ(objects->Count(), 3);
  EXPECT_THAT(lines("Add_Vertices", 2), IsEmpty());
  EXPECT_THAT(lines("Add_Poligons", 2), IsEmpty());
  EXPECT_THAT(longs("Add_Poligons", 3), ElementsAre(3, -2, -1, 0));
}

TEST_F(ObjImport, StopMidFileHandsOverWhatWasRead) {
  dialog.stopAt(2);
  load(kTriangle + faces(3));
  ASSERT_EQ(objects->Count(), 1);
  EXPECT_THAT(singles("Add_Vertices", 1), ElementsAre(0, 0, 0, 10, 0, 0));
  EXPECT_THAT(lines("Add_Poligons", 1), IsEmpty());
  EXPECT_EQ(dialog.progress.size(), 2u);
}

}  // namespace
}  // namespace vlm::test
