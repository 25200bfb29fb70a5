// One line of 50 MB without a line end, in each text format (and a 50 MB 3DS name
// without its zero byte): read in one pass, with memory a small multiple of the line.
#include <algorithm>
#include <filesystem>

#include "HostileImport.h"
#include "import3ds/ChunkBuilder.h"

namespace vlm::hostile {
namespace {

constexpr size_t kLineBytes = size_t{50} << 20;

struct LongLine {
  const char* name;    // the file name; its extension is the format
  std::string before;  // what comes before the long line
  char filler;         // the byte the line is made of
};

const LongLine kLines[] = {
    {"letters.obj", "", 'x'},
    {"vertex.obj", "v ", '7'},
    {"face.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf ", '1'},
    {"code.dxf", "", '9'},
    {"value.dxf", "  0\nSECTION\n  2\nENTITIES\n  0\n3DFACE\n 10\n", '5'},
    {"token.inc", "", 'q'},
    {"vector.inc", "#declare M = mesh { triangle { <", '3'},
    {"header.ply", "ply\n", 'c'},
    {"body.ply",
     "ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nproperty float y\n"
     "property float z\nend_header\n",
     '4'},
};

class FiftyMegabyteLine : public HostileImport, public ::testing::WithParamInterface<LongLine> {};

TEST_P(FiftyMegabyteLine, EndsContainedWithBoundedMemory) {
  std::string bytes = GetParam().before;
  bytes.append(kLineBytes, GetParam().filler);
  const std::string path = dir.write(GetParam().name, bytes);
  const std::string extension = std::filesystem::path(path).extension().string().substr(1);
  bytes = {};
  const size_t before = peakMemory();
  const Outcome outcome = importPath(path, extension);
  expectContained(outcome, kLineBytes);
  EXPECT_LT(peakMemory() - before, 6 * kLineBytes);
}

INSTANTIATE_TEST_SUITE_P(Formats, FiftyMegabyteLine, ::testing::ValuesIn(kLines),
                         [](const auto& info) {
                           std::string name = info.param.name;
                           std::replace(name.begin(), name.end(), '.', '_');
                           return name;
                         });

TEST_F(HostileImport, FiftyMegabyteObjectNameWithoutItsZeroByteEndsContained) {
  using namespace test3ds;
  std::string bytes = file3ds(editor(chunkWithLength(0x4000, 0x7FFFFFFF)));
  bytes.append(kLineBytes, 'n');
  const std::string path = dir.write("name.3ds", bytes);
  bytes = {};
  const size_t before = peakMemory();
  expectContained(importPath(path, "3ds"), kLineBytes);
  EXPECT_LT(peakMemory() - before, 6 * kLineBytes);
}

}  // namespace
}  // namespace vlm::hostile
