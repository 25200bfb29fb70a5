// Load around the readers: repeated loads on one importer, the line mode it sets, and
// failures that pass to the caller with the file closed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "PlyTestSupport.h"

namespace vlm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST_F(PlyImport, SecondLoadDoesNotHandOverTheFirstFilesData) {
  CImp_PLY importer;
  loadWith(importer, plyData("binary_faces_le.ply"));
  EXPECT_EQ(polygons().size(), 13u);
  loadWith(importer, plyData("name with blanks.ply"));
  EXPECT_THAT(vertices(), ElementsAre(10, 10, 10));
  EXPECT_THAT(polygons(), IsEmpty());
}

TEST_F(PlyImport, ImporterSetsCharacterLineModeWhenCreated) {
  // The header is split at any line end only in character mode, whatever another
  // importer chose before.
  modImport::ReadMode = 0;
  CImp_PLY importer;
  EXPECT_EQ(modImport::ReadMode, 1);
  loadWith(importer, plyData("header_comments_crlf_blank_lines.ply"));
  EXPECT_EQ(polygons().size(), 5u);
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

TEST_F(PlyImport, RefusedFileIsClosedAndAddsNothing) {
  load(plyData("list_in_vertex.ply"));
  EXPECT_EQ(toolkit.messages().size(), 1u);
  EXPECT_EQ(objectCount(), 0);
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
