// 3DS materials: creation and defaults, colours and percentages with their conversions,
// the failure texts, and the materials collection kept when the import fails.
#include <bit>
#include <cmath>

#include "ChunkBuilder.h"
#include "Import3dsFixture.h"

namespace vlm::test3ds {
namespace {

using Materials = Import3ds;

// A file with one material definition holding `body`.
std::string oneMaterial(std::string_view body) { return file3ds(editor(material(body))); }
// A material "M" holding one chunk.
std::string withM(uint16_t id, std::string_view data) {
  return material(materialName("M") + chunk(id, data));
}

// Files whose materials must give exactly these calls to one member (all calls when the
// member is empty) of the first material.
TEST_F(Materials, ChunksGiveTheirCallsToTheFirstMaterial) {
  const struct {
    const char* what;
    std::string editorBody;
    const char* member;
    std::vector<std::string> lines;
  } cases[] = {
      {"name_type_and_spec_coeff_in_that_order",
       material(materialName("Steel")),
       "",
       {"Name put (String \"Steel\")", "MaterialType put (Integer 4)",
        "SpecCoeff put (Double 0.2)"}},
      {"empty_name_becomes_material",
       material(materialName("")),
       "Name",
       {"Name put (String \"Material\")"}},
      // A colour chunk whose length also covers an ambient chunk: that chunk is read next.
      {"colour_chunk_ends_after_its_sub_chunk",
       material(materialName("M") +
                chunk(0xA020, byteColor(1, 2, 3) + chunk(0xA010, byteColor(4, 5, 6)))),
       "AmbientColor",
       {"AmbientColor put (Long 394500)"}},
      {"later_spec_coeff_wins",
       material(materialName("M") + chunk(0xA041, intPercent(10)) + chunk(0xA042, intPercent(90))),
       "SpecCoeff",
       {"SpecCoeff put (Double 0.2)", "SpecCoeff put (Single 0.1)", "SpecCoeff put (Single 0.9)"}},
      {"chunks_of_a_nameless_material_go_to_the_previous",
       material(materialName("First")) + material(chunk(0xA020, byteColor(1, 2, 3))),
       "Color",
       {"Color put (Long 197121)"}},
      // Percentages: integers are hundredths, floats fractions as they are.
      {"int_shininess",
       withM(0xA040, intPercent(50)),
       "Smoothness",
       {"Smoothness put (Single 0.5)"}},
      {"float_shininess",
       withM(0xA040, floatPercent(0.5f)),
       "Smoothness",
       {"Smoothness put (Single 0.5)"}},
      {"float_is_not_divided",
       withM(0xA040, floatPercent(50)),
       "Smoothness",
       {"Smoothness put (Single 50)"}},
      {"negative_int",
       withM(0xA040, intPercent(-20)),
       "Smoothness",
       {"Smoothness put (Single -0.2)"}},
      {"transparency_int",
       withM(0xA050, intPercent(25)),
       "OpacityValue",
       {"OpacityValue put (Single 0.75)"}},
      {"transparency_float",
       withM(0xA050, floatPercent(0.25f)),
       "OpacityValue",
       {"OpacityValue put (Single 0.75)"}},
      {"spec_coeff_a041",
       withM(0xA041, intPercent(30)),
       "SpecCoeff",
       {"SpecCoeff put (Double 0.2)", "SpecCoeff put (Single 0.3)"}},
      {"spec_coeff_a042",
       withM(0xA042, floatPercent(0.7f)),
       "SpecCoeff",
       {"SpecCoeff put (Double 0.2)", "SpecCoeff put (Single 0.7)"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    recorder.clearRecords();
    const Outcome out = load(file3ds(editor(c.editorBody)));
    ASSERT_FALSE(out.error) << out.description();
    EXPECT_EQ(callsOn("material#", c.member), c.lines);
    EXPECT_EQ(out.materials->Count(), 1);
  }
}

TEST_F(Materials, TwoMaterialsOfTheSameNameAreBothKept) {
  const Outcome out =
      load(file3ds(editor(material(materialName("Red")) + material(materialName("Red")))));
  ASSERT_FALSE(out.error) << out.description();
  EXPECT_EQ(out.materials->Count(), 2);
  EXPECT_NE(out.materials->Item(1), out.materials->Item(2));
}

struct ColorCase {
  const char* what;
  std::string content;  // the colour chunk's data
  int32_t color;
};

void PrintTo(const ColorCase& c, std::ostream* os) { *os << c.what; }

class ColorChunk : public Materials,
                   public ::testing::WithParamInterface<std::tuple<ColorCase, uint16_t>> {};

TEST_P(ColorChunk, GivesTheColourNumberToItsProperty) {
  const auto& [c, id] = GetParam();
  const char* property = id == 0xA010 ? "AmbientColor" : id == 0xA020 ? "Color" : "SpecularColor";
  const Outcome out = load(oneMaterial(materialName("M") + chunk(id, c.content)));
  ASSERT_FALSE(out.error) << out.description();
  EXPECT_EQ(linesOf("material#1", property),
            std::vector<std::string>{std::string("material#1.") + property + " put (Long " +
                                     std::to_string(c.color) + ")"});
}

const ColorCase kColorCases[] = {
    {"byte", byteColor(10, 20, 30), 1971210},
    {"second_byte_colour_replaces_the_first", byteColor(10, 20, 30) + byteColor(40, 50, 60, 0x0012),
     3945000},
    {"single_half_rounds_to_even", singleColor(0.5f, 1.0f, 0.0f), 128 + 256 * 255},
    {"single_halves_below_round_to_even",
     singleColor(std::bit_cast<float>(0x3c20a0a1u), std::bit_cast<float>(0x3bc0c0c1u), 1.0f),
     2 + 256 * 2 + 65536 * 255},
    {"tiny_negative_rounds_to_zero", singleColor(-0.001f, 0.0f, 0.0f), 0},
    {"single_then_second_byte_colour", singleColor(1, 1, 1) + byteColor(1, 2, 3, 0x0012), 197121},
    {"second_single_colour_is_passed_over", byteColor(10, 20, 30) + singleColor(1, 1, 1), 1971210},
};

INSTANTIATE_TEST_SUITE_P(Colours, ColorChunk,
                         ::testing::Combine(::testing::ValuesIn(kColorCases),
                                            ::testing::Values(uint16_t{0xA010}, uint16_t{0xA020},
                                                              uint16_t{0xA030})),
                         [](const auto& info) {
                           const uint16_t id = std::get<1>(info.param);
                           return std::string(std::get<0>(info.param).what) +
                                  (id == 0xA010   ? "_ambient"
                                   : id == 0xA020 ? "_diffuse"
                                                  : "_specular");
                         });

struct FailureCase {
  const char* what;
  std::string body;  // of the second material definition
  std::string description;
  int materials;  // in the collection afterwards
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.what; }

class MaterialFailure : public Materials, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(MaterialFailure, EndsTheImportWithItsTraceAndKeepsTheMaterials) {
  const FailureCase& c = GetParam();
  const Outcome out = load(file3ds(editor(triangleObject("A") + material(materialName("Ok")) +
                                          material(c.body) + triangleObject("B"))));
  EXPECT_EQ(out.number(), err::k3DS);
  EXPECT_EQ(out.description(), c.description);
  EXPECT_EQ(out.objects, nullptr);
  ASSERT_NE(out.materials, nullptr);
  EXPECT_EQ(out.materials->Count(), c.materials);
  EXPECT_EQ(recorder.records().back().line().find("object#2"), std::string::npos)
      << "read on after the failure";
}

const float kNaN = std::nanf("");

INSTANTIATE_TEST_SUITE_P(
    Texts, MaterialFailure,
    ::testing::Values(FailureCase{"diffuse_holding_a_percentage",
                                  materialName("M") + chunk(0xA020, intPercent(5)),
                                  "(MAT DIFFUSE) (BYTE COLOR CHUNK) ", 2},
                      FailureCase{"ambient_holding_nothing", materialName("M") + chunk(0xA010, ""),
                                  "(MAT AMBIENT) (BYTE COLOR CHUNK) ", 2},
                      FailureCase{"specular_holding_junk",
                                  materialName("M") + chunk(0xA030, chunk(0x7777, "")),
                                  "(MAT SPECULAR) (BYTE COLOR CHUNK) ", 2},
                      FailureCase{"ambient_component_two",
                                  materialName("M") + chunk(0xA010, singleColor(0, 2, 0)),
                                  "(MAT AMBIENT) (SINGLE COLOR CHUNK) Overflow", 2},
                      FailureCase{"diffuse_component_negative",
                                  materialName("M") + chunk(0xA020, singleColor(-0.01f, 0, 0)),
                                  "(MAT DIFFUSE) (SINGLE COLOR CHUNK) Overflow", 2},
                      FailureCase{"specular_component_nan",
                                  materialName("M") + chunk(0xA030, singleColor(0, 0, kNaN)),
                                  "(MAT SPECULAR) (SINGLE COLOR CHUNK) Overflow", 2},
                      FailureCase{"transparency_holding_a_colour",
                                  materialName("M") + chunk(0xA050, byteColor(1, 2, 3)),
                                  "(MAT TRANSPARENCY) (PERCENTAGE CHUNK) ", 2},
                      FailureCase{"shininess_holding_junk", materialName("M") + chunk(0xA040, ""),
                                  "(MAT SHINESS) (PERCENTAGE CHUNK) ", 2},
                      FailureCase{"spec_coeff_holding_junk",
                                  materialName("M") + chunk(0xA042, byteColor(0, 0, 0)),
                                  "(MAT SPECULAR) (PERCENTAGE CHUNK) ", 2}),
    [](const auto& info) { return std::string(info.param.what); });

class NoMaterialYet : public Materials, public ::testing::WithParamInterface<std::string> {};

TEST_P(NoMaterialYet, ValueBeforeAnyNameFailsWithTheCollectionsDescription) {
  const Outcome out = load(oneMaterial(GetParam() + materialName("Late")));
  EXPECT_EQ(out.number(), err::k3DS);
  EXPECT_EQ(out.description(), "() Subscript out of range");
  ASSERT_NE(out.materials, nullptr);
  EXPECT_EQ(out.materials->Count(), 0);
}

INSTANTIATE_TEST_SUITE_P(Chunks, NoMaterialYet,
                         ::testing::Values(chunk(0xA020, byteColor(1, 2, 3)),
                                           chunk(0xA040, intPercent(5)),
                                           chunk(0xA050, floatPercent(0.5f))));

TEST_F(Materials, HostRefusingTheNameFailsWithAddMaterial) {
  recorder.failCall({"material", "Name", 0, err::kInvalidCall, "Name refused"});
  const Outcome out = load(oneMaterial(materialName("M")));
  EXPECT_EQ(out.number(), err::k3DS);
  EXPECT_EQ(out.description(), "(ADD MATERIAL) Name refused");
}

TEST_F(Materials, HostRefusingAColourIsTrappedWithTheClearedTrace) {
  recorder.failCall({"material", "Color", 0, err::kInvalidCall, "Colour refused"});
  const Outcome out = load(oneMaterial(materialName("M") + chunk(0xA020, byteColor(1, 2, 3))));
  EXPECT_EQ(out.description(), "() Colour refused");
  EXPECT_EQ(out.materials->Count(), 1);
}

}  // namespace
}  // namespace vlm::test3ds
