// The file table, numbers read from text and the growth of arrays a file fills.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "fileio/FileGrowth.h"
#include "fileio/FileTable.h"
#include "fileio/Numbers.h"
#include "fileio/ShortDecimal.h"
#include "support/ErrorOf.h"
#include "support/TempDir.h"

namespace vlm {
namespace {

constexpr size_t kBlock = NumberedFile::kBlockSize;
using test::errorOf;

// Bytes that differ from block to block, so a read from the wrong offset shows; zeros
// past `size`, as reads beyond the end give.
std::string pattern(size_t offset, size_t count, size_t size = SIZE_MAX) {
  std::string bytes(count, '\0');
  for (size_t i = offset; i < offset + count && i < size; ++i) {
    bytes[i - offset] = static_cast<char>((i * 131 + (i >> 12)) & 0xFF);
  }
  return bytes;
}

// The bytes read at 1-based `position`, and how many came from the file.
std::pair<std::string, size_t> get(FileTable& table, int16_t number, int64_t position,
                                   size_t count) {
  std::string out(count, '?');
  const size_t got = table.Get(number, position, out.data(), count);
  return {out, got};
}

// In this order, so that later reads meet what earlier ones left in the block buffer. The
// end is marked only by a read past the last byte, and stays marked until reopened.
TEST(FileTable, ReadsGiveTheFileBytesAndMarkTheEndOnlyWhenTheyRunPastIt) {
  test::TempDir temp;
  FileTable table;
  const size_t size = 3 * kBlock + 123;
  const std::string path = temp.write("big", pattern(0, size));
  table.Open(1, path);
  EXPECT_EQ(table.Lof(1), static_cast<int64_t>(size));
  const struct {
    size_t offset, count;
  } cases[] = {{kBlock - 1, 2}, {kBlock - 8, 16}, {0, 1}, {2 * kBlock - 3, 6}, {5, kBlock / 2 + 7},
               {kBlock - 10, kBlock + 20}, {kBlock + 1, 3}, {2 * kBlock, 1}, {size - 4, 4},
               {kBlock / 2, kBlock / 4}, {1, 1}, {3 * kBlock - 1, 100}, {size - 3, 5},
               {size - 10, kBlock}, {size, 1}, {size + kBlock, 2}};
  for (const auto& [offset, count] : cases) {
    SCOPED_TRACE(testing::Message() << "offset " << offset << " count " << count);
    const bool pastEnd = offset + count > size;
    EXPECT_EQ(get(table, 1, static_cast<int64_t>(offset) + 1, count),
              std::pair(pattern(offset, count, size), pastEnd ? size - std::min(size, offset) : count));
    EXPECT_EQ(table.Eof(1), pastEnd);
    if (!pastEnd) continue;
    get(table, 1, 1, 1);
    EXPECT_TRUE(table.Eof(1));
    table.Close(1);
    table.Open(1, path);
  }
  // A short file's block is its own size; grown while open, it still reads on in full.
  const size_t small = NumberedFile::kMinBlockSize;
  table.Open(2, temp.write("small", pattern(0, small - 9)));
  EXPECT_EQ(get(table, 2, 2, 9).first, pattern(1, 9));
  temp.write("small", pattern(0, 3 * small));
  const std::pair<size_t, size_t> reads[] = {{small - 5, 100}, {small - 100, 100}, {7, 2 * small}};
  for (const auto& [offset, count] : reads)
    EXPECT_EQ(get(table, 2, int64_t(offset) + 1, count), std::pair(pattern(offset, count), count));
  std::filesystem::resize_file(path, 100);  // truncated while open: zeros, no crash
  EXPECT_EQ(table.Lof(1), 100);
  EXPECT_EQ(get(table, 1, kBlock + 1, 4), std::pair(std::string(4, '\0'), size_t{0}));
  EXPECT_TRUE(table.Eof(1));
  // Sequential access goes on after the positional read, and a read of nothing moves too.
  std::string out(2, '?');
  table.Get(1, out.data(), 1);
  EXPECT_EQ(table.Seek(1), kBlock + 6);
  table.Seek(1, 2);
  table.Get(1, out.data() + 1, 1);
  EXPECT_EQ(out, std::string(1, '\0') + pattern(1, 1));
  get(table, 1, 9, 0);
  EXPECT_EQ(table.Seek(1), 9);
}

// Open failures carry the classic numbers; so do file numbers and positions out of range.
TEST(FileTable, BadPathsNumbersAndPositionsAreRefused) {
  test::TempDir temp;
  FileTable table;
  const std::string plain = temp.write("abc", "abc");
  std::filesystem::create_directory(temp.file("folder"));
  ASSERT_EQ(::mkfifo(temp.file("fifo").c_str(), 0600), 0);
  const std::pair<std::string, int32_t> cases[] = {
      {temp.file("missing.obj"), err::kFileNotFound}, {temp.file("folder"), err::kPathFileAccess},
      {temp.file("fifo"), err::kPathFileAccess},  // must not block either
      {plain + "/below", err::kPathNotFound}, {"", err::kFileNotFound},
      {plain + std::string(1, '\0'), err::kBadFileNumber}};
  for (const auto& [path, number] : cases) {
    EXPECT_EQ(errorOf([&] { table.Open(1, path); }), number) << path;
    EXPECT_EQ(table.find(1), nullptr) << path;
  }
  char c = 0;
  for (int16_t number : {1, 0, -1, 512}) {  // 1 is not open; the others cannot be
    EXPECT_EQ(std::vector({errorOf([&] { table.Eof(number); }), errorOf([&] { table.Lof(number); }),
                           errorOf([&] { table.Get(number, 1, &c, 1); })}),
              std::vector(3, err::kBadFileNumber));
    EXPECT_EQ(errorOf([&] { table.Open(number, plain), table.Close(number); }),
              number == 1 ? 0 : err::kBadFileNumber);
  }
  table.Open(1, plain);
  NumberedFile& file = table.file(1);
  EXPECT_EQ(std::vector({errorOf([&] { table.Open(1, plain); }),
                         errorOf([&] { table.Get(1, 0, &c, 1); }), errorOf([&] { table.Seek(1, 0); }),
                         errorOf([&] { file.read(-1, &c, 1); }), errorOf([&] { file.seek(-1); })}),
            std::vector({err::kFileAlreadyOpen, 63, 63, 63, 63}));
  table.Open(511, plain);
  EXPECT_EQ(get(table, 511, 1, 3).first, "abc");
  table.CloseAll();
  EXPECT_TRUE(!table.find(1) && !table.find(511));
}

// A file-fed array doubles until a MiB of the file is behind its start; then it takes its
// share of that stretch times the bytes left, 1/16 to spare, but at least a quarter more.
TEST(FileGrowth, ForecastsFromTheFileBehindAndAhead) {
  constexpr int64_t kMiB = int64_t{1} << 20;
  EXPECT_EQ(FileGrowth().capacityFor(1000, 1000, 1001, 8 * kMiB, 16 * kMiB), 2000u);
  std::vector<float> array;
  FileGrowth growth;
  growth.reserve(array, 1, 4 * kMiB, 16 * kMiB);  // the array starts at 4 MiB
  const struct {
    size_t wanted;
    int64_t position, length;
    size_t forecast;
  } cases[] = {{1001, 5 * kMiB - 1, 8 * kMiB, 2000}, {1001, 5 * kMiB, 8 * kMiB, 4250},
               {1001, 6 * kMiB, 8 * kMiB, 2125}, {1001, 5 * kMiB, 5 * kMiB, 1250},
               {1001, 6 * kMiB, 2 * kMiB, 1250}, {9000, 5 * kMiB, 8 * kMiB, 9000},
               {1001, 5 * kMiB, kMiB << 32, 1000000000000}};  // shrunk file, huge file
  for (const auto& [wanted, position, length, forecast] : cases) {
    EXPECT_EQ(growth.capacityFor(1000, 1000, wanted, position, length), forecast) << position;
  }
}

// The first "." or "," of the text is its decimal separator; what is no number is error
// 13. isNumeric takes "." only; leadingValue takes the longest number at the start.
TEST(Numbers, TextTakesPeriodOrCommaAsTheDecimalSeparator) {
  const std::pair<const char*, float> numbers[] = {
      {"1.25", 1.25f}, {"1,25", 1.25f}, {"-3", -3.f}, {"+2.5", 2.5f}, {"1e3", 1000.f},
      {"1,5E-1", 0.15f}, {" 7 ", 7.f}, {".5", 0.5f}, {"5.", 5.f}, {"-,5", -0.5f}};
  for (const auto& [text, value] : numbers) EXPECT_FLOAT_EQ(textToSingle(text), value) << text;
  for (const char* text : {"", " ", "abc", "1.2.3", "1.5,2", "1e", "inf", "nan", "0x10", "1 2",
                           "--1", ".", "-", "1\t"}) {
    EXPECT_EQ(errorOf([&] { textToSingle(text); }), err::kTypeMismatch) << '"' << text << '"';
    EXPECT_EQ(errorOf([&] { textToLong(text); }), err::kTypeMismatch) << '"' << text << '"';
    EXPECT_FALSE(isNumeric(text)) << '"' << text << '"';
  }
  EXPECT_EQ(std::pair(textToLong("2,5"), textToLong(" 3.5")), std::pair(2, 4));
  EXPECT_EQ(errorOf([] { textToLong("3e9"); }), err::kOverflow);
  EXPECT_EQ(errorOf([] { textToSingle("1e39"); }), err::kOverflow);
  EXPECT_TRUE(isNumeric(" -2.5 ") && !isNumeric("1,5"));
  const std::pair<const char*, double> leading[] = {
      {"12abc", 12}, {"abc", 0}, {"", 0}, {"  9", 9}, {"-4.5e1x", -45}, {"3e", 3}, {"3e+", 3},
      {"+.5", 0.5}, {"-.e1", 0}, {"1,5", 1}};
  for (const auto& [text, value] : leading) EXPECT_EQ(leadingValue(text), value) << text;
}

// Up to 15 digits without exponent take a quicker path; every length must still give the
// correctly rounded double, bit for bit what strtod gives.
TEST(Numbers, EveryDigitCountRoundsLikeStrtod) {
  std::mt19937_64 random(20261206);
  for (int i = 0; i < 200000; ++i) {
    const int digits = 1 + static_cast<int>(random() % 20);
    const int point = static_cast<int>(random() % (digits + 2));  // beyond: no point
    std::string text = random() % 4 == 0 ? "-" : "";
    for (int d = 0; d < digits; ++d) {
      if (d == point) text += '.';
      text += std::to_string(random() % 10);
    }
    const bool exponent = random() % 8 == 0;
    if (exponent) (text += 'e') += std::to_string(static_cast<int>(random() % 40) - 20);
    double parsed = 0, plain = 0;
    const double expected = std::strtod(text.c_str(), nullptr);
    const char* end = text.data() + text.size();
    const bool quick = !exponent && digits <= 15;
    ASSERT_TRUE(parseDecimal(text, '.', parsed)) << text;
    ASSERT_EQ(plainDecimal(text.data(), end, plain), quick ? end : nullptr) << text;
    ASSERT_EQ(std::tuple(std::signbit(parsed), parsed, leadingValue(text + "/7"), plain),
              std::tuple(std::signbit(expected), expected, expected, quick ? expected : 0.0))
        << text;
  }
}

}  // namespace
}  // namespace vlm
