#include "platform/ConvertedNumbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "platform/ShortDecimal.h"

namespace vlm {
namespace {

const std::atomic<bool> kGoOn{false};

std::unique_ptr<ConvertedNumbers> convertedOf(std::string_view text, size_t capacity = 4096) {
  auto table = std::make_unique<ConvertedNumbers>(capacity);
  table->convert(text.data(), text.size(), kGoOn);
  return table;
}

// Every entry a fresh cursor finds at any place, for any end of the text read there, is what
// the conversion itself gives for that text; returns the offsets found with the whole text.
std::vector<uint32_t> checkAgainstConversion(std::string_view text) {
  const auto table = convertedOf(text);
  std::vector<uint32_t> found;
  const char* const end = text.data() + text.size();
  for (const char* first = text.data(); first != end; ++first) {
    for (const char* last = first; last <= end; ++last) {
      NumberCursor cursor;
      cursor.reset(text.data(), text.size(), table.get());
      double value = 0;
      const char* stop = plainDecimal(first, last, value);
      // Digits alone, at most nine: the plain form of a face index, also read alone.
      const std::string_view digits(first, stop != nullptr ? stop - first : 0);
      const bool whole = stop != nullptr && digits.find('.') == std::string_view::npos &&
                         digits.size() - (digits[0] == '-' || digits[0] == '+') <= 9;
      int32_t index = 0, inWord = 0;
      EXPECT_EQ(plainWhole(first, last, index), whole ? stop : nullptr) << digits;
      EXPECT_EQ(index, whole ? static_cast<int32_t>(value) : 0) << digits;
      EXPECT_EQ(plainWholeInWord(first, last, inWord), whole ? stop : nullptr) << digits;
      EXPECT_EQ(inWord, index) << digits;
      const ConvertedNumber* entry = cursor.find(first, last);
      if (entry == nullptr) continue;
      const auto at = static_cast<size_t>(first - text.data());
      EXPECT_EQ(stop, first + entry->length) << text << " at " << at;
      EXPECT_EQ(entry->single, static_cast<float>(value)) << text << " at " << at;
      EXPECT_EQ(std::signbit(entry->single), std::signbit(value)) << text << " at " << at;
      EXPECT_EQ(entry->whole != 0, whole) << digits;
      EXPECT_EQ(entry->index, whole ? static_cast<int32_t>(value) : 0) << digits;
      if (last == end) found.push_back(static_cast<uint32_t>(at));
    }
  }
  return found;
}

// Found where an importer starts a number: after a blank, a "<", a "," or a slash.
// Exponents and sixteen digits are the general reader's; a number after an exponent is
// found too, though no importer starts one there. Random text agrees as well.
TEST(ConvertedNumbers, AreWhatTheConversionGivesAndFoundWhereNumbersStart) {
  const struct {
    std::string_view text;
    std::vector<uint32_t> starts;
  } cases[] = {
      {"v 1.5 -2.25 3", {2, 6, 12}},
      {"f 1//2 3/4/5 -6", {2, 5, 7, 9, 11, 13}},
      {"<196.575738,376.778786,-8.786904>", {1, 12, 23}},
      {"1.5 .5 5. -.5 +2", {0, 4, 7, 10, 14}},
      // Numbers run together are left to the importer, which reads them as one word.
      {"1-2+3 -4", {0, 6}},
      {"1.5e3 2E1 7", {4, 8, 10}},
      {"12.34.5 1234567890123456 x9", {0, 26}},
      {"-0 +0 - + . -x", {0, 3}},
      {"123456789 1234567890", {0, 10}},  // nine digits are an index, ten are not
  };
  for (const auto& c : cases) EXPECT_EQ(checkAgainstConversion(c.text), c.starts) << c.text;

  std::mt19937 random(7);
  const std::string_view alphabet = "0123456789..--+eE ,/<>x:";
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  for (int round = 0; round < 200; ++round) {
    std::string text(40, ' ');
    for (char& c : text) c = alphabet[pick(random)];
    checkAgainstConversion(text);
    if (::testing::Test::HasFailure()) return;
  }
}

// A line "f " of plain corners is read whole where it ends in the block, giving what
// plainFace gives for it; its numbers get no entries of their own, other numbers do.
TEST(ConvertedNumbers, ReadPlainFaceLinesWhole) {
  using Faces = std::vector<std::pair<uint32_t, uint32_t>>;  // offset, length
  const struct {
    std::string_view text;
    Faces faces;
    std::vector<uint32_t> numbers;
  } cases[] = {
      {"\nf 1 2 3 4  \nf -1 +2 3\n\rf 3\r", {{3, 7}, {15, 7}, {26, 1}}, {}},
      {"\nf 1//1 2//2 3//3\r\n", {{3, 14}}, {}},  // the same table: no fourth corner left
      {"\nf 1 2 3\n\nv 1 2 3\n", {{3, 5}}, {12, 14, 16}},
      {"\nf 1 2 3 4 5\n", {}, {3, 5, 7, 9, 11}},  // a fifth corner
      {"\nf 1.5 2 3\n\nf 1/2/3 4\n", {}, {3, 7, 9, 14, 16, 18, 20}},
      {"\nf 1234567890 1 2\n", {}, {3, 14, 16}},
      {"\nf  1 2\n", {}, {4, 6}},             // not where a face is looked for
      {"f 1 2\n\nf 1 2", {}, {2, 4, 9, 11}},  // perhaps begun before the block, or going on
  };
  ConvertedNumbers table(4096, true);
  for (const auto& c : cases) {
    table.convert(c.text.data(), c.text.size(), kGoOn);
    Faces faces;
    for (const ConvertedFace* f = table.beginFaces(); f != table.endFaces(); ++f) {
      faces.emplace_back(f->offset, f->length);
      const char* first = c.text.data() + f->offset;
      int32_t v[4], n[4];
      ASSERT_TRUE(plainFace(first, first + f->length, v, n, plainWhole)) << c.text;
      EXPECT_TRUE(std::equal(v, v + 4, f->vertex) && std::equal(n, n + 4, f->normal)) << c.text;
    }
    std::vector<uint32_t> numbers;
    for (const ConvertedNumber& number : table) numbers.push_back(number.offset);
    EXPECT_EQ(faces, c.faces) << c.text;
    EXPECT_EQ(numbers, c.numbers) << c.text;
  }
}

// The cursor moves forward only; text outside the block, or already passed, is converted
// by the reader itself.
TEST(NumberCursor, FindsNothingOutsideTheBlockOrBehindIt) {
  const std::string text = "1 2 3";
  const auto table = convertedOf(text);
  NumberCursor cursor;
  cursor.reset(text.data(), text.size(), table.get());
  const std::string copy = text;
  EXPECT_EQ(cursor.find(copy.data(), copy.data() + 1), nullptr);
  EXPECT_NE(cursor.find(text.data() + 2, text.data() + 3), nullptr);
  EXPECT_EQ(cursor.find(text.data(), text.data() + 1), nullptr);
  EXPECT_NE(cursor.find(text.data() + 4, text.data() + 5), nullptr);
}

// A full table, or one told to stop, keeps its first entries and leaves the rest out. (A
// run of digits too long for a number is passed once: tests/hostile's long lines.)
TEST(ConvertedNumbers, StopWhenFullOrToldTo) {
  std::string text;
  for (int i = 0; i < 5000; ++i) text += "7 ";
  const auto full = convertedOf(text, 600);  // room for 101
  const auto kept = full->end() - full->begin();
  EXPECT_TRUE(kept > 32 && kept <= 101) << kept;
  EXPECT_EQ(full->end()[-1].offset, 2 * (kept - 1));
  const std::atomic<bool> stop{true};
  ConvertedNumbers stopped(6 * text.size());
  stopped.convert(text.data(), text.size(), stop);
  EXPECT_EQ(stopped.end() - stopped.begin(), 0);
}

}  // namespace
}  // namespace vlm
