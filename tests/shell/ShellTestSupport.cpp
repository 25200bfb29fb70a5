#include "ShellTestSupport.h"

#include <filesystem>
#include <fstream>

#include "host/HostObjects.h"
#include "platform/FileTable.h"
#include "platform/ObjectRegistry.h"
#include "shell/frmImport.h"
#include "textio/modImport.h"

namespace vlm::testing {

ShellTest::ShellTest() {
  modImport::resetModuleState();
  ui::setToolkit(&toolkit);
  recorder.registerClasses(nullptr, nullptr);
  scene = recorder.wrapScene();
  formats = doubleFormats(script, importerLog);
  std::string pattern = (std::filesystem::temp_directory_path() / "vlmshell-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  folder = pattern + "/";
}

ShellTest::~ShellTest() {
  ui::setToolkit(nullptr);
  fileTable().CloseAll();
  unregisterClass(host::kObjectProgId);
  unregisterClass(host::kMaterialProgId);
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

std::string ShellTest::makeFile(const std::string& name, const std::string& bytes) {
  const std::string path = folder + name;
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
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

std::vector<std::string> ShellTest::messageTexts() const {
  std::vector<std::string> texts;
  for (const ui::MessageRecord& m : toolkit.messages()) texts.push_back(m.text);
  return texts;
}

}  // namespace vlm::testing
