// vlmgen's output buffer: the number text every text format is made of, and the length
// patches of 3DS chunks that may lie in bytes already written out.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "BenchTestSupport.h"
#include "OutBuffer.h"

namespace {

using vlm::benchtest::slurp;
using vlm::benchtest::TempFolder;
using vlm::gen::OutBuffer;

std::string written(const std::function<void(OutBuffer&)>& fill) {
  TempFolder folder;
  const auto path = folder.path() / "out";
  OutBuffer out(path.string());
  fill(out);
  out.finish();
  return slurp(path);
}

TEST(OutBuffer, FixedPointKeepsSignDigitsAndRounding) {
  const std::vector<std::pair<double, std::string>> cases = {
      {0.0, "0.000000"},
      {-123.4567891, "-123.456789"},
      {123.4567897, "123.456790"},
      {-0.0000004, "0.000000"},
      {-0.0000006, "-0.000001"},
      {0.1, "0.100000"},
      {1000000.25, "1000000.250000"},
      {-9.9999999, "-10.000000"},
      {7, "7.000000"},
  };
  for (const auto& [value, text] : cases) {
    EXPECT_EQ(written([&](OutBuffer& out) {
                out.reserve(64);
                out.fixed6(value);
              }),
              text)
        << value;
  }
}

TEST(OutBuffer, WholeNumbersHaveEveryDigit) {
  EXPECT_EQ(written([](OutBuffer& out) {
              out.reserve(128);
              for (const uint64_t v :
                   {0ULL, 9ULL, 10ULL, 99ULL, 100ULL, 1005ULL, 18446744073709551615ULL}) {
                out.whole(v);
                out.put(' ');
              }
            }),
            "0 9 10 99 100 1005 18446744073709551615 ");
}

TEST(OutBuffer, BinaryValuesInBothByteOrders) {
  EXPECT_EQ(
      written([](OutBuffer& out) {
        out.reserve(32);
        out.u16le(0x0102);
        out.u32le(0x03040506);
        out.u32be(0x0708090A);
        out.f32le(1.0f);
        out.f32be(1.0f);
      }),
      std::string("\x02\x01\x06\x05\x04\x03\x07\x08\x09\x0A\x00\x00\x80\x3F\x3F\x80\x00\x00", 18));
}

// A 3DS chunk's length is patched when the chunk ends, possibly after its header left the
// buffer, or with the header split between the written part and the buffer.
TEST(OutBuffer, PatchReachesBytesAlreadyWrittenAndStraddlingOnes) {
  TempFolder folder;
  const auto path = folder.path() / "out";
  OutBuffer out(path.string());
  const std::vector<char> block(OutBuffer::kCapacity - 2, 'x');
  out.bytes(block.data(), 10);
  out.bytes(block.data(), block.size());  // the buffer is flushed inside this call
  out.bytes(block.data(), 100);
  const uint64_t straddle = OutBuffer::kCapacity - 2;
  out.patchU32le(4, 0x11223344);
  out.patchU32le(straddle, 0x55667788);
  out.patchU32le(out.offset() - 4, 0x99AABBCC);
  const uint64_t size = out.finish();
  const std::string bytes = slurp(path);
  ASSERT_EQ(bytes.size(), size);
  EXPECT_EQ(bytes.substr(4, 4), "\x44\x33\x22\x11");
  EXPECT_EQ(bytes.substr(straddle, 4), "\x88\x77\x66\x55");
  EXPECT_EQ(bytes.substr(bytes.size() - 4), "\xCC\xBB\xAA\x99");
  EXPECT_EQ(bytes.substr(8, 2), "xx");
}

TEST(OutBuffer, UnfinishedFileLeavesNothingBehind) {
  TempFolder folder;
  const auto path = folder.path() / "out";
  {
    OutBuffer out(path.string());
    out.bytes("abc", 3);
  }
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_FALSE(std::filesystem::exists(path.string() + ".part"));
}

}  // namespace
