// The POV-Ray reader through Load: declared meshes, brace depth, keywords, triangles and
// their exact host calls, failures, stop and progress.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "PovTestSupport.h"
#include "refhost/CVLMObject.h"
#include "refhost/ReferenceScene.h"

namespace vlm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr std::string_view kTriangle = "triangle { <0,0,0>, <1,0,0>, <0,1,0> }";
constexpr std::string_view kSmooth =
    "smooth_triangle { <0,0,0>,<0,0,1>, <1,0,0>,<0,1,0>, <0,1,0>,<1,0,0> }";

TEST_F(PovImport, DeclaredMeshGivesOneObjectBuiltVertexByVertex) {
  load(crlf({"#declare Teapot = mesh {", "  triangle { <0,0,0>, <1,0,0>, <0,1,0> }",
             "  triangle { <1,1,1>, <2,1,1>, <1,2,1> }", "}"}));
  EXPECT_THAT(lines(), ElementsAre(nameCall(1, "Teapot"), colourCall(1),
                                   vertexCall(1, "0", "0", "0"), vertexCall(1, "1", "0", "0"),
                                   vertexCall(1, "0", "1", "0"), polygonCall(1, 0, 1, 2),
                                   vertexCall(1, "1", "1", "1"), vertexCall(1, "2", "1", "1"),
                                   vertexCall(1, "1", "2", "1"), polygonCall(1, 3, 4, 5)));
  EXPECT_EQ(objects->Count(), 1);
  EXPECT_EQ(fileTable().find(1), nullptr);
}

TEST_F(PovImport, SmoothTriangleSendsCornersThenPolygonThenItsOwnPolygonNumber) {
  load(crlf({"#declare M = mesh {", kTriangle, kTriangle, kSmooth, "}"}));
  EXPECT_THAT(lines("Add_Poligon"), ElementsAre(polygonCall(1, 0, 1, 2), polygonCall(1, 3, 4, 5),
                                                polygonCall(1, 6, 7, 8)));
  EXPECT_THAT(lines("Set_PoligonNormal"),
              ElementsAre("object#1.Set_PoligonNormal call (ByRef Long 2, ByRef Single 0, "
                          "ByRef Single 0, ByRef Single 1, ByRef Single 0, ByRef Single 1, "
                          "ByRef Single 0, ByRef Single 1, ByRef Single 0, ByRef Single 0)"));
  const std::vector<std::string> all = lines();
  const std::vector<std::string> tail(all.end() - 5, all.end());
  EXPECT_THAT(tail, ElementsAre(vertexCall(1, "0", "0", "0"), vertexCall(1, "1", "0", "0"),
                                vertexCall(1, "0", "1", "0"), polygonCall(1, 6, 7, 8),
                                ::testing::StartsWith("object#1.Set_PoligonNormal")));
}

class PovSpelling : public PovImport,
                    public ::testing::WithParamInterface<std::array<const char*, 4>> {};

TEST_P(PovSpelling, KeywordsMatchInAnyCaseAndTheDeclaredNameKeepsItsCase) {
  const auto& s = GetParam();
  load(crlf({s[0], std::string(s[1]) + " { <0,0,0>, <1,0,0>, <0,1,0> }",
             std::string(s[2]) + " { <0,0,0>,<0,0,1>, <1,0,0>,<0,0,1>, <0,1,0>,<0,0,1> }", s[3]}));
  EXPECT_THAT(lines("Name"), ElementsAre(nameCall(1, "TeaPot")));
  EXPECT_EQ(lines("Add_Vertex").size(), 6u);
  EXPECT_EQ(lines("Add_Poligon").size(), 2u);
  EXPECT_EQ(lines("Set_PoligonNormal").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PovSpelling,
    ::testing::Values(
        std::array<const char*, 4>{"#declare TeaPot = mesh {", "triangle", "smooth_triangle", "}"},
        std::array<const char*, 4>{"#DECLARE TeaPot = MESH {", "TRIANGLE", "SMOOTH_TRIANGLE", "}"},
        std::array<const char*, 4>{"#Declare TeaPot = Mesh {", "Triangle", "Smooth_Triangle",
                                   "}"}));

TEST_F(PovImport, ObjectBlockAddsAnObjectNamedObjectAndLaterMeshesKeepThatName) {
  load(crlf(
      {"#declare Teapot = mesh {", kTriangle, "}", "object { Teapot }", "mesh {", kTriangle, "}"}));
  EXPECT_THAT(lines("Name"),
              ElementsAre(nameCall(1, "Teapot"), nameCall(2, "Object"), nameCall(3, "Object")));
  EXPECT_THAT(lines("Add_Poligon"), ElementsAre(polygonCall(1, 0, 1, 2), polygonCall(3, 0, 1, 2)));
  EXPECT_EQ(objects->Count(), 3);
}

TEST_F(PovImport, DeclaredNameNamesEveryMeshUntilTheNextDeclaration) {
  load(crlf({"#declare A = mesh {", "}", "mesh {", "}", "#declare B = mesh {", "}"}));
  EXPECT_THAT(lines("Name"), ElementsAre(nameCall(1, "A"), nameCall(2, "A"), nameCall(3, "B")));
}

// A declaration whose name is missing leaves no pending name: the mesh after it makes
// no object and its triangles carry on in the object made last.
TEST_F(PovImport, UnnamedMeshCreatesNothingAndItsTrianglesGoToTheLastObject) {
  load(crlf({"#declare A = mesh {", kTriangle, "}", "#declare", "mesh {", kTriangle, "}"}));
  EXPECT_EQ(objects->Count(), 1);
  EXPECT_THAT(lines("Add_Poligon"), ElementsAre(polygonCall(1, 0, 1, 2), polygonCall(1, 3, 4, 5)));
}

TEST_F(PovImport, UnnamedMeshWithoutTrianglesIsNoError) {
  load(crlf({"mesh {", "}"}));
  EXPECT_EQ(objects->Count(), 0);
  EXPECT_THAT(lines(), IsEmpty());
}

TEST_F(PovImport, TriangleBeforeAnyObjectFailsWithTheCollectionsErrorAfterClosingTheFile) {
  EXPECT_EQ(loadError(crlf({"mesh {", kTriangle, "}"})), err::kSubscript);
  EXPECT_EQ(objects->Count(), 0);
  EXPECT_EQ(fileTable().find(1), nullptr);
  EXPECT_THAT(lines(), IsEmpty());
}

TEST_F(PovImport, LoadPutsANewCollectionInItsArgument) {
  CollectionRef before = std::make_shared<Collection>();
  objects = before;
  CImp_POV importer;
  importer.Load(dir.write("a.inc", crlf({"#declare A = mesh {", kTriangle, "}"})), objects);
  EXPECT_NE(objects, before);
  EXPECT_EQ(before->Count(), 0);
  EXPECT_EQ(objects->Count(), 1);
}

TEST_F(PovImport, VectorsOnTheirOwnLinesAreSkipped) {
  load(crlf({"#declare A = mesh {", "triangle {", "<0,0,0>,", "<1,0,0>,", "<0,1,0>", "}", "}"}));
  EXPECT_THAT(lines(), ElementsAre(nameCall(1, "A"), colourCall(1)));
}

TEST_F(PovImport, TransformationsAreRecognisedAndLeaveCoordinatesAsTheyStand) {
  load(crlf({"#declare A = mesh {", "triangle { <1,2,3>, <4,5,6>, <7,8,9> }",
             "translate <10,10,10>", "rotate < 90, 0, 0 > scale 2", "scale 2", "}"}));
  EXPECT_THAT(lines(), ElementsAre(nameCall(1, "A"), colourCall(1), vertexCall(1, "1", "2", "3"),
                                   vertexCall(1, "4", "5", "6"), vertexCall(1, "7", "8", "9"),
                                   polygonCall(1, 0, 1, 2)));
}

struct BraceCase {
  const char* name;
  std::string text;
  std::vector<std::string> names;
  size_t vertices;
};

class PovBraces : public PovImport, public ::testing::WithParamInterface<BraceCase> {};

TEST_P(PovBraces, DepthDecidesWhichKeywordsCount) {
  load(GetParam().text);
  EXPECT_THAT(lines("Name"), ElementsAreArray(GetParam().names));
  EXPECT_EQ(lines("Add_Vertex").size(), GetParam().vertices);
}

const std::string kTwoMeshesTail = crlf({"}", "#declare B = mesh {", kTriangle, "}"});

INSTANTIATE_TEST_SUITE_P(
    Cases, PovBraces,
    ::testing::Values(
        BraceCase{"WellFormed",
                  crlf({"#declare A = mesh {", kTriangle}) + kTwoMeshesTail,
                  {nameCall(1, "A"), nameCall(2, "B")},
                  6},
        // The glued brace is counted by the tokeniser, the closing one goes with the line:
        // the depth stays one up, so B's declaration is not read and its triangle goes to A.
        BraceCase{
            "GluedTriangleLeavesDepthOneUp",
            crlf({"#declare A = mesh{", "triangle{<0,0,0>,<1,0,0>,<0,1,0>}"}) + kTwoMeshesTail,
            {nameCall(1, "A")},
            6},
        BraceCase{"ClosingBraceWithCommaIsNotCounted",
                  crlf({"#declare A = mesh {", kTriangle, "},"}) +
                      crlf({"#declare B = mesh {", kTriangle, "}"}),
                  {nameCall(1, "A")},
                  6},
        BraceCase{"ShapeBlocksCreateNothingButCountTheirBraces",
                  crlf({"sphere { <0,0,0>, 1 }", "box {", " <0,0,0>, <1,1,1>", "}",
                        "#declare A = mesh {", kTriangle, "}"}),
                  {nameCall(1, "A")},
                  3},
        BraceCase{"TriangleOutsideBracesIsNotRead",
                  crlf({"#declare A = mesh {", "}", kTriangle}),
                  {nameCall(1, "A")},
                  0},
        BraceCase{
            "DeclareAndObjectInsideBracesAreNotRead",
            crlf({"#declare A = mesh {", "#declare B = mesh {", "object { A }", kTriangle, "}"}),
            {nameCall(1, "A")},
            3},
        BraceCase{"NothingCountsBelowDepthZero",
                  crlf({"}", "#declare A = mesh {", "{ mesh {", "}"}),
                  {},
                  0},
        BraceCase{"TabsAreBlanks",
                  crlf({"#declare\tA\t=\tmesh\t{",
                        "\ttriangle\t{\t<0,\t0,\t0>,\t<1,0,0>,"
                        "\t<0,1,0>\t}",
                        "}"}),
                  {nameCall(1, "A")},
                  3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PovImport, LineFeedOnlyFileIsOneLineAndKeywordsBeforeALineFeedAreNotRead) {
  const std::string text = crlf({"#declare A = mesh", "{", kTriangle, "}"});
  load(text);
  EXPECT_EQ(lines("Add_Vertex").size(), 3u);  // with CR LF the mesh is read

  std::string lf = text;
  std::erase(lf, '\r');
  recorder.clearRecords();
  load(lf);
  EXPECT_THAT(lines(), IsEmpty());
  EXPECT_EQ(objects->Count(), 0);
}

TEST_F(PovImport, ShortTrianglesAddNothingAndOddVectorsAreZero) {
  load(crlf({"#declare A = mesh {", "triangle { <0,0,0>, <1,0,0> }",
             "smooth_triangle { <0,0,0>,<0,0,1>, <1,0,0>,<0,0,1>, <0,1,0> }",
             "triangle { <1,2>, <1,2,3,4>, <5,6,7 <8,9,10> }",
             "triangle { <0.5, -1.25 ,2e1>, < 1 , 2 , 3 >, <+4,5.,.5> }", "}"}));
  EXPECT_THAT(lines("Add_Vertex"),
              ElementsAre(vertexCall(1, "0", "0", "0"), vertexCall(1, "0", "0", "0"),
                          vertexCall(1, "0", "0", "0"), vertexCall(1, "0.5", "-1.25", "20"),
                          vertexCall(1, "1", "2", "3"), vertexCall(1, "4", "5", "0.5")));
  EXPECT_THAT(lines("Add_Poligon"), ElementsAre(polygonCall(1, 0, 1, 2), polygonCall(1, 3, 4, 5)));
}

TEST_F(PovImport, BadNumberFailsAfterClosingTheFileAndKeepsEarlierObjects) {
  const std::string cases[] = {
      crlf({"#declare A = mesh {", kTriangle, "triangle { <0,0,0>, <x,0,0>, <0,1,0> }"}),
      crlf({"#declare A = mesh {", kTriangle, "triangle { <0,0,0>, <1,,0>, <0,1,0> }"}),
      crlf({"#declare A = mesh {", kTriangle, "rotate < 9, 0, a >"}),
  };
  for (const std::string& text : cases) {
    recorder.clearRecords();
    EXPECT_EQ(loadError(text), err::kTypeMismatch) << text;
    EXPECT_EQ(objects->Count(), 1);
    EXPECT_EQ(fileTable().find(1), nullptr);
  }
}

TEST_F(PovImport, HostFailureInATriangleIsRaisedAgainUnchanged) {
  recorder.failCall({"object", "Add_Poligon", 0, err::kInvalidCall, "full", "Velmo"});
  EXPECT_EQ(errorPartsOf([&] { load(crlf({"#declare A = mesh {", kTriangle, "}"})); }),
            ErrorParts(err::kInvalidCall, "Velmo", "full"));
  EXPECT_EQ(fileTable().find(1), nullptr);
  EXPECT_EQ(objects->Count(), 1);
}

// The failed object is not added; its reset indices still apply to the object before it.
TEST_F(PovImport, FailureWhileMakingAnObjectIsIgnored) {
  recorder.failCall({"object#2", "Name", 0, err::kInvalidCall, "", "Velmo"});
  load(crlf({"#declare A = mesh {", kTriangle, "}", "#declare B = mesh {", kTriangle, "}"}));
  EXPECT_EQ(objects->Count(), 1);
  EXPECT_THAT(lines("Add_Poligon"), ElementsAre(polygonCall(1, 0, 1, 2), polygonCall(1, 0, 1, 2)));
}

TEST_F(PovImport, StopMidFileHandsOverWhatWasRead) {
  dialog.stopAt(2);
  load(crlf({"#declare A = mesh {", kTriangle, kTriangle, "}"}));
  EXPECT_EQ(objects->Count(), 1);
  EXPECT_THAT(lines("Add_Poligon"), ElementsAre(polygonCall(1, 0, 1, 2)));
  EXPECT_EQ(fileTable().find(1), nullptr);
}

TEST_F(PovImport, ProgressStartsAtZeroAndIsShownOnlyUpToTheMaximum) {
  const std::string text = crlf({"#declare A = mesh {", kTriangle, "}"});
  modImport::CharsRead = 5000;
  load(text);
  const float first = 19, second = first + static_cast<float>(kTriangle.size());
  EXPECT_THAT(dialog.progress, ElementsAre(first, second, second + 1, second + 1));

  dialog.progress.clear();
  dialog.max = second;
  load(text);
  EXPECT_THAT(dialog.progress, ElementsAre(first, second));
}

// Every prefix of a sample either loads or fails with a conversion error (a cut vector),
// and file 1 is closed either way.
TEST_F(PovImport, EveryTruncationLoadsOrFailsWithTheFileClosed) {
  const std::string sample = crlf({"#declare A = mesh {", std::string(kTriangle), kSmooth,
                                   "translate < 1, 2, 3 >", "}", "object { A }"});
  for (size_t length = 0; length <= sample.size(); ++length) {
    const int error = loadError(sample.substr(0, length));
    EXPECT_TRUE(error == 0 || error == err::kTypeMismatch) << length << ": " << error;
    EXPECT_EQ(fileTable().find(1), nullptr) << length;
  }
}

// A stop at any yield keeps the objects made so far, and no further line is read.
TEST_F(PovImport, StopAtEveryYieldKeepsWhatWasMade) {
  const std::string sample =
      crlf({"#declare A = mesh {", kTriangle, "}", "#declare B = mesh {", kSmooth, "}"});
  load(sample);
  const size_t yields = dialog.progress.size();
  for (size_t n = 1; n <= yields; ++n) {
    dialog.progress.clear();
    dialog.stopAt(n);
    modImport::StopImport = false;
    load(sample);
    EXPECT_EQ(dialog.progress.size(), n);
    EXPECT_EQ(objects->Count(), n < 4 ? 1 : 2) << n;
    EXPECT_EQ(fileTable().find(1), nullptr) << n;
  }
}

// The sample in examples/ reaches the reference host whole: the smooth gem with a normal
// record per triangle, the plinth of plain triangles.
TEST_F(PovImport, GemSampleImportsBothMeshesWithTheirNormals) {
  refhost::registerReferenceHostClasses();
  objects = std::make_shared<Collection>();
  CImp_POV importer;
  importer.Load(VLM_EXAMPLES_DIR "/gem.inc", objects);
  ASSERT_EQ(objects->Count(), 2);
  const auto gem = std::dynamic_pointer_cast<refhost::CVLMObject>(objects->Item(1));
  const auto plinth = std::dynamic_pointer_cast<refhost::CVLMObject>(objects->Item(2));
  ASSERT_TRUE(gem && plinth);
  EXPECT_EQ(gem->name(), "Gem");
  EXPECT_EQ(gem->mesh().triangleCount(), 128);
  EXPECT_EQ(gem->mesh().vertexCount(), 3 * 128);
  EXPECT_EQ(gem->normalRecords(), 128);
  EXPECT_EQ(gem->invalidNormals(), 0);
  EXPECT_EQ(plinth->name(), "Plinth");
  EXPECT_EQ(plinth->mesh().triangleCount(), 12);
  EXPECT_EQ(plinth->invalidPolygons(), 0);
  EXPECT_FALSE(plinth->mesh().hasCornerNormals());
}

}  // namespace
}  // namespace vlm::test
