// The chunk walk every level of the 3DS reader shares: the header reader with its
// progress report and yield, the loop over the sub-chunks of one parent with skipping,
// cut-back and stop, and the zero-terminated name reader.
#include <cstring>

#include "import3ds/CImp_3DS.h"
#include "import3ds/ChunkIO.h"
#include "textio/modImport.h"
#include "ui/ImportDialog.h"

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

  ui::IImportDialog& dialog = ui::importDialog();
  if (static_cast<double>(dialog.progressMax()) >= pos) {
    dialog.setProgressValue(static_cast<float>(pos));
  }
  ui::DoEvents();
}

// The name is taken from the file's buffer a block at a time, so a long name costs one
// pass; the end of the file ends it, as the zero byte read there would.
std::string CImp_3DS::Read_String(int32_t& pos) {
  try {
    NumberedFile& file = fileTable().file(kImportFile);
    file.seek(pos - int64_t{1});
    std::string name;
    for (;;) {
      const std::string_view bytes = file.peek();
      if (bytes.empty()) {
        file.noticeEnd();
        break;
      }
      const size_t zero = bytes.find('\0');
      name.append(bytes.substr(0, zero));
      if (zero != std::string_view::npos) break;
      file.consume(bytes.size());
    }
    pos = movePos(pos, static_cast<int64_t>(name.size()) + 1);
    m_Trace.clear();
    return name;
  } catch (...) {
    m_Trace = currentError().description();
    return {};
  }
}

// One parent's sub-chunks, from `start` for `length` bytes. A chunk whose length is
// below that of its own header would move the walk backwards or keep it in place; it is
// taken as the end of its parent, so the walk goes on after the parent.
bool CImp_3DS::walkChunks(int32_t& pos, int32_t start, int64_t length, ChunkHandler handler) {
  bool ok = true;
  try {
    ChunkHeader header;
    while (!atEnd() && pos - int64_t{start} < length && ok && !modImport::StopImport) {
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
