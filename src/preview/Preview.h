// A picture of an imported scene: every visible object's triangles in its colour, shaded
// with its corner normals, seen from a three-quarter view that frames the whole scene,
// with a small legend (title, object and triangle counts) in the lower left corner.
//
// The software renderer needs no display. Coordinates are the host's: y up, left-handed
// (x right, z into the picture), as the importers hand them over.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "refhost/ReferenceScene.h"

namespace vlm::preview {

// The sides a picture may have, in pixels.
inline constexpr int kMinImageSide = 16;
inline constexpr int kMaxImageSide = 8192;
// The plain background, red, green, blue.
inline constexpr std::array<uint8_t, 3> kBackground = {58, 62, 70};

struct PreviewOptions {
  int width = 1024;
  int height = 768;
  std::string legendTitle;  // first legend line (a file name); none when empty
};

struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // 3 bytes per pixel, rows from the top
};

struct ImageSize {
  int width = 0;
  int height = 0;
};

// Throws std::invalid_argument when a side lies outside kMinImageSide..kMaxImageSide.
Image renderScene(const refhost::ReferenceScene& scene, const PreviewOptions& options);

// Writes `image` as an 8-bit RGB PNG, under a temporary name renamed into place when
// complete. Throws geometry::CannotWrite, a std::runtime_error "cannot write '<path>':
// <reason>".
void writePng(const Image& image, const std::string& path);

// "WIDTHxHEIGHT" ("640x480"); throws std::invalid_argument naming what is wrong.
ImageSize parseImageSize(std::string_view text);

}  // namespace vlm::preview
