// Read_Line: the line reader of the import file (file number 1) in both line modes.
//
// Line ends are found in the file table's block buffer 16 bytes at a time (CR for whole
// lines, CR or LF in character mode), and lines are returned as views into that buffer.
// Only a line that crosses a block boundary is assembled, in one scratch string kept
// between calls, so ordinary lines cost no allocation and no system call.
#include <algorithm>
#include <limits>
#include <string>

#include "fileio/FileTable.h"
#include "textio/ImportContext.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vlm {

namespace {

// Scratch capacity kept after a long line; beyond it the next call gives the memory back.
constexpr size_t kKeptScratch = 4 * NumberedFile::kBlockSize;
static_assert(kKeptScratch >= NumberedFile::kBlockSize, "a line of one block stays cheap");

bool isLineEnd(char c) noexcept { return c == '\r' || c == '\n'; }

// The first line end in [p, end), or end: CR only, or with kLfEnds CR or LF too. Lines are
// short, so an inline 16-byte scan beats a call to memchr per line.
template <bool kLfEnds>
const char* findLineEnd(const char* p, const char* end) noexcept {
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  for (; end - p >= 16; p += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i found = _mm_cmpeq_epi8(bytes, cr);
    if constexpr (kLfEnds) found = _mm_or_si128(found, _mm_cmpeq_epi8(bytes, lf));
    const int hits = _mm_movemask_epi8(found);
    if (hits != 0) return p + __builtin_ctz(static_cast<unsigned>(hits));
  }
#endif
  while (p != end && !(*p == '\r' || (kLfEnds && *p == '\n'))) ++p;
  return p;
}

}  // namespace

// CharsRead is a 32-bit counter. Past 2^31 - 1 characters it stays at that value rather
// than wrapping to negative, so a progress bar fed from it stays full instead of jumping.
inline void ImportContext::addChars(size_t count) noexcept {
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  const int64_t sum = CharsRead + static_cast<int64_t>(std::min<size_t>(count, kMax));
  CharsRead = static_cast<int32_t>(std::min(sum, kMax));
}

// Adds `part` to the line being assembled in the scratch string.
void ImportContext::gather(std::string_view part, bool& spanning) {
  if (spanning) {
    spanText_.append(part);
  } else {
    spanText_.assign(part);
    spanning = true;
  }
}

// The line ended at a CR that was the last buffered byte: keep the line before the block
// is refilled to look for the LF that may follow in the next block.
std::string_view ImportContext::finishAtBlockEnd(NumberedFile& file, std::string_view line, bool spanning) {
  gather(line, spanning);
  const std::string_view next = file.peek();
  if (!next.empty() && next.front() == '\n') file.consume(1);
  return spanText_;
}

// Mode 0: the characters up to the next CR; CR LF is one line end, a lone LF is part of
// the line. A last line without CR ends at the end of the file without noticing it, as
// the last character was read, not an attempt beyond it.
std::string_view ImportContext::readWholeLine(NumberedFile& file) {
  if (file.eof()) return {};
  std::string_view chunk = file.peek();
  if (chunk.empty()) {
    file.noticeEnd();
    return {};
  }
  bool spanning = false;
  for (;;) {
    const char* cr = findLineEnd<false>(chunk.data(), chunk.data() + chunk.size());
    if (cr == chunk.data() + chunk.size()) {
      gather(chunk, spanning);
      file.consume(chunk.size());
      chunk = file.peek();
      if (chunk.empty()) return spanText_;
      continue;
    }
    const auto length = static_cast<size_t>(cr - chunk.data());
    const std::string_view line = chunk.substr(0, length);
    file.consume(length + 1);
    if (length + 1 == chunk.size()) return finishAtBlockEnd(file, line, spanning);
    if (chunk[length + 1] == '\n') file.consume(1);
    if (!spanning) return line;
    return spanText_.append(line);
  }
}

// Mode 1, as if character by character: every read attempt adds 1 to CharsRead, the one
// that finds the end of the file too; CR or LF ends a line; empty lines are skipped.
std::string_view ImportContext::readCharLine(NumberedFile* file) {
  bool spanning = false;
  for (;;) {
    std::string_view chunk = file != nullptr ? file->peek() : std::string_view{};
    if (chunk.empty()) {
      addChars(1);
      if (file != nullptr) file->noticeEnd();
      return spanning ? std::string_view(spanText_) : std::string_view{};
    }
    if (!spanning) {
      const auto skipped = static_cast<size_t>(
          std::find_if_not(chunk.begin(), chunk.end(), isLineEnd) - chunk.begin());
      addChars(skipped);
      file->consume(skipped);
      chunk.remove_prefix(skipped);
      if (chunk.empty()) continue;
    }
    const char* end = findLineEnd<true>(chunk.data(), chunk.data() + chunk.size());
    const auto length = static_cast<size_t>(end - chunk.data());
    const std::string_view line = chunk.substr(0, length);
    if (length == chunk.size()) {
      gather(line, spanning);
      addChars(length);
      file->consume(length);
      continue;
    }
    addChars(length + 1);
    file->consume(length + 1);
    if (!spanning) return line;
    return spanText_.append(line);
  }
}

std::string_view ImportContext::Read_Line() {
  NumberedFile* file = files_.find(kImportFile);
  // The common line is cut off here in a few instructions: one that ends, line end
  // included, before the buffered bytes do. Any other (the file's or a block's end,
  // nothing open, scratch memory to give back) takes the general readers below, from the
  // same position.
  if (file != nullptr && !file->eof() && spanText_.capacity() <= kKeptScratch) {
    const std::string_view chunk = file->peek();
    const char* const end = chunk.data() + chunk.size();
    if (ReadMode == 0) {
      const char* cr = findLineEnd<false>(chunk.data(), end);
      if (end - cr >= 2) {  // the LF that may follow the CR is buffered too
        const auto length = static_cast<size_t>(cr - chunk.data());
        file->consume(length + (cr[1] == '\n' ? 2 : 1));
        addChars(length);
        return chunk.substr(0, length);
      }
    } else if (ReadMode == 1) {
      // The line ends before the line are skipped, as empty lines.
      const char* first = chunk.data();
      while (first != end && isLineEnd(*first)) ++first;
      const char* stop = findLineEnd<true>(first, end);
      if (stop != end) {
        const auto taken = static_cast<size_t>(stop + 1 - chunk.data());
        file->consume(taken);
        addChars(taken);
        return {first, static_cast<size_t>(stop - first)};
      }
    }
  }
  if (spanText_.capacity() > kKeptScratch) std::string().swap(spanText_);
  switch (ReadMode) {
    case 0: {
      const std::string_view line = file != nullptr ? readWholeLine(*file) : std::string_view{};
      addChars(line.size());
      return line;
    }
    case 1: return readCharLine(file);
    default: return {};
  }
}

}  // namespace vlm
