// The keyword table: spelling without regard to case, and the depths each word counts at.
#include <gtest/gtest.h>

#include "importpov/PovKeywords.h"

namespace vlm::pov {
namespace {

struct WordCase {
  const char* word;
  Keyword keyword;
};

TEST(PovKeywords, WordsAreMatchedWholeAndWithoutRegardToCase) {
  const WordCase cases[] = {
      {"{", Keyword::OpenBrace},
      {"}", Keyword::CloseBrace},
      {"#declare", Keyword::Declare},
      {"#DeClArE", Keyword::Declare},
      {"mesh", Keyword::Mesh},
      {"MESH", Keyword::Mesh},
      {"Object", Keyword::Object},
      {"sphere", Keyword::Shape},
      {"BOX", Keyword::Shape},
      {"cylinder", Keyword::Shape},
      {"Disc", Keyword::Shape},
      {"plane", Keyword::Shape},
      {"triangle", Keyword::Triangle},
      {"Smooth_Triangle", Keyword::SmoothTriangle},
      {"translate", Keyword::Transform},
      {"ROTATE", Keyword::Transform},
      {"scale", Keyword::Transform},
      {"<", Keyword::VectorStart},
      {"", Keyword::Other},
      {"declare", Keyword::Other},
      {"mesh2", Keyword::Other},
      {"mesh{", Keyword::Other},
      {"},", Keyword::Other},
      {"<1,2,3>", Keyword::Other},
      {"smooth_triangles", Keyword::Other},
      {"triangle\n", Keyword::Other},
  };
  for (const auto& c : cases) EXPECT_EQ(classify(c.word), c.keyword) << '"' << c.word << '"';
}

struct DepthCase {
  Keyword keyword;
  bool atMinus1, at0, at1, at5;
};

TEST(PovKeywords, EachWordCountsOnlyAtItsDepths) {
  const DepthCase cases[] = {
      {Keyword::OpenBrace, true, true, true, true},
      {Keyword::CloseBrace, true, true, true, true},
      {Keyword::Declare, false, true, false, false},
      {Keyword::Mesh, false, true, true, true},
      {Keyword::Object, false, true, false, false},
      {Keyword::Shape, false, true, false, false},
      {Keyword::Triangle, false, false, true, true},
      {Keyword::SmoothTriangle, false, false, true, true},
      {Keyword::Transform, false, false, true, true},
      {Keyword::VectorStart, false, false, true, true},
      {Keyword::Other, false, false, false, false},
  };
  for (const auto& c : cases) {
    const int which = static_cast<int>(c.keyword);
    EXPECT_EQ(recognisedAt(c.keyword, -1), c.atMinus1) << which;
    EXPECT_EQ(recognisedAt(c.keyword, 0), c.at0) << which;
    EXPECT_EQ(recognisedAt(c.keyword, 1), c.at1) << which;
    EXPECT_EQ(recognisedAt(c.keyword, 5), c.at5) << which;
  }
}

}  // namespace
}  // namespace vlm::pov
