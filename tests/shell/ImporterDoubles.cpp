#include "ImporterDoubles.h"

#include "host/HostObjects.h"
#include "platform/FileTable.h"
#include "textio/modImport.h"
#include "ui/ImportDialog.h"

namespace vlm::testing {

namespace {

class ScriptedImporter final : public Importer {
 public:
  ScriptedImporter(const ImporterScript& script, ImporterLog& log) : script_(script), log_(log) {
    ++log_.created;
  }

  void Load(const std::string& p_FileName, CollectionRef& p_colObject3D,
            CollectionRef& p_colMaterial3D) override {
    log_.loadedFiles.push_back(p_FileName);
    log_.materialsGiven = static_cast<bool>(p_colMaterial3D);
    if (script_.duringLoad) script_.duringLoad();
    if (script_.openFile) fileTable().Open(1, p_FileName);
    if (script_.newCollections) {
      p_colObject3D = std::make_shared<Collection>();
      p_colMaterial3D = std::make_shared<Collection>();
    }
    for (int i = 0; i < script_.materials; ++i)
      p_colMaterial3D->Add(host::HostMaterial::create().ref());
    for (int i = 0; i < script_.objects; ++i) p_colObject3D->Add(host::HostObject::create().ref());
    for (int i = 0; i < script_.waitForStop && !modImport::StopImport; ++i) ui::DoEvents();
    if (script_.waitForStop > 0 && modImport::StopImport) log_.sawStop = true;
    if (script_.raiseNumber != 0) raise(script_.raiseNumber, script_.raiseDescription);
  }

  void Get_Position(float& x, float& y, float& z) override {
    ++log_.positionsTaken;
    x = script_.position[0];
    y = script_.position[1];
    z = script_.position[2];
  }

 private:
  const ImporterScript& script_;
  ImporterLog& log_;
};

}  // namespace

std::vector<FormatRow> doubleFormats(const ImporterScript& script, ImporterLog& log) {
  std::vector<FormatRow> rows(formatTable().begin(), formatTable().end());
  for (FormatRow& row : rows) {
    row.create = [&script, &log] { return std::make_unique<ScriptedImporter>(script, log); };
  }
  return rows;
}

}  // namespace vlm::testing
