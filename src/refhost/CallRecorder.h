// A recording host double: a tracing proxy in front of the host's dispatch objects.
//
// Every late-bound call made on a wrapped object is recorded (receiver, member, kind,
// arguments) and then forwarded to the real object behind it, the target. Object
// arguments that are proxies are unwrapped before forwarding, so the target never sees a
// proxy; objects the target returns come back wrapped, the same proxy for the same
// target while it lives. Without a target (the "null host") calls are recorded and
// answered by a small stand-in: ListObjects.Add gives keys "Obj1", "Obj2", ...; Count,
// the default member (by key or position) and Key answer accordingly; a property put
// is remembered and a later get returns it; everything else returns Empty.
//
// Receivers are named "scene", "ListObjects", "ListMaterials", "object#n" and
// "material#n", numbered from 1 in creation order (objects made by the wrapped class
// factories, or first met as a result of ListObjects or ListMaterials); any other
// returned object is "ref#n".
//
// One record prints as one line (CallRecord::line), a format kept stable for tests:
//
//   <receiver>.<member> <kind> (<argument>, <argument>, ...)[ -> error <number>]
//
// <member> is the name as the caller looked it up, or "[default]" for the default
// member (DispId 0); <kind> is "call", "get" or "put". An argument prints as its type
// and value: Empty, Missing, Boolean True, Integer 3, Long 12615680, Single 1.5,
// Double 0.25, String "text" (a quote doubled; a backslash, a control byte or a byte
// 0x7F and above as \xNN), Object object#1 (Object Nothing for a null reference, Object
// <foreign> for an object that is no proxy), and arrays as type and length: Single()[9],
// Long()[5]. A scalar passed by reference carries the prefix "ByRef ". The suffix
// " -> error <number>" marks a call that failed. Examples:
//
//   scene.ListObjects get ()
//   ListObjects.Add call (Object object#1, Missing, String "Obj1")
//   object#1.Add_Vertices call (Single()[9])
//   object#1.Get_Surface call (Long 0, ByRef Long 7)
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Dispatch.h"
#include "platform/ObjectRegistry.h"

namespace vlm::refhost {

// One argument (or result) as the recorder saw it, before the call.
struct RecordedArg {
  VarType type = VarType::Empty;
  bool byRef = false;
  std::string value;  // printed value ("3", "\"Obj1\"", "object#1"); arrays: ""
  size_t length = 0;  // arrays: element count
  // Array contents, only when CallRecorder::setCaptureArrays(true).
  std::vector<float> singles;
  std::vector<int32_t> longs;

  std::string text() const;  // as in a record's line, e.g. "ByRef Long 7"
};

struct CallRecord {
  std::string receiver;
  std::string member;
  InvokeKind kind = InvokeKind::Method;
  std::vector<RecordedArg> args;
  RecordedArg result;  // Empty for failed calls
  int32_t error = 0;   // the error number of a failed call, else 0

  std::string line() const;
};

// Which calls to fail: receiver (a full name such as "object#2", or a kind such as
// "object", "material", "scene", "ListObjects") and member (case-insensitive; "[default]"
// for the default member); occurrence 0 fails every matching call, n only the n-th.
struct FailRule {
  std::string receiver;
  std::string member;
  int occurrence = 0;
  int32_t number = err::kInvalidCall;
  std::string description;  // empty: the classic description of `number`
  std::string source = "Velmo";
};

class CallRecorder {
 public:
  CallRecorder();
  ~CallRecorder();
  CallRecorder(const CallRecorder&) = delete;
  CallRecorder& operator=(const CallRecorder&) = delete;

  // The scene proxy: wraps `target`, or is a null-host scene when `target` is null.
  ObjectRef wrapScene(ObjectRef target = nullptr);
  // Registers "Velmo.CVLMObject" and "Velmo.CVLMMaterial" so that each creation makes
  // an object of the given factory and hands out its proxy, numbered; a null factory
  // makes null-host objects. The registry keeps the recorder's records alive until the
  // classes are registered again (registerReferenceHostClasses) or unregistered.
  void registerClasses(ObjectFactory objectFactory, ObjectFactory materialFactory);
  // The same with the reference host's classes behind the proxies.
  void registerReferenceClasses();
  // Fails matching calls: recorded with the error, not forwarded.
  void failCall(FailRule rule);

  const std::vector<CallRecord>& records() const noexcept;
  std::vector<std::string> lines() const;
  void clearRecords() noexcept;
  // Called with each record as it is made (the command-line host's --trace).
  void setSink(std::function<void(const CallRecord&)> sink);
  // Whether records are kept (off: only the sink sees them; long imports).
  void setKeepRecords(bool keep) noexcept;
  void setCaptureArrays(bool capture) noexcept;

  // The target behind a proxy (null for a null-host proxy), or `object` itself.
  static ObjectRef unwrap(const ObjectRef& object);
  // The receiver name of a proxy, or "" for any other object.
  static std::string receiverName(const ObjectRef& object);

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace vlm::refhost
