// Read_Line in both modes: line ends, CharsRead and end of file on small files checked by
// hand, then long and random files, where blocks meet, against a character-by-character
// model of the same rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "platform/FileTable.h"
#include "support/TempDir.h"
#include "textio/modImport.h"

namespace vlm::modImport {
namespace {

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
  void SetUp() override { resetModuleState(); }
  void TearDown() override {
    fileTable().CloseAll();
    resetModuleState();
  }
  void open(const std::string& bytes, int32_t mode) {
    fileTable().CloseAll();
    fileTable().Open(1, dir_.write("import.txt", bytes));
    CharsRead = 0;
    ReadMode = mode;
  }
  // Every line, CharsRead and Eof after each call, until the model meets the end.
  void expectLikeTheModel(const std::string& bytes, int32_t mode) {
    open(bytes, mode);
    CharByCharModel model{bytes};
    for (int call = 1; !model.eof; ++call) {
      const std::string expected = mode == 0 ? model.wholeLine() : model.charLine();
      ASSERT_TRUE(Read_Line() == expected) << "call " << call;
      ASSERT_EQ(CharsRead, model.chars) << "call " << call;
      ASSERT_EQ(fileTable().Eof(1), model.eof) << "call " << call;
    }
  }
  test::TempDir dir_;
};

// Hand-checked: the lines of successive calls, CharsRead after each, Eof after each.
TEST_F(ReadLine, SmallFilesGiveTheLinesCountsAndEndOfFileCheckedByHand) {
  // clang-format off
  const struct { int32_t mode; std::string bytes; std::vector<std::string> lines;
                 std::vector<int32_t> chars; const char* eof; } cases[] = {
      {0, "a\r\r\nb\r", {"a", "", "b", ""}, {1, 1, 2, 2}, "0001"},  // the end noticed late
      {0, "a\t \nb\n", {"a\t \nb\n", ""}, {6, 6}, "01"},  // a lone LF is text
      {0, "a\n\r\nb", {"a\n", "b", ""}, {2, 3, 3}, "001"},
      {1, "a\r\n\r\nb", {"a", "b", ""}, {2, 7, 8}, "011"},  // the end attempt counts
      {1, "", {"", ""}, {1, 2}, "11"},
      {2, "a\r\n", {"", ""}, {0, 0}, "00"}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << " '" << c.bytes << "'");
    open(c.bytes, c.mode);
    for (size_t i = 0; i < c.lines.size(); ++i) {
      EXPECT_EQ(Read_Line(), c.lines[i]) << "call " << i + 1;
      EXPECT_EQ(CharsRead, c.chars[i]) << "call " << i + 1;
      EXPECT_EQ(fileTable().Eof(1), c.eof[i] == '1') << "call " << i + 1;
    }
  }
}

TEST_F(ReadLine, OtherModeKeepsThePositionNoFileReadsNothingAndCharsReadSaturates) {
  open("first\r\nsecond\r\n", 7);
  EXPECT_EQ(Read_Line(), "");
  ReadMode = 0;
  EXPECT_EQ(Read_Line(), "first");
  CharsRead = std::numeric_limits<int32_t>::max() - 1;  // stays there rather than wrapping
  EXPECT_EQ(Read_Line(), "second");
  EXPECT_EQ(CharsRead, std::numeric_limits<int32_t>::max());
  fileTable().CloseAll();
  CharsRead = 0;
  EXPECT_EQ(Read_Line(), "");
  ReadMode = 1;
  EXPECT_EQ(Read_Line(), "");
  EXPECT_EQ(CharsRead, 1);  // character mode counts the failed attempt
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
      "a\r\nb\r\n", "ab\r\ncd", "a\r\r\nb", "a\n\rb", "a\r\n\nb\r\n", " x\t\n", "", "\r\n\r\n",
      "a\rb\nc\r\nd", "\r\n\r\nx\r",
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

}  // namespace
}  // namespace vlm::modImport
