// The names of the files an export writes beside its main file (.mtl, .bin).
#pragma once

#include <string>
#include <string_view>

namespace vlm::exporter {

// `path` with its extension (if its last part has one) replaced by `extension`.
inline std::string withExtension(const std::string& path, std::string_view extension) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.rfind('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (hasExtension ? path.substr(0, dot) : path) + std::string(extension);
}

inline std::string_view fileNameOf(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace vlm::exporter
