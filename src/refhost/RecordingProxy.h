// Inside the call recorder: the shared state of one recorder and the proxy object that
// records, checks for injected failures and forwards (or, without a target, answers as
// the null host). Only CallRecorder.cpp and RecordingProxy.cpp include this.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "refhost/CallRecorder.h"

namespace vlm::refhost {

enum class Role { Scene, ObjectList, MaterialList, Object, Material, Other };

class RecordingProxy;

RecordedArg describeArg(const Variant& v, bool captureArrays);

struct CallRecorder::State : std::enable_shared_from_this<CallRecorder::State> {
  struct Rule {
    FailRule rule;
    int seen = 0;
  };
  // What a target was wrapped as, so that it comes back as the same receiver.
  struct Known {
    std::weak_ptr<IDispatch> target;
    std::weak_ptr<RecordingProxy> proxy;
    std::string name;
    Role role;
  };

  void add(CallRecord&& record);
  const FailRule* failure(const CallRecord& record);
  std::shared_ptr<RecordingProxy> newProxy(const ObjectRef& target, Role role, std::string name);
  ObjectRef wrapResult(const ObjectRef& target, Role receiverRole, std::string_view member);
  std::string nextName(Role role);

  std::vector<CallRecord> records;
  bool keep = true;
  bool capture = false;
  std::function<void(const CallRecord&)> sink;
  std::vector<Rule> rules;
  int objectCount = 0;
  int materialCount = 0;
  int otherCount = 0;
  std::unordered_map<const IDispatch*, Known> known;
};

// The stand-in answers of a proxy without a target.
struct NullHost {
  std::vector<std::pair<std::string, Variant>> properties;  // remembered puts
  std::string key;                                          // objects: given by Add
  std::vector<ObjectRef> items;                             // lists
  int64_t lastKeyNumber = 0;
  std::shared_ptr<RecordingProxy> listObjects, listMaterials;  // scene
};

class RecordingProxy : public IDispatch {
 public:
  RecordingProxy(std::shared_ptr<CallRecorder::State> state, ObjectRef target, Role role,
                 std::string name);

  DispId memberId(std::string_view name) override;
  HResult invoke(DispId id, InvokeKind kind, std::span<Variant> args, Variant* result,
                 ErrorInfo* error) override;

  const ObjectRef& target() const noexcept { return target_; }
  const std::string& name() const noexcept { return name_; }
  Role role() const noexcept { return role_; }

 private:
  struct Member {
    std::string name;
    DispId targetId;
  };

  HResult forward(std::string_view member, DispId targetId, InvokeKind kind,
                  std::span<Variant> args, Variant* result, ErrorInfo* error);
  Variant answer(std::string_view member, InvokeKind kind, std::span<Variant> args);
  Variant answerList(std::string_view member, InvokeKind kind, std::span<Variant> args);
  Variant answerProperty(std::string_view member, InvokeKind kind, std::span<Variant> args);
  ObjectRef listItem(const Variant& index);

  std::shared_ptr<CallRecorder::State> state_;
  ObjectRef target_;
  Role role_;
  std::string name_;
  std::vector<Member> members_;  // proxy id = index + 1
  NullHost null_;
};

}  // namespace vlm::refhost
