// Byte builders for 3DS test files: little-endian values and chunks whose length is
// computed from their data (or given, for damaged files).
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace vlm::test3ds {

template <class T>
std::string bytesOf(T value) {
  std::string out(sizeof value, '\0');
  std::memcpy(out.data(), &value, sizeof value);  // the test machines are little-endian
  return out;
}

inline std::string u8(uint8_t v) { return bytesOf(v); }
inline std::string u16(uint16_t v) { return bytesOf(v); }
inline std::string i16(int16_t v) { return bytesOf(v); }
inline std::string i32(int32_t v) { return bytesOf(v); }
inline std::string f32(float v) { return bytesOf(v); }
inline std::string cstr(std::string_view text) { return std::string(text) + '\0'; }

// A chunk with the length its data gives it.
inline std::string chunk(uint16_t id, std::string_view data) {
  return u16(id) + i32(static_cast<int32_t>(6 + data.size())) + std::string(data);
}
// A chunk whose length field says `length`, whatever follows.
inline std::string chunkWithLength(uint16_t id, int32_t length, std::string_view data = {}) {
  return u16(id) + i32(length) + std::string(data);
}

// MAIN3DS with a version chunk, then `body`.
inline std::string file3ds(std::string_view body, int32_t version = 3) {
  return chunk(0x4D4D, chunk(0x0002, i32(version)) + std::string(body));
}
inline std::string editor(std::string_view body) { return chunk(0x3D3D, body); }
inline std::string namedObject(std::string_view name, std::string_view body) {
  return chunk(0x4000, cstr(name) + std::string(body));
}
inline std::string triMesh(std::string_view body) { return chunk(0x4100, body); }

using Vertex = std::array<float, 3>;
using Face = std::array<uint16_t, 3>;

inline std::string vertexList(const std::vector<Vertex>& vertices) {
  std::string data = u16(static_cast<uint16_t>(vertices.size()));
  for (const Vertex& v : vertices) data += f32(v[0]) + f32(v[1]) + f32(v[2]);
  return chunk(0x4110, data);
}
// Faces with flags 7, then the face chunk's sub-chunks.
inline std::string faceList(const std::vector<Face>& faces, std::string_view subChunks = {}) {
  std::string data = u16(static_cast<uint16_t>(faces.size()));
  for (const Face& f : faces) data += u16(f[0]) + u16(f[1]) + u16(f[2]) + u16(7);
  return chunk(0x4120, data + std::string(subChunks));
}
inline std::string faceMaterial(std::string_view name, const std::vector<uint16_t>& faces) {
  std::string data = cstr(name) + u16(static_cast<uint16_t>(faces.size()));
  for (uint16_t f : faces) data += u16(f);
  return chunk(0x4130, data);
}
inline std::string matrix(const Vertex& translation) {
  std::string data;
  for (float v : {1.f, 0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 1.f}) data += f32(v);
  return chunk(0x4160, data + f32(translation[0]) + f32(translation[1]) + f32(translation[2]));
}
// A named object holding one triangle mesh of one triangle.
inline std::string triangleObject(std::string_view name, std::string_view extra = {}) {
  return namedObject(name, triMesh(vertexList({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}) +
                                   faceList({{0, 1, 2}}) + std::string(extra)));
}

inline std::string material(std::string_view body) { return chunk(0xAFFF, body); }
inline std::string materialName(std::string_view name) { return chunk(0xA000, cstr(name)); }
inline std::string byteColor(uint8_t r, uint8_t g, uint8_t b, uint16_t id = 0x0011) {
  return chunk(id, u8(r) + u8(g) + u8(b));
}
inline std::string singleColor(float r, float g, float b) {
  return chunk(0x0010, f32(r) + f32(g) + f32(b));
}
inline std::string intPercent(int16_t p) { return chunk(0x0030, i16(p)); }
inline std::string floatPercent(float f) { return chunk(0x0031, f32(f)); }

}  // namespace vlm::test3ds
