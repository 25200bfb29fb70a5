// Export failures and the pieces they rest on: unwritable paths, unknown extensions, the
// write-then-rename file, object colours and corner normals.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <limits>
#include <set>

#include "export/CornerNormals.h"
#include "export/Export.h"
#include "export/ExportFiles.h"
#include "export/OutputFile.h"
#include "export/SceneColors.h"
#include "export/UniqueNames.h"
#include "preview/SceneBuilder.h"
#include "support/OrdinaryUser.h"

namespace vlm::exporter {
namespace {

using test::colorNumber;
using test::SceneBuilder;

class ExportTo : public ::testing::Test {
 protected:
  ExportTo() {
    builder.add("cube", test::box({0, 0, 0}, {1, 1, 1}), 0);
    std::filesystem::create_directory(folder.file("folder"));
    std::filesystem::create_directory(folder.file("dir.ply"));
    std::ofstream(folder.file("plain")) << "x";
  }
  // The message of the error exporting to `name` inside the folder, or "".
  std::string failure(const std::string& name) {
    try {
      exportScene(builder.scene, folder.file(name));
    } catch (const std::runtime_error& e) {
      return e.what();
    }
    return "";
  }
  SceneBuilder builder;
  test::TempDir folder;
  const std::vector<std::string> before = {"dir.ply", "folder", "plain"};
};

struct BadPath {
  const char* name;
  const char* reason;
};

class UnwritablePath : public ExportTo, public ::testing::WithParamInterface<BadPath> {};

TEST_P(UnwritablePath, ClearErrorAndNothingLeftBehind) {
  const std::string path = folder.file(GetParam().name);
  EXPECT_EQ(failure(GetParam().name), "cannot write '" + path + "': " + GetParam().reason);
  EXPECT_EQ(folder.names(), before);
  EXPECT_TRUE(std::filesystem::is_empty(folder.file("folder")));
  EXPECT_TRUE(std::filesystem::is_empty(folder.file("dir.ply")));
}

INSTANTIATE_TEST_SUITE_P(Paths, UnwritablePath,
                         ::testing::Values(BadPath{"missing/x.obj", "No such file or directory"},
                                           BadPath{"missing/x.ply", "No such file or directory"},
                                           BadPath{"plain/x.obj", "Not a directory"},
                                           BadPath{"plain/x.ply", "Not a directory"},
                                           BadPath{"dir.ply", "Is a directory"}),
                         [](const ::testing::TestParamInfo<BadPath>& info) {
                           return std::to_string(info.index);
                         });

TEST_F(ExportTo, UnwritableMtlLeavesTheOldObjUntouched) {
  std::filesystem::create_directory(folder.file("scene.mtl"));
  std::ofstream(folder.file("scene.obj")) << "old";
  EXPECT_EQ(failure("scene.obj"),
            "cannot write '" + folder.file("scene.mtl") + "': Is a directory");
  EXPECT_EQ(test::slurp(folder.file("scene.obj")), "old");
  EXPECT_EQ(folder.names(),
            (std::vector<std::string>{"dir.ply", "folder", "plain", "scene.mtl", "scene.obj"}));
}

TEST_F(ExportTo, ReadOnlyFolderIsRefused) {
  ::chmod(folder.file("folder").c_str(), 0555);
  {
    const test::OrdinaryUser user({folder.path().string()});
    if (!user.restricted()) GTEST_SKIP() << "no ordinary user can try the access here";
    EXPECT_EQ(failure("folder/x.obj"),
              "cannot write '" + folder.file("folder/x.obj") + "': Permission denied");
  }
  ::chmod(folder.file("folder").c_str(), 0755);
  EXPECT_TRUE(std::filesystem::is_empty(folder.file("folder")));
}

TEST_F(ExportTo, ExtensionChoosesTheFormatInAnyLetterCase) {
  for (const char* name : {"a.obj", "b.OBJ", "c.Obj", "d.ply", "e.PLY", "f.pLy"}) {
    EXPECT_TRUE(canExport(name)) << name;
    EXPECT_EQ(failure(name), "") << name;
  }
  EXPECT_EQ(test::slurp(folder.file("e.PLY")).rfind("ply\n", 0), 0u);
  EXPECT_EQ(test::slurp(folder.file("b.OBJ")).rfind("# Exported", 0), 0u);
}

TEST_F(ExportTo, OtherExtensionsAreRefusedBeforeAnyFileIsMade) {
  for (const char* name : {"a.stl", "noextension", "a.obj.bak", "a.plyx", "obj", "a.ob j"}) {
    EXPECT_FALSE(canExport(name)) << name;
    EXPECT_EQ(failure(name), "cannot export to '" + folder.file(name) +
                                 "': the file name must end in .obj or .ply")
        << name;
  }
  EXPECT_EQ(folder.names(), before);
}

TEST(OutputFile, BytesAcrossManyBuffersArriveInOrder) {
  test::TempDir folder;
  std::string expected;
  {
    OutputFile out(folder.file("big"));
    for (int i = 0; expected.size() < 3 * OutputFile::kBufferSize; ++i) {
      const std::string piece = std::to_string(i) + ",";
      if (i % 3 == 0) {
        out.write(piece);
      } else {
        char* room = out.room(piece.size());
        std::memcpy(room, piece.data(), piece.size());
        out.advance(piece.size());
      }
      expected += piece;
    }
    out.write(std::string(OutputFile::kBufferSize + 17, 'z'));
    expected += std::string(OutputFile::kBufferSize + 17, 'z');
    out.commit();
  }
  EXPECT_EQ(test::slurp(folder.file("big")), expected);
  EXPECT_EQ(folder.names(), std::vector<std::string>{"big"});
}

TEST(OutputFile, AbandonedFileLeavesTheOldOneAndNoTemporary) {
  test::TempDir folder;
  std::ofstream(folder.file("target")) << "old";
  {
    OutputFile out(folder.file("target"));
    out.write(std::string(OutputFile::kBufferSize * 2, 'n'));  // partly on disk already
  }
  EXPECT_EQ(test::slurp(folder.file("target")), "old");
  EXPECT_EQ(folder.names(), std::vector<std::string>{"target"});
}

TEST(OutputFile, CommittedFileHasTheUsualPermissions) {
  test::TempDir folder;
  const mode_t mask = ::umask(022);
  OutputFile out(folder.file("f"));
  out.commit();
  ::umask(mask);
  struct stat st {};
  ASSERT_EQ(::stat(folder.file("f").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST(UniqueNames, ThousandsOfOneNameStayUniqueAndNumberedInOrder) {
  UniqueNames names;
  EXPECT_EQ(names.take("Part_3", ""), "Part_3");
  std::set<std::string> seen;
  std::string last;
  for (int i = 0; i < 3000; ++i) {
    last = names.take("part", "");
    EXPECT_TRUE(seen.insert(last).second) << last;
  }
  // "part", "part_2", then "part_3" is taken by "Part_3" in another case: "part_4" on.
  EXPECT_EQ(last, "part_3001");
  EXPECT_EQ(names.take("", "PART"), "PART_3002");
}

TEST(SceneColors, FileMaterialWinsDefaultMaterialAndNoneKeepDefaultColor) {
  SceneBuilder builder;
  builder.addMaterial("Green", colorNumber(0, 255, 0));
  ObjectRef bound = builder.add("bound", test::Shape{}, colorNumber(255, 0, 0));
  ObjectRef unmatched = builder.add("unmatched", test::Shape{}, colorNumber(1, 2, 3));
  builder.add("unbound", test::Shape{}, colorNumber(4, 5, 6));
  builder.bind(bound, "green");
  builder.bind(unmatched, "blue");
  const refhost::ReferenceScene& scene = builder.scene;
  EXPECT_EQ(displayColor(scene, scene.object(0)), colorNumber(0, 255, 0));
  EXPECT_EQ(displayColor(scene, scene.object(1)), colorNumber(1, 2, 3));
  EXPECT_EQ(displayColor(scene, scene.object(2)), colorNumber(4, 5, 6));
  EXPECT_EQ(colorMaterial(scene, scene.object(1)), nullptr);
}

TEST(SceneColors, ColourNumbersSplitIntoRedGreenBlue) {
  const Rgb c = rgbOf(colorNumber(10, 20, 30) | static_cast<int32_t>(0x7F000000));
  EXPECT_EQ((std::array<int, 3>{c.r, c.g, c.b}), (std::array<int, 3>{10, 20, 30}));
}

// Corner normals of one triangle as written, bit for bit: set ones made unit (minus zero
// written as zero), unset, zero or not finite ones replaced by the face normal, and a
// triangle without area all zero.
TEST(CornerNormals, SetNormalsAreMadeUnitOthersFallBackToTheFaceNormal) {
  constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
  constexpr float kInf = std::numeric_limits<float>::infinity();
  const std::vector<float> flat = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  const Vec3 up = {0, 0, 1};
  const struct {
    std::vector<float> vertices, normals;
    std::array<Vec3, 3> expected;
  } cases[] = {
      {flat, {0, 0, -10, 0, 0, 0, kNan, 0, 1}, {{{0, 0, -1}, up, up}}},
      {flat, {3e38f, 0, 0, kInf, 0, 0, 0, 1e-30f, 0}, {{{1, 0, 0}, up, {0, 1, 0}}}},
      {flat, {}, {{up, up, up}}},
      {flat, {-0.0f, -0.0f, 2, 0, 0, 2, 0, -0.0f, 1}, {{up, up, up}}},
      {{1, 1, 1, 2, 2, 2, 3, 3, 3}, {}, {}},
  };
  for (const auto& c : cases) {
    refhost::Mesh mesh;
    mesh.appendVertices(c.vertices);
    const int32_t corners[3] = {0, 1, 2};
    mesh.appendPolygon(corners);
    if (!c.normals.empty()) std::ranges::copy(c.normals, mesh.cornerNormalsOf(0).begin());
    const std::array<Vec3, 3> n = cornerNormals(mesh, 0);
    EXPECT_EQ(n, c.expected);
    EXPECT_EQ(std::memcmp(n.data(), c.expected.data(), sizeof n), 0) << "minus zero written";
  }
}

}  // namespace
}  // namespace vlm::exporter
