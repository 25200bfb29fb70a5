// The shared text reading: Read_Line in both modes against a character-by-character model of
// the same rules (small, long and random files, where blocks meet), and the line helpers.
#include <gtest/gtest.h>

#include <bit>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <tuple>

#include "fileio/FileTable.h"
#include "fileio/Numbers.h"
#include "platform/Error.h"
#include "support/ErrorOf.h"
#include "support/TempDir.h"
#include "support/TestDialog.h"
#include "textio/ImportContext.h"
#include "textio/modImport.h"
#include "ui/HeadlessToolkit.h"

namespace vlm::modImport {
namespace {

using test::errorOf;

constexpr size_t kBlock = NumberedFile::kBlockSize;

// The line rules applied one character at a time.
struct CharByCharModel {
  std::string bytes;
  size_t pos = 0;
  bool eof = false;
  int64_t chars = 0;

  std::string wholeLine() {
    if (pos == bytes.size()) eof = true;
    if (eof) return {};
    std::string line;
    while (pos < bytes.size() && bytes[pos] != '\r') line += bytes[pos++];
    if (pos < bytes.size() && ++pos < bytes.size() && bytes[pos] == '\n') ++pos;
    chars += static_cast<int64_t>(line.size());
    return line;
  }
  std::string charLine() {
    for (std::string line;;) {
      ++chars;
      if (pos == bytes.size()) {
        eof = true;
        return line;
      }
      const char c = bytes[pos++];
      if (c != '\r' && c != '\n') line += c;
      if ((c == '\r' || c == '\n') && !line.empty()) return line;
    }
  }
};

class ReadLine : public ::testing::Test {
 protected:
  void TearDown() override { fileTable().CloseAll(); }
  // A new import of `bytes` with file 1 open.
  void open(const std::string& bytes, int32_t mode) {
    fileTable().CloseAll();
    import_.reset();
    import_.emplace(dir_.write("import.txt", bytes), ImportOptions{}, dialog_, dialog_.stop);
    import_->Open();
    import_->ReadMode = mode;
  }
  std::string_view Read_Line() { return import_->Read_Line(); }
  // Every line, CharsRead and Eof after each call, until the model meets the end.
  void expectLikeTheModel(const std::string& bytes, int32_t mode) {
    open(bytes, mode);
    CharByCharModel model{bytes};
    for (int call = 1; !model.eof; ++call) {
      const std::string expected = mode == 0 ? model.wholeLine() : model.charLine();
      const std::string line(Read_Line());
      ASSERT_EQ(std::tuple(line, int64_t{import_->CharsRead}, fileTable().Eof(1)),
                std::tuple(expected, model.chars, model.eof)) << "call " << call;
    }
  }
  test::TempDir dir_;
  test::TestDialog dialog_;
  std::optional<ImportContext> import_;
};

TEST_F(ReadLine, OtherModeKeepsThePositionNoFileReadsNothingAndCharsReadSaturates) {
  open("first\r\nsecond\r\n", 7);
  EXPECT_EQ(Read_Line(), "");
  import_->ReadMode = 0;
  EXPECT_EQ(Read_Line(), "first");
  // CharsRead stays at its maximum rather than wrapping.
  import_->CharsRead = std::numeric_limits<int32_t>::max() - 1;
  EXPECT_EQ(Read_Line(), "second");
  EXPECT_EQ(import_->CharsRead, std::numeric_limits<int32_t>::max());
  fileTable().CloseAll();
  import_->CharsRead = 0;
  EXPECT_EQ(Read_Line(), "");
  import_->ReadMode = 1;
  EXPECT_EQ(Read_Line(), "");
  EXPECT_EQ(import_->CharsRead, 1);  // character mode counts the failed attempt
}

// Random text whose lines are long in general and very short near each block boundary,
// so that every kind of line end meets a boundary somewhere.
std::string randomText(uint32_t seed, size_t size) {
  std::mt19937 rng(seed);
  const char* const ends[] = {"\r", "\n", "\r\n", "\r\r\n", "\n\r", "\n\n"};
  std::string text;
  while (text.size() < size) {
    const size_t fromBoundary = std::min(text.size() % kBlock, kBlock - text.size() % kBlock);
    text.append(rng() % (fromBoundary < 64 ? 3 : 301), static_cast<char>('a' + rng() % 26));
    text += ends[rng() % 6];
  }
  return text;
}

TEST_F(ReadLine, SmallLongAndRandomFilesFollowTheModel) {
  const std::string a(kBlock - 1, 'a');
  // clang-format off
  std::vector<std::string> files = {
      "a\r\nb\r\n", "ab\r\ncd", "a\r\r\nb\r", "a\n\rb", "a\r\n\nb\r\n", " x\t\n", "", "\r\n\r\n",
      "a\rb\nc\r\nd", "\r\n\r\nx\r", "a\t \nb\n", "a\n\r\nb",
      std::string(kBlock - 5, 'x') + std::string(10, 'y') + "\r\ntail\r\n",
      a + "\r\nnext\r\n",  // CR ends a block, its LF starts the next
      "short\r\n" + std::string(kBlock - 8, 'a') + "\rb\r\n", a + "\r",
      std::string(2 * kBlock + 10, 'x') + "\nz",  // one line over three blocks
      "a" + std::string(kBlock + 5, '\n') + "b"};
  // clang-format on
  for (uint32_t seed = 1; seed <= 12; ++seed) files.push_back(randomText(seed, 2 * kBlock + seed));
  for (const std::string& bytes : files) {
    for (int32_t mode : {0, 1}) {
      SCOPED_TRACE(testing::Message() << "file of " << bytes.size() << " mode " << mode);
      expectLikeTheModel(bytes, mode);
    }
  }
}

TEST(TextHelpers, FirstTokenSplitsAtTheFirstBlankAfterTrimming) {
  // clang-format off
  const struct { const char *line, *token, *rest; } cases[] = {
      {"  f 1 2", "f", "1 2"}, {"end", "end", ""}, {"a\tb", "a\tb", ""}, {"   ", "", ""},
      {"a  b", "a", " b"}, {"\tv 1 ", "\tv", "1"},
      // Blanks before, at and after the eight-byte stride of the search.
      {"1234567 x", "1234567", "x"}, {"12345678 x", "12345678", "x"},
      {"123456789 x", "123456789", "x"}, {"0123456789abcdef x", "0123456789abcdef", "x"},
      {"0123456789abcdefg", "0123456789abcdefg", ""}};
  // clang-format on
  for (const auto& c : cases) {
    std::string_view line = c.line;
    EXPECT_EQ(Get_FirstToken(line), c.token) << '"' << c.line << '"';
    EXPECT_EQ(line, c.rest) << '"' << c.line << '"';
  }
}

// The quick readings of a coordinate must give what the general one gives: the same bits
// or the same error, and the same rest of the line.
TEST(TextHelpers, FirstSingleFirstLongAndSingleReadLikeTextToSingleAndTextToLong) {
  // clang-format off
  const char* const lines[] = {
      "1.5 2 3", " -0.25  7 ", "5.", ".5 x", ".", "-", "", "  ", "1,5 2", "1e3 x", "1.2.3 4",
      "abc 1", "+2.5", "-0 1", "1\t2", "0.1x", "3.4e38", "3.5e38 1", "--1", "123456789012345 1",
      "1234567890123456 1", "0.000000000000001", "12345678.1234567", " 7 ", "1,5", "-.5",
      "999999999 1", "1000000000  2 ", "2147483648", "-2147483648 x", "007", "12abc 4", "+6 7"};
  // clang-format on
  for (const std::string text : lines) {
    std::string_view quick = text, general = text;
    float quickValue = 0, generalValue = 0;
    const int32_t quickError = errorOf([&] { quickValue = Get_FirstSingle(quick); });
    const int32_t generalError =
        errorOf([&] { generalValue = textToSingle(Get_FirstToken(general)); });
    EXPECT_EQ(std::tuple(quickError, std::bit_cast<uint32_t>(quickValue), quick),
              std::tuple(generalError, std::bit_cast<uint32_t>(generalValue), general))
        << '"' << text << '"';
    // Whole numbers alike, read as textToLong reads the first word.
    std::string_view word[2] = {text, text};
    int32_t whole[2] = {-9, -9};
    const int32_t errors[2] = {errorOf([&] { whole[0] = textToLong(Get_FirstToken(word[0])); }),
                               errorOf([&] { whole[1] = Get_FirstLong(word[1]); })};
    EXPECT_EQ(std::tuple(errors[1], whole[1], word[1]), std::tuple(errors[0], whole[0], word[0]))
        << '"' << text << '"';
    const int32_t singleError = errorOf([&] { quickValue = Get_Single(text); });
    const int32_t wholeError = errorOf([&] { generalValue = textToSingle(text); });
    EXPECT_EQ(std::tuple(singleError, std::bit_cast<uint32_t>(quickValue)),
              std::tuple(wholeError, std::bit_cast<uint32_t>(generalValue)))
        << '"' << text << '"';
  }
}

TEST(TextHelpers, NumberIsNumericTextWithAPeriodElseZeroAndOverflowsBeyondSingleRange) {
  // clang-format off
  const struct { const char* text; float value; int32_t error = 0; } cases[] = {
      {"1e3", 1000}, {" -2.5 ", -2.5f}, {"abc", 0}, {"", 0}, {"1,5", 0}, {"3.", 3}, {".5", 0.5f},
      {"+4", 4}, {"1.2.3", 0}, {"\t1", 0}, {"1e-50", 0}, {"12abc", 0}, {"0.1", 0.1f},
      {"3.4e38", 3.4e38f}, {"1e39", 0, err::kOverflow}, {"-1e39", 0, err::kOverflow},
      {"1e400", 0, err::kOverflow}};
  // clang-format on
  for (const auto& c : cases) {
    float value = -1;
    EXPECT_EQ(errorOf([&] { value = Get_Number(c.text); }), c.error) << c.text;
    EXPECT_EQ(value, c.error == 0 ? c.value : -1) << c.text;
  }
}

TEST(TextHelpers, ReplaceAllReplacesFromTheStartOnwardWithoutRescanning) {
  // clang-format off
  const struct { int32_t start; const char *find, *by, *target, *result; int32_t error = 0; }
      cases[] = {
      {1, " ", "_", "a b  c", "a_b__c"}, {1, " ", "  ", "a b", "a  b"}, {1, "ab", "x", "abab", "xx"},
      {1, "aa", "b", "aaa", "ba"}, {1, "", "x", "abc", "abc"}, {4, " ", "_", "a b", "a b"},
      {1, "A", "x", "aA", "ax"}, {1, " ", "", " a ", "a"}, {1, "a", "aa", "aaa", "aaaaaa"},
      {2, " ", "_", " a ", " a_"}, {0, " ", "_", "a b", "a b", err::kInvalidCall}};
  // clang-format on
  for (const auto& c : cases) {
    std::string target = c.target;
    EXPECT_EQ(errorOf([&] { Replace_All(c.start, c.find, c.by, target); }), c.error);
    EXPECT_EQ(target, c.result) << c.start << " '" << c.find << "' '" << c.target << "'";
  }
  std::string target = "ab";
  Replace_All(1, target, "x", target);  // the find text views the target itself
  EXPECT_EQ(target, "x");
}

TEST(TextHelpers, NameFromPathSplitsAtTheLastSlashOrBackslash) {
  // clang-format off
  const struct { const char *path, *name, *folder; int32_t error = 0; } cases[] = {
      {"C:\\Models\\Big cube.obj", "Big cube", "C:\\Models\\"}, {"cube.obj", "cube", "cube"},
      {"/data/Big lid.obj", "Big lid", "/data/"}, {".obj", "", ""}, {"/a\\b/c.ply", "c", "/a\\b/"},
      {"C:\\x/y\\z.3ds", "z", "C:\\x/y\\"}, {"/dir/.obj", "", "/dir/"},
      {"/file.tar.gz", "file.ta", "/"}, {"noext", "n", "n"},
      {"abc", "", "abc", err::kInvalidCall}, {"", "", "", err::kInvalidCall}};
  // clang-format on
  for (const auto& c : cases) {
    std::string path = c.path, name;
    const int32_t error = errorOf([&] { name = Get_NameFromPath(path); });
    EXPECT_EQ(std::tuple(error, name, path), std::tuple(c.error, c.name, c.folder)) << c.path;
  }
}

}  // namespace
}  // namespace vlm::modImport
