#include "ShellTestSupport.h"

#include <stdexcept>

#include "host/HostObjects.h"
#include "platform/Dispatch.h"
#include "platform/FileTable.h"
#include "platform/ObjectRegistry.h"
#include "shell/frmImport.h"
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

ShellTest::ShellTest() {
  modImport::resetModuleState();
  ui::setToolkit(&toolkit);
  recorder.registerClasses(nullptr, nullptr);
  scene = recorder.wrapScene();
  formats = doubleFormats(script, importerLog);
}

ShellTest::~ShellTest() {
  ui::setToolkit(nullptr);
  fileTable().CloseAll();
  unregisterClass(host::kObjectProgId);
  unregisterClass(host::kMaterialProgId);
}

std::string ShellTest::makeFile(const std::string& name, const std::string& bytes) {
  return temp.write(name, bytes);
}

void ShellTest::scriptImport(int32_t format, const std::string& file) {
  toolkit.whenIdle(ui::UserAction::select("cmbFormat", format));
  toolkit.whenIdle(ui::UserAction::click("cmdImport"));
  toolkit.answerFileDialog(file);
}

void ShellTest::pressWhenIdle(const std::string& control) {
  toolkit.whenIdle(ui::UserAction::click(control));
}

int32_t ShellTest::showDialog() {
  frmImport dialog(formats);
  dialog.setObjScene(scene);
  dialog.Show();
  return dialog.SelectedObject();
}

const ui::FormModel& ShellTest::lastForm() const {
  if (!toolkit.lastForm()) throw std::runtime_error("no dialog was shown");
  return *toolkit.lastForm();
}

std::vector<std::string> ShellTest::hostCalls() const {
  std::vector<std::string> lines;
  for (const refhost::CallRecord& r : recorder.records()) {
    if (r.receiver == "scene" && (r.member == "ListObjects" || r.member == "ListMaterials")) {
      continue;
    }
    lines.push_back(r.line());
  }
  return lines;
}

bool ShellTest::called(const std::string& member) const {
  for (const refhost::CallRecord& r : recorder.records()) {
    if (r.member == member) return true;
  }
  return false;
}

std::vector<std::string> ShellTest::messageTexts() const {
  std::vector<std::string> texts;
  for (const ui::MessageRecord& m : toolkit.messages()) texts.push_back(m.text);
  return texts;
}

}  // namespace vlm::testing
