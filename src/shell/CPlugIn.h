// CPlugIn: the component's one creatable class, the host's way into the import.
//
// Members, reached by name through the dispatch interface (ids in vlmimport/VLMImport.h):
// Name (text), PlugInType (3), ExecutePlugIn(v_objScene by reference) and
// SelectedObject (the object the host selects afterwards; -1 when nothing came in).
#pragma once

#include <cstdint>
#include <string>

#include "platform/Dispatch.h"
#include "shell/FormatTable.h"

namespace vlm {

// "Import Object v" + major + "." + minor, the numbers in plain decimal.
std::string plugInName(int major, int minor);

class CPlugIn final : public DispatchObject {
 public:
  explicit CPlugIn(FormatTable formats = formatTable());
  ~CPlugIn() override;
  CPlugIn(const CPlugIn&) = delete;
  CPlugIn& operator=(const CPlugIn&) = delete;

  const std::string& Name() const noexcept { return name_; }
  int32_t PlugInType() const noexcept { return plugInType_; }
  int32_t SelectedObject() const noexcept { return selectedObject_; }

  // Shows the import dialog for the scene in `v_objScene` and writes the scene back
  // into it. Error 424 when it holds no object; the dialog is then not shown.
  void ExecutePlugIn(Variant& v_objScene);

 private:
  std::string name_;
  int32_t plugInType_ = 3;
  int32_t selectedObject_ = 0;
  FormatTable formats_;
};

}  // namespace vlm
