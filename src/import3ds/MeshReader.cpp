// The named-object and triangle-mesh levels of the 3DS reader: one host object per
// mesh, its vertex and face lists (each read in one piece), material name, visibility
// and the first object's origin.
#include <utility>

#include "import3ds/CImp_3DS.h"
#include "import3ds/ChunkIO.h"
#include "import3ds/modConst3DS.h"

namespace vlm {

using namespace import3ds;
using namespace modConst3DS;

namespace {

constexpr int16_t kPlainTriples = 3;  // Add_Poligons' second argument

// The position after a chunk whose data starts at `dataStart`.
int32_t chunkEnd(int32_t dataStart, int32_t length) {
  return movePos(dataStart, int64_t{length} - kHeaderSize);
}

}  // namespace

void CImp_3DS::markEndOfList(int32_t pos, int64_t bytes) {
  uint8_t last = 0;
  if (bytes > 0) import_->Get(pos + bytes - 1, &last, 1);
}

void CImp_3DS::Get_Position(float& X, float& Y, float& Z) const {
  X = m_Position.X;
  Y = m_Position.Y;
  Z = m_Position.Z;
}

bool CImp_3DS::Read_ObjectDef(int32_t& pos, int32_t length) {
  return walkChunks(pos, pos, length, &CImp_3DS::objectChunk);
}

// Lights, cameras and anything else in a named object are passed over.
bool CImp_3DS::objectChunk(const ChunkHeader& header, int32_t& pos, bool& ok) {
  if (header.ID != kTriMesh) return false;
  m_Trace = "ADD OBJECT";
  Add_Object();
  if (m_Trace.empty()) {
    m_Trace = "OBJECT TRIMESH";
    ok = Read_TriMesh(pos, header.Length - kHeaderSize);
  } else {
    ok = false;
  }
  return true;
}

// The object goes into the collection before its geometry is read, so an import that
// ends part-way keeps it.
void CImp_3DS::Add_Object() {
  try {
    host::HostObject object = host::HostObject::create();
    if (m_ObjectName.empty()) m_ObjectName = "Object";
    object.setName(m_ObjectName);
    object.setDefaultColor(host::kDefaultObjectColor);
    m_colObject3D->Add(object.ref());
    m_Trace.clear();
  } catch (...) {
    trapWithPrefix("(ADD OBJECT) ");
  }
}

bool CImp_3DS::Read_TriMesh(int32_t& pos, int32_t length) {
  return walkChunks(pos, pos, length, &CImp_3DS::meshChunk);
}

bool CImp_3DS::meshChunk(const ChunkHeader& header, int32_t& pos, bool& ok) {
  const int32_t dataStart = pos;
  switch (header.ID) {
    case kVertices:
      m_Trace = "OBJECT VERTICES";
      ok = Read_Vertices(pos);
      pos = chunkEnd(dataStart, header.Length);
      return true;
    case kFaceFlags:
      m_Trace = "OBJECT FACE FLAGS (2)";
      ok = Read_PointFlags(pos);
      pos = chunkEnd(dataStart, header.Length);
      return true;
    case kFaces:
      m_Trace = "OBJECT FACES (1)";
      ok = Read_Faces(pos, header.Length - kHeaderSize);
      return true;
    case kHidden: ok = readHidden(header, pos); return true;
    case kMatrix:
      m_Trace = "OBJECT MATRIX";
      ok = Read_Matrix(pos);
      pos = chunkEnd(dataStart, header.Length);
      return true;
    case kObjectColor:
      m_Trace = "OBJECT COLOR";
      readValue<uint8_t>(pos);
      pos = movePos(pos, 1);  // whatever the chunk's length
      return true;
    default: return false;
  }
}

// The byte right after the header sets Visible, even when the chunk's length leaves no
// room for it. A host that refuses Visible is reported under the chunk's name.
bool CImp_3DS::readHidden(const ChunkHeader& header, int32_t& pos) {
  const int32_t dataStart = pos;
  m_Trace = "OBJECT HIDDEN";
  const bool flag = Read_Flag(pos);
  if (!m_Trace.empty()) {
    m_Trace = "(OBJECT HIDDEN) " + m_Trace;
    return false;
  }
  try {
    currentObject().setVisible(flag);
  } catch (...) {
    return trapWithPrefix("(OBJECT HIDDEN) ");
  }
  pos = chunkEnd(dataStart, header.Length);
  return true;
}

// The count is a claim: the 3n numbers are read at the position whatever the chunk's
// length, bytes past the end of the file reading as zero. Only the vertices the host
// budget allows are read and handed over; the end of the file is marked as the whole
// read would mark it.
bool CImp_3DS::Read_Vertices(int32_t pos) {
  try {
    const auto claimed = readValue<uint16_t>(pos);
    const size_t count = takeFromBudget(claimed, 3 * sizeof(float));
    if (count < claimed) markEndOfList(movePos(pos, 2), int64_t{12} * claimed);
    if (count > 0) {
      vertices_.resize(size_t{3} * count);
      readAt(movePos(pos, 2), vertices_.data(), vertices_.size() * sizeof(float));
      for (size_t k = 0; k < vertices_.size(); k += 3) {
        std::swap(vertices_[k + 1], vertices_[k + 2]);
      }
      currentObject().Add_Vertices(vertices_);
    }
    m_Trace.clear();
    return true;
  } catch (...) {
    return trapWithPrefix("(VERTICES) ");
  }
}

// Read only for its effect on the end-of-file test; the flags are not used.
bool CImp_3DS::Read_PointFlags(int32_t pos) {
  try {
    const auto count = readValue<uint16_t>(pos);
    markEndOfList(movePos(pos, 2), int64_t{2} * count);
    m_Trace.clear();
    return true;
  } catch (...) {
    return trapWithPrefix("(FACE FLAGS LIST) ");
  }
}

// The face records, then the face chunk's sub-chunks, measured from the chunk's start.
bool CImp_3DS::Read_Faces(int32_t& pos, int32_t length) {
  const int32_t start = pos;
  if (!Read_FaceList(pos)) return false;
  return walkChunks(pos, start, length, &CImp_3DS::faceChunk);
}

bool CImp_3DS::faceChunk(const ChunkHeader& header, int32_t& pos, bool& ok) {
  switch (header.ID) {
    case kFaceMaterial: {
      m_Trace = "FACE MATERIAL";
      const std::string name = Read_String(pos);
      if (!m_Trace.empty()) {
        m_Trace = "(FACE MATERIAL) " + m_Trace;
        ok = false;
      } else {
        currentObject().setMaterialKey(name);
      }
      // The group's face numbers are not used; a negative count has none.
      const auto faces = readValue<int16_t>(pos);
      pos = movePos(pos, 2);
      if (faces > 0) pos = movePos(pos, int64_t{2} * faces);
      return true;
    }
    case kTriSmooth:
      m_Trace = "TRI SMOOTH";
      passOver(pos, header);
      return true;
    default: return false;
  }
}

// n records a, b, c, flags in one read; the host gets c, b, a of each.
bool CImp_3DS::Read_FaceList(int32_t& pos) {
  try {
    const auto claimed = readValue<uint16_t>(pos);
    pos = movePos(pos, 2);
    const size_t count = takeFromBudget(claimed, 4 * sizeof(uint16_t));
    if (count < claimed) markEndOfList(pos, int64_t{8} * claimed);
    if (count > 0) {
      faceRecords_.resize(size_t{4} * count);
      readAt(pos, faceRecords_.data(), faceRecords_.size() * sizeof(uint16_t));
    }
    pos = movePos(pos, int64_t{8} * claimed);
    if (count > 0) {
      indices_.resize(size_t{3} * count);
      for (size_t face = 0; face < count; ++face) {
        const uint16_t* record = &faceRecords_[4 * face];
        int32_t* corners = &indices_[3 * face];
        corners[0] = record[2];
        corners[1] = record[1];
        corners[2] = record[0];
      }
      currentObject().Add_Poligons(indices_, kPlainTriples);
    }
    m_Trace.clear();
    return true;
  } catch (...) {
    return trapWithPrefix("(FACE LIST) ");
  }
}

// Only the translation row is used, and only while the first object is being read.
bool CImp_3DS::Read_Matrix(int32_t pos) {
  try {
    float rows[4][3];
    readAt(pos, rows, sizeof rows);
    if (m_colObject3D->Count() == 1) m_Position = {rows[3][0], rows[3][2], rows[3][1]};
    m_Trace.clear();
    return true;
  } catch (...) {
    return trapWithPrefix("(OBJECT MATRIX) ");
  }
}

bool CImp_3DS::Read_Flag(int32_t& pos) {
  try {
    const auto value = readValue<uint8_t>(pos);
    pos = movePos(pos, 1);
    m_Trace.clear();
    return value != 0;
  } catch (...) {
    m_Trace = currentError().description();
    return false;
  }
}

// The object added last.
host::HostObject CImp_3DS::currentObject() const {
  return host::HostObject(m_colObject3D->Item(m_colObject3D->Count()));
}

}  // namespace vlm
