// A file-fed array forecasts its final size from the file behind and ahead of it.
#include "platform/LargeArrays.h"

#include <gtest/gtest.h>

namespace vlm {
namespace {

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
               {1001, 6 * kMiB, 2 * kMiB, 1250}, {9000, 5 * kMiB, 8 * kMiB, 9000},
               {1001, 5 * kMiB, kMiB << 32, 1000000000000}};  // shrunk file, huge file
  for (const auto& [wanted, position, length, forecast] : cases) {
    EXPECT_EQ(growth.forecast(1000, 1000, wanted, position, length), forecast) << position;
  }
}

}  // namespace
}  // namespace vlm
