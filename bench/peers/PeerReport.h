// What every peer runner shares: a steady clock around the load call, and the one line
// the benchmark driver reads, in the same shape as vlmhost --stats:
//   load_s=<seconds of the load call> verts=<n> faces=<n> meshes=<n>
#pragma once

#include <chrono>
#include <cstdio>

namespace vlm::peers {

class LoadTimer {
 public:
  LoadTimer() : start_(std::chrono::steady_clock::now()) {}
  double seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  }

 private:
  std::chrono::steady_clock::time_point start_;
};

inline void report(double seconds, long long verts, long long faces, long long meshes) {
  std::printf("load_s=%.4f verts=%lld faces=%lld meshes=%lld\n", seconds, verts, faces, meshes);
}

inline int usage(const char* program, const char* what) {
  std::fprintf(stderr, "usage: %s %s\n", program, what);
  return 2;
}

}  // namespace vlm::peers
