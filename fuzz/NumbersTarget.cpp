// The fuzz target of numbers read from text: wherever the inline reader of the common short
// number takes one, the general reader must give the same bits for the same characters,
// and no text may make any of the readers fail other than with a run-time error.
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fileio/Numbers.h"
#include "fileio/ShortDecimal.h"
#include "platform/Error.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

template <class Call>
void mayRaise(Call call) {
  try {
    call();
  } catch (const vlm::RuntimeError&) {
  }
}

// One piece of text, as an importer would hand it to the readers.
void checkPiece(std::string_view text) {
  const char* const end = text.data() + text.size();
  double plain = 0;
  if (const char* stop = vlm::plainDecimal(text.data(), end, plain); stop != nullptr) {
    double general = 0;
    check(vlm::parseDecimal(text.substr(0, static_cast<size_t>(stop - text.data())), '.', general));
    check(std::bit_cast<uint64_t>(plain) == std::bit_cast<uint64_t>(general));
  }
  mayRaise([&] { vlm::textToSingle(text); });
  mayRaise([&] { vlm::textToLong(text); });
  double ignored = 0;
  check(vlm::isNumeric(text) == vlm::parseDecimal(text, '.', ignored));
  vlm::leadingValue(text);
}

}  // namespace

// The whole input, then each of its lines and words: the seeds are the text formats' files.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  checkPiece(text);
  for (size_t at = 0; at < text.size();) {
    const size_t stop = std::min(text.find_first_of(" \r\n,<>", at), text.size());
    if (stop > at) checkPiece(text.substr(at, stop - at));
    at = stop + 1;
  }
  return 0;
}
