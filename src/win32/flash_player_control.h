#pragma once
// The movie player control of the animated banner.
#include <windows.h>

#include <memory>

#include "platform/flash_player.h"

namespace pq::win32 {

// A player control created inside the banner area, hidden. Raises Error when
// the control cannot be created.
std::unique_ptr<FlashPlayer> CreateWin32FlashPlayer(HWND banner_area);

}  // namespace pq::win32
