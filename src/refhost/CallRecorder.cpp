#include "refhost/CallRecorder.h"

#include <charconv>

#include "refhost/RecordingProxy.h"
#include "refhost/ReferenceScene.h"

namespace vlm::refhost {

namespace {

std::string quotedText(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out = "\"";
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"') {
      out += "\"\"";
    } else if (byte < 0x20 || byte >= 0x7F || c == '\\') {
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

template <class T>
std::string shortest(T value) {
  char text[40];
  return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

std::string objectName(const ObjectRef& object) {
  if (!object) return "Nothing";
  const std::string name = CallRecorder::receiverName(object);
  return name.empty() ? "<foreign>" : name;
}

}  // namespace

std::string RecordedArg::text() const {
  if (type == VarType::SingleArray || type == VarType::LongArray) {
    return std::string(typeName(type)) + "[" + std::to_string(length) + "]";
  }
  std::string out = byRef ? "ByRef " : "";
  out += typeName(type);
  if (type != VarType::Empty && type != VarType::Missing) out += " " + value;
  return out;
}

std::string CallRecord::line() const {
  std::string out = receiver + "." + member + " " + std::string(kindName(kind)) + " (";
  for (size_t i = 0; i < args.size(); ++i) {
    if (i > 0) out += ", ";
    out += args[i].text();
  }
  out += ")";
  if (error != 0) out += " -> error " + std::to_string(error);
  return out;
}

RecordedArg describeArg(const Variant& v, bool captureArrays) {
  RecordedArg arg;
  arg.type = v.type();
  arg.byRef = v.isByRef();
  switch (v.type()) {
    case VarType::Empty:
    case VarType::Missing: break;
    case VarType::Boolean: arg.value = v.get<bool>() ? "True" : "False"; break;
    case VarType::Integer: arg.value = std::to_string(v.get<int16_t>()); break;
    case VarType::Long: arg.value = std::to_string(v.get<int32_t>()); break;
    case VarType::Single: arg.value = shortest(v.get<float>()); break;
    case VarType::Double: arg.value = shortest(v.get<double>()); break;
    case VarType::String: arg.value = quotedText(v.get<std::string>()); break;
    case VarType::Object: arg.value = objectName(v.get<ObjectRef>()); break;
    case VarType::SingleArray:
      arg.length = v.singleArray().size();
      if (captureArrays) arg.singles = v.singleArray();
      break;
    case VarType::LongArray:
      arg.length = v.longArray().size();
      if (captureArrays) arg.longs = v.longArray();
      break;
  }
  return arg;
}

// --- Recorder state --------------------------------------------------------------------

void CallRecorder::State::add(CallRecord&& record) {
  if (sink) sink(record);
  if (keep) records.push_back(std::move(record));
}

const FailRule* CallRecorder::State::failure(const CallRecord& record) {
  const std::string_view kindOfReceiver =
      std::string_view(record.receiver).substr(0, record.receiver.find('#'));
  for (Rule& r : rules) {
    if (!equalsIgnoreCase(r.rule.member, record.member)) continue;
    if (!equalsIgnoreCase(r.rule.receiver, record.receiver) &&
        !equalsIgnoreCase(r.rule.receiver, kindOfReceiver)) {
      continue;
    }
    ++r.seen;
    if (r.rule.occurrence == 0 || r.rule.occurrence == r.seen) return &r.rule;
  }
  return nullptr;
}

std::shared_ptr<RecordingProxy> CallRecorder::State::newProxy(const ObjectRef& target, Role role,
                                                              std::string name) {
  auto proxy = std::make_shared<RecordingProxy>(shared_from_this(), target, role, name);
  if (target) known[target.get()] = Known{target, proxy, std::move(name), role};
  return proxy;
}

std::string CallRecorder::State::nextName(Role role) {
  switch (role) {
    case Role::Object: return "object#" + std::to_string(++objectCount);
    case Role::Material: return "material#" + std::to_string(++materialCount);
    default: return "ref#" + std::to_string(++otherCount);
  }
}

ObjectRef CallRecorder::State::wrapResult(const ObjectRef& target, Role receiverRole,
                                          std::string_view member) {
  if (!target || dynamic_cast<RecordingProxy*>(target.get())) return target;
  auto found = known.find(target.get());
  if (found != known.end() && found->second.target.lock() == target) {
    if (auto alive = found->second.proxy.lock()) return alive;
    return newProxy(target, found->second.role, found->second.name);
  }
  if (receiverRole == Role::Scene && equalsIgnoreCase(member, "ListObjects")) {
    return newProxy(target, Role::ObjectList, "ListObjects");
  }
  if (receiverRole == Role::Scene && equalsIgnoreCase(member, "ListMaterials")) {
    return newProxy(target, Role::MaterialList, "ListMaterials");
  }
  const Role role = receiverRole == Role::ObjectList     ? Role::Object
                    : receiverRole == Role::MaterialList ? Role::Material
                                                         : Role::Other;
  return newProxy(target, role, nextName(role));
}

// --- CallRecorder ----------------------------------------------------------------------

CallRecorder::CallRecorder() : state_(std::make_shared<State>()) {}
CallRecorder::~CallRecorder() = default;

ObjectRef CallRecorder::wrapScene(ObjectRef target) {
  return state_->newProxy(target, Role::Scene, "scene");
}

void CallRecorder::registerClasses(ObjectFactory objectFactory, ObjectFactory materialFactory) {
  auto factoryFor = [state = state_](ObjectFactory make, Role role) -> ObjectFactory {
    return [state, make = std::move(make), role]() -> ObjectRef {
      ObjectRef target = make ? make() : nullptr;
      return state->newProxy(target, role, state->nextName(role));
    };
  };
  registerClass("Velmo.CVLMObject", factoryFor(std::move(objectFactory), Role::Object));
  registerClass("Velmo.CVLMMaterial", factoryFor(std::move(materialFactory), Role::Material));
}

void CallRecorder::registerReferenceClasses() {
  registerClasses(createReferenceObject, createReferenceMaterial);
}

void CallRecorder::failCall(FailRule rule) {
  state_->rules.push_back(State::Rule{std::move(rule), 0});
}

const std::vector<CallRecord>& CallRecorder::records() const noexcept { return state_->records; }

std::vector<std::string> CallRecorder::lines() const {
  std::vector<std::string> out;
  out.reserve(state_->records.size());
  for (const CallRecord& r : state_->records) out.push_back(r.line());
  return out;
}

void CallRecorder::clearRecords() noexcept { state_->records.clear(); }
void CallRecorder::setSink(std::function<void(const CallRecord&)> sink) {
  state_->sink = std::move(sink);
}
void CallRecorder::setKeepRecords(bool keep) noexcept { state_->keep = keep; }
void CallRecorder::setCaptureArrays(bool capture) noexcept { state_->capture = capture; }

ObjectRef CallRecorder::unwrap(const ObjectRef& object) {
  if (auto* proxy = dynamic_cast<RecordingProxy*>(object.get())) return proxy->target();
  return object;
}

std::string CallRecorder::receiverName(const ObjectRef& object) {
  if (auto* proxy = dynamic_cast<RecordingProxy*>(object.get())) return proxy->name();
  return {};
}

}  // namespace vlm::refhost
