#include "settings/TextEscape.h"

#include <cstdint>

namespace vlm {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

uint8_t byteAt(std::string_view text, size_t pos) noexcept {
  return static_cast<uint8_t>(text[pos]);
}

bool needsEscape(uint8_t byte) noexcept {
  if (byte < 0x20 || byte == 0x7F) return true;
  switch (byte) {
    case '%':
    case '=':
    case '[':
    case ']':
    case ';':
    case '#': return true;
    default: return false;
  }
}

int hexValue(char c) noexcept {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

size_t utf8SequenceLength(std::string_view text, size_t pos) noexcept {
  const uint8_t lead = byteAt(text, pos);
  if (lead < 0x80) return 1;
  size_t length;
  uint32_t codePoint;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    codePoint = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    codePoint = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    codePoint = lead & 0x07u;
  } else {
    return 0;
  }
  if (text.size() - pos < length) return 0;
  for (size_t k = 1; k < length; ++k) {
    const uint8_t next = byteAt(text, pos + k);
    if ((next & 0xC0u) != 0x80u) return 0;
    codePoint = (codePoint << 6) | (next & 0x3Fu);
  }
  if (length == 3 && (codePoint < 0x800 || (codePoint >= 0xD800 && codePoint <= 0xDFFF))) return 0;
  if (length == 4 && (codePoint < 0x10000 || codePoint > 0x10FFFF)) return 0;
  return length;
}

void appendEscaped(std::string& out, std::string_view text) {
  size_t pos = 0;
  while (pos < text.size()) {
    const uint8_t byte = byteAt(text, pos);
    const size_t keep = byte >= 0x80 ? utf8SequenceLength(text, pos) : (needsEscape(byte) ? 0 : 1);
    if (keep > 0) {
      out.append(text.substr(pos, keep));
      pos += keep;
      continue;
    }
    out += '%';
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 0x0F];
    ++pos;
  }
}

bool unescapeInto(std::string_view text, std::string& out) {
  out.clear();
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t percent = text.find('%', pos);
    out.append(text.substr(pos, percent - pos));
    if (percent == std::string_view::npos) break;
    if (text.size() - percent < 3) return false;
    const int high = hexValue(text[percent + 1]);
    const int low = hexValue(text[percent + 2]);
    if (high < 0 || low < 0) return false;
    out += static_cast<char>(high * 16 + low);
    pos = percent + 3;
  }
  return true;
}

}  // namespace vlm
