#include "DamageMutator.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <random>
#include <string_view>

namespace vlm::damage {
namespace {

namespace fs = std::filesystem;

constexpr std::array<std::string_view, 5> kExtensions = {"obj", "dxf", "3ds", "inc", "ply"};
// No change makes a file larger than this.
constexpr size_t kMaxSize = size_t{24} << 20;

// Counts a reader may believe: beyond 16 and 32 bits, negative, zero, and texts that
// overflow every integer type.
constexpr std::array<std::string_view, 8> kHugeTexts = {
    "4294967295", "2147483647", "65535", "-1", "0", "99999999999999999999", "1e38", "-2147483648"};
constexpr std::array<uint32_t, 5> kHugeWords = {0xFFFFFFFF, 0x7FFFFFFF, 0x0000FFFF, 0x80000000,
                                                0x00010000};

using Random = std::mt19937_64;

size_t below(Random& random, size_t bound) {
  return bound == 0 ? 0 : std::uniform_int_distribution<size_t>(0, bound - 1)(random);
}

// A chunk length: mostly short, sometimes long.
size_t chunkLength(Random& random, size_t available) {
  const size_t cap = below(random, 4) == 0 ? 65536 : 256;
  return std::min(available, 1 + below(random, cap));
}

std::string splice(Random& random, std::string& bytes, const std::vector<Input>& peers) {
  const std::string& from = peers[below(random, peers.size())].bytes;
  const size_t start = below(random, from.size());
  const size_t length = chunkLength(random, from.size() - start);
  const size_t at = below(random, bytes.size() + 1);
  if (below(random, 2) == 0) {
    bytes.insert(at, from, start, length);
    return "spliced " + std::to_string(length) + " bytes in at " + std::to_string(at);
  }
  bytes.replace(at, std::min(length, bytes.size() - at), from, start, length);
  return "spliced " + std::to_string(length) + " bytes over " + std::to_string(at);
}

std::string repeat(Random& random, std::string& bytes) {
  const size_t start = below(random, bytes.size());
  const size_t length = chunkLength(random, bytes.size() - start);
  const size_t times = 1 + below(random, below(random, 4) == 0 ? 4096 : 16);
  std::string copies;
  for (size_t i = 0; i < times && copies.size() + bytes.size() < kMaxSize; ++i)
    copies.append(bytes, start, length);
  bytes.insert(start, copies);
  return "repeated " + std::to_string(length) + " bytes at " + std::to_string(start) + " " +
         std::to_string(times) + " times";
}

std::string zero(Random& random, std::string& bytes) {
  const size_t start = below(random, bytes.size());
  const size_t length = chunkLength(random, bytes.size() - start);
  std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(start), length, '\0');
  return "zeroed " + std::to_string(length) + " bytes at " + std::to_string(start);
}

// A number written in the file becomes a huge one, or, in a binary file or where no digit
// follows, a 32-bit word does.
std::string hugeCount(Random& random, std::string& bytes) {
  const size_t from = below(random, bytes.size());
  const size_t digit = bytes.find_first_of("0123456789", from);
  if (digit != std::string::npos && below(random, 4) != 0) {
    const size_t end = std::min(bytes.find_first_not_of("0123456789", digit), bytes.size());
    const std::string_view huge = kHugeTexts[below(random, kHugeTexts.size())];
    bytes.replace(digit, end - digit, huge);
    return "count at " + std::to_string(digit) + " made " + std::string(huge);
  }
  const size_t at = below(random, bytes.size());
  const uint32_t word = kHugeWords[below(random, kHugeWords.size())];
  for (size_t i = 0; i < 4 && at + i < bytes.size(); ++i)
    bytes[at + i] = static_cast<char>(word >> (8 * i));
  return "word at " + std::to_string(at) + " made " + std::to_string(word);
}

std::string longLine(Random& random, std::string& bytes) {
  const size_t at = below(random, bytes.size() + 1);
  const size_t length = (size_t{1} << 19) + below(random, size_t{4} << 20);
  const std::string_view fillers = "x7 .-/\t<{";
  const char filler = below(random, 2) == 0 && at > 0 && bytes[at - 1] != '\n'
                          ? bytes[at - 1]
                          : fillers[below(random, fillers.size())];
  bytes.insert(at, std::min(length, kMaxSize - std::min(kMaxSize, bytes.size())), filler);
  return "line of " + std::to_string(length) + " '" + std::string(1, filler) + "' at " +
         std::to_string(at);
}

std::string mixLineEnds(Random& random, std::string& bytes) {
  constexpr std::array<std::string_view, 4> kEnds = {"\r\n", "\r", "\n", "\n\r"};
  std::string mixed;
  mixed.reserve(bytes.size() + bytes.size() / 8);
  for (const char c : bytes) {
    if (c == '\n') mixed += kEnds[below(random, kEnds.size())];
    else mixed += c;
  }
  bytes.swap(mixed);
  return "line ends mixed";
}

std::string cut(Random& random, std::string& bytes) {
  bytes.resize(below(random, bytes.size() + 1));
  return "cut at " + std::to_string(bytes.size());
}

}  // namespace

Inputs readInputs(const std::vector<fs::path>& folders) {
  Inputs inputs;
  std::vector<fs::path> files;
  for (const fs::path& folder : folders) {
    for (const auto& entry : fs::directory_iterator(folder)) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());  // the same order, so the same cases, everywhere
  for (const fs::path& file : files) {
    std::string extension = file.extension().string();
    if (!extension.empty()) extension.erase(0, 1);
    if (std::find(kExtensions.begin(), kExtensions.end(), extension) == kExtensions.end()) continue;
    std::ifstream in(file, std::ios::binary);
    inputs[extension].push_back({file.filename().string(),
                                 std::string(std::istreambuf_iterator<char>(in), {})});
  }
  return inputs;
}

Damaged damage(const Inputs& inputs, uint64_t seed, uint64_t index) {
  Random random(seed * 0x9E3779B97F4A7C15ULL + index);
  auto format = inputs.begin();
  std::advance(format, static_cast<std::ptrdiff_t>(below(random, inputs.size())));
  const std::vector<Input>& peers = format->second;
  const Input& input = peers[below(random, peers.size())];
  Damaged damaged{format->first, input.bytes, input.name + ":"};
  for (size_t changes = 1 + below(random, 4); changes > 0; --changes) {
    std::string done;
    switch (below(random, 20)) {
      case 0: case 1: case 2: case 3: done = splice(random, damaged.bytes, peers); break;
      case 4: case 5: case 6: done = repeat(random, damaged.bytes); break;
      case 7: case 8: case 9: done = zero(random, damaged.bytes); break;
      case 10: case 11: case 12: case 13: done = hugeCount(random, damaged.bytes); break;
      case 14: done = longLine(random, damaged.bytes); break;
      case 15: case 16: done = mixLineEnds(random, damaged.bytes); break;
      default: done = cut(random, damaged.bytes); break;
    }
    damaged.history += " " + done + ";";
  }
  return damaged;
}

}  // namespace vlm::damage
