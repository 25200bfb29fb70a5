// Room for large arrays: growth keeps the elements and stays geometric, and the room of a
// large array really is offered huge pages (read back from the process's memory map).
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/LargeArrays.h"

namespace vlm {
namespace {

TEST(LargeArrays, MakeRoomKeepsTheElementsAndAtLeastDoubles) {
  std::vector<int32_t> array{1, 2, 3};
  array.shrink_to_fit();
  makeRoom(array, 1);
  EXPECT_EQ(array, (std::vector<int32_t>{1, 2, 3}));
  EXPECT_GE(array.capacity(), 6u);
  const size_t capacity = array.capacity();
  makeRoom(array, capacity - array.size());  // fits: nothing moves
  EXPECT_EQ(array.capacity(), capacity);
  makeRoom(array, 10 * capacity);  // more than double: exactly what is asked
  EXPECT_EQ(array.capacity(), 3 + 10 * capacity);
}

TEST(LargeArrays, AppendingManyTimesMovesTheArrayOnlyLogarithmicallyOften) {
  std::vector<float> array;
  int moves = 0;
  const float* last = nullptr;
  for (int i = 0; i < 100000; ++i) {
    makeRoom(array, 2);
    array.insert(array.end(), {float(i), float(i) + 0.5f});
    if (array.data() != last) ++moves;
    last = array.data();
  }
  ASSERT_EQ(array.size(), 200000u);
  EXPECT_EQ(array[199998], 99999.0f);
  EXPECT_EQ(array[199999], 99999.5f);
  EXPECT_LE(moves, 20);
}

// An array filled at a steady rate along a file, as a reader appends to it line by line.
struct FilledAlong {
  std::vector<float> array;
  int largeMoves = 0;  // into room of kLargeArrayBytes or more
  size_t bytesAllocated = 0;
};

FilledAlong fillAlong(int64_t length, int64_t start, int64_t lineBytes, size_t valuesPerLine) {
  FilledAlong out;
  FileFedGrowth growth;
  for (int64_t position = start; position + lineBytes <= length; position += lineBytes) {
    const float* before = out.array.data();
    growth.makeRoom(out.array, valuesPerLine, position, length);
    if (out.array.data() != before) {
      const size_t bytes = out.array.capacity() * sizeof(float);
      out.bytesAllocated += bytes;
      if (bytes >= kLargeArrayBytes) ++out.largeMoves;
    }
    out.array.insert(out.array.end(), valuesPerLine, 1.0f);
  }
  return out;
}

TEST(LargeArrays, FileFedGrowthForecastsTheFinalSizeAndMovesAboutOnce) {
  struct Case {
    int64_t length, start, lineBytes;
    size_t values;
  };
  for (const Case& c : {Case{64 << 20, 0, 32, 10}, Case{64 << 20, 40 << 20, 30, 4},
                        Case{8 << 20, 1 << 20, 7, 3}}) {
    const FilledAlong filled = fillAlong(c.length, c.start, c.lineBytes, c.values);
    const size_t final = filled.array.size();
    SCOPED_TRACE(final);
    // Doubling alone would move a large array several times and allocate 3-4x the data.
    EXPECT_LE(filled.largeMoves, 2);
    EXPECT_LE(filled.bytesAllocated, 2 * final * sizeof(float));
    EXPECT_LE(filled.array.capacity(), final + final / 8);
  }
}

TEST(LargeArrays, FileFedGrowthGrowsOnWhenTheFileFillsFasterThanForecast) {
  // A sparse first stretch forecasts little; the dense rest must still append in
  // logarithmically many moves, never one per line.
  std::vector<int32_t> array;
  FileFedGrowth growth;
  int moves = 0;
  const int64_t length = 16 << 20;
  for (int64_t position = 0; position < length; position += 16) {
    const bool dense = position > (2 << 20);
    const size_t more = dense ? 8 : (position % 4096 == 0 ? 1 : 0);
    if (more == 0) continue;
    const int32_t* before = array.data();
    growth.makeRoom(array, more, position, length);
    if (array.data() != before) ++moves;
    array.insert(array.end(), more, 7);
  }
  EXPECT_EQ(array.back(), 7);
  EXPECT_LE(moves, 40);
}

TEST(LargeArrays, FileFedGrowthNeverForecastsFromACountBeyondTheFile) {
  FileFedGrowth growth;
  // Past the end of the file (it shrank while read): growth falls back to a quarter more.
  EXPECT_EQ(growth.forecast(1000, 1000, 1001, 0, 0), 2000u);
  std::vector<float> array(1000, 0.0f);
  array.shrink_to_fit();
  growth.makeRoom(array, 1, 0, 100);        // starts the count at 0
  growth.makeRoom(array, 1, 4 << 20, 100);  // file now shorter than the position
  EXPECT_GE(array.capacity(), 1001u);
  EXPECT_LE(array.capacity(), 4000u);
}

TEST(LargeArrays, LargeVectorIsAVectorAndSmallBlocksAreLeftAlone) {
  LargeVector<int32_t> small(5, 7);
  small.push_back(8);
  EXPECT_EQ(small.size(), 6u);
  EXPECT_EQ(small.back(), 8);
  adviseHugePages(nullptr, size_t{1} << 30);  // no block: nothing to advise, no fault
  adviseHugePages(small.data(), small.size() * sizeof(int32_t));
  EXPECT_EQ(small.front(), 7);
}

// The "AnonHugePages" of the mapping that holds `address`, in kB; -1 when not found.
long hugePagesAround(const void* address) {
  std::ifstream maps("/proc/self/smaps");
  std::string line;
  bool inside = false;
  const auto at = reinterpret_cast<uintptr_t>(address);
  while (std::getline(maps, line)) {
    uintptr_t begin = 0, end = 0;
    char dash = 0;
    std::istringstream range(line);
    if (range >> std::hex >> begin >> dash >> end && dash == '-') {
      inside = begin <= at && at < end;
    } else if (inside && line.rfind("AnonHugePages:", 0) == 0) {
      return std::stol(line.substr(14));
    }
  }
  return -1;
}

bool hugePagesOnAdvice() {
  std::ifstream mode("/sys/kernel/mm/transparent_hugepage/enabled");
  std::string text;
  std::getline(mode, text);
  return text.find("[madvise]") != std::string::npos || text.find("[always]") != std::string::npos;
}

TEST(LargeArrays, LargeBlocksAreBackedByHugePagesWhenTheSystemOffersThem) {
  if (!hugePagesOnAdvice()) GTEST_SKIP() << "transparent huge pages are off here";
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer's allocator places blocks its own way";
#endif
  LargeVector<float> large(size_t{16} << 20, 1.0f);  // 64 MiB, written through
  std::vector<float> grown;
  makeRoom(grown, size_t{16} << 20);
  grown.resize(size_t{16} << 20, 2.0f);
  const long largeKb = hugePagesAround(large.data() + large.size() / 2);
  const long grownKb = hugePagesAround(grown.data() + grown.size() / 2);
  EXPECT_GE(largeKb, 2048);
  EXPECT_GE(grownKb, 2048);
  // A block of a few MiB starts on a huge page, so its first 2 MiB are one.
  LargeVector<float> modest(size_t{3} << 18, 3.0f);  // 3 MiB
  EXPECT_EQ(reinterpret_cast<uintptr_t>(modest.data()) % kHugePageBytes, 0u);
  EXPECT_GE(hugePagesAround(modest.data()), 2048);
}

}  // namespace
}  // namespace vlm
