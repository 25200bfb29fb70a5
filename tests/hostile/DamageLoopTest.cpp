// Every bundled sample and every golden input, damaged three ways and imported through the
// whole run under a file name that is not UTF-8: cut short, with a byte changed, and
// stopped by the user at a yield. Every run ends contained (HostileImport::expectContained,
// no hang, the file closed); a stopped run hands nothing over. And one line of 50 MB without
// a line end in each format, which ends contained in a small multiple of its memory.
#include <algorithm>
#include <filesystem>

#include "HostileImport.h"

namespace vlm::hostile {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> inputs() {
  std::vector<fs::path> all;
  for (const std::string ext : {"obj", "dxf", "3ds", "inc", "ply"}) {
    for (const fs::path& folder : {fs::path(VLM_EXAMPLES_DIR), fs::path(VLM_DATA_DIR) / ext}) {
      for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() == "." + ext) all.push_back(entry.path());
      }
    }
  }
  return all;
}

// Where a file is cut or changed: every position within 192 bytes of either end (headers,
// last records) and 128 spread over the rest.
std::vector<size_t> positions(size_t size) {
  std::vector<size_t> at;
  for (size_t n = 0; n < size; n += (n < 192 || n + 192 >= size) ? 1 : 1 + size / 128) {
    at.push_back(n);
  }
  return at;
}

class DamagedFile : public HostileImport, public ::testing::WithParamInterface<fs::path> {};

TEST_P(DamagedFile, EveryRunEndsContained) {
  const std::string bytes = test::slurp(GetParam());
  const std::string name = "bad\xff\xfe\x01 " + GetParam().extension().string();
  const size_t memoryBefore = peakMemory();
  // The whole file: the progress bar climbs within its range (samples: through the file).
  std::vector<float> climb = {0};
  const Outcome whole = importPath(dir.write(name, bytes), [&](float value, float max) {
    EXPECT_LE(value, max);
    if (value > 0) climb.push_back(value);
  });
  expectContained(whole, bytes.size());
  EXPECT_TRUE(std::is_sorted(climb.begin(), climb.end()));
  if (GetParam().parent_path() == VLM_EXAMPLES_DIR) {  // a sample imports without a failure
    EXPECT_EQ(whole.failures, std::vector<std::string>{});
    EXPECT_GT(whole.objects, 0u);
    EXPECT_GT(climb.back(), 0.5f * static_cast<float>(bytes.size()));
  }
  // A byte changes to its complement, zero, one up or one down, in turn along the file: in a
  // text a digit becomes its neighbour, a separator another; in a binary count or chunk
  // length that gives a negative or zero one and those just around the true one.
  for (size_t at : positions(bytes.size())) {
    SCOPED_TRACE("cut at, or byte changed at " + std::to_string(at));
    expectContained(importBytes(name, std::string_view(bytes).substr(0, at)), at);
    std::string damaged = bytes;
    const char c = bytes[at], ways[] = {char(~c), '\0', char(c + 1), char(c - 1)};
    damaged[at] = ways[at % 4];
    expectContained(importBytes(name, damaged), bytes.size());
    if (HasFailure()) return;
  }
  // Stopped at one of up to 64 yields: the only failure that may still show is the one the
  // whole file ends in, met before the reader looks at the stop.
  for (uint64_t i = 0, stops = std::min<uint64_t>(whole.yields, 64); i < stops; ++i) {
    const uint64_t yield = 1 + i * whole.yields / stops;
    SCOPED_TRACE("stopped at yield " + std::to_string(yield));
    const Outcome stopped = importBytes(name, bytes, yield);
    expectContained(stopped, bytes.size());
    EXPECT_TRUE(!stopped.messages.empty() && stopped.messages[0].buttons == ui::MsgButtons::YesNo);
    EXPECT_TRUE(stopped.objects == 0 && stopped.idle);
    EXPECT_TRUE(stopped.failures.empty() || stopped.failures == whole.failures);
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

struct LongLine {
  const char* name;  // the extension is the format
  std::string before;
  char filler;  // 50 MB of these follow `before`
};

const LongLine kLines[] = {
    {"letters.obj", "", 'x'},
    {"vertex.obj", "v ", '7'},
    {"face.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf ", '1'},
    {"code.dxf", "", '9'},
    {"value.dxf", "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n  0\r\n3DFACE\r\n 10\r\n", '5'},
    {"token.inc", "", 'q'},
    {"vector.inc", "#declare M = mesh { triangle { <", '3'},
    {"header.ply", "ply\n", 'c'},
    {"body.ply", "ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nend_header\n", '4'},
    // An object name without its zero byte, in a chunk claiming the largest length.
    {"name.3ds", std::string("MM\x12\0\0\0==\x0c\0\0\0\0@\xff\xff\xff\x7f", 18), 'n'},
};

class LongLineInput : public HostileImport, public ::testing::WithParamInterface<LongLine> {};

TEST_P(LongLineInput, EndsContainedWithBoundedMemory) {
  const size_t size = GetParam().before.size() + (size_t{50} << 20);
  const std::string path = dir.write(
      GetParam().name, GetParam().before + std::string(size_t{50} << 20, GetParam().filler));
  const size_t before = peakMemory();
  expectContained(importPath(path), size);
  EXPECT_LT(peakMemory() - before, 6 * size);
}

INSTANTIATE_TEST_SUITE_P(Lines, LongLineInput, ::testing::ValuesIn(kLines), [](const auto& info) {
  return std::filesystem::path(info.param.name).stem().string();
});

}  // namespace
}  // namespace vlm::hostile
