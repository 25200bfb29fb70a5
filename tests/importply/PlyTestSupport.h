// Builds PLY files in memory and runs CImp_PLY on them against a recording null host, with
// a headless toolkit that records the importer's message boxes.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "importply/CImp_PLY.h"
#include "support/ImporterFixture.h"
#include "ui/HeadlessToolkit.h"

namespace vlm::test {

// A header: "ply", then the given lines, each ended by `eol`.
inline std::string plyHeader(std::initializer_list<std::string_view> lines,
                             std::string_view eol = "\n") {
  std::string s = "ply";
  s += eol;
  for (std::string_view l : lines) (s += l) += eol;
  return s;
}

// A binary body in either byte order.
class BinaryBody {
 public:
  explicit BinaryBody(bool bigEndian) : big_(bigEndian) {}

  BinaryBody& u8(int v) { return put(static_cast<uint8_t>(v)); }
  BinaryBody& i16(int v) { return put(static_cast<int16_t>(v)); }
  BinaryBody& i32(int64_t v) { return put(static_cast<int32_t>(v)); }
  BinaryBody& f32(float v) { return put(v); }
  BinaryBody& f64(double v) { return put(v); }
  // A value of type code `code` (0 to 4).
  BinaryBody& value(int32_t code, double v) {
    switch (code) {
      case 0: return u8(static_cast<int>(v));
      case 1: return i16(static_cast<int>(v));
      case 2: return i32(static_cast<int64_t>(v));
      case 3: return f32(static_cast<float>(v));
      default: return f64(v);
    }
  }
  // A face list with a one-byte count and 32-bit items.
  BinaryBody& face(std::initializer_list<int32_t> indices) {
    u8(static_cast<int>(indices.size()));
    for (int32_t i : indices) i32(i);
    return *this;
  }
  const std::string& bytes() const { return bytes_; }

 private:
  template <class T>
  BinaryBody& put(T v) {
    char b[sizeof v];
    std::memcpy(b, &v, sizeof v);
    if (big_ != (std::endian::native == std::endian::big)) std::reverse(b, b + sizeof v);
    bytes_.append(b, sizeof v);
    return *this;
  }

  bool big_;
  std::string bytes_;
};

inline const char* formatWord(bool bigEndian) {
  return bigEndian ? "format binary_big_endian 1.0" : "format binary_little_endian 1.0";
}

class PlyImport : public ImporterFixture<CImp_PLY> {
 protected:
  PlyImport() : ImporterFixture("model.ply") {}
  void SetUp() override {
    ImporterFixture::SetUp();
    ui::setToolkit(&toolkit);
  }
  void TearDown() override {
    ui::setToolkit(nullptr);
    ImporterFixture::TearDown();
  }
  void beforeLoad() override { messagesBefore = toolkit.messages().size(); }

  // The texts of the message boxes the last Load showed.
  std::vector<std::string> messages() const {
    std::vector<std::string> out;
    const auto& all = toolkit.messages();
    for (size_t i = messagesBefore; i < all.size(); ++i) out.push_back(all[i].text);
    return out;
  }
  // The arrays handed to that object's Add_Vertices / Add_Poligons (empty when not called).
  std::vector<float> vertices() const { return singles("Add_Vertices", added()); }
  std::vector<int32_t> polygons() const { return longs("Add_Poligons", added()); }
  // The last Load refused its file: exactly `message` shown, nothing added, file 1 closed.
  void expectRefused(const char* message) const {
    EXPECT_THAT(messages(), ::testing::ElementsAre(message));
    EXPECT_EQ(objectCount(), 0);
    EXPECT_EQ(fileTable().find(1), nullptr);
  }
  int objectCount() const { return objects ? objects->Count() : 0; }

  ui::HeadlessToolkit toolkit;
  size_t messagesBefore = 0;
};

}  // namespace vlm::test
