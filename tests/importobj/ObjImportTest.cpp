// What the scenes of tests/data/obj cannot show: the read mode the first line end
// chooses, the progress reported to the dialog, and the error and closed file that a
// failing Load leaves behind.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "importobj/CImp_OBJ.h"
#include "support/ImporterFixture.h"

namespace vlm::test {
namespace {

class ObjImport : public ImporterFixture<CImp_OBJ> {
 protected:
  ObjImport() : ImporterFixture("model.obj") {}
};

TEST_F(ObjImport, FirstLineEndChoosesTheReadMode) {
  const std::pair<const char*, int32_t> cases[] = {
      {"v 1 2 3\r\nv 4 5 6\r\n", 0}, {"v 1 2 3\nv 4 5 6\n", 1}, {"v 1 2 3\rv 4 5 6\r", 0}};
  for (const auto& [text, mode] : cases) {
    modImport::ReadMode = 7;
    load(text);
    EXPECT_EQ(modImport::ReadMode, mode) << text;
  }
}

TEST_F(ObjImport, DetectionCharactersAreNotCountedAndProgressFollowsEveryLine) {
  load("v 1 2 3\r\n\r\nvt 0 0\r\n");
  // Whole lines count their characters only: 7, 0, 6; the end is noticed on a fourth read.
  EXPECT_THAT(dialog.progress, ::testing::ElementsAre(7.f, 7.f, 13.f, 13.f));
}

// No trap of its own: the error passes on, nothing of the current object is added, and
// file 1 is closed all the same.
TEST_F(ObjImport, FailureClosesTheFileAndAddsTheCurrentObjectNot) {
  const std::pair<std::string, int> cases[] = {
      {"", err::kInputPastEnd},
      {"v 1 2 3", err::kInputPastEnd},
      {"v 1 2\r\n", err::kTypeMismatch},
      {"v 1 x 3\r\n", err::kTypeMismatch},
      {"v 1.2.3 0 0\r\n", err::kTypeMismatch},
      {"v 1 2 3x\r\n", err::kTypeMismatch},
      {"vn 1 2\r\n", err::kTypeMismatch},
      {"v 1e38 0 0\r\n", err::kOverflow},
      {"v 0 0 0\r\nf 1 99999999999 1\r\n", err::kOverflow},
      // The tenth digit once overflowed the 32-bit sum of the quick index reading.
      {"v 0 0 0\r\nf 9999999999 1 1\r\n", err::kOverflow},
      {"v 0 0 0\r\nf 1 1 -2147483648\r\n", err::kOverflow},
  };
  for (const auto& [text, error] : cases) {
    EXPECT_EQ(loadError(text), error) << text;
    EXPECT_EQ(objects->Count(), 0) << text;
    EXPECT_EQ(fileTable().find(1), nullptr) << text;
  }
}

}  // namespace
}  // namespace vlm::test
