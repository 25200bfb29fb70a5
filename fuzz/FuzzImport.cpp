// One whole import per fuzz input, and the checks every import must pass: the run ends
// with StopImport set and no file open, a failure is shown in one message box with
// nothing handed to the scene, the scene's report is valid JSON, what the scene holds is
// bounded by the file's size, and the settings file still reads back.
#include "FuzzImport.h"

#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "fileio/FileTable.h"
#include "refhost/ReferenceScene.h"
#include "shell/frmImport.h"
#include "ui/HeadlessToolkit.h"

namespace vlm::fuzz {
namespace {

constexpr std::array<std::string_view, 5> kExtensions = {"obj", "dxf", "3ds", "inc", "ply"};

// Elements (vertices, triangles, refused polygons) the scene may hold per byte of file,
// plus room for the one 3DS list that may run past the end of a cut-short file
// (65535 vertices) and the handful of elements any small file can give.
constexpr size_t kElementsPerByte = 2;
constexpr size_t kElementsBesides = 200000;

std::string makeWorkFolder() {
  const std::filesystem::path base =
      std::filesystem::is_directory("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                : std::filesystem::temp_directory_path();
  std::string templ = (base / "vlmfuzz-XXXXXX").string();
  check(::mkdtemp(templ.data()) != nullptr, "cannot create the work folder");
  return templ;
}

// The input file: a memory file, reached by a link named "input.<extension>" in the work
// folder, so that the import opens it by a name of its format and reads what the fuzzer
// wrote without a disk or a new file per input.
class InputFile {
 public:
  InputFile() : fd_(::memfd_create("vlmfuzz-input", MFD_CLOEXEC)) {
    check(fd_ >= 0, "cannot create the memory file");
  }
  const std::string& path(std::string_view extension) {
    if (extension_ != extension) {
      extension_ = extension;
      path_ = workFolder() + "/input." + extension_;
      std::filesystem::remove(path_);
      std::filesystem::create_symlink("/proc/self/fd/" + std::to_string(fd_), path_);
    }
    return path_;
  }
  void write(const uint8_t* data, size_t size) {
    const auto length = static_cast<off_t>(size);
    check(::ftruncate(fd_, length) == 0 &&
              (size == 0 || ::pwrite(fd_, data, size, 0) == length),
          "cannot write the memory file");
  }

 private:
  int fd_;
  std::string extension_;
  std::string path_;
};

void removeWorkFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(workFolder(), ignored);
}

// Settings component, host classes and the settings file's folder, once per process.
void setUpProcess() {
  static const bool done = [] {
    ::setenv("XDG_CONFIG_HOME", workFolder().c_str(), 1);
    registerSettings();
    refhost::registerReferenceHostClasses();
    std::atexit(removeWorkFolder);
    return true;
  }();
  (void)done;
}

int formatIndex(std::string_view extension) {
  for (size_t i = 0; i < kExtensions.size(); ++i) {
    if (kExtensions[i] == extension) return static_cast<int>(i);
  }
  check(false, "unknown format");
  return -1;
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

void checkScene(const refhost::ReferenceScene& scene, size_t fileSize) {
  check(sceneElements(scene) <= kElementsPerByte * fileSize + kElementsBesides,
        "the scene holds more than the file's bytes can describe");
  std::ostringstream json;
  scene.writeJson(json, false);
  check(nlohmann::json::accept(json.str()), "the scene's report is not valid JSON");
}

void checkMessages(const ui::HeadlessToolkit& toolkit, const refhost::ReferenceScene& scene) {
  size_t failures = 0;
  for (const ui::MessageRecord& m : toolkit.messages()) {
    check(m.title == "VLMImport", "a message box without the component's title");
    if (m.icon == ui::MsgIcon::Exclamation) ++failures;
  }
  check(failures <= 1, "one run showed more than one failure");
  if (failures == 1) {
    check(scene.objectCount() == 0 && scene.importBatches() == 0,
          "a failed run handed objects to the scene");
  }
}

}  // namespace

void check(bool condition, std::string_view what) {
  if (condition) return;
  std::fprintf(stderr, "vlmfuzz: check failed: %.*s\n", static_cast<int>(what.size()),
               what.data());
  std::abort();
}

const std::string& workFolder() {
  static const std::string folder = makeWorkFolder();
  return folder;
}

std::string settingsFilePath() {
  setUpProcess();
  return settingsFile();
}

void importBytes(std::string_view extension, const uint8_t* data, size_t size,
                 const std::function<void(size_t objects)>& imported) {
  setUpProcess();
  const int format = formatIndex(extension);
  static InputFile input;
  const std::string& path = input.path(extension);
  input.write(data, size);
  fileTable().CloseAll();

  ui::HeadlessToolkit toolkit;
  ui::setToolkit(&toolkit);
  refhost::ReferenceScene scene;
  bool stopImport = false;
  {
    frmImport dialog;
    dialog.setObjScene(scene.dispatch());
    toolkit.whenIdle(ui::UserAction::select("cmbFormat", format));
    toolkit.whenIdle(ui::UserAction::click("cmdImport"));
    toolkit.answerFileDialog(path);
    dialog.Show();
    stopImport = dialog.stopImport();
  }
  ui::setToolkit(nullptr);
  if (imported) imported(scene.objectCount());

  check(stopImport, "StopImport is false after the run");
  check(fileTable().find(1) == nullptr, "the import file is still open");
  checkMessages(toolkit, scene);
  checkScene(scene, size);
  check(savedFormat() == format, "the dialog did not save its format");
}

}  // namespace vlm::fuzz
