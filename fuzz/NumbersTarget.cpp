// The fuzz target of the numbers converted ahead: each input is a block as the thread
// that reads ahead converts it. Every entry of its table must be what plainDecimal gives
// at that place, whatever end the importer's text has there, and the entries must come in
// order, apart, within the block and the table's room.
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/ConvertedNumbers.h"
#include "platform/ShortDecimal.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* const block = reinterpret_cast<const char*>(data);
  vlm::ConvertedNumbers table(size);
  const std::atomic<bool> goOn{false};
  table.convert(block, size, goOn);
  vlm::NumberCursor cursor;
  cursor.reset(block, size, &table);
  uint32_t after = 0;
  for (const vlm::ConvertedNumber& entry : table) {
    check(entry.offset >= after && entry.length > 0 && entry.offset + entry.length <= size);
    after = entry.offset + entry.length;
    const char* const first = block + entry.offset;
    // The importer's text ends where the number does, or somewhere after it.
    for (const char* last : {first + entry.length, block + size}) {
      const vlm::ConvertedNumber* found = cursor.find(first, last);
      double value = 0;
      check(found == &entry && vlm::plainDecimal(first, last, value) == first + entry.length);
      check(std::signbit(value) == std::signbit(entry.single));
      check(static_cast<float>(value) == entry.single);
      check(entry.whole == 0 || entry.index == static_cast<int32_t>(value));
    }
  }
  check(static_cast<size_t>(table.end() - table.begin()) <= size / 6 + 1);
  return 0;
}
