// vlmgen's formats: the keys, and one writer per key that makes a file of about the size
// asked for and returns the counts the importers report for it (vlmhost --stats).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vlm::gen {

struct Request {
  std::string path;
  double megabytes = 1;  // approximate size, 10^6 bytes
  uint64_t seed = 1;
  bool plyNormals = false;  // PLY vertices carry nx ny nz after x y z
};

// What the file holds, counted as the reference host counts it: vertices handed over,
// triangles (a quad is two), objects added.
struct Counts {
  int64_t verts = 0;
  int64_t faces = 0;
  int64_t objects = 0;
  uint64_t bytes = 0;
};

struct FormatInfo {
  std::string_view key;
  std::string_view extension;  // with the dot
  std::string_view description;
  Counts (*write)(const Request&);
};

std::span<const FormatInfo> formats();
// nullptr when there is no such key.
const FormatInfo* findFormat(std::string_view key);

// Target vertex count for a file of `megabytes` when a vertex costs about bytesPerVertex
// plus bytesPerDigit for each decimal digit of a vertex number (text formats with indices).
int64_t verticesFor(double megabytes, double bytesPerVertex, double bytesPerDigit = 0);

}  // namespace vlm::gen
