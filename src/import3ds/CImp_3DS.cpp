// CImp_3DS::Load: opening and checking the file, the header and version rule, the main
// and editor levels, and the failure exit.
#include "import3ds/CImp_3DS.h"

#include "import3ds/ChunkIO.h"
#include "import3ds/ComponentFolder.h"
#include "import3ds/modConst3DS.h"

namespace vlm {

using namespace import3ds;
using namespace modConst3DS;

namespace {

constexpr int32_t kOldestVersion = 3;

std::string versionMessage(int32_t version) {
  return "Sorry can only read 3ds files of version 3.0 and higher. The version of the file "
         "you want to read is : " +
         std::to_string(version);
}

}  // namespace

void CImp_3DS::Load(ImportContext& p_Import, CollectionRef& p_colObject3D,
                    CollectionRef& p_colMaterial3D) {
  import_ = &p_Import;
  std::string failure;  // the description of a failure reported by a reader
  try {
    m_Trace = "LOAD3DS...";
    p_colObject3D = std::make_shared<Collection>();
    m_colObject3D = p_colObject3D;
    p_colMaterial3D = std::make_shared<Collection>();
    m_colMaterial3D = p_colMaterial3D;
    changeToComponentFolder();
    openFile();

    int32_t pos = 1;
    failure = readFileStart(pos);
    if (failure.empty()) {
      m_Trace = "MAIN CHUNK";
      if (!Read_Main(pos)) failure = m_Trace;
    }
  } catch (...) {
    const RuntimeError error = currentError();
    failLoad(p_colObject3D, RuntimeError(error.number(), error.source(),
                                         "(" + m_Trace + ") " + error.description()));
  }
  if (!failure.empty()) {
    failLoad(p_colObject3D, RuntimeError(err::k3DS, std::string(kDefaultSource), failure));
  }
  p_Import.Close();
  m_colObject3D.reset();
}

// Positions are 32-bit, so a file with bytes beyond the last position cannot be read
// as the format describes it; it is refused before anything is read (error -100).
void CImp_3DS::openFile() {
  import_->Open();
  const int64_t length = import_->Lof();
  if (length > kLargestFile) {
    raise(err::k3DS, "File too large: " + std::to_string(length) +
                         " bytes, a 3DS file can have at most " + std::to_string(kLargestFile) +
                         " bytes");
  }
  resetHostBudget(length);
}

// The MAIN3DS header and the optional version chunk after it. Returns the failure text
// of a file that is no 3DS file or too old, else "" with `pos` at the first main-level
// chunk.
std::string CImp_3DS::readFileStart(int32_t& pos) {
  ChunkHeader header;
  Read_ChunkHeader(pos, header);
  if (header.ID != kMain3DS) return "File type wrong!";

  m_Trace = "MAIN3DS";
  Read_ChunkHeader(pos, header);
  int32_t version = kOldestVersion;
  if (header.ID == kVersion) {
    m_Trace = "VERSION";
    version = readValue<int32_t>(pos);
    pos = movePos(pos, 4);
  } else {
    pos = movePos(pos, -kHeaderSize);  // read again by the main level
  }
  if (version < kOldestVersion) return versionMessage(version);
  return {};
}

// Closes the file, drops the objects (the materials stay with the caller) and raises.
void CImp_3DS::failLoad(CollectionRef& p_colObject3D, const RuntimeError& error) {
  import_->Close();
  m_colObject3D.reset();
  p_colObject3D.reset();
  throw error;
}

bool CImp_3DS::mainChunk(const ChunkHeader& header, int32_t& pos, bool& ok) {
  switch (header.ID) {
    case kKeyframer:
      m_Trace = "KEYFRAMER";
      passOver(pos, header);
      return true;
    case kEditor:
      m_Trace = "EDITOR";
      ok = Read_Editor(pos, header.Length - kHeaderSize);
      return true;
    default: return false;
  }
}

bool CImp_3DS::Read_Editor(int32_t& pos, int32_t length) {
  return walkChunks(pos, pos, length, &CImp_3DS::editorChunk);
}

bool CImp_3DS::editorChunk(const ChunkHeader& header, int32_t& pos, bool& ok) {
  switch (header.ID) {
    case kMaterialDef:
      m_Trace = "MATERIAL DEF";
      ok = Read_Material(pos, header.Length - kHeaderSize);
      return true;
    case kMeshVersion:
      m_Trace = "MESH_VERSION";
      readValue<int32_t>(pos);
      pos = movePos(pos, 4);  // whatever the chunk's length
      return true;
    case kNamedObject: ok = readNamedObject(header, pos); return true;
    default: return false;
  }
}

// A named object: its name, then its sub-chunks in the rest of the chunk.
bool CImp_3DS::readNamedObject(const ChunkHeader& header, int32_t& pos) {
  m_Trace = "OBJECT NAME";
  m_ObjectName = Read_String(pos);
  if (!m_Trace.empty()) {
    m_Trace = "(OBJECT NAME) " + m_Trace;
    return false;
  }
  m_Trace = "OBJECT DEF";
  const int64_t nameBytes = static_cast<int64_t>(m_ObjectName.size()) + 1;
  return Read_ObjectDef(pos, checked32(int64_t{header.Length} - kHeaderSize - nameBytes));
}

}  // namespace vlm
