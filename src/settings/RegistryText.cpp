#include "settings/RegistryText.h"

#include <array>
#include <charconv>
#include <optional>

#include "settings/RegistryRoot.h"
#include "settings/TextEscape.h"

namespace vlm {

namespace {

struct KindTag {
  VarType type;
  std::string_view tag;
};

constexpr std::array<KindTag, 6> kKindTags = {{
    {VarType::Integer, "int16"},
    {VarType::Long, "int32"},
    {VarType::Single, "single"},
    {VarType::Double, "double"},
    {VarType::Boolean, "bool"},
    {VarType::String, "text"},
}};

constexpr std::string_view kHeaderComment =
    "; Settings of RegServer.RegFun: [root\\key], then name=kind:value; bytes escaped as %XX\n";

// The whole of `text` as a number of type T, or nothing.
template <class T>
std::optional<T> wholeNumber(std::string_view text) {
  T value{};
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value);
  if (result.ec != std::errc() || result.ptr != end) return std::nullopt;
  return value;
}

std::optional<VarType> kindOfTag(std::string_view tag) noexcept {
  for (const KindTag& entry : kKindTags) {
    if (entry.tag == tag) return entry.type;
  }
  return std::nullopt;
}

std::optional<Variant> parseValue(std::string_view tag, std::string_view body,
                                  std::string& scratch) {
  const std::optional<VarType> kind = kindOfTag(tag);
  if (!kind) return std::nullopt;
  switch (*kind) {
    case VarType::Integer:
      if (auto v = wholeNumber<int16_t>(body)) return Variant(*v);
      break;
    case VarType::Long:
      if (auto v = wholeNumber<int32_t>(body)) return Variant(*v);
      break;
    case VarType::Single:
      if (auto v = wholeNumber<float>(body)) return Variant(*v);
      break;
    case VarType::Double:
      if (auto v = wholeNumber<double>(body)) return Variant(*v);
      break;
    case VarType::Boolean:
      if (body == "true" || body == "false") return Variant(body == "true");
      break;
    case VarType::String:
      if (unescapeInto(body, scratch)) return Variant(scratch);
      break;
    default: break;
  }
  return std::nullopt;
}

class Parser {
 public:
  explicit Parser(RegistryData& data) : data_(data) {}

  void line(std::string_view text) {
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    if (text.empty() || text.front() == ';' || text.front() == '#') return;
    if (text.front() == '[') {
      section(text);
    } else if (values_) {
      value(text);
    }
  }

 private:
  void section(std::string_view text) {
    values_ = nullptr;
    if (text.size() < 2 || text.back() != ']') return;
    if (!unescapeInto(text.substr(1, text.size() - 2), name_)) return;
    if (isRegistryKeyName(name_)) values_ = &data_.key(name_);
  }

  void value(std::string_view text) {
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos) return;
    const std::string_view rest = text.substr(equals + 1);
    const size_t colon = rest.find(':');
    if (colon == std::string_view::npos) return;
    if (!unescapeInto(text.substr(0, equals), name_)) return;
    std::optional<Variant> parsed =
        parseValue(rest.substr(0, colon), rest.substr(colon + 1), text_);
    if (!parsed) return;
    auto it = values_->find(name_);
    if (it == values_->end()) {
      values_->emplace(name_, std::move(*parsed));
    } else {
      it->second = std::move(*parsed);  // a repeated name: the last one holds
    }
  }

  RegistryData& data_;
  RegistryValues* values_ = nullptr;
  std::string name_;
  std::string text_;
};

std::string_view kindTag(VarType type) noexcept {
  for (const KindTag& entry : kKindTags) {
    if (entry.type == type) return entry.tag;
  }
  return {};
}

template <class T>
void appendNumber(std::string& out, T value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

void appendValue(std::string& out, const Variant& value) {
  out += kindTag(value.type());
  out += ':';
  switch (value.type()) {
    case VarType::Integer: appendNumber(out, value.get<int16_t>()); break;
    case VarType::Long: appendNumber(out, value.get<int32_t>()); break;
    case VarType::Single: appendNumber(out, value.get<float>()); break;
    case VarType::Double: appendNumber(out, value.get<double>()); break;
    case VarType::Boolean: out += value.get<bool>() ? "true" : "false"; break;
    case VarType::String: appendEscaped(out, value.get<std::string>()); break;
    default: break;  // RegistryData admits no other kind
  }
}

}  // namespace

RegistryData parseRegistryText(std::string_view text) {
  RegistryData data;
  Parser parser(data);
  size_t pos = 0;
  for (;;) {
    const size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) break;  // an unterminated last line is skipped
    parser.line(text.substr(pos, end - pos));
    pos = end + 1;
  }
  return data;
}

std::string formatRegistryText(const RegistryData& data) {
  std::string out(kHeaderComment);
  for (const auto& [keyName, values] : data.keys()) {
    out += "\n[";
    appendEscaped(out, keyName);
    out += "]\n";
    for (const auto& [valueName, value] : values) {
      appendEscaped(out, valueName);
      out += '=';
      appendValue(out, value);
      out += '\n';
    }
  }
  return out;
}

}  // namespace vlm
