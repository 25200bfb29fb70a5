#include "FltkFixture.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>
#include <fcntl.h>
#include <png.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "ui/Toolkit.h"

// Fontconfig keeps its font caches until the process ends: not a leak of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace vlm::test {

namespace {

// Without $DISPLAY: an Xvfb that picks a free display number and writes it to -displayfd
// once it accepts connections; it ends with the program, also when a test crashes it.
struct TestDisplay {
  pid_t pid = -1;
  TestDisplay() {
    int fds[2];
    if (std::getenv("DISPLAY") != nullptr || ::pipe(fds) != 0) return;
    const pid_t parent = ::getpid();
    if ((pid = ::fork()) == 0) {
      ::prctl(PR_SET_PDEATHSIG, SIGTERM);
      if (::getppid() != parent) ::_exit(1);
      const int devNull = ::open("/dev/null", O_RDWR);
      for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) ::dup2(devNull, fd);
      const std::string fd = std::to_string(fds[1]);
      ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten",
               "tcp", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(fds[1]);
    std::string number = ":";
    pollfd readable{fds[0], POLLIN, 0};
    char c = 0;
    while (::poll(&readable, 1, 15000) > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(fds[0]);
    if (number.size() > 1) ::setenv("DISPLAY", number.c_str(), 1);
  }
  ~TestDisplay() {
    if (pid > 0 && ::kill(pid, SIGTERM) == 0) ::waitpid(pid, nullptr, 0);
  }
};

constexpr double kTick = 0.005;

}  // namespace

void FltkTest::SetUp() {
  static TestDisplay display;
  std::string whyNot;
  toolkit_ = ui::FltkToolkit::open(whyNot);
  if (!toolkit_) GTEST_SKIP() << whyNot;
  ui::setToolkit(toolkit_.get());
  toolkit_->setMessageAnswerer([this](const ui::MessageBoxView& box) {
    seen.push_back({box.window->label(), box.message->text, box.icon ? box.icon->label() : "", {}});
    for (Fl_Widget* b : box.buttons) seen.back().buttons.emplace_back(b->label());
    if (onBox) onBox(box);
    const ui::MsgResult answer = answers.empty() ? ui::MsgResult::No : answers.front();
    if (!answers.empty()) answers.pop_front();
    return answer;
  });
  deadline_ = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  Fl::add_timeout(kTick, tick, this);
}

void FltkTest::TearDown() {
  Fl::remove_timeout(tick, this);
  ui::setToolkit(nullptr);
  toolkit_.reset();
}

void FltkTest::tick(void* self) {
  auto* test = static_cast<FltkTest*>(self);
  Fl::repeat_timeout(kTick, tick, self);
  if (test->steps.empty()) return;
  if (std::chrono::steady_clock::now() > test->deadline_) {
    std::fprintf(stderr, "%zu steps of the person still wait\n", test->steps.size());
    std::abort();  // rather than hang
  }
  ui::FltkForm* form = test->toolkit_->activeForm();
  if (form == nullptr || !form->window()->shown() || !test->steps.front().first(*form)) return;
  const auto act = std::move(test->steps.front().second);
  test->steps.pop_front();
  act(*form);
}

void click(Fl_Widget& widget) {
  Fl_Window& window = *(widget.as_window() ? widget.as_window() : widget.window());
  Fl::e_x = widget.x() + widget.w() / 2;
  Fl::e_y = widget.y() + widget.h() / 2;
  Fl::e_x_root = window.x() + Fl::e_x;
  Fl::e_y_root = window.y() + Fl::e_y;
  Fl::e_keysym = FL_Button + FL_LEFT_MOUSE;
  Fl::e_state = FL_BUTTON1;
  Fl::handle(FL_PUSH, &window);
  Fl::e_state = 0;
  Fl::handle(FL_RELEASE, &window);
}

void closeBox(Fl_Window& window) { Fl::handle(FL_CLOSE, &window); }

void pressKey(Fl_Window& window, int key) {
  static char text[2] = {};
  text[0] = static_cast<char>(key & 0x7f);
  Fl::e_keysym = Fl::e_original_keysym = key;
  Fl::e_state = 0;
  Fl::e_text = text;
  Fl::e_length = 1;
  Fl::handle(FL_KEYBOARD, &window);
}

std::array<uint8_t, 3> Screenshot::pixel(int x, int y) const {
  const auto at = static_cast<size_t>((y * width + x) * 3);
  return {rgb[at], rgb[at + 1], rgb[at + 2]};
}

Screenshot capture(Fl_Window& window) {
  window.wait_for_expose();
  Fl::flush();
  Screenshot shot{window.w(), window.h(),
                  std::vector<uint8_t>(size_t(window.w() * window.h() * 3))};
  window.make_current();
  fl_read_image(shot.rgb.data(), 0, 0, shot.width, shot.height);
  return shot;
}

bool writePng(const std::string& path, const Screenshot& shot) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(shot.width);
  image.height = static_cast<png_uint_32>(shot.height);
  image.format = PNG_FORMAT_RGB;
  return png_image_write_to_file(&image, path.c_str(), 0, shot.rgb.data(), 0, nullptr) != 0;
}

}  // namespace vlm::test
