#include "FileBlocks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vlm::vlmhost {

namespace {

// The first line end in [p, end), or end. CR alone is found with memchr; CR or LF 16
// bytes at a time, as a memchr for each would rescan the block for the one a file lacks.
const char* findLineEnd(const char* p, const char* end, bool lfToo) noexcept {
  if (!lfToo) {
    const void* cr = std::memchr(p, '\r', static_cast<size_t>(end - p));
    return cr != nullptr ? static_cast<const char*>(cr) : end;
  }
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  for (; end - p >= 16; p += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const int hits =
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf)));
    if (hits != 0) return p + __builtin_ctz(static_cast<unsigned>(hits));
  }
#endif
  while (p != end && *p != '\r' && *p != '\n') ++p;
  return p;
}

}  // namespace

BlockFile::BlockFile(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) return;
  size_ = static_cast<uint64_t>(st.st_size);
  block_ = std::make_unique_for_overwrite<char[]>(std::min<uint64_t>(size_, kBlockSize));
}

BlockFile::~BlockFile() {
  if (fd_ >= 0) ::close(fd_);
}

void BlockFile::readNextBlock() {
  if (start_ + filled_ >= size_) return;
  start_ += filled_;
  used_ = 0;
  const auto want = static_cast<size_t>(std::min<uint64_t>(kBlockSize, size_ - start_));
  const ssize_t n = ::pread(fd_, block_.get(), want, static_cast<off_t>(start_));
  // A read that fails or finds the file shorter than it was ends it there.
  filled_ = n > 0 ? static_cast<size_t>(n) : 0;
}

bool BlockFile::seek(uint64_t offset) noexcept {
  if (offset > size_) return false;
  if (offset >= start_ && offset - start_ <= filled_) {
    used_ = static_cast<size_t>(offset - start_);
  } else {
    start_ = offset;
    used_ = filled_ = 0;
  }
  return true;
}

bool BlockFile::read(char* dst, size_t count) {
  while (count > 0) {
    const std::string_view w = window();
    if (w.empty()) return false;
    const size_t n = std::min(w.size(), count);
    std::memcpy(dst, w.data(), n);
    advance(n);
    dst += n;
    count -= n;
  }
  return true;
}

bool LineReader::next(std::string_view& line) {
  std::string_view w = lineStart();
  if (w.empty()) return false;
  bool spanning = false;
  for (;;) {
    const char* end = w.data() + w.size();
    const char* stop = findLineEnd(w.data(), end, ends_ != LineEnds::cr);
    if (stop == end) {
      if (!spanning) spanning_.clear();
      spanning = true;
      keep(w);
      file_.advance(w.size());
      w = file_.window();
      if (!w.empty()) continue;
      line = spanning_;
      return true;
    }
    const std::string_view part(w.data(), static_cast<size_t>(stop - w.data()));
    file_.advance(part.size() + 1);
    if (ends_ == LineEnds::firstFound) ends_ = *stop == '\r' ? LineEnds::cr : LineEnds::crOrLf;
    lfAfterCr_ = ends_ == LineEnds::cr;
    if (spanning) {
      keep(part);
      line = spanning_;
    } else {
      line = part;
    }
    return true;
  }
}

std::string_view LineReader::lineStart() {
  std::string_view w = file_.window();
  if (lfAfterCr_) {
    lfAfterCr_ = false;
    if (!w.empty() && w.front() == '\n') {
      file_.advance(1);
      w = file_.window();
    }
  }
  if (ends_ != LineEnds::crOrLf) return w;
  for (;;) {
    size_t n = 0;
    while (n < w.size() && (w[n] == '\r' || w[n] == '\n')) ++n;
    if (n == 0) return w;
    file_.advance(n);
    w = file_.window();
  }
}

void LineReader::keep(std::string_view part) {
  if (spanning_.size() < kKeptLine) spanning_.append(part.substr(0, kKeptLine - spanning_.size()));
}

}  // namespace vlm::vlmhost
