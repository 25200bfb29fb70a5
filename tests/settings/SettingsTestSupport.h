// A private settings folder per test, and stored values shown with their kind.
#pragma once

#include <stdlib.h>

#include <optional>
#include <string>

#include "platform/Variant.h"
#include "support/TempDir.h"

namespace vlm::test {

// "Integer 3", "Single -0", "Double nan" or "none": the kind and the shortest text that
// reads back to the same bits, so equal texts mean equal values.
inline std::string shown(const std::optional<Variant>& value) {
  return value ? std::string(typeName(value->type())) + " " + value->toString() : "none";
}

// Points XDG_CONFIG_HOME at a fresh folder while it lives.
class TempConfigHome : public TempDir {
 public:
  TempConfigHome() { setenv(kName, path().c_str(), 1); }
  ~TempConfigHome() { saved_ ? setenv(kName, saved_->c_str(), 1) : unsetenv(kName); }
  std::string folder() const { return file("vlmimport"); }
  std::string filePath() const { return file("vlmimport/registry.ini"); }

 private:
  static constexpr const char* kName = "XDG_CONFIG_HOME";
  std::optional<std::string> saved_ = getenv(kName) ? std::optional(getenv(kName)) : std::nullopt;
};

}  // namespace vlm::test
