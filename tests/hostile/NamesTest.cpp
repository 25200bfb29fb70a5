// Names holding zero bytes and bytes that are not UTF-8, from the file's text and from
// the file's own name: they reach the host as the bytes they are, and the scene's
// report stays valid JSON.
#include <nlohmann/json.hpp>

#include "HostileImport.h"
#include "import3ds/ChunkBuilder.h"

namespace vlm::hostile {
namespace {

using namespace test3ds;

const std::string kTriangleObj = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
const std::string kBadBytes = std::string("bad\xff\xfe\xc0\x80 \xed\xa0\x80|", 13) + '\0' + "end";

struct NamedFile {
  const char* label;
  std::string fileName;
  std::string bytes;
  std::string hostName = {};  // the first object's name as the host must get it ("": any)
};

std::vector<NamedFile> namedFiles() {
  return {
      {"ObjMark", "mark.obj", "# Object " + kBadBytes + "\n" + kTriangleObj},
      {"ObjPath", "path\xff\xfe" + std::string(1, '\x01') + ".obj", kTriangleObj},
      {"IncDeclare", "declare.inc",
       "#declare " + kBadBytes + " = mesh { triangle { <0,0,0>, <1,0,0>, <0,1,0> } }\n"},
      {"IncPath", "\xc3\x28\xa0\xa1.inc",
       "#declare Gem = mesh { triangle { <0,0,0>, <1,0,0>, <0,1,0> } }\n"},
      {"DxfPath", "\xe2\x82.dxf",
       "  0\nSECTION\n  2\nENTITIES\n  0\n3DFACE\n  8\n" + kBadBytes +
           "\n 10\n0\n 20\n0\n 30\n0\n 11\n1\n 21\n0\n 31\n0\n 12\n0\n 22\n1\n 32\n0\n"
           " 13\n0\n 23\n1\n 33\n0\n  0\nENDSEC\n  0\nEOF\n"},
      {"PlyPath", "\xf8\x88\x80\x80\x80.ply",
       "ply\nformat ascii 1.0\ncomment " + kBadBytes +
           "\nelement vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
           "element face 1\nproperty list uchar int vertex_indices\nend_header\n"
           "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n"},
      {"3dsNames", "names.3ds",
       file3ds(editor(material(materialName("\xff\xfeRed")) +
                      triangleObject("\x80\x81\xc0obj",
                                     faceList({{0, 1, 2}}, faceMaterial("\xff\xfeRed", {0}))))),
       "\x80\x81\xc0obj"},
  };
}

class OddName : public HostileImport, public ::testing::WithParamInterface<NamedFile> {};

TEST_P(OddName, ReachesTheSceneAndTheReportStaysValid) {
  const Outcome outcome = importBytes(GetParam().fileName, GetParam().bytes);
  expectContained(outcome, GetParam().bytes.size());
  EXPECT_TRUE(outcome.failures().empty()) << outcome.failures().front();
  ASSERT_GT(outcome.objects, 0u);
  const nlohmann::json report = nlohmann::json::parse(outcome.json);
  EXPECT_FALSE(report["objects"][0]["name"].get<std::string>().empty());
  if (!GetParam().hostName.empty()) {
    // The bytes arrive at the host unchanged; only the report replaces them.
    EXPECT_EQ(outcome.names[0], GetParam().hostName);
    EXPECT_NE(outcome.json.find("\xef\xbf\xbd"), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(Files, OddName, ::testing::ValuesIn(namedFiles()),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace vlm::hostile
