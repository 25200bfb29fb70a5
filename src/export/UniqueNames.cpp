#include "export/UniqueNames.h"

namespace vlm::exporter {

namespace {

std::string lower(std::string text) {
  for (char& c : text) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return text;
}

std::string cleaned(std::string_view raw) {
  std::string name(raw);
  for (char& c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= ' ' || byte == 0x7F || c == '#') c = '_';
  }
  return name;
}

}  // namespace

std::string UniqueNames::take(std::string_view raw, std::string_view fallback) {
  std::string base = cleaned(raw);
  if (base.empty()) base = cleaned(fallback);
  if (lowerNames_.insert(lower(base)).second) return base;
  int& suffix = nextSuffix_.try_emplace(lower(base), 2).first->second;
  std::string name;
  do {
    name = base + "_" + std::to_string(suffix++);
  } while (!lowerNames_.insert(lower(name)).second);
  return name;
}

}  // namespace vlm::exporter
