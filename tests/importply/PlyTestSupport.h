// Runs CImp_PLY on bytes against a recording null host, with a headless toolkit that
// records the importer's message boxes. Most cases are files under tests/data/ply, whose
// scenes the golden test compares; these tests reach what a scene cannot show.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "importply/CImp_PLY.h"
#include "support/ImporterFixture.h"
#include "support/TempDir.h"
#include "ui/HeadlessToolkit.h"

namespace vlm::test {

// A file of tests/data/ply.
inline std::string plyData(const std::string& name) {
  return slurp(std::string(VLM_PLY_DATA_DIR) + "/" + name);
}

// Appends values in the byte order of a binary body.
class BinaryBody {
 public:
  explicit BinaryBody(bool bigEndian) : big_(bigEndian) {}

  template <class T>
  BinaryBody& put(T v) {
    char b[sizeof v];
    std::memcpy(b, &v, sizeof v);
    if (big_ != (std::endian::native == std::endian::big)) std::reverse(b, b + sizeof v);
    bytes.append(b, sizeof v);
    return *this;
  }
  // A face list with a one-byte count and 32-bit items.
  BinaryBody& face(std::initializer_list<int32_t> indices) {
    put(static_cast<uint8_t>(indices.size()));
    for (int32_t i : indices) put(i);
    return *this;
  }

  std::string bytes;

 private:
  bool big_;
};

inline std::string binaryHeader(bool big, const std::string& elements) {
  return std::string("ply\nformat binary_") + (big ? "big" : "little") + "_endian 1.0\n" +
         elements + "end_header\n";
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

  // The arrays handed to the added object's Add_Vertices / Add_Poligons (empty when none).
  std::vector<float> vertices() const { return singles("Add_Vertices", added()); }
  std::vector<int32_t> polygons() const { return longs("Add_Poligons", added()); }
  int objectCount() const { return objects ? objects->Count() : 0; }

  ui::HeadlessToolkit toolkit;
};

}  // namespace vlm::test
