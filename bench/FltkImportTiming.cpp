// fltk_import_timing: what the FLTK toolkit costs an import, against the headless one.
//
//   fltk_import_timing doevents [calls]     ns per DoEvents call with nothing due
//   fltk_import_timing import FILE [runs]   the real dialog imports FILE into a
//                                           reference scene with each toolkit in turn
//
// The FLTK runs need an X server ($DISPLAY; run under xvfb-run without one). The file
// dialog is answered through the toolkit's file-chooser seam and Import is pressed from
// an FLTK timeout once the dialog is idle, so the import runs inside the dialog's modal
// loop as a person's click would start it. Settings go to a temporary folder.
#include <FL/Fl.H>
#include <FL/Fl_Widget.H>
#include <FL/Fl_Window.H>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/Dispatch.h"
#include "refhost/ReferenceScene.h"
#include "shell/FormatTable.h"
#include "shell/frmImport.h"
#include "ui/HeadlessToolkit.h"
#include "ui/fltk/FltkForm.h"
#include "ui/fltk/FltkToolkit.h"

namespace vlm::timing {

void installSettingsComponent();

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The process's processor time: less disturbed than wall time on a busy machine.
double cpuSeconds() {
  timespec t{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

int32_t formatIndexOf(const std::string& file) {
  std::string ext = std::filesystem::path(file).extension().string();
  if (!ext.empty()) ext.erase(0, 1);
  const FormatTable formats = formatTable();
  for (size_t i = 0; i < formats.size(); ++i) {
    if (equalsIgnoreCase(formats[i].extension, ext)) return static_cast<int32_t>(i);
  }
  return -1;
}

struct RunResult {
  double seconds = 0;
  double cpu = 0;
  size_t objects = 0;
};

RunResult showDialogOnce(ui::Toolkit& toolkit) {
  refhost::ReferenceScene scene;
  ui::setToolkit(&toolkit);
  const Clock::time_point start = Clock::now();
  const double cpuStart = cpuSeconds();
  {
    frmImport dialog;
    dialog.setObjScene(scene.dispatch());
    dialog.Show();
  }
  RunResult result{secondsSince(start), cpuSeconds() - cpuStart, scene.objectCount()};
  ui::setToolkit(nullptr);
  return result;
}

RunResult importHeadless(const std::string& file, int32_t format) {
  ui::HeadlessToolkit toolkit;
  toolkit.whenIdle(ui::UserAction::select("cmbFormat", format));
  toolkit.whenIdle(ui::UserAction::click("cmdImport"));
  toolkit.answerFileDialog(file);
  return showDialogOnce(toolkit);
}

// Presses Import once the dialog is idle with the format chosen.
struct Presser {
  ui::FltkToolkit* toolkit;
  int32_t format;

  static void tick(void* self) {
    auto* p = static_cast<Presser*>(self);
    ui::FltkForm* form = p->toolkit->activeForm();
    if (form == nullptr || !form->window()->shown()) {
      Fl::repeat_timeout(0.001, tick, self);
      return;
    }
    form->setListIndex(form->model().find("cmbFormat"), p->format);
    form->widget("cmdImport")->do_callback();
  }
};

RunResult importFltk(const std::string& file, int32_t format) {
  std::string whyNot;
  std::unique_ptr<ui::FltkToolkit> toolkit = ui::FltkToolkit::open(whyNot);
  if (!toolkit) {
    std::fprintf(stderr, "fltk_import_timing: %s\n", whyNot.c_str());
    std::exit(1);
  }
  toolkit->setFileChooser([&](const ui::FileChooserRequest&) { return std::optional(file); });
  Presser presser{toolkit.get(), format};
  Fl::add_timeout(0.0, Presser::tick, &presser);
  RunResult result = showDialogOnce(*toolkit);
  std::printf("  fltk: %llu DoEvents calls, %llu let FLTK run\n",
              static_cast<unsigned long long>(toolkit->yields()),
              static_cast<unsigned long long>(toolkit->pumps()));
  return result;
}

// The best and the median of one measure over the runs, and the ratio fltk/headless.
void report(const char* what, const std::vector<RunResult>& headless,
            const std::vector<RunResult>& fltk, double RunResult::*measure) {
  auto sorted = [&](const std::vector<RunResult>& runs) {
    std::vector<double> values;
    for (const RunResult& r : runs) values.push_back(r.*measure);
    std::sort(values.begin(), values.end());
    return values;
  };
  const std::vector<double> h = sorted(headless), f = sorted(fltk);
  const size_t mid = h.size() / 2;
  std::printf(
      "%s best: headless %.3f s, fltk %.3f s, fltk/headless %.3f; median: %.3f s, %.3f s, %.3f\n",
      what, h.front(), f.front(), f.front() / h.front(), h[mid], f[mid], f[mid] / h[mid]);
}

int importTiming(const std::string& file, int runs) {
  const int32_t format = formatIndexOf(file);
  if (format < 0) {
    std::fprintf(stderr, "fltk_import_timing: unknown format of %s\n", file.c_str());
    return 2;
  }
  std::vector<RunResult> headlessRuns, fltkRuns;
  for (int run = 0; run < runs; ++run) {
    // Alternate which toolkit goes first, so neither always meets a warm heap or cache.
    if (run % 2 == 0) {
      headlessRuns.push_back(importHeadless(file, format));
      fltkRuns.push_back(importFltk(file, format));
    } else {
      fltkRuns.push_back(importFltk(file, format));
      headlessRuns.push_back(importHeadless(file, format));
    }
    const RunResult& h = headlessRuns.back();
    const RunResult& f = fltkRuns.back();
    std::printf(
        "run %d: headless %.3f s (cpu %.3f s, %zu objects), fltk %.3f s (cpu %.3f s, %zu "
        "objects)\n",
        run + 1, h.seconds, h.cpu, h.objects, f.seconds, f.cpu, f.objects);
  }
  report("wall", headlessRuns, fltkRuns, &RunResult::seconds);
  report("cpu ", headlessRuns, fltkRuns, &RunResult::cpu);
  return 0;
}

double nsPerDoEvents(ui::Toolkit& toolkit, long calls) {
  const Clock::time_point start = Clock::now();
  for (long i = 0; i < calls; ++i) toolkit.doEvents();
  return secondsSince(start) * 1e9 / static_cast<double>(calls);
}

int doEventsTiming(long calls) {
  ui::HeadlessToolkit headless;
  std::printf("headless: %.2f ns per DoEvents\n", nsPerDoEvents(headless, calls));
  std::string whyNot;
  std::unique_ptr<ui::FltkToolkit> fltk = ui::FltkToolkit::open(whyNot);
  if (!fltk) {
    std::fprintf(stderr, "fltk_import_timing: %s\n", whyNot.c_str());
    return 1;
  }
  const double ns = nsPerDoEvents(*fltk, calls);
  std::printf("fltk:     %.2f ns per DoEvents (%llu calls let FLTK run)\n", ns,
              static_cast<unsigned long long>(fltk->pumps()));
  return 0;
}

}  // namespace
}  // namespace vlm::timing

int main(int argc, char** argv) {
  using namespace vlm::timing;
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "doevents") return doEventsTiming(argc > 2 ? std::atol(argv[2]) : 200'000'000L);
  if (mode == "import" && argc > 2) {
    char folder[] = "/tmp/vlmtiming-XXXXXX";
    if (::mkdtemp(folder) == nullptr) return 1;
    ::setenv("XDG_CONFIG_HOME", folder, 1);
    installSettingsComponent();
    vlm::refhost::registerReferenceHostClasses();
    const std::string file = std::filesystem::absolute(argv[2]).string();
    const int status = importTiming(file, argc > 3 ? std::atoi(argv[3]) : 3);
    std::filesystem::remove_all(folder);
    return status;
  }
  std::fprintf(stderr, "usage: fltk_import_timing doevents [calls] | import FILE [runs]\n");
  return 2;
}
