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
      const ConvertedNumber* entry = cursor.find(first, last);
      if (entry == nullptr) continue;
      double value = 0;
      const char* stop = plainDecimal(first, last, value);
      const auto at = static_cast<size_t>(first - text.data());
      EXPECT_EQ(stop, first + entry->length) << text << " at " << at;
      EXPECT_EQ(entry->single, static_cast<float>(value)) << text << " at " << at;
      EXPECT_EQ(std::signbit(entry->single), std::signbit(value)) << text << " at " << at;
      const std::string_view digits(first, entry->length);
      const bool whole = digits.find('.') == std::string_view::npos &&
                         digits.size() - (digits[0] == '-' || digits[0] == '+') <= 9;
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
  const std::string_view alphabet = "0123456789..--+eE ,/<>x";
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  for (int round = 0; round < 200; ++round) {
    std::string text(40, ' ');
    for (char& c : text) c = alphabet[pick(random)];
    checkAgainstConversion(text);
    if (::testing::Test::HasFailure()) return;
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
