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
    append(array, {float(i), float(i) + 0.5f});
    if (array.data() != last) ++moves;
    last = array.data();
  }
  ASSERT_EQ(array.size(), 200000u);
  EXPECT_EQ(array[199998], 99999.0f);
  EXPECT_EQ(array[199999], 99999.5f);
  EXPECT_LE(moves, 20);
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
}

}  // namespace
}  // namespace vlm
