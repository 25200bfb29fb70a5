// Room for large arrays: growth keeps the elements and stays geometric, a file-fed array
// forecasts its final size, and large blocks really are offered huge pages.
#include "platform/LargeArrays.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace vlm {
namespace {

// The "AnonHugePages" of the mapping that holds `address`, in kB; -1 when not found.
long hugePagesAround(const void* address) {
  std::ifstream maps("/proc/self/smaps");
  const auto at = reinterpret_cast<uintptr_t>(address);
  bool inside = false;
  for (std::string line; std::getline(maps, line);) {
    uintptr_t begin = 0, end = 0;
    if (std::sscanf(line.c_str(), "%" SCNxPTR "-%" SCNxPTR, &begin, &end) == 2) {
      inside = begin <= at && at < end;
    } else if (inside && line.starts_with("AnonHugePages:")) {
      return std::stol(line.substr(14));
    }
  }
  return -1;
}

// First in the file: the blocks the growth cases free come back from the heap already
// faulted in with small pages, and a new block there gets no huge page.
TEST(LargeArrays, LargeBlocksAreBackedByHugePagesWhenTheSystemOffersThem) {
  std::ifstream mode("/sys/kernel/mm/transparent_hugepage/enabled");
  std::string text;
  std::getline(mode, text);
  if (text.find("[never]") != std::string::npos) GTEST_SKIP() << "no huge pages here";
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer's allocator places blocks its own way";
#endif
  LargeVector<float> large(size_t{16} << 20, 1.0f);  // 64 MiB, written through
  std::vector<float> grown;
  makeRoom(grown, size_t{16} << 20);
  grown.resize(size_t{16} << 20, 2.0f);
  LargeVector<float> modest(size_t{3} << 18, 3.0f);  // 3 MiB: starts on a huge page
  EXPECT_EQ(reinterpret_cast<uintptr_t>(modest.data()) % kHugePageBytes, 0u);
  for (const float* at : {large.data() + large.size() / 2, grown.data() + grown.size() / 2,
                          modest.data()}) {
    EXPECT_GE(hugePagesAround(at), 2048);
  }
}

TEST(LargeArrays, MakeRoomKeepsTheElementsAndAtLeastDoubles) {
  std::vector<int32_t> array{1, 2, 3};
  array.shrink_to_fit();
  makeRoom(array, 1);
  EXPECT_EQ(array, (std::vector<int32_t>{1, 2, 3}));
  EXPECT_EQ(array.capacity(), 6u);
  makeRoom(array, 3);  // fits: nothing moves
  EXPECT_EQ(array.capacity(), 6u);
  makeRoom(array, 60);  // more than double: exactly what is asked
  EXPECT_EQ(array.capacity(), 63u);
}

// Doubling until a MiB of the file is behind the array's start; then the array's share of
// that stretch times the bytes left, 1/16 to spare, but at least a quarter more.
TEST(LargeArrays, FileFedGrowthForecastsFromTheFileBehindAndAhead) {
  constexpr int64_t kMiB = int64_t{1} << 20;
  EXPECT_EQ(FileFedGrowth().forecast(1000, 1000, 1001, 8 * kMiB, 16 * kMiB), 2000u);
  std::vector<float> array;
  FileFedGrowth growth;
  growth.makeRoom(array, 1, 4 * kMiB, 16 * kMiB);  // the array starts at 4 MiB
  const struct {
    size_t wanted;
    int64_t position, length;
    size_t forecast;
  } cases[] = {{1001, 5 * kMiB - 1, 8 * kMiB, 2000}, {1001, 5 * kMiB, 8 * kMiB, 4250},
               {1001, 6 * kMiB, 8 * kMiB, 2125}, {1001, 5 * kMiB, 5 * kMiB, 1250},
               {1001, 6 * kMiB, 2 * kMiB, 1250},  // the file shrank
               {9000, 5 * kMiB, 8 * kMiB, 9000},
               {1001, 5 * kMiB, kMiB << 32, 1000000000000}};  // a huge file: capped
  for (const auto& c : cases) {
    EXPECT_EQ(growth.forecast(1000, 1000, c.wanted, c.position, c.length), c.forecast)
        << c.position << " of " << c.length;
  }
}

}  // namespace
}  // namespace vlm
