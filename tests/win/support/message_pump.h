#pragma once
// Waiting for a condition on a thread with windows: its messages keep being
// handled meanwhile, and the wait ends at the condition or at a deadline.
#include <windows.h>

#include <algorithm>
#include <functional>

namespace pq::testing {

// True once `done` holds; false when `milliseconds` passed first. The loop is
// a Unicode one, as the browser's: a character outside the ANSI code page
// reaches the window whole.
inline bool PumpMessagesUntil(const std::function<bool()>& done, DWORD milliseconds) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (done()) return true;
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= milliseconds) return false;
    // Woken by the next message, or after a short while for conditions that
    // other threads change.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(milliseconds - elapsed, 20),
                              QS_ALLINPUT);
  }
}

}  // namespace pq::testing
