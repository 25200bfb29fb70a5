// A private settings folder per test, and stored values shown with their kind.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/Variant.h"
#include "support/TempDir.h"

namespace vlm::test {

// "Integer 3", "Single -0", "Double nan": the kind and the shortest text that reads
// back to the same bits, so equal texts mean equal values.
inline std::string shown(const Variant& value) {
  return std::string(typeName(value.type())) + " " + value.toString();
}
inline std::string shown(const std::optional<Variant>& value) {
  return value ? shown(*value) : "none";
}

// Points XDG_CONFIG_HOME at a fresh folder while it lives.
class TempConfigHome : public TempDir {
 public:
  TempConfigHome() { setenv("XDG_CONFIG_HOME", path().c_str(), 1); }
  ~TempConfigHome() {
    if (saved_) setenv("XDG_CONFIG_HOME", saved_->c_str(), 1);
    if (!saved_) unsetenv("XDG_CONFIG_HOME");
  }
  std::string folder() const { return file("vlmimport"); }
  std::string filePath() const { return file("vlmimport/registry.ini"); }

 private:
  std::optional<std::string> saved_ =
      getenv("XDG_CONFIG_HOME") ? std::optional<std::string>(getenv("XDG_CONFIG_HOME")) : std::nullopt;
};

}  // namespace vlm::test
