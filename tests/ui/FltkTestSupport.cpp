#include "FltkTestSupport.h"

#include <fcntl.h>
#include <png.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "ui/Toolkit.h"

// FLTK and Xlib last: Xlib defines macros (None, Status) that clash with our names.
#include <FL/Fl.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

// Fontconfig keeps its font caches until the process ends: not a leak of ours. The
// leak checker of sanitizer builds asks for this list.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace vlm::test {

// --- TestDisplay ------------------------------------------------------------------------

TestDisplay& TestDisplay::instance() {
  static TestDisplay display;
  return display;
}

TestDisplay::TestDisplay() {
  const char* existing = std::getenv("DISPLAY");
  if (existing != nullptr && *existing != '\0') {
    available_ = true;
    return;
  }
  startXvfb();
}

TestDisplay::~TestDisplay() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  int status = 0;
  ::waitpid(pid_, &status, 0);
}

// Xvfb picks a free display number itself and writes it to -displayfd once it accepts
// connections.
void TestDisplay::startXvfb() {
  int fds[2];
  if (::pipe(fds) != 0) {
    whyNot_ = "cannot start Xvfb: no pipe";
    return;
  }
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid == 0) {
    // The server ends with the test program, also when a test crashes it.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(1);
    ::close(fds[0]);
    const int devNull = ::open("/dev/null", O_RDWR);
    ::dup2(devNull, STDIN_FILENO);
    ::dup2(devNull, STDOUT_FILENO);
    ::dup2(devNull, STDERR_FILENO);
    const std::string fd = std::to_string(fds[1]);
    ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten",
             "tcp", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(fds[1]);
  if (pid < 0) {
    ::close(fds[0]);
    whyNot_ = "cannot start Xvfb: fork failed";
    return;
  }
  pid_ = pid;
  std::string number;
  pollfd readable{fds[0], POLLIN, 0};
  char c = 0;
  while (::poll(&readable, 1, 15000) > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  ::close(fds[0]);
  if (number.empty()) {
    whyNot_ = "no X server: $DISPLAY is not set and Xvfb could not be started";
    return;
  }
  ::setenv("DISPLAY", (":" + number).c_str(), 1);
  available_ = true;
}

// --- FltkTest ---------------------------------------------------------------------------

void FltkTest::SetUp() {
  TestDisplay& display = TestDisplay::instance();
  if (!display.available()) GTEST_SKIP() << display.whyNot();
  std::string whyNot;
  toolkit_ = ui::FltkToolkit::open(whyNot);
  if (!toolkit_) GTEST_SKIP() << whyNot;
  ui::setToolkit(toolkit_.get());
}

void FltkTest::TearDown() {
  ui::setToolkit(nullptr);
  toolkit_.reset();
}

// --- Pilot ------------------------------------------------------------------------------

namespace {
constexpr double kTickSeconds = 0.005;
}  // namespace

Pilot::Pilot(ui::FltkToolkit& toolkit, std::chrono::seconds deadline)
    : toolkit_(toolkit), deadline_(std::chrono::steady_clock::now() + deadline) {
  Fl::add_timeout(kTickSeconds, tick, this);
}

Pilot::~Pilot() { Fl::remove_timeout(tick, this); }

void Pilot::when(std::string what, Condition condition, Action action) {
  steps_.push_back(Step{std::move(what), std::move(condition), std::move(action)});
}

void Pilot::whenIdle(std::string what, Action action) {
  when(std::move(what), dialogIdle, std::move(action));
}

void Pilot::tick(void* self) {
  auto* pilot = static_cast<Pilot*>(self);
  Fl::repeat_timeout(kTickSeconds, tick, self);
  if (pilot->steps_.empty()) return;
  if (std::chrono::steady_clock::now() > pilot->deadline_) {
    ADD_FAILURE() << "the pilot waited too long for: " << pilot->steps_.front().what;
    std::fflush(stdout);
    std::abort();
  }
  ui::FltkForm* form = pilot->toolkit_.activeForm();
  if (form == nullptr || !form->window()->shown()) return;
  if (!pilot->steps_.front().condition(*form)) return;
  Step step = std::move(pilot->steps_.front());
  pilot->steps_.pop_front();
  step.action(*form);
}

bool dialogIdle(ui::FltkForm& form) {
  Fl_Widget* import = form.widget("cmdImport");
  return form.isOpen() && form.window()->shown() && import != nullptr && import->active();
}

bool dialogRunning(ui::FltkForm& form) {
  Fl_Widget* import = form.widget("cmdImport");
  return form.isOpen() && import != nullptr && !import->active();
}

// --- Events -----------------------------------------------------------------------------

void sendClick(Fl_Widget& widget) {
  Fl_Window* window = widget.as_window() ? widget.as_window() : widget.window();
  const Window xid = fl_xid(window);
  XEvent event{};
  XButtonEvent& button = event.xbutton;
  button.type = ButtonPress;
  button.display = fl_display;
  button.window = xid;
  button.root = RootWindow(fl_display, fl_screen);
  button.time = CurrentTime;
  button.x = widget.x() + widget.w() / 2;
  button.y = widget.y() + widget.h() / 2;
  button.x_root = window->x() + button.x;
  button.y_root = window->y() + button.y;
  button.button = Button1;
  button.same_screen = True;
  XSendEvent(fl_display, xid, False, ButtonPressMask, &event);
  button.type = ButtonRelease;
  button.state = Button1Mask;
  XSendEvent(fl_display, xid, False, ButtonReleaseMask, &event);
  XFlush(fl_display);
}

void sendCloseBox(Fl_Window& window) {
  XEvent event{};
  XClientMessageEvent& message = event.xclient;
  message.type = ClientMessage;
  message.display = fl_display;
  message.window = fl_xid(&window);
  message.message_type = XInternAtom(fl_display, "WM_PROTOCOLS", False);
  message.format = 32;
  message.data.l[0] = static_cast<long>(XInternAtom(fl_display, "WM_DELETE_WINDOW", False));
  message.data.l[1] = CurrentTime;
  XSendEvent(fl_display, message.window, False, NoEventMask, &event);
  XFlush(fl_display);
}

void pressTab(Fl_Window& window) {
  static char tab[] = "\t";
  Fl::e_keysym = FL_Tab;
  Fl::e_original_keysym = FL_Tab;
  Fl::e_state = 0;
  Fl::e_text = tab;
  Fl::e_length = 1;
  Fl::handle(FL_KEYBOARD, &window);
}

void chooseEntry(Fl_Widget& list, int index) {
  auto& choice = dynamic_cast<Fl_Choice&>(list);
  choice.value(index);
  choice.do_callback();
}

// --- Screenshots --------------------------------------------------------------------------

std::array<uint8_t, 3> Screenshot::pixel(int x, int y) const {
  const size_t at =
      (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
  return {rgb[at], rgb[at + 1], rgb[at + 2]};
}

Screenshot capture(Fl_Window& window) {
  window.wait_for_expose();
  Fl::flush();
  XSync(fl_display, False);
  Screenshot shot;
  shot.width = window.w();
  shot.height = window.h();
  shot.rgb.resize(static_cast<size_t>(shot.width) * static_cast<size_t>(shot.height) * 3);
  window.make_current();
  fl_read_image(shot.rgb.data(), 0, 0, shot.width, shot.height);
  return shot;
}

namespace {

// libpng reports failures by longjmp to here; nothing in this frame changes after setjmp.
bool writeImage(png_structp png, png_infop info, std::FILE* file, const Screenshot& shot) {
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(shot.width),
               static_cast<png_uint_32>(shot.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const size_t stride = static_cast<size_t>(shot.width) * 3;
  for (int y = 0; y < shot.height; ++y) {
    png_write_row(png, shot.rgb.data() + static_cast<size_t>(y) * stride);
  }
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

bool writePng(const std::string& path, const Screenshot& shot, std::string& error) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    error = "cannot create " + path;
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool ok = png != nullptr && info != nullptr && writeImage(png, info, file, shot);
  png_destroy_write_struct(&png, &info);
  if (std::fclose(file) != 0) ok = false;
  if (!ok) error = "cannot write " + path;
  return ok;
}

// --- ScriptedAnswers ----------------------------------------------------------------------

ScriptedAnswers::ScriptedAnswers(ui::FltkToolkit& toolkit) {
  toolkit.setMessageAnswerer([this](const ui::MessageBoxView& box) {
    SeenBox seen{box.window->label() ? box.window->label() : "",
                 box.message->text,
                 box.icon && box.icon->label() ? box.icon->label() : "",
                 {}};
    for (Fl_Widget* b : box.buttons) seen.buttons.emplace_back(b->label() ? b->label() : "");
    seen_.push_back(seen);
    if (onShown) onShown(box);
    if (box.message->buttons == ui::MsgButtons::Ok) return ui::MsgResult::Ok;
    ui::MsgResult answer = ui::MsgResult::No;
    if (!answers_.empty()) {
      answer = answers_.front();
      answers_.pop_front();
    }
    return answer;
  });
}

}  // namespace vlm::test
