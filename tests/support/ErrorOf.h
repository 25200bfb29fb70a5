// The number of the run-time error a call raises, or 0 when it raises none; and the whole
// error as number, source and description.
#pragma once

#include <string>
#include <tuple>

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

using ErrorParts = std::tuple<int32_t, std::string, std::string>;

// {0, "", ""} when the call raises nothing.
ErrorParts errorPartsOf(auto&& call) {
  try {
    call();
  } catch (const RuntimeError& e) {
    return {e.number(), e.source(), e.description()};
  }
  return {0, "", ""};
}

}  // namespace vlm::test
