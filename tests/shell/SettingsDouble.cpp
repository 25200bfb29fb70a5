#include "SettingsDouble.h"

#include "platform/Dispatch.h"
#include "platform/ObjectRegistry.h"

namespace vlm::testing {

struct SettingsDouble::State {
  std::map<std::string, Variant> values;  // "subKey|name"
  std::vector<SettingsCall> calls;
  int created = 0;
};

namespace {

constexpr std::string_view kProgId = "RegServer.RegFun";

std::string slot(const std::string& subKey, const std::string& name) { return subKey + "|" + name; }

class RegFunDouble : public DispatchObject {
 public:
  explicit RegFunDouble(std::shared_ptr<SettingsDouble::State> state) : state_(std::move(state)) {
    addMember("ReadValue", [this](InvokeKind, std::span<Variant> args) -> Variant {
      record("ReadValue", args);
      expectArgs(args, 4);
      auto it = state_->values.find(slot(args[1].toString(), args[2].toString()));
      return it == state_->values.end() ? args[3] : it->second;
    });
    addMember("WriteValue", [this](InvokeKind, std::span<Variant> args) -> Variant {
      record("WriteValue", args);
      expectArgs(args, 4);
      state_->values[slot(args[1].toString(), args[2].toString())] = args[3];
      return {};
    });
  }

 private:
  void record(std::string member, std::span<Variant> args) {
    state_->calls.push_back(SettingsCall{std::move(member), {args.begin(), args.end()}});
  }
  std::shared_ptr<SettingsDouble::State> state_;
};

}  // namespace

SettingsDouble::SettingsDouble() : state_(std::make_shared<State>()) {
  registerClass(std::string(kProgId), [state = state_]() -> ObjectRef {
    ++state->created;
    return std::make_shared<RegFunDouble>(state);
  });
}

SettingsDouble::~SettingsDouble() { unregisterClass(kProgId); }

void SettingsDouble::store(const std::string& subKey, const std::string& name, Variant value) {
  state_->values[slot(subKey, name)] = std::move(value);
}

std::optional<Variant> SettingsDouble::stored(const std::string& subKey,
                                              const std::string& name) const {
  auto it = state_->values.find(slot(subKey, name));
  if (it == state_->values.end()) return std::nullopt;
  return it->second;
}

const std::vector<SettingsCall>& SettingsDouble::calls() const { return state_->calls; }

std::vector<SettingsCall> SettingsDouble::calls(const std::string& member,
                                                const std::string& valueName) const {
  std::vector<SettingsCall> out;
  for (const SettingsCall& c : state_->calls) {
    if (c.member == member && c.args.size() > 2 && c.args[2].toString() == valueName) {
      out.push_back(c);
    }
  }
  return out;
}

int SettingsDouble::created() const { return state_->created; }

void SettingsDouble::uninstall() { unregisterClass(kProgId); }

}  // namespace vlm::testing
