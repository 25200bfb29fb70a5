#include "importobj/CImp_OBJ.h"

#include <cmath>

#include "importobj/ObjFaces.h"
#include "platform/Error.h"
#include "textio/modImport.h"

namespace vlm {

using namespace modImport;

namespace {

// A coordinate or normal component: "." and "," both decimal separators, times 10.
float readScaled(std::string_view& rest) {
  const float value = Get_FirstSingle(rest);
  const float scaled = value * 10.0f;
  if (std::isinf(scaled) && !std::isinf(value)) raise(err::kOverflow);
  return scaled;
}

// Get_FirstToken(line) for the usual line, which starts with a keyword of one or two
// characters and a blank: cut off in place, leaving the same rest (without its trailing
// blanks). Any other line takes Get_FirstToken itself.
std::string_view lineKeyword(std::string_view& line) {
  size_t length = 0;
  if (line.size() > 2 && line[0] != ' ' && line[1] == ' ') {
    length = 1;
  } else if (line.size() > 3 && line[0] != ' ' && line[2] == ' ') {
    length = 2;
  } else {
    return Get_FirstToken(line);
  }
  const std::string_view keyword = line.substr(0, length);
  line.remove_prefix(length + 1);
  while (!line.empty() && line.back() == ' ') line.remove_suffix(1);
  return keyword;
}

// Index arithmetic is 32-bit: a result that does not fit is an overflow, as it would be
// for any whole-number sum.
int32_t checkedSum(int64_t value) {
  if (value < INT32_MIN || value > INT32_MAX) raise(err::kOverflow);
  return static_cast<int32_t>(value);
}

}  // namespace

template <class T, size_t N>
void CImp_OBJ::append(FileGrowth& growth, std::vector<T>& list, const T (&values)[N]) {
  growth.reserve(list, N, import_->CharsRead, fileLength_);
  list.insert(list.end(), values, values + N);
}

CImp_OBJ::CImp_OBJ() {
  ObjectColors = {0,
                  host::colorNumber(0, 128, 192),
                  host::colorNumber(255, 0, 0),
                  host::colorNumber(255, 128, 64),
                  host::colorNumber(0, 255, 0),
                  host::colorNumber(128, 128, 192),
                  host::colorNumber(255, 128, 64),
                  host::colorNumber(0, 128, 192),
                  host::colorNumber(255, 128, 192),
                  host::colorNumber(64, 128, 128),
                  host::colorNumber(128, 128, 128)};
}

void CImp_OBJ::Load(ImportContext& p_Import, CollectionRef& p_colObject3D) {
  import_ = &p_Import;
  m_colObject3D = &p_colObject3D;
  startLoad();

  // The detection's characters are not counted: the file is opened afresh afterwards.
  ImportContext& file = p_Import;
  file.Open();
  trapAndRaiseAgain([&] { Detect_LineEnding(); }, [&] { file.Close(); });
  file.Close();
  file.CharsRead = 0;
  file.Open();
  fileLength_ = file.Lof();
  trapAndRaiseAgain([&] { readLines(); }, [&] { file.Close(); });
  file.Close();
  // The file's normals are all in the normal records by now: let go before the hand-over,
  // their memory can take the host's first copy.
  std::vector<Vector3>(1, Vector3{0, 0, 0}).swap(FileNormals);

  if (ObjectMarkSeen) {
    handOverSplit(true);
  } else {
    handOverPlain();
  }
  objects().Add(object_.ref());
  resetObjectLists();
  object_ = host::HostObject();
}

void CImp_OBJ::startLoad() {
  object_ = host::HostObject::create();
  name_ = import_->ObjectName;
  ImportNormals = import_->Options.ImportNormals;
  SmoothAll = import_->Options.SmoothAll;

  VerticesRead = -1;
  PolygonIndex = -1;
  BlockBase = -1;
  SmoothGroups.clear();
  resetObjectLists();
  BlankRun = 0;
  HasNormals = AfterGroupLine = ObjectMarkSeen = SplitActive = false;
  BlockRelative = InVertexBlock = false;
  SplitBase = 0;
  FileNormals.assign(1, Vector3{0, 0, 0});
}

void CImp_OBJ::Detect_LineEnding() {
  const int64_t length = import_->Lof();
  char block[4096];
  for (int64_t pos = 1; pos <= length; pos += sizeof block) {
    const size_t want = static_cast<size_t>(std::min<int64_t>(sizeof block, length - pos + 1));
    import_->Get(pos, block, want);
    for (size_t i = 0; i < want; ++i) {
      if (block[i] == '\r' || block[i] == '\n') {
        import_->ReadMode = block[i] == '\r' ? 0 : 1;
        return;
      }
    }
  }
  // No line end at all: the detection reads past the last character.
  raise(err::kInputPastEnd);
}

void CImp_OBJ::readLines() {
  ImportContext& file = *import_;
  while (!file.Eof() && !file.StopImport) {
    const std::string_view line = file.Read_Line();
    if (!BlockRelative && PolygonIndex >= 0) {
      BlankRun = line.empty() ? BlankRun + 1 : 0;
      if (BlankRun >= 2) BlockRelative = true;
    }
    dispatchLine(line);
    file.showProgressAndYield(file.CharsRead);
  }
}

void CImp_OBJ::dispatchLine(std::string_view line) {
  const std::string_view keyword = lineKeyword(line);
  if (keyword == "v") {
    readVertex(line);
  } else if (keyword == "vn") {
    readNormal(line);
  } else if (keyword == "f" || keyword == "fo") {
    readFace(line);
  } else if (keyword == "s") {
    if (ImportNormals) readSmoothing(line);
  } else if (keyword == "g") {
    if (ImportNormals) readGroup();
  } else if (keyword == "#") {
    readComment(line);
  }
}

void CImp_OBJ::readVertex(std::string_view rest) {
  if (!InVertexBlock) {
    InVertexBlock = true;
    BlockBase = checkedSum(int64_t{VerticesRead} + 1);
  }
  const float x = readScaled(rest);
  const float y = readScaled(rest);
  const float z = readScaled(rest);
  append(vertexGrowth_, VertexCoords, {x, y, z});
  VerticesRead = checkedSum(int64_t{VerticesRead} + 1);
}

void CImp_OBJ::readNormal(std::string_view rest) {
  Vector3 n;
  n[0] = readScaled(rest);
  n[1] = readScaled(rest);
  n[2] = readScaled(rest);
  append(fileNormalGrowth_, FileNormals, {n});
  HasNormals = true;
}

void CImp_OBJ::readFace(std::string_view rest) {
  InVertexBlock = false;
  int32_t v[4], n[4];
  for (int k = 0; k < 4; ++k) Get_FaceIndices(rest, v[k], n[k]);

  if (v[0] >= 0) {
    for (int32_t& index : v) index = checkedSum(int64_t{index} - 1);
  } else {
    const int64_t c = int64_t{VerticesRead} + 1;
    for (int k = 0; k < 3; ++k) v[k] = checkedSum(v[k] + c);
    v[3] = v[3] == 0 ? -1 : checkedSum(v[3] + c);
    const int64_t m = static_cast<int64_t>(FileNormals.size()) - 1;
    for (int k = 0; k < 3; ++k) {
      if (n[k] < 0) n[k] = checkedSum(m + 1 + n[k]);
    }
    n[3] = n[3] == 0 ? -1 : n[3] < 0 ? checkedSum(m + 1 + n[3]) : n[3];
  }
  const bool quad = v[3] != -1;
  if (BlockRelative) {
    for (int k = 0; k < (quad ? 4 : 3); ++k) v[k] = checkedSum(int64_t{v[k]} + BlockBase);
  }
  if (SplitActive) {
    for (int k = 0; k < (quad ? 4 : 3); ++k) {
      v[k] = checkedSum(int64_t{v[k]} - SplitBase - 1);
    }
  }

  if (quad) {
    append(polygonGrowth_, PolygonData, {4, v[0], v[1], v[2], v[3]});
    PolygonIndex = checkedSum(int64_t{PolygonIndex} + 2);
  } else {
    append(polygonGrowth_, PolygonData, {3, v[0], v[1], v[2]});
    PolygonIndex = checkedSum(int64_t{PolygonIndex} + 1);
  }

  if (!HasNormals) return;
  if (quad) {
    appendNormalRecord(PolygonIndex - 1, n[0], n[1], n[2]);
    appendNormalRecord(PolygonIndex, n[2], n[3], n[0]);
  } else {
    appendNormalRecord(PolygonIndex, n[0], n[1], n[2]);
  }
}

const CImp_OBJ::Vector3& CImp_OBJ::fileNormal(int64_t slot) const {
  // A slot that the file never filled reads as the zero vector of slot 0.
  if (slot < 0 || slot >= static_cast<int64_t>(FileNormals.size())) return FileNormals[0];
  return FileNormals[static_cast<size_t>(slot)];
}

void CImp_OBJ::appendNormalRecord(int32_t polygon, int32_t a, int32_t b, int32_t c) {
  const Vector3& na = fileNormal(a);
  const Vector3& nb = fileNormal(b);
  const Vector3& nc = fileNormal(c);
  append(normalGrowth_, NormalData,
         {static_cast<float>(polygon), na[0], na[1], na[2], nb[0], nb[1], nb[2], nc[0], nc[1],
          nc[2]});
}

void CImp_OBJ::readGroup() {
  AfterGroupLine = true;
  SmoothGroups.push_back(SmoothGroup{PolygonIndex, true});
}

void CImp_OBJ::readSmoothing(std::string_view rest) {
  const std::string_view t = Get_FirstToken(rest);
  if (!AfterGroupLine) {
    SmoothGroups.push_back(SmoothGroup{PolygonIndex, t != "off"});
  } else if (t == "off") {
    SmoothGroups.back().Smooth = false;
  }
  AfterGroupLine = false;
}

void CImp_OBJ::readComment(std::string_view rest) {
  if (Get_FirstToken(rest) != "Object") return;
  if (ObjectMarkSeen) splitAtObjectMark(rest);
  ObjectMarkSeen = true;
}

void CImp_OBJ::splitAtObjectMark(std::string_view rest) {
  handOverSplit(false);
  SplitBase = VerticesRead;
  resetObjectLists();
  objects().Add(object_.ref());
  object_ = host::HostObject::create();
  name_ = std::string(Get_FirstToken(rest));
  SplitActive = true;
}

void CImp_OBJ::resetObjectLists() {
  VertexCoords.clear();
  PolygonData.clear();
  NormalData.clear();
  PolygonIndex = -1;
}

}  // namespace vlm
