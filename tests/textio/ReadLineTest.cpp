// Read_Line in both modes: line ends, CharsRead, end of file, block boundaries, and a
// character-by-character model as the oracle for random text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/FileTable.h"
#include "support/TempDir.h"
#include "textio/modImport.h"

namespace vlm::modImport {
namespace {

constexpr size_t kBlock = NumberedFile::kBlockSize;

// The line rules applied literally, one character at a time: the oracle for the
// buffered reader.
class CharByCharModel {
 public:
  explicit CharByCharModel(std::string bytes) : bytes_(std::move(bytes)) {}

  std::string wholeLine() {
    if (eof_) return {};
    if (pos_ == bytes_.size()) {
      eof_ = true;
      return {};
    }
    std::string line;
    while (pos_ < bytes_.size() && bytes_[pos_] != '\r') line += bytes_[pos_++];
    if (pos_ < bytes_.size() && ++pos_ < bytes_.size() && bytes_[pos_] == '\n') ++pos_;
    chars_ += static_cast<int64_t>(line.size());
    return line;
  }

  std::string charLine() {
    std::string line;
    for (;;) {
      const bool got = pos_ < bytes_.size();
      ++chars_;
      if (!got) eof_ = true;
      const char c = got ? bytes_[pos_++] : '\0';
      if (got && c != '\r' && c != '\n') {
        line += c;
      } else if (!line.empty() || eof_) {
        return line;
      }
    }
  }

  bool eof() const { return eof_; }
  int64_t chars() const { return chars_; }

 private:
  std::string bytes_;
  size_t pos_ = 0;
  bool eof_ = false;
  int64_t chars_ = 0;
};

class ReadLineTest : public ::testing::Test {
 protected:
  void SetUp() override { resetModuleState(); }
  void TearDown() override {
    fileTable().CloseAll();
    resetModuleState();
  }

  // Writes `bytes` as the import file and opens it as file number 1.
  void openImportFile(const std::string& bytes) {
    fileTable().CloseAll();
    fileTable().Open(1, dir_.write("import.txt", bytes));
    CharsRead = 0;
  }

  // Reads `bytes` in `mode` to the end, comparing every line, CharsRead and Eof with the
  // character-by-character rules.
  void expectSameAsTheRules(const std::string& bytes, int32_t mode) {
    openImportFile(bytes);
    ReadMode = mode;
    CharByCharModel model(bytes);
    for (int call = 1;; ++call) {
      const std::string expected = mode == 0 ? model.wholeLine() : model.charLine();
      ASSERT_EQ(Read_Line(), expected) << "call " << call;
      ASSERT_EQ(CharsRead, model.chars()) << "call " << call;
      ASSERT_EQ(fileTable().Eof(1), model.eof()) << "call " << call;
      if (model.eof()) break;
    }
  }

  // Reads a line and reports how much CharsRead grew.
  std::string readLine(int32_t& added) {
    const int32_t before = CharsRead;
    std::string line(Read_Line());
    added = CharsRead - before;
    return line;
  }

  test::TempDir dir_;
};

struct Step {
  std::string line;
  int32_t added;
  bool eofAfter;
};

struct Case {
  const char* name;
  int32_t mode;
  std::string bytes;
  std::vector<Step> steps;
};

const Case kCases[] = {
    {"crlf lines",
     0,
     "a\r\nb\r\n",
     {{"a", 1, false}, {"b", 1, false}, {"", 0, true}, {"", 0, true}}},
    {"lf only is one line", 0, "a\nb\n", {{"a\nb\n", 4, false}, {"", 0, true}}},
    {"empty file", 0, "", {{"", 0, true}, {"", 0, true}}},
    {"last line without cr", 0, "ab\r\ncd", {{"ab", 2, false}, {"cd", 2, false}, {"", 0, true}}},
    {"lone cr ends a line", 0, "a\rb\r", {{"a", 1, false}, {"b", 1, false}, {"", 0, true}}},
    {"empty lines come back",
     0,
     "\r\n\r\nx\r\n",
     {{"", 0, false}, {"", 0, false}, {"x", 1, false}, {"", 0, true}}},
    {"cr cr lf", 0, "a\r\r\nb", {{"a", 1, false}, {"", 0, false}, {"b", 1, false}, {"", 0, true}}},
    {"lf cr", 0, "a\n\rb", {{"a\n", 2, false}, {"b", 1, false}, {"", 0, true}}},
    {"blanks and tabs kept", 0, " a\tb \r\n", {{" a\tb ", 5, false}, {"", 0, true}}},
    {"cr lf pairs only once", 0, "a\r\n\nb\r\n", {{"a", 1, false}, {"\nb", 2, false}}},
    {"empty lines skipped, end attempt counted",
     1,
     "a\r\n\r\nb",
     {{"a", 2, false}, {"b", 5, true}, {"", 1, true}, {"", 1, true}}},
    {"lf terminated", 1, "ab\n", {{"ab", 3, false}, {"", 1, true}}},
    {"empty file counts each attempt", 1, "", {{"", 1, true}, {"", 1, true}}},
    {"only line ends", 1, "\r\n\r\n", {{"", 5, true}}},
    {"cr, lf and cr lf all end",
     1,
     "a\rb\nc\r\nd",
     {{"a", 2, false}, {"b", 2, false}, {"c", 2, false}, {"d", 3, true}}},
    {"blanks and tabs kept", 1, " x\t\n", {{" x\t", 4, false}, {"", 1, true}}},
    {"last line without end", 1, "abc", {{"abc", 4, true}, {"", 1, true}}},
    {"other mode reads nothing", 2, "a\r\n", {{"", 0, false}, {"", 0, false}}},
    {"negative mode reads nothing", -1, "a\r\n", {{"", 0, false}}},
};

TEST_F(ReadLineTest, LinesCountsAndEndOfFileFollowTheModeRules) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    openImportFile(c.bytes);
    ReadMode = c.mode;
    for (size_t i = 0; i < c.steps.size(); ++i) {
      int32_t added = 0;
      EXPECT_EQ(readLine(added), c.steps[i].line) << "call " << i + 1;
      EXPECT_EQ(added, c.steps[i].added) << "call " << i + 1;
      EXPECT_EQ(fileTable().Eof(1), c.steps[i].eofAfter) << "call " << i + 1;
    }
  }
}

TEST_F(ReadLineTest, OtherModeLeavesThePositionForTheNextRead) {
  openImportFile("first\r\nsecond\r\n");
  ReadMode = 7;
  EXPECT_EQ(Read_Line(), "");
  ReadMode = 0;
  EXPECT_EQ(Read_Line(), "first");
}

TEST_F(ReadLineTest, WithoutAnOpenImportFileNothingIsReadAndNothingFails) {
  fileTable().CloseAll();
  int32_t added = -1;
  ReadMode = 0;
  EXPECT_EQ(readLine(added), "");
  EXPECT_EQ(added, 0);
  ReadMode = 1;
  EXPECT_EQ(readLine(added), "");
  EXPECT_EQ(added, 1);
}

TEST_F(ReadLineTest, CharsReadStopsAtItsLargestValueInsteadOfWrapping) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  for (int32_t mode : {0, 1}) {
    openImportFile("abc\r\ndef\r\n");
    ReadMode = mode;
    CharsRead = kMax - 1;
    EXPECT_EQ(Read_Line(), "abc");
    EXPECT_EQ(CharsRead, kMax) << "mode " << mode;
    EXPECT_EQ(Read_Line(), "def");
    EXPECT_EQ(CharsRead, kMax) << "mode " << mode;
  }
}

// Line ends and long lines where the reader's blocks meet.
TEST_F(ReadLineTest, LinesAcrossBlockBoundariesFollowTheRules) {
  const std::string a(kBlock - 1, 'a');
  const struct {
    const char* what;
    int32_t mode;
    std::string bytes;
  } cases[] = {
      {"whole line spanning blocks", 0,
       std::string(kBlock - 5, 'x') + std::string(10, 'y') + "\r\ntail\r\n"},
      {"cr ending a block pairs with the lf starting the next", 0, a + "\r\nnext\r\n"},
      {"cr ending a block before other text", 0,
       "short\r\n" + std::string(kBlock - 8, 'a') + "\rb\r\n"},
      {"cr as the last byte of a block and of the file", 0, a + "\r"},
      {"character mode line spanning blocks", 1, std::string(kBlock + 10, 'x') + "\nz"},
      {"character mode cr lf split by a block", 1, a + "\r\nb\n"},
      {"character mode run of line ends longer than a block", 1,
       "a" + std::string(kBlock + 5, '\n') + "b"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    expectSameAsTheRules(c.bytes, c.mode);
  }
}

TEST_F(ReadLineTest, HugeLineWithoutLineEndIsReadWholeInBothModes) {
  std::string bytes(50u << 20, 'v');
  for (size_t i = 0; i < bytes.size(); i += 4093) bytes[i] = static_cast<char>('0' + i % 10);
  for (int32_t mode : {0, 1}) {
    SCOPED_TRACE(mode);
    openImportFile(bytes);
    ReadMode = mode;
    const std::string_view line = Read_Line();
    EXPECT_EQ(line.size(), bytes.size());
    EXPECT_TRUE(line == bytes);
    EXPECT_EQ(Read_Line(), "");
    EXPECT_TRUE(fileTable().Eof(1));
  }
}

// Random text whose lines are long in general and very short around each block boundary,
// so that every kind of line end meets a boundary somewhere.
std::string randomText(uint32_t seed, size_t size) {
  std::mt19937 rng(seed);
  const char* const ends[] = {"\r", "\n", "\r\n", "\r\r\n", "\n\r", "\n\n"};
  std::string text;
  while (text.size() < size) {
    const size_t fromBoundary = std::min(text.size() % kBlock, kBlock - text.size() % kBlock);
    const size_t longest = fromBoundary < 64 ? 2 : 300;
    text.append(rng() % (longest + 1), static_cast<char>('a' + rng() % 26));
    text += ends[rng() % 6];
  }
  return text;
}

TEST_F(ReadLineTest, BufferedReaderMatchesTheCharacterByCharacterRules) {
  for (uint32_t seed = 1; seed <= 16; ++seed) {
    const std::string bytes = randomText(seed, 2 * kBlock + seed * 1000);
    for (int32_t mode : {0, 1}) {
      SCOPED_TRACE(testing::Message() << "seed " << seed << " mode " << mode);
      expectSameAsTheRules(bytes, mode);
    }
  }
}

}  // namespace
}  // namespace vlm::modImport
