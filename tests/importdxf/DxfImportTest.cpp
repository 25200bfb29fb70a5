// What the scenes of tests/data/dxf cannot show: group code lines and corner values,
// the read mode, progress, host failures, missing files, and
// that every stop hands over the object and leaves file 1 closed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "importdxf/CImp_DXF.h"
#include "importdxf/DxfValues.h"
#include "support/ImporterFixture.h"

namespace vlm::test {
namespace {

class DxfImport : public ImporterFixture<CImp_DXF> {
 protected:
  DxfImport() : ImporterFixture("model.dxf") {}
};

// A face, a vertex and a face record whose corners count over both.
// clang-format off
const std::string kSample = crlf({
    "0", "SECTION", "2", "ENTITIES",
    "0", "3DFACE", "8", "0", "10", "0", "20", "0", "30", "0", "11", "1", "21", "0", "31", "0",
    "12", "1", "22", "1", "32", "0", "13", "0", "23", "1", "33", "0",
    "0", "VERTEX", "10", "1", "20", "2", "30", "3",
    "0", "VERTEX", "70", "128", "71", "5", "72", "-1", "73", "3",
    "0", "ENDSEC", "0", "EOF"});
// clang-format on

TEST(DxfGroupCode, RightJustifiedCodesReadAsTheirNumberAndAnythingElseIsNoCode) {
  const int32_t no = dxf::kNotAGroupCode;
  const std::pair<const char*, int32_t> cases[] = {
      {"0", 0},     {"  0", 0},  {"10 ", 10},        {"-1", -1},  {"1071", 1071},
      {"", no},     {"   ", no}, {"3DFACE", no},     {"1 0", no}, {"\t10", no},
      {"10.0", no}, {"+5", no},  {"99999999999", no}, {"999999999", 999999999},
      {"2147483647", 2147483647}, {"2147483648", no}, {" 1a", no}};
  for (const auto& [line, code] : cases)
    EXPECT_EQ(dxf::groupCode(line), code) << '"' << line << '"';
}

// A corner value counts from 1 by its absolute value, rounded half to even.
TEST(DxfFaceIndex, CountsFromOneByAbsoluteValueRoundedHalfToEven) {
  const std::pair<const char*, int32_t> cases[] = {
      {"1", 0},    {"  3 ", 2}, {"-3", 2},
      {"0", -1},   {"2.5", 1},  {"3.5", 3},
      {"-2.5", 1}, {"1e1", 9},  {"2147483647", 2147483646}};
  for (const auto& [value, index] : cases) EXPECT_EQ(dxf::faceIndex(value), index) << value;
}

TEST_F(DxfImport, FailureIsRaisedAgainUnchangedAfterClosingTheFileAndAddsNothing) {
  const std::pair<const char*, int> cases[] = {
      {"two", err::kTypeMismatch},    {"", err::kTypeMismatch},
      {"1,5", err::kTypeMismatch},    {"12abc", err::kTypeMismatch},
      {"2147483648", err::kOverflow}, {"-2147483648", err::kOverflow}};
  for (const auto& [value, error] : cases) {
    EXPECT_EQ(loadError(crlf({"0", "VERTEX", "71", value})), error) << value;
    EXPECT_EQ(fileTable().find(1), nullptr);
    EXPECT_EQ(objects->Count(), 0);
  }

  recorder.failCall({"object", "Add_Poligons", 0, err::kInvalidCall, "no room", "Velmo"});
  EXPECT_EQ(errorPartsOf([&] { load(kSample); }),
            ErrorParts(err::kInvalidCall, "Velmo", "no room"));
  EXPECT_EQ(fileTable().find(1), nullptr);
  EXPECT_EQ(objects->Count(), 0);

  CImp_DXF importer;
  EXPECT_EQ(errorOf([&] { loadPath(importer, dir.file("missing.dxf")); }), err::kFileNotFound);
  EXPECT_EQ(objects->Count(), 0);
}

TEST_F(DxfImport, ProgressStartsAtZeroAndStopsAboveTheMaximum) {
  charsReadBefore = 100;
  dialog.max = 8;  // "0" then "SECTION": 1 and 8 characters, then beyond
  load(kSample);
  EXPECT_THAT(dialog.progress, ::testing::ElementsAre(1.f, 8.f));
}

// A stop at any report hands over one object, and no line is read after the stop.
TEST_F(DxfImport, StopAtEveryYieldHandsOverOneObject) {
  EXPECT_EQ(objectsAtEveryStop(kSample), std::string(12, '1'));
}

}  // namespace
}  // namespace vlm::test
