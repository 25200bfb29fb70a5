// Variant: the one argument and result type of every late-bound call.
//
// Arrays travel by reference: the Variant points at the caller's vector, whose size is
// the array's element count (lower bound 0). A by-reference scalar is an ordinary
// Variant marked byRef; the callee writes its out-value into the argument slot.
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vlm {

class IDispatch;
using ObjectRef = std::shared_ptr<IDispatch>;

enum class VarType : uint8_t {
  Empty,
  Missing,  // an omitted optional argument
  Boolean,
  Integer,  // 16-bit
  Long,     // 32-bit
  Single,
  Double,
  String,
  Object,       // may hold a null reference ("Nothing")
  SingleArray,  // by reference
  LongArray,    // by reference
};

// The classic type name ("Integer", "Long", "Single()", ...), for traces and reports.
std::string_view typeName(VarType type) noexcept;

class Variant {
 public:
  struct EmptyTag {};
  struct MissingTag {};

  Variant() = default;
  static Variant missing() { return Variant(MissingTag{}); }
  explicit Variant(MissingTag) : value_(MissingTag{}) {}
  Variant(bool v) : value_(v) {}
  Variant(int16_t v) : value_(v) {}
  Variant(int32_t v) : value_(v) {}
  Variant(float v) : value_(v) {}
  Variant(double v) : value_(v) {}
  Variant(std::string v) : value_(std::move(v)) {}
  Variant(std::string_view v) : value_(std::string(v)) {}
  Variant(const char* v) : value_(std::string(v)) {}
  Variant(ObjectRef v) : value_(std::move(v)) {}
  Variant(std::vector<float>* array) : value_(array) {}
  Variant(std::vector<int32_t>* array) : value_(array) {}

  // Marks this argument as passed by reference (the callee may write into it).
  Variant& byRef() {
    byRef_ = true;
    return *this;
  }
  bool isByRef() const noexcept { return byRef_; }

  VarType type() const noexcept { return static_cast<VarType>(value_.index()); }
  bool isMissing() const noexcept { return type() == VarType::Missing; }
  bool isEmpty() const noexcept { return type() == VarType::Empty; }
  bool isObject() const noexcept { return type() == VarType::Object; }

  // Classic coercions: numbers round half to even and overflow with error 6; text that
  // is not a number and other unconvertible kinds give error 13.
  // A Variant that already holds the asked-for type answers inline: host calls that pass
  // geometry one item at a time convert every argument, millions of times per file.
  bool toBool() const;
  int16_t toInteger() const;
  int32_t toLong() const {
    if (const int32_t* v = std::get_if<int32_t>(&value_)) return *v;
    return convertToLong();
  }
  float toSingle() const {
    // Infinities overflow and NaNs come out as the one quiet NaN: both take the long way.
    if (const float* v = std::get_if<float>(&value_); v && std::isfinite(*v)) return *v;
    return convertToSingle();
  }
  double toDouble() const;
  std::string toString() const;
  // Error 424 unless the Variant holds an object reference (which may be null).
  ObjectRef toObject() const;
  // Error 13 unless it holds an array of that element type.
  std::vector<float>& singleArray() const;
  std::vector<int32_t>& longArray() const;

  // Writes a value into a by-reference slot, keeping the slot's byRef mark.
  void assign(Variant value) {
    const bool keep = byRef_;
    *this = std::move(value);
    byRef_ = keep;
  }

  // Direct access for callers that already checked type().
  template <class T>
  const T& get() const {
    return std::get<T>(value_);
  }

 private:
  using Value = std::variant<EmptyTag, MissingTag, bool, int16_t, int32_t, float, double,
                             std::string, ObjectRef, std::vector<float>*, std::vector<int32_t>*>;
  double toNumber() const;
  int32_t convertToLong() const;
  float convertToSingle() const;

  Value value_;
  bool byRef_ = false;
};

}  // namespace vlm
