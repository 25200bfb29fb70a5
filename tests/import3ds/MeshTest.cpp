// 3DS meshes: host objects and their calls, the y/z exchange and reversed corners,
// unsigned counts, face-material groups, the hidden flag, the object-colour quirk, the
// first object's origin, and the failure texts of the mesh readers.
#include <cstring>

#include "ChunkBuilder.h"
#include "Import3dsFixture.h"
#include "platform/ObjectRegistry.h"

namespace vlm::test3ds {
namespace {

using Meshes = Import3ds;

std::string oneObject(std::string_view name, std::string_view meshBody) {
  return file3ds(editor(namedObject(name, triMesh(meshBody))));
}

TEST_F(Meshes, ObjectGetsNameColourThenGeometryWithTheArgumentTypesOfTheHost) {
  const Outcome out =
      load(oneObject("Box", vertexList({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}) + faceList({{0, 1, 2}})));
  ASSERT_FALSE(out.error) << out.description();
  EXPECT_EQ(linesOf("object#1"), (std::vector<std::string>{
                                     "object#1.Name put (String \"Box\")",
                                     "object#1.DefaultColor put (Long 12615680)",
                                     "object#1.Add_Vertices call (Single()[9])",
                                     "object#1.Add_Poligons call (Long()[3], Integer 3)",
                                 }));
  EXPECT_TRUE(recorder.records()[2].args[0].byRef) << "the vertex array goes by reference";
  EXPECT_TRUE(recorder.records()[3].args[0].byRef) << "the index array goes by reference";
  ASSERT_EQ(out.objects->Count(), 1);
}

TEST_F(Meshes, VerticesHaveYAndZExchangedAndCornersReversed) {
  ASSERT_FALSE(
      load(oneObject("A", vertexList({{1, 2, 3}, {4, 5, 6}}) + faceList({{0, 1, 2}, {3, 4, 5}})))
          .error);
  EXPECT_EQ(callsTo("Add_Vertices")[0]->args[0].singles, (std::vector<float>{1, 3, 2, 4, 6, 5}));
  EXPECT_EQ(callsTo("Add_Poligons")[0]->args[0].longs, (std::vector<int32_t>{2, 1, 0, 5, 4, 3}));
}

TEST_F(Meshes, CountsAndIndicesAreUnsigned) {
  constexpr uint16_t kCount = 40000;
  std::vector<Vertex> vertices(kCount, Vertex{0, 0, 0});
  vertices.back() = {1, 2, 3};
  std::vector<Face> faces(kCount, Face{0, 0, 0});
  faces.back() = {65535, 40000, 32768};
  ASSERT_FALSE(load(oneObject("Big", vertexList(vertices) + faceList(faces))).error);
  const auto& singles = callsTo("Add_Vertices")[0]->args[0].singles;
  ASSERT_EQ(singles.size(), 120000u);
  EXPECT_EQ((std::vector<float>(singles.end() - 3, singles.end())), (std::vector<float>{1, 3, 2}));
  const auto& longs = callsTo("Add_Poligons")[0]->args[0].longs;
  ASSERT_EQ(longs.size(), 120000u);
  EXPECT_EQ((std::vector<int32_t>(longs.end() - 3, longs.end())),
            (std::vector<int32_t>{32768, 40000, 65535}));
}

TEST_F(Meshes, VertexCountIsAClaimReadOnIntoTheFollowingBytes) {
  // Two vertices claimed, one stored: the second is made of the face chunk's first 12
  // bytes, and the walk still goes on at the vertex chunk's end.
  const std::string shortList = u16(0x4110) + i32(6 + 2 + 12) + u16(2) + f32(1) + f32(2) + f32(3);
  const std::string faces = faceList({{0, 1, 0}});
  ASSERT_FALSE(load(oneObject("A", shortList + faces)).error);
  const auto& singles = callsTo("Add_Vertices")[0]->args[0].singles;
  ASSERT_EQ(singles.size(), 6u);
  float expected[3];
  std::memcpy(expected, faces.data(), 12);
  EXPECT_EQ(std::memcmp(&singles[3], &expected[0], 4), 0);
  EXPECT_EQ(std::memcmp(&singles[4], &expected[2], 4), 0);
  EXPECT_EQ(callsTo("Add_Poligons").size(), 1u);
}

// Files whose first object must get exactly these calls to one member (all calls when
// the member is empty) and this many polygon lists.
TEST_F(Meshes, ChunksGiveTheirCallsToTheFirstObject) {
  const std::string faces = faceList({{0, 0, 0}});
  const std::string inner = faceMaterial("Inner", {});
  const struct {
    const char* what;
    std::string file;
    const char* member;
    std::vector<std::string> lines;
    size_t polygonCalls;
  } cases[] = {
      {"empty_lists_make_no_calls_and_face_sub_chunks_are_read",
       oneObject("A", vertexList({}) + faceList({}, faceMaterial("Red", {}))),
       "",
       {"Name put (String \"A\")", "DefaultColor put (Long 12615680)",
        "MaterialKey put (String \"Red\")"},
       0},
      {"each_face_material_group_sets_the_key",
       oneObject("A", faceList({{0, 0, 0}, {0, 0, 0}},
                               faceMaterial("Red", {0}) + faceMaterial("Blue", {1}))),
       "MaterialKey",
       {"MaterialKey put (String \"Red\")", "MaterialKey put (String \"Blue\")"},
       1},
      // Inside each group, after the count, stands a second group. A count of 2 skips four
      // bytes of face numbers before it; a negative count skips nothing.
      {"group_face_numbers_are_skipped_by_a_positive_count",
       oneObject("A", faceList({}, chunk(0x4130, cstr("Outer") + u16(2) + u16(0) + u16(1) + inner) +
                                       chunk(0x4130, cstr("Neg") + u16(0x8000) + inner))),
       "MaterialKey",
       {"MaterialKey put (String \"Outer\")", "MaterialKey put (String \"Inner\")",
        "MaterialKey put (String \"Neg\")", "MaterialKey put (String \"Inner\")"},
       0},
      {"tri_smooth_ends_where_its_length_says",
       oneObject("A",
                 faceList({}, chunk(0x4150, std::string(40, '\x30')) + faceMaterial("After", {}))),
       "MaterialKey",
       {"MaterialKey put (String \"After\")"},
       0},
      // The hidden flag: the byte after the header sets Visible, the walk goes on at the
      // chunk's end. With length 6 the byte is the first of the next chunk (0x4120 starts
      // with 0x20; an unknown 0x7700 chunk with 0x00).
      {"hidden_zero_byte",
       oneObject("A", chunk(0x4010, u8(0)) + faces),
       "Visible",
       {"Visible put (Boolean False)"},
       1},
      {"hidden_nonzero_byte",
       oneObject("A", chunk(0x4010, u8(2)) + faces),
       "Visible",
       {"Visible put (Boolean True)"},
       1},
      {"hidden_long_chunk",
       oneObject("A", chunk(0x4010, u8(1) + "padding") + faces),
       "Visible",
       {"Visible put (Boolean True)"},
       1},
      {"hidden_header_only_before_faces",
       oneObject("A", chunkWithLength(0x4010, 6) + faces),
       "Visible",
       {"Visible put (Boolean True)"},
       1},
      {"hidden_header_only_before_zero_byte",
       oneObject("A", chunkWithLength(0x4010, 6) + chunk(0x7700, "") + faces),
       "Visible",
       {"Visible put (Boolean False)"},
       1},
      {"hidden_chunk_beside_the_mesh_is_passed_over",
       file3ds(editor(namedObject("A", chunk(0x4010, u8(0)) + triMesh(vertexList({{0, 0, 0}}))))),
       "Visible",
       {},
       0},
      // The object colour chunk is 14 bytes long; after its one byte comes a hidden chunk
      // that the mesh level reads as its next sub-chunk.
      {"object_colour_takes_one_byte_whatever_its_length",
       oneObject("A", chunk(0x4165, u8(5) + chunk(0x4010, u8(0))) + faces),
       "Visible",
       {"Visible put (Boolean False)"},
       1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    recorder.clearRecords();
    const Outcome out = load(c.file);
    ASSERT_FALSE(out.error) << out.description();
    EXPECT_EQ(callsOn("object#", c.member), c.lines);
    EXPECT_EQ(callsTo("Add_Poligons").size(), c.polygonCalls);
  }
}

// The origin is the first object's last translation, y and z exchanged (0 on a new
// importer); Load does not reset it, so a first object without matrix keeps the last one.
TEST_F(Meshes, PositionIsTheFirstObjectsLastTranslation) {
  const struct {
    std::string file;
    std::vector<float> position;
  } steps[] = {
      {file3ds(editor(triangleObject("A") + triangleObject("B", matrix({1, 2, 3})))), {0, 0, 0}},
      {file3ds(editor(triangleObject("A", matrix({10, 20, 30})) +
                      triangleObject("B", matrix({7, 8, 9})))),
       {10, 30, 20}},
      {oneObject("A", matrix({1, 2, 3}) + matrix({4, 5, 6})), {4, 6, 5}},
      {oneObject("A", ""), {4, 6, 5}},
  };
  for (const auto& step : steps) {
    ASSERT_FALSE(load(step.file).error);
    float x = -1, y = -1, z = -1;
    importer.Get_Position(x, y, z);
    EXPECT_EQ(std::vector<float>({x, y, z}), step.position);
  }
}

TEST_F(Meshes, ObjectNamesAreKeptEvenWhenEmptyOrRepeated) {
  const Outcome out = load(file3ds(editor(
      triangleObject("Twin") + triangleObject("Twin") + triangleObject("") +
      namedObject("Two", triMesh("") + triMesh("")) + namedObject("Light", chunk(0x4600, "")))));
  ASSERT_FALSE(out.error) << out.description();
  std::vector<std::string> names;
  for (const auto* call : callsTo("Name")) names.push_back(call->args.back().value);
  EXPECT_EQ(names,
            (std::vector<std::string>{"\"Twin\"", "\"Twin\"", "\"Object\"", "\"Two\"", "\"Two\""}));
  EXPECT_EQ(out.objects->Count(), 5);
}

struct HostFailureCase {
  const char* member;
  std::string description;
};

void PrintTo(const HostFailureCase& c, std::ostream* os) { *os << c.member; }

class HostFailure : public Meshes, public ::testing::WithParamInterface<HostFailureCase> {};

TEST_P(HostFailure, EndsTheImportWithTheReadersPrefix) {
  recorder.failCall({"object", GetParam().member, 0, err::kInvalidCall, "refused by host"});
  const Outcome out = load(
      file3ds(editor(material(materialName("Kept")) +
                     namedObject("A", triMesh(vertexList({{0, 0, 0}}) + chunk(0x4010, u8(1)) +
                                              faceList({{0, 0, 0}}, faceMaterial("Kept", {0})))) +
                     triangleObject("B"))));
  EXPECT_EQ(out.number(), err::k3DS);
  EXPECT_EQ(out.description(), GetParam().description);
  EXPECT_EQ(out.objects, nullptr);
  ASSERT_NE(out.materials, nullptr);
  EXPECT_EQ(out.materials->Count(), 1);
  EXPECT_TRUE(linesOf("object#2").empty()) << "read on after the failure";
}

INSTANTIATE_TEST_SUITE_P(
    Texts, HostFailure,
    ::testing::Values(HostFailureCase{"Add_Vertices", "(VERTICES) refused by host"},
                      HostFailureCase{"Add_Poligons", "(FACE LIST) refused by host"},
                      HostFailureCase{"Name", "(ADD OBJECT) refused by host"},
                      HostFailureCase{"DefaultColor", "(ADD OBJECT) refused by host"},
                      HostFailureCase{"Visible", "(OBJECT HIDDEN) refused by host"},
                      HostFailureCase{"MaterialKey", "() refused by host"}),
    [](const auto& info) { return std::string(info.param.member); });

TEST_F(Meshes, FailedObjectCreationReportsTheClassError) {
  unregisterClass(host::kObjectProgId);
  const Outcome out = load(oneObject("A", ""));
  EXPECT_EQ(out.number(), err::k3DS);
  EXPECT_TRUE(out.description().starts_with("(ADD OBJECT) ")) << out.description();
}

}  // namespace
}  // namespace vlm::test3ds
