// Keeps the calling thread, and so the programs it starts, to its first processor while it
// lives: an import then runs as on a machine with one, without a second thread.
#pragma once

#include <sched.h>

namespace vlm::test {

class OneProcessor {
 public:
  OneProcessor() {
    sched_getaffinity(0, sizeof all_, &all_);
    cpu_set_t one;
    CPU_ZERO(&one);
    int cpu = 0;
    while (cpu + 1 < CPU_SETSIZE && !CPU_ISSET(cpu, &all_)) ++cpu;
    CPU_SET(cpu, &one);
    sched_setaffinity(0, sizeof one, &one);
  }
  ~OneProcessor() { sched_setaffinity(0, sizeof all_, &all_); }
  OneProcessor(const OneProcessor&) = delete;
  OneProcessor& operator=(const OneProcessor&) = delete;

 private:
  cpu_set_t all_;
};

}  // namespace vlm::test
