// Every sample, cut short at many lengths and with bytes flipped at random (fixed seed):
// each import ends with its defined outcome or one clear message, the dialog idle, the
// scene bounded by the file's size and its report valid JSON.
#include <algorithm>
#include <random>

#include "HostileImport.h"

namespace vlm::hostile {
namespace {

class DamagedSample : public HostileImport, public ::testing::WithParamInterface<Sample> {};

// Every length up to 256 bytes, then about 250 lengths spread over the rest.
std::vector<size_t> cutLengths(size_t size) {
  std::vector<size_t> lengths;
  for (size_t n = 0; n < size && n <= 256; ++n) lengths.push_back(n);
  const size_t step = std::max<size_t>(1, size / 250);
  for (size_t n = 257; n < size; n += step) lengths.push_back(n);
  return lengths;
}

// The whole sample imports without a failure, so the damaged runs start from a file
// that reaches the scene, and its progress bar climbs through the file within its range
// before it goes back to zero.
TEST_P(DamagedSample, WholeImportsAndCutShortAtManyLengthsStaysContained) {
  const Sample& sample = GetParam();
  std::vector<float> climb;
  float max = 0;
  const Outcome whole = importBytes(sample.name, sample.bytes, [&](float value, float m) {
    max = m;
    if (value > 0) climb.push_back(value);
  });
  EXPECT_TRUE(whole.failures().empty()) << ::testing::PrintToString(whole.failures());
  EXPECT_GT(whole.objects, 0u);
  ASSERT_FALSE(climb.empty());
  EXPECT_TRUE(std::is_sorted(climb.begin(), climb.end()));
  EXPECT_LE(climb.back(), max);
  EXPECT_GT(climb.back(), 0.5f * static_cast<float>(sample.bytes.size()));
  for (size_t length : cutLengths(sample.bytes.size())) {
    SCOPED_TRACE("cut at " + std::to_string(length));
    const Outcome outcome =
        importBytes(sample.name, std::string_view(sample.bytes).substr(0, length));
    expectContained(outcome, length);
    if (HasFailure()) return;
  }
}

TEST_P(DamagedSample, RandomByteFlipsStayContained) {
  const Sample& sample = GetParam();
  std::mt19937 random(20240611);
  for (int mutant = 0; mutant < 150; ++mutant) {
    std::string bytes = sample.bytes;
    const int flips = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < flips && !bytes.empty(); ++i) {
      bytes[random() % bytes.size()] ^= static_cast<char>(1 + random() % 255);
    }
    SCOPED_TRACE("mutant " + std::to_string(mutant));
    expectContained(importBytes(sample.name, bytes), bytes.size());
    if (HasFailure()) return;
  }
}

std::string sampleName(const ::testing::TestParamInfo<Sample>& info) {
  std::string name = info.param.name;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Samples, DamagedSample, ::testing::ValuesIn(samples()), sampleName);

}  // namespace
}  // namespace vlm::hostile
