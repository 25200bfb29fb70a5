// Every sample and golden input, under a name that is not UTF-8, cut short, with a byte
// changed and stopped at a yield: every run ends contained, a stopped one handing nothing
// over. And a line of 50 MB in each format.
#include <sys/resource.h>

#include <algorithm>
#include <filesystem>

#include "HostileImport.h"

namespace vlm::hostile {
namespace {

namespace fs = std::filesystem;

size_t peakMemory() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<size_t>(usage.ru_maxrss) * 1024;
}

std::vector<fs::path> inputs() {
  std::vector<fs::path> all;
  for (const std::string ext : {"obj", "dxf", "3ds", "inc", "ply"}) {
    for (const fs::path& folder : {fs::path(VLM_EXAMPLES_DIR), fs::path(VLM_DATA_DIR) / ext}) {
      for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == "." + ext) all.push_back(entry.path());
    }
  }
  return all;
}

class DamagedFile : public HostileImport, public ::testing::WithParamInterface<fs::path> {};

TEST_P(DamagedFile, EveryRunEndsContained) {
  const std::string bytes = test::slurp(GetParam());
  const std::string name = "bad\xff\xfe\x01 " + GetParam().extension().string();
  const size_t memoryBefore = peakMemory();
  // The whole file: the progress bar climbs within its range (samples: through the file).
  std::vector<float> climb = {0};
  float range = 0;
  const Outcome whole = importPath(dir.write(name, bytes), [&](float value, float max) {
    EXPECT_LE(value, range = max);
    if (value > 0) climb.push_back(value);
  });
  expectContained(whole, bytes.size());
  EXPECT_TRUE(std::is_sorted(climb.begin(), climb.end()));
  EXPECT_EQ(range, static_cast<float>(bytes.size() + 1)) << "the bar's range: the length + 1";
  if (GetParam().parent_path() == VLM_EXAMPLES_DIR) {  // a sample imports without a failure
    EXPECT_EQ(whole.failures, std::vector<std::string>{});
    EXPECT_GT(whole.objects, 0u);
    EXPECT_GT(climb.back(), 0.5f * static_cast<float>(bytes.size()));
  }
  // Cut, and a byte changed, at every position within 192 bytes of either end and 128 over
  // the rest. The byte becomes its complement, zero, one up or one down in turn: a digit's
  // neighbour, another separator, a negative or zero count and those around the true one.
  const size_t size = bytes.size();
  for (size_t at = 0; at < size; at += (at < 192 || at + 192 >= size) ? 1 : 1 + size / 128) {
    SCOPED_TRACE("cut at, or byte changed at " + std::to_string(at));
    expectContained(importBytes(name, std::string_view(bytes).substr(0, at)), at);
    std::string damaged = bytes;
    const char c = bytes[at], ways[] = {char(~c), '\0', char(c + 1), char(c - 1)};
    damaged[at] = ways[at % 4];
    expectContained(importBytes(name, damaged), bytes.size());
    if (HasFailure()) return;
  }
  // Stopped at one of up to 64 yields: only the whole file's failure may still show. A text
  // reader reads no further line; a PLY property pass reports once more, a 3DS colour reads
  // its two sub-chunks' headers.
  const std::string ext = GetParam().extension().string();
  const uint64_t readOnAfterStop = ext == ".3ds" ? 2 : ext == ".ply" ? 1 : 0;
  for (uint64_t i = 0, stops = std::min<uint64_t>(whole.yields, 64); i < stops; ++i) {
    const uint64_t yield = 1 + i * whole.yields / stops;
    SCOPED_TRACE("stopped at yield " + std::to_string(yield));
    const Outcome stopped = importBytes(name, bytes, yield);
    expectContained(stopped, bytes.size());
    EXPECT_TRUE(!stopped.messages.empty() && stopped.messages[0].buttons == ui::MsgButtons::YesNo);
    EXPECT_TRUE(stopped.objects == 0 && stopped.idle);
    EXPECT_TRUE(stopped.failures.empty() || stopped.failures == whole.failures);
    EXPECT_LE(stopped.yields, yield + readOnAfterStop) << "read on after the stop";
    if (HasFailure()) return;
  }
  EXPECT_LT(peakMemory() - memoryBefore, size_t{256} << 20);
}

INSTANTIATE_TEST_SUITE_P(Inputs, DamagedFile, ::testing::ValuesIn(inputs()), [](const auto& info) {
  std::string name =
      info.param.parent_path().filename().string() + "_" + info.param.filename().string();
  std::replace_if(
      name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
  return name;
});

// A file name (its extension the format) and how the file starts; its last byte fills 50 MB.
const std::pair<const char*, std::string> kLongLines[] = {
    {"letters.obj", "x"},
    {"vertex.obj", "v 7"},
    {"face.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1"},
    {"code.dxf", "9"},
    {"value.dxf", "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n  0\r\n3DFACE\r\n 10\r\n5"},
    {"token.inc", "q"},
    {"vector.inc", "#declare M = mesh { triangle { <3"},
    {"header.ply", "ply\nc"},
    {"body.ply", "ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nend_header\n4"},
    // An object name without its zero byte, in a chunk claiming the largest length.
    {"name.3ds", std::string("MM\x12\0\0\0==\x0c\0\0\0\0@\xff\xff\xff\x7fn", 19)},
};

class LongLine : public HostileImport,
                 public ::testing::WithParamInterface<std::pair<const char*, std::string>> {};

TEST_P(LongLine, EndsContainedWithBoundedMemory) {
  const std::string& start = GetParam().second;
  const std::string bytes = start + std::string(size_t{50} << 20, start.back());
  const std::string path = dir.write(GetParam().first, bytes);
  const size_t before = peakMemory();
  expectContained(importPath(path), bytes.size());
  EXPECT_LT(peakMemory() - before, 6 * bytes.size());
}

INSTANTIATE_TEST_SUITE_P(Formats, LongLine, ::testing::ValuesIn(kLongLines), [](const auto& info) {
  return std::filesystem::path(info.param.first).stem().string();
});

}  // namespace
}  // namespace vlm::hostile
