// CImp_3DS: reads a 3D Studio mesh file (a tree of binary chunks) into host mesh objects
// and host materials.
//
// Every named triangle mesh becomes one host object (the file's y and z exchanged, the
// corner order of each triangle reversed); every material definition becomes one host
// material. The first object's origin is kept for Get_Position.
//
// All reading is by explicit 1-based position in file number 1; each reader takes the
// position and leaves it where the next chunk starts. Failures are reported in m_Trace,
// a text that names the chunk being read and grows a bracketed prefix on each level it
// passes, and become error -100 when they reach Load.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/HostObjects.h"
#include "platform/Collection.h"
#include "platform/Error.h"
#include "textio/ImportContext.h"

namespace vlm {

class CImp_3DS {
 public:
  // Reads the file of `p_Import`. Puts a new collection into each collection argument and
  // fills them with the objects and the materials, in file order. On failure raises error -100 with the
  // trace text (or, for a failure while opening and checking the file, that failure's
  // own number); the objects collection is then set to nothing, the materials read so
  // far stay in `p_colMaterial3D`.
  void Load(ImportContext& p_Import, CollectionRef& p_colObject3D,
            CollectionRef& p_colMaterial3D);

  // The translation of the first object's local matrix, y and z exchanged; 0, 0, 0
  // when it had none.
  void Get_Position(float& X, float& Y, float& Z) const;

 private:
  struct ChunkHeader {
    uint16_t ID = 0;     // compared by its 16-bit pattern
    int32_t Length = 0;  // the whole chunk, the 6 header bytes included
  };
  struct Vector3 {
    float X = 0, Y = 0, Z = 0;
  };
  struct ByteColor {
    uint8_t R = 0, G = 0, B = 0;
  };
  struct SingleColor {
    float R = 0, G = 0, B = 0;
  };

  // A level of the chunk tree: handles the chunk whose header was just read (`pos` is
  // after the header) and returns true, or returns false for an identifier the level
  // does not act on. May set `ok` to false.
  using ChunkHandler = bool (CImp_3DS::*)(const ChunkHeader& header, int32_t& pos, bool& ok);

  // Load's own steps (CImp_3DS.cpp).
  void openFile();
  std::string readFileStart(int32_t& pos);
  [[noreturn]] void failLoad(CollectionRef& p_colObject3D, const RuntimeError& error);

  // Byte access at 1-based positions of the import file: bytes past its end read as zero,
  // and a read that runs past the end marks the end.
  void readAt(int32_t pos, void* dst, size_t count) { import_->Get(pos, dst, count); }
  template <class T>
  T readValue(int32_t pos) {
    T value{};
    readAt(pos, &value, sizeof value);
    return value;
  }
  bool atEnd() const { return import_->Eof(); }
  // A list of `bytes` bytes at `pos` that is not read: its last byte is, so that a list
  // running past the end of the file marks the end as reading all of it would.
  void markEndOfList(int32_t pos, int64_t bytes);

  // The chunk walk (ChunkWalk.cpp).
  void Read_ChunkHeader(int32_t& pos, ChunkHeader& header);
  std::string Read_String(int32_t& pos);
  bool walkChunks(int32_t& pos, int32_t start, int64_t length, ChunkHandler handler);
  void passOver(int32_t& pos, const ChunkHeader& header);
  bool trapWithTrace();
  bool trapWithPrefix(std::string_view prefix);
  // What a damaged file can make the host hold (ChunkWalk.cpp). Lists and names of a
  // sound file lie apart, so together they are no longer than the file; chunks that a
  // cut-back makes overlap could hand the same bytes over again and again. What the host
  // is handed is capped at the file's length plus one longest list (the one that may run
  // past the end of a cut-short file).
  void resetHostBudget(int64_t fileLength);
  size_t takeFromBudget(size_t records, size_t recordBytes);
  int64_t nameLength(int32_t pos);

  // Main and editor levels (CImp_3DS.cpp).
  bool Read_Main(int32_t& pos);
  bool Read_Editor(int32_t& pos, int32_t length);
  bool mainChunk(const ChunkHeader& header, int32_t& pos, bool& ok);
  bool editorChunk(const ChunkHeader& header, int32_t& pos, bool& ok);
  bool readNamedObject(const ChunkHeader& header, int32_t& pos);

  // Materials (MaterialReader.cpp).
  bool Read_Material(int32_t& pos, int32_t length);
  bool materialChunk(const ChunkHeader& header, int32_t& pos, bool& ok);
  bool readColorProperty(int32_t& pos, std::string_view trace,
                         void (host::HostMaterial::*setter)(int32_t));
  bool readPercentProperty(int32_t& pos, std::string_view trace, bool opacity,
                           void (host::HostMaterial::*setter)(float));
  void Add_Material(std::string name);
  bool Read_Color(int32_t& pos);
  bool Read_Percentage(int32_t& pos);
  host::HostMaterial currentMaterial() const;

  // Named objects and triangle meshes (MeshReader.cpp).
  bool Read_ObjectDef(int32_t& pos, int32_t length);
  bool objectChunk(const ChunkHeader& header, int32_t& pos, bool& ok);
  void Add_Object();
  bool Read_TriMesh(int32_t& pos, int32_t length);
  bool meshChunk(const ChunkHeader& header, int32_t& pos, bool& ok);
  bool readHidden(const ChunkHeader& header, int32_t& pos);
  bool Read_Vertices(int32_t pos);
  bool Read_PointFlags(int32_t pos);
  bool Read_Faces(int32_t& pos, int32_t length);
  bool faceChunk(const ChunkHeader& header, int32_t& pos, bool& ok);
  bool Read_FaceList(int32_t& pos);
  bool Read_Matrix(int32_t pos);
  bool Read_Flag(int32_t& pos);
  host::HostObject currentObject() const;

  std::string m_Trace;
  std::string m_ObjectName;
  CollectionRef m_colObject3D;
  CollectionRef m_colMaterial3D;
  Vector3 m_Position;
  ByteColor m_Color;
  SingleColor m_ColorF;
  float m_Percent = 0;

  // Working arrays, kept between meshes so that a mesh costs no allocation.
  std::vector<float> vertices_;        // x, z, y per vertex: what Add_Vertices gets
  std::vector<uint16_t> faceRecords_;  // a, b, c, flags per face, as stored
  std::vector<int32_t> indices_;       // c, b, a per face: what Add_Poligons gets

  int64_t hostBudget_ = 0;  // bytes of lists and names the host may still be handed
  // The last name scan: no zero byte from scanFrom_ up to scanZero_, which holds one;
  // names that start in that stretch end there without a second scan.
  int32_t scanFrom_ = 0;
  int32_t scanZero_ = -1;
  ImportContext* import_ = nullptr;
};

}  // namespace vlm
