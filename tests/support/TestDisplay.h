// An Xvfb for the FLTK tests: started when $DISPLAY is not set, the tests skipped when
// there is none. Included once per test program.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

// Fontconfig keeps its font caches until the process ends: not a leak of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace vlm::test {

// An Xvfb that picks a free display number and writes it to -displayfd once it accepts
// connections; it ends with the program, also when a test crashes it.
struct TestDisplay {
  pid_t pid = -1;
  TestDisplay() {
    int fds[2];
    if (std::getenv("DISPLAY") != nullptr || ::pipe(fds) != 0) return;
    if ((pid = ::fork()) == 0) {
      ::prctl(PR_SET_PDEATHSIG, SIGTERM);
      ::dup2(::open("/dev/null", O_WRONLY), STDERR_FILENO);
      ::execlp("Xvfb", "Xvfb", "-displayfd", std::to_string(fds[1]).c_str(), "-screen", "0",
               "1024x768x24", "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(fds[1]);
    char number[16] = {};  // no number when Xvfb could not start: the pipe just closes
    if (::read(fds[0], number, sizeof number - 1) > 0) {
      ::setenv("DISPLAY", (":" + std::string(number, std::strcspn(number, "\n"))).c_str(), 1);
    }
  }
  ~TestDisplay() {
    if (pid > 0 && ::kill(pid, SIGTERM) == 0) ::waitpid(pid, nullptr, 0);
  }
};

}  // namespace vlm::test
