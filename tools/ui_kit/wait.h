#pragma once
// Waiting for what another thread or process does: the condition is asked
// again and again until it holds or a deadline passes.
#include <windows.h>

namespace pq::ui_kit {

// Asks the condition until it holds or the time is up; true when it held.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD milliseconds) {
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  for (;;) {
    if (condition()) return true;
    if (GetTickCount64() >= deadline) return false;
    Sleep(10);
  }
}

}  // namespace pq::ui_kit
