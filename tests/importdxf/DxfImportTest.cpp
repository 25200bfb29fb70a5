// The DXF reader through Load: entities, the whole-list index rule, group pairing,
// line ends, failures, stop and progress.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "DxfTestSupport.h"
#include "refhost/CVLMObject.h"
#include "refhost/ReferenceScene.h"

namespace vlm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

const std::string kFaceA = face3d({"0", "0", "0", "1", "0", "0", "1", "1", "0", "0", "1", "0"});
const std::string kFaceB = face3d({"0", "0", "1", "1", "0", "1", "1", "1", "1", "0", "1", "1"});
const std::vector<float> kFaceCoords = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0,
                                        0, 0, 1, 1, 0, 1, 1, 1, 1, 0, 1, 1};
const std::vector<std::string> kNameAndColour = {"object#1.Name put (String \"model\")",
                                                 "object#1.DefaultColor put (Long 12615680)"};

TEST_F(DxfImport, TwoFacesGiveEightVerticesAndTwoFourCornerRecords) {
  load(kHead + kFaceA + kFaceB + kTail);
  EXPECT_THAT(lines(), ElementsAre("object#1.Add_Vertices call (Single()[24])",
                                   "object#1.Add_Poligons call (Long()[10])", kNameAndColour[0],
                                   kNameAndColour[1]));
  EXPECT_THAT(singles("Add_Vertices"), ElementsAreArray(kFaceCoords));
  EXPECT_THAT(longs("Add_Poligons"), ElementsAre(4, 0, 1, 2, 3, 4, 4, 5, 6, 7));
  EXPECT_EQ(objects->Count(), 1);
  EXPECT_EQ(fileTable().find(1), nullptr);
}

TEST_F(DxfImport, TriangleFaceStillGivesFourCornersAndAFourCornerRecord) {
  load(kHead + face3d({"0", "0", "0", "2", "0", "0", "0", "2", "0", "0", "2", "0"}) + kTail);
  EXPECT_THAT(singles("Add_Vertices"), ElementsAre(0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 2, 0));
  EXPECT_THAT(longs("Add_Poligons"), ElementsAre(4, 0, 1, 2, 3));
}

TEST_F(DxfImport, PolyfaceFaceRecordTakesCodes71To73AndDropsThe74) {
  const std::string polyline =
      crlf({"0", "POLYLINE", "8", "0", "66", "1", "70", "64", "71", "4", "72", "1"});
  load(kHead + polyline + vertex("0", "0", "0") + vertex("1", "0", "0") + vertex("1", "1", "0") +
       vertex("0", "1", "0") + faceRecord({"71", "1", "72", "2", "73", "3", "74", "4"}) +
       crlf({"0", "SEQEND"}) + kTail);
  EXPECT_THAT(singles("Add_Vertices"), ElementsAre(0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0));
  EXPECT_THAT(longs("Add_Poligons"), ElementsAre(3, 0, 1, 2));
}

TEST_F(DxfImport, FaceRecordIndicesCountOverTheWholeVertexListOfTheFile) {
  load(kHead + kFaceA + kFaceB + vertex("5", "5", "5") + vertex("6", "6", "6") +
       faceRecord({"71", "9", "72", "10", "73", "1"}) + kTail);
  std::vector<float> expected = kFaceCoords;
  expected.insert(expected.end(), {5, 5, 5, 6, 6, 6});
  EXPECT_THAT(singles("Add_Vertices"), ElementsAreArray(expected));
  EXPECT_THAT(longs("Add_Poligons"), ElementsAre(4, 0, 1, 2, 3, 4, 4, 5, 6, 7, 3, 8, 9, 0));
}

TEST_F(DxfImport, NegativeIndexOfAnInvisibleEdgeCountsByItsAbsoluteValue) {
  load(kHead + vertex("0", "0", "0") + vertex("1", "0", "0") + vertex("0", "1", "0") +
       faceRecord({"71", "-1", "72", "2", "73", "-3"}) + kTail);
  EXPECT_THAT(longs("Add_Poligons"), ElementsAre(3, 0, 1, 2));
}

TEST_F(DxfImport, MissingCornerCodeOfAFaceRecordIsNoVertex) {
  load(kHead + vertex("0", "0", "0") + faceRecord({"71", "1", "72", "1"}) + kTail);
  EXPECT_THAT(longs("Add_Poligons"), ElementsAre(3, 0, 0, -1));
}

TEST_F(DxfImport, MissingCoordinateCodeLeavesItAtZeroAndNonNumbersGiveZero) {
  load(kHead + crlf({"0", "VERTEX", "8", "0", "10", "1.5", "20", "2"}) +
       vertex("abc", "1,5", "-2e1") + kTail);
  EXPECT_THAT(singles("Add_Vertices"), ElementsAre(1.5f, 2, 0, 0, 0, -20));
}

TEST_F(DxfImport, VerticesWithoutFaceRecordsGiveTheOneElementPolygonList) {
  load(kHead + vertex("1", "2", "3") + kTail);
  EXPECT_THAT(lines(), ElementsAre("object#1.Add_Vertices call (Single()[3])",
                                   "object#1.Add_Poligons call (Long()[1])", kNameAndColour[0],
                                   kNameAndColour[1]));
  EXPECT_THAT(longs("Add_Poligons"), ElementsAre(0));
}

// Real files put the layer "0" on nearly every entity; a value is never a group code.
TEST_F(DxfImport, ValueLinesThatLookLikeCodesDoNotDerailTheEntity) {
  const std::string vertexWithLayerBetween =
      crlf({"0", "VERTEX", "10", "5", "8", "0", "20", "6", "62", "71", "30", "7"});
  const std::string faceWithOddLayers = crlf(
      {"0", "3DFACE", "8", "10", "10", "1",  "8", "0",  "20", "2",  "30", "3",  "11", "4",  "21",
       "5", "31",     "6", "12", "7",  "22", "8", "32", "9",  "13", "7",  "23", "8",  "33", "9"});
  load(kHead + vertexWithLayerBetween + faceWithOddLayers + kTail);
  EXPECT_THAT(singles("Add_Vertices"), ElementsAre(5, 6, 7, 1, 2, 3, 4, 5, 6, 7, 8, 9, 7, 8, 9));
  EXPECT_THAT(longs("Add_Poligons"), ElementsAre(4, 1, 2, 3, 4));
}

TEST_F(DxfImport, EntityNamesCountOnlyAsCaseExactValuesOfCodeZero) {
  const std::string text = crlf({"0", "TEXT", "1", "3DFACE", "10", "1", "0", "3dface", "10", "1",
                                 "999", "VERTEX", "10", "1"});
  load(kHead + text + kTail);
  EXPECT_EQ(lines(), kNameAndColour);
}

TEST_F(DxfImport, RightJustifiedGroupCodesAreRead) {
  const std::string padded = crlf(
      {"  0", "3DFACE", "  8", "0", " 10", "1", " 20", "2", " 30", "3", " 11", "4",  " 21", "5",
       " 31", "6",      " 12", "7", " 22", "8", " 32", "9", " 13", "7", " 23", "8",  " 33", "9",
       "  0", "VERTEX", "  8", "0", " 10", "1", " 20", "1", " 30", "1", "  0", "EOF"});
  load(padded);
  EXPECT_THAT(singles("Add_Vertices"), ElementsAre(1, 2, 3, 4, 5, 6, 7, 8, 9, 7, 8, 9, 1, 1, 1));
}

TEST_F(DxfImport, LineFeedOnlyFileIsOneLineAndGivesAnObjectWithoutGeometry) {
  std::string text = kHead + kFaceA + vertex("1", "2", "3") + kTail;
  std::erase(text, '\r');
  load(text);
  EXPECT_EQ(lines(), kNameAndColour);
  EXPECT_EQ(objects->Count(), 1);
}

TEST_F(DxfImport, FileWithoutFacesOrVerticesGivesANamedColouredObjectOnly) {
  load(kHead + kTail);
  EXPECT_EQ(lines(), kNameAndColour);
  EXPECT_EQ(objects->Count(), 1);
}

TEST_F(DxfImport, EmptyFileGivesANamedColouredObjectOnly) {
  load("");
  EXPECT_EQ(lines(), kNameAndColour);
  EXPECT_EQ(objects->Count(), 1);
}

TEST_F(DxfImport, FaceCutOffBeforeItsFirstCornerAddsNothing) {
  load(kHead + kFaceA + crlf({"0", "3DFACE", "8", "0"}));
  EXPECT_THAT(longs("Add_Poligons"), ElementsAre(4, 0, 1, 2, 3));
}

TEST_F(DxfImport, NonNumericFaceIndexFailsAfterClosingTheFileAndAddsNothing) {
  const std::string text =
      kHead + vertex("0", "0", "0") + faceRecord({"71", "1", "72", "two", "73", "3"}) + kTail;
  EXPECT_EQ(loadError(text), err::kTypeMismatch);
  EXPECT_EQ(fileTable().find(1), nullptr);
  EXPECT_EQ(objects->Count(), 0);
  EXPECT_THAT(lines(), IsEmpty());
}

TEST_F(DxfImport, HostFailureIsRaisedAgainUnchangedAfterClosingTheFile) {
  recorder.failCall({"object", "Add_Poligons", 0, err::kInvalidCall, "no room", "Velmo"});
  try {
    load(kHead + kFaceA + kTail);
    FAIL() << "the host's failure was swallowed";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::kInvalidCall);
    EXPECT_EQ(e.description(), "no room");
    EXPECT_EQ(e.source(), "Velmo");
  }
  EXPECT_EQ(fileTable().find(1), nullptr);
  EXPECT_EQ(objects->Count(), 0);
}

TEST_F(DxfImport, MissingFileFailsAndAddsNothing) {
  objects = std::make_shared<Collection>();
  CImp_DXF importer;
  try {
    importer.Load((dir.path() / "missing.dxf").string(), objects);
    FAIL() << "a missing file loaded";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::kFileNotFound);
  }
  EXPECT_EQ(objects->Count(), 0);
}

TEST_F(DxfImport, ObjectIsNamedAfterTheFileWithBlanksAsUnderscores) {
  load(kHead + kFaceA + kTail, "my model.dxf");
  EXPECT_THAT(lines(), ::testing::Contains("object#1.Name put (String \"my_model\")"));
}

TEST_F(DxfImport, StopMidFileHandsOverWhatWasReadSoFar) {
  // Main-loop lines: 0, SECTION, 2, ENTITIES, 0, then one line per 3DFACE.
  dialog.stopAt(6);
  load(kHead + kFaceA + kFaceB + kFaceA + kTail);
  EXPECT_THAT(longs("Add_Poligons"), ElementsAre(4, 0, 1, 2, 3));
  EXPECT_EQ(objects->Count(), 1);
  EXPECT_EQ(dialog.progress.size(), 6u);
  EXPECT_EQ(fileTable().find(1), nullptr);
}

TEST_F(DxfImport, ProgressStartsAtZeroAgainAndStopsAboveTheMaximum) {
  const std::string text = kHead + kFaceA + kTail;
  load(text);
  const std::vector<float> first = dialog.progress;
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(first.front(), 1.f);  // the line "0"
  dialog.progress.clear();
  load(text);
  EXPECT_EQ(dialog.progress, first);

  dialog.progress.clear();
  dialog.max = 8;  // "0" then "SECTION": 1 and 8 characters, then beyond
  load(text);
  EXPECT_THAT(dialog.progress, ElementsAre(1.f, 8.f));
}

// Every prefix of a sample either loads or fails cleanly (a cut index line is not a
// number), and file 1 is closed either way.
TEST_F(DxfImport, EveryTruncationLoadsOrFailsWithTheFileClosed) {
  const std::string sample = kHead + kFaceA + vertex("1", "2", "3") + vertex("4", "5", "6") +
                             faceRecord({"71", "12", "72", "-10", "73", "9"}) + kTail;
  for (size_t length = 0; length <= sample.size(); ++length) {
    const int error = loadError(sample.substr(0, length));
    EXPECT_TRUE(error == 0 || error == err::kTypeMismatch) << length << ": " << error;
    EXPECT_EQ(objects->Count(), error == 0 ? 1 : 0) << length;
    EXPECT_EQ(fileTable().find(1), nullptr) << length;
  }
}

// A stop at any yield hands over one object with what was read, and no further line is
// read after the stop.
TEST_F(DxfImport, StopAtEveryYieldHandsOverOneObject) {
  const std::string sample = kHead + kFaceA + vertex("1", "2", "3") +
                             faceRecord({"71", "1", "72", "2", "73", "3"}) + kTail;
  load(sample);
  const size_t yields = dialog.progress.size();
  for (size_t n = 1; n <= yields; ++n) {
    dialog.progress.clear();
    dialog.stopAt(n);
    modImport::StopImport = false;
    load(sample);
    EXPECT_EQ(dialog.progress.size(), n);
    EXPECT_EQ(objects->Count(), 1) << n;
    EXPECT_EQ(fileTable().find(1), nullptr) << n;
  }
}

// The sample in examples/ reaches the reference host whole: walls and roof as 3D faces,
// the chimney's triangles through the whole-list indices with invisible edges.
TEST_F(DxfImport, HouseSampleImportsWithEveryPolygonValid) {
  refhost::registerReferenceHostClasses();
  objects = std::make_shared<Collection>();
  CImp_DXF importer;
  importer.Load(VLM_EXAMPLES_DIR "/house.dxf", objects);
  ASSERT_EQ(objects->Count(), 1);
  const auto house = std::dynamic_pointer_cast<refhost::CVLMObject>(objects->Item(1));
  ASSERT_NE(house, nullptr);
  EXPECT_EQ(house->name(), "house");
  EXPECT_EQ(house->mesh().vertexCount(), 8 * 4 + 8);
  EXPECT_EQ(house->mesh().triangleCount(), 8 * 2 + 12);
  EXPECT_EQ(house->invalidPolygons(), 0);
}

}  // namespace
}  // namespace vlm::test
