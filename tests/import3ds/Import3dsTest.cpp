// What the 3DS files under tests/data/3ds cannot show: a cut file keeping what came before
// the cut, lists and names too large to check in, the progress and stop at each header, a
// host that refuses a call, and files that cannot be read at all. The files are built with
// little-endian values and chunks whose length is computed from their data (or given, for
// damaged files).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "import3ds/CImp_3DS.h"
#include "platform/ObjectRegistry.h"
#include "refhost/CallRecorder.h"
#include "refhost/ReferenceScene.h"
#include "support/ImporterFixture.h"
#include "ui/HeadlessToolkit.h"

namespace vlm::test3ds {
namespace {

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
inline std::string byteColor(uint8_t r, uint8_t g, uint8_t b) {
  return chunk(0x0011, u8(r) + u8(g) + u8(b));
}
inline std::string intPercent(int16_t p) { return chunk(0x0030, i16(p)); }

struct Outcome {
  std::optional<RuntimeError> error;  // what Load raised
  CollectionRef objects, materials;   // the caller's collections afterwards

  int32_t number() const { return error ? error->number() : 0; }
  std::string description() const { return error ? error->description() : std::string(); }
};

// A recording null host, the dialog double and one importer.
class Import3ds : public ::testing::Test {
 protected:
  void SetUp() override {
    fileTable().CloseAll();
    recorder.registerClasses(nullptr, nullptr);
    recorder.setCaptureArrays(true);
  }
  void TearDown() override {
    refhost::registerReferenceHostClasses();
    fileTable().CloseAll();
  }

  Outcome load(std::string_view bytes) { return loadPath(dir.write("test.3ds", bytes)); }
  Outcome loadPath(const std::string& path) {
    Outcome out;
    dialog.stop = false;
    ImportContext import(path, dialog.options, dialog, dialog.stop);
    try {
      importer.Load(import, out.objects, out.materials);
    } catch (const RuntimeError& e) {
      out.error = e;
    }
    return out;
  }

  std::vector<const refhost::CallRecord*> callsTo(std::string_view member) const {
    std::vector<const refhost::CallRecord*> out;
    for (const refhost::CallRecord& r : recorder.records()) {
      if (r.member == member) out.push_back(&r);
    }
    return out;
  }
  // The names given to objects and materials, quoted, in order.
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto* call : callsTo("Name")) out.push_back(call->args.back().value);
    return out;
  }

  refhost::CallRecorder recorder;
  test::TestDialog dialog;
  test::TempDir dir;
  CImp_3DS importer;
};

// Two objects with a matrix, a hidden flag and a face-material group; kSound puts the
// material "M" with a colour and a percentage before them.
const std::string kObjects =
    triangleObject("A", matrix({1, 2, 3})) +
    namedObject("B", triMesh(vertexList({{0, 0, 0}, {1, 1, 1}, {2, 2, 2}}) + chunk(0x4010, u8(0)) +
                             faceList({{0, 1, 2}, {2, 1, 0}}, faceMaterial("M", {0, 1}))));
const std::string kSound = file3ds(editor(
    material(materialName("M") + chunk(0xA020, byteColor(1, 2, 3)) + chunk(0xA050, intPercent(5))) +
    kObjects));

// Only a cut inside the first two headers fails; any other keeps what came before it.
TEST_F(Import3ds, CutFileKeepsWhatWasReadBeforeTheCut) {
  const std::string versionZero =
      "Sorry can only read 3ds files of version 3.0 and higher. The version of the file you "
      "want to read is : 0";
  const std::string full = file3ds(editor(kObjects));
  int32_t previous = 0;
  for (size_t cut = 0; cut < full.size(); ++cut) {
    SCOPED_TRACE(cut);
    const Outcome out = load(std::string_view(full).substr(0, cut));
    EXPECT_EQ(fileTable().find(1), nullptr) << "the file stays open";
    if (cut < 2 || (cut >= 7 && cut <= 12)) {  // no main id, or a version id without value
      EXPECT_EQ(out.description(), cut < 2 ? "File type wrong!" : versionZero);
      EXPECT_EQ(out.objects, nullptr);
      ASSERT_NE(out.materials, nullptr);
      continue;
    }
    ASSERT_FALSE(out.error) << out.description();
    EXPECT_GE(out.objects->Count(), previous) << "objects read before the cut were lost";
    previous = out.objects->Count();
  }
  EXPECT_EQ(previous, 2);
}

// Counts and corner numbers are unsigned; a list is read whole at its position, bytes
// past the end of the file reading as zero.
TEST_F(Import3ds, ListsAreReadWholeWithUnsignedCounts) {
  std::vector<Vertex> vertices(40000, Vertex{0, 0, 0});
  vertices.back() = {1, 2, 3};
  std::vector<Face> faces(40000, Face{0, 0, 0});
  faces.back() = {65535, 40000, 32768};
  // The second object claims 65535 vertices; the file ends after the first one.
  const std::string cut = u16(0x4110) + i32(6 + 2 + 12) + u16(65535) + f32(4) + f32(5) + f32(6);
  ASSERT_FALSE(
      load(file3ds(editor(namedObject("Big", triMesh(vertexList(vertices) + faceList(faces))) +
                          namedObject("Cut", triMesh(cut)))))
          .error);
  const auto added = callsTo("Add_Vertices");
  ASSERT_EQ(added.size(), 2u);
  const std::vector<float>& big = added[0]->args[0].singles;
  ASSERT_EQ(big.size(), 120000u);
  EXPECT_EQ(std::vector<float>(big.end() - 3, big.end()), (std::vector<float>{1, 3, 2}));
  const std::vector<int32_t>& corners = callsTo("Add_Poligons").at(0)->args[0].longs;
  ASSERT_EQ(corners.size(), 120000u);
  EXPECT_EQ(std::vector<int32_t>(corners.end() - 3, corners.end()),
            (std::vector<int32_t>{32768, 40000, 65535}));
  std::vector<float> cutList(3 * 65535, 0.0f);
  std::copy_n(std::begin({4.0f, 6.0f, 5.0f}), 3, cutList.begin());
  EXPECT_TRUE(added[1]->args[0].singles == cutList) << "not 4 6 5 and zeros";
}

// Regression: thousands of 8-byte chunks, each claiming a full vertex or face list over the
// bytes after it, made the host hold gigabytes. The host is handed at most the file's
// length plus one longest list, in whole records, and each list within that whole.
TEST_F(Import3ds, TinyChunksClaimingFullListsHandTheHostNoMoreThanTheFileAndOneList) {
  std::string chunks;
  for (int i = 0; i < 3000; ++i) {
    chunks += chunkWithLength(0x4110, 8, u16(65535)) + chunkWithLength(0x4120, 8, u16(65535));
  }
  const std::string bytes =
      file3ds(editor(namedObject("Many", triMesh(chunks + std::string(800000, '\1')))));
  ASSERT_FALSE(load(bytes).error);
  const auto vertices = callsTo("Add_Vertices"), faces = callsTo("Add_Poligons");
  ASSERT_FALSE(vertices.empty() || faces.empty());
  EXPECT_EQ(vertices[0]->args[0].singles.size(), 3u * 65535);
  EXPECT_EQ(faces[0]->args[0].longs.size(), 3u * 65535);
  size_t handed = 4;  // the name
  for (const auto* call : vertices) handed += call->args[0].singles.size() * sizeof(float);
  for (const auto* call : faces) handed += call->args[0].longs.size() / 3 * 8;
  const size_t limit = bytes.size() + 65535 * 12;
  EXPECT_LE(handed, limit);
  EXPECT_GT(handed + 12, limit) << "the last list is cut to fewer records than fit";
}

TEST_F(Import3ds, NameSpanningSeveralFileBlocksIsReadWhole) {
  const std::string name(NumberedFile::kBlockSize * 2 + 17, 'n');
  ASSERT_FALSE(load(file3ds(editor(triangleObject(name) + triangleObject("B")))).error);
  EXPECT_EQ(names(), (std::vector<std::string>{'"' + name + '"', "\"B\""}));
}

// Each header shows where it ends, when that is within the bar, before its one yield.
TEST_F(Import3ds, EachHeaderShowsItsEndWithinTheBarThenYieldsOnce) {
  const std::string bytes = file3ds(editor(""));  // the zero header past the end ends at 29
  const struct {
    float max;
    std::vector<float> shown;
  } bars[] = {{100, {7, 13, 23, 29}}, {23, {7, 13, 23}}, {12, {7}}};
  for (const auto& bar : bars) {
    SCOPED_TRACE(bar.max);
    ui::HeadlessToolkit toolkit;
    ui::setToolkit(&toolkit);
    std::vector<uint64_t> yieldsBefore;
    dialog.onProgress = [&](size_t) { yieldsBefore.push_back(toolkit.yields()); };
    dialog.max = bar.max;
    dialog.progress.clear();
    const Outcome out = load(bytes);
    ui::setToolkit(nullptr);
    ASSERT_FALSE(out.error) << out.description();
    EXPECT_EQ(dialog.progress, bar.shown);
    EXPECT_EQ(toolkit.yields(), 4u);
    const std::vector<uint64_t> headersBefore{0, 1, 2, 3};
    EXPECT_EQ(yieldsBefore, std::vector<uint64_t>(headersBefore.begin(),
                                                  headersBefore.begin() + bar.shown.size()));
  }
}

TEST_F(Import3ds, StopEndsEveryLoopBeforeItsNextHeaderAndLoadReturnsNormally) {
  // A colour's sub-chunk headers belong to its reader, which is no loop.
  const std::string bytes = file3ds(editor(material(materialName("M")) + kObjects));
  ASSERT_FALSE(load(bytes).error);
  const size_t headers = dialog.progress.size();
  // Load's own first two headers do not test the stop.
  for (size_t n = 2; n <= headers; ++n) {
    SCOPED_TRACE(n);
    dialog.progress.clear();
    dialog.stopAt(n);
    const Outcome out = load(bytes);
    EXPECT_FALSE(out.error) << out.description();
    EXPECT_EQ(dialog.progress.size(), n) << "a header was read after the stop";
  }
}

TEST_F(Import3ds, HostRefusalEndsTheImportWithTheReadersPrefixAndKeepsTheMaterials) {
  const struct {
    const char* receiver;
    const char* member;
    const char* description;
    int32_t materials;
  } refusals[] = {
      {"object", "Add_Vertices", "(VERTICES) refused", 1},
      {"object", "Add_Poligons", "(FACE LIST) refused", 1},
      {"object", "Name", "(ADD OBJECT) refused", 1},
      {"object", "DefaultColor", "(ADD OBJECT) refused", 1},
      {"object", "Visible", "(OBJECT HIDDEN) refused", 1},
      {"object", "MaterialKey", "() refused", 1},
      {"material", "Name", "(ADD MATERIAL) refused", 0},
      {"material", "Color", "() refused", 1},
  };
  for (const auto& r : refusals) {
    SCOPED_TRACE(std::string(r.receiver) + "." + r.member);
    refhost::CallRecorder refusing;
    refusing.registerClasses(nullptr, nullptr);
    refusing.failCall({r.receiver, r.member, 0, err::kInvalidCall, "refused"});
    const Outcome out = load(kSound + triangleObject("After"));
    EXPECT_EQ(out.number(), err::k3DS);
    EXPECT_EQ(out.description(), r.description);
    EXPECT_EQ(out.objects, nullptr);
    ASSERT_NE(out.materials, nullptr);
    EXPECT_EQ(out.materials->Count(), r.materials);
    for (const auto& record : refusing.records()) EXPECT_NE(record.receiver, "object#3");
  }
  recorder.registerClasses(nullptr, nullptr);
  unregisterClass(host::kObjectProgId);
  const Outcome out = load(kSound);
  EXPECT_EQ(out.number(), err::k3DS);
  EXPECT_TRUE(out.description().starts_with("(ADD OBJECT) ")) << out.description();
}

// A sparse file of `length` bytes: `head` at its start, `tail` at its end, zeros between
// that cost no disk. Empty where sparse files cannot be made.
std::string sparse3ds(const test::TempDir& dir, int64_t length, std::string_view head,
                      std::string_view tail = {}) {
  const std::string path = (dir.path() / "sparse.3ds").string();
  const int fd = ::open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0600);
  if (fd < 0) return {};
  const auto tailAt = static_cast<off_t>(length - static_cast<int64_t>(tail.size()));
  const bool ok =
      ::write(fd, head.data(), head.size()) == static_cast<ssize_t>(head.size()) &&
      ::pwrite(fd, tail.data(), tail.size(), tailAt) == static_cast<ssize_t>(tail.size()) &&
      ::ftruncate(fd, length) == 0;
  ::close(fd);
  return ok ? path : std::string();
}

// Positions are 32-bit: a file one byte longer than the last position is refused before
// anything is read, one of exactly that length is read; a missing file fails with its
// own number.
TEST_F(Import3ds, FileThatCannotBeReadFailsBeforeAnythingIsRead) {
  const Outcome missing = loadPath((dir.path() / "missing.3ds").string());
  EXPECT_EQ(missing.number(), err::kFileNotFound);
  EXPECT_TRUE(missing.description().starts_with("(LOAD3DS...) File not found: "));
  for (const int64_t length : {int64_t{INT32_MAX} + 1, int64_t{INT32_MAX}}) {
    const std::string path = sparse3ds(dir, length, chunkWithLength(0x4D4D, 6));
    if (path.empty()) GTEST_SKIP() << "no sparse files here";
    dialog.progress.clear();
    const Outcome out = loadPath(path);
    EXPECT_EQ(fileTable().find(1), nullptr);
    if (length == INT32_MAX) {
      EXPECT_FALSE(out.error) << out.description();
      continue;
    }
    EXPECT_EQ(out.description(),
              "(LOAD3DS...) File too large: 2147483648 bytes, a 3DS file can have at most "
              "2147483647 bytes");
    EXPECT_EQ(out.number(), err::k3DS);
    EXPECT_TRUE(dialog.progress.empty()) << "nothing may be read";
    EXPECT_EQ(out.objects, nullptr);
  }
}

// The largest file whose last bytes are `tail`, reached through a filler chunk.
std::string largestFileEndingIn(const test::TempDir& dir, std::string_view tail) {
  const int32_t fillerLength = INT32_MAX - static_cast<int32_t>(tail.size()) - 22;
  return sparse3ds(dir, INT32_MAX,
                   chunkWithLength(0x4D4D, INT32_MAX) + chunk(0x0002, i32(3)) +
                       chunkWithLength(0x3D3D, INT32_MAX - 16) +
                       chunkWithLength(0x0001, fillerLength),
                   tail);
}

// A value read at the last positions moves the position past the largest one: an
// overflow under the reader's name, never a position that wraps to the file's start. A
// chunk that ends at the last byte overflows once more in its parent, as the position
// after it is past the largest one too.
TEST_F(Import3ds, ReadingPastTheLastPositionOverflowsUnderTheReadersName) {
  const Vertex v{0, 0, 0};
  const struct {
    std::string tail;
    const char* description;
  } cases[] = {
      {chunk(0x4000, "abc"), "(OBJECT NAME) Overflow"},
      {material(chunk(0xA000, "abc")), "(MATERIAL NAME) Overflow"},
      {material(chunk(0xA040, intPercent(5))), "(MAT SHINESS) (INT PERCENTAGE CHUNK) Overflow"},
      {namedObject("A", triMesh(chunk(0x4010, u8(1)))), "(OBJECT HIDDEN) Overflow"},
      {namedObject("A", triMesh(chunk(0x4111, u16(0)))), "((FACE FLAGS LIST) Overflow) Overflow"},
      {namedObject("A",
                   triMesh(vertexList({v, v, v}) + faceList({{0, 1, 2}}, chunk(0x4130, "abc")))),
       "((FACE MATERIAL) Overflow) Overflow"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.description);
    const std::string path = largestFileEndingIn(dir, c.tail);
    if (path.empty()) GTEST_SKIP() << "no sparse files here";
    const Outcome out = loadPath(path);
    EXPECT_EQ(out.number(), err::k3DS);
    EXPECT_EQ(out.description(), c.description);
  }
}

}  // namespace
}  // namespace vlm::test3ds
