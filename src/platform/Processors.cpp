#include "platform/Processors.h"

#include <sched.h>

namespace vlm {

bool secondProcessorAvailable() noexcept {
  cpu_set_t set;
  CPU_ZERO(&set);
  return ::sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) >= 2;
}

}  // namespace vlm
