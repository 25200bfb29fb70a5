#include "platform/Variant.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "platform/Convert.h"
#include "platform/Error.h"

namespace vlm {

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
      if (!parseDecimal(get<std::string>(), '.', value)) raise(err::kTypeMismatch);
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
