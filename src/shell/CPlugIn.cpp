#include "shell/CPlugIn.h"

#include "shell/ServerState.h"
#include "shell/frmImport.h"
#include "vlmimport/VLMImport.h"

namespace vlm {

namespace {

// Read-only properties answer a get (or a call); a put is an invalid assignment.
void expectRead(InvokeKind kind, std::span<Variant> args) {
  if (kind == InvokeKind::PropertyPut) raise(err::kWrongArgCount);
  expectArgs(args, 0);
}

// Releases the dialog when ExecutePlugIn leaves, also when it fails.
struct DialogRelease {
  ~DialogRelease() { releaseFrmImport(); }
};

}  // namespace

std::string plugInName(int major, int minor) {
  return "Import Object v" + std::to_string(major) + "." + std::to_string(minor);
}

CPlugIn::CPlugIn(FormatTable formats)
    : name_(plugInName(VLM_VERSION_MAJOR, VLM_VERSION_MINOR)), formats_(formats) {
  addMember(vlmimport::kDispIdName, "Name", [this](InvokeKind kind, std::span<Variant> args) {
    expectRead(kind, args);
    return Variant(name_);
  });
  addMember(vlmimport::kDispIdPlugInType, "PlugInType",
            [this](InvokeKind kind, std::span<Variant> args) {
              expectRead(kind, args);
              return Variant(plugInType_);
            });
  addMember(vlmimport::kDispIdExecutePlugIn, "ExecutePlugIn",
            [this](InvokeKind kind, std::span<Variant> args) {
              if (kind != InvokeKind::Method) raise(err::kNoSuchMember);
              expectArgs(args, 1);
              ExecutePlugIn(args[0]);
              return Variant();
            });
  addMember(vlmimport::kDispIdSelectedObject, "SelectedObject",
            [this](InvokeKind kind, std::span<Variant> args) {
              expectRead(kind, args);
              return Variant(selectedObject_);
            });
  objectCreated();
}

CPlugIn::~CPlugIn() { objectDestroyed(); }

void CPlugIn::ExecutePlugIn(Variant& v_objScene) {
  DialogRelease release;
  frmImport& dialog = frmImportInstance(formats_);
  dialog.setObjScene(v_objScene.toObject());
  dialog.Show();
  selectedObject_ = dialog.SelectedObject();
  v_objScene.assign(Variant(dialog.objScene()));
}

}  // namespace vlm
