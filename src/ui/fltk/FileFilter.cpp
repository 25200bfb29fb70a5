#include "ui/fltk/FileFilter.h"

#include <vector>

namespace vlm::ui {

namespace {

bool isAsciiLetter(char c) noexcept { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

char lower(char c) noexcept {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
char upper(char c) noexcept {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// One pattern, its letters made case-blind; bracket sets and escapes copied unchanged.
void appendCaseBlind(std::string& out, std::string_view pattern) {
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '\\') {  // with the character it escapes, if any
      out += pattern.substr(i, 2);
      ++i;
    } else if (c == '[') {
      const size_t close = pattern.find(']', i + 1);
      const size_t end = close == std::string_view::npos ? pattern.size() : close + 1;
      out += pattern.substr(i, end - i);
      i = end - 1;
    } else if (isAsciiLetter(c)) {
      out += '[';
      out += lower(c);
      out += upper(c);
      out += ']';
    } else {
      out += c;
    }
  }
}

std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (;;) {
    const size_t at = text.find(separator, start);
    parts.push_back(text.substr(start, at == std::string_view::npos ? at : at - start));
    if (at == std::string_view::npos) return parts;
    start = at + 1;
  }
}

std::string_view trimmed(std::string_view s) noexcept {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

void appendDescription(std::string& out, std::string_view description) {
  for (char c : description) out += (c == '\t' || c == '\n' || c == '\r') ? ' ' : c;
}

}  // namespace

std::string caseInsensitivePattern(std::string_view patterns) {
  std::vector<std::string_view> list;
  for (std::string_view p : split(patterns, ';')) {
    if (!trimmed(p).empty()) list.push_back(trimmed(p));
  }
  std::string out;
  if (list.size() == 1) {
    appendCaseBlind(out, list.front());
    return out;
  }
  if (list.empty()) return out;
  out += '{';
  for (size_t i = 0; i < list.size(); ++i) {
    if (i > 0) out += '|';
    appendCaseBlind(out, list[i]);
  }
  out += '}';
  return out;
}

std::string fltkFilter(std::string_view filter) {
  if (filter.empty()) return {};
  const std::vector<std::string_view> parts = split(filter, '|');
  std::string out;
  for (size_t i = 0; i < parts.size(); i += 2) {
    const std::string_view description = parts[i];
    const std::string_view pattern = i + 1 < parts.size() ? parts[i + 1] : description;
    if (!out.empty()) out += '\n';
    appendDescription(out, description);
    out += '\t';
    out += caseInsensitivePattern(pattern);
  }
  return out;
}

}  // namespace vlm::ui
