// The 3DS file structure: header and version rule, skipping, cut-back, the guard against
// chunks shorter than their header, truncation, progress, stop and the size limit.
#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <functional>
#include <tuple>

#include "ChunkBuilder.h"
#include "Import3dsFixture.h"
#include "ui/HeadlessToolkit.h"

namespace vlm::test3ds {
namespace {

using ChunkWalk = Import3ds;

const std::string kVersionMessage =
    "Sorry can only read 3ds files of version 3.0 and higher. The version of the file you "
    "want to read is : ";

// The names given to host objects (or materials), in creation order.
std::vector<std::string> createdNames(const refhost::CallRecorder& recorder,
                                      std::string_view kind = "object#") {
  std::vector<std::string> names;
  for (const refhost::CallRecord& r : recorder.records()) {
    if (r.member == "Name" && r.kind == InvokeKind::PropertyPut && r.receiver.starts_with(kind)) {
      names.push_back(r.args.back().value);
    }
  }
  return names;
}

TEST_F(ChunkWalk, FileNotStartingWithTheMainChunkIsTheWrongType) {
  for (const std::string& bytes : {std::string(), std::string("M"),
                                   chunk(0x4D4C, editor(triangleObject("A"))),  // another id
                                   u16(0x3D3D) + file3ds(editor(""))}) {       // bytes swapped
    SCOPED_TRACE(::testing::PrintToString(bytes));
    const Outcome out = load(bytes);
    EXPECT_EQ(out.number(), err::k3DS);
    EXPECT_EQ(out.description(), "File type wrong!");
    EXPECT_EQ(out.objects, nullptr);
    ASSERT_NE(out.materials, nullptr);
    EXPECT_EQ(out.materials->Count(), 0);
    EXPECT_EQ(fileTable().find(1), nullptr) << "the file stays open";
  }
}

// Versions below 3 fail with the version message and nothing after the version is read;
// any other version is read.
TEST_F(ChunkWalk, VersionDecidesWhetherTheFileIsRead) {
  for (int32_t version : {2, 0, -1, INT32_MIN, 3, 4, 1000, INT32_MAX}) {
    SCOPED_TRACE(version);
    recorder.clearRecords();
    const Outcome out = load(file3ds(editor(triangleObject("A")), version));
    if (version < 3) {
      EXPECT_EQ(out.number(), err::k3DS);
      EXPECT_EQ(out.description(), kVersionMessage + std::to_string(version));
      EXPECT_TRUE(callsTo("Add_Vertices").empty()) << "nothing is read after the version";
    } else {
      EXPECT_FALSE(out.error) << out.description();
      ASSERT_NE(out.objects, nullptr);
      EXPECT_EQ(out.objects->Count(), 1);
    }
  }
}

// Files read without failure into exactly these objects and materials (names quoted).
TEST_F(ChunkWalk, StructureGivesTheseObjectsAndMaterials) {
  const std::string meshData = vertexList({{0, 0, 0}}) + faceList({{0, 0, 0}});
  const std::string objectB = triangleObject("B");
  const std::string longName(NumberedFile::kBlockSize * 2 + 17, 'n');
  const struct {
    const char* what;
    std::string bytes;
    std::vector<std::string> objects, materials;
  } cases[] = {
      {"missing_version_chunk_reads_the_header_again_as_main_level",
       chunk(0x4D4D, editor(triangleObject("A"))),
       {"\"A\""},
       {}},
      // MAIN3DS claims only its header; what follows is read as main level.
      {"main_chunk_length_is_not_consulted",
       chunkWithLength(0x4D4D, 6) + chunk(0x0002, i32(3)) + editor(triangleObject("A")),
       {"\"A\""},
       {}},
      {"main_header_alone_imports_nothing", chunkWithLength(0x4D4D, 6), {}, {}},
      {"keyframer_section_is_passed_over_whole",
       file3ds(chunk(0xB000, editor(triangleObject("InKeyframer"))) + editor(triangleObject("A"))),
       {"\"A\""},
       {}},
      // A's mesh claims to hold B as well; B must still be read as A's sibling.
      {"child_running_past_its_parent_is_cut_back",
       file3ds(editor(
           namedObject("A", chunkWithLength(
                                0x4100, static_cast<int32_t>(6 + meshData.size() + objectB.size()),
                                meshData)) +
           objectB)),
       {"\"A\"", "\"B\""},
       {}},
      {"name_running_to_the_end_of_the_file_ends_there",
       file3ds(editor(material(u16(0xA000) + i32(6 + 13) + "Unterminated"))),
       {},
       {"\"Unterminated\""}},
      {"long_name_spanning_many_blocks_is_read_whole",
       file3ds(editor(triangleObject(longName) + triangleObject("B"))),
       {"\"" + longName + "\"", "\"B\""},
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    recorder.clearRecords();
    const Outcome out = load(c.bytes);
    ASSERT_FALSE(out.error) << out.description();
    EXPECT_EQ(createdNames(recorder), c.objects);
    EXPECT_EQ(createdNames(recorder, "material#"), c.materials);
    EXPECT_EQ(out.objects->Count(), static_cast<int32_t>(c.objects.size()));
    EXPECT_EQ(out.materials->Count(), static_cast<int32_t>(c.materials.size()));
  }
}

TEST_F(ChunkWalk, LoadReplacesTheCallersCollections) {
  auto objects = std::make_shared<Collection>();
  auto materials = std::make_shared<Collection>();
  objects->Add(refhost::createReferenceObject());
  materials->Add(refhost::createReferenceMaterial());
  const CollectionRef oldObjects = objects, oldMaterials = materials;
  modImport::StopImport = false;
  importer.Load(dir.write("a.3ds", file3ds(editor(triangleObject("A")))), objects, materials);
  EXPECT_NE(objects, oldObjects);
  EXPECT_NE(materials, oldMaterials);
  EXPECT_EQ(objects->Count(), 1);
  EXPECT_EQ(materials->Count(), 0);
}

TEST_F(ChunkWalk, UnknownChunksArePassedOverAtEveryLevel) {
  const std::string junk = chunk(0x7777, "junk!");
  const std::string bytes = file3ds(
      junk +
      editor(
          junk +
          material(junk + materialName("Red") + junk + chunk(0xA020, byteColor(200, 0, 0)) + junk) +
          junk +
          namedObject("A",
                      junk + triMesh(junk + vertexList({{1, 2, 3}}) + junk +
                                     faceList({{0, 0, 0}}, junk + faceMaterial("Red", {0}) + junk) +
                                     junk)) +
          junk) +
      junk + editor(triangleObject("B")));
  const Outcome out = load(bytes);
  ASSERT_FALSE(out.error) << out.description();
  EXPECT_EQ(createdNames(recorder), (std::vector<std::string>{"\"A\"", "\"B\""}));
  EXPECT_EQ(linesOf("material#1", "Color"),
            std::vector<std::string>{"material#1.Color put (Long 200)"});
  EXPECT_EQ(linesOf("object#1", "MaterialKey"),
            std::vector<std::string>{"object#1.MaterialKey put (String \"Red\")"});
  EXPECT_EQ(callsTo("Add_Vertices").size(), 2u);
  EXPECT_EQ(callsTo("Add_Poligons").size(), 2u);
}

// A chunk claiming less than its own header, placed at one level before something the
// level above would act on: the rest of its parent is dropped, and the walk goes on
// after the parent.
struct ShortChunkCase {
  const char* level;
  std::function<std::string(const std::string& bad)> file;
  std::vector<std::string> objects;
  size_t polygonCalls;
  int materials;
};

void PrintTo(const ShortChunkCase& c, std::ostream* os) { *os << c.level; }

class ShortChunk : public ChunkWalk,
                   public ::testing::WithParamInterface<std::tuple<ShortChunkCase, int32_t>> {};

TEST_P(ShortChunk, EndsItsParentAndTheWalkGoesOnAfterIt) {
  const auto& [c, length] = GetParam();
  for (uint16_t id : {uint16_t{0x1234}, uint16_t{0x4110}, uint16_t{0x3D3D}}) {
    recorder.clearRecords();
    const Outcome out = load(c.file(chunkWithLength(id, length)));
    ASSERT_FALSE(out.error) << out.description();
    EXPECT_EQ(createdNames(recorder), c.objects) << std::hex << id;
    EXPECT_EQ(callsTo("Add_Poligons").size(), c.polygonCalls) << std::hex << id;
    EXPECT_EQ(out.materials->Count(), c.materials) << std::hex << id;
  }
}

const ShortChunkCase kShortChunkCases[] = {
    {"main",
     [](const std::string& bad) {
       return file3ds(editor(triangleObject("A")) + bad + editor(triangleObject("B")));
     },
     {"\"A\""},
     1,
     0},
    {"editor",
     [](const std::string& bad) {
       return file3ds(editor(triangleObject("A") + bad + editor(triangleObject("B"))) +
                      editor(triangleObject("C")));
     },
     {"\"A\"", "\"C\""},
     2,
     0},
    {"named_object",
     [](const std::string& bad) {
       return file3ds(editor(namedObject("A", bad + triangleObject("B")) + triangleObject("C")));
     },
     {"\"C\""},
     1,
     0},
    {"mesh",
     [](const std::string& bad) {
       return file3ds(editor(namedObject("A", triMesh(vertexList({{0, 0, 0}}) + bad +
                                                      triMesh(faceList({{0, 0, 0}})))) +
                             triangleObject("C")));
     },
     {"\"A\"", "\"C\""},
     1,
     0},
    {"face_chunk",
     [](const std::string& bad) {
       return file3ds(
           editor(namedObject("A", triMesh(faceList({{0, 0, 0}}, bad + faceList({{2, 2, 2}})) +
                                           faceList({{1, 1, 1}}))) +
                  triangleObject("C")));
     },
     {"\"A\"", "\"C\""},
     3,
     0},
    {"material",
     [](const std::string& bad) {
       return file3ds(editor(material(materialName("M") + bad + material(materialName("N"))) +
                             triangleObject("C")));
     },
     {"\"C\""},
     1,
     1},
};

INSTANTIATE_TEST_SUITE_P(Guard, ShortChunk,
                         ::testing::Combine(::testing::ValuesIn(kShortChunkCases),
                                            ::testing::Values(0, 5, -1, INT32_MIN)),
                         [](const auto& info) {
                           const int32_t length = std::get<1>(info.param);
                           return std::string(std::get<0>(info.param).level) + "_length_" +
                                  (length < 0 ? "minus" + std::to_string(-int64_t{length})
                                              : std::to_string(length));
                         });

TEST_F(ChunkWalk, ShortChunkInAMaterialDropsTheRestOfThatMaterialOnly) {
  const Outcome out = load(file3ds(editor(
      material(materialName("M") + chunkWithLength(0xA020, 3) + chunk(0xA020, byteColor(1, 2, 3))) +
      material(materialName("N") + chunk(0xA020, byteColor(4, 5, 6))))));
  ASSERT_FALSE(out.error) << out.description();
  EXPECT_EQ(createdNames(recorder, "material#"), (std::vector<std::string>{"\"M\"", "\"N\""}));
  EXPECT_TRUE(linesOf("material#1", "Color").empty());
  EXPECT_EQ(linesOf("material#2", "Color"),
            std::vector<std::string>{"material#2.Color put (Long 394500)"});
}

TEST_F(ChunkWalk, TruncatedFileKeepsWhatWasReadAtEveryCut) {
  const std::string full = file3ds(
      editor(triangleObject("A", matrix({1, 2, 3})) +
             namedObject("B", triMesh(vertexList({{0, 0, 0}, {1, 1, 1}, {2, 2, 2}}) +
                                      faceList({{0, 1, 2}, {2, 1, 0}}, faceMaterial("M", {0, 1})) +
                                      chunk(0x4010, u8(1))))));
  int previous = 0;
  for (size_t cut = 0; cut < full.size(); ++cut) {
    SCOPED_TRACE(cut);
    const Outcome out = load(std::string_view(full).substr(0, cut));
    EXPECT_EQ(fileTable().find(1), nullptr);
    if (cut < 2) {
      EXPECT_EQ(out.description(), "File type wrong!");
      continue;
    }
    if (cut >= 7 && cut <= 12) {  // the version chunk's identifier without its value
      EXPECT_EQ(out.description(), kVersionMessage + "0");
      continue;
    }
    ASSERT_FALSE(out.error) << out.description();
    EXPECT_GE(out.objects->Count(), previous) << "objects read before the cut were lost";
    previous = out.objects->Count();
  }
  EXPECT_EQ(previous, 2);
}

TEST_F(ChunkWalk, DamagedByteAnywhereEndsWithAResultOrATrace) {
  const std::string good =
      file3ds(editor(material(materialName("M") + chunk(0xA020, byteColor(1, 2, 3)) +
                              chunk(0xA050, intPercent(5))) +
                     namedObject("A", triMesh(vertexList({{0, 0, 0}, {1, 1, 1}}) +
                                              faceList({{0, 1, 1}}, faceMaterial("M", {0})) +
                                              chunk(0x4010, u8(0)) + matrix({1, 2, 3})))));
  for (size_t at = 0; at < good.size(); ++at) {
    for (const uint8_t value : {uint8_t{0x00}, uint8_t{0xFF}, uint8_t(good[at] ^ 0x80)}) {
      SCOPED_TRACE(::testing::Message() << "byte " << at << " = " << int{value});
      std::string bad = good;
      bad[at] = static_cast<char>(value);
      const Outcome out = load(bad);
      if (out.error) {
        EXPECT_EQ(out.number(), err::k3DS) << out.description();
      }
      EXPECT_EQ(fileTable().find(1), nullptr);
      recorder.clearRecords();
    }
  }
}

TEST_F(ChunkWalk, TruncatedVertexListReadsZerosPastTheEnd) {
  // The count claims 65535 vertices; the file ends after the first one.
  const std::string bytes = file3ds(editor(namedObject(
      "A", triMesh(u16(0x4110) + i32(6 + 2 + 12) + u16(65535) + f32(1) + f32(2) + f32(3)))));
  const Outcome out = load(bytes);
  ASSERT_FALSE(out.error) << out.description();
  const auto calls = callsTo("Add_Vertices");
  ASSERT_EQ(calls.size(), 1u);
  const std::vector<float>& v = calls[0]->args[0].singles;
  ASSERT_EQ(v.size(), 3u * 65535);
  EXPECT_EQ((std::vector<float>(v.begin(), v.begin() + 3)), (std::vector<float>{1, 3, 2}));
  EXPECT_TRUE(std::all_of(v.begin() + 3, v.end(), [](float f) { return f == 0; }));
}

TEST_F(ChunkWalk, ProgressFollowsThePositionAndNeverPassesTheMaximum) {
  const std::string bytes = file3ds(editor(""));  // 22 bytes
  dialog.max = static_cast<float>(bytes.size() + 1);
  ASSERT_FALSE(load(bytes).error);
  // Headers end at 7 (MAIN3DS), 13 (VERSION), 23 (EDITOR); the zero header read past
  // the end ends at 29, beyond the maximum, and is not shown.
  EXPECT_EQ(dialog.progress, (std::vector<float>{7, 13, 23}));

  dialog.progress.clear();
  dialog.max = 12;
  ASSERT_FALSE(load(bytes).error);
  EXPECT_EQ(dialog.progress, (std::vector<float>{7}));
}

TEST_F(ChunkWalk, EveryHeaderReportsProgressThenYieldsOnce) {
  ui::HeadlessToolkit toolkit;
  ui::setToolkit(&toolkit);
  size_t yieldsAtReport = 0;
  bool reportedBeforeYield = true;
  dialog.onProgress = [&](size_t count) {
    reportedBeforeYield = reportedBeforeYield && toolkit.yields() == count - 1;
    yieldsAtReport = count;
  };
  const Outcome out = load(file3ds(editor(
      material(materialName("M") + chunk(0xA020, byteColor(1, 2, 3))) + triangleObject("A"))));
  ui::setToolkit(nullptr);
  ASSERT_FALSE(out.error) << out.description();
  EXPECT_GT(yieldsAtReport, 10u);
  EXPECT_EQ(toolkit.yields(), dialog.progress.size());
  EXPECT_TRUE(reportedBeforeYield);
}

TEST_F(ChunkWalk, StopEndsEveryLoopBeforeTheNextHeaderAndLoadReturnsNormally) {
  const std::string bytes = file3ds(editor(material(materialName("M")) + triangleObject("A") +
                                           triangleObject("B") + triangleObject("C")));
  ASSERT_FALSE(load(bytes).error);
  const size_t headers = dialog.progress.size();
  // The first two headers belong to Load's own steps, which do not test the stop.
  for (size_t n = 2; n <= headers; ++n) {
    SCOPED_TRACE(n);
    recorder.clearRecords();
    dialog.progress.clear();
    dialog.stopAt(n);
    const Outcome out = load(bytes);
    EXPECT_FALSE(out.error) << out.description();
    EXPECT_EQ(dialog.progress.size(), n) << "a header was read after the stop";
    EXPECT_TRUE(modImport::StopImport);
    EXPECT_EQ(fileTable().find(1), nullptr);
    ASSERT_NE(out.objects, nullptr);
    EXPECT_LE(out.objects->Count(), 3);
  }
}

TEST_F(ChunkWalk, UnopenableFileFailsWithItsOwnNumberAndTheLoadTrace) {
  const Outcome out = loadPath((dir.path() / "missing.3ds").string());
  EXPECT_EQ(out.number(), err::kFileNotFound);
  EXPECT_TRUE(out.description().starts_with("(LOAD3DS...) File not found: ")) << out.description();
  EXPECT_EQ(out.objects, nullptr);
  ASSERT_NE(out.materials, nullptr);
}

TEST_F(ChunkWalk, PositionBeyond32BitsIsAnOverflowFailure) {
  const Outcome out =
      load(file3ds(editor(chunkWithLength(0x1234, INT32_MAX) + triangleObject("A"))));
  EXPECT_EQ(out.number(), err::k3DS);
  EXPECT_EQ(out.description(), "(UNKNOWN CHUNK) Overflow");
}

// A sparse file of the given length starting with a MAIN3DS header; costs no disk.
std::string sparse3ds(const test::TempDir& dir, int64_t length) {
  const std::string path = (dir.path() / "sparse.3ds").string();
  const int fd = ::open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0600);
  if (fd < 0) return {};
  const std::string header = chunkWithLength(0x4D4D, 6);
  const bool ok = ::write(fd, header.data(), header.size()) == 6 && ::ftruncate(fd, length) == 0;
  ::close(fd);
  return ok ? path : std::string();
}

// Positions are 32-bit: a file one byte longer than the last position is refused before
// anything is read; one of exactly that length is read.
TEST_F(ChunkWalk, FileBeyondTheLastPositionIsRefusedAtOnce) {
  for (const int64_t length : {int64_t{INT32_MAX} + 1, int64_t{INT32_MAX}}) {
    const std::string path = sparse3ds(dir, length);
    if (path.empty()) GTEST_SKIP() << "no sparse files here";
    dialog.progress.clear();
    const Outcome out = loadPath(path);
    EXPECT_EQ(fileTable().find(1), nullptr);
    if (length == INT32_MAX) {
      EXPECT_FALSE(out.error) << out.description();
      EXPECT_EQ(out.objects->Count(), 0);
      continue;
    }
    EXPECT_EQ(out.number(), err::k3DS);
    EXPECT_EQ(out.description(),
              "(LOAD3DS...) File too large: 2147483648 bytes, a 3DS file can have at most "
              "2147483647 bytes");
    EXPECT_TRUE(dialog.progress.empty()) << "nothing may be read";
    EXPECT_EQ(out.objects, nullptr);
  }
}

}  // namespace
}  // namespace vlm::test3ds
