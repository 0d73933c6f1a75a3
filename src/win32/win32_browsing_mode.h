#pragma once
// Whether the browser's session is private, as the browser tells it.
#include "platform/host_browser.h"

namespace pq::win32 {

// Asks IEIsInPrivateBrowsing of the browser's frame library (ieframe.dll)
// when the process has loaded it, as the browser always has. Where that
// library has no such function, a host program that plays the browser may
// answer through an export of the same name in its own executable; where
// neither has it, the session is not private.
class Win32BrowsingMode final : public BrowsingMode {
 public:
  bool IsPrivate() override;
};

}  // namespace pq::win32
