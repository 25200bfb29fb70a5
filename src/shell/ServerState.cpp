#include "shell/ServerState.h"

#include "textio/modImport.h"

namespace vlm {

namespace {
// Everything runs on the host's user-interface thread, so plain counters do.
int objects = 0;
int locks = 0;
bool started = false;
}  // namespace

void objectCreated() noexcept { ++objects; }
void objectDestroyed() noexcept { --objects; }

void lockServer(bool lock) noexcept {
  if (lock) {
    ++locks;
  } else if (locks > 0) {
    --locks;
  }
}

int liveObjects() noexcept { return objects; }
bool canUnloadNow() noexcept { return objects == 0 && locks == 0; }

void startComponent() {
  if (started) return;
  modImport::Main();
  started = true;
}

}  // namespace vlm
