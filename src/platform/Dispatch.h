// Late binding: objects reached by member name.
//
// A caller looks up a member's id by name (case-insensitive) once, then invokes it as a
// method, a property get or a property put with a list of Variants. Nothing throws
// across this boundary: a failure comes back as a result code plus an ErrorInfo.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Error.h"
#include "platform/Variant.h"

namespace vlm {

using HResult = int32_t;
using DispId = int32_t;

namespace hr {
constexpr HResult kOk = 0;
constexpr HResult kFalse = 1;
constexpr HResult kFail = static_cast<HResult>(0x80004005);
constexpr HResult kNoInterface = static_cast<HResult>(0x80004002);
constexpr HResult kOutOfMemory = static_cast<HResult>(0x8007000E);
constexpr HResult kInvalidArg = static_cast<HResult>(0x80070057);
constexpr HResult kClassNotAvailable = static_cast<HResult>(0x80040111);
constexpr HResult kMemberNotFound = static_cast<HResult>(0x80020003);
constexpr HResult kUnknownName = static_cast<HResult>(0x80020006);
constexpr HResult kException = static_cast<HResult>(0x80020009);
}  // namespace hr

constexpr DispId kDispIdUnknown = -1;
constexpr DispId kDispIdValue = 0;  // the default member

enum class InvokeKind : uint8_t { Method = 1, PropertyGet = 2, PropertyPut = 4 };

std::string_view kindName(InvokeKind kind) noexcept;  // "call", "get", "put"

// What a failed Invoke reports (the fields of a RuntimeError).
struct ErrorInfo {
  int32_t number = 0;
  std::string source;
  std::string description;
};

class IDispatch {
 public:
  virtual ~IDispatch() = default;
  // The member's id, or kDispIdUnknown. Names compare case-insensitively.
  virtual DispId memberId(std::string_view name) = 0;
  // Calls member `id`. `args` are in call order, first argument first; by-reference
  // arguments may be written. Returns hr::kOk, or hr::kException with `error` filled.
  virtual HResult invoke(DispId id, InvokeKind kind, std::span<Variant> args, Variant* result,
                         ErrorInfo* error) = 0;
};

// --- Caller side ---------------------------------------------------------------------------

// Invokes and turns a failure into a RuntimeError. An unknown member is error 438.
Variant invokeMember(IDispatch& object, DispId id, InvokeKind kind, std::span<Variant> args);
Variant invokeByName(IDispatch& object, std::string_view name, InvokeKind kind,
                     std::span<Variant> args);

// A member id cached per object: the name is looked up on first use and whenever the
// receiver changes, so repeated calls on one object cost a virtual call, not a lookup.
class MemberCache {
 public:
  explicit constexpr MemberCache(std::string_view name) : name_(name) {}
  DispId id(IDispatch& object);
  Variant call(IDispatch& object, InvokeKind kind, std::span<Variant> args) {
    return invokeMember(object, id(object), kind, args);
  }

 private:
  std::string_view name_;
  const IDispatch* object_ = nullptr;
  DispId id_ = kDispIdUnknown;
};

// Raises error 91 when `object` is null (an object variable that is not set).
IDispatch& requireObject(const ObjectRef& object);

// --- Implementer side --------------------------------------------------------------------

// A base for dispatch objects: members are registered with an id, a name and a handler;
// a handler throws RuntimeError on failure and invoke() turns that into ErrorInfo.
class DispatchObject : public IDispatch {
 public:
  using Handler = std::function<Variant(InvokeKind, std::span<Variant>)>;
  // A member of a table shared by every object of a class: its handler gets the object.
  struct SharedMember {
    std::string name;
    std::function<Variant(DispatchObject&, InvokeKind, std::span<Variant>)> handler;
  };
  using SharedMembers = std::vector<SharedMember>;

  DispId memberId(std::string_view name) override;
  HResult invoke(DispId id, InvokeKind kind, std::span<Variant> args, Variant* result,
                 ErrorInfo* error) override;

 protected:
  DispatchObject() = default;
  // An object whose members are `shared`'s (ids from 1 in its order), a table built once
  // for its class: a scene of a million objects then holds no million tables.
  explicit DispatchObject(const SharedMembers& shared) : shared_(&shared) {}

  void addMember(DispId id, std::string name, Handler handler);
  // A member with an id chosen in registration order (from 1).
  void addMember(std::string name, Handler handler);

  // Adds to a shared table a handler written for the class `Self`.
  template <class Self, class F>
  static void addShared(SharedMembers& table, std::string name, F handler) {
    table.push_back(SharedMember{
        std::move(name), [handler](DispatchObject& self, InvokeKind kind, std::span<Variant> args) {
          return Variant(handler(static_cast<Self&>(self), kind, args));
        }});
  }

 private:
  struct Member {
    DispId id;
    std::string name;
    Handler handler;
  };
  std::vector<Member> members_;
  const SharedMembers* shared_ = nullptr;
};

// Argument helpers for handlers: error 450 when the count is wrong.
void expectArgs(std::span<Variant> args, size_t min, size_t max);
inline void expectArgs(std::span<Variant> args, size_t n) { expectArgs(args, n, n); }

bool equalsIgnoreCase(std::string_view a, std::string_view b) noexcept;

}  // namespace vlm
