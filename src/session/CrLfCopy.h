// A copy of a file whose lines end in CR LF, for the DXF and POV-Ray importers, which end a
// line at CR only: a file written with LF line ends reaches them as one line.
//
// The copy lies in a private temporary folder under the file's own name, since the
// importers name objects after the file, and is removed with this object.
#pragma once

#include <string>

namespace vlm::session {

class CrLfCopy {
 public:
  // Copies `path`, every LF that no CR precedes written as CR LF. HostError when the copy
  // cannot be made; nothing is left behind then.
  explicit CrLfCopy(const std::string& path);
  ~CrLfCopy();
  CrLfCopy(const CrLfCopy&) = delete;
  CrLfCopy& operator=(const CrLfCopy&) = delete;

  const std::string& path() const noexcept { return path_; }

 private:
  void remove() noexcept;

  std::string folder_;
  std::string path_;
};

}  // namespace vlm::session
