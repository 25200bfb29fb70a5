// The DXF reader through Load: entities, the whole-list index rule, group pairing,
// line ends, failures, stop and progress.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

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
// The calls that name and colour object#n.
std::vector<std::string> nameAndColour(int n = 1) {
  const std::string o = "object#" + std::to_string(n);
  return {o + ".Name put (String \"model\")", o + ".DefaultColor put (Long 12615680)"};
}
const std::vector<std::string> kNameAndColour = nameAndColour();

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

// Texts and the arrays they must give (nullopt: not looked at).
TEST_F(DxfImport, EntitiesGiveTheseVerticesAndPolygonRecords) {
  using Floats = std::optional<std::vector<float>>;
  using Longs = std::optional<std::vector<int32_t>>;
  std::vector<float> wholeList = kFaceCoords;
  wholeList.insert(wholeList.end(), {5, 5, 5, 6, 6, 6});
  const std::string corner = vertex("0", "0", "0");
  const struct {
    const char* what;
    std::string text;
    Floats vertices;
    Longs polygons;
  } cases[] = {
      {"triangle face still gives four corners",
       kHead + face3d({"0", "0", "0", "2", "0", "0", "0", "2", "0", "0", "2", "0"}) + kTail,
       Floats({0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 2, 0}), Longs({4, 0, 1, 2, 3})},
      {"polyface record takes codes 71 to 73 and drops the 74",
       kHead + crlf({"0", "POLYLINE", "8", "0", "66", "1", "70", "64", "71", "4", "72", "1"}) +
           corner + vertex("1", "0", "0") + vertex("1", "1", "0") + vertex("0", "1", "0") +
           faceRecord({"71", "1", "72", "2", "73", "3", "74", "4"}) + crlf({"0", "SEQEND"}) + kTail,
       Floats({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}), Longs({3, 0, 1, 2})},
      {"record indices count over the whole vertex list of the file",
       kHead + kFaceA + kFaceB + vertex("5", "5", "5") + vertex("6", "6", "6") +
           faceRecord({"71", "9", "72", "10", "73", "1"}) + kTail,
       wholeList, Longs({4, 0, 1, 2, 3, 4, 4, 5, 6, 7, 3, 8, 9, 0})},
      {"negative index of an invisible edge counts by its absolute value",
       kHead + corner + vertex("1", "0", "0") + vertex("0", "1", "0") +
           faceRecord({"71", "-1", "72", "2", "73", "-3"}) + kTail,
       std::nullopt, Longs({3, 0, 1, 2})},
      {"missing corner code of a record is no vertex",
       kHead + corner + faceRecord({"71", "1", "72", "1"}) + kTail, std::nullopt,
       Longs({3, 0, 0, -1})},
      {"missing coordinate code is zero, so are non-numbers",
       kHead + crlf({"0", "VERTEX", "8", "0", "10", "1.5", "20", "2"}) +
           vertex("abc", "1,5", "-2e1") + kTail,
       Floats({1.5f, 2, 0, 0, 0, -20}), std::nullopt},
      // Real files put the layer "0" on nearly every entity; a value is never a group code.
      {"value lines that look like codes do not derail the entity",
       kHead + crlf({"0", "VERTEX", "10", "5", "8", "0", "20", "6", "62", "71", "30", "7"}) +
           crlf({"0",  "3DFACE", "8",  "10", "10", "1", "8",  "0", "20", "2",
                 "30", "3",      "11", "4",  "21", "5", "31", "6", "12", "7",
                 "22", "8",      "32", "9",  "13", "7", "23", "8", "33", "9"}) +
           kTail,
       Floats({5, 6, 7, 1, 2, 3, 4, 5, 6, 7, 8, 9, 7, 8, 9}), Longs({4, 1, 2, 3, 4})},
      {"right-justified group codes are read",
       crlf({"  0", "3DFACE", "  8", "0", " 10", "1", " 20", "2", " 30", "3",
             " 11", "4",      " 21", "5", " 31", "6", " 12", "7", " 22", "8",
             " 32", "9",      " 13", "7", " 23", "8", " 33", "9", "  0", "VERTEX",
             "  8", "0",      " 10", "1", " 20", "1", " 30", "1", "  0", "EOF"}),
       Floats({1, 2, 3, 4, 5, 6, 7, 8, 9, 7, 8, 9, 1, 1, 1}), std::nullopt},
      {"face cut off before its first corner adds nothing",
       kHead + kFaceA + crlf({"0", "3DFACE", "8", "0"}), std::nullopt, Longs({4, 0, 1, 2, 3})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    recorder.clearRecords();
    load(c.text);
    if (c.vertices) {
      EXPECT_EQ(singles("Add_Vertices", added()), *c.vertices);
    }
    if (c.polygons) {
      EXPECT_EQ(longs("Add_Poligons", added()), *c.polygons);
    }
  }
}

TEST_F(DxfImport, VerticesWithoutFaceRecordsGiveTheOneElementPolygonList) {
  load(kHead + vertex("1", "2", "3") + kTail);
  EXPECT_THAT(lines(), ElementsAre("object#1.Add_Vertices call (Single()[3])",
                                   "object#1.Add_Poligons call (Long()[1])", kNameAndColour[0],
                                   kNameAndColour[1]));
  EXPECT_THAT(longs("Add_Poligons"), ElementsAre(0));
}

// Texts that give an object with its name and colour and nothing else.
TEST_F(DxfImport, TextsWithoutGeometryGiveANamedColouredObjectOnly) {
  std::string lfOnly = kHead + kFaceA + vertex("1", "2", "3") + kTail;
  std::erase(lfOnly, '\r');  // one line: no entity at all
  const struct {
    const char* what;
    std::string text;
  } cases[] = {
      {"entity names count only as case-exact values of code 0",
       kHead +
           crlf({"0", "TEXT", "1", "3DFACE", "10", "1", "0", "3dface", "10", "1", "999", "VERTEX",
                 "10", "1"}) +
           kTail},
      {"line feed only file", lfOnly},
      {"no faces or vertices", kHead + kTail},
      {"empty file", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    recorder.clearRecords();
    load(c.text);
    EXPECT_EQ(lines(), nameAndColour(added()));
    EXPECT_EQ(objects->Count(), 1);
  }
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
  EXPECT_EQ(errorPartsOf([&] { load(kHead + kFaceA + kTail); }),
            ErrorParts(err::kInvalidCall, "Velmo", "no room"));
  EXPECT_EQ(fileTable().find(1), nullptr);
  EXPECT_EQ(objects->Count(), 0);
}

TEST_F(DxfImport, MissingFileFailsAndAddsNothing) {
  objects = std::make_shared<Collection>();
  CImp_DXF importer;
  EXPECT_EQ(errorOf([&] { importer.Load(dir.file("missing.dxf"), objects); }), err::kFileNotFound);
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
