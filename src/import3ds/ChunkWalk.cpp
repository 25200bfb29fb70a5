// The chunk walk every level of the 3DS reader shares: the header reader with its
// progress report and yield, the loop over the sub-chunks of one parent with skipping,
// cut-back and stop, and the zero-terminated name reader.
#include <cstring>

#include "import3ds/CImp_3DS.h"
#include "import3ds/ChunkIO.h"

namespace vlm {

using namespace import3ds;

namespace {

constexpr std::string_view kUnknownChunk = "UNKNOWN CHUNK";
// The length of the main level, which runs to the end of the file.
constexpr int64_t kNoLimit = std::numeric_limits<int64_t>::max();

}  // namespace

void CImp_3DS::Read_ChunkHeader(int32_t& pos, ChunkHeader& header) {
  unsigned char bytes[kHeaderSize];
  readAt(pos, bytes, sizeof bytes);
  header.ID = static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
  std::memcpy(&header.Length, bytes + 2, sizeof header.Length);
  pos = movePos(pos, kHeaderSize);

  import_->showProgressWithin(pos);
  import_->DoEvents();
}

// The name ends at the next zero byte or at the end of the file; the position moves past
// the whole name even when the host budget cuts the text handed over.
std::string CImp_3DS::Read_String(int32_t& pos) {
  try {
    const int64_t length = nameLength(pos);
    std::string name(takeFromBudget(static_cast<size_t>(length), 1), '\0');
    readAt(pos, name.data(), name.size());
    pos = movePos(pos, length + 1);
    m_Trace.clear();
    return name;
  } catch (...) {
    m_Trace = currentError().description();
    return {};
  }
}

// The bytes from `pos` to the next zero byte, scanned in the file's buffer a block at a
// time; the end of the file ends the name and marks the end, as the zero byte read there
// would. A name inside the stretch of the last scan is answered without scanning.
int64_t CImp_3DS::nameLength(int32_t pos) {
  if (pos >= scanFrom_ && pos <= scanZero_) return scanZero_ - int64_t{pos};
  NumberedFile& file = import_->file();
  file.seek(pos - int64_t{1});
  int64_t length = 0;
  for (;;) {
    const std::string_view bytes = file.peek();
    if (bytes.empty()) {
      file.noticeEnd();
      return length;
    }
    const size_t zero = bytes.find('\0');
    if (zero != std::string_view::npos) {
      length += static_cast<int64_t>(zero);
      scanFrom_ = pos;
      scanZero_ = movePos(pos, length);
      return length;
    }
    length += static_cast<int64_t>(bytes.size());
    file.consume(bytes.size());
  }
}

void CImp_3DS::resetHostBudget(int64_t fileLength) {
  hostBudget_ = fileLength + kLongestList;
  scanFrom_ = 0;
  scanZero_ = -1;
}

// How many of `records` records of `recordBytes` bytes the budget still allows; they
// are taken from it.
size_t CImp_3DS::takeFromBudget(size_t records, size_t recordBytes) {
  const auto allowed = static_cast<size_t>(hostBudget_) / recordBytes;
  const size_t taken = records < allowed ? records : allowed;
  hostBudget_ -= static_cast<int64_t>(taken * recordBytes);
  return taken;
}

// One parent's sub-chunks, from `start` for `length` bytes. A chunk whose length is
// below that of its own header would move the walk backwards or keep it in place; it is
// taken as the end of its parent, so the walk goes on after the parent.
bool CImp_3DS::walkChunks(int32_t& pos, int32_t start, int64_t length, ChunkHandler handler) {
  bool ok = true;
  try {
    ChunkHeader header;
    while (!atEnd() && pos - int64_t{start} < length && ok && !import_->StopImport) {
      Read_ChunkHeader(pos, header);
      if (header.Length < kHeaderSize) {
        if (length != kNoLimit) pos = movePos(start, length);
        return ok;
      }
      if (!(this->*handler)(header, pos, ok)) {
        m_Trace = kUnknownChunk;
        passOver(pos, header);
      }
    }
    // A child that ran past the end of its parent is cut back to the parent's end.
    if (pos - int64_t{start} > length) pos = movePos(start, length);
    return ok;
  } catch (...) {
    return trapWithTrace();
  }
}

void CImp_3DS::passOver(int32_t& pos, const ChunkHeader& header) {
  pos = movePos(pos, int64_t{header.Length} - kHeaderSize);
}

bool CImp_3DS::Read_Main(int32_t& pos) {
  return walkChunks(pos, pos, kNoLimit, &CImp_3DS::mainChunk);
}

// Call only inside a catch block: the trap of the chunk loops and of the colour and
// percentage readers.
bool CImp_3DS::trapWithTrace() {
  m_Trace = "(" + m_Trace + ") " + currentError().description();
  return false;
}

// Call only inside a catch block: the traps with a fixed prefix.
bool CImp_3DS::trapWithPrefix(std::string_view prefix) {
  m_Trace = std::string(prefix) + currentError().description();
  return false;
}

}  // namespace vlm
