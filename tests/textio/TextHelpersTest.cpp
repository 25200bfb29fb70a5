// The import module's text helpers: module state, first tokens and numbers, face indices,
// Replace_All and Get_NameFromPath.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Convert.h"
#include "platform/Error.h"
#include "support/ErrorOf.h"
#include "textio/modImport.h"

namespace vlm::modImport {
namespace {

using test::errorOf;

TEST(ModuleState, ResetRestoresTheLoadTimeValues) {
  ReadMode = 1;
  CharsRead = 99;
  StopImport = true;
  Main();
  EXPECT_EQ(ReadMode, 1);
  resetModuleState();
  EXPECT_EQ(ReadMode, 0);
  EXPECT_EQ(CharsRead, 0);
  EXPECT_FALSE(StopImport);
}

TEST(GetFirstToken, SplitsAtTheFirstBlankOnlyAfterTrimming) {
  struct Case {
    const char* line;
    const char* token;
    const char* rest;
  } cases[] = {
      {"  f 1 2", "f", "1 2"},
      {"end", "end", ""},
      {"a\tb", "a\tb", ""},
      {"", "", ""},
      {"   ", "", ""},
      {"a  b", "a", " b"},
      {"v 1 ", "v", "1"},
      {"\tv 1", "\tv", "1"},
      // Blanks before, at and after an eight-character stride, as words get long.
      {"1234567 x", "1234567", "x"},
      {"12345678 x", "12345678", "x"},
      {"123456789 x", "123456789", "x"},
      {"0123456789abcdef x", "0123456789abcdef", "x"},
      {"0123456789abcdefg", "0123456789abcdefg", ""},
      {"-0.00001234 7 ", "-0.00001234", "7"},
  };
  for (const auto& c : cases) {
    std::string_view line = c.line;
    EXPECT_EQ(Get_FirstToken(line), c.token) << '"' << c.line << '"';
    EXPECT_EQ(line, c.rest) << '"' << c.line << '"';
  }
}

// The quick reading of a coordinate must give what the general one gives: the same bits
// or the same error, and the same rest of the line.
TEST(GetFirstSingle, ReadsLikeTextToSingleOfTheFirstToken) {
  std::vector<std::string> lines = {"1.5 2 3",
                                    " -0.25  7 ",
                                    "5.",
                                    ".5 x",
                                    ".",
                                    "-",
                                    "",
                                    "  ",
                                    "1,5 2",
                                    "1e3 x",
                                    "1.2.3 4",
                                    "abc 1",
                                    "1 ",
                                    "+2.5",
                                    "-0 1",
                                    "1\t2",
                                    "0.1x",
                                    "3.4e38",
                                    "3.5e38 1",
                                    "1.5,2",
                                    "--1",
                                    "123456789012345 1",
                                    "1234567890123456 1",
                                    "0.000000000000001",
                                    "12345678.1234567"};
  std::mt19937 random(7);
  for (int i = 0; i < 2000; ++i) {
    std::string line = random() % 3 == 0 ? " " : "";
    if (random() % 4 == 0) line += '-';
    for (int d = 0, n = 1 + static_cast<int>(random() % 18); d < n; ++d) {
      line += static_cast<char>('0' + random() % 10);
      if (d == 2 && random() % 2 == 0) line += '.';
    }
    line += random() % 2 == 0 ? " 9" : "";
    lines.push_back(line);
  }
  for (const std::string& text : lines) {
    std::string_view quick = text, general = text;
    float quickValue = 0, generalValue = 0;
    const int32_t quickError = errorOf([&] { quickValue = Get_FirstSingle(quick); });
    const int32_t generalError =
        errorOf([&] { generalValue = textToSingle(Get_FirstToken(general)); });
    EXPECT_EQ(quickError, generalError) << '"' << text << '"';
    if (quickError != 0 || generalError != 0) continue;
    EXPECT_EQ(std::bit_cast<uint32_t>(quickValue), std::bit_cast<uint32_t>(generalValue))
        << '"' << text << '"';
    EXPECT_EQ(quick, general) << '"' << text << '"';
  }
}

TEST(GetFaceIndices, TakesVertexAndNormalOfEveryCornerForm) {
  struct Case {
    const char* token;
    int32_t vertex, normal;
  } cases[] = {
      {"7/3/5", 7, 5},
      {"7//5", 7, 5},
      {"7/3", 7, 0},
      {"7", 7, 0},
      {"/5", 0, 0},
      {"x", 0, 0},
      {"-2/-1/-3", -2, -3},
      {"2.5//3.5", 2, 4},
      {"12abc/1/7x", 12, 0},
      {"1e2/0/1e1", 100, 10},
      {"7.5", 8, 0},
      {"x/y/z", 0, 0},
      {"7/3/5/9", 7, 0},
      {"7x", 0, 0},
      {"+4//+6", 4, 6},
      {"/", 0, 0},
      {"123456789//987654321", 123456789, 987654321},
      {"1234567890/1/2", 1234567890, 2},  // ten digits: read the general way
      {"12//34/", 12, 0},
      {"-", 0, 0},
      {"5/6/", 5, 0},
      {"-0//-0", 0, 0},
  };
  for (const auto& c : cases) {
    std::string_view line = c.token;
    int32_t vertex = -99, normal = -99;
    Get_FaceIndices(line, vertex, normal);
    EXPECT_EQ(vertex, c.vertex) << c.token;
    EXPECT_EQ(normal, c.normal) << c.token;
    EXPECT_EQ(line, "") << c.token;
  }
}

TEST(GetFaceIndices, CutsOneCornerOffTheLineAtATime) {
  std::string_view line = "  1/2/3 4//5  6 ";
  std::vector<std::pair<int32_t, int32_t>> corners;
  for (int i = 0; i < 3; ++i) {
    int32_t vertex = 0, normal = 0;
    Get_FaceIndices(line, vertex, normal);
    corners.emplace_back(vertex, normal);
  }
  EXPECT_EQ(corners, (std::vector<std::pair<int32_t, int32_t>>{{1, 3}, {4, 5}, {6, 0}}));
  EXPECT_EQ(line, "");
}

TEST(GetFaceIndices, ValueBeyondThirtyTwoBitsIsAnOverflow) {
  struct Case {
    const char* token;
    int32_t error;
  } cases[] = {
      {"2147483648", err::kOverflow},
      {"1//2147483648", err::kOverflow},
      {"1e999/1", err::kOverflow},
      {"-2147483649/1/1", err::kOverflow},
      {"2147483647.4", 0},
      {"-2147483648.5//1", 0},
  };
  for (const auto& c : cases) {
    std::string_view line = c.token;
    int32_t vertex = 0, normal = 0;
    EXPECT_EQ(errorOf([&] { Get_FaceIndices(line, vertex, normal); }), c.error) << c.token;
  }
}

TEST(GetNumber, NumericTextWithAPeriodOnlyElseZero) {
  struct Case {
    const char* text;
    float value;
  } cases[] = {
      {"1e3", 1000.f}, {" -2.5 ", -2.5f}, {"abc", 0.f},  {"", 0.f},      {"1,5", 0.f},
      {"3.", 3.f},     {".5", 0.5f},      {"+4", 4.f},   {"1.2.3", 0.f}, {"\t1", 0.f},
      {"1e-50", 0.f},  {"12abc", 0.f},    {"0.1", 0.1f},
  };
  for (const auto& c : cases) EXPECT_EQ(Get_Number(c.text), c.value) << '"' << c.text << '"';
}

TEST(GetNumber, ValueBeyondSingleRangeIsAnOverflow) {
  for (const char* text : {"1e39", "-1e39", "1e400"}) {
    EXPECT_EQ(errorOf([&] { Get_Number(text); }), err::kOverflow) << text;
  }
  EXPECT_EQ(errorOf([] { Get_Number("3.4e38"); }), 0);
}

TEST(ReplaceAll, ReplacesEveryOccurrenceFromTheStartOnwardWithoutRescanning) {
  struct Case {
    int32_t start;
    const char* find;
    const char* replacement;
    const char* target;
    const char* result;
  } cases[] = {
      {1, " ", "_", "a b  c", "a_b__c"}, {1, " ", "  ", "a b", "a  b"},
      {3, " ", "_", "a b c", "a b_c"},   {1, "ab", "x", "abab", "xx"},
      {1, "aa", "b", "aaa", "ba"},       {1, "", "x", "abc", "abc"},
      {10, " ", "_", "a b", "a b"},      {4, " ", "_", "a b", "a b"},
      {1, "A", "x", "aA", "ax"},         {1, " ", "", " a ", "a"},
      {1, "a", "aa", "aaa", "aaaaaa"},   {2, " ", "_", " a ", " a_"},
  };
  for (const auto& c : cases) {
    std::string target = c.target;
    Replace_All(c.start, c.find, c.replacement, target);
    EXPECT_EQ(target, c.result) << c.start << " '" << c.find << "' '" << c.replacement << "' '"
                                << c.target << "'";
  }
}

TEST(ReplaceAll, FindTextViewingTheTargetItselfStillWorks) {
  std::string target = "ab";
  Replace_All(1, target, "x", target);
  EXPECT_EQ(target, "x");
}

TEST(ReplaceAll, StartBelowOneIsAnInvalidArgument) {
  std::string target = "a b";
  EXPECT_EQ(errorOf([&] { Replace_All(0, " ", "_", target); }), err::kInvalidCall);
  EXPECT_EQ(target, "a b");
}

TEST(GetNameFromPath, SplitsAtTheLastSlashOrBackslash) {
  struct Case {
    const char* path;
    const char* name;
    const char* folder;
  } cases[] = {
      {"C:\\Models\\Big cube.obj", "Big cube", "C:\\Models\\"},
      {"/data/Part A.obj", "Part A", "/data/"},
      {"cube.obj", "cube", "cube"},
      {".obj", "", ""},
      {"/a\\b/c.ply", "c", "/a\\b/"},
      {"C:\\x/y\\z.3ds", "z", "C:\\x/y\\"},
      {"/dir/.obj", "", "/dir/"},
      {"/file.tar.gz", "file.ta", "/"},
      {"noext", "n", "n"},
  };
  for (const auto& c : cases) {
    std::string path = c.path;
    EXPECT_EQ(Get_NameFromPath(path), c.name) << c.path;
    EXPECT_EQ(path, c.folder) << c.path;
  }
}

TEST(GetNameFromPath, PathShorterThanFourCharactersIsAnInvalidArgument) {
  for (const char* text : {"", "a", "abc"}) {
    std::string path = text;
    EXPECT_EQ(errorOf([&] { Get_NameFromPath(path); }), err::kInvalidCall) << text;
    EXPECT_EQ(path, text);
  }
}

}  // namespace
}  // namespace vlm::modImport
