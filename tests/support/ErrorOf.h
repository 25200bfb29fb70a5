// The number of the run-time error a call raises, or 0 when it raises none.
#pragma once

#include "platform/Error.h"

namespace vlm::test {

int errorOf(auto&& call) {
  try {
    call();
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

}  // namespace vlm::test
