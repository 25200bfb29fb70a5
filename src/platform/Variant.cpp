#include "platform/Variant.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>
#include <system_error>

#include "platform/Convert.h"
#include "platform/Error.h"

namespace vlm {

namespace {

// A text as a number: blanks around it, an optional sign, then digits with at most one "."
// and an optional exponent ("inf", "nan" and hexadecimal are no numbers). A value beyond
// the range of a double is error 6; one too small for it reads as 0.
bool textAsNumber(std::string_view text, double& out) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  const bool negative = !text.empty() && text.front() == '-';
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
  if (text.empty() || !((text.front() >= '0' && text.front() <= '9') || text.front() == '.')) {
    return false;
  }
  const char* const end = text.data() + text.size();
  double value = 0;
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (stop != end) return false;
  if (error == std::errc::result_out_of_range) {
    const size_t exponent = text.find_first_of("eE");
    if (exponent == std::string_view::npos || text.substr(exponent + 1, 1) != "-") {
      raise(err::kOverflow);
    }
    value = 0;
  } else if (error != std::errc()) {
    return false;
  }
  out = negative ? -value : value;
  return true;
}

}  // namespace

std::string_view typeName(VarType type) noexcept {
  switch (type) {
    case VarType::Empty: return "Empty";
    case VarType::Missing: return "Missing";
    case VarType::Boolean: return "Boolean";
    case VarType::Integer: return "Integer";
    case VarType::Long: return "Long";
    case VarType::Single: return "Single";
    case VarType::Double: return "Double";
    case VarType::String: return "String";
    case VarType::Object: return "Object";
    case VarType::SingleArray: return "Single()";
    case VarType::LongArray: return "Long()";
  }
  return "?";
}

double Variant::toNumber() const {
  switch (type()) {
    case VarType::Empty: return 0;
    case VarType::Boolean: return get<bool>() ? -1 : 0;
    case VarType::Integer: return get<int16_t>();
    case VarType::Long: return get<int32_t>();
    case VarType::Single: return get<float>();
    case VarType::Double: return get<double>();
    case VarType::String: {
      double value;
      if (!textAsNumber(get<std::string>(), value)) raise(err::kTypeMismatch);
      return value;
    }
    default: raise(err::kTypeMismatch);
  }
}

bool Variant::toBool() const {
  if (type() == VarType::String) {
    const std::string& s = get<std::string>();
    if (s == "True" || s == "true" || s == "TRUE") return true;
    if (s == "False" || s == "false" || s == "FALSE") return false;
  }
  return toNumber() != 0;
}

int16_t Variant::toInteger() const { return vlm::toInteger(toNumber()); }
int32_t Variant::convertToLong() const { return vlm::toLong(toNumber()); }
float Variant::convertToSingle() const { return vlm::toSingle(toNumber()); }
double Variant::toDouble() const { return toNumber(); }

std::string Variant::toString() const {
  char buf[64];
  switch (type()) {
    case VarType::Empty: return {};
    case VarType::String: return get<std::string>();
    case VarType::Boolean: return get<bool>() ? "True" : "False";
    case VarType::Integer: return std::to_string(get<int16_t>());
    case VarType::Long: return std::to_string(get<int32_t>());
    case VarType::Single: {
      auto r = std::to_chars(buf, buf + sizeof buf, get<float>());
      return std::string(buf, r.ptr);
    }
    case VarType::Double: {
      auto r = std::to_chars(buf, buf + sizeof buf, get<double>());
      return std::string(buf, r.ptr);
    }
    default: raise(err::kTypeMismatch);
  }
}

ObjectRef Variant::toObject() const {
  if (type() != VarType::Object) raise(err::kObjectRequired);
  return get<ObjectRef>();
}

std::vector<float>& Variant::singleArray() const {
  if (type() != VarType::SingleArray || !get<std::vector<float>*>()) raise(err::kTypeMismatch);
  return *get<std::vector<float>*>();
}

std::vector<int32_t>& Variant::longArray() const {
  if (type() != VarType::LongArray || !get<std::vector<int32_t>*>()) raise(err::kTypeMismatch);
  return *get<std::vector<int32_t>*>();
}

}  // namespace vlm
