#include "HostileImport.h"

#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "HostileSettings.h"
#include "import3ds/ChunkBuilder.h"
#include "platform/FileTable.h"
#include "shell/frmImport.h"
#include "textio/modImport.h"

namespace vlm::hostile {

namespace {

constexpr std::array<std::string_view, 5> kExtensions = {"obj", "dxf", "3ds", "inc", "ply"};

// What the scene may hold per byte of file, plus room for the one 3DS list that may run
// past the end of a cut-short file and the handful of elements any small file gives.
constexpr size_t kElementsPerByte = 2;
constexpr size_t kElementsBesides = 200000;

// The format's index in the dialog's list, -1 for none.
int32_t formatIndex(std::string_view extension) {
  const auto* found = std::find(kExtensions.begin(), kExtensions.end(), extension);
  return found == kExtensions.end() ? -1 : static_cast<int32_t>(found - kExtensions.begin());
}

size_t sceneElements(const refhost::ReferenceScene& scene) {
  size_t elements = 0;
  for (size_t i = 0; i < scene.objectCount(); ++i) {
    const refhost::Mesh& mesh = scene.object(i).mesh();
    elements += static_cast<size_t>(mesh.vertexCount()) +
                static_cast<size_t>(mesh.triangleCount()) +
                static_cast<size_t>(mesh.invalidNumbers());
  }
  return elements;
}

// Small 3DS and binary PLY files that the samples folder does not have.
std::vector<Sample> builtSamples() {
  using namespace test3ds;
  const std::string red = material(materialName("Red") + chunk(0xA020, byteColor(255, 0, 0)) +
                                   chunk(0xA040, intPercent(50)));
  std::string ply =
      "ply\nformat binary_little_endian 1.0\nelement vertex 3\nproperty float x\n"
      "property float y\nproperty float z\nelement face 1\n"
      "property list uchar int vertex_indices\nend_header\n";
  for (float c : {0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 1.f, 0.f}) ply += f32(c);
  ply += u8(3) + i32(0) + i32(1) + i32(2);
  return {
      {"materials.3ds",
       file3ds(editor(red + triangleObject("A", faceList({{0, 1, 2}}, faceMaterial("Red", {0}))) +
                      triangleObject("B", matrix({1, 2, 3}))))},
      {"binary.ply", ply},
  };
}

}  // namespace

std::vector<std::string> Outcome::failures() const {
  std::vector<std::string> texts;
  for (size_t i = 0; i < messages.size() && i < runMessages; ++i) {
    if (messages[i].icon == ui::MsgIcon::Exclamation) texts.push_back(messages[i].text);
  }
  return texts;
}

HostileImport::HostileImport() {
  test::resetComponentState();
  installSettings(configHome.path().string());
  refhost::registerReferenceHostClasses();
}

HostileImport::~HostileImport() {
  removeSettings();
  test::resetComponentState();
}

Outcome HostileImport::importBytes(const std::string& name, std::string_view bytes,
                                   const ProgressHook& hook) {
  const std::string path = dir.write(name, bytes);
  return importPath(path, std::filesystem::path(name).extension().string().substr(1), hook);
}

Outcome HostileImport::importPath(const std::string& path, std::string_view extension,
                                  const ProgressHook& hook) {
  modImport::resetModuleState();
  ui::HeadlessToolkit toolkit;
  if (hook) toolkit.setProgressListener(hook);
  ui::setToolkit(&toolkit);
  refhost::ReferenceScene scene;
  Outcome outcome;
  {
    frmImport dialog;
    dialog.setObjScene(scene.dispatch());
    EXPECT_GE(formatIndex(extension), 0) << "no format for the extension " << extension;
    toolkit.whenIdle(ui::UserAction::select("cmbFormat", formatIndex(extension)));
    toolkit.whenIdle(ui::UserAction::click("cmdImport"));
    // Whatever the run left, the dialog is looked at before the user closes it.
    toolkit.whenIdle(ui::UserAction::call([&] {
      const auto form = toolkit.lastForm();
      outcome.idle = form->isOpen() && form->control("cmdImport").enabled &&
                     form->control("ProgressBar1").bar.value == 0;
      outcome.runMessages = toolkit.messages().size();
    }));
    toolkit.answerFileDialog(path);
    dialog.Show();
    outcome.selectedObject = dialog.SelectedObject();
  }
  ui::setToolkit(nullptr);

  EXPECT_TRUE(modImport::StopImport) << "the run ended with StopImport false";
  EXPECT_EQ(fileTable().find(1), nullptr) << "the import file was left open";
  outcome.messages = toolkit.messages();
  outcome.objects = scene.objectCount();
  outcome.elements = sceneElements(scene);
  for (size_t i = 0; i < scene.objectCount(); ++i) outcome.names.push_back(scene.object(i).name());
  std::ostringstream json;
  scene.writeJson(json, false);
  outcome.json = json.str();
  return outcome;
}

void HostileImport::expectContained(const Outcome& outcome, size_t fileSize) {
  for (const ui::MessageRecord& m : outcome.messages) EXPECT_EQ(m.title, "VLMImport");
  const std::vector<std::string> failures = outcome.failures();
  EXPECT_LE(failures.size(), 1u) << "one run showed several failures: "
                                 << ::testing::PrintToString(failures);
  if (!failures.empty()) {
    EXPECT_EQ(outcome.objects, 0u) << "a failed run handed objects over: " << failures[0];
    EXPECT_TRUE(outcome.idle) << "a failed run left the dialog busy: " << failures[0];
    EXPECT_FALSE(failures[0].empty()) << "a failure without a description";
  }
  EXPECT_LE(outcome.elements, kElementsPerByte * fileSize + kElementsBesides)
      << "the scene holds more than " << fileSize << " bytes can describe";
  EXPECT_TRUE(nlohmann::json::accept(outcome.json)) << "the scene's report is not valid JSON";
}

std::vector<Sample> samples() {
  std::vector<Sample> all;
  for (const auto& entry : std::filesystem::directory_iterator(VLM_EXAMPLES_DIR)) {
    const std::string ext = entry.path().extension().string();
    if (ext.size() > 1 && formatIndex(ext.substr(1)) >= 0) {
      all.push_back({entry.path().filename().string(), slurp(entry.path())});
    }
  }
  for (Sample& built : builtSamples()) all.push_back(std::move(built));
  std::sort(all.begin(), all.end(),
            [](const Sample& a, const Sample& b) { return a.name < b.name; });
  return all;
}

size_t peakMemory() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<size_t>(usage.ru_maxrss) * 1024;
}

}  // namespace vlm::hostile
