#include "importply/BodyCursor.h"

#include <algorithm>
#include <cstring>

#include "fileio/FileTable.h"

namespace vlm::ply {

BodyCursor::BodyCursor(NumberedFile& file, int64_t offset)
    : file_(file), length_(file.length()) {
  file_.seek(offset);
}

std::string_view BodyCursor::window() { return file_.peek(); }

void BodyCursor::advance(size_t count) { file_.consume(count); }

bool BodyCursor::read(void* dst, size_t count) {
  auto* out = static_cast<char*>(dst);
  size_t done = 0;
  while (done < count) {
    const std::string_view chunk = file_.peek();
    if (chunk.empty()) {
      std::memset(out + done, 0, count - done);
      file_.noticeEnd();
      file_.seek(file_.position() + static_cast<int64_t>(count - done));
      return false;
    }
    const size_t n = std::min(chunk.size(), count - done);
    std::memcpy(out + done, chunk.data(), n);
    file_.consume(n);
    done += n;
  }
  return true;
}

bool BodyCursor::skip(uint64_t count, uint32_t size) {
  if (size == 0) return true;
  const uint64_t total = count * size;  // at most 2^31 values of 8 bytes
  uint64_t done = 0;
  while (done < total) {
    const std::string_view chunk = file_.peek();
    if (chunk.empty()) {
      // The value that found the end counts whole, as a read of it would.
      const uint64_t past = size - done % size;
      file_.noticeEnd();
      file_.seek(file_.position() + static_cast<int64_t>(past));
      return false;
    }
    const size_t n = static_cast<size_t>(std::min<uint64_t>(chunk.size(), total - done));
    file_.consume(n);
    done += n;
  }
  return true;
}

bool BodyCursor::atEnd() const noexcept { return file_.eof(); }

int64_t BodyCursor::offset() const noexcept { return file_.position(); }

int64_t BodyCursor::remaining() const noexcept {
  return std::max<int64_t>(0, length_ - file_.position());
}

}  // namespace vlm::ply
