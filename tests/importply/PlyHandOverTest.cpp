// Load around the readers: the hand-over to the host object and the collection, repeated
// loads, and failures that pass to the caller.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "PlyTestSupport.h"

namespace vlm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kCube =
    "ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\nproperty float y\n"
    "property float z\nelement face 2\nproperty list uchar int vertex_indices\nend_header\n"
    "0 0 0\n1 0 0\n1 1 0\n0 1 0\n3 0 1 2\n4 0 1 2 3\n";
const std::string kVerticesOnly =
    "ply\nformat ascii 1.0\nelement vertex 1\nelement face 0\nend_header\n1 1 1\n";

TEST_F(PlyImport, HandOverCallsTheHostInOrderAndAddsOneObject) {
  load(kCube, "cube.ply");
  EXPECT_THAT(lines(), ElementsAre("object#1.Add_Vertices call (Single()[12])",
                                   "object#1.Add_Poligons call (Long()[9])",
                                   "object#1.Get_Surface call (Integer 0)",
                                   "object#1.Name put (String \"cube\")"));
  EXPECT_EQ(objectCount(), 1);
  EXPECT_THAT(polygons(), ElementsAre(3, 0, 1, 2, 4, 0, 1, 2, 3));
}

TEST_F(PlyImport, ObjectWithoutPolygonsGetsNoPolygonCall) {
  load(kVerticesOnly);
  EXPECT_THAT(lines(), ElementsAre("object#1.Add_Vertices call (Single()[3])",
                                   "object#1.Get_Surface call (Integer 0)",
                                   "object#1.Name put (String \"model\")"));
}

TEST_F(PlyImport, SecondLoadDoesNotHandOverTheFirstFilesData) {
  CImp_PLY importer;
  loadWith(importer, kCube);
  EXPECT_EQ(polygons().size(), 9u);
  loadWith(importer, kVerticesOnly);
  EXPECT_THAT(vertices(), ElementsAre(10, 10, 10));
  EXPECT_THAT(polygons(), IsEmpty());
}

TEST_F(PlyImport, ImporterSetsCharacterLineModeWhenCreated) {
  // The header is split at LF only in character mode, whatever another importer chose.
  modImport::ReadMode = 0;
  CImp_PLY importer;
  EXPECT_EQ(modImport::ReadMode, 1);
  loadWith(importer, kCube);
  EXPECT_EQ(objectCount(), 1);
}

TEST_F(PlyImport, FailingHostCallPassesOnUnchangedAndClosesTheFile) {
  recorder.failCall({"object", "Add_Poligons", 0, 1234, "host refused", "Velmo"});
  EXPECT_EQ(errorPartsOf([&] { load(kCube); }), ErrorParts(1234, "Velmo", "host refused"));
  EXPECT_EQ(objects->Count(), 0);
  EXPECT_EQ(fileTable().find(1), nullptr);
}

TEST_F(PlyImport, MissingFileIsFileNotFound) {
  objects = std::make_shared<Collection>();
  CImp_PLY importer;
  EXPECT_EQ(errorOf([&] { importer.Load(dir.file("absent.ply"), objects); }), err::kFileNotFound);
  EXPECT_EQ(objects->Count(), 0);
}

}  // namespace
}  // namespace vlm::test
