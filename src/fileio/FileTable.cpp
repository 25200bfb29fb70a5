#include "fileio/FileTable.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <system_error>
#include <utility>

#include "platform/Error.h"

namespace vlm {

static_assert(sizeof(off_t) >= sizeof(int64_t), "files beyond 2 GiB need 64-bit offsets");

namespace {

constexpr int64_t kMaxOffset = std::numeric_limits<int64_t>::max();

// The offset just after `count` bytes at `offset`, held at the largest offset.
int64_t offsetAfter(int64_t offset, size_t count) noexcept {
  const auto room = static_cast<uint64_t>(kMaxOffset - offset);
  return count > room ? kMaxOffset : offset + static_cast<int64_t>(count);
}

// Reads `count` bytes at `offset` of the open file `fd` into `dst`, through short reads
// and interruptions; returns how many it got. An I/O error reads as the end of the file.
size_t readAt(int fd, int64_t offset, char* dst, size_t count) noexcept {
  size_t done = 0;
  while (done < count && offset < kMaxOffset) {
    const size_t want = std::min<size_t>(count - done, static_cast<size_t>(kMaxOffset - offset));
    const ssize_t n = ::pread(fd, dst + done, want, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // the end, or an I/O error, which reads as the end
    done += static_cast<size_t>(n);
    offset += n;
  }
  return done;
}

// Empty for a regular file, else why the file cannot be read as one.
std::string notRegularFile(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return std::generic_category().message(errno);
  if (S_ISREG(st.st_mode)) return {};
  return S_ISDIR(st.st_mode) ? std::generic_category().message(EISDIR) : "Not a regular file";
}

[[noreturn]] void raiseBadRecordNumber() {
  raise(err::kBadRecordNumber);
}

void checkNumber(int16_t number) {
  if (number < FileTable::kMinNumber || number > FileTable::kMaxNumber) {
    raise(err::kBadFileNumber);
  }
}

}  // namespace

// --- NumberedFile ----------------------------------------------------------------------

NumberedFile::NumberedFile(int fd, std::string path) noexcept : fd_(fd), path_(std::move(path)) {}

NumberedFile::~NumberedFile() { ::close(fd_); }

int64_t NumberedFile::length() const noexcept {
  struct stat st {};
  return ::fstat(fd_, &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
}

bool NumberedFile::buffered(int64_t offset, size_t count) const noexcept {
  if (!block_ || offset < blockOffset_) return false;
  const auto skip = static_cast<uint64_t>(offset - blockOffset_);
  return skip <= blockLength_ && count <= blockLength_ - skip;
}

void NumberedFile::allocateBlock() {
  if (block_) return;
  const auto fileLength = static_cast<uint64_t>(std::max<int64_t>(length(), 0));
  const uint64_t rounded = (fileLength + kMinBlockSize - 1) / kMinBlockSize * kMinBlockSize;
  blockCapacity_ = static_cast<size_t>(std::clamp<uint64_t>(rounded, kMinBlockSize, kBlockSize));
  block_ = std::make_unique_for_overwrite<char[]>(blockCapacity_);
}

size_t NumberedFile::fillBlock(int64_t offset) {
  allocateBlock();
  blockOffset_ = offset;
  blockLength_ = readAt(fd_, offset, block_.get(), blockCapacity_);
  return blockLength_;
}

size_t NumberedFile::read(int64_t offset, void* dst, size_t count) {
  if (offset < 0) raiseBadRecordNumber();
  if (count == 0) {
    position_ = offset;
    return 0;
  }
  auto* out = static_cast<char*>(dst);
  size_t got = 0;
  allocateBlock();
  if (buffered(offset, count)) {
    got = count;
    std::memcpy(out, block_.get() + (offset - blockOffset_), count);
  } else if (count >= blockCapacity_ / 2) {
    got = readAt(fd_, offset, out, count);
  } else {
    got = std::min(count, fillBlock(offset));
    std::memcpy(out, block_.get(), got);
  }
  if (got < count) {
    std::memset(out + got, 0, count - got);
    eof_ = true;
  }
  position_ = offsetAfter(offset, count);
  return got;
}

void NumberedFile::seek(int64_t offset) {
  if (offset < 0) raiseBadRecordNumber();
  position_ = offset;
}

std::string_view NumberedFile::refill() {
  if (fillBlock(position_) == 0) return {};
  return {block_.get(), blockLength_};
}

// --- FileTable -------------------------------------------------------------------------

FileTable::FileTable() = default;
FileTable::~FileTable() = default;

void FileTable::Open(int16_t number, const std::string& path) {
  checkNumber(number);
  if (files_[number]) raise(err::kFileAlreadyOpen);
  if (path.find('\0') != std::string::npos) raise(err::kBadFileNumber);
  // O_NONBLOCK keeps a FIFO from blocking the open; it is refused below anyway.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    raiseFileFailure(path, errno);
  }
  // Only regular files have an end: a device or a pipe could feed a line reader forever.
  if (const std::string reason = notRegularFile(fd); !reason.empty()) {
    ::close(fd);
    raiseFileFailure(err::kPathFileAccess, path, reason);
  }
  try {
    files_[number] = std::make_unique<NumberedFile>(fd, path);
  } catch (...) {
    ::close(fd);
    throw;
  }
}

void FileTable::Close(int16_t number) {
  checkNumber(number);
  files_[number].reset();
}

void FileTable::CloseAll() noexcept {
  for (auto& f : files_) f.reset();
}

void FileTable::raiseNotOpen() { raise(err::kBadFileNumber); }

int64_t FileTable::Lof(int16_t number) const { return file(number).length(); }

size_t FileTable::Get(int16_t number, int64_t position, void* dst, size_t count) {
  NumberedFile& f = file(number);
  if (position < 1) raiseBadRecordNumber();
  return f.read(position - 1, dst, count);
}

size_t FileTable::Get(int16_t number, void* dst, size_t count) {
  NumberedFile& f = file(number);
  return f.read(f.position(), dst, count);
}

int64_t FileTable::Seek(int16_t number) const { return offsetAfter(file(number).position(), 1); }

void FileTable::Seek(int16_t number, int64_t position) {
  NumberedFile& f = file(number);
  if (position < 1) raiseBadRecordNumber();
  f.seek(position - 1);
}

FileTable& fileTable() {
  static FileTable table;
  return table;
}

}  // namespace vlm
