// The PLY header: the magic line, format words, elements and property lines, and the three
// messages that refuse a file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "PlyTestSupport.h"

namespace vlm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr const char* kFormatError = "File format error!";
constexpr const char* kRangeGrid = "Range Grid not supported!";
constexpr const char* kNotSupported = "File format not supported!";

// A small ascii body: one triangle.
const std::string kTriangleBody = "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
const std::initializer_list<std::string_view> kTriangleElements = {
    "element vertex 3", "property float x", "property float y", "property float z",
    "element face 1", "property list uchar int vertex_indices"};

std::string asciiFile(std::initializer_list<std::string_view> lines,
                      const std::string& body = kTriangleBody) {
  return plyHeader(lines) + body;
}

TEST_F(PlyImport, MagicLineMustBeExactlyPly) {
  const std::string rest = "format ascii 1.0\nelement vertex 0\nelement face 0\nend_header\n";
  struct Case {
    std::string first;
    bool accepted;
  } cases[] = {{"ply\n", true},   {"ply\r\n", true}, {"\n\nply\n", true}, {"ply \n", false},
               {" ply\n", false}, {"PLY\n", false},  {"plyx\n", false},   {"", false}};
  for (const auto& c : cases) {
    load(c.first + (c.first.empty() ? "" : rest));
    EXPECT_EQ(objectCount(), c.accepted ? 1 : 0) << '"' << c.first << '"';
    EXPECT_EQ(messages().empty(), c.accepted) << '"' << c.first << '"';
    if (!c.accepted) expectRefused(kFormatError);
  }
}

TEST_F(PlyImport, RefusalIsAPlainMessageBoxWithTheDefaultTitle) {
  load("solid cube\n");
  ASSERT_EQ(toolkit.messages().size(), 1u);
  const ui::MessageRecord& m = toolkit.messages()[0];
  EXPECT_EQ(m.text, kFormatError);
  EXPECT_EQ(m.icon, ui::MsgIcon::None);
  EXPECT_EQ(m.buttons, ui::MsgButtons::Ok);
  EXPECT_EQ(m.title, "VLMImport") << "the default title is the component's name";
  EXPECT_THAT(recorder.records(), IsEmpty()) << "a refused file makes no host call";
}

TEST_F(PlyImport, HeaderThatEndsBeforeEndHeaderIsAFormatError) {
  for (const std::string& text :
       {std::string("ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\n"),
        std::string("ply\nformat ascii 1.0\nelement face 0\nproperty list uchar int v"),
        std::string("ply\nformat ascii 1.0\ncomment no end\n"), std::string("ply")}) {
    load(text);
    expectRefused(kFormatError);
  }
}

TEST_F(PlyImport, FormatWordDecidesWhetherTheFileIsSupported) {
  struct Case {
    const char* line;
    bool accepted;
  } cases[] = {{"format ascii 1.0", true},
               {"format ascii", true},
               {"format binary_little_endian", true},
               {"format binary_big_endian 1.0", true},
               {"format  ascii   1.0", true},
               {"format binary", false},
               {"format Ascii 1.0", false},
               {"format", false},
               {"comment format ascii", false}};
  for (const auto& c : cases) {
    load(plyHeader({c.line, "element vertex 0", "element face 0", "end_header"}));
    EXPECT_EQ(objectCount(), c.accepted ? 1 : 0) << c.line;
    if (!c.accepted) expectRefused(kNotSupported);
  }
}

TEST_F(PlyImport, RangeGridIsRefusedWhereverItStands) {
  const std::vector<std::vector<std::string_view>> headers = {
      {"format ascii 1.0", "element range_grid 4", "property uchar num_pts"},
      {"format ascii 1.0", "element vertex 3", "property float x", "element face 1",
       "property list uchar int vertex_indices", "element range_grid 4", "end_header"},
      {"element range_grid 1", "format ascii 1.0", "element vertex 3", "end_header"}};
  for (const auto& h : headers) {
    std::string text = "ply\n";
    for (auto l : h) (text += l) += "\n";
    load(text + kTriangleBody);
    expectRefused(kRangeGrid);
  }
}

TEST_F(PlyImport, HeaderWithoutPolygonElementIsNotSupported) {
  load(asciiFile({"format ascii 1.0", "element vertex 3", "property float x",
                  "property float y", "property float z", "end_header"}));
  expectRefused(kNotSupported);
}

TEST_F(PlyImport, CommentsAndObjInfoHaveNoEffect) {
  load(asciiFile({"format ascii 1.0", "comment made by hand", "element vertex 3",
                  "property float x", "obj_info scanner 7", "property float y",
                  "comment between properties", "property float z", "comment x",
                  "element face 1", "obj_info y", "property list uchar int vertex_indices",
                  "comment last", "end_header"}));
  EXPECT_THAT(messages(), IsEmpty());
  EXPECT_THAT(vertices(), ElementsAre(0, 0, 0, 10, 0, 0, 0, 10, 0));
  EXPECT_THAT(polygons(), ElementsAre(3, 0, 1, 2));
}

struct PropertyCase {
  const char* what;
  std::vector<std::string_view> vertexProps;
  std::vector<std::string_view> faceProps;
};

class UnsupportedProperty : public PlyImport,
                            public ::testing::WithParamInterface<PropertyCase> {};

// A type the reader could not size, or a list among the vertex properties, would misplace
// every later value: such files are refused, in either encoding.
TEST_P(UnsupportedProperty, IsRefusedAsNotSupported) {
  for (const char* format : {"format ascii 1.0", "format binary_little_endian 1.0"}) {
    std::string text = "ply\n" + std::string(format) + "\nelement vertex 1\n";
    for (auto p : GetParam().vertexProps) (text += p) += "\n";
    text += "element face 0\n";
    for (auto p : GetParam().faceProps) (text += p) += "\n";
    load(text + "end_header\n");
    expectRefused(kNotSupported);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Words, UnsupportedProperty,
    ::testing::Values(
        PropertyCase{"int64_vertex", {"property float x", "property int64 id"}, {}},
        PropertyCase{"uint64_vertex", {"property uint64 x"}, {}},
        PropertyCase{"empty_type", {"property"}, {}},
        PropertyCase{"list_in_vertex", {"property float x", "property list uchar int n"}, {}},
        PropertyCase{"float_count", {"property float x"}, {"property list float int v"}},
        PropertyCase{"int64_items", {"property float x"}, {"property list uchar int64 v"}},
        PropertyCase{"list_items", {"property float x"}, {"property list uchar list v"}},
        PropertyCase{"face_scalar_int64", {"property float x"},
                     {"property list uchar int v", "property int64 flags"}}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(PlyImport, SecondVertexOrPolygonElementIsNotSupported) {
  for (const char* second : {"element vertex 1", "element face 1", "element tristrips 1"}) {
    load(asciiFile({"format ascii 1.0", "element vertex 3", "element face 1", second,
                    "end_header"}));
    expectRefused(kNotSupported);
  }
}

TEST_F(PlyImport, VertexCountThatIsNotANumberFailsAndClosesTheFile) {
  EXPECT_EQ(loadError(asciiFile({"format ascii 1.0", "element vertex many", "element face 0",
                                 "end_header"})),
            err::kTypeMismatch);
  EXPECT_EQ(objectCount(), 0);
  EXPECT_EQ(fileTable().find(1), nullptr);
  EXPECT_EQ(loadError(asciiFile({"format ascii 1.0", "element vertex 3", "element face",
                                 "end_header"})),
            err::kTypeMismatch);
}

TEST_F(PlyImport, StopDuringTheHeaderIsAFormatError) {
  dialog.stopAt(2);
  load(asciiFile({"format ascii 1.0", "element vertex 3", "property float x", "element face 1",
                  "end_header"}));
  expectRefused(kFormatError);
}

TEST_F(PlyImport, HeaderProgressFollowsEveryLineAndTheHeldLine) {
  // CharsRead after "ply" 4, "format ascii 1.0" 21, "element vertex 0" 38, "property float
  // x" 55, "element face 0" 70, "end_header" 81. Property lines are reported as they are
  // read; an element line after its properties; the line that ended a property block once
  // where it was read and once more in its own pass.
  load("ply\nformat ascii 1.0\nelement vertex 0\nproperty float x\nelement face 0\nend_header\n");
  EXPECT_THAT(dialog.progress, ElementsAre(21.f, 55.f, 70.f, 70.f, 81.f, 81.f, 81.f));
}

TEST_F(PlyImport, ObjectIsNamedAfterTheFileWithBlanksAsUnderscores) {
  load(asciiFile({"format ascii 1.0", "element vertex 0", "element face 0", "end_header"}, ""),
       "my scan 2.ply");
  EXPECT_THAT(lines(), ElementsAre("object#1.Get_Surface call (Integer 0)",
                                   "object#1.Name put (String \"my_scan_2\")"));
  EXPECT_EQ(objectCount(), 1);
}

}  // namespace
}  // namespace vlm::test
