// What the scenes of tests/data/inc cannot show: the collection Load hands back, host
// failures, progress, and what every stop keeps, with file 1 closed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "importpov/CImp_POV.h"
#include "support/ImporterFixture.h"

namespace vlm::test {
namespace {

using ::testing::ElementsAre;

class PovImport : public ImporterFixture<CImp_POV> {
 protected:
  PovImport() : ImporterFixture("model.inc") {}
};

constexpr std::string_view kTriangle = "triangle { <0,0,0>, <1,0,0>, <0,1,0> }";
const std::string kMeshA = crlf({"#declare A = mesh {", kTriangle, "}"});
const std::string kSample =
    kMeshA + crlf({"#declare B = mesh {",
                   "smooth_triangle { <0,0,0>,<0,0,1>, <1,0,0>,<0,1,0>, <0,1,0>,<1,0,0> }",
                   "translate < 1, 2, 3 >", "}", "object { A }"});

TEST_F(PovImport, LoadPutsANewCollectionInItsArgument) {
  CollectionRef before = std::make_shared<Collection>();
  objects = before;
  CImp_POV importer;
  import.emplace(dir.write("a.inc", kMeshA), dialog.options, dialog, dialog.stop);
  importer.Load(*import, objects);
  EXPECT_NE(objects, before);
  EXPECT_EQ(before->Count(), 0);
  EXPECT_EQ(objects->Count(), 1);
}

// Failures are raised again unchanged after closing file 1; the objects made stay.
TEST_F(PovImport, FailureClosesTheFileAndKeepsTheObjectsMade) {
  EXPECT_EQ(loadError(crlf({"mesh {", kTriangle, "}"})), err::kSubscript);
  EXPECT_EQ(fileTable().find(1), nullptr);
  CImp_POV importer;
  EXPECT_EQ(errorOf([&] { loadPath(importer, dir.file("missing.inc")); }), err::kFileNotFound);

  recorder.failCall({"object", "Add_Poligon", 0, err::kInvalidCall, "full", "Velmo"});
  EXPECT_EQ(errorPartsOf([&] { load(kMeshA); }), ErrorParts(err::kInvalidCall, "Velmo", "full"));
  EXPECT_EQ(fileTable().find(1), nullptr);
  EXPECT_EQ(objects->Count(), 1);
}

// The failed object is not added; its reset indices still apply to the object before it.
TEST_F(PovImport, FailureWhileMakingAnObjectIsIgnored) {
  recorder.failCall({"object#2", "Name", 0, err::kInvalidCall, "", "Velmo"});
  load(kMeshA + crlf({"#declare B = mesh {", kTriangle, "}"}));
  EXPECT_EQ(objects->Count(), 1);
  EXPECT_THAT(lines("Add_Poligon"),
              ElementsAre("object#1.Add_Poligon call (Long 0, Long 1, Long 2)",
                          "object#1.Add_Poligon call (Long 0, Long 1, Long 2)"));
}

TEST_F(PovImport, ProgressStartsAtZeroAndIsShownOnlyUpToTheMaximum) {
  charsReadBefore = 5000;
  load(kMeshA);
  const float first = 19, second = first + static_cast<float>(kTriangle.size());
  EXPECT_THAT(dialog.progress, ElementsAre(first, second, second + 1, second + 1));

  dialog.progress.clear();
  dialog.max = second;
  load(kMeshA);
  EXPECT_THAT(dialog.progress, ElementsAre(first, second));
}

// A stop at any report keeps the objects made so far, and no line is read after the stop.
TEST_F(PovImport, StopAtEveryYieldKeepsWhatWasMade) {
  EXPECT_EQ(objectsAtEveryStop(kSample), "111222233");
}

}  // namespace
}  // namespace vlm::test
