#include <charconv>
#include <stdexcept>
#include <string>

#include "preview/Preview.h"

namespace vlm::preview {

namespace {

// A whole decimal number filling all of `text`, or -1.
int wholeNumber(std::string_view text) {
  int value = -1;
  if (text.empty() || text.size() > 9) return -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 0) return -1;
  return value;
}

}  // namespace

ImageSize parseImageSize(std::string_view text) {
  const size_t x = text.find_first_of("xX");
  // Built by appending: GCC 12 at -O3 takes a chain of + on strings for an overlap.
  std::string quoted = "'";
  quoted.append(text).append("'");
  if (x == std::string_view::npos) {
    throw std::invalid_argument(quoted + " is not WIDTHxHEIGHT (for example 1024x768)");
  }
  const ImageSize size{wholeNumber(text.substr(0, x)), wholeNumber(text.substr(x + 1))};
  if (size.width < 0 || size.height < 0) {
    throw std::invalid_argument(quoted + " is not WIDTHxHEIGHT (for example 1024x768)");
  }
  if (size.width < kMinImageSide || size.width > kMaxImageSide || size.height < kMinImageSide ||
      size.height > kMaxImageSide) {
    std::string reason = "image size ";
    reason.append(quoted).append(" is outside ").append(std::to_string(kMinImageSide));
    reason.append("..").append(std::to_string(kMaxImageSide)).append(" pixels per side");
    throw std::invalid_argument(reason);
  }
  return size;
}

}  // namespace vlm::preview
