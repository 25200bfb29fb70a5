#include "refhost/RecordingProxy.h"

#include <algorithm>

namespace vlm::refhost {

namespace {

RecordingProxy* asProxy(const Variant& v) {
  if (!v.isObject()) return nullptr;
  return dynamic_cast<RecordingProxy*>(v.get<ObjectRef>().get());
}

// A copy without the by-reference mark; arrays, which only travel by reference, are
// not remembered.
Variant byValue(const Variant& v) {
  switch (v.type()) {
    case VarType::Missing: return Variant::missing();
    case VarType::Boolean: return Variant(v.get<bool>());
    case VarType::Integer: return Variant(v.get<int16_t>());
    case VarType::Long: return Variant(v.get<int32_t>());
    case VarType::Single: return Variant(v.get<float>());
    case VarType::Double: return Variant(v.get<double>());
    case VarType::String: return Variant(v.get<std::string>());
    case VarType::Object: return Variant(v.get<ObjectRef>());
    default: return {};
  }
}

ErrorInfo ruleError(const FailRule& rule) {
  return ErrorInfo{rule.number, rule.source,
                   rule.description.empty() ? classicDescription(rule.number) : rule.description};
}

}  // namespace

RecordingProxy::RecordingProxy(std::shared_ptr<CallRecorder::State> state, ObjectRef target,
                               Role role, std::string name)
    : state_(std::move(state)), target_(std::move(target)), role_(role), name_(std::move(name)) {}

DispId RecordingProxy::memberId(std::string_view name) {
  for (size_t i = 0; i < members_.size(); ++i) {
    if (equalsIgnoreCase(members_[i].name, name)) return static_cast<DispId>(i + 1);
  }
  DispId targetId = kDispIdUnknown;
  if (target_) {
    targetId = target_->memberId(name);
    if (targetId == kDispIdUnknown) return kDispIdUnknown;
  }
  members_.push_back(Member{std::string(name), targetId});
  return static_cast<DispId>(members_.size());
}

HResult RecordingProxy::invoke(DispId id, InvokeKind kind, std::span<Variant> args, Variant* result,
                               ErrorInfo* error) {
  CallRecord record;
  DispId targetId = kDispIdValue;
  if (id == kDispIdValue) {
    record.member = "[default]";
  } else if (id >= 1 && static_cast<size_t>(id) <= members_.size()) {
    record.member = members_[static_cast<size_t>(id) - 1].name;
    targetId = members_[static_cast<size_t>(id) - 1].targetId;
  } else {
    return hr::kMemberNotFound;
  }
  record.receiver = name_;
  record.kind = kind;
  record.args.reserve(args.size());
  for (const Variant& arg : args) record.args.push_back(describeArg(arg, state_->capture));

  ErrorInfo failure;
  HResult outcome = hr::kException;
  Variant value;
  if (const FailRule* rule = state_->failure(record)) {
    failure = ruleError(*rule);
  } else if (target_) {
    outcome = forward(record.member, targetId, kind, args, &value, &failure);
  } else {
    try {
      value = answer(record.member, kind, args);
      outcome = hr::kOk;
    } catch (...) {
      const RuntimeError e = currentError();
      failure = ErrorInfo{e.number(), e.source(), e.description()};
    }
  }
  if (outcome == hr::kOk) {
    record.result = describeArg(value, false);
    if (result) *result = std::move(value);
  } else {
    record.error = outcome == hr::kException ? failure.number : err::kNoSuchMember;
    if (error) *error = std::move(failure);
  }
  state_->add(std::move(record));
  return outcome;
}

HResult RecordingProxy::forward(std::string_view member, DispId targetId, InvokeKind kind,
                                std::span<Variant> args, Variant* result, ErrorInfo* error) {
  HResult outcome;
  if (std::none_of(args.begin(), args.end(), asProxy)) {
    outcome = target_->invoke(targetId, kind, args, result, error);
  } else {
    // The target gets the objects behind the proxies; by-reference values come back.
    std::vector<Variant> plain(args.begin(), args.end());
    for (Variant& arg : plain) {
      if (RecordingProxy* proxy = asProxy(arg)) arg.assign(Variant(proxy->target()));
    }
    outcome = target_->invoke(targetId, kind, plain, result, error);
    for (size_t i = 0; i < args.size(); ++i) {
      if (args[i].isByRef() && !args[i].isObject()) args[i] = plain[i];
    }
  }
  if (outcome == hr::kOk && result && result->isObject()) {
    *result = Variant(state_->wrapResult(result->get<ObjectRef>(), role_, member));
  }
  return outcome;
}

// --- The null host -----------------------------------------------------------------------

Variant RecordingProxy::answer(std::string_view member, InvokeKind kind, std::span<Variant> args) {
  const bool reading = kind != InvokeKind::PropertyPut;
  if (role_ == Role::Scene && reading) {
    auto list = [&](std::shared_ptr<RecordingProxy>& slot, Role role, const char* name) {
      if (!slot) slot = std::make_shared<RecordingProxy>(state_, nullptr, role, name);
      return Variant(ObjectRef(slot));
    };
    if (equalsIgnoreCase(member, "ListObjects"))
      return list(null_.listObjects, Role::ObjectList, "ListObjects");
    if (equalsIgnoreCase(member, "ListMaterials"))
      return list(null_.listMaterials, Role::MaterialList, "ListMaterials");
  }
  if (role_ == Role::ObjectList || role_ == Role::MaterialList)
    return answerList(member, kind, args);
  if (role_ == Role::Object && reading && equalsIgnoreCase(member, "Key"))
    return Variant(null_.key);
  return answerProperty(member, kind, args);
}

Variant RecordingProxy::answerList(std::string_view member, InvokeKind kind,
                                   std::span<Variant> args) {
  if (equalsIgnoreCase(member, "Add")) {
    expectArgs(args, 1, 3);
    ObjectRef item = args[0].toObject();
    RecordingProxy* proxy = asProxy(args[0]);
    if (role_ == Role::ObjectList && proxy && !proxy->target_ && proxy->null_.key.empty()) {
      proxy->null_.key = "Obj" + std::to_string(++null_.lastKeyNumber);
    }
    null_.items.push_back(std::move(item));
    return {};
  }
  if (equalsIgnoreCase(member, "Count")) return Variant(static_cast<int32_t>(null_.items.size()));
  if (member == "[default]" || equalsIgnoreCase(member, "Item")) {
    expectArgs(args, 1);
    return Variant(listItem(args[0]));
  }
  return answerProperty(member, kind, args);
}

ObjectRef RecordingProxy::listItem(const Variant& index) {
  if (index.type() == VarType::String) {
    const std::string& wanted = index.get<std::string>();
    for (const ObjectRef& item : null_.items) {
      auto* proxy = dynamic_cast<RecordingProxy*>(item.get());
      if (!proxy) continue;
      if (role_ == Role::ObjectList && equalsIgnoreCase(proxy->null_.key, wanted)) return item;
      if (role_ == Role::MaterialList) {
        Variant name = proxy->answerProperty("Name", InvokeKind::PropertyGet, {});
        if (name.type() == VarType::String && equalsIgnoreCase(name.get<std::string>(), wanted)) {
          return item;
        }
      }
    }
    raise(err::kInvalidCall);
  }
  const int32_t position = index.toLong();
  if (position < 1 || static_cast<size_t>(position) > null_.items.size()) raise(err::kSubscript);
  return null_.items[static_cast<size_t>(position) - 1];
}

Variant RecordingProxy::answerProperty(std::string_view member, InvokeKind kind,
                                       std::span<Variant> args) {
  auto stored = std::find_if(null_.properties.begin(), null_.properties.end(),
                             [&](const auto& p) { return equalsIgnoreCase(p.first, member); });
  if (kind == InvokeKind::PropertyPut) {
    expectArgs(args, 1);
    Variant value = byValue(args[0]);
    if (stored != null_.properties.end()) {
      stored->second = std::move(value);
    } else {
      null_.properties.emplace_back(std::string(member), std::move(value));
    }
    return {};
  }
  if (kind == InvokeKind::PropertyGet && stored != null_.properties.end()) return stored->second;
  return {};
}

}  // namespace vlm::refhost
