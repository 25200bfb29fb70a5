// The PNG file (read back through libpng), the --size text, and the legend's text.
#include <gtest/gtest.h>

#include <tuple>

#include "preview/BitmapFont.h"
#include "preview/Legend.h"
#include "preview/Preview.h"
#include "preview/SceneBuilder.h"
#include "support/ReadPng.h"
#include "support/TempDir.h"

namespace vlm::preview {
namespace {

namespace fs = std::filesystem;
using test::readPng;
using test::TempDir;

// A picture whose every pixel differs from its neighbours.
Image gradient(int width, int height) {
  Image image{width, height, {}};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      image.rgb.insert(image.rgb.end(), {static_cast<uint8_t>(x * 7), static_cast<uint8_t>(y * 3),
                                         static_cast<uint8_t>(x ^ y)});
    }
  }
  return image;
}

TEST(WritePng, ReadsBackPixelForPixelAndReplacesAnOldFileWhole) {
  TempDir folder;
  const Image image = gradient(37, 21);
  const std::string path = folder.write("picture.png", std::string(100000, 'x'));
  writePng(image, path);
  const auto back = readPng(path);
  EXPECT_EQ(std::tie(back.width, back.height, back.rgb),
            std::tie(image.width, image.height, image.rgb));
  EXPECT_EQ(folder.names(), std::vector<std::string>{"picture.png"});  // no temporary left
}

// Each case: the path inside the test's folder, and the reason the message must give.
struct Unwritable {
  const char* what;
  const char* path;
  const char* reason;
};

class UnwritablePng : public ::testing::TestWithParam<Unwritable> {};

TEST_P(UnwritablePng, ClearErrorAndNoFileLeftBehind) {
  TempDir folder;
  fs::create_directory(folder.path() / "folder");
  std::ofstream(folder.path() / "plain") << "x";
  const std::string path = (folder.path() / GetParam().path).string();
  try {
    writePng(gradient(16, 16), path);
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), "cannot write '" + path + "': " + GetParam().reason);
  }
  EXPECT_EQ(folder.names(), (std::vector<std::string>{"folder", "plain"}));
  EXPECT_TRUE(fs::is_empty(folder.path() / "folder"));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, UnwritablePng,
    ::testing::Values(Unwritable{"missing folder", "nowhere/picture.png",
                                 "No such file or directory"},
                      Unwritable{"a folder", "folder", "Is a directory"},
                      Unwritable{"below a plain file", "plain/picture.png", "Not a directory"}),
    [](const ::testing::TestParamInfo<Unwritable>& info) { return std::to_string(info.index); });

TEST(WritePng, PictureWithWrongPixelCountIsRefused) {
  TempDir folder;
  Image image = gradient(16, 16);
  image.rgb.pop_back();
  EXPECT_THROW(writePng(image, (folder.path() / "p.png").string()), std::runtime_error);
  EXPECT_TRUE(folder.names().empty());
}

struct SizeText {
  const char* text;
  int width;  // 0: refused
  int height;
};

class ImageSizeText : public ::testing::TestWithParam<SizeText> {};

TEST_P(ImageSizeText, ParsesOrRefuses) {
  const SizeText& c = GetParam();
  if (c.width == 0) {
    EXPECT_THROW(parseImageSize(c.text), std::invalid_argument) << c.text;
  } else {
    const ImageSize size = parseImageSize(c.text);
    EXPECT_EQ(size.width, c.width);
    EXPECT_EQ(size.height, c.height);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ImageSizeText,
    ::testing::Values(SizeText{"1024x768", 1024, 768}, SizeText{"16X16", 16, 16},
                      SizeText{"8192x8192", 8192, 8192}, SizeText{"15x100", 0, 0},
                      SizeText{"100x8193", 0, 0}, SizeText{"99999999999x10", 0, 0},
                      SizeText{"abc", 0, 0}, SizeText{"100x", 0, 0}, SizeText{"x100", 0, 0},
                      SizeText{"-50x100", 0, 0}, SizeText{"+50x100", 0, 0},
                      SizeText{"10x10x10", 0, 0}, SizeText{"64 x 64", 0, 0}, SizeText{"", 0, 0}));

TEST(ImageSizeText, MessageNamesTheLimits) {
  try {
    parseImageSize("20000x10");
    FAIL();
  } catch (const std::invalid_argument& e) {
    EXPECT_EQ(std::string(e.what()), "image size '20000x10' is outside 16..8192 pixels per side");
  }
}

TEST(Legend, CountsObjectsAndTrianglesOfTheWholeScene) {
  test::SceneBuilder builder;
  builder.add("a", test::box({0, 0, 0}, {1, 1, 1}), 0);
  ObjectRef hidden = builder.add("b", test::box({0, 0, 0}, {1, 1, 1}), 0, "Obj1");
  test::putMember(hidden, "Visible", Variant(false));
  PreviewOptions options;
  options.legendTitle = "house.dxf";
  EXPECT_EQ(makeLegend(builder.scene, options).lines(),
            (std::vector<std::string>{"house.dxf", "2 objects, 24 triangles"}));
  test::SceneBuilder one;
  one.add("a", test::quad({0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}), 0);
  options.legendTitle.clear();
  EXPECT_EQ(makeLegend(one.scene, options).lines(),
            (std::vector<std::string>{"1 object, 2 triangles"}));
}

TEST(Legend, GroupsDigitsByThree) {
  EXPECT_EQ(groupedNumber(0), "0");
  EXPECT_EQ(groupedNumber(999), "999");
  EXPECT_EQ(groupedNumber(1000), "1,000");
  EXPECT_EQ(groupedNumber(2000000), "2,000,000");
  EXPECT_EQ(groupedNumber(12345678), "12,345,678");
}

TEST(Legend, LongTitleIsCutToThePictureWidth) {
  Image image{64, 64, {}};
  image.rgb.assign(64 * 64 * 3, 0);
  Legend({std::string(200, 'W')}).draw(image);
  // Nine characters fit between the 3-pixel margins: six W and "...", ending at x 56.
  int litLeft = 0, litRight = 0;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) (x < 57 ? litLeft : litRight) += image.rgb[3 * (y * 64 + x)] != 0;
  }
  EXPECT_GT(litLeft, 0);
  EXPECT_EQ(litRight, 0);
}

TEST(BitmapFont, EveryPrintableCharacterButSpaceHasPixelsAndOthersShowAsQuestionMark) {
  for (char c = '!'; c <= '~'; ++c) {
    const auto& glyph = glyphOf(c);
    EXPECT_TRUE(std::any_of(glyph.begin(), glyph.end(), [](uint8_t column) { return column != 0; }))
        << c;
  }
  EXPECT_EQ(&glyphOf('\n'), &glyphOf('?'));
  EXPECT_EQ(&glyphOf(static_cast<char>(0xE9)), &glyphOf('?'));
}

TEST(BitmapFont, TextCutAtTheLeftEdgeShowsTheGlyphsRightColumns) {
  Image image{16, 16, {}};
  image.rgb.assign(16 * 16 * 3, 0);
  drawText(image, -3, -2, "M", 1, {255, 255, 255});
  const auto& m = glyphOf('M');
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 2; ++x) {
      const bool set = (m[static_cast<size_t>(x + 3)] >> (y + 2)) & 1;
      EXPECT_EQ(image.rgb[3 * static_cast<size_t>(y * 16 + x)], set ? 255 : 0) << x << "," << y;
    }
  }
  EXPECT_EQ(image.rgb[3 * 2], 0);  // the blank column after the glyph
}

}  // namespace
}  // namespace vlm::preview
