// Run-time errors of the component: a number, a source and a description.
//
// The importers and the import run are defined in terms of raising, trapping and
// re-raising such errors, so inside the component they travel as one exception
// type. At the C entry points and the dispatch boundary they become a result code
// plus an ErrorInfo record (see Dispatch.h); nothing throws across those.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace vlm {

// The classic run-time error numbers the component relies on.
namespace err {
constexpr int32_t kInvalidCall = 5;        // "Invalid procedure call or argument"
constexpr int32_t kOverflow = 6;           // "Overflow"
constexpr int32_t kOutOfMemory = 7;        // "Out of memory"
constexpr int32_t kSubscript = 9;          // "Subscript out of range"
constexpr int32_t kTypeMismatch = 13;      // "Type mismatch"
constexpr int32_t kBadFileNumber = 52;     // "Bad file name or number"
constexpr int32_t kFileNotFound = 53;      // "File not found"
constexpr int32_t kBadFileMode = 54;       // "Bad file mode"
constexpr int32_t kFileAlreadyOpen = 55;   // "File already open"
constexpr int32_t kDeviceIo = 57;          // "Device I/O error"
constexpr int32_t kInputPastEnd = 62;      // "Input past end of file"
constexpr int32_t kBadRecordNumber = 63;   // "Bad record number"
constexpr int32_t kPermissionDenied = 70;  // "Permission denied"
constexpr int32_t kPathFileAccess = 75;    // "Path/File access error"
constexpr int32_t kPathNotFound = 76;      // "Path not found"
constexpr int32_t kObjectVarNotSet = 91;   // "Object variable or With block variable not set"
constexpr int32_t kObjectRequired = 424;   // "Object required"
constexpr int32_t kCantCreateObject = 429; // "ActiveX component can't create object"
constexpr int32_t kNoSuchMember = 438;     // "Object doesn't support this property or method"
constexpr int32_t kWrongArgCount = 450;    // "Wrong number of arguments or invalid property assignment"
constexpr int32_t kKeyInUse = 457;         // "This key is already associated with an element of this collection"
constexpr int32_t kCancel = 32755;         // the file dialog's cancel outcome
constexpr int32_t k3DS = -100;             // the 3DS importer's own failures
}  // namespace err

// The component's own name, the default source of errors it raises.
inline constexpr std::string_view kDefaultSource = "VLMImport";

// The classic description for a number, or "Application-defined or object-defined error".
std::string classicDescription(int32_t number);

class RuntimeError : public std::exception {
 public:
  RuntimeError(int32_t number, std::string source, std::string description);
  ~RuntimeError() override;

  int32_t number() const noexcept { return number_; }
  const std::string& source() const noexcept { return source_; }
  const std::string& description() const noexcept { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  int32_t number_;
  std::string source_;
  std::string description_;
};

// Raises error `number` with the classic description unless one is given.
[[noreturn]] void raise(int32_t number, std::string_view description = {},
                        std::string_view source = kDefaultSource);

// Turns whatever is being handled into a RuntimeError; call only inside a catch block.
// std::bad_alloc becomes error 7, any other exception a generic error 5.
RuntimeError currentError();

// --- The three trap shapes -------------------------------------------------------------

// A failed file access as an error: "File not found: /x/y.obj (No such file or directory)",
// the classic text of `number`, the path and the reason.
[[noreturn]] void raiseFileFailure(int32_t number, const std::string& path,
                                   const std::string& reason);
// The same for the system's error `systemError`: 53 when the file does not exist, 76 when a
// folder on the way does not, 70 without permission, 75 for anything else.
[[noreturn]] void raiseFileFailure(const std::string& path, int systemError);

// Trap, clean up, raise the same error again: runs `body`; on a failure runs `cleanup`
// and rethrows the failure unchanged (number, source and description kept).
template <class Body, class Cleanup>
decltype(auto) trapAndRaiseAgain(Body&& body, Cleanup&& cleanup) {
  try {
    return body();
  } catch (...) {
    cleanup();
    throw;
  }
}

// A step whose failure is ignored: the caller goes on with its next step.
template <class Step>
void ignoreFailure(Step&& step) noexcept {
  try {
    step();
  } catch (...) {
  }
}

// Resume-after-the-failing-step: each step of `steps` runs in order; when one fails,
// `onError(error)` decides: true resumes with the next step, false ends the sequence.
// Returns true when every step ran (resumed failures included), false when ended early.
template <class OnError, class... Steps>
bool runSteps(OnError&& onError, Steps&&... steps) {
  bool running = true;
  auto runOne = [&](auto& step) {
    if (!running) return;
    try {
      step();
    } catch (...) {
      if (!onError(currentError())) running = false;
    }
  };
  (runOne(steps), ...);
  return running;
}

}  // namespace vlm
