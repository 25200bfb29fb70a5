// The real import dialog frmImport on the FLTK toolkit, over a reference-host scene,
// with the real importers and settings kept in the test's own folder. The file dialog
// answers from a list (cancel when it is empty); message boxes from ScriptedAnswers.
#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../settings/SettingsTestSupport.h"
#include "FltkTestSupport.h"
#include "refhost/ReferenceScene.h"
#include "support/ImporterTestSupport.h"

namespace vlm::test {

class FltkDialogTest : public FltkTest {
 protected:
  void SetUp() override;

  // Shows the dialog as ExecutePlugIn does; returns its SelectedObject once closed.
  int32_t showDialog();

  // The next open-file dialog answers with `path`.
  void answerFileDialog(const std::string& path) { fileAnswers_.emplace_back(path); }
  // An OBJ file of one object with about `vertices` vertices (~50 bytes each).
  std::string writeLargeObj(size_t vertices);
  // A cube: one object of 8 vertices and 6 quads.
  std::string writeSmallObj();

  // Settings as the dialog stores them.
  int32_t savedFormat();
  void saveFormat(int16_t index);
  std::string savedPath(const std::string& extension);

  TempDir temp;
  refhost::ReferenceScene scene;
  std::unique_ptr<ScriptedAnswers> answers;
  std::vector<ui::FileChooserRequest> fileRequests;

 private:
  std::deque<std::optional<std::string>> fileAnswers_;
  std::optional<TempConfigHome> configHome_;
};

}  // namespace vlm::test
