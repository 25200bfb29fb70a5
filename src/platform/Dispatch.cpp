#include "platform/Dispatch.h"

#include <utility>

namespace vlm {

std::string_view kindName(InvokeKind kind) noexcept {
  switch (kind) {
    case InvokeKind::Method: return "call";
    case InvokeKind::PropertyGet: return "get";
    case InvokeKind::PropertyPut: return "put";
  }
  return "?";
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

Variant invokeMember(IDispatch& object, DispId id, InvokeKind kind, std::span<Variant> args) {
  if (id == kDispIdUnknown) raise(err::kNoSuchMember);
  Variant result;
  ErrorInfo error;
  const HResult r = object.invoke(id, kind, args, &result, &error);
  if (r == hr::kOk) return result;
  if (r == hr::kException) {
    throw RuntimeError(error.number, std::move(error.source), std::move(error.description));
  }
  raise(err::kNoSuchMember);
}

Variant invokeByName(IDispatch& object, std::string_view name, InvokeKind kind,
                     std::span<Variant> args) {
  return invokeMember(object, object.memberId(name), kind, args);
}

DispId MemberCache::id(IDispatch& object) {
  if (&object != object_) {
    id_ = object.memberId(name_);
    object_ = &object;
  }
  return id_;
}

IDispatch& requireObject(const ObjectRef& object) {
  if (!object) raise(err::kObjectVarNotSet);
  return *object;
}

namespace {

// Runs a handler and turns what it throws into the error a caller gets back.
template <class Call>
HResult callHandler(Call&& call, Variant* result, ErrorInfo* error) {
  try {
    Variant value = call();
    // Most members are methods that return nothing, called millions of times with geometry;
    // moving one empty value onto another would change nothing.
    const bool nothingToMove =
        value.isEmpty() && result && result->isEmpty() && value.isByRef() == result->isByRef();
    if (result && !nothingToMove) *result = std::move(value);
    return hr::kOk;
  } catch (...) {
    RuntimeError e = currentError();
    if (error) *error = ErrorInfo{e.number(), e.source(), e.description()};
    return hr::kException;
  }
}

}  // namespace

DispId DispatchObject::memberId(std::string_view name) {
  if (shared_) {
    for (size_t i = 0; i < shared_->size(); ++i) {
      if (equalsIgnoreCase((*shared_)[i].name, name)) return static_cast<DispId>(i + 1);
    }
    return kDispIdUnknown;
  }
  for (const Member& m : members_) {
    if (equalsIgnoreCase(m.name, name)) return m.id;
  }
  return kDispIdUnknown;
}

HResult DispatchObject::invoke(DispId id, InvokeKind kind, std::span<Variant> args, Variant* result,
                               ErrorInfo* error) {
  if (shared_) {
    if (id < 1 || static_cast<size_t>(id) > shared_->size()) return hr::kMemberNotFound;
    const SharedMember& m = (*shared_)[static_cast<size_t>(id) - 1];
    return callHandler([&] { return m.handler(*this, kind, args); }, result, error);
  }
  Member* found = nullptr;
  // Members registered in order have id = position + 1: found without a search.
  if (id >= 1 && static_cast<size_t>(id) <= members_.size() && members_[id - 1].id == id) {
    found = &members_[id - 1];
  } else {
    for (Member& m : members_) {
      if (m.id == id) found = &m;
    }
  }
  if (!found) return hr::kMemberNotFound;
  return callHandler([&] { return found->handler(kind, args); }, result, error);
}

void DispatchObject::addMember(DispId id, std::string name, Handler handler) {
  members_.push_back(Member{id, std::move(name), std::move(handler)});
}

void DispatchObject::addMember(std::string name, Handler handler) {
  addMember(static_cast<DispId>(members_.size() + 1), std::move(name), std::move(handler));
}

void expectArgs(std::span<Variant> args, size_t min, size_t max) {
  if (args.size() < min || args.size() > max) raise(err::kWrongArgCount);
}

}  // namespace vlm
