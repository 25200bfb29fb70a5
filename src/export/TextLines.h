// Text that goes into a comment line of an exported file.
#pragma once

#include <string>
#include <string_view>

namespace vlm::exporter {

// `text` kept on one line (control characters become blanks), or "an unnamed scene".
inline std::string commentText(std::string_view text) {
  if (text.empty()) return "an unnamed scene";
  std::string line(text);
  for (char& c : line) c = (static_cast<unsigned char>(c) < ' ' || c == 0x7F) ? ' ' : c;
  return line;
}

}  // namespace vlm::exporter
