// Test helpers for the settings component: a private config folder per test, and an
// exact comparison of stored values (kind and bits).
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Error.h"
#include "platform/Variant.h"
#include "support/ErrorOf.h"

namespace vlm::test {

// Restores an environment variable when it goes out of scope.
class EnvironmentGuard {
 public:
  explicit EnvironmentGuard(const char* name) : name_(name) {
    if (const char* value = getenv(name)) saved_ = value;
  }
  ~EnvironmentGuard() {
    if (saved_) {
      setenv(name_, saved_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  EnvironmentGuard(const EnvironmentGuard&) = delete;
  EnvironmentGuard& operator=(const EnvironmentGuard&) = delete;

 private:
  const char* name_;
  std::optional<std::string> saved_;
};

// Points XDG_CONFIG_HOME at a fresh temporary folder for the lifetime of the object, and
// removes the folder afterwards (permissions restored first).
class TempConfigHome {
 public:
  TempConfigHome() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vlmsettings-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    folder_ = pattern;
    setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
  }
  ~TempConfigHome() {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder_, ignored)) {
      if (entry.is_directory(ignored)) chmod(entry.path().c_str(), 0700);
    }
    chmod(folder_.c_str(), 0700);
    std::filesystem::remove_all(folder_, ignored);
  }
  TempConfigHome(const TempConfigHome&) = delete;
  TempConfigHome& operator=(const TempConfigHome&) = delete;

  const std::string& folder() const { return folder_; }
  std::string settingsFolder() const { return folder_ + "/vlmimport"; }
  std::string filePath() const { return settingsFolder() + "/registry.ini"; }

  void writeFile(std::string_view bytes) const {
    std::filesystem::create_directories(settingsFolder());
    std::ofstream out(filePath(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  std::string readFile() const {
    std::ifstream in(filePath(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  EnvironmentGuard savedConfigHome_{"XDG_CONFIG_HOME"};
  std::string folder_;
};

// Same kind and same value; floating-point values compare by their bits (NaN, -0).
inline ::testing::AssertionResult sameValue(const Variant& actual, const Variant& expected) {
  if (actual.type() != expected.type()) {
    return ::testing::AssertionFailure()
           << "kind " << typeName(actual.type()) << ", expected " << typeName(expected.type());
  }
  bool equal = false;
  switch (expected.type()) {
    case VarType::Boolean: equal = actual.get<bool>() == expected.get<bool>(); break;
    case VarType::Integer: equal = actual.get<int16_t>() == expected.get<int16_t>(); break;
    case VarType::Long: equal = actual.get<int32_t>() == expected.get<int32_t>(); break;
    case VarType::Single:
      equal = std::bit_cast<uint32_t>(actual.get<float>()) ==
              std::bit_cast<uint32_t>(expected.get<float>());
      break;
    case VarType::Double:
      equal = std::bit_cast<uint64_t>(actual.get<double>()) ==
              std::bit_cast<uint64_t>(expected.get<double>());
      break;
    case VarType::String: equal = actual.get<std::string>() == expected.get<std::string>(); break;
    default: equal = true; break;
  }
  if (equal) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "value " << actual.toString() << ", expected " << expected.toString();
}

}  // namespace vlm::test
