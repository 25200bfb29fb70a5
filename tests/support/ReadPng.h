// Reads a PNG file back as 8-bit RGB through libpng; an empty picture when it cannot.
#pragma once

#include <png.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace vlm::test {

struct RgbPicture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // 3 bytes per pixel, rows from the top
};

inline RgbPicture readPng(const std::string& path) {
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&png, path.c_str()) == 0) return {};
  png.format = PNG_FORMAT_RGB;
  RgbPicture picture{static_cast<int>(png.width), static_cast<int>(png.height), {}};
  picture.rgb.resize(PNG_IMAGE_SIZE(png));
  if (png_image_finish_read(&png, nullptr, picture.rgb.data(), 0, nullptr) == 0) return {};
  return picture;
}

}  // namespace vlm::test
