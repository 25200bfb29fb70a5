// How many processors this process may run on.
#pragma once

namespace vlm {

// True when this process may run on more than one processor: only then does work handed
// to a second thread run beside the first instead of taking turns with it.
bool secondProcessorAvailable() noexcept;

}  // namespace vlm
