// What keeps the component loaded: live CPlugIn objects and the hosts' factory locks.
#pragma once

namespace vlm {

void objectCreated() noexcept;
void objectDestroyed() noexcept;
void lockServer(bool lock) noexcept;
int liveObjects() noexcept;
// True when no object and no lock is outstanding.
bool canUnloadNow() noexcept;

// Runs the component's start-up procedure, once, before its first object is made.
void startComponent();

}  // namespace vlm
