// What the scenes of tests/data/obj cannot show: the read mode the first line end
// chooses, the progress reported to the dialog, records the host counts as invalid, and
// the error and closed file that a failing, cut or stopped Load leaves behind; and the
// face corners in every form.
#include <gtest/gtest.h>

#include "importobj/CImp_OBJ.h"
#include "importobj/ObjFaces.h"
#include "support/ErrorOf.h"
#include "support/ImporterFixture.h"

namespace vlm::test {
namespace {

class ObjImport : public ImporterFixture<CImp_OBJ> {
 protected:
  ObjImport() : ImporterFixture("model.obj") {}
};

// The first CR or LF decides, wherever it stands: at the very end, or past the first
// block the detection reads.
TEST_F(ObjImport, FirstLineEndChoosesTheReadMode) {
  const std::string longComment = "# " + std::string(5000, 'x');
  const std::pair<std::string, int32_t> cases[] = {
      {"v 1 2 3\r\nv 4 5 6\r\n", 0}, {"v 1 2 3\nv 4 5 6\n", 1},
      {"v 1 2 3\rv 4 5 6\r", 0},     {"v 1 2 3\n", 1},
      {longComment + "\n", 1},       {longComment + "\r", 0}};
  for (const auto& [text, mode] : cases) {
    readModeBefore = 7;
    load(text);
    EXPECT_EQ(import->ReadMode, mode) << text.size();
  }
}

// Whole lines count their characters only; lines of the other mode count every character
// read, the line ends, the skipped empty lines and the read that finds the end. The
// detection's characters are not counted.
TEST_F(ObjImport, ProgressFollowsEveryLine) {
  const std::pair<const char*, std::vector<float>> cases[] = {
      {"v 1 2 3\r\n\r\nvt 0 0\r\n", {7, 7, 13, 13}}, {"v 1 2 3\n\nvt 0 0\n", {8, 16, 17}}};
  for (const auto& [text, progress] : cases) {
    dialog.progress.clear();
    load(text);
    EXPECT_EQ(dialog.progress, progress) << text;
  }
}

// The records as the host gets them where its scene cannot tell them apart: each of
// these polygons is one it counts as invalid.
TEST_F(ObjImport, FaceRecordsReachTheHostAsComputed) {
  const std::pair<const char*, std::vector<int32_t>> cases[] = {
      {"f 1 -1 3", {3, 0, -2, 2}},  // the sign of the first corner decides
      {"f x 2 3", {3, -1, 1, 2}},   // not a number is index 0
      {"f 1 2", {3, 0, 1, -1}},     // two corners still make a record
  };
  for (const auto& [face, record] : cases) {
    load(crlf({"v 0 0 0", "v 1 0 0", "v 1 1 0", "v 0 1 0", face}));
    EXPECT_EQ(longs("Add_Poligons", added()), record) << face;
  }
}

// No trap of its own: the error passes on, nothing of the current object is added, and
// file 1 is closed all the same. (A type mismatch shows no message: the overflows, cuts
// and empty files are golden scenes.)
TEST_F(ObjImport, FailureClosesTheFileAndAddsTheCurrentObjectNot) {
  const std::pair<std::string, int> cases[] = {
      {"v 1 2\r\n", err::kTypeMismatch},       {"v 1 x 3\r\n", err::kTypeMismatch},
      {"v 1.2.3 0 0\r\n", err::kTypeMismatch}, {"v 1 2 3x\r\n", err::kTypeMismatch},
      {"vn 1 2\r\n", err::kTypeMismatch},      {"v 0 0 0\r\nf 1 99999999999 1\r\n", err::kOverflow}};
  for (const auto& [text, error] : cases) {
    EXPECT_EQ(loadError(text), error) << text;
    EXPECT_EQ(objects->Count(), 0) << text;
    EXPECT_EQ(fileTable().find(1), nullptr) << text;
  }
  CImp_OBJ importer;
  EXPECT_EQ(errorOf([&] { loadPath(importer, dir.file("missing.obj")); }), err::kFileNotFound);
}

// A stop at any report hands over the objects read, no line is read after the stop, and
// file 1 is closed. (Cuts and damaged bytes go through the whole import in tests/hostile.)
TEST_F(ObjImport, EveryStopHandsOverWhatWasReadAndClosesTheFile) {
  EXPECT_EQ(objectsAtEveryStop(crlf({"# Object a", "vn 0 0 1", "v 1.5 0 0", "v 0 2 0", "v 0 0 3",
                                     "f 1//1 2//1 3//1", "s off", "# Object b", "f -3 -2 -1"})),
            "1111111222");
}

TEST(ObjFaces, IndicesTakeVertexAndNormalOfEveryCornerForm) {
  // clang-format off
  const struct { const char* token; int32_t vertex, normal, error = 0; } cases[] = {
      {"7/3/5", 7, 5}, {"7//5", 7, 5}, {"7/3", 7, 0}, {"7", 7, 0}, {"/5", 0, 0}, {"/", 0, 0},
      {"x", 0, 0}, {"-", 0, 0}, {"7x", 0, 0}, {"-2/-1/-3", -2, -3}, {"+4//+6", 4, 6},
      {"-0//-0", 0, 0}, {"2.5//3.5", 2, 4}, {"7.5", 8, 0}, {"1e2/0/1e1", 100, 10},
      {"12abc/1/7x", 12, 0}, {"7/3/5/9", 7, 0}, {"12//34/", 12, 0}, {"5/6/", 5, 0},
      {"5//", 5, 0}, {"", 0, 0}, {"   ", 0, 0},
      {"123456789//987654321", 123456789, 987654321},
      {"1234567890/1/2", 1234567890, 2},  // ten digits: read the general way
      {"2147483647.4", 2147483647, 0}, {"-2147483648.5//1", -2147483647 - 1, 1},
      {"2147483648", 0, 0, err::kOverflow}, {"1//2147483648", 0, 0, err::kOverflow},
      {"1e999/1", 0, 0, err::kOverflow}, {"-2147483649/1/1", 0, 0, err::kOverflow}};
  // clang-format on
  for (const auto& c : cases) {
    std::string_view line = c.token;
    int32_t vertex = -99, normal = -99;
    ASSERT_EQ(errorOf([&] { Get_FaceIndices(line, vertex, normal); }), c.error) << c.token;
    if (c.error != 0) continue;
    EXPECT_EQ(std::tuple(vertex, normal, line), std::tuple(c.vertex, c.normal, "")) << c.token;
  }
}

}  // namespace
}  // namespace vlm::test
