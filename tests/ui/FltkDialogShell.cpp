// The fixture's parts that reach the shell: the dialog itself and its saved settings,
// read and written as the dialog does. Kept apart from the fixture's set-up, which
// registers the settings component: the component's header and the shell's client of
// it cannot share a translation unit.
#include "FltkDialogFixture.h"
#include "shell/RegFunClient.h"
#include "shell/frmImport.h"

namespace vlm::test {

int32_t FltkDialogTest::showDialog() {
  frmImport dialog;
  dialog.setObjScene(scene.dispatch());
  dialog.Show();
  return dialog.SelectedObject();
}

int32_t FltkDialogTest::savedFormat() {
  RegFunClient settings = RegFunClient::create();
  return settings.ReadValue(kSettingsKey, "FileFormat", Variant(int16_t{-99})).toInteger();
}

void FltkDialogTest::saveFormat(int16_t index) {
  RegFunClient settings = RegFunClient::create();
  settings.WriteValue(kSettingsKey, "FileFormat", Variant(index));
}

std::string FltkDialogTest::savedPath(const std::string& extension) {
  RegFunClient settings = RegFunClient::create();
  return settings.ReadValue(pathSettingsKey(extension), "Path", Variant(std::string("(none)")))
      .toString();
}

}  // namespace vlm::test
