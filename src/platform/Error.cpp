#include "platform/Error.h"

#include <cerrno>
#include <new>
#include <system_error>
#include <utility>

namespace vlm {

std::string classicDescription(int32_t number) {
  switch (number) {
    case err::kInvalidCall: return "Invalid procedure call or argument";
    case err::kOverflow: return "Overflow";
    case err::kOutOfMemory: return "Out of memory";
    case err::kSubscript: return "Subscript out of range";
    case err::kTypeMismatch: return "Type mismatch";
    case err::kBadFileNumber: return "Bad file name or number";
    case err::kFileNotFound: return "File not found";
    case err::kBadFileMode: return "Bad file mode";
    case err::kFileAlreadyOpen: return "File already open";
    case err::kDeviceIo: return "Device I/O error";
    case err::kInputPastEnd: return "Input past end of file";
    case err::kBadRecordNumber: return "Bad record number";
    case err::kPermissionDenied: return "Permission denied";
    case err::kPathFileAccess: return "Path/File access error";
    case err::kPathNotFound: return "Path not found";
    case err::kObjectVarNotSet: return "Object variable or With block variable not set";
    case err::kObjectRequired: return "Object required";
    case err::kCantCreateObject: return "ActiveX component can't create object";
    case err::kNoSuchMember: return "Object doesn't support this property or method";
    case err::kWrongArgCount: return "Wrong number of arguments or invalid property assignment";
    case err::kKeyInUse: return "This key is already associated with an element of this collection";
    case err::kCancel: return "Cancel was selected.";
    default: return "Application-defined or object-defined error";
  }
}

RuntimeError::RuntimeError(int32_t number, std::string source, std::string description)
    : number_(number), source_(std::move(source)), description_(std::move(description)) {}

RuntimeError::~RuntimeError() = default;

void raise(int32_t number, std::string_view description, std::string_view source) {
  throw RuntimeError(number, std::string(source),
                     description.empty() ? classicDescription(number) : std::string(description));
}

void raiseFileFailure(int32_t number, const std::string& path, const std::string& reason) {
  raise(number, classicDescription(number) + ": " + path + " (" + reason + ")");
}

void raiseFileFailure(const std::string& path, int systemError) {
  int32_t number = err::kPathFileAccess;
  switch (systemError) {
    case ENOENT: number = err::kFileNotFound; break;
    case ENOTDIR: number = err::kPathNotFound; break;
    case EACCES:
    case EPERM: number = err::kPermissionDenied; break;
    default: break;
  }
  raiseFileFailure(number, path, std::generic_category().message(systemError));
}

RuntimeError currentError() {
  try {
    throw;
  } catch (const RuntimeError& e) {
    return e;
  } catch (const std::bad_alloc&) {
    return RuntimeError(err::kOutOfMemory, std::string(kDefaultSource),
                        classicDescription(err::kOutOfMemory));
  } catch (const std::exception& e) {
    return RuntimeError(err::kInvalidCall, std::string(kDefaultSource), e.what());
  } catch (...) {
    return RuntimeError(err::kInvalidCall, std::string(kDefaultSource),
                        classicDescription(err::kInvalidCall));
  }
}

}  // namespace vlm
