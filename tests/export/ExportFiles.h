// Test helpers: small readers for the files the export writes and the world coordinates
// a scene's objects have.
#pragma once

#include <array>
#include <charconv>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "refhost/ReferenceScene.h"
#include "support/TempDir.h"

namespace vlm::test {

using Float3 = std::array<float, 3>;

inline std::vector<std::string> words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

inline float toFloat(const std::string& text) {
  float value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// One object of an OBJ file as the export writes it.
struct ObjObject {
  std::string mark;  // from "# Object <name>"
  std::string name;  // from "o <name>"
  std::string material;
  std::vector<Float3> vertices;
  std::vector<std::array<int, 3>> triangles;  // file's vertex numbers, from 1
  std::vector<std::array<int, 3>> normals;    // file's normal numbers, from 1
};

struct ObjFile {
  std::string mtllib;
  std::vector<ObjObject> objects;
  std::vector<Float3> normals;
  int unknownLines = 0;
};

inline ObjFile readObj(const std::string& path) {
  ObjFile file;
  std::istringstream in(slurp(path));
  for (std::string line; std::getline(in, line);) {
    const std::vector<std::string> w = words(line);
    if (w.empty()) continue;
    if (w[0] == "#" && w.size() == 3 && w[1] == "Object") {
      file.objects.emplace_back().mark = w[2];
    } else if (w[0] == "#") {
      continue;
    } else if (w[0] == "mtllib" && w.size() == 2) {
      file.mtllib = w[1];
    } else if (w[0] == "o" && w.size() == 2 && !file.objects.empty()) {
      file.objects.back().name = w[1];
    } else if (w[0] == "usemtl" && w.size() == 2 && !file.objects.empty()) {
      file.objects.back().material = w[1];
    } else if ((w[0] == "v" || w[0] == "vn") && w.size() == 4 && !file.objects.empty()) {
      const Float3 p{toFloat(w[1]), toFloat(w[2]), toFloat(w[3])};
      (w[0] == "v" ? file.objects.back().vertices : file.normals).push_back(p);
    } else if (w[0] == "f" && w.size() == 4 && !file.objects.empty()) {
      std::array<int, 3> v{}, n{};
      for (int k = 0; k < 3; ++k) {
        const std::string& corner = w[static_cast<size_t>(k) + 1];
        const size_t slashes = corner.find("//");
        v[k] = std::stoi(corner.substr(0, slashes));
        n[k] = slashes == std::string::npos ? 0 : std::stoi(corner.substr(slashes + 2));
      }
      file.objects.back().triangles.push_back(v);
      file.objects.back().normals.push_back(n);
    } else {
      ++file.unknownLines;
    }
  }
  return file;
}

// Kd of each material of an MTL file.
inline std::map<std::string, Float3> readMtlColors(const std::string& path) {
  std::map<std::string, Float3> colors;
  std::istringstream in(slurp(path));
  std::string current;
  for (std::string line; std::getline(in, line);) {
    const std::vector<std::string> w = words(line);
    if (w.size() == 2 && w[0] == "newmtl") current = w[1];
    if (w.size() == 4 && w[0] == "Kd")
      colors[current] = {toFloat(w[1]), toFloat(w[2]), toFloat(w[3])};
  }
  return colors;
}

struct PlyVertex {
  Float3 position;
  Float3 normal;
  std::array<uint8_t, 3> color;
};

struct PlyFile {
  std::vector<std::string> header;  // lines up to "end_header"
  std::vector<PlyVertex> vertices;
  std::vector<std::array<int32_t, 3>> triangles;
  bool wellFormed = false;  // every face has 3 corners, the body is exactly used up
};

inline PlyFile readPly(const std::string& path) {
  PlyFile ply;
  const std::string bytes = slurp(path);
  const size_t end = bytes.find("end_header\n");
  if (end == std::string::npos) return ply;
  std::istringstream head(bytes.substr(0, end));
  size_t vertices = 0, faces = 0;
  for (std::string line; std::getline(head, line);) {
    ply.header.push_back(line);
    const std::vector<std::string> w = words(line);
    if (w.size() == 3 && w[0] == "element")
      (w[1] == "vertex" ? vertices : faces) = std::stoul(w[2]);
  }
  size_t at = end + std::strlen("end_header\n");
  if (bytes.size() < at + vertices * 27) return ply;
  for (size_t i = 0; i < vertices; ++i, at += 27) {
    PlyVertex v{};
    std::memcpy(v.position.data(), bytes.data() + at, 12);
    std::memcpy(v.normal.data(), bytes.data() + at + 12, 12);
    std::memcpy(v.color.data(), bytes.data() + at + 24, 3);
    ply.vertices.push_back(v);
  }
  for (size_t i = 0; i < faces; ++i, at += 13) {
    if (at + 13 > bytes.size() || bytes[at] != 3) return ply;
    std::array<int32_t, 3> t{};
    std::memcpy(t.data(), bytes.data() + at + 1, 12);
    ply.triangles.push_back(t);
  }
  ply.wellFormed = at == bytes.size();
  return ply;
}

// The world position of each vertex of an object: stored plus the object's position.
inline std::vector<Float3> worldVertices(const refhost::CVLMObject& object) {
  std::vector<Float3> out;
  const auto& v = object.mesh().vertices();
  for (size_t i = 0; i + 2 < v.size(); i += 3) {
    out.push_back({v[i] + object.position()[0], v[i + 1] + object.position()[1],
                   v[i + 2] + object.position()[2]});
  }
  return out;
}

}  // namespace vlm::test
