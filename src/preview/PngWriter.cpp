// writePng: libpng's simplified API compresses into memory; the bytes then go to disk
// through a file that is renamed into place only when complete.
#include <png.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "geometry/OutputFile.h"
#include "preview/Preview.h"

namespace vlm::preview {

void writePng(const Image& image, const std::string& path) {
  const size_t expected = 3 * static_cast<size_t>(std::max(image.width, 0)) *
                          static_cast<size_t>(std::max(image.height, 0));
  if (image.width <= 0 || image.height <= 0 || image.rgb.size() != expected) {
    geometry::throwCannotWrite(path, "the picture has no pixels or the wrong number of them");
  }
  geometry::OutputFile out(path);

  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.width);
  png.height = static_cast<png_uint_32>(image.height);
  png.format = PNG_FORMAT_RGB;
  // Room for the worst case, left untouched until libpng writes into it.
  png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(png);
  const std::unique_ptr<uint8_t[]> encoded(new uint8_t[size]);
  if (png_image_write_to_memory(&png, encoded.get(), &size, 0, image.rgb.data(), 0, nullptr) == 0) {
    const std::string reason = png.message;
    png_image_free(&png);
    geometry::throwCannotWrite(path, "PNG encoding failed: " + reason);
  }
  out.write({reinterpret_cast<const char*>(encoded.get()), size});
  out.commit();
}

}  // namespace vlm::preview
